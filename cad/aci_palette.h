// The AutoCAD Color Index palette: the screen colour of a colour number, for
// the profile canvas, the style page's samples and the Drawing window. The
// program's one palette.
#pragma once

#include <cstdint>

namespace vd {

// R + 256 G + 65536 B of colour number index. 0 and below, and 258 and
// above, are black; 256 and 257 (by layer, by block) are white.
int32_t AciToRgb(int index);

inline int AciRed(int32_t rgb) { return rgb & 0xFF; }
inline int AciGreen(int32_t rgb) { return (rgb >> 8) & 0xFF; }
inline int AciBlue(int32_t rgb) { return (rgb >> 16) & 0xFF; }

}  // namespace vd
