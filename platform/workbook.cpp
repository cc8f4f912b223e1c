#include "platform/workbook.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "engine/atomic_save.h"

namespace vd {

namespace {

QString Quoted(const QString& s) { return QStringLiteral("\"%1\"").arg(s); }

Outcome Fail(const QString& text) { return Outcome::Fail(text.toStdString()); }

// The file's zip entries, found without regard to case as the package
// format asks.
class Package {
public:
    explicit Package(const QString& path) : zip_(path) {}

    Outcome open(const QString& shown) {
        if (!QFileInfo(zip_.getZipName()).isFile())
            return Fail(QStringLiteral("The file %1 does not exist.").arg(shown));
        if (!zip_.open(QuaZip::mdUnzip))
            return Fail(QStringLiteral("The file %1 is not an Excel workbook (.xlsx): it is not a zip "
                                       "archive, or the archive is damaged.")
                            .arg(shown));
        for (const QString& name : zip_.getFileNameList()) entries_.insert(name.toLower(), name);
        return Outcome::Ok();
    }

    // The entry's real name, or empty when the package has none by that name.
    QString find(QString name) const {
        if (name.startsWith('/')) name.remove(0, 1);
        return entries_.value(name.toLower());
    }

    // Runs `parse` over the entry's XML; the reader's and the archive's
    // errors both count as damage.
    template <class F>
    Outcome parse(const QString& entry, const QString& what, F&& parse) {
        if (!zip_.setCurrentFile(entry))
            return Fail(QStringLiteral("The workbook's %1 cannot be found in the archive.").arg(what));
        QuaZipFile file(&zip_);
        if (!file.open(QIODevice::ReadOnly))
            return Fail(QStringLiteral("The workbook's %1 cannot be unpacked: the archive is damaged.").arg(what));
        QXmlStreamReader xml(&file);
        Outcome inner = parse(xml);
        QString xmlError;
        if (inner && xml.hasError())
            xmlError = QStringLiteral("%1 (line %2)").arg(xml.errorString()).arg(xml.lineNumber());
        file.close();
        if (file.getZipError() != UNZ_OK)
            return Fail(QStringLiteral("The workbook's %1 cannot be unpacked: the archive is damaged.").arg(what));
        if (!inner) return inner;
        if (!xmlError.isEmpty())
            return Fail(QStringLiteral("The workbook's %1 is damaged: %2.").arg(what, xmlError));
        return Outcome::Ok();
    }

private:
    QuaZip zip_;
    QHash<QString, QString> entries_;
};

// A reader fed from an archive entry that breaks off reports a premature end
// and would wait for more data for ever; any error ends the reading.
bool More(const QXmlStreamReader& xml) { return !xml.atEnd() && !xml.hasError(); }

// Reads an attribute by its local name, whatever namespace prefix it carries.
QStringView LocalAttribute(const QXmlStreamAttributes& attrs, QStringView local) {
    for (const QXmlStreamAttribute& a : attrs)
        if (a.name() == local) return a.value();
    return {};
}

// Relationship targets by id, and by type (the last part of the type URI).
struct Relations {
    QHash<QString, QString> byId;
    QHash<QString, QString> byType;
};

// The folder of a part, for resolving the targets its relations name.
QString PartFolder(const QString& part) {
    int slash = part.lastIndexOf('/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString ResolveTarget(const QString& folder, const QString& target) {
    if (target.startsWith('/')) return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(folder + target);
}

Outcome ReadRelations(Package& pkg, const QString& part, Relations& out) {
    QString folder = PartFolder(part);
    QString relsName = folder + "_rels/" + part.mid(folder.size()) + ".rels";
    QString entry = pkg.find(relsName);
    if (entry.isEmpty()) return Outcome::Ok();
    return pkg.parse(entry, QStringLiteral("relation list"), [&](QXmlStreamReader& xml) {
        while (More(xml)) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"Relationship") {
                QXmlStreamAttributes a = xml.attributes();
                if (LocalAttribute(a, u"TargetMode") == u"External") continue;
                QString target = ResolveTarget(folder, LocalAttribute(a, u"Target").toString());
                QString type = LocalAttribute(a, u"Type").toString();
                out.byId.insert(LocalAttribute(a, u"Id").toString(), target);
                out.byType.insert(type.mid(type.lastIndexOf('/') + 1), target);
            }
        }
        return Outcome::Ok();
    });
}

// Texts escape characters XML cannot hold as "_xHHHH_".
QString DecodeEscapes(const QString& s) {
    if (!s.contains(QStringLiteral("_x"))) return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '_' && i + 6 < s.size() && s[i + 1] == 'x' && s[i + 6] == '_') {
            bool ok = false;
            uint code = QStringView(s).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out += QChar(static_cast<char16_t>(code));
                i += 6;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// The text of a string item (<si> or <is>): its <t> parts, rich-text runs
// joined, phonetic hints (<rPh>) left out. The reader stands on the item's
// start element and ends on its end element.
// Appends the text of the element the reader stands on and leaves it on
// the element's end; inner elements are skipped.
void AppendElementText(QXmlStreamReader& xml, QString& out) {
    while (More(xml)) {
        xml.readNext();
        if (xml.isCharacters())
            out += xml.text();
        else if (xml.isStartElement())
            xml.skipCurrentElement();
        else if (xml.isEndElement())
            return;
    }
}

QString ReadStringItem(QXmlStreamReader& xml) {
    QString text;
    int depth = 1, phonetic = 0;
    while (depth > 0 && More(xml)) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == u"rPh") {
                ++phonetic;
            } else if (xml.name() == u"t" && phonetic == 0) {
                AppendElementText(xml, text);
                --depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
            if (xml.name() == u"rPh") --phonetic;
        }
    }
    return DecodeEscapes(text);
}

Outcome TooLong(const QString& where) {
    return Fail(QStringLiteral("%1 holds a text of more than %2 characters, more than a workbook cell may hold.")
                    .arg(where)
                    .arg(kCellMaxText));
}

// "AB12" -> column 28, row 12; false when it is no cell reference.
bool ParseReference(QStringView ref, long long& row, long long& column) {
    qsizetype i = 0;
    column = 0;
    while (i < ref.size() && ref[i].isLetter()) {
        char16_t ch = ref[i].toUpper().unicode();
        if (ch < u'A' || ch > u'Z') return false;
        column = column * 26 + (ch - u'A' + 1);
        if (column > kSheetMaxColumn) return false;
        ++i;
    }
    if (i == 0) return false;
    row = 0;
    if (i == ref.size()) return true;  // a column without row: the row element says
    for (; i < ref.size(); ++i) {
        if (!ref[i].isDigit()) return false;
        row = row * 10 + ref[i].digitValue();
        if (row > kSheetMaxRow) return false;
    }
    return true;
}

// Days since 30 December 1899, as the workbook stores dates.
std::optional<double> DateSerial(const QString& iso) {
    QDateTime t = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!t.isValid()) {
        QDate d = QDate::fromString(iso, Qt::ISODate);
        if (!d.isValid()) return std::nullopt;
        t = QDateTime(d, QTime(0, 0), Qt::UTC);
    }
    t.setTimeSpec(Qt::UTC);
    QDateTime base(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    return static_cast<double>(base.msecsTo(t)) / 86400000.0;
}

}  // namespace

// Fills a Worksheet from a sheet part.
class SheetParser {
public:
    SheetParser(Worksheet& ws, const QString& sheet) : ws_(ws), sheet_(sheet) {
        shared_ = ws_.shared_ ? ws_.shared_.get() : nullptr;
    }

    Outcome run(QXmlStreamReader& xml) {
        long long row = 0;
        bool inRow = false;
        long long column = 0;
        while (More(xml)) {
            xml.readNext();
            if (xml.isStartElement()) {
                QStringView name = xml.name();
                if (name == u"row") {
                    const QXmlStreamAttributes attrs = xml.attributes();
                    QStringView r = LocalAttribute(attrs, u"r");
                    long long next = row + 1;
                    if (!r.isEmpty()) {
                        bool ok = false;
                        next = r.toLongLong(&ok);
                        if (!ok) next = 0;
                    }
                    if (next < 1 || next > kSheetMaxRow) return damaged(xml, QStringLiteral("a row number out of range"));
                    row = next;
                    column = 0;
                    inRow = true;
                    startRow(row);
                } else if (name == u"c" && inRow) {
                    Outcome o = readCell(xml, row, column);
                    if (!o) return o;
                }
            } else if (xml.isEndElement() && xml.name() == u"row") {
                inRow = false;
                endRow();
            }
        }
        endRow();
        finish();
        return Outcome::Ok();
    }

private:
    Outcome damaged(QXmlStreamReader& xml, const QString& what) {
        return Fail(QStringLiteral("The sheet %1 is damaged: %2 (line %3).").arg(Quoted(sheet_), what).arg(xml.lineNumber()));
    }

    QString cellName(long long row, long long column) const {
        QString letters;
        for (long long c = column; c > 0; c = (c - 1) / 26) letters.prepend(QChar(static_cast<char16_t>(u'A' + (c - 1) % 26)));
        return QStringLiteral("Cell %1%2 of the sheet %3").arg(letters).arg(row).arg(Quoted(sheet_));
    }

    Outcome readCell(QXmlStreamReader& xml, long long row, long long& column) {
        QXmlStreamAttributes attrs = xml.attributes();
        QStringView ref = LocalAttribute(attrs, u"r");
        long long refRow = 0, refColumn = column + 1;
        if (!ref.isEmpty() && !ParseReference(ref, refRow, refColumn))
            return damaged(xml, QStringLiteral("the cell reference %1").arg(ref.toString()));
        if (refColumn > kSheetMaxColumn) return damaged(xml, QStringLiteral("a column beyond the last"));
        column = refColumn;
        const QStringView type = LocalAttribute(attrs, u"t");

        QString& value = value_;
        value.resize(0);
        QString inlineText;
        bool hasValue = false, hasInline = false;
        while (More(xml)) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == u"v") {
                    AppendElementText(xml, value);
                    hasValue = true;
                } else if (xml.name() == u"is") {
                    inlineText = ReadStringItem(xml);
                    hasInline = true;
                } else {
                    xml.skipCurrentElement();  // formula text, extensions
                }
            } else if (xml.isEndElement() && xml.name() == u"c") {
                break;
            }
        }
        if (xml.hasError()) return Outcome::Ok();  // reported by the caller

        Worksheet::Cell cell{static_cast<int32_t>(column), CellValue::Kind::Empty, 0, 0};
        if (type == u"s") {
            if (!hasValue) return Outcome::Ok();
            bool ok = false;
            long long index = QStringView(value).trimmed().toLongLong(&ok);
            if (!shared_)
                return Fail(QStringLiteral("%1 refers to the workbook's table of shared texts, which is missing: "
                                           "the workbook is damaged.")
                                .arg(cellName(row, column)));
            if (!ok || index < 0 || index >= static_cast<long long>(shared_->size()))
                return Fail(QStringLiteral("%1 refers to a shared text the workbook does not hold: the workbook is "
                                           "damaged.")
                                .arg(cellName(row, column)));
            cell.kind = CellValue::Kind::Text;
            cell.text = static_cast<int32_t>(index);
        } else if (type == u"inlineStr" || type == u"str" || type == u"e") {
            QString text = type == u"inlineStr" ? (hasInline ? inlineText : DecodeEscapes(value)) : DecodeEscapes(value);
            if (type == u"inlineStr" && !hasInline && !hasValue) return Outcome::Ok();
            if (type == u"str" && !hasValue) return Outcome::Ok();
            if (text.size() > kCellMaxText) return TooLong(cellName(row, column));
            cell.kind = type == u"e" ? CellValue::Kind::Error : CellValue::Kind::Text;
            cell.text = ownText(std::move(text));
        } else if (type == u"b") {
            if (!hasValue) return Outcome::Ok();
            cell.kind = CellValue::Kind::Bool;
            cell.number = QStringView(value).trimmed() == u"1" ? 1 : 0;
        } else if (type == u"d") {
            if (!hasValue) return Outcome::Ok();
            if (std::optional<double> serial = DateSerial(value.trimmed())) {
                cell.kind = CellValue::Kind::Number;
                cell.number = *serial;
            } else {
                cell.kind = CellValue::Kind::Text;
                cell.text = ownText(value);
            }
        } else {
            if (!hasValue) return Outcome::Ok();  // a formatted cell without a value
            bool ok = false;
            double v = QStringView(value).trimmed().toDouble(&ok);
            if (!ok) return damaged(xml, QStringLiteral("%1 holds no number").arg(cellName(row, column)));
            cell.kind = CellValue::Kind::Number;
            cell.number = v;
        }
        if (ws_.cells_.size() >= kWorkbookMaxValues)
            return Fail(QStringLiteral("The sheet %1 holds more than %2 values; it cannot be read.")
                            .arg(Quoted(sheet_))
                            .arg(kWorkbookMaxValues));
        ws_.cells_.push_back(cell);
        return Outcome::Ok();
    }

    int32_t ownText(QString text) {
        ws_.own_.push_back(std::move(text));
        return -static_cast<int32_t>(ws_.own_.size());
    }

    void startRow(long long row) {
        endRow();
        rowStart_ = static_cast<uint32_t>(ws_.cells_.size());
        currentRow_ = static_cast<int32_t>(row);
    }

    void endRow() {
        if (currentRow_ == 0) return;
        auto first = ws_.cells_.begin() + rowStart_;
        auto byColumn = [](const Worksheet::Cell& a, const Worksheet::Cell& b) { return a.column < b.column; };
        if (!std::is_sorted(first, ws_.cells_.end(), byColumn)) std::stable_sort(first, ws_.cells_.end(), byColumn);
        if (ws_.cells_.size() > rowStart_)
            ws_.rows_.push_back({currentRow_, rowStart_, static_cast<uint32_t>(ws_.cells_.size())});
        currentRow_ = 0;
    }

    void finish() {
        auto byRow = [](const Worksheet::Row& a, const Worksheet::Row& b) { return a.row < b.row; };
        if (!std::is_sorted(ws_.rows_.begin(), ws_.rows_.end(), byRow))
            std::stable_sort(ws_.rows_.begin(), ws_.rows_.end(), byRow);
        ws_.cells_.shrink_to_fit();
        ws_.rows_.shrink_to_fit();
    }

    Worksheet& ws_;
    QString value_;  // the cell's <v>, its buffer kept from cell to cell
    QString sheet_;
    const std::vector<QString>* shared_;
    uint32_t rowStart_ = 0;
    int32_t currentRow_ = 0;
};

CellValue Worksheet::cell(long long row, long long column) const {
    CellValue out;
    auto r = std::lower_bound(rows_.begin(), rows_.end(), row,
                              [](const Row& a, long long want) { return a.row < want; });
    if (r == rows_.end() || r->row != row) return out;
    auto first = cells_.begin() + r->begin, last = cells_.begin() + r->end;
    auto c = std::lower_bound(first, last, column, [](const Cell& a, long long want) { return a.column < want; });
    if (c == last || c->column != column) return out;
    out.kind = c->kind;
    out.number = c->number;
    if (c->kind == CellValue::Kind::Text || c->kind == CellValue::Kind::Error) {
        if (c->text >= 0)
            out.text = (*shared_)[static_cast<std::size_t>(c->text)];
        else
            out.text = own_[static_cast<std::size_t>(-1 - c->text)];
    }
    return out;
}

std::unique_ptr<Workbook> Workbook::Open(const QString& path, Outcome& outcome) {
    const QString shown = Quoted(QFileInfo(path).fileName());
    Package pkg(path);
    outcome = pkg.open(shown);
    if (!outcome) return nullptr;

    Relations root;
    outcome = ReadRelations(pkg, QString(), root);
    if (!outcome) return nullptr;
    QString workbookPart = root.byType.value(QStringLiteral("officeDocument"));
    if (workbookPart.isEmpty() || pkg.find(workbookPart).isEmpty()) workbookPart = QStringLiteral("xl/workbook.xml");
    if (pkg.find(workbookPart).isEmpty()) {
        outcome = Fail(QStringLiteral("The file %1 is a zip archive but holds no Excel workbook.").arg(shown));
        return nullptr;
    }

    Relations rels;
    outcome = ReadRelations(pkg, workbookPart, rels);
    if (!outcome) return nullptr;

    std::unique_ptr<Workbook> wb(new Workbook);
    wb->path_ = path;
    QStringList ids;
    outcome = pkg.parse(pkg.find(workbookPart), QStringLiteral("sheet list"), [&](QXmlStreamReader& xml) {
        while (More(xml)) {
            xml.readNext();
            if (!xml.isStartElement()) continue;
            if (xml.name() == u"sheet") {
                QXmlStreamAttributes a = xml.attributes();
                wb->names_ << LocalAttribute(a, u"name").toString();
                ids << LocalAttribute(a, u"id").toString();
            } else if (xml.name() == u"workbookView") {
                const QXmlStreamAttributes a = xml.attributes();
                QStringView tab = LocalAttribute(a, u"activeTab");
                if (!tab.isEmpty()) wb->active_ = tab.toInt();
            }
        }
        return Outcome::Ok();
    });
    if (!outcome) return nullptr;
    if (wb->names_.isEmpty()) {
        outcome = Fail(QStringLiteral("The workbook %1 holds no sheet.").arg(shown));
        return nullptr;
    }
    if (wb->active_ < 0 || wb->active_ >= wb->names_.size()) wb->active_ = 0;
    for (const QString& id : ids) wb->parts_ << pkg.find(rels.byId.value(id));

    QString sharedPart = rels.byType.value(QStringLiteral("sharedStrings"));
    if (sharedPart.isEmpty()) sharedPart = PartFolder(workbookPart) + "sharedStrings.xml";
    QString sharedEntry = pkg.find(sharedPart);
    if (!sharedEntry.isEmpty()) {
        auto table = std::make_shared<std::vector<QString>>();
        outcome = pkg.parse(sharedEntry, QStringLiteral("table of shared texts"), [&](QXmlStreamReader& xml) {
            while (More(xml)) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"sst") {
                    const QXmlStreamAttributes a = xml.attributes();
                    int count = LocalAttribute(a, u"uniqueCount").toInt();
                    if (count > 0) table->reserve(std::min(count, 1 << 22));
                } else if (xml.isStartElement() && xml.name() == u"si") {
                    if (table->size() >= kWorkbookMaxValues)
                        return Fail(QStringLiteral("The workbook %1 holds more than %2 shared texts; it cannot be read.")
                                        .arg(shown)
                                        .arg(kWorkbookMaxValues));
                    table->push_back(ReadStringItem(xml));
                    if (table->back().size() > kCellMaxText)
                        return TooLong(QStringLiteral("The workbook %1").arg(shown));
                }
            }
            return Outcome::Ok();
        });
        if (!outcome) return nullptr;
        wb->shared_ = std::move(table);
    }
    outcome = Outcome::Ok();
    return wb;
}

Outcome Workbook::loadSheet(int index, Worksheet& out) const {
    out = Worksheet();
    if (index < 0 || index >= names_.size()) return Fail(QStringLiteral("The workbook has no sheet %1.").arg(index + 1));
    const QString& part = parts_[index];
    if (part.isEmpty())
        return Fail(QStringLiteral("The sheet %1 is missing from the archive: the workbook is damaged.")
                        .arg(Quoted(names_[index])));
    Package pkg(path_);
    Outcome o = pkg.open(Quoted(QFileInfo(path_).fileName()));
    if (!o) return o;
    Worksheet ws;
    ws.shared_ = shared_;
    SheetParser parser(ws, names_[index]);
    o = pkg.parse(part, QStringLiteral("sheet %1").arg(Quoted(names_[index])),
                  [&](QXmlStreamReader& xml) { return parser.run(xml); });
    if (!o) return o;
    out = std::move(ws);
    return Outcome::Ok();
}

QString XmlSafeText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out += text[i];
            out += text[++i];
            continue;
        }
        bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
        if (allowed) out += text[i];
    }
    return out;
}

namespace {

// Excel refuses these sheet names; the reason is the user's message.
QString SheetNameProblem(const QString& name) {
    if (name.size() > 31) return QStringLiteral("a sheet name has at most 31 characters");
    for (QChar c : name)
        if (QStringLiteral("[]:*?/\\").contains(c)) return QStringLiteral("a sheet name may not hold [ ] : * ? / or \\");
    if (name.startsWith('\'') || name.endsWith('\''))
        return QStringLiteral("a sheet name may not begin or end with an apostrophe");
    if (name.compare(QStringLiteral("History"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("the name History is reserved");
    return {};
}

QString ColumnLetters(int column) {
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26) letters.prepend(QChar(static_cast<char16_t>(u'A' + (c - 1) % 26)));
    return letters;
}

// Little-endian, as the writer reads it.
void AppendU32(QByteArray& out, uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v >> 16 & 0xFF),
                       static_cast<char>(v >> 24 & 0xFF)};
    out.append(b, 4);
}

void AppendText(QByteArray& out, const QByteArray& utf8) {
    AppendU32(out, static_cast<uint32_t>(utf8.size()));
    out.append(utf8);
}

// Hands the description to the writer in large pieces and waits while the
// pipe takes them; false once the writer has stopped taking input.
bool Feed(QProcess& writer, QByteArray& pending) {
    if (pending.isEmpty()) return true;
    if (writer.write(pending) != pending.size()) return false;
    pending.clear();
    while (writer.bytesToWrite() > 0)
        if (!writer.waitForBytesWritten(-1)) return false;
    return true;
}

// A new file's mode as this process would give it; a replaced file keeps its own.
mode_t ModeFor(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

QString WorkbookWriterTool() {
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("vidoduv-xlsx.exe");
#else
    const QString name = QStringLiteral("vidoduv-xlsx");
#endif
    // A program without an application object still finds its own folder.
    const QString folder = QCoreApplication::instance()
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    return folder + '/' + name;
}

Outcome WriteTextWorkbook(const QString& path, const QString& sheetName, int rows, int columns,
                          const std::function<QString(int row, int column)>& text) {
    return WriteTextWorkbookWith(WorkbookWriterTool(), path, sheetName, rows, columns, text);
}

Outcome WriteTextWorkbookWith(const QString& tool, const QString& path, const QString& sheetName, int rows,
                              int columns, const std::function<QString(int row, int column)>& text) {
    const QString shown = Quoted(QDir::toNativeSeparators(path));
    if (rows > kSheetMaxRow || columns > kSheetMaxColumn)
        return Fail(QStringLiteral("%1 rows and %2 columns do not fit on a sheet.").arg(rows).arg(columns));
    rows = std::max(rows, 0);
    columns = std::max(columns, 0);
    const QString name = XmlSafeText(sheetName).isEmpty() ? QStringLiteral("Sheet1") : XmlSafeText(sheetName);
    if (QString why = SheetNameProblem(name); !why.isEmpty())
        return Fail(QStringLiteral("The sheet cannot be named %1: %2.").arg(Quoted(sheetName), why));

    QFileInfo target(path);
    std::string temp = (QFile::encodeName(target.absolutePath() + "/." + target.fileName()) + ".XXXXXX").toStdString();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return Fail(QStringLiteral("%1 cannot be written: %2.").arg(shown, QString::fromStdString(FileErrorText(errno))));
    ::fchmod(fd, ModeFor(path));
    ::close(fd);
    const QString tempPath = QFile::decodeName(temp.c_str());
    auto failWith = [&](const QString& why) {
        QFile::remove(tempPath);
        return Fail(QStringLiteral("%1 cannot be written: %2.").arg(shown, why));
    };

    QProcess writer;
    writer.setProgram(tool);
    writer.setArguments({tempPath});
    writer.setProcessChannelMode(QProcess::SeparateChannels);
    writer.setStandardOutputFile(QProcess::nullDevice());
    writer.start();
    if (!writer.waitForStarted(-1))
        return failWith(QStringLiteral("the workbook writer %1 cannot be started (%2)")
                            .arg(Quoted(QDir::toNativeSeparators(tool)), writer.errorString()));

    QByteArray pending;
    pending.reserve(1 << 20);
    pending.append("VDXLSX1\n");
    AppendText(pending, name.toUtf8());
    AppendU32(pending, static_cast<uint32_t>(rows));
    AppendU32(pending, static_cast<uint32_t>(columns));
    QString tooLong;
    bool fed = true;
    for (int r = 0; r < rows && fed && tooLong.isEmpty(); ++r) {
        for (int c = 0; c < columns && fed; ++c) {
            const QString cellText = XmlSafeText(text(r, c));
            if (cellText.size() > kCellMaxText) {
                tooLong = ColumnLetters(c + 1) + QString::number(r + 1);
                break;
            }
            AppendText(pending, cellText.toUtf8());
            if (pending.size() >= (1 << 20)) fed = Feed(writer, pending);
        }
    }
    if (tooLong.isEmpty() && fed) fed = Feed(writer, pending);
    if (!tooLong.isEmpty()) writer.kill();  // the half-fed workbook is not wanted
    writer.closeWriteChannel();
    writer.waitForFinished(-1);
    if (!tooLong.isEmpty())
        return failWith(QStringLiteral("cell %1 holds more than %2 characters").arg(tooLong).arg(kCellMaxText));
    if (writer.exitStatus() != QProcess::NormalExit)
        return failWith(QStringLiteral("the workbook writer stopped unexpectedly"));
    if (writer.exitCode() != 0 || !fed) {
        // Its first line says why; what a checker may add after it is not for the user.
        const QString said = QString::fromUtf8(writer.readAllStandardError()).section('\n', 0, 0).trimmed();
        return failWith(said.isEmpty() ? QStringLiteral("the workbook writer failed (exit code %1)").arg(writer.exitCode())
                                       : said);
    }

    QFile written(tempPath);
    if (!written.open(QIODevice::ReadWrite) || written.size() == 0)
        return failWith(QStringLiteral("the workbook writer left no workbook"));
    if (::fsync(written.handle()) != 0) return failWith(QString::fromStdString(FileErrorText(errno)));
    written.close();
    if (std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(path).constData()) != 0)
        return failWith(QString::fromStdString(FileErrorText(errno)));
    return Outcome::Ok();
}

bool OpenWorkbookInDesktop(const QString& path) {
    // Launching the desktop's opener succeeds even when no program takes the
    // file, so ask the desktop first whether one is registered.
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!query.isEmpty()) {
        QProcess p;
        p.start(query, {QStringLiteral("query"), QStringLiteral("default"),
                        QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished(1000);
            return false;
        }
        if (p.exitCode() != 0 || p.readAllStandardOutput().trimmed().isEmpty()) return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

}  // namespace vd
