// The number forms of the network file: the writer's print form of a
// single-precision value (seven digits, or the eight or nine that read back)
// and the readers of a number field. Fast because the values a network holds
// are written in whole-number arithmetic without a division or a branch per
// digit, and the plain decimals the writer writes are read in one pass with
// one rounding; everything else goes the general way through std::to_chars
// and std::from_chars, which the fast ways must match byte for byte.
#include "engine/file_number.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/number_text.h"
#include "engine/powers_of_ten.h"

namespace vd {

// The print form of a value, or where its seven digits would read back as
// another value, the fewest digits that do read back as it (at most nine).
// Written at out, which has room for 40 bytes, returning the end; the slow
// general way, for any value.
char* GeneralFileNumberDigits(float v, char* out) {
    if (v == 0) {  // no "-0"
        *out = '0';
        return out + 1;
    }
    char* end = GeneralNumberDigits(v, 7, out);
    float back = 0;
    if (std::from_chars(out, end, back).ec == std::errc() && back == v) return end;
    end = std::to_chars(out, out + 40, v, std::chars_format::general).ptr;
    std::replace(out, end, 'e', 'E');
    return end;
}

namespace {

// Rounds whole + rest / 2^shift (the value in units of its ninth significant
// digit) half to even after dropping `dropped` digits, into r, and says
// whether r reads back as the value. Exact in 64 bits: whole % step is below
// 100 and shift at most 36, so past and twice the span stay below 2^45.
// A text reads back when it lies less than half a gap from the value, or
// exactly half a gap when the value's binary digits end even (the reader
// rounds halves to even); gap is the gap between neighbouring values in the
// same units times 2^shift, and twiceOff twice the text's distance.
template <int dropped>
bool RoundDropping(std::uint64_t whole, std::uint64_t rest, int shift, std::uint64_t gap, bool even,
                   std::uint64_t& r) {
    constexpr std::uint64_t step = kTens[dropped];
    r = whole / step;
    const std::uint64_t past = ((whole % step) << shift) + rest;  // how far the value lies above r
    const std::uint64_t span = step << shift, twicePast = 2 * past;
    // Bitwise rather than short-circuit: which way a value goes is chance, and
    // a guessed branch would be missed half the time.
    const bool up = (twicePast > span) | ((twicePast == span) & static_cast<bool>(r & 1));
    r += up;
    const std::uint64_t twiceOff = up ? 2 * span - twicePast : twicePast;
    return (twiceOff < gap) | (even & (twiceOff == gap));
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

// GeneralFileNumberDigits in whole-number arithmetic, for the values a
// network holds (2^-13 <= |v| < 2^23, not a power of two). Why it writes the
// same bytes:
// - The value is m / 2^shift exactly, m < 2^24 and shift = 23 - binary in 1..36.
// - Its decimal exponent x (10^x <= |v| < 10^(x+1)) is floor(binary log10 2)
//   or one more. In units of its ninth significant digit, 10^(x-8), it is
//   m 10^(8-x) / 2^shift: that product stays below 2^24 10^12 < 2^64, and
//   its whole part has nine digits.
// - Away from a power of two the gaps to both neighbours are one unit of m,
//   10^(8-x) in those units times 2^shift, so RoundDropping decides exactly
//   whether a rounding reads back.
// - The general way writes the seven-digit rounding (half to even, as
//   to_chars rounds the exact value) when it reads back; else the shortest
//   text, which then has eight or nine digits and is the nearest such
//   rounding: a nearer one of the same length would read back too, and ties
//   go to even as to_chars breaks them. Nine digits always read back.
// Writes up to 40 bytes at out, of which the returned end tells the text.
char* FileNumberDigits(float v, char* out) {
    static_assert(std::endian::native == std::endian::little, "digits are put together a byte a lane");
    const auto bits = std::bit_cast<std::uint32_t>(v);
    const int binary = static_cast<int>((bits >> 23) & 0xFF) - 127;  // 2^binary <= |v| < 2^(binary+1)
    const std::uint32_t fraction = bits & 0x7FFFFF;
    if (binary < -13 || binary > 22 || fraction == 0) return GeneralFileNumberDigits(v, out);
    const std::uint32_t m = fraction | 0x800000;
    const int shift = 23 - binary;
    const int least = (binary * 1233) >> 12;  // floor(binary log10 2) for |binary| < 1000
    // Both candidates for x worked out and one taken, without a branch.
    const std::uint64_t low = m * kTens[8 - least], high = m * kTens[7 - least];
    const bool above = (low >> shift) >= kTens[9];
    const std::uint64_t scaled = above ? high : low;
    int x = least + above;
    const std::uint64_t whole = scaled >> shift, rest = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t gap = kTens[8 - x];

    const bool even = (m & 1) == 0;
    std::uint64_t r7 = 0, r8 = 0, r9 = 0;
    const bool seven = RoundDropping<2>(whole, rest, shift, gap, even, r7);
    const bool eight = RoundDropping<1>(whole, rest, shift, gap, even, r8);
    RoundDropping<0>(whole, rest, shift, gap, even, r9);
    // The digits padded to nine: the first rounding that reads back, picked
    // by masks.
    const std::uint64_t pick7 = 0 - static_cast<std::uint64_t>(seven);
    const std::uint64_t pick8 = 0 - static_cast<std::uint64_t>(eight & !seven);
    std::uint64_t r = (r7 * 100 & pick7) | (r8 * 10 & pick8) | (r9 & ~(pick7 | pick8));
    // Seven digits go out as "%.7G" lays them out (an exponent from 10^7,
    // which these values never reach); the shortest text takes one from 10^6.
    const int fixedBelow = 6 + seven;
    if (r == kTens[9]) {  // rounded up into the next decade
        r = kTens[8];
        ++x;
    }
    // The digits as text: r times 2^57 / 10^8 holds the first digit above
    // bit 57 and the others as a fraction below it, which each multiplication
    // by 100 moves two digits up. The factor is 2^57 / 10^8 rounded up by
    // 0.2414, so r < 10^9 times it lies less than 0.1675 of a unit of the
    // ninth digit (2^57 / 10^8) above the exact value, and each multiplication
    // scales the excess and that unit alike. The exact fraction lies at least
    // one such unit below the next digit, so an excess below one unit never
    // carries into a digit. A digit a byte, the first in the lowest.
    constexpr std::uint64_t kFraction = (std::uint64_t{1} << 57) - 1;
    std::uint64_t y = r * 1441151881ull;
    const auto first = static_cast<char>('0' + (y >> 57));
    std::uint64_t rest8 = 0;  // digits 2 to 9 as text
    for (int pair = 0; pair < 4; ++pair) {
        y = (y & kFraction) * 100;
        std::uint16_t text = 0;
        std::memcpy(&text, kDigitPairs + 2 * (y >> 57), 2);
        rest8 |= static_cast<std::uint64_t>(text) << (16 * pair);
    }
    const std::uint64_t lanes = rest8 - 0x3030303030303030ull;  // the digits' values
    const int count = 9 - (lanes == 0 ? 8 : std::countl_zero(lanes) / 8);  // without trailing zeros
    const std::uint64_t head = static_cast<std::uint64_t>(first) | rest8 << 8;  // the first eight
    const auto ninth = static_cast<char>(rest8 >> 56);

    if (v < 0) *out++ = '-';
    if (x < 0) {  // "0.", the zeros, the digits; from 2^-13 up x is at least -4
        std::memcpy(out, "0.000000", 8);
        std::memcpy(out + 1 - x, &head, 8);
        out[9 - x] = ninth;
        return out + 1 - x + count;
    }
    if (x >= fixedBelow) {  // one digit, the point, the others and the exponent
        const std::uint64_t lead = static_cast<std::uint64_t>(first) | std::uint64_t{'.'} << 8 | rest8 << 16;
        std::memcpy(out, &lead, 8);
        std::memcpy(out + 8, reinterpret_cast<const char*>(&rest8) + 6, 2);
        out += count > 1 ? count + 1 : 1;
        const char exponent[4] = {'E', '+', '0', static_cast<char>('0' + x)};  // x is 6 at most here
        std::memcpy(out, exponent, 4);
        return out + 4;
    }
    // The whole part, the point and the decimals, all from the eight in hand
    // and the ninth.
    const int point = 8 * (x + 1);  // x + 1 is 7 at most
    const std::uint64_t below = (std::uint64_t{1} << point) - 1;
    const std::uint64_t lead = (head & below) | std::uint64_t{'.'} << point | (head & ~below) << 8;
    std::memcpy(out, &lead, 8);
    out[8] = static_cast<char>(head >> 56);
    out[9] = ninth;
    return out + x + 1 + (count > x + 1) * (count - x);  // the point only with decimals after it
}

double DecimalValue(std::uint64_t whole, int scale) {
    double v = 0;
    if (ExactDecimal(whole, scale, v)) return v;
    char text[48];
    char* o = std::to_chars(text, text + 20, whole).ptr;
    *o++ = 'e';
    o = std::to_chars(o, text + sizeof text, scale).ptr;
    std::from_chars(text, o, v);  // beyond the range it stays 0
    return v;
}

FileNumber ParseFileNumber(std::string_view text, float& out) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && *p == ' ') ++p;
    while (p < end && (end[-1] == ' ' || end[-1] == '\t')) --end;
    if (p == end) {
        out = 0;
        return FileNumber::Read;
    }
    const bool negative = *p == '-';
    p += *p == '-' || *p == '+';
    // The mantissa's digits as one whole number, which holds them while there
    // are at most 19, and how many follow the point.
    const char* const mantissa = p;
    std::uint64_t whole = 0;
    for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p) whole = whole * 10 + static_cast<unsigned>(*p - '0');
    std::ptrdiff_t decimals = 0;
    const bool hasPoint = p < end && *p == '.';
    if (hasPoint) {
        const char* const point = ++p;
        for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p)
            whole = whole * 10 + static_cast<unsigned>(*p - '0');
        decimals = p - point;
    }
    const std::ptrdiff_t digits = p - mantissa - hasPoint;
    if (digits <= 0) return FileNumber::NotANumber;
    const char* const mantissaEnd = p;
    const char* exponent = p;  // sign and digits after the E or D
    long long power = 0;       // the exponent's value, while it is small
    if (p < end && (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd')) {
        exponent = ++p;
        const bool below = p < end && *p == '-';
        p += p < end && (*p == '+' || *p == '-');
        if (p == end) return FileNumber::NotANumber;
        for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p)
            power = std::min(power * 10 + (*p - '0'), 1000000000000000LL);
        if (below) power = -power;
    }
    if (p != end) return FileNumber::NotANumber;
    // The fast way, for at most 19 digits: the double nearest the text,
    // rounded into single precision, rounds as the text itself would unless
    // the double lies exactly halfway between two singles (the 29 bits single
    // precision drops are then 1 and 28 zeros) or below the normal singles,
    // which round at a coarser place.
    if (digits <= 19) {
        if (whole == 0) {
            out = negative ? -0.0f : 0.0f;
            return FileNumber::Read;
        }
        const long long scale = power - decimals;
        double d = 0;
        if (scale >= -22 && scale <= 22 && ExactDecimal(whole, static_cast<int>(scale), d) &&
            (std::bit_cast<std::uint64_t>(d) & 0x1FFFFFFF) != 0x10000000 && d >= FLT_MIN) {
            const auto v = static_cast<float>(d);
            out = negative ? -v : v;
            return FileNumber::Read;
        }
    }
    // The general way: "-", the mantissa, "e" and the exponent, as from_chars
    // reads them into single precision, rounded once; on the stack for any
    // field a file of ours holds. The writer's shortest texts of the largest
    // values (3.4028235E+38) lie a little beyond FLT_MAX and still name it.
    const bool hasExponent = exponent > mantissaEnd;
    const std::size_t n = static_cast<std::size_t>(negative) + static_cast<std::size_t>(mantissaEnd - mantissa) +
                          (hasExponent ? 1 + static_cast<std::size_t>(end - exponent) : 0);
    char small[64];
    std::string large;
    char* num = small;
    if (n > sizeof small) {
        large.resize(n);
        num = large.data();
    }
    char* put = num;
    if (negative) *put++ = '-';
    put = std::copy(mantissa, mantissaEnd, put);
    if (hasExponent) {
        *put++ = 'e';
        std::copy(exponent, end, put);
    }
    float v = 0;
    const auto res = std::from_chars(num, num + n, v);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small to hold, written plain or with an exponent, is a zero;
        // too large fails.
        if (LeadingPower(std::string_view(mantissa, static_cast<std::size_t>(mantissaEnd - mantissa))) + power >= 0)
            return FileNumber::TooLarge;
        v = negative ? -0.0f : 0.0f;
    } else if (res.ec != std::errc() || res.ptr != num + n || !std::isfinite(v)) {
        return FileNumber::NotANumber;
    }
    out = v;
    return FileNumber::Read;
}

}  // namespace vd
