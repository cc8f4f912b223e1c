#include "profile_drawing/dxf_output.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "engine/errors.h"
#include "engine/atomic_save.h"
#include "engine/fixed_text.h"

namespace vd {

namespace {

std::string General(double v, int digits) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    return std::string(buf, r.ptr);
}

int SignificantDigits(const std::string& t) {
    const std::string mantissa = t.substr(0, t.find('e'));
    std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string::npos) return 0;
    int n = 0;
    for (std::size_t i = first; i < mantissa.size(); ++i) n += mantissa[i] >= '0' && mantissa[i] <= '9';
    return n;
}

// A text value on one line: line breaks and NULs would split or end it.
std::string OneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    return s;
}

}  // namespace

std::string DxfNumber(double v) {
    if (!std::isfinite(v)) throw RuntimeError(6, "Overflow");
    if (v == 0) return " 0 ";
    std::string t = General(v, 15);
    // Only a number that needs nearly all fifteen digits can be a single-
    // precision value seen through double arithmetic.
    if (SignificantDigits(t) > 12) {
        const std::string shortText = General(v, 7);
        const double shortForm = std::strtod(shortText.c_str(), nullptr);
        if (std::fabs(v - shortForm) <= std::fabs(shortForm) * 1.2e-7) t = shortText;
    }
    for (char& c : t)
        if (c == 'e') c = 'E';
    if (t.rfind("0.", 0) == 0) t.erase(0, 1);
    else if (t.rfind("-0.", 0) == 0) t.erase(1, 1);
    return (t[0] == '-' ? t : " " + t) + " ";
}

void DxfProfileWriter::Begin() {
    bytes_.clear();
    open_ = true;
    code(0);
    value("SECTION");
    code(2);
    value("ENTITIES");
}

void DxfProfileWriter::End() {
    requireOpen();
    code(0);
    value("ENDSEC");
    code(0);
    value("EOF");
    open_ = false;
}

Outcome DxfProfileWriter::SaveTo(const std::string& path) const {
    return SaveFileAtomically(path, bytes_);
}

void DxfProfileWriter::code(int groupCode) { bytes_ += " " + std::to_string(groupCode) + " \r\n"; }

void DxfProfileWriter::value(const std::string& text) { bytes_ += OneLine(text) + "\r\n"; }

void DxfProfileWriter::requireOpen() const {
    if (!open_) throw RuntimeError(52, "Bad file name or number: no DXF file is open");
}

void DxfProfileWriter::Text(const Placement& at, double x, double y, double colour, double height, double angle,
                            const std::string&, const std::string& text) {
    requireOpen();
    // Every number first, so a bad one leaves no half entity behind.
    const std::string X = DxfNumber(10 * x + at.DxfOffsetX), Y = DxfNumber(10 * y + at.DxfOffsetY);
    const std::string A = DxfNumber(angle), H = DxfNumber(10 * height);
    const std::string C = colour != 0 ? DxfNumber(colour) : std::string();
    code(0);
    value("TEXT");
    code(8);
    value(ColourLayerName(colour));
    if (colour != 0) {
        code(62);
        bytes_ += C + "\r\n";
    }
    code(10);
    bytes_ += X + "\r\n";
    code(20);
    bytes_ += Y + "\r\n";
    code(30);
    code(0);
    code(50);
    bytes_ += A + "\r\n";
    code(7);
    value("STANDARD");
    code(40);
    bytes_ += H + "\r\n";
    code(1);
    value(TrimLeft(text));
}

void DxfProfileWriter::Line(const Placement& at, double x1, double y1, double x2, double y2, double colour,
                            const std::string& lineType) {
    requireOpen();
    const std::string X1 = DxfNumber(10 * x1 + at.DxfOffsetX), Y1 = DxfNumber(10 * y1 + at.DxfOffsetY);
    const std::string X2 = DxfNumber(10 * x2 + at.DxfOffsetX), Y2 = DxfNumber(10 * y2 + at.DxfOffsetY);
    // Colour 4 is written as 30 in this file only; the layer keeps the number.
    const double written = colour == 4 ? 30 : colour;
    std::string C;
    if (written != 0) {
        C = DxfNumber(written);
        C.pop_back();  // this group's number has no trailing blank
    }
    code(0);
    value("LINE");
    code(8);
    value(lineType == "DOT" ? std::string("S") : ColourLayerName(colour));
    if (written != 0) {
        code(62);
        bytes_ += C + "\r\n";
    }
    if (!lineType.empty() && lineType.find('\0') == std::string::npos) {
        code(6);
        value(lineType);
    }
    code(10);
    bytes_ += X1 + "\r\n";
    code(20);
    bytes_ += Y1 + "\r\n";
    code(30);
    code(0);
    code(11);
    bytes_ += X2 + "\r\n";
    code(21);
    bytes_ += Y2 + "\r\n";
    code(31);
    code(0);
}

}  // namespace vd
