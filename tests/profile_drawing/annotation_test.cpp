// The annotations of a line on a profile sheet: the worked network's texts in
// both layouts, the notes where a strip begins or ends inside a lateral, the
// text forms of notes and blocks, block mode with and without exploded
// attributes, the information labels, and the marks that stay on the screen.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "cad/cad_document.h"
#include "engine/number_text.h"
#include "net_builder.h"
#include "profile_drawing/cad_output.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/recording_output.h"
#include "profile_drawing/sheet_routine.h"
#include "recording_ui.h"

namespace vd {
namespace {

using Mark = test::OutputMark;
using Recorder = test::RecordingOutput;
constexpr double kTol = 1e-5;

// A sheet with a screen recorder, a file recorder and a CAD drawing for modes 3 and 4.
struct Sheet {
    Model m;
    ProfileViewState v;
    Recorder screen, file;
    CadDocument doc;
    OutputSet out;
    CadOutput cadLines{out.Acad, false}, cadBlocks{out.Acad, true};
    test::RecordingUi ui;
    test::NetBuilder net{m};

    Sheet() {
        m.SetUi(&ui);
        ApplyDefaultStyles(m);
        out.Canvas = &screen;
        out.Dxf = &file;
        out.Acad = &doc;
        out.CadLines = &cadLines;
        out.CadBlocks = &cadBlocks;
    }

    // The lines so far as one lateral 1 -> 2 -> ..., drawn from the head at the
    // highest position; the strip runs from line `first` to line `last`.
    void Lateral(int first = 1, int last = 0) {
        int n = m.LineCount;
        if (last == 0) last = n;
        float chainage = 0;
        for (int i = 1; i <= n; ++i) {
            m.Links[i].NextLine = static_cast<int16_t>(i < n ? i + 1 : 0);
            m.Links[i].UpLine = static_cast<int16_t>(i - 1);
            m.Links[i].LatNo = 1;
            m.Links[i].PosLine = static_cast<int16_t>(n + 1 - i);
            m.Results[i].Chainage = chainage;
            chainage += m.Lines[i].Len;
        }
        m.LatCount = 1;
        m.CreateLatTable(1);
        m.LatTable[1][LatFirst] = 1;
        m.LatTable[1][LatLast] = n;
        m.LatTable[1][LatLayout] = 1;
        SheetRecord row;
        row.Band2Start = static_cast<int16_t>(n + 1 - last);
        row.Band2End = static_cast<int16_t>(n + 1 - first);
        row.DwgNo = 1;
        m.SheetTable = {row};
        m.SheetCount = 1;
        v.LoadSheet(row);
        v.SelPos = v.SelPosEnd = static_cast<int16_t>(n + 1 - first);
    }

    Outcome Draw(int mode) {
        v.DrawMode = static_cast<int16_t>(mode);
        screen.marks.clear();
        file.marks.clear();
        return scrp(m, v, out);
    }

    std::vector<CadEntityPtr> Inserts(const std::string& name) const {
        std::vector<CadEntityPtr> found;
        for (const auto& e : doc.ModelSpace().entities())
            if (e->kind == CadKind::Insert && UpperCase(e->Name) == name) found.push_back(e);
        return found;
    }
    std::vector<std::string> CadTexts() const {
        std::vector<std::string> found;
        for (const auto& e : doc.ModelSpace().entities())
            if (e->kind == CadKind::Text) found.push_back(e->TextString);
        return found;
    }
};

// Values of a block reference's attributes by upper-cased tag.
std::map<std::string, std::string> Attributes(const CadEntityPtr& ref) {
    std::map<std::string, std::string> out;
    for (const auto& a : ref->GetAttributes()) out[UpperCase(Trim(a->TagString))] = a->TextString;
    return out;
}

const Mark* TextAt(const Recorder& r, const std::string& text, double x, double y) {
    for (const Mark* m : r.texts(text))
        if (std::fabs(m->x1 - x) < kTol && std::fabs(m->y1 - y) < kTol) return m;
    return nullptr;
}

// The worked network: A -> B -> C, the second line starting 0.25 m below the first's end.
void BuildN2(Sheet& s) {
    s.net.line("A", "B").len(100).dia(200).slope(0.005f).gr(103.75f, 103.25f).inv(102.0f, 101.5f);
    s.net.line("B", "C").len(50).dia(200).slope(0.005f).gr(103.25f, 103.0f).inv(101.25f, 101.0f);
    s.Lateral();
}

struct Expected {
    const char* text;
    double x, y, angle, height;
};

void ExpectTexts(const Recorder& r, const std::vector<Expected>& list, const char* layout) {
    for (const Expected& e : list) {
        const Mark* m = TextAt(r, e.text, e.x, e.y);
        ASSERT_NE(m, nullptr) << layout << ": \"" << e.text << "\" at " << e.x << ", " << e.y;
        EXPECT_NEAR(m->angle, e.angle, 1e-4) << layout << ": " << e.text;
        EXPECT_NEAR(m->height, e.height, kTol) << layout << ": " << e.text;
    }
}

TEST(LineAnnotations, WorkedNetworkProfileLayoutToFile) {
    Sheet s;
    BuildN2(s);
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    const double along = 360 - std::atan(0.05) * 180 / 3.14159;
    ExpectTexts(s.file,
                {{"5 o/oo", 12.85, 24.15, along, 0.3},
                 {"%%c200", 12.85, 25.17025, along, 0.3},
                 {"G.E. 103.750", 8.15, 4.7, 90, 0.3},
                 {"I.E. 102.000", 8.85, 4.7, 90, 0.3},
                 {"G.E. 103.250", 18.3, 4.7, 90, 0.3},
                 {"I.E. 101.500", 18.85, 4.7, 90, 0.3},
                 {"I.E. 101.250", 19.4, 4.7, 90, 0.3},  // the step down into line 2
                 {" 0+000", 8.85, 28.3, 90, 0.3},
                 {" 0+100", 18.85, 28.3, 90, 0.3},
                 {"A                        ", 8.05, 28.5, 90, 0.3},
                 {"B", 18.3, 28.5, 90, 0.3},
                 {"C", 23.3, 28.5, 90, 0.3},
                 // the outfall keeps its note, with the blank row's zeros
                 {"TO ", 24.05, 23.3, 0, 0.3},
                 {"%%c0", 24.05, 25, 0, 0.3},
                 {"0 o/oo", 24.05, 24.5, 0, 0.3},
                 {"DWG# 0", 24.05, 22.7, 0, 0.3},
                 {" 0+150", 23.95, 28.5, 90, 0.3}},
                "profile layout");
    EXPECT_EQ(s.file.texts("I.E. 101.250").size(), 1u);  // line 2 ends at the outfall: no step there
    for (const Mark& m : s.file.marks) EXPECT_NE(m.text.rfind("FROM ", 0), 0u) << "a lateral head has no incoming note";
    EXPECT_TRUE(s.screen.marks.empty());
}

TEST(LineAnnotations, WorkedNetworkTableLayoutAndScreenNames) {
    Sheet s;
    BuildN2(s);
    s.v.TextSizeMode = 2;
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    // Row text y = base 26 + 2 - RowLocate - 4 + TextHeight 0.2; M0 rows start mid-line.
    ExpectTexts(s.file,
                {{"103.750", 8.3, 6.2, 90, 0.2},
                 {"102.000", 8.3, 4.2, 90, 0.2},
                 {"A                        ", 8.4, -0.8, 0, 0.2},
                 {"103.250", 18.15, 6.2, 90, 0.2},
                 {"101.500", 18.15, 4.2, 90, 0.2},
                 {"101.250", 19.0, 4.2, 90, 0.2},
                 {" 100.00", 12.85, 3.2, 0, 0.2},
                 {" 0+000", 8.4 - 6 * 0.3 / 3.8, 2.2, 0, 0.2},
                 {" 0+100", 18.4 - 6 * 0.3 / 3.8, 2.2, 0, 0.2},
                 {"200", 12.95, 1.2, 0, 0.2},
                 {"5", 13.18, 0.2, 0, 0.2},
                 {"B", 18.3, -0.8, 0, 0.2},
                 {" 0+150", 23.04, 2.2, 0, 0.2}},
                "table layout");
    for (const char* absent : {"G.E. 103.750", "5 o/oo", "%%c200"}) EXPECT_TRUE(s.file.texts(absent).empty()) << absent;
    EXPECT_EQ(s.file.texts("TO ").size(), 1u);  // the outfall's note stays in either layout

    // On the screen the names keep their screen size and show with the name row hidden.
    s.v.TextSizeMode = 1;
    s.m.ObjectStyles[1].Visible = "N";
    ASSERT_TRUE(s.Draw(kDrawCanvas).ok());
    const double nameHeight = 0.4 / 900 * s.screen.scaleWidth;
    ExpectTexts(s.screen,
                {{"A                        ", 8.4 - 0.2 - 0.2, 26 + 2.2 + 0.4, 90, nameHeight},
                 {"B", 18.3, 28.6, 90, nameHeight},
                 {"5%o", 13.4 - 0.4 - 0.2, 25 - 0.3 - 0.25 - 0.4, 360 - std::atan(0.05) * 180 / 3.14159, 0.4},
                 {"200", 12.8, 25.20025 + 0.2 - 0.23, 360 - std::atan(0.05) * 180 / 3.14159, 0.4}},
                "screen");
    EXPECT_TRUE(s.screen.texts("TO ").empty());  // the notes follow the name row
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    EXPECT_TRUE(s.file.texts("B").empty());
    // Only the texts along the pipe stay with every row hidden.
    for (int row = 1; row <= 16; ++row) s.m.ObjectStyles[row].Visible = "N";
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    std::vector<std::string> left;
    for (const Mark& m : s.file.marks)
        if (m.kind == Mark::Text && m.text[0] != ' ') left.push_back(m.text);  // the level scale starts with a blank
    EXPECT_EQ(left, (std::vector<std::string>{"DWG#(1)", "5 o/oo", "%%c200", "5 o/oo", "%%c200"}));
}

// Three lines A -> B -> C -> D on sheets 12, 13 and 14; the strip holds line 2 only.
struct MidLateral {
    Sheet s;
    explicit MidLateral(float upInv2 = 100.01f, float inv1 = 100.0f) {
        const float g = inv1 + 3;
        s.net.line("A", "B").len(60).dia(250).slope(0.0045f).gr(g + 1, g).inv(upInv2 + 0.27f, upInv2);
        s.net.line("B", "C").len(40).dia(200).slope(0.005f).gr(g, g - 0.5f).inv(inv1, inv1 - 0.2f);
        s.net.line("C", "D").len(80).dia(300).slope(0.0035f).gr(g - 0.5f, g - 1).inv(inv1 - 0.25f, inv1 - 0.53f);
        s.Lateral(2, 2);
        s.m.SheetTable.resize(3);
        for (int i = 0; i < 3; ++i) {
            s.m.SheetTable[i].DwgNo = static_cast<int16_t>(12 + i);
            s.m.Results[i + 1].SheetIdx = static_cast<float>(i);
        }
        s.m.SheetTable[1] = s.m.SheetTable[0];
        s.m.SheetTable[1].DwgNo = 13;
    }
};

TEST(StripEndNotes, IncomingAndOutgoingPipes) {
    MidLateral net;
    Sheet& s = net.s;
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    // Datum: ground 103 on the base 26, so line 2's invert 100 lies at 23.
    const double inInv = 23 + 0.045 + 0.01, inCrown = inInv + 0.25 * std::sqrt(1 + 0.045 * 0.045);
    const double outInv = 22.75 - 0.035, outCrown = outInv + 0.3 * std::sqrt(1 + 0.035 * 0.035);
    ExpectTexts(s.file,
                {{"FROM A", 6.6, inInv - 0.45, 0, 0.25},
                 {"%%c250", 6.6, inCrown + 0.7, 0, 0.25},
                 {"4.5 o/oo", 6.6, inCrown + 0.1, 0, 0.25},
                 {"DWG#(12)", 6.6, inInv - 1.3, 0, 0.25},
                 {"I.E. 100.010", 8.85, 4.7, 90, 0.3},  // the incoming invert first
                 {"I.E. 100.000", 9.4, 4.7, 90, 0.3},
                 {"TO D", 13.05, outInv - 0.7, 0, 0.3},
                 {"%%c300", 13.05, outCrown + 1, 0, 0.3},
                 {"3.5 o/oo", 13.05, outCrown + 0.5, 0, 0.3},
                 {"DWG# 14", 13.05, outInv - 1.3, 0, 0.3},
                 {" 0+100", 12.95, 28.5, 90, 0.3}},  // the strip's end, though the lateral goes on
                "strip ends");
    EXPECT_NEAR(s.m.Results[2].ProfX, 8.4, kTol);

    // With the lateral numbers on, the receiving name keeps its stored blanks before the number.
    s.v.LKeySwitch = 1;
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    EXPECT_EQ(s.file.texts("TO D                        (1)").size(), 1u);

    // Block mode: both notes become "NEXTPIPE" blocks.
    s.v.InsertionPoint = {100, 50, 0};
    ASSERT_TRUE(s.Draw(kDrawCadBlocks).ok());
    auto notes = s.Inserts("NEXTPIPE");
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_NEAR(notes[0]->InsertionPoint[0], 108.4, kTol);
    EXPECT_NEAR(notes[0]->InsertionPoint[1], 50 + inCrown, kTol);
    EXPECT_NEAR(notes[1]->InsertionPoint[0], 112.4, kTol);
    EXPECT_NEAR(notes[1]->InsertionPoint[1], 50 + outCrown, kTol);
    using Attrs = std::map<std::string, std::string>;
    EXPECT_EQ(Attributes(notes[0]),
              (Attrs{{"MH", "A                        "}, {"DIA", "250"}, {"SLOPE", " 4.5  O/OO"}, {"DWG", "DWG# 12"}}));
    EXPECT_EQ(Attributes(notes[1]),
              (Attrs{{"MH", "TO D"}, {"DIA", "%%C 300"}, {"SLOPE", "3.5  O/OO"}, {"DWG", "DWG# 14"}}));
    for (const auto& t : s.CadTexts()) EXPECT_EQ(t.find("FROM"), std::string::npos) << t;
}

// The step test compares the stored single-precision levels.
TEST(StripEndNotes, InvertStepAndDepthCells) {
    struct Case { float upInv2, inv1; bool step; } cases[] = {
        {100.01f, 100.00f, true}, {50.25f, 50.24f, false}, {100.30f, 100.00f, true}, {100.005f, 100.0f, false}};
    for (const Case& c : cases) {
        MidLateral net(c.upInv2, c.inv1);
        Sheet& s = net.s;
        ASSERT_TRUE(s.Draw(kDrawDxf).ok());
        std::string in = "I.E. " + Trim(FormatFixed(c.upInv2, 3)), own = "I.E. " + Trim(FormatFixed(c.inv1, 3));
        EXPECT_EQ(s.file.texts(in).size(), c.step ? 1u : 0u) << in;
        EXPECT_EQ(s.file.texts(own).size(), 1u) << own;
        if (c.step) {
            EXPECT_NE(TextAt(s.file, own, 9.4, 4.7), nullptr) << own;
        }
        ASSERT_TRUE(s.Draw(kDrawCadBlocks).ok());
        auto head = Attributes(s.Inserts("TEXT1").at(0));
        EXPECT_EQ(head["INV.EL"], Trim(FormatFixed(c.inv1, 3)));
        EXPECT_EQ(head["INV.EL1"], c.step ? Trim(FormatFixed(c.upInv2, 3)) : "") << c.upInv2;
    }

    // Depth cells at the strip's first manhole: a second one only when the two differ by more than 0.05.
    struct Depth { float upInv2; const char* second; bool shown; } depths[] = {
        {99.97f, " 1.23", false}, {99.90f, " 1.30", true}};
    for (const Depth& d : depths) {
        MidLateral net(d.upInv2, 100.0f);
        Sheet& s = net.s;
        s.m.Lines[2].Gr1 = 101.2f;
        s.m.ObjectStyles[9].Visible = "Y";
        s.m.ObjectStyles[9].RowLocate = "19";
        s.v.TextSizeMode = 2;
        ASSERT_TRUE(s.Draw(kDrawDxf).ok());
        EXPECT_EQ(s.file.texts(" 1.20").size(), 1u);
        EXPECT_EQ(s.file.texts(d.second).size(), d.shown ? 1u : 0u) << d.second;
        s.m.ObjectStyles[9].Visible = "N";
        ASSERT_TRUE(s.Draw(kDrawDxf).ok());
        EXPECT_TRUE(s.file.texts(" 1.20").empty());
    }
}

}  // namespace
}  // namespace vd
