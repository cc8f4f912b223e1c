// Renumbering the laterals for the profile sheets.
#pragma once

#include "engine/model.h"

namespace vd {

// Laterals in ascending order of their head line's Latral; chainage and
// sheets again. A fault on the way (a number too large for its field) is
// shown in a message box.
void SheetByLateral(Model& m);

// Laterals in ascending order of their head line's From; chainage and
// sheets again. An empty network is left as it is; a fault on the way ends
// it silently.
void SortLateralsByStart(Model& m);

}  // namespace vd
