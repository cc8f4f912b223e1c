// The profile layout of a line's texts: slope and diameter along the pipe,
// the downstream manhole's name and levels upright, the chainage at the
// upstream end, and the marks of lift stations, existing pipes and drops.
#include "profile_drawing/annotation_text.h"
#include "profile_drawing/output.h"

namespace vd {

void LineProfileTexts(DrawContext& ctx) {
    ProfileViewState& v = ctx.v;
    if (v.TextSizeMode != 1) return;
    SheetRunValues& r = ctx.r;
    const auto& st = ctx.m.ObjectStyles;
    const int line = r.CurLine;
    const LineRecord& l = LineOf(ctx, line);
    const double tf = r.TextFactor;
    const int mode = v.DrawMode;
    const double mid = (r.XCursor + r.XNext) / 2;
    const double len = l.Len, slope = l.slope;

    r.LabelText = PerMilleText(l.slope) + r.SlopeUnit;
    r.DiaText = r.DiaPrefix + Trim(StrSingle(l.Dia));

    txtplot(ctx, mid - 0.4 - tf / 2, r.YInv1 - 0.3 - len * slope / 2 - tf, st[8].Color, tf, r.PipeAngle, "",
            r.LabelText, mode);
    const double nameY = v.BandBaseY + 2.2 + tf;
    if (mode == kDrawCanvas)
        txtplot(ctx, r.XNext - 0.1, nameY, st[1].Color, tf, 90, "", r.ToName, mode);
    if (mode > kDrawCanvas && Shown(ctx, 1)) txtplot(ctx, r.XNext - 0.1, nameY, st[1].Color, tf, 90, "", r.ToName, mode);
    const double levelY = v.BandBaseY - (4 * v.BandLift + 17) - tf;
    if (Shown(ctx, 2)) txtplot(ctx, r.XNext - 0.1, levelY, st[2].Color, tf, 90, "", "G.E. " + r.GroundText, mode);
    if (Shown(ctx, 3)) {
        txtplot(ctx, r.XNext + 0.3 + tf / 2, levelY, st[3].Color, tf, 90, "", "I.E. " + r.InvertText, mode);
        if (!r.StepInvertText.empty())
            txtplot(ctx, r.XNext + 0.8 + tf / 1.5, levelY, st[3].Color, tf, 90, "", "I.E. " + r.StepInvertText, mode);
    }
    if (Shown(ctx, 5))
        txtplot(ctx, r.XCursor + 0.3 + tf / 2, v.BandBaseY + 2 + tf, st[5].Color, tf, 90, "",
                ChainageText(ResultOf(ctx, line).Chainage), mode);
    txtplot(ctx, mid - 0.4 - tf / 2, r.YCrown1 + 0.2 - (len / 2 - 4) * slope, st[7].Color, tf, r.PipeAngle, "",
            r.DiaText, mode);

    if (StatusHas(ctx, line, 'L')) txtplot(ctx, r.XCursor + 0.2, r.YGr1 + 0.5, 14, tf, 0, "", "LIFT  ST.", mode);
    const double markX = mid - 0.8 - tf / 2, markY = v.BandBaseY + 2.3;
    if (StatusHas(ctx, line, 'E')) {
        txtplot(ctx, markX, markY, 12, tf, 0, "", "Exist", mode);
        return;
    }
    // The drop marks are screen notes only, whatever the sheet is drawn into.
    const bool dropS = StatusHas(ctx, line, 'S'), dropD = StatusHas(ctx, line, 'D');
    const char* mark = dropS && dropD ? "S,D" : dropD ? "DDF" : dropS ? "SDF" : nullptr;
    if (mark) txtplot(ctx, markX, markY, 12, tf, 0, "", mark, kDrawCanvas);
}

}  // namespace vd
