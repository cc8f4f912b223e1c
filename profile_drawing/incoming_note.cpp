// Where a strip begins inside a lateral: a short stub of the upstream pipe
// entering the first manhole, and the note naming where it comes from. At a
// lateral's head instead: the head manhole's upstream wall.
#include <cmath>

#include "cad/cad_document.h"
#include "profile_drawing/annotation_text.h"
#include "profile_drawing/output.h"

namespace vd {

void IncomingPipeNote(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const auto& st = ctx.m.ObjectStyles;
    const int up = UpOf(ctx, r.CurLine);
    const LineRecord& u = LineOf(ctx, up);
    const LineRecord& l = LineOf(ctx, r.CurLine);
    const double x = r.XCursor, tf = r.TextFactor;
    const int mode = v.DrawMode;
    // The level scale at the strip's first line was drawn when its datum was
    // fixed; drawing it again here would only double every level text.

    r.PipeAngle = std::atan(u.slope * 10.0);
    const double drop = static_cast<float>(u.Inv2 - l.Inv1);
    const double dia = u.Dia / 1000.0;
    r.InInvY = r.YInv1 + u.slope * 10.0 + drop;
    r.InCrownY = r.InInvY + dia / std::cos(r.PipeAngle);
    if (Shown(ctx, 20)) {
        const double c = st[20].Color;
        std::string lt = StyleLineType(ctx, 20);
        LINEplot(ctx, x - 0.1, r.YGr1, x - 0.1, r.YInv1 + drop + dia, mode, c, lt);
        LINEplot(ctx, x - 0.1, r.YInv1 + drop, x - 1, r.InInvY, mode, c, lt);
        LINEplot(ctx, x - 0.1, r.YInv1 + drop + dia, x - 1, r.InCrownY, mode, c, lt);
        LINEplot(ctx, x - 0.1, r.YInv1, x - 0.1, r.YInv1 + drop, mode, c, lt);
    }
    r.NoteX = x - 1.8;

    if (v.DrawPart == 0) {
        const double h = tf - 0.05;
        const int sheet = PrintedSheetNumber(ctx, up);
        if (Shown(ctx, 1))
            txtplot(ctx, r.NoteX, r.InInvY - 0.6 + tf / 2, r.NoteColour, h, 0, "", "FROM " + Trim(Stored(u.From)), mode);
        if (Shown(ctx, 7))
            txtplot(ctx, r.NoteX, r.InCrownY + 1 - tf, st[7].Color, h, 0, "", r.DiaPrefix + Trim(StrSingle(u.Dia)), mode);
        if (Shown(ctx, 8))
            txtplot(ctx, r.NoteX, r.InCrownY + 0.4 - tf, st[8].Color, h, 0, "", PerMilleText(u.slope) + r.SlopeUnit,
                    mode);
        if (v.ShowSheetLabel && Shown(ctx, 1))
            txtplot(ctx, r.NoteX, r.InInvY - 1 - tf, r.NoteColour, h, 0, "", "DWG#(" + Trim(Str(sheet)) + ")", mode);
        if (mode == kDrawCadBlocks)
            DrawStep(ctx, "incoming pipe block", [&] {
                const auto& ip = v.InsertionPoint;
                auto block = InsertProfileBlock(ctx, ip[0] + x, ip[1] + r.InCrownY, "NEXTPIPE");
                block->GetAttributes();
                attplot(ctx, block, "MH", Stored(u.From));
                attplot(ctx, block, "DIA", FloatText(u.Dia));
                attplot(ctx, block, "SLOPE", Str(CLngSingle(u.slope, 10000) / 10.0) + "  O/OO");
                attplot(ctx, block, "DWG", "DWG# " + Trim(Str(sheet)));
            });
    }
    DrawStep(ctx, "manhole cells", [&] { DrawManholeCells(ctx); });
}

void HeadManholeWall(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    DrawStep(ctx, "manhole cells", [&] { DrawManholeCells(ctx); });
    if (Shown(ctx, 20)) {
        std::string lt = StyleLineType(ctx, 20);
        LINEplot(ctx, r.XCursor - 0.1, r.YGr1, r.XCursor - 0.1, r.YInv1, ctx.v.DrawMode, ctx.m.ObjectStyles[20].Color,
                 lt);
    }
}

}  // namespace vd
