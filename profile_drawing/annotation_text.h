// Text forms shared by the line and manhole annotations of a sheet.
#pragma once

#include <cmath>
#include <string>

#include "engine/number_text.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

// CLng(value x factor) with the product in single precision, as the fields
// are stored: a depth of 1.705 m is 170.5 cm there and goes to 170, and a
// slope of 0.00185 is 18.5 tenths per mille and goes to 18.
inline int32_t CLngSingle(float value, float factor) { return CLng(value * factor); }

// The slope in per mille with one decimal and no blanks: 0.0035 -> "3.5".
std::string PerMilleText(float slope);

// Two inverts differ by a step when they lie more than 0.01 m apart,
// compared in single precision as the levels are stored.
inline bool InvertStep(float a, float b) { return std::fabs(a - b) > 0.01f; }

// Whether a line's status holds a flag letter; the status is kept upper-cased.
bool StatusHas(DrawContext& ctx, int line, char flag);


// The height of the plain texts laid along a pipe in block mode: the
// "SLOPE" row's text height, 0.2 when it has none.
double BlockTextHeight(const DrawContext& ctx);

// One table cell through TableCellText.
void Cell(DrawContext& ctx, double x, double dx, int row, const std::string& text);

}  // namespace vd
