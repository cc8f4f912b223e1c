// The edit boxes of the selected line: what each commit writes into the line
// and its neighbours at the same manholes, the slopes it recomputes, and what
// it refuses.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/network_file.h"
#include "net_builder.h"
#include "profile_drawing/sheet_routine.h"
#include "profile_view/edit_boxes.h"
#include "recording_ui.h"
#include "temp_dir.h"
#include "widget_lookup.h"

namespace vd {
namespace {

using F = float LineRecord::*;

// Lines 1, 3 and 5 meet at manhole B, line 2 leaves it for C, line 4 is the
// outfall. Line 5 has no length. Positions p hold line p, one strip 5..1.
struct EditNet {
    Model m;
    ProfileViewState v;
    test::RecordingUi ui;

    EditNet() {
        m.SetUi(&ui);
        test::NetBuilder net(m);
        net.line("A", "B").len(50).gr(101.0f, 100.5f).inv(99.0f, 98.5f).slope(0.01f);
        net.line("B", "C").len(40).gr(100.5f, 100.0f).inv(98.4f, 98.0f).slope(0.01f);
        net.line("D", "B").len(30).gr(101.5f, 100.5f).inv(99.5f, 98.6f);
        net.line("C", "E").len(20).gr(100.0f, 99.5f).inv(97.9f, 97.7f);
        net.line("F", "B").len(0).gr(100.6f, 100.5f).inv(98.7f, 98.7f).slope(0.02f);
        auto link = [&](int i, int next, int up, int b1, int b2) {
            m.Links[i].NextLine = next;
            m.Links[i].UpLine = up;
            m.Links[i].Branch1 = b1;
            m.Links[i].Branch2 = b2;
            m.Links[i].PosLine = i;
        };
        link(1, 2, 0, 3, 5);
        link(2, 4, 1, 0, 0);
        link(3, 2, 0, 1, 5);
        link(4, 0, 2, 0, 0);
        link(5, 2, 0, 1, 3);
        v.Band1Start = 5;
        v.Band1End = 1;
    }
    void select(int pos) { v.SelPos = v.SelPosEnd = pos; }
};

struct Change {
    int line;
    F field;
    float value;
};

struct Case {
    const char* name;
    int selected;
    EditBox box;
    EditEvent event;
    const char* text;
    std::vector<Change> changes;  // every other level, slope and cover stays
    bool changed;
    const char* boxText;          // nullptr: the box is not set back
    bool message;
    std::vector<Change> stored = {};  // what the line holds before the event
};

// A box's label as the user reads it, and its text after a redraw.
const char* Label(EditBox b) {
    const char* labels[] = {"Gr1", "Gr2", "Inv1", "Inv2", "Slope", "Cover"};
    return labels[static_cast<int>(b)];
}
const std::string& Filled(const ProfileViewState& v, EditBox b) {
    const SelectedLineTexts& t = v.EditBoxes;
    const std::string* texts[] = {&t.Gr1, &t.Gr2, &t.Inv1, &t.Inv2, &t.Slope, &t.Cover};
    return *texts[static_cast<int>(b)];
}

float Slope(float inv1, float inv2, float len) { return (inv1 - inv2) / len; }

TEST(EditBoxes, CommitsReachTheLinesAtTheManholeAndNoOthers) {
    const F G1 = &LineRecord::Gr1, G2 = &LineRecord::Gr2, I1 = &LineRecord::Inv1, I2 = &LineRecord::Inv2,
            S = &LineRecord::slope, C = &LineRecord::Mincover;
    using B = EditBox;
    using E = EditEvent;
    const std::vector<Case> cases = {
        {"Gr1 sets every line ending at the upstream manhole", 2, B::Gr1, E::Enter, "100.7",
         {{2, G1, 100.7f}, {1, G2, 100.7f}, {3, G2, 100.7f}, {5, G2, 100.7f}}, true, nullptr, false},
        {"Gr1 of a head line changes it alone", 1, B::Gr1, E::Enter, " 101.2 ", {{1, G1, 101.2f}}, true, nullptr, false},
        {"Gr2 sets the next line and the other lines in", 1, B::Gr2, E::Enter, "100.9",
         {{1, G2, 100.9f}, {2, G1, 100.9f}, {3, G2, 100.9f}, {5, G2, 100.9f}}, true, nullptr, false},
        {"Gr2 of the outfall changes it alone", 4, B::Gr2, E::Enter, "99.4", {{4, G2, 99.4f}}, true, nullptr, false},
        {"Inv1 moves the upstream line's end, both slopes follow", 2, B::Inv1, E::Enter, "98.3",
         {{2, I1, 98.3f}, {2, S, Slope(98.3f, 98.0f, 40)}, {1, I2, 98.3f}, {1, S, Slope(99.0f, 98.3f, 50)}}, true,
         nullptr, false},
        {"Inv1 of a head line", 1, B::Inv1, E::Enter, "99.2", {{1, I1, 99.2f}, {1, S, Slope(99.2f, 98.5f, 50)}},
         true, nullptr, false},
        {"Inv1 of a line without length keeps its slope", 5, B::Inv1, E::Enter, "98.8", {{5, I1, 98.8f}}, true,
         nullptr, false},
        {"Inv2 lowered below the next line's Inv1 takes it down", 1, B::Inv2, E::Enter, "98.2",
         {{1, I2, 98.2f}, {1, S, Slope(99.0f, 98.2f, 50)}, {2, I1, 98.2f}, {2, S, Slope(98.2f, 98.0f, 40)}}, true,
         nullptr, false},
        {"Inv2 raised lifts the lower branches, never the next line", 1, B::Inv2, E::Enter, "98.65",
         {{1, I2, 98.65f}, {1, S, Slope(99.0f, 98.65f, 50)}, {3, I2, 98.65f}, {3, S, Slope(99.5f, 98.65f, 30)}},
         true, nullptr, false},
        {"Inv2 exactly 10 m up is taken", 4, B::Inv2, E::Enter, "107.7", {{4, I2, 107.7f}, {4, S, Slope(97.9f, 107.7f, 20)}},
         true, nullptr, false},
        {"Inv2 more than 10 m off is refused", 1, B::Inv2, E::Enter, "108.6", {}, false, " 98.5", true},
        {"Gr1 10 m down refused just past the limit", 2, B::Gr1, E::Enter, "90.49", {}, false, " 100.5", true},
        {"letters are refused", 2, B::Inv1, E::Enter, "abc", {}, false, " 98.4", true},
        {"a number followed by letters is refused", 2, B::Gr2, E::Enter, "99.8m", {}, false, " 100", true},
        {"an empty box is refused", 2, B::Gr1, E::Enter, "  ", {}, false, " 100.5", true},
        {"infinity is refused", 2, B::Gr1, E::Enter, "inf", {}, false, " 100.5", true},
        {"a huge level is refused", 2, B::Gr1, E::Enter, "1e300", {}, false, " 100.5", true},
        {"leaving a level box commits nothing", 2, B::Inv1, E::Leave, "98.3", {}, false, nullptr, false},
        {"clicking a level box commits nothing", 2, B::Inv1, E::Click, "98.3", {}, false, nullptr, false},
        {"off the sheet nothing is written", 6, B::Gr1, E::Enter, "100.7", {}, false, nullptr, true},
        {"slope box below 500 does nothing", 1, B::Slope, E::Enter, "499", {}, false, nullptr, false},
        {"slope box at 500 does nothing", 1, B::Slope, E::Enter, "500", {}, false, nullptr, false},
        {"slope box above 500 shows the stored slope", 1, B::Slope, E::Enter, "600", {}, false, " 10", true},
        {"slope box with letters shows the stored slope", 1, B::Slope, E::Enter, "x", {}, false, " 10", true},
        {"slope box clicked at 500 shows the stored slope", 1, B::Slope, E::Click, "500", {}, false, " 10", false},
        {"cover below 20 is stored", 1, B::Cover, E::Enter, "1.5", {{1, C, 1.5f}}, true, nullptr, false},
        {"cover 0 is stored", 1, B::Cover, E::Enter, "0", {}, true, nullptr, false},
        {"cover above 20 is refused", 1, B::Cover, E::Enter, "25", {}, false, " 0", true},
        {"cover of 20 is refused", 1, B::Cover, E::Enter, "20", {}, false, " 0", true},
        {"negative cover is refused", 1, B::Cover, E::Enter, "-1", {}, false, " 0", true},
        {"cover above 20 is refused on leaving the box", 1, B::Cover, E::Leave, "25", {}, false, " 0", true},
        {"cover taken on leaving the box", 1, B::Cover, E::Leave, "3", {{1, C, 3.0f}}, true, nullptr, false},
        {"cover taken on a click", 1, B::Cover, E::Click, "2.25", {{1, C, 2.25f}}, true, nullptr, false},
        {"cover refused on a click shows two decimals", 1, B::Cover, E::Click, "30", {}, false, " 0", true},
        {"cover with letters is refused", 1, B::Cover, E::Leave, "deep", {}, false, " 0", true},
        {"a decimal comma is refused", 1, B::Slope, E::Enter, "0,004", {}, false, " 10", true},
        {"a number with its unit is refused", 1, B::Cover, E::Enter, "1.5 m", {}, false, " 0", true},
        {"two numbers are refused", 2, B::Gr1, E::Enter, "100 5", {}, false, " 100.5", true},
        {"a cover followed by letters is refused", 1, B::Cover, E::Enter, "12abc", {}, false, " 0", true},
        {"a hex prefix without digits is refused", 1, B::Cover, E::Enter, "&H", {}, false, " 0", true},
        // Every form the grid takes typed is taken here, with the same value.
        {"blanks around a cover", 1, B::Cover, E::Enter, " 12.5 ", {{1, C, 12.5f}}, true, nullptr, false},
        {"a cover with a D exponent", 1, B::Cover, E::Enter, "1D0", {{1, C, 1.0f}}, true, nullptr, false},
        {"a cover in hex", 1, B::Cover, E::Enter, "&H3", {{1, C, 3.0f}}, true, nullptr, false},
        {"a cover with a signed exponent", 1, B::Cover, E::Enter, "5e+0", {{1, C, 5.0f}}, true, nullptr, false},
        {"a slope of 5e+3 is that many per mille", 1, B::Slope, E::Enter, "5e+3", {}, false, " 10", true},
        // The stored value shown back as Str writes a single: no zero before the point.
        {"a refused level shows without a leading zero", 2, B::Gr1, E::Enter, "abc", {}, false, " .5", true,
         {{2, G1, 0.5f}}},
        {"a negative level likewise", 2, B::Inv2, E::Enter, "-11", {}, false, "-.75", true, {{2, I2, -0.75f}}},
        {"a level of 10 m and a fraction", 2, B::Inv1, E::Enter, "", {}, false, " 10.25", true, {{2, I1, 10.25f}}},
        {"a refused cover likewise", 1, B::Cover, E::Enter, "25", {}, false, " .35", true, {{1, C, 0.35f}}},
        {"a level from 1E7 up in the exponent form", 2, B::Gr1, E::Enter, "abc", {}, false, " 1.234568E+07", true,
         {{2, G1, 12345678.0f}}},
        // Scaled in single precision, as the fields are: 18.5 goes to the even 18.
        {"a slope on a tie of tenths per mille", 1, B::Slope, E::Enter, "600", {}, false, " 1.8", true,
         {{1, S, 0.00185f}}},
        {"a cover on a tie of centimetres", 1, B::Cover, E::Click, "30", {}, false, " .18", true, {{1, C, 0.185f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditNet n;
        n.select(c.selected);
        for (const Change& ch : c.stored) n.m.Lines[ch.line].*ch.field = ch.value;
        const Model before = n.m;
        const EditBoxResult r = EditBoxEvent(n.m, n.v, c.box, c.event, c.text);
        EXPECT_EQ(r.changed, c.changed);
        EXPECT_EQ(r.message.empty(), !c.message) << r.message;
        if (c.boxText) {
            ASSERT_TRUE(r.boxText.has_value());
            EXPECT_EQ(*r.boxText, c.boxText);
            // A refusal names the box; the redraw fills it as it was set back.
            if (c.message) {
                EXPECT_EQ(r.message.rfind(std::string(Label(c.box)) + ": ", 0), 0u) << r.message;
            }
            if (!c.stored.empty()) {
                OutputSet none;
                (void)scrp(n.m, n.v, none);
                EXPECT_EQ(Filled(n.v, c.box), c.boxText);
            }
        } else {
            EXPECT_FALSE(r.boxText.has_value()) << *r.boxText;
        }
        if (c.event == EditEvent::Enter) { EXPECT_TRUE(r.consumed); }
        for (int line = 0; line <= 5; ++line)
            for (F field : {G1, G2, I1, I2, S, C}) {
                float expected = before.Lines[line].*field;
                for (const Change& ch : c.changes)
                    if (ch.line == line && ch.field == field) expected = ch.value;
                EXPECT_FLOAT_EQ(n.m.Lines[line].*field, expected) << "line " << line;
            }
    }
}

TEST(EditBoxes, LevelCommitsCheckSlopesDownstreamButGr2DoesNot) {
    struct Row {
        EditBox box;
        const char* text;
        bool checked;
    };
    for (const Row& row : std::vector<Row>{{EditBox::Gr1, "100.6", true},
                                           {EditBox::Inv1, "98.3", true},
                                           {EditBox::Inv2, "97.95", true},
                                           {EditBox::Gr2, "100.1", false}}) {
        EditNet n;
        n.select(2);
        ASSERT_TRUE(EditBoxEvent(n.m, n.v, row.box, EditEvent::Enter, row.text).changed);
        // The walk runs from the selected line to the outfall.
        EXPECT_EQ(n.m.Lines[2].CalcSlope != 0, row.checked);
        EXPECT_EQ(n.m.Lines[4].CalcSlope != 0, row.checked);
        EXPECT_EQ(n.m.Lines[1].CalcSlope, 0.0f);
    }
}

// Enter on a level box still showing what the redraw filled in commits the
// stored level itself, not the seven digits the box shows (from 1E7 up in
// the exponent form): the line keeps
// its level and the lines at the manhole take it, as when it is typed in
// full. Each commit is saved, reopened and compared bit for bit.
TEST(EditBoxes, EnterOnAnUnchangedLevelBoxCommitsTheStoredLevelItself) {
    test::TempDir dir("edit_levels");
    const float levels[6][4] = {{},
                                {1251.1235f, 1250.5671f, 1249.0013f, 1248.5437f},
                                {1250.5671f, 12345678.0f, 1248.4567f, 1248.0121f},
                                {1251.4563f, 1250.5671f, 1249.5019f, 1248.6013f},
                                {12345678.0f, 1249.5007f, 1247.9051f, 1247.7013f},
                                {1250.6013f, 1250.5671f, 1248.7017f, 1248.7017f}};
    const F fields[] = {&LineRecord::Gr1, &LineRecord::Gr2, &LineRecord::Inv1, &LineRecord::Inv2, &LineRecord::slope};
    for (int selected : {1, 2})
        for (EditBox b : {EditBox::Gr1, EditBox::Gr2, EditBox::Inv1, EditBox::Inv2}) {
            SCOPED_TRACE(std::string(Label(b)) + " of line " + std::to_string(selected));
            EditNet n;
            for (int k = 1; k <= 5; ++k)
                for (int f = 0; f < 4; ++f) n.m.Lines[k].*fields[f] = levels[k][f];
            n.select(selected);
            OutputSet none;
            (void)scrp(n.m, n.v, none);
            const float stored = n.m.Lines[selected].*fields[static_cast<int>(b)];
            EditNet typed;  // the stored level typed in full
            typed.m = n.m, typed.v = n.v;
            char full[32];
            std::snprintf(full, sizeof full, "%.9g", static_cast<double>(stored));
            ASSERT_TRUE(EditBoxEvent(typed.m, typed.v, b, EditEvent::Enter, full).changed);
            ASSERT_TRUE(EditBoxEvent(n.m, n.v, b, EditEvent::Enter, Filled(n.v, b)).changed);
            ASSERT_TRUE(SaveNetworkText(n.m, "levels.asb", dir.folder()));
            Model back;
            ASSERT_TRUE(LoadNetworkText(back, dir.folder() + "levels.asb"));
            EXPECT_EQ(back.Lines[selected].*fields[static_cast<int>(b)], stored);
            for (int k = 1; k <= 5; ++k)
                for (F f : fields)
                    EXPECT_EQ(std::bit_cast<std::uint32_t>(back.Lines[k].*f), std::bit_cast<std::uint32_t>(typed.m.Lines[k].*f))
                        << "line " << k << ": " << back.Lines[k].*f << ", wanted " << typed.m.Lines[k].*f;
        }
}

// The line a cover commit writes; 0 when it writes none.
int EditLine(EditNet& n) {
    for (int k = 0; k <= 6; ++k) n.m.Lines[k].Mincover = 0;
    if (!EditBoxEvent(n.m, n.v, EditBox::Cover, EditEvent::Enter, "7").changed) return 0;
    for (int k = 0; k <= 6; ++k)
        if (n.m.Lines[k].Mincover == 7) return k;
    return -1;
}

TEST(EditBoxes, DamagedLinksAndPositionsNeverWriteOtherRows) {
    EditNet n;
    n.m.Links[2].UpLine = 999;       // no such line
    n.m.Links[2].NextLine = -3;
    n.m.Links[3].PosLine = 0;        // a position holding no line
    n.select(2);
    EXPECT_TRUE(EditBoxEvent(n.m, n.v, EditBox::Gr1, EditEvent::Enter, "100.7").changed);
    EXPECT_TRUE(EditBoxEvent(n.m, n.v, EditBox::Gr2, EditEvent::Enter, "100.2").changed);
    n.select(3);
    EXPECT_FALSE(EditBoxEvent(n.m, n.v, EditBox::Gr1, EditEvent::Enter, "100.7").changed);
    const LineRecord blank;
    EXPECT_EQ(n.m.Lines[0].Gr1, blank.Gr1);
    EXPECT_EQ(n.m.Lines[0].Gr2, blank.Gr2);
    EXPECT_EQ(n.m.Lines[1].Gr2, 100.5f);  // not the upstream line any more
    // A sheet with its first strip empty selects in the second.
    n.v.Band1Start = n.v.Band1End = 0;
    n.v.Band2Start = 5;
    n.v.Band2End = 4;
    n.select(2);
    EXPECT_EQ(EditLine(n), 0);
    n.select(4);
    EXPECT_EQ(EditLine(n), 4);
    // A position left over from a longer network.
    n.m.Links[5].PosLine = 6;
    n.select(5);
    EXPECT_EQ(EditLine(n), 0);
}

TEST(EditBoxes, PanelCommitsOnEnterAndRefillsAfterTheRedraw) {
    EditNet n;
    n.select(1);
    n.v.EditBoxes.Inv2 = " 98.5";
    EditBoxPanel panel(n.m, n.v);
    int redraws = 0;
    std::vector<std::string> shown;
    panel.redraw = [&] {
        ++redraws;
        n.v.EditBoxes.Inv2 = " 98.2";  // what the redraw fills in
    };
    panel.showMessage = [&](const std::string& s) { shown.push_back(s); };
    panel.Refill();
    QLineEdit* inv2 = test::Child<QLineEdit>(&panel, "Text10");
    ASSERT_NE(inv2, nullptr);
    EXPECT_EQ(inv2->objectName(), "Text10");
    EXPECT_EQ(inv2->text(), " 98.5");

    inv2->setText("98.2");
    QTest::keyClick(inv2, Qt::Key_Return);
    EXPECT_EQ(redraws, 1);
    EXPECT_FLOAT_EQ(n.m.Lines[2].Inv1, 98.2f);  // the neighbouring line followed
    EXPECT_EQ(inv2->text(), " 98.2");

    inv2->setText("200");
    QTest::keyClick(inv2, Qt::Key_Return);
    EXPECT_EQ(redraws, 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(inv2->text(), " 98.2");
}

}  // namespace
}  // namespace vd
