// The sheet walk and its geometry: a small worked network drawn mark by mark,
// and the rules for strips, datum, labels and failures.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>

#include "cad/cad_document.h"
#include "byte_mutator.h"
#include "net_builder.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/dxf_output.h"
#include "profile_drawing/recording_output.h"
#include "profile_drawing/sheet_parts.h"
#include "profile_drawing/sheet_routine.h"
#include "recording_ui.h"

namespace vd {
namespace {

using Mark = test::OutputMark;
using MarkRecorder = test::RecordingOutput;

constexpr double kTol = 1e-6;

// The line from (x1, y1) to (x2, y2), or null.
const Mark* FindLine(const MarkRecorder& r, double x1, double y1, double x2, double y2, double tol = kTol) {
    auto near = [&](double a, double b) { return std::fabs(a - b) <= tol; };
    for (const Mark& m : r.marks)
        if (m.kind == Mark::Line && near(m.x1, x1) && near(m.y1, y1) && near(m.x2, x2) && near(m.y2, y2)) return &m;
    return nullptr;
}
int CountLine(const MarkRecorder& r, double x1, double y1, double x2, double y2, double tol = kTol) {
    int n = 0;
    auto near = [&](double a, double b) { return std::fabs(a - b) <= tol; };
    for (const Mark& m : r.marks)
        n += m.kind == Mark::Line && near(m.x1, x1) && near(m.y1, y1) && near(m.x2, x2) && near(m.y2, y2);
    return n;
}
int Count(const MarkRecorder& r, Mark::Kind kind) { return static_cast<int>(r.of(kind).size()); }

// Lines of one lateral, drawn on a one-strip sheet from the head down.
struct Sheet {
    Model m;
    ProfileViewState v;
    MarkRecorder rec;
    OutputSet out;
    test::RecordingUi ui;
    DrawContext ctx{m, v, out};

    Sheet() {
        m.SetUi(&ui);
        ApplyDefaultStyles(m);
        out.Canvas = &rec;
        out.Dxf = out.CadLines = out.CadBlocks = &rec;
    }

    // Links the lines given so far into one lateral (1 -> 2 -> ...) on sheet 0.
    void OneLateral(int dwgNo = 1) {
        int n = m.LineCount;
        double chainage = 0;
        for (int i = 1; i <= n; ++i) {
            m.Links[i].NextLine = static_cast<int16_t>(i < n ? i + 1 : 0);
            m.Links[i].UpLine = static_cast<int16_t>(i - 1);
            m.Links[i].LatNo = 1;
            m.Links[i].PosLine = static_cast<int16_t>(n + 1 - i);  // the head at the highest position
            m.Results[i].Chainage = static_cast<float>(chainage);
            chainage += m.Lines[i].Len;
        }
        m.LatCount = 1;
        m.CreateLatTable(1);
        m.LatTable[1][LatFirst] = 1;
        m.LatTable[1][LatLast] = n;
        m.LatTable[1][LatLayout] = 1;
        SheetRecord row;
        row.Band2Start = 1;  // lowest position, as the sheet table keeps it
        row.Band2End = static_cast<int16_t>(n);
        row.DwgNo = static_cast<int16_t>(dwgNo);
        m.SheetTable = {row};
        m.SheetCount = 1;
        v.LoadSheet(row);
        v.SelPos = v.SelPosEnd = static_cast<int16_t>(n);
    }

    Outcome Draw(int mode) {
        v.DrawMode = static_cast<int16_t>(mode);
        rec.marks.clear();
        return scrp(ctx);
    }
};

// The worked network: A -> B -> C, one lateral, one strip, BandLift 1.
void BuildN2(Sheet& s) {
    test::NetBuilder net(s.m);
    net.line("A", "B").len(100).dia(200).slope(0.005f).gr(103.75f, 103.25f).inv(102.0f, 101.5f);
    net.line("B", "C").len(50).dia(200).slope(0.005f).gr(103.25f, 103.0f).inv(101.25f, 101.0f);
    s.OneLateral();
}

TEST(SheetRoutine, WorkedNetworkInDxfMode) {
    Sheet s;
    BuildN2(s);
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    const MarkRecorder& r = s.rec;
    EXPECT_EQ(s.v.DrawMode, kDrawCanvas);
    EXPECT_NEAR(s.v.BandBaseY, 26, kTol);
    EXPECT_NEAR(s.m.Results[1].ProfX, 8.4, kTol);
    EXPECT_NEAR(s.m.Results[2].ProfX, 18.4, kTol);
    EXPECT_NEAR(s.ctx.r.NextX, 28.4, 1e-5);

    // Level scale: whole metres of the head's ground at the base, every 2 m.
    struct Level { const char* text; double x, y; } levels[] = {
        {" 105", 5.85, 28.2}, {" 103", 5.85, 26.2}, {" 89", 6.0, 12.2}, {" 87", 6.0, 10.2}};
    for (const Level& l : levels) {
        auto t = r.texts(l.text);
        ASSERT_EQ(t.size(), 1u) << l.text;
        EXPECT_NEAR(t[0]->x1, l.x, kTol) << l.text;
        EXPECT_NEAR(t[0]->y1, l.y, kTol) << l.text;
        EXPECT_NEAR(t[0]->height, 0.25, kTol);
    }
    EXPECT_TRUE(r.texts(" 85").empty());

    // Frame from 1 left of the head to 2 beyond the lateral's last drawn line.
    const Mark* top = FindLine(r, 7.4, 28, 25.4, 28);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->colour, 3);
    int grid = 0;
    for (int g = 0; g <= 18; g += 2) {
        const Mark* line = FindLine(r, 7.4, 26 - g, 25.4, 26 - g);
        ASSERT_NE(line, nullptr) << g;
        EXPECT_EQ(line->colour, 46);
        ++grid;
    }
    EXPECT_EQ(grid, 10);
    EXPECT_EQ(CountLine(r, 7.4, 28, 7.4, 8), 1);
    EXPECT_EQ(CountLine(r, 25.4, 28, 25.4, 8), 1);

    // Axis lines at both manholes of each line and at the outfall.
    const Mark* axis = FindLine(r, 8.4, 30, 8.4, 5);
    ASSERT_NE(axis, nullptr);
    EXPECT_EQ(axis->colour, 50);
    EXPECT_EQ(CountLine(r, 18.4, 30, 18.4, 5), 2);
    EXPECT_EQ(CountLine(r, 23.4, 30, 23.4, 5), 1);

    // Line 1: ground, walls, crown, invert and the drop to line 2.
    struct Seg { double x1, y1, x2, y2, colour; } segs[] = {
        {8.4, 26.75, 18.4, 26.25, 2},          {8.5, 26.75, 8.5, 25.190249844, 4},
        {18.3, 26.25, 18.3, 24.700249844, 4},  {8.5, 25.190249844, 18.3, 24.700249844, 4},
        {8.3, 25, 18.3, 24.5, 4},              {18.3, 24.5, 18.3, 24.25, 4},
        // Line 2 and the outfall's wall and level stubs.
        {18.4, 26.25, 23.4, 26, 2},            {18.3, 24.25, 23.3, 24, 4},
        {23.5, 26, 23.5, 24, 4},               {23.3, 24, 24.4, 24, 4},
        {23.5, 24, 24.4, 24, 4}};
    for (const Seg& g : segs) {
        const Mark* line = FindLine(r, g.x1, g.y1, g.x2, g.y2, 1e-5);
        ASSERT_NE(line, nullptr) << g.x1 << "," << g.y1 << " -> " << g.x2 << "," << g.y2;
        EXPECT_EQ(line->colour, g.colour);
    }
    // No solid in a DXF file, no incoming note on a lateral's head.
    EXPECT_EQ(Count(r, Mark::Solid), 0);
    // The sheet label waits for Alt+R.
    for (const Mark& m : r.marks) EXPECT_NE(m.text.rfind("DWG#", 0), 0u) << m.text;
}

TEST(SheetRoutine, WorkedNetworkWedgeAndFrameInCadMode) {
    Sheet s;
    BuildN2(s);
    CadDocument doc;
    CadBlock& kadr = doc.Blocks().Add(CadPoint{0, 0, 0}, "KADR");
    kadr.AddAttribute(0.2, 0, "", CadPoint{1, 1, 0}, "dwg", "");
    s.out.Acad = &doc;
    s.v.InsertionPoint = {100, 200, 0};
    s.m.SheetTable[0].DwgNo = 12;
    ASSERT_TRUE(s.Draw(kDrawCadLines).ok());

    ASSERT_EQ(Count(s.rec, Mark::Solid), 1);
    const Mark& w = *std::find_if(s.rec.marks.begin(), s.rec.marks.end(), [](const Mark& m) { return m.kind == Mark::Solid; });
    std::array<double, 4> xs{183, 183, 184.5, 184.5}, ys{245, 242.5, 242.425, 242.425};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(w.xs[i], xs[i], 1e-4);
        EXPECT_NEAR(w.ys[i], ys[i], 1e-4);
    }
    auto inserts = doc.ModelSpace().entities();
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_EQ(inserts[0]->InsertionPoint, (CadPoint{99, 195, 0}));
    EXPECT_EQ(inserts[0]->GetAttributes().at(0)->TextString, "DWG#  12");
    EXPECT_TRUE(s.rec.texts("DWG#(12)").empty());  // the frame numbers the sheet; the label waits for Alt+R
    EXPECT_EQ(s.v.DrawMode, kDrawCanvas);
}

// Block mode in a drawing without the profile blocks: they are defined at the
// first missing one and every insert goes in.
TEST(SheetRoutine, BlockModeDefinesMissingBlocksOnce) {
    Sheet s;
    BuildN2(s);
    CadDocument doc;
    s.out.Acad = &doc;
    Outcome o = s.Draw(kDrawCadBlocks);
    ASSERT_TRUE(o.ok()) << o.message();
    std::map<std::string, int> inserts;
    int texts = 0;
    for (const auto& e : doc.ModelSpace().entities()) {
        if (e->kind == CadKind::Insert) ++inserts[UpperCase(e->Name)];
        texts += e->kind == CadKind::Text;
    }
    EXPECT_EQ(inserts["KADR"], 1);
    EXPECT_EQ(inserts["TITLE"], 1);
    EXPECT_EQ(inserts["TABLE"], 1);
    EXPECT_EQ(inserts["RL"], 11);  // ten grid lines and the frame's corner
    EXPECT_EQ(texts, 13);          // the level scale from the base down, slope and diameter along each pipe
    EXPECT_EQ(s.v.DrawMode, kDrawCanvas);

    // Without a drawing the steps fail once each and are reported, never retried without end.
    Sheet t;
    BuildN2(t);
    Outcome failed = t.Draw(kDrawCadBlocks);
    EXPECT_FALSE(failed.ok());
}

// A ground that rises between 5 and 10 m above the head moves the lateral's
// profile down; anything else keeps its shift.
TEST(SheetRoutine, LateralShiftFromRisingGround) {
    struct Case { float rise, inv2; double expected; } cases[] = {
        {7.6f, 97.5f, 9}, {10.0f, 97.5f, 12}, {5.0f, 97.5f, 0}, {4.0f, 97.5f, 0},
        {11.0f, 97.5f, 0}, {7.6f, 85.5f, 0} /* invert more than 12 m under the head */};
    for (const Case& c : cases) {
        Sheet s;
        test::NetBuilder net(s.m);
        net.line("A", "B").len(40).dia(200).gr(100, 100 + c.rise).inv(98, c.inv2);
        s.OneLateral();
        (void)s.Draw(kDrawDxf);
        EXPECT_EQ(s.m.LatTable[1][LatBase], c.expected) << c.rise << " " << c.inv2;
    }
    // The shift moves the profile and its level scale together.
    Sheet s;
    test::NetBuilder net(s.m);
    net.line("A", "B").len(40).dia(200).gr(103.75f, 104).inv(102, 101.8f);
    s.OneLateral();
    s.m.LatTable[1][LatBase] = 9;
    (void)s.Draw(kDrawDxf);
    ASSERT_NE(FindLine(s.rec, 8.4, 17.75, 12.4, 18, 1e-5), nullptr);
    auto top = s.rec.texts(" 114");  // 105 + 9 at the scale's top
    ASSERT_EQ(top.size(), 1u);
    EXPECT_NEAR(top[0]->y1, 28.2, kTol);
}

TEST(SheetRoutine, DepthGuardEndsTheStrip) {
    struct Case { float inv2; bool outOfRange; } cases[] = {{83.9f, true}, {84.0f, false}};
    for (const Case& c : cases) {
        Sheet s;
        test::NetBuilder net(s.m);
        net.line("A", "B").len(100).dia(300).gr(100, 99).inv(85, c.inv2);
        net.line("B", "C").len(60).dia(300).gr(99, 98).inv(c.inv2, c.inv2 - 0.3f);
        s.OneLateral();
        s.m.Results[2].ProfX = -1;
        (void)s.Draw(kDrawDxf);
        auto mark = s.rec.texts("Out of Range");
        ASSERT_EQ(mark.size(), c.outOfRange ? 1u : 0u) << c.inv2;
        if (c.outOfRange) {
            EXPECT_NEAR(mark[0]->x1, 8.4 + 5 - 1, 1e-5);
            EXPECT_NEAR(mark[0]->y1, 25, kTol);
            EXPECT_NEAR(mark[0]->height, 0.15, kTol);
            EXPECT_EQ(s.m.Results[2].ProfX, -1);  // the second line is never placed
        } else {
            EXPECT_NEAR(s.m.Results[2].ProfX, 18.4, 1e-5);
        }
    }
}

// Which strips draw, and the sheet label under them.
TEST(SheetRoutine, StripsAndSheetLabels) {
    struct Case {
        const char* name;
        int b1Start, b1End, b2Start, b2End;
        bool showLabel;
        int drawPart;
        bool drawsLines;
        const char* label;  // nullptr: none
    } cases[] = {
        {"lower strip only", 0, 0, 2, 1, true, 0, true, "DWG#(7)"},
        {"upper strip only", 2, 1, 0, 0, true, 0, true, nullptr},
        {"start below end", 0, 0, 1, 2, true, 0, false, "DWG#(7)"},
        {"no strip", 0, 0, 0, 0, true, 0, false, nullptr},
        {"label switched off", 0, 0, 2, 1, false, 0, true, nullptr},
        {"DrawPart 3 has no label", 0, 0, 2, 1, true, 3, true, nullptr},
    };
    for (const Case& c : cases) {
        Sheet s;
        BuildN2(s);
        s.m.SheetTable[0].DwgNo = 7;
        s.v.Band1Start = c.b1Start, s.v.Band1End = c.b1End, s.v.Band2Start = c.b2Start, s.v.Band2End = c.b2End;
        s.v.ShowSheetLabel = c.showLabel;
        s.v.DrawPart = static_cast<int16_t>(c.drawPart);
        EXPECT_TRUE(s.Draw(kDrawDxf).ok()) << c.name;
        EXPECT_EQ(Count(s.rec, Mark::Line) > 0, c.drawsLines) << c.name;
        int labels = 0;
        for (const Mark& m : s.rec.marks) labels += m.kind == Mark::Text && m.text.rfind("DWG#(", 0) == 0;
        EXPECT_EQ(labels, c.label ? 1 : 0) << c.name;
        if (c.label) { EXPECT_EQ(s.rec.texts(c.label).size(), 1u) << c.name; }
    }
}

TEST(SheetRoutine, TwoStripSheetNumbersFromTheUpperStripAndBasesStack) {
    Sheet s;
    test::NetBuilder net(s.m);
    net.line("A", "B").len(100).dia(200).gr(103, 102.5f).inv(101, 100.5f);
    net.line("B", "C").len(100).dia(200).gr(102.5f, 102).inv(100.5f, 100);
    s.OneLateral();
    // Line 1 on the upper strip of sheet 4 (DwgNo 5), line 2 on the lower one.
    s.m.Results[1].SheetIdx = 4;
    s.m.SheetTable.resize(5);
    s.m.SheetTable[4].DwgNo = 5;
    s.v.Band1Start = s.v.Band1End = 2;
    s.v.Band2Start = s.v.Band2End = 1;
    s.v.TextSizeMode = 2;
    s.v.SelPos = s.v.SelPosEnd = 1;
    s.v.ShowSheetLabel = true;
    ASSERT_TRUE(s.Draw(kDrawCanvas).ok());
    // The sheet label, and the lower strip's note of the pipe coming in from line 1.
    EXPECT_EQ(s.rec.texts("DWG#(5)").size(), 2u);
    EXPECT_NEAR(s.m.Results[1].ProfX, 8.4, 1e-5);
    EXPECT_NEAR(s.m.Results[2].ProfX, 8.4, 1e-5);  // each strip starts at the margin
    // Ground of line 1 on the upper base 66.2, line 2 on the lower base 26.
    EXPECT_NE(FindLine(s.rec, 8.4, 66.2, 18.4, 65.7, 1e-5), nullptr);
    EXPECT_NE(FindLine(s.rec, 8.4, 26.5, 18.4, 26, 1e-5), nullptr);
    // The selection box on the screen spans the selected line's strip.
    ASSERT_EQ(Count(s.rec, Mark::Box), 1);
    EXPECT_NEAR(s.v.SelBaseY, 26, kTol);
}

TEST(SheetRoutine, ZeroLengthLineAndSecondLayout) {
    // A line of length 0 is drawn at one x, with nothing undefined in it.
    Sheet s;
    BuildN2(s);
    s.m.Lines[2].Len = 0;
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    for (const Mark& m : s.rec.marks)
        ASSERT_TRUE(std::isfinite(m.x1) && std::isfinite(m.y1) && std::isfinite(m.x2) && std::isfinite(m.y2));
    EXPECT_NEAR(s.m.Results[2].ProfX, 18.4, 1e-5);
    EXPECT_NE(FindLine(s.rec, 18.5, 26, 18.5, 24, 1e-5), nullptr);  // the outfall wall at the same x

    // The second layout starts at the wider margin, scale on the other side;
    // its selection boxes run the way its lines are drawn.
    Sheet t;
    BuildN2(t);
    t.m.LatTable[1][LatLayout] = 2;
    ASSERT_TRUE(t.Draw(kDrawCanvas).ok());
    EXPECT_NEAR(t.m.Results[1].ProfX, 83.4, 1e-5);
    EXPECT_NEAR(t.m.Results[2].ProfX, 93.4, 1e-5);
    auto top = t.rec.texts(" 105");
    ASSERT_EQ(top.size(), 1u);
    EXPECT_NEAR(top[0]->x1, 83.4 + 1 + 2 * 0.3, 1e-5);
    ASSERT_EQ(Count(t.rec, Mark::Box), 1);
    const Mark& box = *std::find_if(t.rec.marks.begin(), t.rec.marks.end(), [](const Mark& m) { return m.kind == Mark::Box; });
    EXPECT_NEAR(box.x1, 83.4, 1e-5);
    EXPECT_NEAR(box.x2, 93.4, 1e-5);
}

// Two laterals on one strip: the second starts 5 units after the first ends,
// in the drawing and in the positions the view finds lines by.
TEST(SheetRoutine, LateralsOnOneStripAreFiveUnitsApart) {
    Sheet s;
    test::NetBuilder net(s.m);
    net.line("A", "B").len(100).dia(200).gr(103, 102).inv(101, 100.5f);
    net.line("C", "D").len(50).dia(200).gr(103, 102).inv(101, 100.5f);
    s.OneLateral();
    s.m.Links[1].NextLine = s.m.Links[2].UpLine = 0;
    s.m.Links[2].LatNo = 2;
    s.m.CreateLatTable(2);
    s.m.LatCount = 2;
    for (int k : {1, 2}) s.m.LatTable[k][LatFirst] = s.m.LatTable[k][LatLast] = k;
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    EXPECT_NEAR(s.m.Results[2].ProfX, 23.4, 1e-5);
    EXPECT_NEAR(s.ctx.r.NextX, 33.4, 1e-5);
    std::fill_n(&s.m.Results[1], 3, ResultRecord{});
    blksub(s.ctx, 2, 1);
    EXPECT_NEAR(s.m.Results[1].ProfX, 8.4, 1e-5);
    EXPECT_NEAR(s.m.Results[2].ProfX, 23.4, 1e-5);
    EXPECT_NEAR(s.ctx.r.XCursor, 33.4, 1e-5);
}

TEST(SheetRoutine, FailedStepIsReportedAndTheRestGoesToTheScreen) {
    Sheet s;
    BuildN2(s);
    MarkRecorder cad;
    s.out.CadLines = &cad;  // no CAD drawing: the frame block cannot go in
    s.v.ShowSheetLabel = true;
    Outcome o = s.Draw(kDrawCadLines);
    EXPECT_FALSE(o.ok());
    EXPECT_NE(o.message().find("frame block"), std::string::npos) << o.message();
    EXPECT_EQ(s.v.DrawMode, kDrawCanvas);
    EXPECT_EQ(cad.texts("DWG#(1)").size(), 1u);            // drawn before the failure
    EXPECT_EQ(Count(cad, Mark::Line), 0);                    // nothing after it
    EXPECT_NE(FindLine(s.rec, 8.4, 26.75, 18.4, 26.25, 1e-5), nullptr);
    ASSERT_FALSE(s.ui.logs.empty());
    EXPECT_NE(s.ui.logs.front().find("skipped"), std::string::npos);

    // A DXF file that cannot take the marks makes a failed export, not an empty success.
    DxfProfileWriter closed;
    s.out.Dxf = &closed;
    const Outcome unwritten = s.Draw(kDrawDxf);
    EXPECT_FALSE(unwritten.ok());
    EXPECT_NE(unwritten.message().find("no DXF file is open"), std::string::npos) << unwritten.message();
}

TEST(SheetRoutine, DamagedPositionsEndTheStripAndSaySo) {
    Sheet s;
    BuildN2(s);
    s.m.Links[1].PosLine = 1;  // line 1 at both positions
    Outcome twice = s.Draw(kDrawDxf);
    EXPECT_FALSE(twice.ok());
    EXPECT_NE(twice.message().find("drawn twice"), std::string::npos) << twice.message();
    ASSERT_FALSE(s.ui.logs.empty());
    EXPECT_NE(s.ui.logs.front().find("line met twice"), std::string::npos);
    s.v.Band2Start = 30000;  // beyond the tables
    s.ui.clear();
    EXPECT_FALSE(s.Draw(kDrawDxf).ok());
    EXPECT_EQ(Count(s.rec, Mark::Line), 0);
    ASSERT_FALSE(s.ui.logs.empty());
}

TEST(SheetRoutine, TextFactorByModeAndCap) {
    struct Case { int mode, sizeMode; const char* rowStyle; float expected; } cases[] = {
        {kDrawCanvas, 1, "", 0.3f}, {kDrawCanvas, 2, "", 0.3f}, {kDrawDxf, 1, "", 0.3f},
        {kDrawCadLines, 1, "0.25", 0.25f}, {kDrawCadLines, 1, "0.5", 0.3f}, {kDrawCadLines, 1, "ROMANS", 0.3f}};
    for (const Case& c : cases) {
        Sheet s;
        BuildN2(s);
        CadDocument doc;
        doc.Blocks().Add(CadPoint{0, 0, 0}, "kadr");
        s.out.Acad = &doc;
        s.v.TextSizeMode = c.sizeMode;
        s.m.ObjectStyles[1].StyleName = c.rowStyle;
        (void)s.Draw(c.mode);
        EXPECT_FLOAT_EQ(s.ctx.r.TextFactor, c.expected) << c.mode << " " << c.rowStyle;
    }
}

// Damaged tables and settings: any value in any field, links and positions
// pointing anywhere. The sheet is drawn or reported, never a crash.
TEST(SheetRoutine, DamagedTablesNeverStopTheProgram) {
    std::mt19937 rng(20261207);
    const float odd[] = {0, -1, 1e30f, -1e30f, std::numeric_limits<float>::infinity(), std::nanf(""), 3.4e38f, 0.5f};
    auto any = [&](float lo, float hi) {
        return rng() % 6 == 0 ? odd[rng() % 8] : lo + (hi - lo) * static_cast<float>(rng() % 1000) / 1000.f;
    };
    const int runs = test::HostileIterations(150);
    for (int run = 0; run < runs; ++run) {
        Sheet s;
        CadDocument doc;
        s.out.Acad = &doc;
        int n = 1 + static_cast<int>(rng() % 12);
        test::NetBuilder net(s.m);
        for (int i = 1; i <= n; ++i)
            net.line("A" + std::to_string(i), "B").len(any(0, 120)).dia(any(0, 900)).slope(any(-0.01f, 0.05f))
                .gr(any(90, 110), any(90, 110)).inv(any(80, 105), any(80, 105));
        auto link = [&] { return static_cast<int16_t>(static_cast<int>(rng() % (n + 3)) - 1); };
        for (int i = 0; i <= n + 2; ++i) {
            LinkRecord& l = s.m.Links[i];
            l.NextLine = link(), l.UpLine = link(), l.Branch1 = link(), l.Branch2 = link(), l.LatNo = link();
            l.PosLine = link();
            s.m.Results[i].SheetIdx = any(-1, 3);
        }
        s.m.LatCount = 3;
        s.m.CreateLatTable(3);
        for (auto& row : s.m.LatTable)
            for (double& cell : row) cell = any(-2, static_cast<float>(n + 2));
        for (int r = 0; r < 27; ++r) {
            ObjectStyle& st = s.m.ObjectStyles[r];
            if (rng() % 4 == 0) st.RowLocate = rng() % 2 ? "9E99" : "-1E300";
            if (rng() % 4 == 0) st.HSpace = rng() % 2 ? "m1E40" : "M";
            st.Color = any(-5, 300), st.DivideLen = any(-2, 5), st.TextHeight = any(-1, 200);
        }
        s.v.Band1Start = static_cast<int>(rng() % (n + 4)) - 1, s.v.Band1End = static_cast<int>(rng() % (n + 4)) - 1;
        s.v.Band2Start = static_cast<int>(rng() % (n + 4)) - 1, s.v.Band2End = static_cast<int>(rng() % (n + 4)) - 1;
        s.v.BandLift = static_cast<int16_t>(rng() % 3), s.v.TextSizeMode = 1 + static_cast<int>(rng() % 2);
        s.v.SelPos = s.v.SelPosEnd = static_cast<int16_t>(rng() % (n + 2));
        s.v.ForcePipe = rng() % 2, s.v.LKeySwitch = static_cast<int>(rng() % 2);
        int mode = 1 + static_cast<int>(rng() % 4);
        ASSERT_NO_THROW((void)s.Draw(mode)) << "run " << run;
        EXPECT_EQ(s.v.DrawMode, kDrawCanvas);
    }
}

// ---- the region procedures on their own ------------------------------------

TEST(SheetRegions, TableCellAlignmentTicksAndRowLine) {
    struct Case { const char* hSpace; bool atNext; float divide; int mode; double textX; int ticks; } cases[] = {
        {"M0", false, 5, kDrawDxf, 10 + 2.5 + 0.5, 2},   // middle of the line
        {"M0", true, 5, kDrawDxf, 15 + 2.5 + 0.5, 2},    // half a line beyond its end
        {"m2", false, 0, kDrawDxf, 10 + 4.5 + 0.5, 1},   // lower case counts; no ticks
        {"1.5", false, -1, kDrawDxf, 10 + 1.5 + 0.5, 1}, // plain shift
        {"M0", false, 5, kDrawCadBlocks, 0, 0},          // nothing in block mode
    };
    for (const Case& c : cases) {
        Sheet s;
        BuildN2(s);
        s.v.DrawMode = static_cast<int16_t>(c.mode);
        s.v.BandBaseY = 66.2f;
        SheetRunValues& r = s.ctx.r;
        r.XCursor = 10, r.XNext = 15, r.TableLeftX = 7, r.TableRightX = 40;
        r.CurLine = 1, r.BandStartPos = 5, r.BandEndPos = 1;  // line 1 stands at position 2: no row name
        ObjectStyle& st = s.m.ObjectStyles[5];
        st.HSpace = c.hSpace;
        st.RowLocate = "18";
        st.DivideLen = c.divide;
        st.TextHeight = 0.2f;
        r.CellX = c.atNext ? r.XNext : r.XCursor;
        r.CellDX = 0.5;
        r.CellRow = 5;
        r.CellText = "45";
        TableCellText(s.ctx);
        if (c.mode == kDrawCadBlocks) {
            EXPECT_EQ(Count(s.rec, Mark::Line), 0);  // block mode's texts are the target's to drop
            continue;
        }
        auto t = s.rec.texts("45");
        ASSERT_EQ(t.size(), 1u) << c.hSpace;
        EXPECT_NEAR(t[0]->x1, c.textX, kTol) << c.hSpace;
        EXPECT_NEAR(t[0]->y1, 46.4, 1e-5);
        EXPECT_EQ(CountLine(s.rec, 7, 46.2, 40, 46.2, 1e-5), 1);
        EXPECT_EQ(Count(s.rec, Mark::Line), c.ticks) << c.hSpace;
    }
    // Row names along the strip's first line; a bad row is an error the routine's guard takes.
    Sheet s;
    BuildN2(s);
    s.v.DrawMode = kDrawDxf;
    s.ctx.r.CurLine = 1, s.ctx.r.BandStartPos = 2, s.ctx.r.XCursor = 8.4, s.ctx.r.TextFactor = 0.3f;
    s.ctx.r.CellRow = 2;
    TableCellText(s.ctx);
    auto name = s.rec.texts(s.m.ObjectStyles[2].EntityName.str());
    ASSERT_EQ(name.size(), 1u);
    EXPECT_NEAR(name[0]->x1, 5.1, kTol);
    EXPECT_NEAR(name[0]->height, 0.35, kTol);
    s.ctx.r.CellRow = 27;
    try {
        TableCellText(s.ctx);
        ADD_FAILURE() << "row 27 was drawn";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), "a table cell asks for style row 27; the rows are 0 to 26");
    }
}

TEST(SheetRegions, GridLinesByLiftAndLayoutChoice) {
    struct Case { int lift, layoutMode, gridLines; } cases[] = {{1, 0, 10}, {0, 1, 8}, {1, 2, 9}, {1, 3, 10}, {1, 4, 9}};
    for (const Case& c : cases) {
        Sheet s;
        BuildN2(s);
        s.v.DrawMode = kDrawDxf;
        s.v.BandLift = static_cast<int16_t>(c.lift);
        s.m.SheetLayoutMode = static_cast<int16_t>(c.layoutMode);
        s.v.BandBaseY = 26;
        s.ctx.r.CurLine = 1, s.ctx.r.Pos = 2, s.ctx.r.BandEndPos = 1;
        s.m.Results[1].ProfX = 8.4f;
        DrawLateralFrame(s.ctx);
        int grid = 0;
        for (const Mark& m : s.rec.marks) grid += m.kind == Mark::Line && m.colour == 46;
        EXPECT_EQ(grid, c.gridLines) << c.lift << " " << c.layoutMode;
    }
}

TEST(SheetRegions, LevelScaleAndPipeBandDatum) {
    Sheet s;
    test::NetBuilder net(s.m);
    net.line("A", "B").len(50).dia(300).gr(103.75f, 103).inv(101, 100.5f);
    net.line("B", "C").len(50).dia(300).gr(103.75f, 103).inv(100.4f, 100);
    s.OneLateral();
    s.v.DrawMode = kDrawDxf;
    elvsub(s.ctx, 1, 1, 8.4, 0.3, 26, 3, kDrawDxf, 1, 0, 0);
    std::vector<std::string> written;
    for (const Mark& m : s.rec.marks) written.push_back(m.text);
    EXPECT_EQ(written, (std::vector<std::string>{" 105", " 103", " 101", " 99", " 97", " 95"}));

    struct Case { bool lowerGround; double groundY, datum, scaleTop; } cases[] = {
        {false, 40.75, 63, 42.2}, {true, 32.75, 71, 34.2}};
    for (const Case& c : cases) {
        s.rec.marks.clear();
        s.v.BandBaseY = 40;
        s.ctx.r.CurLine = 2;
        s.ctx.r.XCursor = 13.4;
        s.ctx.r.ElevOffset = 77;
        shiftsub(s.ctx, c.lowerGround);
        EXPECT_NEAR(s.ctx.r.YGr1, c.groundY, 1e-5);
        EXPECT_NEAR(s.ctx.r.ElevOffset, c.datum, 1e-5);
        EXPECT_NEAR(s.ctx.r.YInv1, 100.4 - c.datum, 1e-5);
        auto top = s.rec.texts(" 105");
        ASSERT_EQ(top.size(), 1u);
        EXPECT_NEAR(top[0]->y1, c.scaleTop, 1e-5);  // the scale follows the lowered ground
    }
}

// Ground that climbs off the strip mid-lateral: a new datum at the manhole,
// with the whole metres of its ground 8 units under the base.
TEST(SheetRoutine, ClimbingGroundBreaksTheBand) {
    Sheet s;
    test::NetBuilder net(s.m);
    net.line("A", "B").len(100).dia(200).gr(100, 104).inv(98, 97.5f);
    net.line("B", "C").len(100).dia(200).gr(104, 112).inv(97.4f, 97);
    net.line("C", "D").len(100).dia(200).gr(112, 113).inv(96.9f, 96.5f);
    s.OneLateral();
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    EXPECT_EQ(s.m.LatTable[1][LatBase], 0);  // a rise of 13 m is beyond the shift
    EXPECT_NE(FindLine(s.rec, 18.4, 18, 28.4, 26, 1e-5), nullptr);  // line 2's ground on the new datum
    EXPECT_EQ(s.rec.texts(" 106").size(), 1u);  // its short scale: 104 + 2 at the top
}

TEST(SheetRegions, LateralNoteTexts) {
    Sheet s;
    test::NetBuilder net(s.m);
    net.line("A", "B").len(50).dia(300).gr(103, 102.5f).inv(101, 100.75f);
    net.line("B", "C").len(50).dia(300).gr(102.5f, 102).inv(100.75f, 100.5f);
    s.OneLateral();
    net.line("K", "B").len(30).dia(250).slope(0.0045f).gr(104, 102.5f).inv(101.5f, 101.25f);
    s.m.Links[3].NextLine = 2;  // the joining lateral flows on
    s.m.Links[3].LatNo = 2;
    s.m.Results[3].SheetIdx = 0;
    s.m.SheetTable[0].DwgNo = 4;
    s.v.DrawMode = kDrawDxf;
    fromsub(s.ctx, 3, 13.4, 24.25, 3, 0.3, kDrawDxf, 0.7, 0, false, 0, 1);
    EXPECT_EQ(s.rec.texts("0").size(), 1u);
    EXPECT_EQ(s.rec.texts("L2").size(), 1u);
    EXPECT_EQ(s.rec.texts("FROM K %%C250- 4.5 o/oo").size(), 1u);
    EXPECT_EQ(s.rec.texts("I.E.  101.250").size(), 1u);
    s.rec.marks.clear();
    fromsub(s.ctx, 3, 13.4, 24.25, 3, 0.3, kDrawCanvas, 0.7, 0, true, 0, 0);
    EXPECT_EQ(s.rec.texts("FROM K 250- 4.5%o").size(), 1u);
    EXPECT_EQ(s.rec.texts("I.E.  101.25 4").size(), 1u);
    s.m.Links[3].NextLine = 0;  // a line that flows nowhere has no note
    s.rec.marks.clear();
    fromsub(s.ctx, 3, 13.4, 24.25, 3, 0.3, kDrawDxf, 0.7, 0, false, 0, 0);
    EXPECT_TRUE(s.rec.marks.empty());
}

}  // namespace
}  // namespace vd
