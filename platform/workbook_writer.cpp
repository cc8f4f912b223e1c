// The writing half of the spreadsheet layer: one sheet of cells written by
// libxlsxwriter and put in place through the one atomic save, the texts a
// cell may carry, and the hand-over of a written workbook to the desktop's
// spreadsheet program. The reading half is workbook_reader.cpp.
#include "platform/workbook.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "engine/atomic_save.h"
#include "engine/number_text.h"

namespace vd {

namespace {

QString Quoted(const QString& s) { return QStringLiteral("\"%1\"").arg(s); }

Outcome Fail(const QString& text) { return Outcome::Fail(text.toStdString()); }

}  // namespace

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

// Drops what XML 1.0 cannot carry from UTF-8 text: control characters but
// tab, line feed and carriage return, and bytes that are no UTF-8.
void KeepXmlSafe(std::string& utf8) {
    bool plain = true;
    for (unsigned char c : utf8)
        if (c < 0x20 || c >= 0x80) {
            plain = false;
            break;
        }
    if (plain) return;
    const QString safe = XmlSafeText(QString::fromUtf8(utf8));
    utf8 = safe.toUtf8().toStdString();
}

// Characters of UTF-8 text.
std::size_t Utf8Length(const std::string& utf8) {
    std::size_t n = 0;
    for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
    return n;
}

// Frees a workbook that was not closed, so a refused sheet leaves no leak.
struct OpenBook {
    lxw_workbook* wb = nullptr;
    ~OpenBook() {
        if (wb) lxw_workbook_free(wb);
    }
};

}  // namespace

std::optional<double> CellTextNumber(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && text[first] == ' ') ++first;
    while (last > first && text[last - 1] == ' ') --last;
    const std::string_view t = text.substr(first, last - first);
    if (t.empty() || t.size() > 40) return std::nullopt;
    const std::optional<double> number = NumberOfText(t);
    if (!number) return std::nullopt;
    const double v = *number;
    // A plain decimal without leading zeros and with at most 15 digits, or
    // the very text the cell gives back: the line import then reads the
    // same text, and names such as "007" or "1E5" stay names.
    std::size_t i = t[0] == '-' ? 1 : 0, digits = 0, point = 0;
    bool plain = i < t.size() && (t[i] != '0' || i + 1 == t.size() || t[i + 1] == '.');
    for (std::size_t k = i; plain && k < t.size(); ++k) {
        if (t[k] == '.')
            plain = ++point == 1 && k + 1 < t.size() && k > i;
        else if (t[k] >= '0' && t[k] <= '9')
            digits += digits > 0 || t[k] != '0';
        else
            plain = false;
    }
    if (plain && digits <= 15) return v == 0 ? 0.0 : v;
    // 15 digits as the spreadsheet shows them ("%.15G" in the C locale),
    // whatever the user's locale.
    if (t == GeneralNumberText(v, 15)) return v == 0 ? 0.0 : v;
    return std::nullopt;
}

Outcome WriteWorkbook(const QString& path, const QString& sheetName, int rows, int columns, const CellTextSource& text,
                      CellTyping typing) {
    const QString shown = Quoted(QDir::toNativeSeparators(path));
    if (rows > kSheetMaxRow || columns > kSheetMaxColumn)
        return Fail(QStringLiteral("%1 rows and %2 columns do not fit on a sheet.").arg(rows).arg(columns));
    rows = std::max(rows, 0);
    columns = std::max(columns, 0);
    const QString name = XmlSafeText(sheetName).isEmpty() ? QStringLiteral("Sheet1") : XmlSafeText(sheetName);
    if (QString why = SheetNameProblem(name); !why.isEmpty())
        return Fail(QStringLiteral("The sheet cannot be named %1: %2.").arg(Quoted(sheetName), why));

    // The workbook library writes to a file of its own naming; the finished
    // workbook then goes to its place through the one atomic save.
    const std::string target = QFile::encodeName(path).toStdString();
    AtomicFileWriter out;
    (void)out.Open(target);
    auto failWith = [&](const QString& why) { return Fail(QStringLiteral("%1 cannot be written: %2.").arg(shown, why)); };
    if (int err = 0; !out.isOpen()) {
        (void)out.Commit(&err);  // says why the temporary file could not be made
        return failWith(QString::fromStdString(FileErrorText(err)));
    }
    const QByteArray tempDir = QFile::encodeName(QDir::tempPath());
    std::string temp = (tempDir + "/vidoduv-workbook.XXXXXX").toStdString();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return failWith(QString::fromStdString(FileErrorText(errno)));
    ::close(fd);
    struct RemoveTemp {
        std::string path;
        ~RemoveTemp() { ::unlink(path.c_str()); }
    } removeTemp{temp};

    // Rows go out in order, so the library need not hold the sheet in memory.
    const CNumbers plainNumbers;  // the workbook library prints numbers with printf
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(tempDir.constData());
    OpenBook book;
    book.wb = workbook_new_opt(temp.c_str(), &options);
    if (!book.wb) return failWith(QStringLiteral("out of memory"));
    const QByteArray sheetUtf8 = name.toUtf8();
    lxw_worksheet* sheet = workbook_add_worksheet(book.wb, sheetUtf8.constData());
    if (!sheet) return failWith(QStringLiteral("the sheet %1 cannot be added").arg(Quoted(name)));

    std::string cell;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            cell.clear();
            text(r, c, cell);
            if (cell.empty()) continue;
            if (typing == CellTyping::Numbers) {
                if (std::optional<double> v = CellTextNumber(cell)) {
                    if (worksheet_write_number(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), *v,
                                               nullptr) != LXW_NO_ERROR)
                        return failWith(QStringLiteral("cell %1%2 cannot be written").arg(ColumnLetters(c + 1)).arg(r + 1));
                    continue;
                }
            }
            KeepXmlSafe(cell);
            if (cell.empty()) continue;
            if (Utf8Length(cell) > static_cast<std::size_t>(kCellMaxText))
                return failWith(QStringLiteral("cell %1%2 holds more than %3 characters")
                                    .arg(ColumnLetters(c + 1))
                                    .arg(r + 1)
                                    .arg(kCellMaxText));
            if (lxw_error e = worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                                     cell.c_str(), nullptr);
                e != LXW_NO_ERROR)
                return failWith(QStringLiteral("cell %1%2 cannot be written: %3")
                                    .arg(ColumnLetters(c + 1))
                                    .arg(r + 1)
                                    .arg(QString::fromUtf8(lxw_strerror(e))));
        }
    }

    lxw_workbook* wb = book.wb;
    book.wb = nullptr;  // closing frees it, whatever the outcome
    errno = 0;
    if (lxw_error e = workbook_close(wb); e != LXW_NO_ERROR) {
        const int err = errno;
        return failWith(err != 0 ? QString::fromStdString(FileErrorText(err)) : QString::fromUtf8(lxw_strerror(e)));
    }
    QFile written(QFile::decodeName(temp.c_str()));
    if (!written.open(QIODevice::ReadOnly) || written.size() == 0)
        return failWith(QStringLiteral("the workbook writer left no workbook"));
    char chunk[1 << 16];
    for (qint64 n; (n = written.read(chunk, sizeof chunk)) > 0;) out.Write(std::string_view(chunk, static_cast<std::size_t>(n)));
    if (!written.atEnd()) return failWith(QStringLiteral("the written workbook cannot be read back"));
    if (int err = 0; !out.Commit(&err)) return failWith(QString::fromStdString(FileErrorText(err)));
    return Outcome::Ok();
}

Outcome WriteTextWorkbook(const QString& path, const QString& sheetName, int rows, int columns,
                          const std::function<QString(int row, int column)>& text, CellTyping typing) {
    return WriteWorkbook(
        path, sheetName, rows, columns, [&](int r, int c, std::string& utf8) { utf8 = text(r, c).toUtf8().toStdString(); },
        typing);
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
