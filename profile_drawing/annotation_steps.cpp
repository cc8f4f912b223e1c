// The per-line annotation steps of the sheet routine: the notes where a
// strip begins or ends inside a lateral, the manhole cells, the line texts in
// both layouts, the block-mode blocks and the information labels. The sheet
// routine calls each at its place in the line's drawing order; they draw
// nothing yet.
#include "profile_drawing/sheet_parts.h"

namespace vd {

void IncomingPipeNote(DrawContext&) {}
void HeadManholeWall(DrawContext&) {}
void DrawManholeCells(DrawContext&) {}
void OutgoingPipeNote(DrawContext&) {}
void LineTableTexts(DrawContext&) {}
void LineProfileTexts(DrawContext&) {}
void LineBlocks(DrawContext&) {}
void LineInfoLabels(DrawContext&) {}

}  // namespace vd
