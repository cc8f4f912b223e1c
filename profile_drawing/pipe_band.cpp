// The break drawn where a profile leaves its strip's height: stubs of the
// pipes at the manhole, a new datum and a short level scale beside it.
#include <cmath>

#include "profile_drawing/output.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

void shiftsub(DrawContext& ctx, bool lowerGround) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const auto& st = ctx.m.ObjectStyles;
    int line = r.CurLine;
    const LineRecord& l = LineOf(ctx, line);
    // The manhole is this line's upstream end; on a strip's first line the
    // previous line's end would be another place.
    double x = r.XCursor;
    double refY = v.BandBaseY;
    double solidTop = r.YInv2;
    int mode = v.DrawMode;
    double stubColour = st[0].TextHeight;
    double wallColour = st[20].Color;
    std::string wallType = StyleLineType(ctx, 20);
    bool walls = Shown(ctx, 20);

    double s = l.slope;
    double d = l.Dia / 1000.0 / std::cos(std::atan(10 * s));
    double inv = l.Inv1 - r.ElevOffset;
    if (walls) LINEplot(ctx, x + 0.1, r.YGr1, x + 0.1, inv + d - 2 * s, mode, wallColour, wallType);
    LINEplot(ctx, x - 0.1, inv, x + 0.5, inv - 7 * s, mode, stubColour);
    LINEplot(ctx, x + 0.1, inv + d - 2 * s, x + 0.5, inv - 7 * s + d, mode, stubColour);

    // The whole metres of the ground fall on the base (8 units lower when the
    // ground runs too high), and the scale beside it follows that base.
    double scaleBase = lowerGround ? refY - 8 : refY;
    double groundY = scaleBase + (l.Gr1 - std::trunc(static_cast<double>(l.Gr1)));
    double datum = l.Gr1 - groundY;
    r.YGr1 = groundY;
    r.ElevOffset = datum;
    r.YInv1 = l.Inv1 - datum;
    elvsub(ctx, line, v.BandLift, r.XCursor, r.TextFactor, scaleBase, r.NoteColour, mode, 1, 0, 0);

    // A head line has no incoming pipe to draw.
    int up = UpOf(ctx, line);
    if (up == 0) return;
    const LineRecord& u = LineOf(ctx, up);
    double su = u.slope;
    double du = u.Dia / 1000.0 / std::cos(std::atan(10 * su));
    double upInv = u.Inv2 - datum;
    if (walls) {
        LINEplot(ctx, x - 0.1, upInv, x - 0.1, r.YInv1, mode, wallColour, wallType);
        LINEplot(ctx, x - 0.1, upInv + du, x - 0.1, groundY, mode, wallColour, wallType);
    }
    LINEplot(ctx, x - 0.1, upInv, x - 0.5, upInv + 5 * su, mode, stubColour);
    LINEplot(ctx, x - 0.1, upInv + du, x - 0.5, upInv + du + 5 * su, mode, stubColour);
    if (solidTop > upInv) {
        double tipY = upInv - 1.5 * su;
        solid(ctx, 10 * (x - 0.1), 10 * (x - 0.1), 10 * (x + 0.05), 10 * (x + 0.05), 10 * solidTop, 10 * upInv,
              10 * tipY, 10 * tipY, mode);
    }
}

}  // namespace vd
