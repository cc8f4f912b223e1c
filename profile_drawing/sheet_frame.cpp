// Sheet-level items: the sheet label, the frame and title blocks, and the
// mark of a line too deep for its strip.
#include "cad/cad_document.h"
#include "engine/number_text.h"
#include "profile_drawing/output.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

void DrawSheetLabel(DrawContext& ctx, int sheetNumber) {
    txtplot(ctx, 5, -3, ctx.r.NoteColour, 0.4, -0.3, "", "DWG#(" + NumText(sheetNumber) + ")", ctx.v.DrawMode);
}

void InsertFrameBlock(DrawContext& ctx, int sheetNumber) {
    const auto& ip = ctx.v.InsertionPoint;
    auto frame = InsertProfileBlock(ctx, ip[0] - 1, ip[1] - 5, "kadr");
    for (const auto& att : frame->GetAttributes())
        if (UpperCase(Trim(att->TagString)) == "DWG") att->TextString = "DWG# " + Str(sheetNumber);
}

void InsertTitleBlock(DrawContext& ctx) {
    const auto& ip = ctx.v.InsertionPoint;
    double x = ip[0] + ctx.r.XCursor - 1 - ctx.m.ObjectStyles[17].DivideLen;
    double y = ip[1] + ctx.v.BandBaseY - (4 * ctx.v.BandLift + 14);
    InsertProfileBlock(ctx, x, y, "TITLE");
}

bool DepthGuard(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const LineRecord& l = LineOf(ctx, r.CurLine);
    if (!(static_cast<double>(l.Gr1) - l.Inv2 > 4 * v.BandLift + 12)) return false;
    r.XNext = r.XCursor + l.Len / 10.0;
    txtplot(ctx, r.XCursor + l.Len / 20.0 - 1, v.BandBaseY - 1, r.NoteColour, 0.15, 0, "", "Out of Range", v.DrawMode);
    if (v.SelPosEnd <= r.Pos && r.Pos <= v.SelPos) v.SelBaseY = v.BandBaseY;
    r.XCursor = r.XNext;
    return true;
}

}  // namespace vd
