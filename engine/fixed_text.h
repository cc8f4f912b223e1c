// Fixed-width text fields of the network records.
//
// A field always holds exactly N bytes (Latin-1). Assigning pads with blanks
// on the right or cuts to N. A field never assigned holds N NUL bytes, which
// compares less than " " and so counts as empty; the file writer and the grid
// rely on telling the two apart.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace vd {

// Binary, byte-by-byte comparison of two texts, as names are compared:
// unsigned bytes, and a proper prefix is less than the longer text.
int CompareText(std::string_view a, std::string_view b);

std::string TrimRight(std::string_view s);  // trailing blanks removed
std::string TrimLeft(std::string_view s);   // leading blanks removed
std::string Trim(std::string_view s);       // both
std::string UpperCase(std::string_view s);  // ASCII letters only

template <std::size_t N>
class FixedText {
public:
    static constexpr std::size_t Width = N;

    FixedText() { bytes_.fill('\0'); }
    FixedText(std::string_view s) { assign(s); }  // NOLINT: assignment-like

    FixedText& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    FixedText& operator=(const char* s) { return *this = std::string_view(s); }
    FixedText& operator=(const std::string& s) { return *this = std::string_view(s); }

    void assign(std::string_view s) {
        std::size_t n = s.size() < N ? s.size() : N;
        if (n > 0) std::memmove(bytes_.data(), s.data(), n);  // s may be a view of this very field
        std::memset(bytes_.data() + n, ' ', N - n);
    }
    void clear() { bytes_.fill('\0'); }  // back to the never-assigned state

    // The whole field, N bytes, NULs and trailing blanks included.
    std::string str() const { return std::string(bytes_.data(), N); }
    std::string_view view() const { return std::string_view(bytes_.data(), N); }
    // The field without trailing blanks (NULs kept).
    std::string rtrim() const { return TrimRight(view()); }
    // The field without blanks on either side.
    std::string trim() const { return Trim(view()); }

    // Never assigned: all NUL.
    bool unassigned() const {
        for (char c : bytes_)
            if (c != '\0') return false;
        return true;
    }
    // The empty-field test: the text is less than " ", as a never-assigned
    // (NUL-filled) field is.
    // Bytewise, only a first byte below the blank makes the field less: one
    // that is the blank leaves it equal (a width of 1) or longer, so greater.
    bool lessThanBlank() const { return static_cast<unsigned char>(bytes_[0]) < 0x20; }

    char* data() { return bytes_.data(); }
    const char* data() const { return bytes_.data(); }

    friend bool operator==(const FixedText& a, const FixedText& b) { return a.bytes_ == b.bytes_; }
    // Bytewise and unsigned, as CompareText: both hold N bytes.
    friend std::strong_ordering operator<=>(const FixedText& a, const FixedText& b) {
        return std::memcmp(a.bytes_.data(), b.bytes_.data(), N) <=> 0;
    }

private:
    std::array<char, N> bytes_;
};

}  // namespace vd
