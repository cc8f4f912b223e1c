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

// Rebuilds LatTable, one row per lateral head found, and each line's LatNo
// from the links. LatCount is left as the caller set it.
void BuildLaterals(Model& m);

// From startLine downstream, stores CalcSlope and logs slope and invert errors.
void CheckBranchSlopes(Model& m, int startLine);

// Steps of ProcessNetwork, callable on their own for checks.
// Defaults each line's cover, clears its drop and compares the ground levels
// at manholes shared by several lines; false when a mismatch ends the run.
bool CheckGroundLevels(Model& m);
// Logs every line whose lateral name differs from its upstream line's, on the
// walk from each lateral's head to the outfall.
void CheckLateralNames(Model& m);
// CheckBranchSlopes for the head of every lateral, with the progress bar.
void CheckAllBranchSlopes(Model& m);

}  // namespace vd
