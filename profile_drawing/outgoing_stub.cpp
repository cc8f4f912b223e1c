// The stub of the pipe leaving the last manhole of a lateral on a strip.
#include <cmath>

#include "profile_drawing/output.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

void DrawOutgoingStub(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    // At an outfall the blank row 0 stands for the next line: a level stub at the invert.
    const LineRecord& out = LineOf(ctx, NextOf(ctx, r.CurLine));
    double s = out.slope;
    r.OutAngle = std::atan(s * 10);
    double height = (out.Dia / 1000.0) / std::cos(r.OutAngle);
    r.OutCrownY = r.YNextInv + height - 2 * s;
    r.LineStartX = r.XNext;
    DrawAxisLines(ctx);
    bool newLateral = UpperCase(out.Status.view()).find('F') != std::string::npos;
    r.InInvY = newLateral ? r.YNextInv : r.YNextInv - s * 10;
    r.InCrownY = r.InInvY + height;
    if (Shown(ctx, 20)) {
        double c = ctx.m.ObjectStyles[20].Color;
        std::string lt = StyleLineType(ctx, 20);
        LINEplot(ctx, r.XNext + 0.1, r.YGr2, r.XNext + 0.1, r.OutCrownY, v.DrawMode, c, lt);
        LINEplot(ctx, r.XNext - 0.1, r.YNextInv, r.XNext + 1, r.InInvY, v.DrawMode, c, lt);
        LINEplot(ctx, r.XNext + 0.1, r.OutCrownY, r.XNext + 1, r.InCrownY, v.DrawMode, c, lt);
    }
    r.NoteX = r.XNext + 0.5;
}

void LateralEndGap(DrawContext& ctx) { ctx.r.NextX += 5; }

}  // namespace vd
