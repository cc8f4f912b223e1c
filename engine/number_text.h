// Number <-> text rules shared by every subsystem: the leading-number reader,
// half-to-even rounding, fixed decimals, chainage labels and the print form
// of single-precision values used by the network file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/errors.h"

namespace vd {

// The leading number of a text. Blanks, tabs and line feeds are skipped
// anywhere; then sign, digits, one decimal point and an exponent with E or D
// are read as far as they form a number. "&H" and "&O" prefixes read hex and
// octal. Text without a number gives 0. A number too large to hold (a
// decimal beyond a double, a hex or octal beyond 32 bits) raises
// RuntimeError 6 (kOverflowText).
double Val(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double v);
// CInt / CLng: half-to-even rounding into a 16- or 32-bit integer; out of
// range (or not finite) raises RuntimeError 6 (kOverflowText).
int16_t CInt(double v);
int32_t CLng(double v);
// Narrows a line number or count into 16 bits without raising; clamps.
int16_t ClampInt16(long long v);

// Number with a fixed count of decimals, rounded half to even; a result that
// is not negative begins with one blank.
std::string FormatFixed(double value, int decimals);

// A distance in metres as kilometres "+" metres: 1234 -> " 1+234".
std::string ChainageText(double distance);

// The print form of a single-precision value: shortest text with at most 7 significant
// digits, a blank before a value that is not negative ("-" otherwise) and one
// blank after.
std::string FloatPrintText(float value);
// The same without the surrounding blanks: "0.005", "-12.5", "1E+08".
std::string FloatText(float value);

// "%.<digits>G" as the C locale prints it ("1.5", "1E+20"), whatever locale
// the window toolkit set for the process.
std::string GeneralNumberText(double value, int digits);

// Plan distance of two points given as {x, y, ...}; further elements ignored.
double PointDistance(const std::vector<double>& p1, const std::vector<double>& p2);

// Whole number as plain decimal text ("3"), as message texts join numbers.
std::string NumText(long long v);

}  // namespace vd
