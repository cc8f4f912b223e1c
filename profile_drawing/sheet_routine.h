// The sheet drawing routine: one profile sheet, strip by strip and line by
// line, through the primitives to the target of the view's DrawMode.
#pragma once

#include "engine/outcome.h"
#include "profile_drawing/context.h"

namespace vd {

// Draws the sheet whose strips the view state holds (Band1Start..Band1End,
// Band2Start..Band2End). Writes each drawn line's ProfX and may raise a
// lateral's LatBase. Leaves DrawMode at 1. Steps that failed were skipped
// and logged; the outcome then says how many and what the first one was.
Outcome scrp(DrawContext& ctx);
Outcome scrp(Model& m, ProfileViewState& view, OutputSet& out);

}  // namespace vd
