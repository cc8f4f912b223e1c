// Cuts the laterals into profile sheets and strips.
#pragma once

#include "engine/model.h"

namespace vd {

// Rebuilds SheetTable, SheetCount, Links(p).PosLine and each line's
// Results.SheetIdx from LatTable, SheetLayoutMode and style row 26.
void CutSheets(Model& m, int mode = 0);

}  // namespace vd
