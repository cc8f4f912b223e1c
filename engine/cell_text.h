// One value between a record field and the text of one grid cell. The column
// code names the quantity (see column_catalogue.h); the grid row is a line,
// a pipe-size row, a drawing-style row or a lateral, by the code's range:
//   1..57, 68..71, 100..102  line number (line, link and results records)
//   60..67                   pipe-size row of DiaTable
//   79..87                   drawing-style row 0..26 of ObjectStyles
//   88..99                   lateral number (row of LatTable)
// The text passes through CellText of catalogue record `code`.
#pragma once

#include <span>
#include <string_view>

#include "engine/errors.h"
#include "engine/line_cost.h"
#include "engine/model.h"

namespace vd {

// Writes the text of quantity `code` of grid row `row` into CellText of
// catalogue record `code` (20 characters). Codes 14/16, 23/25 and 34/35 write
// both records of their pair. Whatever cannot be shown (a condition not met,
// a division by zero, a row, link, sheet or lateral outside its table, a code
// outside 1..102 or without a conversion) leaves 20 blanks, never the text of
// an earlier call; so does a text field never assigned. Code 32 also stores the slope rounded to 4 decimals (not
// into the template row 0); code 33 sets m.ManningN; code 36 has the effects
// of LineHydraulics. Pass one CostMessages for a whole fill of a view so that
// "Cost Error" is shown once per fill; without it each cost cell may show it.
void LineFieldToCell(Model& m, int code, int row, std::span<GridColumnDef> catalogue,
                     CostMessages* fill = nullptr);

// Stores CellText of catalogue record `code` into the field that code names
// for grid row `row`: texts left-assigned into their fixed widths, numbers as
// Val of the text (rounded half to even for whole-number fields). Derived
// codes, codes outside 1..100 and rows outside their tables change nothing;
// the template rows (row 0 of the per-line tables and of DiaTable) are never
// written. Code 91 stores the lateral length into its last line, where it is
// shown. A number beyond the field's range raises RuntimeError 6 and leaves
// the field as it was. CellText is never changed.
void CellToLineField(Model& m, int code, int row, std::span<GridColumnDef> catalogue);

// CellToLineField from `text` in place of CellText: a text is left-assigned
// into its field's width, a number is read from the whole text, however long.
void StoreCellText(Model& m, int code, int row, std::string_view text);

// The bytes of the field that CellToLineField(code, row) writes, so that a
// caller can keep a field's value and put it back exactly; empty when that
// code and row write none.
std::span<char> CellFieldBytes(Model& m, int code, int row);

}  // namespace vd
