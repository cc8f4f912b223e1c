// A line's own drawing: the band shifts where the profile leaves its strip,
// ground, pipe outline with or without manhole walls, the drop wedge, and the
// notes of laterals joining at its downstream manhole.
#include <cmath>

#include "profile_drawing/output.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

void DrawBandShifts(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    int line = r.CurLine;
    if (line == LatFirstOf(ctx, line)) return;
    int next = NextOf(ctx, line);
    const LineRecord& l = LineOf(ctx, line);
    double ground = next ? LineOf(ctx, next).Gr1 : l.Gr2;
    if ((ground - r.ElevOffset) - v.BandBaseY + 14 > 24) shiftsub1(ctx);
    double invert = next ? LineOf(ctx, next).Inv1 : l.Inv2;
    if ((4 * v.BandLift + 14) - (v.BandBaseY - (invert - r.ElevOffset)) < 0) shiftsub(ctx, false);
}

void DrawLineGeometry(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const auto& st = ctx.m.ObjectStyles;
    r.LineStartX = r.XCursor;
    DrawAxisLines(ctx);

    const LineRecord& l = LineOf(ctx, r.CurLine);
    int next = NextOf(ctx, r.CurLine);
    double slope = l.slope;
    r.PipeAngle = std::atan(slope * 10);
    r.XNext = r.XCursor + l.Len / 10.0;
    r.YGr2 = l.Gr2 - r.ElevOffset;
    r.YInv1 = l.Inv1 - r.ElevOffset;
    r.YInv2 = l.Inv2 - r.ElevOffset;
    double height = (l.Dia / 1000.0) / std::cos(r.PipeAngle);
    r.YCrown1 = r.YInv1 + height;
    r.YCrown2 = r.YInv2 + height;
    r.YNextInv = next ? LineOf(ctx, next).Inv1 - r.ElevOffset : r.YInv2;

    bool pipe = Shown(ctx, 20), walls = pipe && !v.ForcePipe, whole = pipe && v.ForcePipe;
    double pc = st[20].Color;
    std::string pt = StyleLineType(ctx, 20);
    int mode = v.DrawMode;
    double crownStart = r.YCrown1 - 2 * slope;
    if (walls) {
        LINEplot(ctx, r.XCursor + 0.1, r.YGr1, r.XCursor + 0.1, crownStart, mode, pc, pt);
        LINEplot(ctx, r.XNext - 0.1, r.YGr2, r.XNext - 0.1, r.YCrown2, mode, pc, pt);
    }
    if (Shown(ctx, 18)) LINEplot(ctx, r.XCursor, r.YGr1, r.XNext, r.YGr2, mode, st[18].Color, StyleLineType(ctx, 18));
    if (walls) {
        LINEplot(ctx, r.XNext - 0.1, r.YInv2, r.XNext - 0.1, r.YNextInv, mode, pc, pt);
        LINEplot(ctx, r.XCursor + 0.1, crownStart, r.XNext - 0.1, r.YCrown2, mode, pc, pt);
    }
    if (whole) LINEplot(ctx, r.XCursor, crownStart, r.XNext, r.YCrown2, mode, pc, pt);
    if (walls) LINEplot(ctx, r.XCursor - 0.1, r.YInv1, r.XNext - 0.1, r.YInv2, mode, pc, pt);
    if (whole) LINEplot(ctx, r.XCursor, r.YInv1, r.XNext, r.YInv2, mode, pc, pt);

    bool screen = mode == kDrawCanvas;
    r.DiaPrefix = screen ? "" : "%%c";
    r.SlopeUnit = screen ? "%o" : " o/oo";

    double x1 = 10 * r.XNext - 1, x2 = 10 * r.XNext + 0.5;
    double y1 = 10 * r.YInv2, y2 = 10 * r.YNextInv, y3 = y2 - 15 * slope;
    if (y1 - y2 > 0) solid(ctx, x1, x1, x2, x2, y1, y2, y3, y3, mode);
}

void DrawJoiningLateralNotes(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const LinkRecord& link = LinkOf(ctx, r.CurLine);
    int n = LineLimit(ctx);
    int b1 = LinkedLine(link.Branch1, n), b2 = LinkedLine(link.Branch2, n);
    int next = NextOf(ctx, r.CurLine);
    // The lateral goes on at the next position, on this strip or, at the
    // strip's end, on the next one: the junction is drawn here, where the
    // upstream line ends.
    if (b1 == 0 || next == 0 || next != LineAt(ctx, r.Pos - 1)) return;
    fromsub(ctx, b1, r.XNext, LineOf(ctx, b1).Inv2 - r.ElevOffset, r.NoteColour, r.TextFactor, v.DrawMode, 0.7, 0,
            v.ShowSheetLabel, v.DrawPart, v.LKeySwitch);
    if (b2 != 0)
        fromsub(ctx, b2, r.XNext, LineOf(ctx, b2).Inv2 - r.ElevOffset, r.NoteColour, r.TextFactor, v.DrawMode, -0.7,
                0, v.ShowSheetLabel, v.DrawPart, v.LKeySwitch);
}

}  // namespace vd
