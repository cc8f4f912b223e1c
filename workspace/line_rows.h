// Clearing the line rows before a new network comes in.
#pragma once

#include "engine/model.h"

namespace vd {

// The highest row of Lines that holds anything beyond a cleared row (the
// template with lateral "0"): rows a short read or an interrupted import
// left behind count, whatever LineCount says.
int HighestRowInUse(const Model& m);

// Copies the template over rows 1..upTo and gives each the lateral "0".
void ClearLineRows(Model& m, int upTo);

}  // namespace vd
