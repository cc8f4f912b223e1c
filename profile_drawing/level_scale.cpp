// Horizontal positions of a band's lines and the vertical level scale.
#include <cmath>

#include "cad/aci_palette.h"
#include "cad/cad_document.h"
#include "engine/number_text.h"
#include "profile_drawing/output.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

void blksub(DrawContext& ctx, int startPos, int endPos) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    r.NextX = 8.4f;
    r.XCursor = 8.4;
    int32_t rgb = AciToRgb(ColourIndex(Val(ctx.m.ObjectStyles[0].StyleName.view())));
    int n = LineLimit(ctx);
    int steps = 0;
    for (int p = startPos; p >= endPos; --p) {
        if (++steps > n) {
            AppendLog(ctx.m, "Line positions stopped after " + NumText(n) + " lines");
            return;
        }
        int line = LineAt(ctx, p);
        if (line == 0) {
            AppendLog(ctx.m, "Line positions stopped at position " + NumText(p) + ": no line drawn there");
            return;
        }
        r.XNext = r.XCursor + LineOf(ctx, line).Len / 10.0;
        ResultOf(ctx, line).ProfX = ToFloat(r.XCursor);
        if (v.DrawMode == kDrawCanvas && v.SelPosEnd <= p && p <= v.SelPos)
            SelectionBox(ctx, r.XCursor, v.BandBaseY + 4, r.XNext, v.BandBaseY - (4 * v.BandLift + 16), rgb);
        r.XCursor = r.XNext;
        if (LatLastOf(ctx, line) == line) r.XCursor += 5;
    }
}

void elvsub(DrawContext& ctx, int line, int count, double x, double height, double y, int colour, int mode,
            int stopFlag, int labelFlag, double levelOffset) {
    const LineRecord& l = LineOf(ctx, line);
    bool rightToLeft = LatLayoutOf(ctx, line) == 2;
    double whole = std::trunc(static_cast<double>(l.Gr1));
    for (int k = -2; k <= 4 * count + 12; k += 2) {
        if (stopFlag == 1 && k > 8) break;
        double level = whole - k + levelOffset;
        std::string text = FormatFixed(level, 0);
        double n = static_cast<double>(FormatFixed(level, 2).size());
        double ty = y - k + 0.2;
        if (rightToLeft)
            txtplot(ctx, x + 1 + 2 * height, ty, colour, height, 0, "", text, mode);
        else
            txtplot(ctx, x - 1.5 - height * n / 2, ty, colour, height - 0.05, 0, "", text, mode);
        // Block mode draws no plain texts, so the scale goes in as CAD texts of its own.
        if (mode == kDrawCadBlocks && k >= 0) {
            if (!ctx.Out.Acad) throw CadError(caderr::ObjectNotSet, kNoDrawingOpen);
            double bx = rightToLeft ? x + 2 + 2 * height : x - 2 - height * n / 2;
            const auto& ip = ctx.v.InsertionPoint;
            auto t = ctx.Out.Acad->ModelSpace().AddText(text, CadPoint{ip[0] + bx, ip[1] + ty, 0}, 0.4);
            t->Color = ColourIndex(ctx.m.ObjectStyles[1].Color);
        }
    }
    if (labelFlag == 1) {
        std::string label = "L" + TrimLeft(Str(LinkOf(ctx, line).LatNo));
        txtplot(ctx, x + 0.5, y + 1, ctx.m.ObjectStyles[0].TextHeight, height, 0, "", label, mode);
    }
}

}  // namespace vd
