#include "profile_drawing/sheet_routine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "cad/aci_palette.h"
#include "cad/cad_document.h"
#include "engine/number_text.h"
#include "profile_drawing/annotation_text.h"
#include "profile_drawing/output.h"
#include "profile_drawing/sheet_parts.h"

namespace vd {

// ---- shared helpers ---------------------------------------------------------

namespace {
// Str's layout of a number's general text ("0.5", "-1.5E+07"): a blank
// before a number that is not negative, no zero before the point.
std::string StrLayout(const std::string& general) {
    const bool negative = general[0] == '-';
    std::string_view digits(general);
    if (negative) digits.remove_prefix(1);
    if (digits.starts_with("0.")) digits.remove_prefix(1);
    return (negative ? "-" : " ") + std::string(digits);
}
}  // namespace

std::string Str(double v) {
    if (!std::isfinite(v) || v == 0) return " 0";
    return StrLayout(GeneralNumberText(v, 15));
}

std::string StrSingle(float v) {
    if (!std::isfinite(v) || v == 0) return " 0";
    return StrLayout(FloatText(v));
}

int LatLayoutOf(const DrawContext& ctx, int line) { return ctx.m.Lat(LinkOf(ctx, line).LatNo, LatLayout); }

double LatBaseOf(const DrawContext& ctx, int line) {
    int k = LinkOf(ctx, line).LatNo;
    if (k < 1 || k >= static_cast<int>(ctx.m.LatTable.size())) return 0;
    return ctx.m.LatTable[k][LatBase];
}

int PrintedSheetNumber(const DrawContext& ctx, int line) {
    double idx = ctx.m.Results[LineRow(ctx, line)].SheetIdx;
    int base = ctx.v.SheetNumberBase;
    if (line == 0 || !std::isfinite(idx) || idx < 0 || idx >= static_cast<double>(ctx.m.SheetTable.size()))
        return base;
    return base + ctx.m.SheetTable[static_cast<std::size_t>(idx)].DwgNo;
}

CadDocument& ConnectedDrawing(DrawContext& ctx) {
    if (!ctx.Out.Acad) throw CadError(caderr::ObjectNotSet, kNoDrawingOpen);
    return *ctx.Out.Acad;
}

std::shared_ptr<CadEntity> PlaceProfileBlock(DrawContext& ctx, double x, double y, const std::string& name,
                                             double xScale) {
    return ConnectedDrawing(ctx).ModelSpace().InsertBlock(CadPoint{x, y, 0}, Trim(name), xScale, 1.0, 1.0, 0);
}

std::shared_ptr<CadEntity> InsertProfileBlock(DrawContext& ctx, double x, double y, const std::string& name,
                                              double xScale) {
    try {
        return PlaceProfileBlock(ctx, x, y, name, xScale);
    } catch (const RuntimeError& e) {
        if (!AsksForProfileBlocks(e.number())) throw;
    }
    // Once: a block cfgplot could not define fails again and is handled like any other failure.
    cfgplot(ctx);
    return PlaceProfileBlock(ctx, x, y, name, xScale);
}

void RecordSkippedStep(DrawContext& ctx, const std::string& what, const std::string& why, bool toScreen) {
    std::string entry = what + ": " + why;
    if (ctx.r.CurLine > 0) entry += " (line " + NumText(ctx.r.CurLine) + ")";
    ctx.skipped.push_back(entry);
    if (toScreen) ctx.v.DrawMode = kDrawCanvas;
}

bool AsksForProfileBlocks(int errorNumber) {
    // The drawing has no such block: the document says the name was not found.
    return errorNumber == caderr::KeyNotFound || errorNumber == caderr::InvalidInput;
}

namespace {

// The selection colour of the first pass.
int32_t SelectionRgb(const DrawContext& ctx) {
    double v = Val(ctx.m.ObjectStyles[0].StyleName.view());
    return AciToRgb(ColourIndex(v));
}

// The texts of the selected line's edit boxes.
void FillEditBoxes(DrawContext& ctx) {
    const LineRecord& l = LineOf(ctx, LineAt(ctx, ctx.v.SelPos));
    SelectedLineTexts& t = ctx.v.EditBoxes;
    t.Gr1 = StrSingle(l.Gr1);
    t.Gr2 = StrSingle(l.Gr2);
    t.Inv1 = StrSingle(l.Inv1);
    t.Inv2 = StrSingle(l.Inv2);
    t.Slope = Str(CLngSingle(l.slope, 10000) / 10.0);
    t.Cover = Str(CLngSingle(l.Mincover, 100) / 100.0);
}

bool InSelection(const DrawContext& ctx, int pos) { return ctx.v.SelPosEnd <= pos && pos <= ctx.v.SelPos; }

// The strip's positions, highest first; a position out of the tables or a
// line met twice ends the walk, which is logged.
std::vector<std::pair<int, int>> StripPositions(DrawContext& ctx) {
    std::vector<std::pair<int, int>> out;
    int start = ctx.r.BandStartPos, end = ctx.r.BandEndPos;
    if (end <= 0 || start < end) return out;
    int n = LineLimit(ctx);
    std::vector<char> seen(static_cast<std::size_t>(n) + 1, 0);
    for (int p = start; p >= end; --p) {
        if (static_cast<int>(out.size()) >= n) {
            RecordSkippedStep(ctx, "sheet strip", "stopped after " + NumText(n) + " lines", false);
            break;
        }
        int line = LineAt(ctx, p);
        if (line == 0) {
            RecordSkippedStep(ctx, "sheet strip", "no line drawn at position " + NumText(p), false);
            break;
        }
        if (seen[line]) {
            LogWalkStop(ctx.m, line);
            RecordSkippedStep(ctx, "sheet strip", "line " + NumText(line) + " drawn twice", false);
            break;
        }
        seen[line] = 1;
        out.emplace_back(p, line);
    }
    return out;
}

// Selection boxes; every layout runs left to right as the lines are drawn.
void FirstPass(DrawContext& ctx, const std::vector<std::pair<int, int>>& strip) {
    SheetRunValues& r = ctx.r;
    int32_t rgb = SelectionRgb(ctx);
    for (auto [p, line] : strip) {
        r.XNext = r.XCursor + LineOf(ctx, line).Len / 10.0;
        if (InSelection(ctx, p)) {
            if (ctx.v.DrawMode == kDrawCanvas)
                SelectionBox(ctx, r.XCursor, ctx.v.BandBaseY + 4.5, r.XNext, ctx.v.BandBaseY - (4 * ctx.v.BandLift + 14), rgb);
            ctx.v.SelBaseY = ctx.v.BandBaseY;
        }
        r.XCursor = r.XNext;
        if (line == LatLastOf(ctx, line)) r.XCursor += 5;
    }
}

// A lateral whose ground rises between 5 and 10 m above its head on
// this strip is shifted down so the profile stays on the strip.
void RaiseLatBase(DrawContext& ctx, std::size_t at, const std::vector<std::pair<int, int>>& strip) {
    int line = strip[at].second;
    const LineRecord& head = LineOf(ctx, line);
    double highest = head.Gr1, lowest = head.Inv1;
    int cur = line;
    for (std::size_t i = at;; ++i) {
        const LineRecord& l = LineOf(ctx, cur);
        highest = std::max(highest, static_cast<double>(l.Gr2));
        lowest = std::min(lowest, static_cast<double>(l.Inv2));
        if (head.Inv1 - lowest > 12) return;
        if (i + 1 >= strip.size() || NextOf(ctx, cur) != strip[i + 1].second) break;
        cur = strip[i + 1].second;
    }
    double rise = highest - head.Gr1;
    int k = LinkOf(ctx, line).LatNo;
    if (rise > 5 && rise <= 10 && k >= 1 && k < static_cast<int>(ctx.m.LatTable.size()))
        ctx.m.LatTable[k][LatBase] = std::trunc(rise) + 2;
}

bool ProfileStart(const DrawContext& ctx) {
    return ctx.r.CurLine == LatFirstOf(ctx, ctx.r.CurLine) || ctx.r.Pos == ctx.r.BandStartPos;
}

// Whether the lateral goes on at the next position of this strip.
bool ContinuesOnStrip(const DrawContext& ctx) {
    if (ctx.r.Pos <= ctx.r.BandEndPos) return false;
    int next = NextOf(ctx, ctx.r.CurLine);
    return next != 0 && next == LineAt(ctx, ctx.r.Pos - 1);
}

void DrawLine(DrawContext& ctx, std::size_t at, const std::vector<std::pair<int, int>>& strip) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    r.Pos = strip[at].first;
    int line = strip[at].second;

    if (UpOf(ctx, line) == 0 || r.Pos == r.BandStartPos)
        DrawStep(ctx, "lateral shift", [&] { RaiseLatBase(ctx, at, strip); });
    r.LatShift = 0;
    DrawStep(ctx, "lateral shift", [&] { r.LatShift = CLng(LatBaseOf(ctx, line)); });
    r.CurLine = line;
    r.XCursor = r.NextX;

    const LineRecord& l = LineOf(ctx, line);
    if (ProfileStart(ctx)) {
        r.YGr1 = v.BandBaseY - (std::trunc(l.Gr1) - l.Gr1) - r.LatShift;
        DrawStep(ctx, "level scale", [&] {
            elvsub(ctx, line, v.BandLift, r.XCursor, r.TextFactor, v.BandBaseY, r.NoteColour, v.DrawMode, 0,
                   v.LKeySwitch, r.LatShift);
        });
    }
    r.ElevOffset = l.Gr1 - r.YGr1;
    r.LineStartX = r.XCursor;
    ResultOf(ctx, line).ProfX = ToFloat(r.XCursor);
    DrawStep(ctx, "axis line", [&] { DrawAxisLines(ctx); });

    if (v.DrawMode == kDrawCadBlocks && r.Pos == r.BandStartPos)
        DrawStep(ctx, "title block", [&] { InsertTitleBlock(ctx); });
    if (ProfileStart(ctx)) DrawStep(ctx, "lateral frame", [&] { DrawLateralFrame(ctx); });

    bool tooDeep = false;
    DrawStep(ctx, "depth guard", [&] { tooDeep = DepthGuard(ctx); });
    if (tooDeep) {
        r.StripEnded = true;
        return;
    }

    DrawStep(ctx, "pipe band", [&] { DrawBandShifts(ctx); });
    DrawStep(ctx, "line geometry", [&] { DrawLineGeometry(ctx); });
    DrawStep(ctx, "joining laterals", [&] { DrawJoiningLateralNotes(ctx); });
    r.NextX = ToFloat(r.XNext);

    if (r.Pos == r.BandStartPos && UpOf(ctx, line) != 0)
        DrawStep(ctx, "incoming pipe", [&] { IncomingPipeNote(ctx); });
    else if (line == LatFirstOf(ctx, line))
        DrawStep(ctx, "head manhole", [&] { HeadManholeWall(ctx); });

    if (!ContinuesOnStrip(ctx)) {
        DrawStep(ctx, "outgoing pipe", [&] { DrawOutgoingStub(ctx); });
        DrawStep(ctx, "outgoing pipe note", [&] { OutgoingPipeNote(ctx); });
        LateralEndGap(ctx);
    }

    DrawStep(ctx, "line table texts", [&] { LineTableTexts(ctx); });
    DrawStep(ctx, "line profile texts", [&] { LineProfileTexts(ctx); });
    DrawStep(ctx, "line blocks", [&] { LineBlocks(ctx); });
    DrawStep(ctx, "line labels", [&] { LineInfoLabels(ctx); });
    r.YGr1 = r.YGr2;
}

// The strip from BandStartPos down to BandEndPos.
void DrawStrip(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    r.StripEnded = false;
    std::vector<std::pair<int, int>> strip = StripPositions(ctx);
    if (strip.empty()) return;

    r.BandLayout = LatLayoutOf(ctx, strip.front().second) == 2 ? 2 : 1;
    r.NextX = r.BandLayout == 2 ? 83.4f : 8.4f;
    r.XCursor = r.NextX;
    FirstPass(ctx, strip);

    r.NextX = r.BandLayout == 2 ? 83.4f : 8.4f;
    r.TextFactor = std::min(r.TextFactor, 0.5f);
    if (v.TextSizeMode == 2 && v.MaxRowLocate > 26 && v.BandBaseY > 40) v.BandBaseY += v.MaxRowLocate - 22;

    for (std::size_t i = 0; i < strip.size() && !r.StripEnded; ++i) DrawLine(ctx, i, strip);
}

void SetUp(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    DrawStep(ctx, "edit boxes", [&] { FillEditBoxes(ctx); });
    DrawStep(ctx, "note colour", [&] { r.NoteColour = CInt(ctx.m.ObjectStyles[24].Color); });
    // The canvas takes the texts' size and place from the file's factor, so
    // that the screen shows the sheet as it prints.
    r.TextFactor = 0.3f;
    if (v.DrawMode == kDrawCadLines) {
        double f = Val(ctx.m.ObjectStyles[1].StyleName.view());
        if (f > 0 && f < 0.5) r.TextFactor = static_cast<float>(f);
    }
}

}  // namespace

Outcome scrp(DrawContext& ctx) {
    SheetRunValues& r = ctx.r;
    ProfileViewState& v = ctx.v;
    ctx.skipped.clear();
    SetUp(ctx);

    if (v.Band1End > 0) {
        r.BandStartPos = v.Band1Start;
        r.BandEndPos = v.Band1End;
        v.BandBaseY = 58.2f + 8 * v.BandLift;
            for (int row = 1; row <= 16; ++row) {
            ObjectStyle& s = ctx.m.ObjectStyles[row];
            if (!s.Visible.unassigned()) s.Visible = UpperCase(s.Visible.view());
            double at = Val(s.RowLocate.view());
            if (s.Visible.view() == "Y" && at > v.MaxRowLocate) v.MaxRowLocate = ToFloat(at);
        }
        if (v.DrawPart == 0 || v.DrawPart == 2) DrawStrip(ctx);
    }

    if (v.Band2End > 0) {
        r.BandStartPos = v.Band2Start;
        r.BandEndPos = v.Band2End;
        v.BandBaseY = 4 * v.BandLift + 22;
            // A sheet of one strip has no upper strip to take its number from.
        int numbered = LineAt(ctx, v.Band1End > 0 ? v.Band1Start : v.Band2Start);
        int n = PrintedSheetNumber(ctx, numbered);
        if (v.ShowSheetLabel && v.DrawPart != 3) DrawStep(ctx, "sheet label", [&] { DrawSheetLabel(ctx, n); });
        if (v.DrawMode == kDrawCadLines || v.DrawMode == kDrawCadBlocks)
            DrawStep(ctx, "frame block", [&] { InsertFrameBlock(ctx, n); });
        DrawStrip(ctx);
    }

    if (v.DrawMode > 1) v.DrawMode = 1;
    if (ctx.skipped.empty()) return Outcome::Ok();
    // The log keeps only its latest lines, so a long run of failures is summed up.
    const std::size_t logged = std::min<std::size_t>(ctx.skipped.size(), 5);
    for (std::size_t i = 0; i < logged; ++i) AppendLog(ctx.m, "Drawing step skipped: " + ctx.skipped[i]);
    if (ctx.skipped.size() > logged)
        AppendLog(ctx.m, "... and " + NumText(static_cast<long long>(ctx.skipped.size() - logged)) + " more");
    std::string message = "The sheet was drawn with " + NumText(static_cast<long long>(ctx.skipped.size())) +
                          (ctx.skipped.size() == 1 ? " step" : " steps") + " left out; the first: " + ctx.skipped.front();
    return Outcome::Fail(message);
}

Outcome scrp(Model& m, ProfileViewState& view, OutputSet& out) {
    DrawContext ctx(m, view, out);
    return scrp(ctx);
}

}  // namespace vd
