// The design run over the line table.
#pragma once

#include "engine/model.h"

namespace vd {

// Clears results, links, checks loops and ground levels, builds laterals,
// checks slopes and inverts, computes chainage and cuts the sheets. outcome
// is set to 2 when the run reaches its end and left as it is when a fatal
// check stops it.
void ProcessNetwork(Model& m, int& outcome);
inline void ProcessNetwork(Model& m) {
    int outcome = 0;
    ProcessNetwork(m, outcome);
}

// Rebuilds LatTable and each line's LatNo from the links; LatCount must
// already hold the number of laterals.
void BuildLaterals(Model& m);

// From startLine downstream, stores CalcSlope and logs slope and invert errors.
void CheckBranchSlopes(Model& m, int startLine);

}  // namespace vd
