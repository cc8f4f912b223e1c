// Laterals that follow the lateral names the lines carry.
#pragma once

#include "engine/model.h"

namespace vd {

// Four passes: push names downstream, join same-named feeders, number the
// laterals by name, write "temp.asb" into ProjectFolder and run
// ProcessNetwork again.
void SetLaterals(Model& m);

// The numbering step of a pass: one lateral per last line, in ascending
// order of its Latral (ties by line number), from the last line up through
// UpLine. Rebuilds LatTable (LatFirst, LatLast), LatNo and LatCount.
// Returns the number of laterals.
int NumberLateralsByName(Model& m);

}  // namespace vd
