// The text-table import: one pipe line per text row, values separated by
// blanks (a tab counts as one), commas or the box-drawing bar (byte 0xB3).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/model.h"
#include "engine/outcome.h"

namespace vd {

inline constexpr int kTextImportFields = 12;
inline constexpr int kTextImportMaxValues = 11;

// Captions of the twelve field check boxes, in column order.
extern const std::array<const char*, kTextImportFields> kTextImportCaptions;

struct RowSplit {
    std::vector<std::string> values;
    // The row held more than kTextImportMaxValues values; the rest was dropped.
    bool cut = false;
};

// Splits one row (8-bit text, no line end) the way the import always has,
// each tab read as a blank: a run of separators counts as one, a leading
// comma gives an empty first value, at most 11 values are taken.
RowSplit SplitTextRow(std::string row);

// Stores the values into the ticked fields of one line, in field order.
void StoreTextValues(LineRecord& line, const std::vector<std::string>& values,
                     const std::array<bool, kTextImportFields>& ticked);

// The file's rows; CR LF, LF and CR each end a row, a last row without an
// end counts, a final line end opens no further row.
std::vector<std::string> SplitFileRows(const std::string& bytes);

// Checks the whole file first; only a file that can be taken completely
// replaces the lines (rows 1..clearUpTo are cleared first). Sets LineCount,
// and LatCount 0 so that the lateral table of the old network is not used.
// Fails, saying why nothing was imported, on a file it cannot take whole:
// more rows than a network holds, a row of more than 11 values, a name
// holding a control character (row and field named), a value in a ticked
// number column that is not one number or is too large for its field (row
// and column named), or a table in which no row holds a number in any ticked
// number column.
Outcome ImportTextTable(Model& m, const std::string& bytes,
                                 const std::array<bool, kTextImportFields>& ticked, int clearUpTo);

}  // namespace vd
