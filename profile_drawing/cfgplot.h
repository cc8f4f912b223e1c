// The profile blocks of the CAD drawing ("KADR", "RL", "NEXTPIPE", "TITLE",
// "TABLE", "TEXT1", "TEXT2", "FROM"), with the layers and text styles of the
// drawing-style rows. Only what the drawing lacks is made; block names
// compare without regard to case.
#pragma once

#include "engine/model.h"

namespace vd {

class CadDocument;
struct DrawContext;

inline constexpr const char* kProfileBlockNames[] = {"KADR", "RL", "NEXTPIPE", "TITLE", "TABLE", "TEXT1", "TEXT2", "FROM"};

// Makes the layers, text styles and missing profile blocks in the drawing
// from the style rows. A step the drawing refuses is skipped; an unexpected
// refusal is shown through ui and tried once more. No drawing: nothing.
void DefineProfileBlocks(const Model& m, CadDocument* drawing, UiSink& ui);

// The same for the drawing of ctx.Out; also resets the view's key switch L.
void cfgplot(DrawContext& ctx);

}  // namespace vd
