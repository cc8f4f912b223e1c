// The spreadsheet layer: reads .xlsx workbooks (sheet names, the active
// sheet, cell values; workbook_reader.cpp) and writes one sheet of cells
// (workbook_writer.cpp). A damaged or foreign file is refused with a
// sentence for the user, never half read; reading streams the archive and
// stops at the bounds below as they are met.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/outcome.h"

namespace vd {

// The sheet bounds of the file format.
inline constexpr int kSheetMaxRow = 1048576;
inline constexpr int kSheetMaxColumn = 16384;
// The longest text a cell may hold.
inline constexpr int kCellMaxText = 32767;
// Values a sheet or the table of shared texts may hold, and characters of
// text in all, before the file is refused: beyond any network ("Set EXCEL"
// of the results writes 1.7 million values for the largest), and together
// well short of 200 MB however the file was made.
inline constexpr std::size_t kWorkbookMaxValues = std::size_t{1} << 21;
inline constexpr std::size_t kWorkbookMaxTextChars = std::size_t{1} << 24;
// The longest text between two tags, and the longest tag, comment, CDATA
// section or processing instruction, in bytes of a part: a cell's text
// written out at its longest fits many times; more is a file built to
// exhaust memory.
inline constexpr std::size_t kWorkbookMaxMarkupRun = std::size_t{1} << 20;
// Attributes one tag may carry, and namespaces declared at once: each
// attribute of a tag is checked against the others and each prefix looked
// up through the namespaces in force; a workbook's tags carry thirty at
// most, and its parts declare a dozen or two namespaces.
inline constexpr int kWorkbookMaxAttributes = 64;
inline constexpr int kWorkbookMaxNamespaces = 64;
// The longest namespace address (URI) a part may declare, in bytes: a
// workbook's are under 100; those in force are kept and compared with each
// other as they are declared.
inline constexpr std::size_t kWorkbookMaxNamespaceUri = 2048;
// How deep elements may nest: a workbook's parts nest a dozen deep at most;
// the XML parser keeps every open element.
inline constexpr int kWorkbookMaxDepth = 256;
// What the XML parser may hold while it reads one part: it keeps every
// distinct element and attribute name the part uses, where a workbook's
// part uses a few dozen and the parser a megabyte or two.
inline constexpr std::size_t kWorkbookMaxParserMemory = std::size_t{32} << 20;
// Bytes of XML all reads from one workbook may unpack: "Set EXCEL" of the
// results writes 62 MB for the most lines the tables take, and this much,
// however it is marked up, reads in under five seconds.
inline constexpr long long kWorkbookMaxXmlBytes = 72LL << 20;
// Tags, attributes, comments, CDATA sections and instructions all reads
// from one workbook may parse: the reading time goes by these more than by
// bytes (a megabyte of empty tags takes longer than 72 MB of text).
// "Set EXCEL" of the results writes 6.38 million for the most lines the
// tables take.
inline constexpr long long kWorkbookMaxMarkup = 8LL << 20;
// Sheets a workbook may list: each is read on its own, and a list of
// millions costs memory before any is read.
inline constexpr int kWorkbookMaxSheets = 4096;

// The sentence of a read the user cancelled.
inline constexpr const char* kWorkbookReadCancelled = "The workbook was not read: cancelled.";

struct CellValue {
    enum class Kind : uint8_t { Empty, Number, Text, Bool, Error };
    Kind kind = Kind::Empty;
    double number = 0;  // Number; Bool as 1 or 0
    QString text;       // Text; the error code ("#DIV/0!") for Error

    bool isEmpty() const { return kind == Kind::Empty; }
    // Empty, or a text of no characters.
    bool isBlank() const { return kind == Kind::Empty || (kind == Kind::Text && text.isEmpty()); }
};

// The workbook's table of shared texts, one buffer for all of them.
struct SharedTexts {
    QString chars;
    std::vector<qsizetype> ends;  // text i is chars[ends[i-1], ends[i])
    std::size_t size() const { return ends.size(); }
    QString at(std::size_t i) const {
        const qsizetype from = i == 0 ? 0 : ends[i - 1];
        return chars.mid(from, ends[i] - from);
    }
};

// One sheet's cells, rows and columns counted from 1. Only cells holding a
// value are kept, so a sparse sheet costs little.
class Worksheet {
public:
    // First and last row holding a value; 0 for a sheet without values.
    int firstRow() const { return rows_.empty() ? 0 : rows_.front().row; }
    int lastRow() const { return rows_.empty() ? 0 : rows_.back().row; }
    // Rows of the used range: first to last row holding a value.
    int usedRowCount() const { return rows_.empty() ? 0 : lastRow() - firstRow() + 1; }
    // The cell at (row, column); Empty outside the sheet or where nothing is stored.
    CellValue cell(long long row, long long column) const;
    // The read stopped before the sheet's end because the reader had enough.
    bool cut() const { return cut_; }

private:
    friend class SheetParser;
    friend class Workbook;
    struct Cell {
        int32_t column;
        CellValue::Kind kind;
        int32_t text;  // >= 0 shared text index, < 0 own text -1 - index
        double number;
    };
    struct Row {
        int32_t row;
        uint32_t begin, end;  // cells_[begin, end), sorted by column
    };
    std::vector<Row> rows_;
    std::vector<Cell> cells_;
    std::shared_ptr<const SharedTexts> shared_;
    SharedTexts own_;  // texts of the sheet's own cells
    bool cut_ = false;
};

// Told how far a read has unpacked its part: bytes so far and in all (0 when
// the archive does not say). False cancels the read.
using WorkbookProgress = std::function<bool(long long done, long long total)>;

// What a sheet read keeps, when it may stop, and whom it tells.
struct SheetReadOptions {
    // Cells right of this column are not kept.
    int lastColumn = kSheetMaxColumn;
    // Asked after each row; false ends the read with the rows read so far.
    std::function<bool(const Worksheet&)> keepReading;
    WorkbookProgress progress;
};

// What all reads of one workbook may still unpack and parse.
struct WorkbookReadBudget {
    long long xmlBytes = kWorkbookMaxXmlBytes;
    long long markup = kWorkbookMaxMarkup;
};

// The archive's entries, found once for all reads of a workbook.
class PackageIndex;

class Workbook {
public:
    // Reads the workbook's sheet list and shared texts. Refuses a file that
    // is not a readable .xlsx workbook with the reason in the outcome.
    static std::unique_ptr<Workbook> Open(const QString& path, Outcome& outcome, const WorkbookProgress& progress = {});

    const QStringList& sheetNames() const { return names_; }
    // The sheet shown when the workbook was last saved (index into sheetNames()).
    int activeSheet() const { return active_; }
    // Reads sheet `index`, streaming, as far as the options let it; on
    // failure `out` is left empty.
    Outcome loadSheet(int index, Worksheet& out, const SheetReadOptions& options = {}) const;

private:
    Workbook() = default;
    QString path_;
    mutable WorkbookReadBudget budget_;  // shared by all reads
    std::shared_ptr<const PackageIndex> index_;
    QStringList names_;
    QStringList parts_;  // zip entry of each sheet; empty when the archive lacks it
    int active_ = 0;
    std::shared_ptr<const SharedTexts> shared_;
};

// How the writer takes a cell's text.
enum class CellTyping {
    Text,     // every cell a text
    Numbers,  // a text that is a number becomes a numeric cell, as typed into the spreadsheet
};

// The number a cell's text stands for when typed: blanks around a decimal
// number ("12.50 ", "-3", "1E-05"); nullopt for text, and for a number whose
// cell would not give the same text back (leading zeros, more than 15
// digits), so names such as "007" stay names.
std::optional<double> CellTextNumber(std::string_view text);

// Writes a workbook of one sheet named `sheetName` (the spreadsheet's
// default name when empty) holding rows x columns cells, the UTF-8 text of
// cell (row, column), counted from 0, put into `utf8` by `text`. Empty
// texts leave the cell out; characters XML cannot carry are dropped. The
// file is written beside `path` and renamed over it, so a failure leaves any
// old file as it was and no other file behind.
using CellTextSource = std::function<void(int row, int column, std::string& utf8)>;
Outcome WriteWorkbook(const QString& path, const QString& sheetName, int rows, int columns, const CellTextSource& text,
                      CellTyping typing = CellTyping::Text);

// The same with the texts as QStrings.
Outcome WriteTextWorkbook(const QString& path, const QString& sheetName, int rows, int columns,
                          const std::function<QString(int row, int column)>& text,
                          CellTyping typing = CellTyping::Text);

// Opens the workbook with the spreadsheet program the desktop has
// registered for .xlsx files; false when there is none or it cannot start.
bool OpenWorkbookInDesktop(const QString& path);

// Text without the characters XML 1.0 forbids.
QString XmlSafeText(const QString& text);

}  // namespace vd
