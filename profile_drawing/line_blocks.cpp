// Block mode: the line block "text2" under the middle of the pipe, the slope
// and diameter along the pipe as plain CAD texts, and the downstream
// manhole's block "TEXT1".
#include <cmath>

#include "cad/cad_document.h"
#include "profile_drawing/annotation_text.h"
#include "profile_drawing/output.h"

namespace vd {

namespace {

// The fall of the ground in per mille; none on a line without length.
bool GroundFall(const LineRecord& l, std::string& text) {
    if (!(l.Len != 0)) return false;
    text = FormatFixed((l.Gr1 - l.Gr2) / l.Len * 1000.0f, 1);
    return true;
}

void LineBlock(DrawContext& ctx, double yBlock) {
    SheetRunValues& r = ctx.r;
    const auto& ip = ctx.v.InsertionPoint;
    const int line = r.CurLine;
    const LineRecord& l = LineOf(ctx, line);
    const ResultRecord& res = ResultOf(ctx, line);
    auto block = InsertProfileBlock(ctx, ip[0] + (r.XCursor + r.XNext) / 2, ip[1] + yBlock, "text2");
    block->GetAttributes();
    attplot(ctx, block, "LINE#", Str(line));
    attplot(ctx, block, "DIAMETER", StrSingle(l.Dia));
    attplot(ctx, block, "SLOPE", FormatFixed(CLngSingle(l.slope, 10000) / 10.0, 1));
    attplot(ctx, block, "DIST", Trim(Str(CLng(l.Len))));
    attplot(ctx, block, "QDESIGN", Trim(Str(CLngSingle(res.QmaxEnd, 10) / 10.0)));
    attplot(ctx, block, "VDESIGN", FormatFixed(res.VmaxEnd, 2));
    attplot(ctx, block, "P1", FormatFixed(l.Pop1, 0));
    attplot(ctx, block, "P2", Str(CLng(l.Pop2)));
    attplot(ctx, block, "AREA1", FormatFixed(l.Area1_sub, 3));
    attplot(ctx, block, "AREA2", FormatFixed(l.Area2_sub, 3));
    attplot(ctx, block, "TAREA1", FormatFixed(res.Area1_total, 2));
    attplot(ctx, block, "TAREA2", FormatFixed(res.Area2_Total, 2));
    attplot(ctx, block, "QMAX1", FormatFixed(res.QmaxBig, 2));
    attplot(ctx, block, "VMAX1", FormatFixed(res.VmaxBig, 2));
    attplot(ctx, block, "TP1", FormatFixed(res.Pop1_total, 0));
    attplot(ctx, block, "TP2", FormatFixed(res.Pop2_total, 0));
    attplot(ctx, block, "LATERAL", Trim(Stored(l.Latral)));
    std::string fall;
    if (GroundFall(l, fall)) attplot(ctx, block, "GR", fall);
}

void PipeTexts(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    const auto& ip = ctx.v.InsertionPoint;
    const LineRecord& l = LineOf(ctx, r.CurLine);
    if (!ctx.Out.Acad) throw CadError(caderr::ObjectNotSet, kNoDrawingOpen);
    const double x = ip[0] + (r.XCursor + r.XNext) / 2 - 0.4 - r.TextFactor / 2;
    const double len = l.Len, slope = l.slope, h = BlockTextHeight(ctx);
    const int colour = ColourIndex(ctx.m.ObjectStyles[8].Color);
    const double rotation = r.PipeAngle * 3.14 / 180;
    CadBlock& space = ctx.Out.Acad->ModelSpace();
    auto slopeText = space.AddText(PerMilleText(l.slope) + r.LabelText,
                                   CadPoint{x, ip[1] + r.YInv1 - 0.3 - len * slope / 2 - r.TextFactor, 0}, h);
    slopeText->Color = colour;
    slopeText->Rotation = rotation;
    auto diaText = space.AddText("%%C" + Trim(StrSingle(l.Dia)),
                                 CadPoint{x, ip[1] + r.YCrown1 + 0.2 - (len / 2 - 4) * slope, 0}, h);
    diaText->Color = colour;
    diaText->Rotation = rotation;
}

void DownstreamManholeBlock(DrawContext& ctx, double yBlock) {
    SheetRunValues& r = ctx.r;
    const auto& ip = ctx.v.InsertionPoint;
    const int line = r.CurLine;
    const LineRecord& l = LineOf(ctx, line);
    const int s = NextOf(ctx, line);
    const LineRecord& next = LineOf(ctx, s);
    const bool step = InvertStep(next.Inv1, l.Inv2) && s > 0;
    const float dia = l.Dia / 1000.0f;
    auto block = InsertProfileBlock(ctx, ip[0] + r.XNext, ip[1] + yBlock, "TEXT1");
    block->GetAttributes();
    attplot(ctx, block, "MHNAME", Stored(l.to));
    attplot(ctx, block, "TYPE", Trim(Stored(next.MhType)));
    attplot(ctx, block, "GR.EL", FormatFixed(l.Gr2, 3));
    attplot(ctx, block, "INV.EL", FormatFixed(l.Inv2, 3));
    if (step) attplot(ctx, block, "INV.EL1", FormatFixed(next.Inv1, 3));
    // The manhole's own chainage: the downstream end of this line.
    attplot(ctx, block, "KM", Trim(ChainageText(static_cast<float>(ResultOf(ctx, line).Chainage + l.Len))));
    attplot(ctx, block, "DEPTH", FormatFixed(CLngSingle(l.Gr2 - l.Inv2, 100) / 100.0, 2));
    if (step) attplot(ctx, block, "DEPTH1", FormatFixed(CLngSingle(l.Gr2 - next.Inv1, 100) / 100.0, 2));
    std::string fall;
    if (GroundFall(l, fall)) attplot(ctx, block, "GR", fall);
    attplot(ctx, block, "COVER", FormatFixed(l.Gr2 - l.Inv2 - dia, 2));
    if (step) attplot(ctx, block, "COVER1", FormatFixed(CLngSingle(l.Gr2 - next.Inv1 - dia, 100) / 100.0, 2));
}

}  // namespace

void LineBlocks(DrawContext& ctx) {
    ProfileViewState& v = ctx.v;
    if (v.DrawMode != kDrawCadBlocks) return;
    SheetRunValues& r = ctx.r;
    const double yBlock = v.BandBaseY - (4 * v.BandLift + 14);
    r.LabelText = LineOf(ctx, r.CurLine).Len > 15 ? " o/oo" : "";
    // A failed piece sends the rest of the sheet to the screen, so the pieces after it stop.
    DrawStep(ctx, "line block", [&] { LineBlock(ctx, yBlock); });
    if (v.DrawMode == kDrawCadBlocks) DrawStep(ctx, "pipe texts", [&] { PipeTexts(ctx); });
    if (v.DrawMode == kDrawCadBlocks) DrawStep(ctx, "manhole block", [&] { DownstreamManholeBlock(ctx, yBlock); });
}

}  // namespace vd
