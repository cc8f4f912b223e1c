#pragma once

#include "engine/model.h"

namespace vd {

// Starts a new project: default criteria, line and link rows cleared,
// LineCount 1, DiaCount 1, SheetLayoutMode 1.
void ResetProject(Model& m);

}  // namespace vd
