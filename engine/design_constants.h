// Constants the design rules are stated with.
#pragma once

namespace vd {

// The value of pi of the design rules: pipe areas, the Manning capacity
// factor, the partial-flow solve's start and the drawing's degree angles.
// Computed values match the design tables only with this value.
inline constexpr double kDesignPi = 3.14159;

}  // namespace vd
