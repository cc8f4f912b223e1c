// Copying the grid shown into a new workbook.
#pragma once

#include <cstdint>
#include <string>

#include "engine/outcome.h"

namespace vd {

class FlexGrid;

// Sheet cell (r, c) takes grid cell (r - 1, c) and a blank, for rows 1..rows
// and columns 1..cols - 1; a title that is not empty names the sheet.
Outcome FlexGrid_To_Excel(const FlexGrid& grid, int16_t rows, int16_t cols, int16_t flag, const std::string& title);

}  // namespace vd
