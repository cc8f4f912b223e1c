// The note beside the outgoing stub where a strip or lateral ends: where the
// sewage goes next and on which sheet, or one "NEXTPIPE" block; then the
// chainage at the end.
#include "cad/cad_document.h"
#include "profile_drawing/annotation_text.h"
#include "profile_drawing/output.h"

namespace vd {

void OutgoingPipeNote(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const auto& st = ctx.m.ObjectStyles;
    const int line = r.CurLine;
    // At an outfall the blank row 0 stands for the next line: "TO " and zeros.
    const int s = NextOf(ctx, line);
    const LineRecord& next = LineOf(ctx, s);
    const double tf = r.TextFactor;
    const int mode = v.DrawMode;
    // An outfall's sewage goes to no sheet: its note names none.
    const std::string dwg = s == 0 ? std::string() : "DWG# " + Trim(Str(PrintedSheetNumber(ctx, s)));

    if (mode != kDrawCadBlocks) {
        const double x = r.NoteX + tf / 2;
        if (Shown(ctx, 1)) {
            std::string name = Trim(Stored(next.to));
            if (v.LKeySwitch == 1) name = Trim(Stored(next.to) + "(" + TrimLeft(Str(LinkOf(ctx, s).LatNo)) + ")");
            txtplot(ctx, x, r.InInvY - 0.7, r.NoteColour, tf, 0, "", "TO " + name, mode);
        }
        if (Shown(ctx, 7))
            txtplot(ctx, x, r.InCrownY + 1, st[7].Color, tf, 0, "", r.DiaPrefix + Trim(StrSingle(next.Dia)), mode);
        if (Shown(ctx, 8))
            txtplot(ctx, x, r.InCrownY + 0.5, st[8].Color, tf, 0, "", PerMilleText(next.slope) + r.SlopeUnit, mode);
        if (StatusHas(ctx, s, 'F') && Shown(ctx, 1))
            txtplot(ctx, r.XNext - 0.3 - tf, r.YCrown2 + 0.2, 14, tf, 90, "", "Pump St.", mode);
        if (v.ShowSheetLabel && Shown(ctx, 1) && !dwg.empty()) txtplot(ctx, x, r.InInvY - 1.3, r.NoteColour, tf, 0, "", dwg, mode);
    } else {
        DrawStep(ctx, "outgoing pipe block", [&] {
            const auto& ip = v.InsertionPoint;
            auto block = InsertProfileBlock(ctx, ip[0] + r.XNext, ip[1] + r.InCrownY, "NEXTPIPE");
            block->GetAttributes();
            attplot(ctx, block, "MH", "TO " + Trim(Stored(next.to)));
            attplot(ctx, block, "DIA", "%%C" + StrSingle(next.Dia));
            attplot(ctx, block, "SLOPE", PerMilleText(next.slope) + "  O/OO");
            attplot(ctx, block, "DWG", dwg);
        });
    }

    // The chainage where the strip or lateral ends: this line's downstream end.
    const LineRecord& l = LineOf(ctx, line);
    r.EndChainageText = ChainageText(static_cast<float>(ResultOf(ctx, line).Chainage + l.Len));
    if (!Shown(ctx, 6)) return;
    if (v.TextSizeMode != 1)
        Cell(ctx, r.XNext, -static_cast<double>(r.EndChainageText.size()) * tf / 5, 6, r.EndChainageText);
    else
        txtplot(ctx, r.XNext + 0.4 + tf / 2, v.BandBaseY + 2.2 + tf, st[6].Color, tf, 90, "", r.EndChainageText, mode);
}

}  // namespace vd
