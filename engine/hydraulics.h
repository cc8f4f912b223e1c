// Self-cleaning slope of a line from a partial-flow Manning solve.
#pragma once

#include <optional>

#include "engine/model.h"

namespace vd {

// The value of pi the design rules are stated with, in the pipe areas, the
// Manning capacity factor and the solve's start. Computed values match the
// design tables only with this value.
inline constexpr double kDesignPi = 3.14159;

// Result of the partial-flow solve of a circular section.
struct PartialFlow {
    double theta = 0;  // wetted angle, radians
    double y = 0;      // depth over diameter
    double P = 0;      // depth factor of the Manning n at y
    int steps = 0;     // Newton steps taken
};

// Depth factor P(y): full-pipe n over partial-flow n at depth ratio y.
double DepthFactor(double y);

// Wetted angle at which A R^(2/3) S^(1/2) equals Q n (Q in m3/s, radius r in
// m, slope S). No value when the solve does not settle within 50 steps,
// settles on an angle outside (0, 2 pi) (no depth carries Q: the pipe is too
// small or too flat for it), S is not positive, or a value turns non-finite.
std::optional<PartialFlow> SolvePartialFlow(double Q, double n, double r, double S);

// Full-pipe capacity (l/s, cut down to hundredths) of diameter dia (mm) at
// slope s with Manning n.
std::optional<double> FullPipeCapacity(double dia, double s, double n);

// Self-cleaning slope of a line (m/m); no value when the line has no design
// flow or when the inputs give none (n, Mins or slope not positive).
// Sets m.ManningN when the line has a design flow.
std::optional<double> LineHydraulics(Model& m, int line);

}  // namespace vd
