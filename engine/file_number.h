// The number forms of the network file: how a single-precision value is
// written into a row and how a number field is read back.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/powers_of_ten.h"

namespace vd {

// The print form of a value without its blanks, or where its seven digits
// would read back as another value, the fewest digits that do read back as it
// (at most nine): "0.005", "-12.5", "1E+08". Written at out, which has room
// for 40 bytes, returning the end. FileNumberDigits is the fast way for the
// values a network holds and falls back to GeneralFileNumberDigits, the slow
// general way for any value; both write the same bytes.
char* FileNumberDigits(float v, char* out);
char* GeneralFileNumberDigits(float v, char* out);

// whole 10^scale rounded once into double precision, when one
// multiplication or division gives it (whole at most 2^53, scale within
// -22..22); false otherwise. A whole number up to 2^53 and a power of ten up
// to 10^22 are exact doubles, so the one operation rounds the product once,
// as reading its text does.
inline bool ExactDecimal(std::uint64_t whole, int scale, double& out) {
    if (whole > (std::uint64_t{1} << 53) || scale < -22 || scale > 22) return false;
    const auto w = static_cast<double>(whole);
    out = scale >= 0 ? w * kTensAsDouble[scale] : w / kTensAsDouble[-scale];
    return true;
}
// whole 10^scale rounded once into double precision, for any scale: the
// fast way above, else the general way through from_chars; 0 beyond the
// double range.
double DecimalValue(std::uint64_t whole, int scale);

// A number field: blanks around it, sign, digits, one point, exponent with E
// or D. Empty is 0; anything else is not a number. Too small for a single
// value reads as 0; too large is refused as such, for the reader to say so.
// The fields the writer writes, plain decimals of at most 19 digits, are
// read in one pass with one rounding. out is set only when the field reads.
enum class FileNumber { Read, NotANumber, TooLarge };
FileNumber ParseFileNumber(std::string_view text, float& out);

}  // namespace vd
