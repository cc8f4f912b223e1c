// One value of the table under a strip: its row line, ticks, text and, along
// the strip's first line, the row's name.
#include "engine/number_text.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/output.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

void TableCellText(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    if (r.CellRow < 0 || r.CellRow > 26)
        throw RuntimeError(9, "a table cell asks for style row " + NumText(r.CellRow) + "; the rows are 0 to 26");
    const ObjectStyle& s = ctx.m.ObjectStyles[r.CellRow];
    double frameColour = ctx.m.ObjectStyles[23].Color;
    double yRow = v.BandBaseY + 2 - Val(s.RowLocate.view()) - 4 * v.BandLift;
    double yText = yRow + s.TextHeight;
    bool lines = v.DrawMode != kDrawCadBlocks;

    if (UpperCase(s.HSpace.view()).find('M') != std::string::npos)
        r.CellShift = (r.XNext - r.XCursor) / 2 + Val(s.HSpace.view().substr(1));
    else
        r.CellShift = Val(s.HSpace.view());

    if (lines) LINEplot(ctx, r.TableLeftX, yRow, r.TableRightX, yRow, v.DrawMode, frameColour);
    if (s.DivideLen > 0 && lines) LINEplot(ctx, r.CellX, yRow + s.DivideLen, r.CellX, yRow, v.DrawMode, frameColour);
    txtplot(ctx, r.CellX + r.CellShift + r.CellDX, yText, s.Color, StyleTextHeight(s), s.Rotate,
            s.StyleName.trim(), r.CellText, v.DrawMode);
    if (LineAt(ctx, r.BandStartPos) == r.CurLine)
        txtplot(ctx, r.XCursor - 3 - r.TextFactor, yText, s.Color, 0.35, 0, Stored(s.StyleName), Stored(s.EntityName),
                v.DrawMode);
    bool closes = LineAt(ctx, r.BandEndPos) == r.CurLine || r.CurLine == LatLastOf(ctx, r.CurLine);
    if (closes && s.DivideLen > 0 && lines)
        LINEplot(ctx, r.XNext, yRow + s.DivideLen, r.XNext, yRow - s.TextHeight, v.DrawMode, frameColour);
}

}  // namespace vd
