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

}  // namespace
}  // namespace vd
