// The two spreadsheet imports: pipe lines from the active sheet through the
// import frame's column map, and a whole project (lines, pipe sizes,
// criteria) from a workbook's "SEWER", "DIA" and "PROJECT" sheets. Both read
// the whole workbook before the project changes, so a file that cannot be
// read leaves the open project as it was.
#pragma once

#include <QString>
#include <array>
#include <string>

#include "engine/model.h"
#include "engine/outcome.h"
#include "platform/workbook.h"
#include "workspace/import_columns.h"

namespace vd {

// What the "Import  XLS" frame holds when "Import" is pressed.
struct ExcelLineSettings {
    std::array<std::string, kImportFields> column;  // Text5: sheet column of each field
    std::array<bool, kImportFields> ticked{};       // Check1
    std::string startRow = "2";                     // Text3 "Start import at row :"
    std::string textStart = "1";                    // Text4 "Start text at :"
};

// The frame's boxes as numbers, checked before anything is read.
struct ExcelLineColumns {
    std::array<int, kImportFields> column{};  // 0: field not ticked
    int endColumn = 1;                        // the From column, where the table's end is seen
    long long startRow = 2;
    int textStart = 1;
};
Outcome CheckExcelLineSettings(const ExcelLineSettings& s, ExcelLineColumns& out);

// The cell's value as text: numbers with up to 15 significant digits and a
// full stop, "True"/"False", texts as they are (Latin-1). False for an
// error cell, which has no text.
bool CellText(const CellValue& v, std::string& text);

// Starts a new project from the sheet's rows: resets the criteria,
// re-creates the line tables and fills them, logging rows that look wrong.
// The note of the outcome says why the import stopped early, if it did. A
// name holding a control character, or a text where a number belongs that
// is not one number, refuses the import, naming its cells on `sheetName`.
Outcome ImportExcelLines(Model& m, const Worksheet& sheet, const ExcelLineColumns& columns,
                         const std::string& sheetName = {});

// Opens the workbook at path and imports its active sheet, reading no
// further than the import will look. `progress` hears how far the read
// has come and may cancel it, which changes nothing.
Outcome ImportExcelLineFile(Model& m, const QString& path, const ExcelLineSettings& settings,
                            const WorkbookProgress& progress = {});

// Loads lines, pipe sizes and criteria from the workbook's "SEWER", "DIA"
// and "PROJECT" sheets (names compared without case or surrounding blanks).
// A failure changes nothing; a name holding a control character, or a text
// where a number belongs that is not one number, is one, naming its cells.
// On success the note lists cells that could not be converted and tables
// cut at their last row; empty when all went in.
Outcome ImportExcelWorkbook(Model& m, const Workbook& wb, const WorkbookProgress& progress = {});
Outcome ImportExcelWorkbookFile(Model& m, const QString& path, const WorkbookProgress& progress = {});

}  // namespace vd
