// The fixed lines of a lateral on its strip: frame, grid, ruler blocks and
// the vertical axis lines.
#include "cad/cad_document.h"
#include "profile_drawing/output.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

namespace {

// Length in drawing units of the lateral from the current line to its last
// line drawn on this strip; the frame ends 2 units beyond it.
double DrawnLateralLength(const DrawContext& ctx) {
    const SheetRunValues& r = ctx.r;
    int cur = r.CurLine;
    double length = LineOf(ctx, cur).Len / 10.0;
    int n = LineLimit(ctx);
    for (int p = r.Pos - 1, steps = 0; p >= r.BandEndPos && steps < n; --p, ++steps) {
        int next = LineAt(ctx, p);
        if (next == 0 || next == r.CurLine || NextOf(ctx, cur) != next) break;
        length += LineOf(ctx, next).Len / 10.0;
        cur = next;
    }
    return length;
}

}  // namespace

void DrawLateralFrame(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const auto& st = ctx.m.ObjectStyles;
    double profX = ResultOf(ctx, r.CurLine).ProfX;
    double depth = 4 * v.BandLift + 14;
    double base = v.BandBaseY;
    r.TableRightX = profX + DrawnLateralLength(ctx) + 2;
    r.TableLeftX = profX - 1;

    LINEplot(ctx, r.TableLeftX, base + 2, r.TableRightX, base + 2, v.DrawMode, st[23].Color, StyleLineType(ctx, 17));
    const auto& ip = v.InsertionPoint;
    for (int g = 0; g <= depth; g += 2) {
        if (g == depth && (ctx.m.SheetLayoutMode == 2 || ctx.m.SheetLayoutMode == 4)) break;
        if (Shown(ctx, 17))
            LINEplot(ctx, r.TableLeftX, base - g, r.TableRightX, base - g, v.DrawMode, st[17].Color,
                     StyleLineType(ctx, 20));
        if (v.DrawMode == kDrawCadBlocks) InsertProfileBlock(ctx, ip[0] + r.TableLeftX, ip[1] + base - g, "RL");
    }
    if (Shown(ctx, 17)) {
        LINEplot(ctx, r.TableLeftX, base + 2, r.TableLeftX, base - depth, v.DrawMode, st[23].Color);
        LINEplot(ctx, r.TableRightX, base + 2, r.TableRightX, base - depth, v.DrawMode, st[23].Color);
        if (v.TextSizeMode == 2 && v.DrawMode != kDrawCadBlocks)
            LINEplot(ctx, r.TableLeftX, base - depth, r.TableRightX, base - depth, v.DrawMode, st[20].Color);
    }
    if (v.DrawMode == kDrawCadBlocks) {
        double px = ip[0] + r.TableLeftX, py = ip[1] + base - depth;
        if (Shown(ctx, 17)) InsertProfileBlock(ctx, px, py, "TABLE", r.TableRightX - profX + 1);
        InsertProfileBlock(ctx, px, py, "rl");
    }
}

void DrawAxisLines(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const ObjectStyle& axis = ctx.m.ObjectStyles[19];
    r.AxisTopY = v.BandBaseY + (v.TextSizeMode == 1 ? 4 : 2);
    double e = ctx.m.ObjectStyles[18].DivideLen;
    if (!Shown(ctx, 19) || (v.TextSizeMode != 1 && v.TextSizeMode != 2)) return;
    double reach = v.TextSizeMode == 2 ? 16 : 21;
    LINEplot(ctx, r.LineStartX, r.AxisTopY + e, r.LineStartX, r.AxisTopY - reach - 4 * v.BandLift - e, v.DrawMode,
             axis.Color, StyleLineType(ctx, 19));
}

}  // namespace vd
