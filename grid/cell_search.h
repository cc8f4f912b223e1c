// Find in one grid column: the whole cell, blanks around it and case aside.
#pragma once

#include <string>
#include <string_view>

#include "engine/fixed_text.h"

namespace vd {

// The first row from firstRow down to the last whose text in column col,
// trimmed and upper-cased, equals the trimmed, upper-cased key; -1 when none.
// Row 0, the title row, is searched like any other.
template <typename Grid>
int FindCellRow(const Grid& g, int col, std::string_view key, int firstRow) {
    if (col < 0 || col >= g.Cols()) return -1;
    const std::string wanted = UpperCase(Trim(key));
    for (int r = firstRow < 0 ? 0 : firstRow; r < g.Rows(); ++r)
        if (UpperCase(Trim(g.TextMatrix(r, col))) == wanted) return r;
    return -1;
}

}  // namespace vd
