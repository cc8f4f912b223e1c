// The line information labels (Alt+I): depths at both manholes, the drop
// from the incoming pipe, length, minimum cover, and the design flow and
// velocities.
#include "profile_drawing/annotation_text.h"
#include "profile_drawing/output.h"

namespace vd {

void LineInfoLabels(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    r.NoteX = r.XCursor + 0.5;
    if (v.ShowLineInfo != 1) return;

    ObjectStyle& row = ctx.m.ObjectStyles[21];
    const int line = r.CurLine;
    const LineRecord& l = LineOf(ctx, line);
    const ResultRecord& res = ResultOf(ctx, line);
    const int up = UpOf(ctx, line), s = NextOf(ctx, line);
    const bool lateralEnd = line == LatLastOf(ctx, line);
    const double colour = row.Color, h = r.TextFactor - 0.05;
    const int mode = v.DrawMode;
    const double lift = 4 * v.BandLift;
    const double yd = v.BandBaseY - (lift + 12) + 0.1;
    auto depth = [&](double x, double y, float value) {
        txtplot(ctx, x, y, colour, h, 90, "", FormatFixed(value, 2), mode);
    };
    depth(r.XCursor + 0.3, yd, l.Gr1 - l.Inv1);
    if (up > 0) {
        const float upInv = LineOf(ctx, up).Inv2;
        depth(r.XCursor - 0.1, yd, l.Gr1 - upInv);
        depth(r.XCursor - 0.1, v.BandBaseY - (lift + 10) + 0.1, upInv - l.Inv1);
    }
    if (lateralEnd) depth(r.XNext - 0.1, yd, l.Gr2 - l.Inv2);
    if (s > 0 && lateralEnd) depth(r.XNext + 0.3, yd, l.Gr2 - LineOf(ctx, s).Inv1);

    // Keep the labels near their line: the steps are limited in the row itself.
    if (Val(row.HSpace.view()) > 1) row.HSpace = "1";
    if (row.VSpace > 4) row.VSpace = 1;
    const double step = Val(row.HSpace.view()), vstep = row.VSpace, angle = row.Rotate;

    txtplot(ctx, r.NoteX + step, v.BandBaseY + 3, colour, h, angle, "", "l=" + StrSingle(l.Len), mode);
    txtplot(ctx, r.NoteX + 2 * step, v.BandBaseY + 1.5, colour, h, angle, "", "MinC=" + FormatFixed(l.Mincover, 2),
            mode);

    if (!(Shown(ctx, 21) || line == LineAt(ctx, v.SelPos))) return;
    txtplot(ctx, r.NoteX, v.BandBaseY - 8.4 - lift, colour, h, angle, "", "Qd=" + TrimLeft(FormatFixed(res.QmaxEnd, 2)),
            mode);
    // The velocities are screen notes only.
    txtplot(ctx, r.NoteX + step, v.BandBaseY - 9 - lift + vstep, colour, h, angle, "",
            "Vd=" + TrimLeft(FormatFixed(res.VmaxEnd, 2)), kDrawCanvas);
    txtplot(ctx, r.NoteX + 3 * step, v.BandBaseY - 10.5 - lift + 3 * vstep, colour, h, angle, "",
            "VM1=" + TrimLeft(FormatFixed(res.VmaxBig, 2)), kDrawCanvas);
}

}  // namespace vd
