#include "cad/aci_palette.h"

namespace vd {

namespace {

int32_t Rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

// Channel share q/60 of a fully saturated hue (0 to 345 degrees in steps of 15).
void HueShares(int hue, int q[3]) {
    const int sextant = hue / 60;
    const int rise = hue % 60;  // how far into the sextant, 0..59
    const int fall = 60 - rise;
    switch (sextant) {
        case 0: q[0] = 60, q[1] = rise, q[2] = 0; break;
        case 1: q[0] = fall, q[1] = 60, q[2] = 0; break;
        case 2: q[0] = 0, q[1] = 60, q[2] = rise; break;
        case 3: q[0] = 0, q[1] = fall, q[2] = 60; break;
        case 4: q[0] = rise, q[1] = 0, q[2] = 60; break;
        default: q[0] = 60, q[1] = 0, q[2] = fall; break;
    }
}

}  // namespace

int32_t AciToRgb(int index) {
    switch (index) {
        case 1: return Rgb(255, 0, 0);
        case 2: return Rgb(255, 255, 0);
        case 3: return Rgb(0, 255, 0);
        case 4: return Rgb(0, 255, 255);
        case 5: return Rgb(0, 0, 255);
        case 6: return Rgb(255, 0, 255);
        case 7:
        case 255:
        case 256:
        case 257: return Rgb(255, 255, 255);
        case 8: return Rgb(128, 128, 128);
        case 9: return Rgb(192, 192, 192);
        default: break;
    }
    if (index >= 250 && index <= 254) {
        static const int grey[] = {51, 91, 132, 173, 214};
        const int g = grey[index - 250];
        return Rgb(g, g, g);
    }
    if (index < 10 || index > 249) return 0;

    // Hue steps of 15 degrees per ten numbers; within a ten the shades full,
    // 80, 60, 50 and 30 per cent, each followed by its half-saturated form.
    // Whole-number arithmetic keeps the floors exact.
    static const int shade[] = {10, 8, 6, 5, 3};  // tenths of full intensity
    const int f = shade[(index % 10) / 2];
    int q[3];
    HueShares((index / 10 - 1) * 15, q);
    int c[3];
    for (int i = 0; i < 3; ++i) {
        if (index % 2 == 0)
            c[i] = q[i] * f * 255 / 600;  // floor(share * f * 255)
        else
            c[i] = 255 * f * (60 + q[i]) / 1200;  // floor(V - (V - share * V) / 2), V = 255 f
    }
    return Rgb(c[0], c[1], c[2]);
}

}  // namespace vd
