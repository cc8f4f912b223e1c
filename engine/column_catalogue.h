// The column catalogue: one record per column code 1..102, carrying the two
// header lines of the code and the cell text through which one value passes
// between a record field and the grid.
#pragma once

#include <span>
#include <string_view>

#include "engine/errors.h"
#include "engine/model.h"

namespace vd {

// Highest column code of the vocabulary.
inline constexpr int kLastColumnCode = 102;
// Records 0..kGridCatalogueUpper in the table editor's catalogue, and
// 0..kViewCatalogueUpper in the profile view's.
inline constexpr int kGridCatalogueUpper = 105;
inline constexpr int kViewCatalogueUpper = 120;

// Assigns Title1 and Title2 of records 1..102 in ascending code order, each
// cut or padded to 9 characters; codes 5, 9 and 55 follow Pop1Mode, Pop2Mode
// and QaddMode as they are now. Code and CellText are left alone, and so are
// the untitled codes 58, 59 and 72..78. A catalogue shorter than 103 records
// gets the records it has and then raises RuntimeError 9.
void SetColumnTitles(const Model& m, std::span<GridColumnDef> catalogue);

// The whole first header line of `code` before the 9-character Title1 cuts
// it (" inv.Elv._down", not " inv.Elv."), under the same modes; empty for an
// untitled code. The grid's title row shows it.
std::string_view ColumnCaption(const Model& m, int code);

}  // namespace vd
