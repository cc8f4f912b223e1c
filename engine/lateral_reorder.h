// Renumbering the laterals for the profile sheets.
#pragma once

#include "engine/model.h"

namespace vd {

// Laterals in ascending order of their head line's Latral; chainage and
// sheets again. A runtime error is shown in a message box.
void SheetByLateral(Model& m);

// Laterals in ascending order of their head line's From; chainage and
// sheets again. An empty network is left as it is; runtime errors end it
// silently.
void SortLateralsByStart(Model& m);

}  // namespace vd
