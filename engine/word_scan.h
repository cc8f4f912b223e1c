// Eight bytes at a time: a word holds eight bytes of a text, the first in its
// lowest byte, and each test below leaves the high bit of exactly the bytes
// it marks (no carry crosses from one byte into the next), so the first
// marked byte is the word's lowest set bit / 8.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vd::word {

static_assert(std::endian::native == std::endian::little, "the first byte of a text is the word's lowest");

inline constexpr std::uint64_t kOnes = 0x0101010101010101ull;
inline constexpr std::uint64_t kHighs = 0x8080808080808080ull;
inline constexpr std::uint64_t kLow7 = ~kHighs;

inline std::uint64_t Load(const char* p) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, 8);
    return w;
}

// The bytes below n (1 to 128): a byte's low seven bits plus 128 - n reach
// the high bit exactly when the byte is at least n, and never carry out of
// the byte; a byte with its high bit set is at least 128.
constexpr std::uint64_t Below(std::uint64_t w, unsigned n) {
    return ~(((w & kLow7) + kOnes * (128 - n)) | w) & kHighs;
}
// The bytes equal to c.
constexpr std::uint64_t Equal(std::uint64_t w, unsigned char c) { return Below(w ^ (kOnes * c), 1); }

// Where the first byte at or after pos that `marks` marks is, or the text's
// end. marks takes a word and gives its marked bytes' high bits. Past the
// whole words, the last eight bytes are taken again as one word with the
// bytes already looked at masked off; a text shorter than eight goes a byte
// at a time, each alone in the lowest byte of a word.
template <class Marks>
std::size_t FindMarked(std::string_view s, std::size_t pos, Marks marks) {
    auto first = [](std::size_t at, std::uint64_t m) { return at + static_cast<std::size_t>(std::countr_zero(m)) / 8; };
    for (; pos + 8 <= s.size(); pos += 8)
        if (const std::uint64_t m = marks(Load(s.data() + pos))) return first(pos, m);
    if (pos < s.size() && s.size() >= 8) {
        const std::size_t from = s.size() - 8;  // 1 to 7 bytes before pos
        const std::uint64_t m = marks(Load(s.data() + from)) & (~std::uint64_t{0} << (8 * (pos - from)));
        return m ? first(from, m) : s.size();
    }
    for (; pos < s.size(); ++pos)
        if (marks(static_cast<unsigned char>(s[pos])) & 0x80) return pos;
    return s.size();
}

}  // namespace vd::word
