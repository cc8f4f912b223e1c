// The bytes a name may hold when a reader brings it in: every byte from the
// blank up, Latin-1 letters included, but no control character (below 0x20)
// and no DEL (0x7F). The network file cannot keep them and the grid refuses
// them typed, so a name that held one would change unseen on the next save:
// the readers refuse such input whole instead.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vd {

inline bool IsControlByte(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The position of the first control character of text, npos when none.
inline std::size_t FirstControlByte(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (IsControlByte(static_cast<unsigned char>(text[i]))) return i;
    return std::string_view::npos;
}

// "a control character (byte 0x09)", for the refusal that names it.
inline std::string ControlByteText(unsigned char c) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", c);
    return std::string("a control character (byte ") + hex + ")";
}

}  // namespace vd
