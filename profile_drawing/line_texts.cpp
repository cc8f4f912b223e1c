// A line's texts: the downstream manhole's level texts built for every line,
// and the table layout that writes the line's values into the strip's table.
#include <string>

#include "profile_drawing/annotation_text.h"
#include "profile_drawing/output.h"

namespace vd {

std::string PerMilleText(float slope) { return Trim(Str(CLngSingle(slope, 10000) / 10.0)); }

bool StatusHas(DrawContext& ctx, int line, char flag) {
    const int row = LineRow(ctx, line);
    LineRecord& l = ctx.m.Lines[row];
    if (l.Status.unassigned()) return false;
    std::string upper = UpperCase(l.Status.view());
    if (row > 0) l.Status = upper;  // the template row stays as it is
    return upper.find(flag) != std::string::npos;
}

double BlockTextHeight(const DrawContext& ctx) {
    double h = ctx.m.ObjectStyles[8].TextHeight;
    return std::isfinite(h) && h > 0 ? h : 0.2;
}

void Cell(DrawContext& ctx, double x, double dx, int row, const std::string& text) {
    SheetRunValues& r = ctx.r;
    r.CellX = x;
    r.CellDX = dx;
    r.CellRow = row;
    r.CellText = text;
    TableCellText(ctx);
}

namespace {

// Texts of the line's downstream manhole and the pipe's drawn angle in degrees.
void DownstreamTexts(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    const LineRecord& l = LineOf(ctx, r.CurLine);
    int s = NextOf(ctx, r.CurLine);
    const LineRecord& next = LineOf(ctx, s);
    r.ToName = Trim(Stored(l.to));
    r.GroundText = Trim(FormatFixed(l.Gr2, 3));
    r.InvertText = Trim(FormatFixed(l.Inv2, 3));
    r.StepInvertText = InvertStep(next.Inv1, l.Inv2) && s > 0 ? Trim(FormatFixed(next.Inv1, 3)) : std::string();
    r.PipeAngle = 360 - std::atan(10 * static_cast<double>(l.slope)) * 180 / 3.14159;
}

// Cells placed about their own text when the row asks for centring.
bool Centred(const DrawContext& ctx, int row) { return ctx.m.ObjectStyles[row].VSpace == 1; }

}  // namespace

void LineTableTexts(DrawContext& ctx) {
    DownstreamTexts(ctx);
    if (ctx.v.TextSizeMode != 2) return;

    SheetRunValues& r = ctx.r;
    const int line = r.CurLine;
    const LineRecord& l = LineOf(ctx, line);
    const ResultRecord& res = ResultOf(ctx, line);
    const int s = NextOf(ctx, line);
    const double tf = r.TextFactor;
    const double xNext = r.XNext, xCursor = r.XCursor;

    r.LabelText = PerMilleText(l.slope);
    r.DiaText = Trim(StrSingle(l.Dia));
    if (StatusHas(ctx, line, 'E')) r.DiaText += " (Exist)";

    if (Shown(ctx, 10)) {
        Cell(ctx, xNext, -0.1 - tf / 2, 10, FormatFixed(l.X2, 2));
        Cell(ctx, xNext, tf + 0.3, 10, FormatFixed(l.Y2, 2));
    }
    if (Shown(ctx, 9)) {
        std::string depth = FormatFixed(static_cast<float>(l.Gr2 - l.Inv2), 2);
        Cell(ctx, xNext, -0.1 - tf / 2, 9, depth);
        std::string outgoing = FormatFixed(static_cast<float>(l.Gr2 - LineOf(ctx, s).Inv1), 2);
        if (s > 0 && std::fabs(Val(depth) - Val(outgoing)) > 0.05) Cell(ctx, xNext, tf + 0.3, 9, outgoing);
    }
    if (Shown(ctx, 2)) Cell(ctx, xNext, -0.1 - tf / 2, 2, r.GroundText);
    if (Shown(ctx, 3)) {
        Cell(ctx, xNext, -0.1 - tf / 2, 3, r.InvertText);
        Cell(ctx, xNext, tf + 0.3, 3, r.StepInvertText);
    }
    if (Shown(ctx, 5))
        Cell(ctx, xCursor, -0.1 * static_cast<double>(FormatFixed(l.Len, 0).size()) - tf / 2, 5, FormatFixed(l.Len, 2));
    if (Shown(ctx, 6)) {
        std::string t = ChainageText(res.Chainage);
        Cell(ctx, xCursor, Centred(ctx, 6) ? -static_cast<double>(t.size()) * tf / 3.8 : 0, 6, t);
    }
    if (Shown(ctx, 7))
        Cell(ctx, xCursor, Centred(ctx, 7) ? -0.1 * static_cast<double>(r.DiaText.size()) - tf / 2 : 0, 7, r.DiaText);
    if (Shown(ctx, 8))
        Cell(ctx, xCursor, -0.07 * static_cast<double>(r.LabelText.size()) - tf / 2, 8, r.LabelText);
    if (Shown(ctx, 1)) Cell(ctx, xNext, -0.1 * static_cast<double>(r.ToName.size()), 1, r.ToName);
    if (Shown(ctx, 4)) {
        // The lateral name is centred on its own length, as the other centred cells are.
        std::string name = Trim(Stored(l.Latral));
        Cell(ctx, xCursor, Centred(ctx, 4) ? -0.07 * static_cast<double>(name.size()) - tf / 2 : 0, 4, name);
    }

    // Flow rows: the slope again, then the design and largest flows and velocities.
    for (int k = 11; k <= 15; ++k) {
        switch (k) {
            case 12: r.LabelText = FormatFixed(res.QmaxEnd, 1); break;
            case 13: r.LabelText = FormatFixed(res.VmaxEnd, 2); break;
            case 14: r.LabelText = FormatFixed(res.QmaxBig, 1); break;
            case 15: r.LabelText = FormatFixed(res.VmaxBig, 2); break;
            default: break;
        }
        std::string t = Trim(r.LabelText);
        if (Shown(ctx, k)) Cell(ctx, xCursor, Centred(ctx, k) ? -0.1 * static_cast<double>(t.size()) : 0, k, t);
    }
}

}  // namespace vd
