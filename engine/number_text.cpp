#include "engine/errors.h"
#include "engine/number_text.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "engine/fixed_text.h"
#include "engine/powers_of_ten.h"
#include "engine/ui_sink.h"

namespace vd {

namespace {
bool Skipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A plain decimal ("-12.5e-7": sign, digits, point, "e" or "E" and
// exponent) that lies beyond the double range lies below it: its first
// significant digit's power plus its exponent is negative.
bool BeyondDoubleIsTiny(std::string_view number) {
    const std::size_t e = std::min(number.find_first_of("eE"), number.size());
    long long power = 0;
    for (std::size_t k = e + 1; k < number.size(); ++k)
        if (IsDigit(number[k])) power = std::min(power * 10 + (number[k] - '0'), 1000000000000LL);
    if (e + 1 < number.size() && number[e + 1] == '-') power = -power;
    return LeadingPower(number.substr(0, e)) + power < 0;
}
}  // namespace

double Val(std::string_view text) {
    // Blanks, tabs and line feeds do not count anywhere in the text.
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (!Skipped(c)) s.push_back(c);

    std::size_t i = 0;
    if (s.size() >= 2 && s[0] == '&') {
        char kind = s[1];
        int base = (kind == 'H' || kind == 'h') ? 16 : (kind == 'O' || kind == 'o') ? 8 : 0;
        if (base == 0) return 0;
        unsigned long long v = 0;
        std::size_t digits = 0;
        for (i = 2; i < s.size(); ++i) {
            char c = s[i];
            int d = -1;
            if (IsDigit(c)) d = c - '0';
            else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
            if (d < 0 || d >= base) break;
            v = v * base + d;
            ++digits;
            // As a decimal number too large to hold, never a silent 0.
            if (v > 0xFFFFFFFFull) throw RuntimeError(6, kOverflowText);
        }
        // Short forms read as 16-bit values, longer ones as 32-bit: &HFFFF is -1.
        if (v <= 0xFFFF && (base == 16 ? digits <= 4 : v <= 0177777)) {
            return v > 0x7FFF ? static_cast<double>(static_cast<long long>(v) - 0x10000) : static_cast<double>(v);
        }
        return v > 0x7FFFFFFF ? static_cast<double>(static_cast<long long>(v) - 0x100000000LL) : static_cast<double>(v);
    }

    std::string num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) num.push_back(s[i++]);
    bool anyDigit = false;
    while (i < s.size() && IsDigit(s[i])) {
        num.push_back(s[i++]);
        anyDigit = true;
    }
    if (i < s.size() && s[i] == '.') {
        num.push_back(s[i++]);
        while (i < s.size() && IsDigit(s[i])) {
            num.push_back(s[i++]);
            anyDigit = true;
        }
    }
    if (!anyDigit) return 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        std::string ex = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ex.push_back(s[j++]);
        bool expDigit = false;
        while (j < s.size() && IsDigit(s[j])) {
            ex.push_back(s[j++]);
            expDigit = true;
        }
        if (expDigit) num += ex;
    }
    // from_chars ignores the C locale, which the window toolkit sets from the
    // environment: a decimal comma locale must not change what a file means.
    if (num[0] == '+') num.erase(0, 1);
    double v = 0;
    auto res = std::from_chars(num.data(), num.data() + num.size(), v);
    if (res.ec == std::errc::result_out_of_range || !std::isfinite(v)) {
        // Tiny values underflow to 0; huge ones do not fit. Which one it is
        // takes the digits and the exponent together: "1" and 400 zeros
        // "E-5" is huge, "0." and 330 zeros "1" tiny.
        if (BeyondDoubleIsTiny(num)) return 0;
        throw RuntimeError(6, kOverflowText);
    }
    return v;
}

namespace {

// One number in the forms Val reads, with blanks around it and after its
// sign, which Val skips too; nothing else.
bool IsOneNumber(std::string_view t) {
    std::size_t i = 0;
    auto blanks = [&] {
        while (i < t.size() && Skipped(t[i])) ++i;
    };
    blanks();
    if (i + 1 < t.size() && t[i] == '&') {
        const char kind = static_cast<char>(t[i + 1] | 0x20);
        if (kind != 'h' && kind != 'o') return false;
        i += 2;
        std::size_t digits = 0;
        for (; i < t.size(); ++i, ++digits) {
            const char c = static_cast<char>(t[i] | 0x20);
            const bool ok = kind == 'h' ? IsDigit(t[i]) || (c >= 'a' && c <= 'f') : t[i] >= '0' && t[i] <= '7';
            if (!ok) break;
        }
        if (digits == 0) return false;
    } else {
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
            blanks();
        }
        bool digits = false;
        while (i < t.size() && IsDigit(t[i])) ++i, digits = true;
        if (i < t.size() && t[i] == '.') {
            ++i;
            while (i < t.size() && IsDigit(t[i])) ++i, digits = true;
        }
        if (!digits) return false;
        if (i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
            ++i;
            if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
            bool exponent = false;
            while (i < t.size() && IsDigit(t[i])) ++i, exponent = true;
            if (!exponent) return false;
        }
    }
    blanks();
    return i == t.size();
}

}  // namespace

OneNumber ReadOneNumber(std::string_view text) {
    if (std::all_of(text.begin(), text.end(), Skipped)) return {OneNumber::Blank, 0};
    if (!IsOneNumber(text)) return {OneNumber::NotANumber, 0};
    try {
        return {OneNumber::Number, Val(text)};
    } catch (const RuntimeError&) {
        return {OneNumber::TooLarge, 0};  // "1E400", "&H1FFFFFFFF"
    }
}

OneNumber ReadOneSingle(std::string_view text) {
    OneNumber n = ReadOneNumber(text);
    if (n.kind == OneNumber::Number && !SingleValue(n.value)) n = {OneNumber::TooLarge, 0};
    return n;
}

std::optional<float> SingleValue(double v) {
    // Up to half a unit past the largest single, a value rounds to it: the
    // shortest text of the largest single ("3.4028235E+38") lies there.
    constexpr float kMax = std::numeric_limits<float>::max();
    if (!std::isfinite(v) || std::fabs(v) >= 0x1.ffffffp127) return std::nullopt;
    if (std::fabs(v) > kMax) return v < 0 ? -kMax : kMax;
    return static_cast<float>(v);
}

std::string NumberRefusal(std::string_view text, OneNumber::Kind kind) {
    std::string shown = Trim(text);
    // A pasted page of digits is named by its start.
    if (shown.size() > 40) shown = shown.substr(0, 40) + "...";
    switch (kind) {
        case OneNumber::TooLarge: return "\"" + shown + "\" is a number too large to hold";
        case OneNumber::NotANumber: return "\"" + shown + "\" is not a number";
        default: return {};
    }
}

double RoundHalfEven(double v) {
    if (!std::isfinite(v)) return v;
    double r = std::round(v);
    if (std::fabs(v - std::trunc(v)) == 0.5) r = 2.0 * std::round(v / 2.0);
    return r;
}

int16_t CInt(double v) {
    double r = RoundHalfEven(v);
    if (!std::isfinite(r) || r < -32768.0 || r > 32767.0) throw RuntimeError(6, kOverflowText);
    return static_cast<int16_t>(r);
}

int32_t CLng(double v) {
    double r = RoundHalfEven(v);
    if (!std::isfinite(r) || r < -2147483648.0 || r > 2147483647.0) throw RuntimeError(6, kOverflowText);
    return static_cast<int32_t>(r);
}

int16_t ClampInt16(long long v) {
    if (v < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    if (v > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    return static_cast<int16_t>(v);
}

std::string NumText(long long v) { return std::to_string(v); }

namespace {

// The value FormatFixed rounds to a whole number of its last decimal.
double ScaledForFixed(double value, int decimals, double& scale) {
    if (!std::isfinite(value)) throw RuntimeError(6, kOverflowText);
    // The powers of ten up to 1e22 are exact doubles, as pow gives them.
    scale = decimals <= 22 ? kTensAsDouble[decimals] : std::pow(10.0, decimals);
    const double scaled = RoundHalfEven(value * scale);
    // 64-bit, so large values never overflow where a 32-bit integer would.
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.0e15) throw RuntimeError(6, kOverflowText);
    return scaled;
}

// Below 2^51 the whole part and the decimals of scaled / scale are those of
// the whole number scaled itself: it is split without dividing doubles.
bool ShortForm(double scaled, int decimals) { return decimals <= 15 && std::fabs(scaled) < 2251799813685248.0; }

// The short form's parts: the sign, the whole units and the decimals' digits.
struct ShortParts {
    bool negative;
    unsigned long long units, frac;
    int decimals;
    // Characters of the text: the sign or blank, the units, the point and decimals.
    std::size_t size() const {
        std::size_t digits = 1;
        while (digits < 20 && units >= kTens[digits]) ++digits;
        return 1 + digits + (decimals > 0 ? 1 + static_cast<std::size_t>(decimals) : 0);
    }
};

ShortParts SplitShort(double scaled, int decimals) {
    const auto whole = static_cast<unsigned long long>(std::fabs(scaled));
    // The views show 0 to 4 decimals: constant divisors divide fast.
    unsigned long long units = 0, frac = 0;
    switch (decimals) {
        case 0: units = whole; break;
        case 1: units = whole / 10, frac = whole % 10; break;
        case 2: units = whole / 100, frac = whole % 100; break;
        case 3: units = whole / 1000, frac = whole % 1000; break;
        case 4: units = whole / 10000, frac = whole % 10000; break;
        default: units = whole / kTens[decimals], frac = whole % kTens[decimals]; break;
    }
    return {scaled < 0, units, frac, decimals};
}

// The short form written at `out`, which has room for it; its end.
char* WriteShort(const ShortParts& p, char* out) {
    char* o = out;
    *o++ = p.negative ? '-' : ' ';
    o = std::to_chars(o, o + 20, p.units).ptr;
    if (p.decimals > 0) {
        *o++ = '.';
        unsigned long long frac = p.frac;
        for (int i = p.decimals - 1; i >= 0; --i, frac /= 10) o[i] = static_cast<char>('0' + frac % 10);
        o += p.decimals;
    }
    return o;
}

}  // namespace

std::size_t FormatFixedInto(double value, int decimals, std::span<char> out) {
    if (decimals < 0) decimals = 0;
    double scale = 1;
    const double scaled = ScaledForFixed(value, decimals, scale);
    if (!ShortForm(scaled, decimals)) return 0;
    const ShortParts parts = SplitShort(scaled, decimals);
    if (parts.size() > out.size()) return 0;
    return static_cast<std::size_t>(WriteShort(parts, out.data()) - out.data());
}

std::string FormatFixed(double value, int decimals) {
    if (decimals < 0) decimals = 0;
    double scale = 1;
    const double scaled = ScaledForFixed(value, decimals, scale);
    if (ShortForm(scaled, decimals)) {
        char buf[40];
        return std::string(buf, WriteShort(SplitShort(scaled, decimals), buf));
    }
    const double r = scaled / scale;
    const double w = std::trunc(r);
    const long long wi = static_cast<long long>(w);
    const long long f = static_cast<long long>(RoundHalfEven(std::fabs(r - w) * scale));
    std::string result(1, w < 0 || (value < 0 && f != 0) ? '-' : ' ');
    result += std::to_string(wi < 0 ? -wi : wi);
    if (decimals > 0) {
        const std::string digits = std::to_string(f);
        result += '.';
        const int pad = std::max(0, decimals - static_cast<int>(digits.size()));
        result.append(static_cast<std::size_t>(pad), '0');
        result.append(digits, 0, static_cast<std::size_t>(decimals - pad));
    }
    return result;
}

std::string ChainageText(double distance) {
    std::string s = FormatFixed(distance / 1000.0, 3);
    auto dot = s.find('.');
    if (dot == std::string::npos) return s;
    s[dot] = '+';
    return s.substr(0, dot + 4);
}

std::string FloatText(float value) { return GeneralNumberText(value == 0 ? 0.0f : value, 7); }  // no "-0"

std::string FloatPrintText(float value) {
    std::string t = FloatText(value);
    return (t[0] == '-' ? t : " " + t) + " ";
}

char* GeneralNumberDigits(double value, int digits, char* out) {
    const auto printed = std::to_chars(out, out + 40, value, std::chars_format::general, digits);
    if (printed.ec != std::errc()) {
        *out = '0';
        return out + 1;
    }
    std::replace(out, printed.ptr, 'e', 'E');
    return printed.ptr;
}

std::string GeneralNumberText(double value, int digits) {
    char buf[40];
    return std::string(buf, GeneralNumberDigits(value, digits, buf));
}

long long LeadingPower(std::string_view mantissa) {
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return 0;
    return first < point ? static_cast<long long>(point - first) - 1 : -static_cast<long long>(first - point);
}

std::optional<double> NumberOfText(std::string_view text) {
    // Blanks and line ends before it, as the C library skips them; blanks after.
    while (!text.empty() && (text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r')))
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    // One sign at most: after a "+" only the number itself ("+-1" is none),
    // and no "inf" or "nan".
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    if (text.empty() ||
        !((!plus && text.front() == '-') || text.front() == '.' || (text.front() >= '0' && text.front() <= '9')))
        return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (end != text.data() + text.size()) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Too small to hold reads as 0.
        if (!BeyondDoubleIsTiny(text)) return std::nullopt;
        return text.front() == '-' ? -0.0 : 0.0;
    }
    if (ec != std::errc() || !std::isfinite(v)) return std::nullopt;
    return v;
}

CNumbers::CNumbers() {
    locale_t current = duplocale(uselocale(locale_t{}));
    locale_t plain = current ? newlocale(LC_NUMERIC_MASK, "C", current) : locale_t{};
    if (current && !plain) freelocale(current);
    if (!plain) return;
    plain_ = plain;
    saved_ = uselocale(plain);
}

CNumbers::~CNumbers() {
    if (!plain_) return;
    uselocale(static_cast<locale_t>(saved_));
    freelocale(static_cast<locale_t>(plain_));
}

double PointDistance(const std::vector<double>& p1, const std::vector<double>& p2) {
    if (p1.size() < 2 || p2.size() < 2) throw RuntimeError(9, kOutsideTableText);
    double dx = p2[0] - p1[0];
    double dy = p2[1] - p1[1];
    return std::pow(dx * dx + dy * dy, 0.5);
}

}  // namespace vd
