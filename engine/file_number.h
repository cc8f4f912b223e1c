// The number forms of the network file: how a single-precision value is
// written into a row and how a number field is read back.
#pragma once

#include <string_view>

namespace vd {

// The print form of a value without its blanks, or where its seven digits
// would read back as another value, the fewest digits that do read back as it
// (at most nine): "0.005", "-12.5", "1E+08". Written at out, which has room
// for 40 bytes, returning the end. FileNumberDigits is the fast way for the
// values a network holds and falls back to GeneralFileNumberDigits, the slow
// general way for any value; both write the same bytes.
char* FileNumberDigits(float v, char* out);
char* GeneralFileNumberDigits(float v, char* out);

// A number field as the writer writes it (an optional minus, digits and a
// point, trailing blanks) read in one pass; false, with out untouched, for
// anything else.
bool ParsePlainDecimal(std::string_view s, float& out);

// A number field: blanks around it, sign, digits, one point, exponent with E
// or D. Empty is 0; anything else is not a number. Beyond the single-precision
// range fails.
bool ParseFileNumber(std::string_view text, float& out);

}  // namespace vd
