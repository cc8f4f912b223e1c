#include "profile_drawing/dxf_output.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>

#include "engine/atomic_save.h"
#include "engine/errors.h"
#include "engine/file_number.h"
#include "engine/powers_of_ten.h"

namespace vd {

namespace {

// The significant digits of a positive number, without trailing zeros, and
// the power of ten of the first one.
struct Decimal {
    char digits[32];
    int count = 0;
    int exponent = 0;

    void trim() {
        while (count > 1 && digits[count - 1] == '0') --count;
    }
    // Rounds to n digits, a half upward on the digits themselves: only for
    // digits that do not end in an exact half at n (see HalfAt).
    void roundTo(int n) {
        if (count <= n) return;
        const bool up = digits[n] >= '5';
        count = n;
        if (up) {
            int i = n - 1;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i < 0) {
                digits[0] = '1';
                count = 1;
                ++exponent;
            } else {
                ++digits[i];
            }
        }
        trim();
    }
    // The digits past the n-th are exactly one half of the n-th's unit, so
    // rounding them again could go the other way than rounding the number.
    bool halfAt(int n) const { return count == n + 1 && digits[n] == '5'; }
};

// |v| in scientific form: the shortest digits that read back as v
// (precision < 0), or rounded to precision + 1 digits.
Decimal Scientific(double v, int precision) {
    char buf[64];
    const std::to_chars_result r = precision < 0
                                       ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific)
                                       : std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, precision);
    Decimal d;
    const char* p = buf;
    if (*p == '-') ++p;
    for (; p < r.ptr && *p != 'e'; ++p)
        if (*p != '.') d.digits[d.count++] = *p;
    ++p;  // 'e'
    const bool negative = *p++ == '-';
    int e = 0;
    for (; p < r.ptr; ++p) e = e * 10 + (*p - '0');
    d.exponent = negative ? -e : e;
    d.trim();
    return d;
}

// |v| to 15 significant digits. The shortest digits are v's own when there
// are no more than 15 of them, since v lies far closer to them than half a
// unit of the 15th; longer ones round to the same 15 digits as v unless they
// end in an exact half.
Decimal Digits15(double v) {
    // One object returned on every path, so it is built in the caller's place
    // and never copied just after its digits were stored a byte at a time.
    Decimal d = Scientific(v, -1);
    if (d.count > 15) {
        if (d.halfAt(15)) d = Scientific(v, 14);
        else d.roundTo(15);
    }
    return d;
}

// The value a decimal text of d reads as (correctly rounded).
double ValueOf(const Decimal& d) {
    std::uint64_t whole = 0;
    for (int i = 0; i < d.count; ++i) whole = whole * 10 + static_cast<unsigned>(d.digits[i] - '0');
    return DecimalValue(whole, d.exponent - (d.count - 1));
}

// The general form with `precision` digits, as printf's %g lays it out:
// plain while the exponent lies from -4 to precision - 1, else with an
// exponent of at least two digits. A leading "0." loses its zero.
char* Layout(const Decimal& d, int precision, bool negative, char* o) {
    *o++ = negative ? '-' : ' ';
    const int x = d.exponent;
    if (x >= -4 && x < precision) {
        if (x < 0) {
            *o++ = '.';
            for (int i = 0; i < -x - 1; ++i) *o++ = '0';
            std::memcpy(o, d.digits, static_cast<std::size_t>(d.count));
            o += d.count;
        } else {
            const int whole = x + 1;
            for (int i = 0; i < whole; ++i) *o++ = i < d.count ? d.digits[i] : '0';
            if (d.count > whole) {
                *o++ = '.';
                std::memcpy(o, d.digits + whole, static_cast<std::size_t>(d.count - whole));
                o += d.count - whole;
            }
        }
    } else {
        *o++ = d.digits[0];
        if (d.count > 1) {
            *o++ = '.';
            std::memcpy(o, d.digits + 1, static_cast<std::size_t>(d.count - 1));
            o += d.count - 1;
        }
        *o++ = 'E';
        *o++ = x < 0 ? '-' : '+';
        const int a = std::abs(x);
        if (a >= 100) *o++ = static_cast<char>('0' + a / 100);
        *o++ = static_cast<char>('0' + a / 10 % 10);
        *o++ = static_cast<char>('0' + a % 10);
    }
    *o++ = ' ';
    return o;
}

// Digits of the plain or exponent text of d in the 15-digit form, counted
// from its first non-zero one: a whole number's zeros before the point count.
int SignificantDigits(int count, int exponent) {
    return exponent >= 0 && exponent < 15 ? std::max(count, exponent + 1) : count;
}
int SignificantDigits(const Decimal& d) { return SignificantDigits(d.count, d.exponent); }

// whole without its trailing zeros, taking them off `count` digits: 8, 4, 2
// and 1 at a time, which covers the 14 a 15-digit whole number may end in.
std::uint64_t WithoutTrailingZeros(std::uint64_t whole, int& count) {
    if (whole % 100000000 == 0) whole /= 100000000, count -= 8;
    if (whole % 10000 == 0) whole /= 10000, count -= 4;
    if (whole % 100 == 0) whole /= 100, count -= 2;
    if (whole % 10 == 0) whole /= 10, count -= 1;
    return whole;
}

// The count digits of whole, which ends in no zero, as d.
Decimal DigitsOf(std::uint64_t whole, int count, int exponent) {
    Decimal d;
    std::to_chars(d.digits, d.digits + count, whole);
    d.count = count;
    d.exponent = exponent;
    return d;
}

// WriteDxfNumber in whole-number arithmetic for 10^-8 <= |v| < 10^15, or
// nullptr where it cannot tell. |v| 10^(14-x) (x the decimal exponent) is
// worked out exactly, as a product and the error fma gives of it, and rounded
// to the whole number r15 of the 15 digits; then r7 is its 7-digit rounding.
// Those are the digits the general way finds: a text within half a unit of
// the 15th digit reads back as v only if it is that rounding. A product
// within a hair of a half, and a 15-digit form that ends in an exact half at
// the 8th digit, are left to the general way.
char* WriteDxfNumberFast(double v, char* out) {
    const double a = std::fabs(v);
    const auto bits = std::bit_cast<std::uint64_t>(a);
    const int binary = static_cast<int>(bits >> 52) - 1023;  // 2^binary <= a < 2^(binary+1)
    if (binary < -30 || binary > 50) return nullptr;
    int x = (binary * 1233) >> 12;  // floor(binary log10 2), give or take one
    for (int tries = 0; tries < 3; ++tries) {
        if (x < -8 || x > 14) return nullptr;
        const double scale = kTensAsDouble[14 - x];
        const double hi = a * scale, lo = std::fma(a, scale, -hi);
        double r = (hi + 0x1p52) - 0x1p52;  // the nearest whole number, hi being below 2^52
        const double off = (hi - r) + lo;    // hi - r is exact
        if (std::fabs(std::fabs(off) - 0.5) < 1e-6) return nullptr;
        r += (off > 0.5) - (off < -0.5);
        if (r > 1e15) {
            ++x;
            continue;
        }
        if (r < 1e14) {
            --x;
            continue;
        }
        auto r15 = static_cast<std::uint64_t>(r);
        if (r15 == kTens[15]) r15 = kTens[14], ++x;  // rounded up into the next decade
        int count = 15;
        const std::uint64_t digits15 = WithoutTrailingZeros(r15, count);
        if (SignificantDigits(count, x) > 12) {
            const std::uint64_t tail = r15 % kTens[8];
            if (tail == 5 * kTens[7]) return nullptr;
            std::uint64_t r7 = r15 / kTens[8] + (tail > 5 * kTens[7]);
            int x7 = x;
            if (r7 == kTens[7]) r7 = kTens[6], ++x7;
            double shortValue = 0;
            (void)ExactDecimal(r7, x7 - 6, shortValue);  // x7 - 6 lies within -14..9
            if (std::fabs(a - shortValue) <= shortValue * 1.2e-7) {
                int count7 = 7;
                r7 = WithoutTrailingZeros(r7, count7);
                return Layout(DigitsOf(r7, count7, x7), 7, v < 0, out);
            }
        }
        return Layout(DigitsOf(digits15, count, x), 15, v < 0, out);
    }
    return nullptr;
}

}  // namespace

char* WriteDxfNumber(double v, char* out) {
    if (!std::isfinite(v)) throw RuntimeError(6, "A value that is not a finite number cannot be written to a DXF file.");
    if (v == 0) {
        std::memcpy(out, " 0 ", 3);
        return out + 3;
    }
    if (char* end = WriteDxfNumberFast(v, out)) return end;
    const bool negative = v < 0;
    const Decimal d = Digits15(v);
    // Only a number that needs nearly all fifteen digits can be a single-
    // precision value seen through double arithmetic.
    if (SignificantDigits(d) > 12) {
        Decimal shortForm;
        if (d.halfAt(7)) {
            shortForm = Scientific(v, 6);
        } else {
            // The first eight digits a byte at a time: a wide copy of digits
            // just stored a byte at a time would wait for every store.
            shortForm.count = std::min(d.count, 8);
            shortForm.exponent = d.exponent;
            for (int i = 0; i < shortForm.count; ++i) shortForm.digits[i] = d.digits[i];
            shortForm.roundTo(7);
        }
        const double magnitude = ValueOf(shortForm);
        const double shortValue = negative ? -magnitude : magnitude;
        if (std::fabs(v - shortValue) <= std::fabs(shortValue) * 1.2e-7) return Layout(shortForm, 7, negative, out);
    }
    return Layout(d, 15, negative, out);
}

std::string DxfNumber(double v) {
    char buf[kDxfNumberMax];
    return std::string(buf, WriteDxfNumber(v, buf));
}

namespace {

// A formatted number held until its entity is written; `what` names the
// value in the refusal of one that is not finite ("its height"). Not wanted:
// no text. It is neither copied nor moved: the entity reads it in place.
class NumberText {
public:
    NumberText(double v, const char* what, bool wanted = true) {
        if (!wanted) return;
        if (!std::isfinite(v))
            throw RuntimeError(6, std::string(what) + " is not a finite number and cannot be written to the DXF file");
        size_ = static_cast<std::size_t>(WriteDxfNumber(v, text_) - text_);
    }
    NumberText(const NumberText&) = delete;
    NumberText& operator=(const NumberText&) = delete;
    std::string_view view() const { return {text_, size_}; }

private:
    char text_[kDxfNumberMax];
    std::size_t size_ = 0;
};

// A file gathers this much before it is written to.
constexpr std::size_t kSpillBytes = 1 << 20;

}  // namespace

DxfProfileWriter::DxfProfileWriter() = default;
DxfProfileWriter::~DxfProfileWriter() = default;

void DxfProfileWriter::Begin() {
    file_.reset();
    bytes_.clear();
    open_ = true;
    code(0);
    value("SECTION");
    code(2);
    value("ENTITIES");
}

Outcome DxfProfileWriter::BeginFile(const std::string& path) {
    Begin();
    file_ = std::make_unique<AtomicFileWriter>();
    Outcome opened = file_->Open(path);
    if (!opened) {
        file_.reset();
        bytes_.clear();
        open_ = false;
    }
    return opened;
}

void DxfProfileWriter::End() {
    requireOpen();
    code(0);
    value("ENDSEC");
    code(0);
    value("EOF");
    open_ = false;
}

Outcome DxfProfileWriter::SaveTo(const std::string& path) const { return SaveFileAtomically(path, bytes_); }

Outcome DxfProfileWriter::Commit() {
    if (!file_) return Outcome::Fail("No DXF file was begun.");
    file_->Write(bytes_);
    bytes_.clear();
    bytes_.shrink_to_fit();
    Outcome done = file_->Commit();
    file_.reset();
    return done;
}

void DxfProfileWriter::spill() {
    if (!file_ || bytes_.size() < kSpillBytes) return;
    file_->Write(bytes_);
    bytes_.clear();
}

namespace {

// The lines of the group codes below 100, " 8 " and its line end, made once.
struct CodeLine {
    char text[8];
    int size;
};
constexpr std::array<CodeLine, 100> kCodeLines = [] {
    std::array<CodeLine, 100> lines{};
    for (int c = 0; c < 100; ++c) {
        CodeLine& l = lines[c];
        l.text[l.size++] = ' ';
        if (c >= 10) l.text[l.size++] = static_cast<char>('0' + c / 10);
        l.text[l.size++] = static_cast<char>('0' + c % 10);
        for (char e : {' ', '\r', '\n'}) l.text[l.size++] = e;
    }
    return lines;
}();

// A group code on its line: " 8 ".
char* PutCode(char* p, int groupCode) {
    if (groupCode >= 0 && groupCode < 100) {
        std::memcpy(p, kCodeLines[groupCode].text, 8);  // the room holds 16
        return p + kCodeLines[groupCode].size;
    }
    *p++ = ' ';
    p = std::to_chars(p, p + 12, groupCode).ptr;
    std::memcpy(p, " \r\n", 3);
    return p + 3;
}

// A text value on one line: line breaks and NULs would split or end it.
char* PutValue(char* p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    for (char* c = p; c < p + text.size(); ++c)
        if (*c == '\r' || *c == '\n' || *c == '\0') *c = ' ';
    p += text.size();
    std::memcpy(p, "\r\n", 2);
    return p + 2;
}

char* PutNumber(char* p, std::string_view number) {
    std::memcpy(p, number.data(), number.size());
    p += number.size();
    std::memcpy(p, "\r\n", 2);
    return p + 2;
}

// Room for an entity's group codes and fixed values, beside its numbers and texts.
constexpr std::size_t kEntityRoom = 256;

}  // namespace

char* DxfProfileWriter::room(std::size_t n) {
    if (entity_.size() < n) entity_.resize(n);
    return entity_.data();
}

void DxfProfileWriter::close(const char* end) { bytes_.append(entity_.data(), static_cast<std::size_t>(end - entity_.data())); }

const std::string& DxfProfileWriter::layerName(double colour) {
    if (std::bit_cast<std::uint64_t>(colour) != std::bit_cast<std::uint64_t>(layerColour_) || layer_.empty()) {
        layer_ = ColourLayerName(colour);
        layerColour_ = colour;
    }
    return layer_;
}

void DxfProfileWriter::code(int groupCode) { close(PutCode(room(16), groupCode)); }

void DxfProfileWriter::value(std::string_view text) { close(PutValue(room(text.size() + 2), text)); }

void DxfProfileWriter::requireOpen() const {
    if (!open_) throw RuntimeError(52, "no DXF file is open to take it");
}

// Each entity is put together in one piece, then added to the text.
void DxfProfileWriter::Text(const Placement& at, double x, double y, double colour, double height, double angle,
                            const std::string&, const std::string& text) {
    requireOpen();
    // Every number first, so a bad one leaves no half entity behind.
    const NumberText X(10 * x + at.DxfOffsetX, "its x"), Y(10 * y + at.DxfOffsetY, "its y");
    const NumberText A(angle, "its angle"), H(10 * height, "its height");
    const NumberText C(colour, "its colour", colour != 0);
    const std::string& layer = layerName(colour);
    std::string_view shown = text;
    shown.remove_prefix(std::min(shown.find_first_not_of(' '), shown.size()));
    char* p = room(kEntityRoom + 5 * kDxfNumberMax + layer.size() + shown.size());
    p = PutValue(PutCode(p, 0), "TEXT");
    p = PutValue(PutCode(p, 8), layer);
    if (colour != 0) p = PutNumber(PutCode(p, 62), C.view());
    p = PutNumber(PutCode(p, 10), X.view());
    p = PutNumber(PutCode(p, 20), Y.view());
    p = PutCode(PutCode(p, 30), 0);
    p = PutNumber(PutCode(p, 50), A.view());
    p = PutValue(PutCode(p, 7), "STANDARD");
    p = PutNumber(PutCode(p, 40), H.view());
    p = PutValue(PutCode(p, 1), shown);
    close(p);
    spill();
}

void DxfProfileWriter::Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
                            const std::string& lineType) {
    requireOpen();
    const NumberText X1(10 * x1 + at.DxfOffsetX, "its start's x"), Y1(10 * y1 + at.DxfOffsetY, "its start's y");
    const NumberText X2(10 * x2 + at.DxfOffsetX, "its end's x"), Y2(10 * y2 + at.DxfOffsetY, "its end's y");
    // Colour 4 is written as 30 in this file only; the layer keeps the number.
    const double written = colour == 4 ? 30 : colour;
    const NumberText C(written, "its colour", written != 0);
    const std::string_view layer = lineType == "DOT" ? std::string_view("S") : std::string_view(layerName(colour));
    const bool typed = !lineType.empty() && lineType.find('\0') == std::string::npos;
    char* p = room(kEntityRoom + 5 * kDxfNumberMax + layer.size() + lineType.size());
    p = PutValue(PutCode(p, 0), "LINE");
    p = PutValue(PutCode(p, 8), layer);
    // This group's number has no trailing blank.
    if (written != 0) p = PutNumber(PutCode(p, 62), C.view().substr(0, C.view().size() - 1));
    if (typed) p = PutValue(PutCode(p, 6), lineType);
    p = PutNumber(PutCode(p, 10), X1.view());
    p = PutNumber(PutCode(p, 20), Y1.view());
    p = PutCode(PutCode(p, 30), 0);
    p = PutNumber(PutCode(p, 11), X2.view());
    p = PutNumber(PutCode(p, 21), Y2.view());
    p = PutCode(PutCode(p, 31), 0);
    close(p);
    spill();
}

}  // namespace vd
