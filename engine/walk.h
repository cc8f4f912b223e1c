// Shared pieces of every walk along the links.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/model.h"
#include "engine/number_text.h"

namespace vd {

// Lines 1..UsableLines(m) exist in Lines, Links and Results alike, whatever
// LineCount claims.
inline int UsableLines(const Model& m) {
    return std::clamp(m.LineCount, 0,
                      std::min({m.LineUpper(), m.LinkUpper(), static_cast<int>(m.Results.size()) - 1}));
}

// A link field as a line number; anything outside 1..n is no line.
inline int LinkedLine(int16_t field, int n) { return (field >= 1 && field <= n) ? field : 0; }

// A walk that meets a line twice has found a loop in the links: it stops there.
inline void LogWalkStop(Model& m, int line) {
    AppendLog(m, "Walk stopped at line " + NumText(line) + ": line met twice");
}

}  // namespace vd
