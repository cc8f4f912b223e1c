#include "cad/dxf_string_writer.h"

#include <charconv>
#include <cmath>

namespace vd {

DxfStringWriter::DxfStringWriter() : DL_Writer(DL_VERSION_R12) { bytes_.reserve(1 << 20); }

std::string DxfStringWriter::take() {
    std::string out;
    out.swap(bytes_);
    return out;
}

void DxfStringWriter::code(int gc) const {
    if (gc < 10) bytes_ += "  ";
    else if (gc < 100) bytes_ += ' ';
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, gc);
    bytes_.append(buf, res.ptr);
    bytes_ += '\n';
}

void DxfStringWriter::value(std::string_view v) const {
    bytes_ += v;
    bytes_ += '\n';
}

void DxfStringWriter::text(std::string_view v) const {
    // One line per group value: a break or NUL inside would split it.
    for (char c : v) bytes_ += (c == '\0' || c == '\r' || c == '\n') ? ' ' : c;
    bytes_ += '\n';
}

void DxfStringWriter::dxfReal(int gc, double v) const {
    if (!std::isfinite(v)) v = 0.0;
    char buf[400];
    code(gc);
    if (std::fabs(v) >= 1e15) {
        // Fixed notation would run to hundreds of digits here.
        auto res = std::to_chars(buf, buf + sizeof buf, v);
        value({buf, static_cast<size_t>(res.ptr - buf)});
        return;
    }
    // to_chars ignores the desktop's locale: the point stays a '.'.
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 16);
    char* end = res.ptr;
    while (end > buf && end[-1] == '0') --end;
    if (end > buf && end[-1] == '.') *end++ = '0';
    value({buf, static_cast<size_t>(end - buf)});
}

void DxfStringWriter::dxfInt(int gc, int v) const {
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    code(gc);
    value({buf, static_cast<size_t>(res.ptr - buf)});
}

void DxfStringWriter::dxfHex(int gc, int v) const {
    char buf[16];
    auto res = std::to_chars(buf, buf + sizeof buf, static_cast<unsigned>(v), 16);
    for (char* p = buf; p != res.ptr; ++p)
        if (*p >= 'a' && *p <= 'f') *p = static_cast<char>(*p - 'a' + 'A');
    code(gc);
    value({buf, static_cast<size_t>(res.ptr - buf)});
}

void DxfStringWriter::dxfString(int gc, const char* v) const {
    code(gc);
    text(v ? std::string_view(v) : std::string_view());
}

void DxfStringWriter::dxfString(int gc, const std::string& v) const {
    code(gc);
    text(v);
}

}  // namespace vd
