// The bytes a name may hold: every byte from the blank up, Latin-1 letters
// from 0x80 included, but no control character (below 0x20) and no DEL
// (0x7F). The network file cannot keep them and the grid refuses them
// typed, so a name that held one would change unseen on the next save: the
// readers and imports refuse such input whole instead.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "engine/word_scan.h"

namespace vd {

inline bool IsControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The control characters among eight bytes, marked as word::FindMarked
// takes them.
inline std::uint64_t ControlBytesIn(std::uint64_t w) { return word::Below(w, 0x20) | word::Equal(w, 0x7F); }

// The position of the first control character of text, npos when none.
// Eight bytes at a time: a reader looks at every name of a large file.
inline std::size_t FirstControlByte(std::string_view text) {
    const std::size_t at = word::FindMarked(text, 0, ControlBytesIn);
    return at == text.size() ? std::string_view::npos : at;
}

inline bool HoldsControlByte(std::string_view text) { return FirstControlByte(text) != std::string_view::npos; }

// "a control character (byte 0x09)", for the refusal that names it.
inline std::string ControlByteText(unsigned char c) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", c);
    return std::string("a control character (byte ") + hex + ")";
}

}  // namespace vd
