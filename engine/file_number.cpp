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

namespace vd {

// The print form of a value, or where its seven digits would read back as
// another value, the fewest digits that do read back as it (at most nine).
// Written at out, which has room for 40 bytes, returning the end; the slow
// general way, for any value.
char* GeneralFileNumberDigits(float v, char* out) {
    char* end = std::to_chars(out, out + 40, static_cast<double>(v), std::chars_format::general, 7).ptr;
    float back = 0;
    if (std::from_chars(out, end, back).ec != std::errc() || back != v)
        end = std::to_chars(out, out + 40, v, std::chars_format::general).ptr;
    std::replace(out, end, 'e', 'E');
    return end;
}

namespace {

constexpr std::uint64_t kTens[20] = {1ull,
                                     10ull,
                                     100ull,
                                     1000ull,
                                     10000ull,
                                     100000ull,
                                     1000000ull,
                                     10000000ull,
                                     100000000ull,
                                     1000000000ull,
                                     10000000000ull,
                                     100000000000ull,
                                     1000000000000ull,
                                     10000000000000ull,
                                     100000000000000ull,
                                     1000000000000000ull,
                                     10000000000000000ull,
                                     100000000000000000ull,
                                     1000000000000000000ull,
                                     10000000000000000000ull};

// Rounds a value to 9 - dropped significant digits, half to even, and says
// whether the result reads back as the value. The value is whole + rest /
// 2^shift units of its ninth significant digit; it reads back from any text
// less than half a gap away, or exactly half a gap when its binary digits end
// even (the reader rounds halves to even). gap is the gap between
// neighbouring values in those units times 2^shift.
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

// GeneralFileNumberDigits, in whole-number arithmetic for the values a
// network holds: the seven-digit rounding when it reads back, written as
// seven digits are; else the eight- or nine-digit rounding that reads back
// first, which is then the shortest text, written as shortest texts are.
// Writes up to 40 bytes at out, of which the returned end tells the text.
char* FileNumberDigits(float v, char* out) {
    static_assert(std::endian::native == std::endian::little, "digits are put together a byte a lane");
    if (v == 0) {
        *out = '0';
        return out + 1;
    }
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    const int binary = static_cast<int>((bits >> 23) & 0xFF) - 127;  // 2^binary <= |v| < 2^(binary+1)
    const std::uint32_t fraction = bits & 0x7FFFFF;
    // Outside 2^-13 to 2^23 the whole numbers below need more than 64 bits;
    // at a power of two the gap below the value is half the gap above.
    if (binary < -13 || binary > 22 || fraction == 0) return GeneralFileNumberDigits(v, out);
    const std::uint32_t m = fraction | 0x800000;
    const int shift = 23 - binary;  // the value is m / 2^shift
    const int least = (binary * 1233) >> 12;  // floor(binary * log10(2)): the decimal exponent or one less
    // The value in units of its ninth significant digit, 10^(x-8): whole and
    // rest / 2^shift, all within 64 bits for the values taken here. Both
    // candidates for x are worked out and one is taken, without a branch.
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
    RoundDropping<0>(whole, rest, shift, gap, even, r9);  // nine digits always read back
    // The digits padded to nine: the first rounding that reads back, picked
    // by masks.
    const std::uint64_t pick7 = 0 - static_cast<std::uint64_t>(seven);
    const std::uint64_t pick8 = 0 - static_cast<std::uint64_t>(eight & !seven);
    std::uint64_t r = (r7 * 100 & pick7) | (r8 * 10 & pick8) | (r9 & ~(pick7 | pick8));
    const int fixedBelow = 6 + seven;
    if (r == kTens[9]) {  // rounded up into the next decade
        r = kTens[8];
        ++x;
    }
    // The digits as text: r times 2^57 / 10^8 (rounded up, close enough for
    // nine digits) holds the first digit above bit 57 and the others as a
    // fraction below it, which each multiplication by 100 moves two digits
    // up. A digit a byte, the first in the lowest.
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

namespace {

constexpr double kTensAsDouble[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

// The number of a field as the writer writes it, an optional minus, digits
// and a point, at most 19 digits, trailing blanks, read in one pass: false,
// with out untouched, for anything else, which ParseNumber reads the general
// way. A mantissa of at most 2^53 and a power of ten up to 10^22 are exact in
// double precision, so one division rounds the number once into it. Rounding
// that into single precision rounds as the text itself would, unless the
// double lies exactly halfway between two singles: the 29 bits single
// precision drops are then 1 and 28 zeros.
bool ParsePlainDecimal(std::string_view s, float& out) {
    const char* p = s.data();
    const char* const end = p + s.size();
    const bool negative = p < end && *p == '-';
    p += negative;
    std::uint64_t whole = 0;
    const char* const first = p;
    for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p)
        whole = whole * 10 + static_cast<unsigned>(*p - '0');
    std::ptrdiff_t digits = p - first, decimals = 0;
    if (p < end && *p == '.') {
        const char* const point = ++p;
        for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p)
            whole = whole * 10 + static_cast<unsigned>(*p - '0');
        decimals = p - point;
        digits += decimals;
    }
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p != end || digits <= 0 || digits > 19 || decimals > 22 || whole > (std::uint64_t{1} << 53)) return false;
    if (whole == 0) {
        out = negative ? -0.0f : 0.0f;
        return true;
    }
    const double d = static_cast<double>(whole) / kTensAsDouble[decimals];
    std::uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    if ((bits & 0x1FFFFFFF) == 0x10000000 || d < FLT_MIN) return false;
    const auto v = static_cast<float>(d);
    out = negative ? -v : v;
    return true;
}

// A number field: blanks around it, sign, digits, one point, exponent with E
// or D. Empty is 0; anything else is not a number. Beyond the single-precision
// range fails.
bool ParseFileNumber(std::string_view text, float& out) {
    if (ParsePlainDecimal(text, out)) return true;
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (s.empty()) {
        out = 0;
        return true;
    }
    std::size_t i = 0;
    const bool negative = s[i] == '-';
    if (s[i] == '+' || s[i] == '-') ++i;
    const std::size_t mantissa = i;  // digits, one point, digits
    // The mantissa's digits as one whole number while at most 19 count, and
    // how many of them follow the point.
    std::uint64_t whole = 0;
    int counted = 0, afterPoint = 0;
    auto take = [&](char c) {
        if (whole == 0 && c == '0') return;
        whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
        ++counted;
    };
    bool digits = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && counted < 19; ++i, digits = true) take(s[i]);
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, digits = true, counted = 99;
    if (i < s.size() && s[i] == '.') {
        ++i;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && counted < 19; ++i, digits = true, ++afterPoint)
            take(s[i]);
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, digits = true, counted = 99;
    }
    if (!digits) return false;
    const std::size_t mantissaEnd = i;
    std::size_t exponent = i;  // sign and digits after the E or D
    int power = 0;  // the exponent's value, while it is small
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        exponent = ++i;
        const bool below = i < s.size() && s[i] == '-';
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        bool expDigits = false;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, expDigits = true)
            power = std::min(power * 10 + (s[i] - '0'), 10000);
        if (!expDigits) return false;
        if (below) power = -power;
    }
    if (i != s.size()) return false;
    // A mantissa of at most 2^53 and a power of ten up to 10^22 are exact in
    // double precision, so one multiplication or division rounds the number
    // once into it. Rounding that into single precision rounds as the text
    // itself would, unless the double lies exactly halfway between two
    // singles: the 29 bits single precision drops are then 1 and 28 zeros.
    // Halfway cases, and results too small for a normal single, take the
    // general way below.
    const int scale = power - afterPoint;
    if (counted <= 19 && whole <= (std::uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
        if (whole == 0) {
            out = negative ? -0.0f : 0.0f;
            return true;
        }
        const double exact = static_cast<double>(whole);
        const double d = scale >= 0 ? exact * kTensAsDouble[scale] : exact / kTensAsDouble[-scale];
        std::uint64_t bits = 0;
        std::memcpy(&bits, &d, sizeof bits);
        if ((bits & 0x1FFFFFFF) != 0x10000000 && d >= FLT_MIN) {
            const auto v = static_cast<float>(d);
            out = negative ? -v : v;
            return true;
        }
    }
    // The number as from_chars reads it: "-", the mantissa, "e" and the
    // exponent; on the stack for any field a file of ours holds.
    const bool hasExponent = exponent > mantissaEnd;
    const std::size_t n =
        (negative ? 1 : 0) + (mantissaEnd - mantissa) + (hasExponent ? 1 + s.size() - exponent : 0);
    char small[64];
    std::string large;
    char* num = small;
    if (n > sizeof small) {
        large.resize(n);
        num = large.data();
    }
    char* put = num;
    if (negative) *put++ = '-';
    put = std::copy(s.data() + mantissa, s.data() + mantissaEnd, put);
    if (hasExponent) {
        *put++ = 'e';
        std::copy(s.data() + exponent, s.data() + s.size(), put);
    }
    // Read straight into single precision, rounded once: the writer's
    // shortest texts of the largest values (3.4028235E+38) lie a little
    // beyond FLT_MAX and still name it.
    float v = 0;
    auto res = std::from_chars(num, num + n, v);
    if (res.ec == std::errc::result_out_of_range) {
        // Too small to hold: it is 0 in single precision; too large fails.
        if (std::string_view(num, n).find("e-") == std::string_view::npos) return false;
        v = 0;
    } else if (res.ec != std::errc() || res.ptr != num + n || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

}  // namespace vd
