// The upstream manhole of a line where no line of the strip ends there (a
// lateral's head, a strip's first line): its levels, name, coordinates and
// depths as upright texts, table cells or one "TEXT1" block.
#include "cad/cad_document.h"
#include "profile_drawing/annotation_text.h"
#include "profile_drawing/output.h"

namespace vd {

namespace {

void UprightTexts(DrawContext& ctx, const LineRecord& l) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const auto& st = ctx.m.ObjectStyles;
    const double tf = r.TextFactor;
    const int mode = v.DrawMode;
    const double y0 = v.BandBaseY - (4 * v.BandLift + 17) - tf;
    const std::string name = TrimLeft(Stored(l.From));
    const double nameX = r.XCursor - 0.2 - tf / 2, nameY = v.BandBaseY + 2.2 + tf;
    if (Shown(ctx, 2)) txtplot(ctx, r.XCursor - 0.1 - tf / 2, y0, st[2].Color, tf, 90, "", "G.E. " + r.GroundText, mode);
    if (mode == kDrawCanvas)
        txtplot(ctx, nameX, nameY, st[1].Color, tf, 90, "", name, mode);
    if (Shown(ctx, 1) && mode > kDrawCanvas) txtplot(ctx, nameX, nameY, st[1].Color, tf, 90, "", name, mode);
    if (Shown(ctx, 3)) {
        txtplot(ctx, r.XCursor + 0.3 + tf / 2, y0, st[3].Color, tf, 90, "", "I.E. " + r.InvertText, mode);
        if (!r.StepInvertText.empty())
            txtplot(ctx, r.XCursor + 0.8 + tf / 1.5, y0, st[3].Color, tf, 90, "", "I.E. " + r.StepInvertText, mode);
    }
}

void TableCells(DrawContext& ctx, const LineRecord& l, int up) {
    SheetRunValues& r = ctx.r;
    const double tf = r.TextFactor, x = r.XCursor;
    if (Shown(ctx, 2)) Cell(ctx, x, -0.1, 2, r.GroundText);
    if (Shown(ctx, 10)) {
        Cell(ctx, x, -0.1, 10, FormatFixed(l.X1, 2));
        Cell(ctx, x, tf + 0.3, 10, FormatFixed(l.Y1, 2));
    }
    if (Shown(ctx, 3)) {
        Cell(ctx, x, -0.1, 3, r.InvertText);
        Cell(ctx, x, tf + 0.3, 3, r.StepInvertText);
    }
    if (Shown(ctx, 1)) {
        const std::string from = Stored(l.From);
        Cell(ctx, x, 0.1 - 0.1 * static_cast<double>(TrimRight(from).size()), 1, TrimLeft(from));
    }
    if (!Shown(ctx, 9)) return;
    const std::string depth = FormatFixed(static_cast<float>(l.Gr1 - l.Inv1), 2);
    Cell(ctx, x, tf + 0.3, 9, depth);
    const std::string incoming = FormatFixed(static_cast<float>(l.Gr1 - LineOf(ctx, up).Inv2), 2);
    if (up > 0 && std::fabs(Val(incoming) - Val(depth)) > 0.05) Cell(ctx, x, -0.1 - tf / 2, 9, incoming);
}

void ManholeBlock(DrawContext& ctx, const LineRecord& l, int up, bool step) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    const auto& ip = v.InsertionPoint;
    auto block = InsertProfileBlock(ctx, ip[0] + r.XCursor, ip[1] + v.BandBaseY - (4 * v.BandLift + 14), "TEXT1");
    block->GetAttributes();
    const float upInv = LineOf(ctx, up).Inv2;
    const float dia = l.Dia / 1000.0f;
    attplot(ctx, block, "MHNAME", Trim(Stored(l.From)));
    attplot(ctx, block, "TYPE", Stored(l.MhType));
    attplot(ctx, block, "GR.EL", TrimLeft(FormatFixed(l.Gr1, 3)));
    attplot(ctx, block, "INV.EL", TrimLeft(FormatFixed(l.Inv1, 3)));
    if (step) attplot(ctx, block, "INV.EL1", TrimLeft(FormatFixed(upInv, 3)));
    // The manhole's own chainage: the head of this line.
    attplot(ctx, block, "KM", TrimLeft(ChainageText(ResultOf(ctx, r.CurLine).Chainage)));
    attplot(ctx, block, "DEPTH", FormatFixed(CLngSingle(l.Gr1 - l.Inv1, 100) / 100.0, 2));
    if (step) attplot(ctx, block, "DEPTH1", FormatFixed(CLngSingle(l.Gr1 - upInv, 100) / 100.0, 2));
    attplot(ctx, block, "CORDINATE", FormatFixed(l.X1, 1));
    attplot(ctx, block, "CORDINATE1", FormatFixed(l.Y1, 1));
    attplot(ctx, block, "COVER", FormatFixed(l.Gr1 - l.Inv1 - dia, 2));
    if (step) attplot(ctx, block, "COVER1", FormatFixed(CLngSingle(l.Gr1 - upInv - dia, 100) / 100.0, 2));
}

}  // namespace

void DrawManholeCells(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    const LineRecord& l = LineOf(ctx, r.CurLine);
    const int up = UpOf(ctx, r.CurLine);
    const float upInv = LineOf(ctx, up).Inv2;
    r.GroundText = Trim(FormatFixed(l.Gr1, 3));
    r.InvertText = Trim(FormatFixed(l.Inv1, 3));
    r.StepInvertText.clear();
    const bool step = InvertStep(upInv, l.Inv1) && up > 0;
    if (step) {
        // The incoming invert is shown first, the outgoing one beside it.
        r.StepInvertText = r.InvertText;
        r.InvertText = Trim(FormatFixed(upInv, 3));
    }
    if (ctx.v.TextSizeMode == 1) UprightTexts(ctx, l);
    if (ctx.v.TextSizeMode == 2) TableCells(ctx, l, up);
    if (ctx.v.DrawMode == kDrawCadBlocks) ManholeBlock(ctx, l, up, step);
}

}  // namespace vd
