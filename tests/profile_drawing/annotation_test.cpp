// The annotations of a line on a profile sheet: the worked network's texts in
// both layouts, the notes where a strip begins or ends inside a lateral, the
// text forms of notes and blocks, block mode with and without exploded
// attributes, the information labels, and the marks that stay on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cad/cad_document.h"
#include "engine/number_text.h"
#include "net_builder.h"
#include "profile_drawing/cad_output.h"
#include "profile_drawing/drawing_settings.h"
#include "profile_drawing/recording_output.h"
#include "profile_drawing/sheet_parts.h"
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

    // On the screen the names show with the name row hidden, in the size and place the file gives texts.
    s.v.TextSizeMode = 1;
    s.m.ObjectStyles[1].Visible = "N";
    ASSERT_TRUE(s.Draw(kDrawCanvas).ok());
    ExpectTexts(s.screen,
                {{"A                        ", 8.05, 28.5, 90, 0.3},
                 {"B", 18.3, 28.5, 90, 0.3},
                 {"5%o", 12.85, 24.15, 360 - std::atan(0.05) * 180 / 3.14159, 0.3},
                 {"200", 12.85, 25.20025 + 0.2 - 0.23, 360 - std::atan(0.05) * 180 / 3.14159, 0.3}},
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
    EXPECT_EQ(left, (std::vector<std::string>{"5 o/oo", "%%c200", "5 o/oo", "%%c200"}));
}

// A style row's height text that is no number gives way to its text height,
// then 0.2: the table's texts on the screen, in the file and in the drawing
// alike, and the row's attributes in the blocks too.
TEST(LineAnnotations, HeightTextFallbackAlikeInEveryMode) {
    struct Case {
        const char* heightText;
        float textHeight;
        double height;
    } cases[] = {{"abc", 0.25f, 0.25}, {"", 0, 0.2}, {"-1", 0.5f, 0.5}, {"0.3", 0.25f, 0.3}};
    for (const Case& c : cases) {
        Sheet s;
        BuildN2(s);
        s.v.TextSizeMode = 2;
        ObjectStyle& row = s.m.ObjectStyles[2];
        row.HeightText = c.heightText;
        row.TextHeight = c.textHeight;
        row.Color = 77;
        const std::string name = row.EntityName.str();
        using Texts = std::multiset<std::pair<std::string, double>>;
        auto of = [&](const Recorder& r) {
            Texts t;
            for (const Mark& mk : r.marks)
                if (mk.kind == Mark::Text && mk.colour == 77) t.insert({mk.text, mk.height});
            return t;
        };
        ASSERT_TRUE(s.Draw(kDrawCanvas).ok());
        const Texts screen = of(s.screen);
        ASSERT_TRUE(s.Draw(kDrawDxf).ok());
        const Texts file = of(s.file);
        ASSERT_TRUE(s.Draw(kDrawCadLines).ok()) << c.heightText;
        Texts drawing;
        for (const auto& e : s.doc.ModelSpace().entities())
            if (e->kind == CadKind::Text && e->layer() == "77") drawing.insert({e->TextString, e->Height});
        EXPECT_EQ(screen, file) << c.heightText;
        EXPECT_EQ(screen, drawing) << c.heightText;
        int cells = 0;
        for (const auto& [text, height] : screen) {
            if (text == name) continue;  // the row's name keeps its own height
            EXPECT_NEAR(height, c.height, 1e-6) << c.heightText << ": " << text;
            ++cells;
        }
        EXPECT_EQ(cells, 3) << c.heightText;  // the ground at A, B and C
        const CadBlock* manhole = s.doc.Blocks().Find("TEXT1");
        ASSERT_NE(manhole, nullptr);
        int attributes = 0;
        for (const auto& e : manhole->entities())
            if (e->kind == CadKind::AttributeDef && e->TagString == "GR.EL") {
                EXPECT_NEAR(e->Height, c.height, 1e-6) << c.heightText;
                ++attributes;
            }
        EXPECT_EQ(attributes, 1);
    }
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
    s.v.ShowSheetLabel = true;  // Alt+R: the notes name their sheets
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
    // A receiving line that starts a new lateral is a pump station.
    s.m.Lines[3].Status = "f";
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    ASSERT_EQ(s.file.texts("Pump St.").size(), 1u);
    EXPECT_EQ(s.file.texts("Pump St.")[0]->angle, 90);

    // Block mode: both notes become "NEXTPIPE" blocks.
    s.m.Lines[3].Status = "";
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

// The sheet numbers of the notes: only with Alt+R, and never for an outfall,
// whose sewage goes to no sheet.
TEST(StripEndNotes, SheetNumbersOfTheOutgoingNote) {
    struct Case {
        const char* name;
        bool outfall, label;
        const char* text;   // the note's sheet text, "" for none
        const char* block;  // the NEXTPIPE block's "DWG"
    } cases[] = {
        {"next sheet, numbers off", false, false, "", "DWG# 14"},
        {"next sheet, numbers on", false, true, "DWG# 14", "DWG# 14"},
        {"outfall, numbers off", true, false, "", ""},
        {"outfall, numbers on", true, true, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MidLateral mid;
        Sheet n2;
        BuildN2(n2);
        Sheet& s = c.outfall ? n2 : mid.s;
        s.v.ShowSheetLabel = c.label;
        for (int mode : {kDrawCanvas, kDrawDxf}) {
            ASSERT_TRUE(s.Draw(mode).ok());
            const Recorder& r = mode == kDrawCanvas ? s.screen : s.file;
            std::vector<std::string> numbers;
            for (const Mark& m : r.marks)
                if (m.kind == Mark::Text && m.text.rfind("DWG# ", 0) == 0) numbers.push_back(m.text);
            EXPECT_EQ(numbers, c.text[0] ? std::vector<std::string>{c.text} : std::vector<std::string>{}) << mode;
        }
        s.v.InsertionPoint = {100, 50, 0};
        ASSERT_TRUE(s.Draw(kDrawCadBlocks).ok());
        auto notes = s.Inserts("NEXTPIPE");
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(Attributes(notes.back())["DWG"], c.block);
    }
}

// A lateral X -> B joins the main lateral A -> B -> C -> D at B. Its note is
// drawn with line 1 (A -> B), wherever line 1 ends its strip, so long as the
// main lateral goes on at the next position.
TEST(JoiningLateralNotes, DrawnWhereTheUpstreamLineEnds) {
    struct Case {
        const char* name;
        int last;          // the strip runs from line 1 to this line
        bool nextDrawnNext;  // line 2 is drawn at the position after line 1
        int notes;
    } cases[] = {
        {"junction inside the strip", 2, true, 1},
        {"junction at the strip's end", 1, true, 1},
        {"junction at the strip's end, main line drawn elsewhere", 1, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sheet s;
        s.net.line("A", "B").len(60).dia(250).slope(0.005f).gr(104, 103.7f).inv(101, 100.7f);
        s.net.line("B", "C").len(40).dia(250).slope(0.005f).gr(103.7f, 103.5f).inv(100.6f, 100.4f);
        s.net.line("C", "D").len(40).dia(250).slope(0.005f).gr(103.5f, 103.3f).inv(100.4f, 100.2f);
        s.net.line("X", "B").len(30).dia(200).slope(0.01f).gr(104, 103.7f).inv(101.3f, 101);
        s.Lateral(1, c.last);
        // Line 4 is a lateral of its own that ends at B.
        s.m.Links[3].NextLine = 0;
        s.m.Links[4].NextLine = 2;
        s.m.Links[4].UpLine = 0;
        s.m.Links[4].LatNo = 2;
        s.m.Links[1].Branch1 = 4;
        s.m.Links[4].Branch1 = 1;
        s.m.CreateLatTable(2);
        s.m.LatTable[1][LatFirst] = 1;
        s.m.LatTable[1][LatLast] = 3;
        s.m.LatTable[1][LatLayout] = 1;
        s.m.LatTable[2][LatFirst] = s.m.LatTable[2][LatLast] = 4;
        s.m.LatTable[2][LatLayout] = 1;
        s.m.LatCount = 2;
        if (!c.nextDrawnNext) std::swap(s.m.Links[3].PosLine, s.m.Links[2].PosLine);
        for (int mode : {kDrawCanvas, kDrawDxf}) {
            ASSERT_TRUE(s.Draw(mode).ok());
            const Recorder& r = mode == kDrawCanvas ? s.screen : s.file;
            int found = 0;
            for (const Mark& m : r.marks) {
                if (m.kind != Mark::Text || m.text.rfind("FROM X", 0) != 0) continue;
                ++found;
                EXPECT_NEAR(m.x1, 8.4 + 6 + 0.6, kTol);  // at B, line 1's downstream end
            }
            EXPECT_EQ(found, c.notes) << mode;
        }
    }
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

TEST(BlockMode, WorkedNetworkBlocksWithAndWithoutExplodedAttributes) {
    for (bool explode : {false, true}) {
        Sheet s;
        BuildN2(s);
        s.v.InsertionPoint = {100, 50, 0};
        s.v.ExplodeAttrib = explode;
        ASSERT_TRUE(s.Draw(kDrawCadBlocks).ok());
        EXPECT_TRUE(s.file.marks.empty());
        EXPECT_TRUE(s.screen.texts("5 o/oo").empty());

        using Attrs = std::map<std::string, std::string>;
        struct Block { const char* name; double x; Attrs values; } blocks[] = {
            {"TEXT1", 108.4, {{"MHNAME", "A"}, {"GR.EL", "103.750"}, {"INV.EL", "102.000"}, {"KM", "0+000"}}},
            {"TEXT1", 118.4,
             {{"MHNAME", "B                        "}, {"GR.EL", " 103.250"}, {"INV.EL", " 101.500"},
              {"INV.EL1", " 101.250"}, {"KM", "0+100"}}},
            {"TEXT1", 123.4, {{"MHNAME", "C                        "}, {"INV.EL", " 101.000"}, {"KM", "0+150"}}},
            {"TEXT2", 113.4, {{"DIST", "100"}, {"DIAMETER", " 200"}, {"SLOPE", " 5.0"}}},
            {"TEXT2", 120.9, {{"DIST", "50"}}},
            {"NEXTPIPE", 123.4, {{"MH", "TO "}, {"DIA", "%%C 0"}, {"SLOPE", "0  O/OO"}, {"DWG", ""}}},
        };
        std::map<std::string, std::size_t> seen;
        std::vector<std::string> texts = s.CadTexts();
        for (const Block& b : blocks) {
            auto refs = s.Inserts(b.name);
            std::size_t k = seen[b.name]++;
            ASSERT_LT(k, refs.size()) << b.name;
            EXPECT_NEAR(refs[k]->InsertionPoint[0], b.x, kTol) << b.name;
            if (std::string(b.name) != "NEXTPIPE") { EXPECT_NEAR(refs[k]->InsertionPoint[1], 58, kTol) << b.name; }
            Attrs got = Attributes(refs[k]);
            for (const auto& [tag, value] : b.values) {
                ASSERT_TRUE(got.count(tag)) << b.name << " " << tag;
                // Exploded, the attribute keeps its default and the value stands beside it as a text.
                EXPECT_EQ(got[tag], explode ? (std::string(b.name) == "NEXTPIPE" ? " " : "") : value)
                    << b.name << " " << tag;
                if (explode) { EXPECT_NE(std::find(texts.begin(), texts.end(), value), texts.end()) << value; }
            }
            // Only the step's attributes of a manhole without a step keep the block's default.
            if (!explode && b.x == 123.4 && std::string(b.name) == "TEXT1") { EXPECT_EQ(got["INV.EL1"], ""); }
        }
        EXPECT_EQ(s.Inserts("TEXT1").size(), 3u);
        EXPECT_EQ(s.Inserts("TEXT2").size(), 2u);

        // Slope and diameter along the pipe, in the slope row's height and colour.
        int along = 0;
        for (const auto& e : s.doc.ModelSpace().entities()) {
            if (e->kind != CadKind::Text || (e->TextString != "5 o/oo" && e->TextString != "%%C200")) continue;
            ++along;
            EXPECT_NEAR(e->Height, 0.2, 1e-6);
            EXPECT_EQ(e->Color, 3);
            EXPECT_NEAR(e->Rotation, (360 - std::atan(0.05) * 180 / 3.14159) * 3.14 / 180, 1e-6);
            if (e->InsertionPoint[0] < 115) {
                EXPECT_NEAR(e->InsertionPoint[0], 112.85, kTol);
                EXPECT_NEAR(e->InsertionPoint[1], e->TextString == "5 o/oo" ? 74.15 : 75.17025, kTol);
            }
        }
        EXPECT_EQ(along, 4);
    }
}

// Text forms of the line block: the line number keeps its blank, lengths go to
// the even whole metre, a short pipe's slope has no unit, and a line without
// length leaves its ground fall unset rather than stopping the drawing.
TEST(BlockMode, LineBlockTextForms) {
    Sheet s;
    const float lens[] = {20, 0, 20, 20, 12, 44.5f, 45.5f};
    float g = 110, inv = 106;
    for (int i = 0; i < 7; ++i) {
        float fall = lens[i] * 0.005f;
        s.net.line("M" + std::to_string(i), "M" + std::to_string(i + 1))
            .len(lens[i]).dia(200).slope(0.005f).gr(g, g - fall).inv(inv, inv - fall);
        g -= fall;
        inv -= fall;
    }
    s.Lateral();
    // Line 4 on ties that single precision rounds its own way, and a diameter of eight digits.
    s.m.Lines[4].Gr2 = s.m.Lines[4].Gr1 - 0.125f;
    s.m.Results[4].QmaxEnd = 1.45f;
    s.m.Lines[4].Dia = 12345678;
    s.m.ObjectStyles[16].Visible = "Y";  // "Line#"
    s.m.ObjectStyles[9].EntityName = "GR";
    s.m.ObjectStyles[9].Visible = "Y";
    s.m.ObjectStyles[9].RowLocate = "19";
    s.m.ObjectStyles[12].Visible = "Y";  // "Qdesign" in the line block
    s.m.ObjectStyles[12].HSpace = "M0";
    s.v.ShowLineInfo = 1;
    ASSERT_TRUE(s.Draw(kDrawCadBlocks).ok());

    auto lines = s.Inserts("TEXT2");
    ASSERT_EQ(lines.size(), 7u);
    struct Form {
        std::size_t line;
        const char* number;
        const char* dist;
        const char* fall;
        const char* diameter = " 200";
        const char* flow = "0";
    } forms[] = {{0, " 1", "20", " 5.0"},
                 {1, " 2", "0", ""},
                 {5, " 6", "44", " 5.0"},
                 {6, " 7", "46", " 5.0"},
                 // 0.125 / 20 x 1000 and 1.45 x 10 are 6.25 and 14.5 in single precision
                 {3, " 4", "20", " 6.2", " 1.234568E+07", "1.4"}};
    for (const Form& f : forms) {
        auto a = Attributes(lines[f.line]);
        EXPECT_EQ(a["LINE#"], f.number);
        EXPECT_EQ(a["DIST"], f.dist) << f.number;
        EXPECT_EQ(a["GR"], f.fall) << f.number;
        EXPECT_EQ(a["DIAMETER"], f.diameter) << f.number;
        EXPECT_EQ(a["QDESIGN"], f.flow) << f.number;
    }
    std::vector<std::string> texts = s.CadTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "%%C1.234568E+07"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "5 o/oo"), 5);  // the pipes longer than 15 m
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "5"), 2);       // 0 and 12 m: no unit

    // The length label keeps the single-precision value's own digits.
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    EXPECT_EQ(s.file.texts("l= 45.5").size(), 1u);
    EXPECT_EQ(s.file.texts("l= 44.5").size(), 1u);
}

// Str of a double keeps 15 digits; of a single-precision field its own 7,
// with the exponent from 1E7 up and below 1E-4. Neither writes a zero before
// the point.
TEST(AnnotationText, StrOfDoublesAndSingles) {
    const struct {
        double value;
        const char* asDouble;
        const char* asSingle;
    } forms[] = {
        {12345678, " 12345678", " 1.234568E+07"}, {1e7, " 10000000", " 1E+07"},
        {9999999, " 9999999", " 9999999"},        {-12345678.9, "-12345678.9", "-1.234568E+07"},
        {45.3, " 45.3", " 45.3"},                 {-1234.5, "-1234.5", "-1234.5"},
        {0.5, " .5", " .5"},                      {-0.25, "-.25", "-.25"},
        {1.0 / 3, " .333333333333333", " .3333333"}, {0.0001, " .0001", " .0001"},
        {0.00001, " 1E-05", " 1E-05"},            {-1.5e-7, "-1.5E-07", "-1.5E-07"},
        {1e15, " 1E+15", " 1E+15"},               {0, " 0", " 0"},
        {NAN, " 0", " 0"},                        {-INFINITY, " 0", " 0"},
    };
    for (const auto& f : forms) {
        EXPECT_EQ(Str(f.value), f.asDouble) << f.value;
        EXPECT_EQ(StrSingle(static_cast<float>(f.value)), f.asSingle) << f.value;
    }
}

// The manhole blocks' depth, cover and coordinates, with the depth, coordinate
// and cover rows placed in "TEXT1": at a strip's head and at each line's
// downstream end, with a step in the inverts and without one (a lateral's head
// and its outfall keep the definition's texts). Each value is taken from its
// own levels and from its own line's diameter.
TEST(BlockMode, ManholeDepthCoverAndCoordinates) {
    using Attrs = std::map<std::string, std::string>;
    const struct {
        int first, last;
        std::map<std::string, Attrs> byManhole;  // MHNAME trimmed -> attributes
        std::vector<std::array<float, 5>> levels = {};  // line, Gr1, Gr2, Inv1, Inv2 set over the network's
    } strips[] = {
        {2, 2,
         {{"B", {{"DEPTH", " 3.00"}, {"DEPTH1", " 2.70"}, {"COVER", " 2.80"}, {"COVER1", " 2.50"},
                 {"CORDINATE", "-1234.6"}, {"CORDINATE1", " 5678.9"}}},
          {"C", {{"DEPTH", " 2.70"}, {"DEPTH1", " 2.75"}, {"COVER", " 2.50"}, {"COVER1", " 2.55"},
                 {"CORDINATE", ""}, {"CORDINATE1", ""}}}}},
        {1, 3,
         {{"A", {{"DEPTH", " 3.43"}, {"DEPTH1", ""}, {"COVER", " 3.18"}, {"COVER1", ""}, {"CORDINATE", " 10.0"},
                 {"CORDINATE1", "-20.0"}}},
          {"D", {{"DEPTH", " 2.53"}, {"DEPTH1", ""}, {"COVER", " 2.23"}, {"COVER1", ""}}}}},
        // Single-precision sums and products: 0.185 x 100 and 1.705 x 100 are ties to the even
        // centimetre there, and 1.125 - 200 / 1000 is a little over 0.925.
        {1, 2,
         {{"A", {{"DEPTH", " 0.18"}}},
          {"B", {{"DEPTH", " 1.70"}, {"DEPTH1", " 1.96"}, {"COVER1", " 1.70"}}},
          {"C", {{"DEPTH", " 1.12"}, {"COVER", " 0.93"}}}},
         {{1, 0.185f, 1.705f, 0, 0}, {2, 1.705f, 0.75f, -0.25f, -0.375f}}},
    };
    for (const auto& strip : strips) {
        SCOPED_TRACE("strip " + std::to_string(strip.first) + "-" + std::to_string(strip.last));
        Sheet s;
        s.net.line("A", "B").len(60).dia(250).slope(0.0045f).gr(104, 103).inv(100.57f, 100.3f).xy(10, -20, 0, 0);
        s.net.line("B", "C").len(40).dia(200).slope(0.005f).gr(103, 102.5f).inv(100, 99.8f)
            .xy(-1234.56f, 5678.94f, 0, 0);
        s.net.line("C", "D").len(80).dia(300).slope(0.0035f).gr(102.6f, 102).inv(99.75f, 99.47f).xy(5, 5, 0, 0);
        s.Lateral(strip.first, strip.last);
        for (const auto& [line, gr1, gr2, inv1, inv2] : strip.levels) {
            LineRecord& l = s.m.Lines[static_cast<int>(line)];
            l.Gr1 = gr1, l.Gr2 = gr2, l.Inv1 = inv1, l.Inv2 = inv2;
        }
        auto& S = s.m.ObjectStyles;
        S[11].EntityName = "Cover";
        for (int r : {9, 10, 11}) {
            S[r].Visible = "Y";
            S[r].HSpace = "0";
            S[r].RowLocate = std::to_string(8 + r);
        }
        ASSERT_TRUE(s.Draw(kDrawCadBlocks).ok());
        std::size_t checked = 0;
        for (const CadEntityPtr& ref : s.Inserts("TEXT1")) {
            Attrs got = Attributes(ref);
            const auto expected = strip.byManhole.find(Trim(got["MHNAME"]));
            if (expected == strip.byManhole.end()) continue;
            ++checked;
            for (const auto& [tag, value] : expected->second) {
                ASSERT_TRUE(got.count(tag)) << tag;
                EXPECT_EQ(got[tag], value) << expected->first << " " << tag;
            }
        }
        EXPECT_EQ(checked, strip.byManhole.size());
    }

    // Shown in its default place the depth row is a "TEXT2" attribute, which
    // the line block leaves as defined; with the default names no block
    // carries the cover.
    Sheet s;
    BuildN2(s);
    s.m.ObjectStyles[9].Visible = "Y";
    ASSERT_TRUE(s.Draw(kDrawCadBlocks).ok());
    for (const char* name : {"TEXT1", "TEXT2"})
        for (const CadEntityPtr& ref : s.Inserts(name)) {
            Attrs got = Attributes(ref);
            EXPECT_EQ(got.count("COVER"), 0u) << name;
            EXPECT_EQ(got.count("DEPTH"), std::string(name) == "TEXT2" ? 1u : 0u) << name;
            EXPECT_EQ(got["DEPTH"], "") << name;
        }
}

TEST(LineInfoLabels, DepthsLengthCoverAndFlows) {
    struct Case { const char* hspace; float vspace; const char* hspaceAfter; float vspaceAfter; } cases[] = {
        {"2.5", 6, "1", 1}, {"1", 4, "1", 4}};
    for (const Case& c : cases) {
        Sheet s;
        BuildN2(s);
        s.m.Results[1].QmaxEnd = 12.345f;
        s.m.Results[1].VmaxEnd = 0.8f;
        s.m.Results[1].VmaxBig = 1.25f;
        s.m.ObjectStyles[21].HSpace = c.hspace;
        s.m.ObjectStyles[21].VSpace = c.vspace;
        ASSERT_TRUE(s.Draw(kDrawDxf).ok());
        EXPECT_TRUE(s.file.texts(" 1.75").empty());  // off until Alt+I
        EXPECT_TRUE(s.screen.marks.empty());
        s.v.ShowLineInfo = 1;
        ASSERT_TRUE(s.Draw(kDrawDxf).ok());
        EXPECT_EQ(Trim(s.m.ObjectStyles[21].HSpace.view()), c.hspaceAfter);
        EXPECT_EQ(s.m.ObjectStyles[21].VSpace, c.vspaceAfter);
        const double v = c.vspaceAfter;
        ExpectTexts(s.file,
                    {{" 1.75", 8.7, 10.1, 90, 0.25},   // line 1's head
                     {" 2.00", 18.7, 10.1, 90, 0.25},  // line 2's head
                     {" 1.75", 18.3, 10.1, 90, 0.25},  // to the incoming invert
                     {" 0.25", 18.3, 12.1, 90, 0.25},  // the drop
                     {" 2.00", 23.3, 10.1, 90, 0.25},  // the lateral's last manhole
                     {"l= 100", 9.9, 29, 0, 0.25},
                     {"MinC= 0.00", 10.9, 27.5, 0, 0.25},
                     {"l= 50", 19.9, 29, 0, 0.25},
                     {"Qd=12.35", 8.9, 13.6, 0, 0.25}},  // the selected line only
                    "labels");
        EXPECT_EQ(s.file.texts("Qd=0.00").size(), 0u);
        ExpectTexts(s.screen, {{"Vd=0.80", 9.9, 13 + v, 0, 0.25}, {"VM1=1.25", 11.9, 11.5 + 3 * v, 0, 0.25}}, "screen");
        EXPECT_EQ(s.screen.marks.size(), 2u);
        // With row 21 shown every line gets its flows.
        s.m.ObjectStyles[21].Visible = "Y";
        ASSERT_TRUE(s.Draw(kDrawDxf).ok());
        EXPECT_EQ(s.file.texts("Qd=0.00").size(), 1u);
        EXPECT_EQ(s.screen.texts("Vd=0.00").size(), 1u);
    }
    // A step that is no number counts as none and stops nothing.
    Sheet s;
    BuildN2(s);
    s.v.ShowLineInfo = 1;
    s.m.ObjectStyles[21].HSpace = "abc";
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    EXPECT_NE(TextAt(s.file, "l= 100", 8.9, 29), nullptr);
    EXPECT_EQ(Trim(s.m.ObjectStyles[21].HSpace.view()), "abc");
}

// Drop marks and velocity labels are screen notes: drawn on the canvas in
// every mode and never into the file or the CAD drawing. Lift stations and
// existing pipes go with the sheet.
TEST(ScreenMarks, StayOnTheCanvasInEveryMode) {
    Sheet s;
    const char* statuses[] = {"ds", "D", "S", "EL"};
    for (int i = 0; i < 4; ++i)
        s.net.line("M" + std::to_string(i), "M" + std::to_string(i + 1))
            .len(30).dia(200).slope(0.005f).gr(103, 102.85f).inv(101, 100.85f).status(statuses[i]);
    s.Lateral();
    s.v.ShowLineInfo = 1;
    s.m.ObjectStyles[21].Visible = "Y";
    const std::vector<std::string> screenOnly = {"S,D", "DDF", "SDF"};
    for (int mode : {kDrawDxf, kDrawCadLines, kDrawCadBlocks}) {
        CadDocument fresh;
        s.out.Acad = &fresh;
        ASSERT_TRUE(s.Draw(mode).ok()) << mode;
        std::vector<std::string> target;
        for (const Mark& m : s.file.marks) target.push_back(m.text);
        for (const auto& e : fresh.ModelSpace().entities())
            if (e->kind == CadKind::Text) target.push_back(e->TextString);
        auto has = [&](const std::string& t) { return std::find(target.begin(), target.end(), t) != target.end(); };
        for (const auto& t : screenOnly) {
            EXPECT_EQ(s.screen.texts(t).size(), 1u) << mode << " " << t;
            EXPECT_FALSE(has(t)) << mode << " " << t;
        }
        int velocities = 0;
        for (const Mark& m : s.screen.marks) velocities += m.text.rfind("Vd=", 0) == 0 || m.text.rfind("VM1=", 0) == 0;
        EXPECT_EQ(velocities, 8) << mode;
        for (const auto& t : target) EXPECT_TRUE(t.rfind("Vd=", 0) != 0 && t.rfind("VM1=", 0) != 0) << mode << " " << t;
        EXPECT_EQ(s.screen.marks.size(), 11u) << mode;  // nothing else reaches the screen
        // Lift station and existing pipe go with the sheet; block mode has no plain texts for them.
        EXPECT_EQ(has("LIFT  ST."), mode != kDrawCadBlocks) << mode;
        EXPECT_EQ(has("Exist"), mode != kDrawCadBlocks) << mode;
        EXPECT_EQ(s.m.Lines[1].Status.trim(), "DS");
    }
    s.out.Acad = &s.doc;
    s.v.TextSizeMode = 2;
    ASSERT_TRUE(s.Draw(kDrawDxf).ok());
    EXPECT_EQ(s.file.texts("200 (Exist)").size(), 1u);
    EXPECT_TRUE(s.screen.texts("S,D").empty());  // the marks belong to the profile layout
}

}  // namespace
}  // namespace vd
