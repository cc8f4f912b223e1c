// Trench-depth bands of a line and its construction cost.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/model.h"

namespace vd {

// Lengths (m) of a line in the depth bands up to 2 m (L1), 2-3, 3-4, 4-5 and
// deeper than 5 m (L5); shallow and deep are the two end depths.
struct DepthBands {
    double L1 = 0, L2 = 0, L3 = 0, L4 = 0, L5 = 0;
    double shallow = 0, deep = 0;
};

// No value when the line's Len is 0, a split point lies beyond 32-bit
// centimetres, or the line is out of range.
std::optional<DepthBands> DepthBandLengths(const Model& m, int line);
// The reference form; returns false (outputs untouched) when there is no value.
bool DepthBandLengths(const Model& m, int line, double& L1, double& L2, double& L3, double& L4,
                      double& L5, double& shallow, double& deep);

// One per fill of a view, so that "Cost Error" is shown once per fill
// rather than once per cell.
struct CostMessages {
    bool costErrorShown = false;
};

// Cost of a line, a 32-bit whole number; 0 after "Cost Error". No value when
// it cannot be computed (Len 0, wedge slope 0, out of the 32-bit range).
// Without messages the box is shown each time it applies.
std::optional<int32_t> LineCost(Model& m, int line, CostMessages* messages = nullptr);

}  // namespace vd
