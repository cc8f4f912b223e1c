// The spreadsheet layer: reads .xlsx workbooks (sheet names, the active
// sheet, cell values) and writes one sheet of text cells. A damaged or
// foreign file is refused with a sentence for the user, never half read.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/outcome.h"

namespace vd {

// The sheet bounds of the file format.
inline constexpr int kSheetMaxRow = 1048576;
inline constexpr int kSheetMaxColumn = 16384;
// The longest text a cell may hold.
inline constexpr int kCellMaxText = 32767;
// Values a sheet or the table of shared texts may hold before the file is
// refused: far beyond any network, well short of exhausting memory.
inline constexpr std::size_t kWorkbookMaxValues = std::size_t{1} << 25;

struct CellValue {
    enum class Kind : uint8_t { Empty, Number, Text, Bool, Error };
    Kind kind = Kind::Empty;
    double number = 0;  // Number; Bool as 1 or 0
    QString text;       // Text; the error code ("#DIV/0!") for Error

    bool isEmpty() const { return kind == Kind::Empty; }
    // Empty, or a text of no characters.
    bool isBlank() const { return kind == Kind::Empty || (kind == Kind::Text && text.isEmpty()); }
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
    std::shared_ptr<const std::vector<QString>> shared_;
    std::vector<QString> own_;
};

class Workbook {
public:
    // Reads the workbook's sheet list and shared texts. Refuses a file that
    // is not a readable .xlsx workbook with the reason in the outcome.
    static std::unique_ptr<Workbook> Open(const QString& path, Outcome& outcome);

    const QStringList& sheetNames() const { return names_; }
    // The sheet shown when the workbook was last saved (index into sheetNames()).
    int activeSheet() const { return active_; }
    // Reads sheet `index` completely; on failure `out` is left empty.
    Outcome loadSheet(int index, Worksheet& out) const;

private:
    Workbook() = default;
    QString path_;
    QStringList names_;
    QStringList parts_;  // zip entry of each sheet; empty when the archive lacks it
    int active_ = 0;
    std::shared_ptr<const std::vector<QString>> shared_;
};

// Writes a workbook of one sheet named `sheetName` (Excel's default name when
// empty) holding rows x columns text cells, text(row, column) counted from 0.
// Characters XML cannot carry are dropped. A program of its own writes the
// file beside `path`, which is then renamed over it, so a failure leaves any
// old file as it was and no other file behind.
Outcome WriteTextWorkbook(const QString& path, const QString& sheetName, int rows, int columns,
                          const std::function<QString(int row, int column)>& text);

// The same, written by the workbook writer program `tool` rather than the
// one beside the running executable.
Outcome WriteTextWorkbookWith(const QString& tool, const QString& path, const QString& sheetName, int rows,
                              int columns, const std::function<QString(int row, int column)>& text);

// The workbook writer program beside the running executable.
QString WorkbookWriterTool();

// Opens the workbook with the spreadsheet program the desktop has
// registered for .xlsx files; false when there is none or it cannot start.
bool OpenWorkbookInDesktop(const QString& path);

// Text without the characters XML 1.0 forbids.
QString XmlSafeText(const QString& text);

}  // namespace vd
