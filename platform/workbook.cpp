#include "platform/workbook.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <QDateTime>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

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

// Gathers the writer's many small pieces into large blocks for the archive,
// which pays per call.
class BlockDevice : public QIODevice {
public:
    explicit BlockDevice(QIODevice& out) : out_(out) { open(QIODevice::WriteOnly); }
    bool flushBlock() {
        bool ok = block_.isEmpty() || out_.write(block_) == block_.size();
        block_.clear();
        return ok && ok_;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        block_.append(data, size);
        if (block_.size() >= (1 << 20)) ok_ = flushBlock();
        return size;
    }

private:
    QIODevice& out_;
    QByteArray block_;
    bool ok_ = true;
};

bool AddPart(QuaZip& zip, const QString& name, const std::function<void(QXmlStreamWriter&)>& body) {
    QuaZipFile f(&zip);
    // Fast compression: the sheet is large and repetitive, so it packs well anyway.
    if (!f.open(QIODevice::WriteOnly, QuaZipNewInfo(name), nullptr, 0, Z_DEFLATED, 1)) return false;
    BlockDevice block(f);
    QXmlStreamWriter xml(&block);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    body(xml);
    xml.writeEndDocument();
    bool ok = block.flushBlock();
    f.close();
    return ok && !xml.hasError() && f.getZipError() == ZIP_OK;
}

const QString kMain = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QString kRel = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kPkgRel = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");

void Relationship(QXmlStreamWriter& xml, const QString& id, const QString& type, const QString& target) {
    xml.writeEmptyElement(QStringLiteral("Relationship"));
    xml.writeAttribute(QStringLiteral("Id"), id);
    xml.writeAttribute(QStringLiteral("Type"), type);
    xml.writeAttribute(QStringLiteral("Target"), target);
}

}  // namespace

Outcome WriteTextWorkbook(const QString& path, const QString& sheetName, int rows, int columns,
                          const std::function<QString(int row, int column)>& text) {
    const QString shown = Quoted(QDir::toNativeSeparators(path));
    if (rows > kSheetMaxRow || columns > kSheetMaxColumn)
        return Fail(QStringLiteral("%1 rows and %2 columns do not fit on a sheet.").arg(rows).arg(columns));
    const QString name = XmlSafeText(sheetName).isEmpty() ? QStringLiteral("Sheet1") : XmlSafeText(sheetName);
    if (QString why = SheetNameProblem(name); !why.isEmpty())
        return Fail(QStringLiteral("The sheet cannot be named %1: %2.").arg(Quoted(sheetName), why));

    QFileInfo target(path);
    QString tempPath;
    {
        QTemporaryFile temp(target.absolutePath() + "/." + target.fileName() + ".XXXXXX");
        temp.setAutoRemove(false);
        if (!temp.open()) return Fail(QStringLiteral("%1 cannot be written: %2.").arg(shown, temp.errorString()));
        tempPath = temp.fileName();
    }
    auto failWith = [&](const QString& why) {
        QFile::remove(tempPath);
        return Fail(QStringLiteral("%1 cannot be written: %2.").arg(shown, why));
    };

    QuaZip zip(tempPath);
    if (!zip.open(QuaZip::mdCreate)) return failWith(QStringLiteral("the archive cannot be created"));
    QString tooLong;
    bool ok =
        AddPart(zip, QStringLiteral("[Content_Types].xml"), [](QXmlStreamWriter& xml) {
            xml.writeStartElement(QStringLiteral("Types"));
            xml.writeDefaultNamespace(QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
            const std::pair<const char*, const char*> defaults[] = {
                {"rels", "application/vnd.openxmlformats-package.relationships+xml"}, {"xml", "application/xml"}};
            for (const auto& [ext, type] : defaults) {
                xml.writeEmptyElement(QStringLiteral("Default"));
                xml.writeAttribute(QStringLiteral("Extension"), ext);
                xml.writeAttribute(QStringLiteral("ContentType"), type);
            }
            const std::pair<const char*, const char*> overrides[] = {
                {"/xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"},
                {"/xl/worksheets/sheet1.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"}};
            for (const auto& [part, type] : overrides) {
                xml.writeEmptyElement(QStringLiteral("Override"));
                xml.writeAttribute(QStringLiteral("PartName"), part);
                xml.writeAttribute(QStringLiteral("ContentType"), type);
            }
            xml.writeEndElement();
        }) &&
        AddPart(zip, QStringLiteral("_rels/.rels"), [](QXmlStreamWriter& xml) {
            xml.writeStartElement(QStringLiteral("Relationships"));
            xml.writeDefaultNamespace(kPkgRel);
            Relationship(xml, QStringLiteral("rId1"), kRel + "/officeDocument", QStringLiteral("xl/workbook.xml"));
            xml.writeEndElement();
        }) &&
        AddPart(zip, QStringLiteral("xl/workbook.xml"), [&](QXmlStreamWriter& xml) {
            xml.writeStartElement(QStringLiteral("workbook"));
            xml.writeDefaultNamespace(kMain);
            xml.writeNamespace(kRel, QStringLiteral("r"));
            xml.writeStartElement(QStringLiteral("sheets"));
            xml.writeEmptyElement(QStringLiteral("sheet"));
            xml.writeAttribute(QStringLiteral("name"), name);
            xml.writeAttribute(QStringLiteral("sheetId"), QStringLiteral("1"));
            xml.writeAttribute(kRel, QStringLiteral("id"), QStringLiteral("rId1"));
            xml.writeEndElement();
            xml.writeEndElement();
        }) &&
        AddPart(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), [](QXmlStreamWriter& xml) {
            xml.writeStartElement(QStringLiteral("Relationships"));
            xml.writeDefaultNamespace(kPkgRel);
            Relationship(xml, QStringLiteral("rId1"), kRel + "/worksheet", QStringLiteral("worksheets/sheet1.xml"));
            xml.writeEndElement();
        }) &&
        AddPart(zip, QStringLiteral("xl/worksheets/sheet1.xml"), [&](QXmlStreamWriter& xml) {
            xml.writeStartElement(QStringLiteral("worksheet"));
            xml.writeDefaultNamespace(kMain);
            xml.writeStartElement(QStringLiteral("sheetData"));
            std::vector<QString> letters(static_cast<std::size_t>(std::max(columns, 0)));
            for (int c = 0; c < columns; ++c) letters[static_cast<std::size_t>(c)] = ColumnLetters(c + 1);
            for (int r = 0; r < rows && tooLong.isEmpty(); ++r) {
                const QString rowNumber = QString::number(r + 1);
                bool rowOpen = false;  // a row without cells is left out
                for (int c = 0; c < columns; ++c) {
                    const QString cellText = XmlSafeText(text(r, c));
                    if (cellText.isEmpty()) continue;
                    if (!rowOpen) {
                        xml.writeStartElement(QStringLiteral("row"));
                        xml.writeAttribute(QStringLiteral("r"), rowNumber);
                        rowOpen = true;
                    }
                    if (cellText.size() > kCellMaxText) {
                        tooLong = letters[static_cast<std::size_t>(c)] + rowNumber;
                        break;
                    }
                    xml.writeStartElement(QStringLiteral("c"));
                    xml.writeAttribute(QStringLiteral("r"), letters[static_cast<std::size_t>(c)] + rowNumber);
                    xml.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
                    xml.writeStartElement(QStringLiteral("is"));
                    xml.writeStartElement(QStringLiteral("t"));
                    // Blanks at either end belong to the text.
                    if (cellText.front().isSpace() || cellText.back().isSpace())
                        xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                    xml.writeCharacters(cellText);
                    xml.writeEndElement();
                    xml.writeEndElement();
                    xml.writeEndElement();
                }
                if (rowOpen) xml.writeEndElement();
            }
            xml.writeEndElement();
            xml.writeEndElement();
        });
    zip.close();
    if (!tooLong.isEmpty())
        return failWith(QStringLiteral("cell %1 holds more than %2 characters").arg(tooLong).arg(kCellMaxText));
    if (!ok || zip.getZipError() != ZIP_OK) return failWith(QStringLiteral("the disk refused the data"));
    if (std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(path).constData()) != 0)
        return failWith(QString::fromLocal8Bit(std::strerror(errno)));
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
