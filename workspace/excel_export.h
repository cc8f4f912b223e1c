// The grid's texts to a spreadsheet: a workbook of one sheet written to a
// file the user names, then opened in the desktop's spreadsheet program.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/outcome.h"
#include "engine/ui_sink.h"
#include "platform/dialogs.h"

namespace vd {

// The text of grid cell (row, column), Latin-1.
using GridTextMatrix = std::function<std::string(int row, int column)>;
// Opens a written workbook; false when nothing could open it.
using WorkbookOpener = std::function<bool(const QString& path)>;

// Sheet cell (r, c) gets grid cell (r - 1, c) and one blank, for r = 1 to
// rows and c = 1 to cols - 1: the title row comes along, the grid's number
// column 0 does not. A text that is a number goes in as a number, so sums
// and formulas work on it; other texts keep their blanks. The sheet is named
// `title` when it is not empty.
Outcome WriteGridWorkbook(const QString& path, const GridTextMatrix& grid, int rows, int cols,
                          const std::string& title);

// Asks where to save, writes the workbook and opens it; when no program
// opens it the status says where it is (the desktop opens it unless `open`
// is given). Failures show a message. `flag` is
// carried for callers and not used.
void FlexGrid_To_Excel(const GridTextMatrix& grid, int16_t rows, int16_t cols, int flag, const std::string& title,
                       Dialogs& dialogs, UiSink& ui, const WorkbookOpener& open = {});

}  // namespace vd
