#include <cmath>

#include "engine/number_text.h"
#include "profile_drawing/output.h"

namespace vd {

void ProfileOutput::Solid(const Placement&, const std::array<double, 4>&, const std::array<double, 4>&, int) {}

ProfileOutput* OutputSet::ForMode(int mode) const {
    switch (mode) {
        case kDrawCanvas: return Canvas;
        case kDrawDxf: return Dxf;
        case kDrawCadLines: return CadLines;
        case kDrawCadBlocks: return CadBlocks;
        default: return nullptr;
    }
}

int ColourIndex(double colour) {
    if (!std::isfinite(colour) || std::fabs(colour) > 32767) return 0;
    return static_cast<int>(RoundHalfEven(colour));
}

std::string ColourLayerName(double colour) {
    if (std::isfinite(colour) && colour == std::floor(colour) && std::fabs(colour) < 1e15)
        return NumText(static_cast<long long>(colour));
    // A fractional colour names its layer as its shortest decimal text.
    std::string t = FloatText(static_cast<float>(colour));
    return t;
}

}  // namespace vd
