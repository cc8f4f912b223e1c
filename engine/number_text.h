// Number <-> text rules shared by every subsystem: the leading-number reader,
// half-to-even rounding, fixed decimals, chainage labels and the print form
// of single-precision values used by the network file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
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

// A text where a user types one number, or an imported table holds one:
// read whole or not at all. A Number is one number in the forms Val reads
// (a sign, digits with one point, an exponent with E or D; or "&H" and "&O"
// digits) with blanks, tabs and line feeds around it, and has Val's value;
// anything after the number ("12abc", "1,5", "1 2", "1.5 m") makes it
// NotANumber. A text of blanks alone is Blank, a number beyond what Val can
// hold TooLarge; value is 0 for all three.
struct OneNumber {
    enum Kind : unsigned char { Number, Blank, NotANumber, TooLarge };
    Kind kind = Blank;
    double value = 0;
};
OneNumber ReadOneNumber(std::string_view text);
// ReadOneNumber for a single-precision field: a number beyond the single
// range is TooLarge too, so it never becomes inf.
OneNumber ReadOneSingle(std::string_view text);
// A double rounded to single precision; none when it is not finite or
// rounds beyond the single range.
std::optional<float> SingleValue(double v);
// The one wording of a text refused as a number, for every box, cell and
// file: "\"12abc\" is not a number", "\"1E400\" is a number too large to
// hold"; the text trimmed, and over 40 characters cut to its start and
// "...". Empty for Number and Blank, which are no refusal.
std::string NumberRefusal(std::string_view text, OneNumber::Kind kind);

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
// FormatFixed written straight into `out`, for a field that takes the text
// without a string in between: the length, or 0 where the text needs more
// room or the general form. Throws as FormatFixed does.
std::size_t FormatFixedInto(double value, int decimals, std::span<char> out);

// A distance in metres as kilometres "+" metres: 1234 -> " 1+234".
std::string ChainageText(double distance);

// The print form of a single-precision value: shortest text with at most 7 significant
// digits, a blank before a value that is not negative ("-" otherwise) and one
// blank after.
std::string FloatPrintText(float value);
// The same without the surrounding blanks: "0.005", "-12.5", "1E+08".
std::string FloatText(float value);

// Numbers in the C locale's form ("1.5", never "1,5") whatever locale the
// window toolkit set for the process: the program's own numbers are written
// and read by these, which never look at a locale.
//
// "%.<digits>G" as the C locale prints it ("1.5", "1E+20"); the char form
// writes at out, which has room for 40 bytes, and returns the end.
std::string GeneralNumberText(double value, int digits);
char* GeneralNumberDigits(double value, int digits, char* out);
// A text that is a number as a whole, as the program's own files write
// them: blanks around it, one sign, digits with one point, an exponent with
// E. Nothing else ("1,5", "+-1", "inf", "0x1A", "&H10", "1D3", "") is, nor
// a value beyond the double range; one too small for it is 0. What a user
// types or imports is read by ReadOneNumber.
std::optional<double> NumberOfText(std::string_view text);
// The power of ten of a mantissa's first digit other than 0 ("0.05" is
// 5 10^-2), or 0 when there is none: says whether a number beyond the range
// is too small or too large.
long long LeadingPower(std::string_view mantissa);
// While it lives, the C library on this thread prints numbers in the C
// locale's form, for a library that prints them with printf.
class CNumbers {
public:
    CNumbers();
    ~CNumbers();
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    void* plain_ = nullptr;  // the locale_t of this thread while it lives
    void* saved_ = nullptr;
};

// Plan distance of two points given as {x, y, ...}; further elements ignored.
double PointDistance(const std::vector<double>& p1, const std::vector<double>& p2);

// Whole number as plain decimal text ("3"), as message texts join numbers.
std::string NumText(long long v);

}  // namespace vd
