// Zoom mapping, presets, selection stepping, picks and the property bag,
// on sheets laid out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "profile_view/property_bag.h"
#include "profile_view/selection.h"
#include "profile_view/view_mapping.h"

namespace vd {
namespace {

// Sheet 0: two strips, positions 1..3 (lines 3, 2, 1: 1 the head, 3 the
// lowest) and 4..5 (lines 5, 4). Sheet 1: the lower strip only, 6..8.
// Sheet 2: the upper strip only, 9..10. Every line is 100 m long, laid from
// x 8 in drawing order.
struct Sheets {
    Model m;
    ProfileViewState v;
    Sheets() {
        m.LineCount = 10;
        const std::vector<std::pair<int, int>> posLine = {{1, 3}, {2, 2}, {3, 1}, {4, 5}, {5, 4},
                                                           {6, 8}, {7, 7}, {8, 6}, {9, 10}, {10, 9}};
        for (auto [p, line] : posLine) m.Links[p].PosLine = static_cast<int16_t>(line);
        for (int i = 1; i <= 10; ++i) {
            m.Lines[i].Len = 100;
            m.Lines[i].From = "MH" + std::to_string(i);
        }
        auto chain = [&](int up, int down) {
            m.Links[up].NextLine = static_cast<int16_t>(down);
            m.Links[down].UpLine = static_cast<int16_t>(up);
        };
        chain(1, 2), chain(2, 3), chain(4, 5), chain(6, 7), chain(7, 8), chain(9, 10);
        // Line 4 also drains into line 2's manhole as a branch, not its main feeder.
        m.Links[2].Branch1 = 4;
        m.SheetTable = {{1, 3, 4, 5, 1}, {0, 0, 6, 8, 2}, {9, 10, 0, 0, 3}};
        m.SheetCount = 3;
        const std::vector<std::vector<int>> drawn = {{1, 2, 3}, {4, 5}, {6, 7, 8}, {9, 10}};
        for (const auto& run : drawn)
            for (std::size_t k = 0; k < run.size(); ++k) m.Results[run[k]].ProfX = static_cast<float>(8 + 10 * k);
        for (int i = 1; i <= 10; ++i) m.Results[i].SheetIdx = i <= 5 ? 0 : (i <= 8 ? 1 : 2);
        v.BandLift = 1;
    }
    std::vector<int> Walk(int sheet, void (*step)(ProfileViewState&), int steps) {
        ShowSheet(v, m, sheet);
        std::vector<int> seen{v.SelPos};
        for (int i = 0; i < steps; ++i) {
            step(v);
            EXPECT_EQ(v.SelPosEnd, v.SelPos);
            EXPECT_EQ(StripOf(v, v.SelPos), v.SelBand) << "position " << v.SelPos;
            seen.push_back(v.SelPos);
        }
        return seen;
    }
};

TEST(ViewMapping, ZoomExtentsAndPresetValues) {
    struct {
        int zoom;
        double w, h;
    } extents[] = {{0, 600, 400}, {1, 650, 450}, {30, 2100, 1900}, {60, 3600, 3400}, {-5, 350, 700.0 / 3},
                   {-11, 50, 100.0 / 3}, {-40, 50, 100.0 / 3}, {700, 3600, 3400}};
    for (auto e : extents) {
        ScaleExtents s = ZoomExtents(e.zoom);
        EXPECT_EQ(s.width, e.w) << e.zoom;
        EXPECT_DOUBLE_EQ(s.height, e.h) << e.zoom;
    }
    struct {
        double preset;
        int bar;
    } presets[] = {{0.2, 0}, {0.5, 0}, {1.5, 2}, {2.5, 2}, {50, 50}, {700, 60}, {-3, -3}, {-30, -11},
                   {std::numeric_limits<double>::quiet_NaN(), 0}, {std::numeric_limits<double>::infinity(), 0}};
    for (auto p : presets) EXPECT_EQ(ZoomBarValue(p.preset), p.bar) << p.preset;
    EXPECT_EQ(NextPanStep(1), 2);
    EXPECT_EQ(NextPanStep(9), 10);
    EXPECT_EQ(NextPanStep(10), 1);
    EXPECT_DOUBLE_EQ(PixelsToUnits(303.5, 607, 600), 300);
    EXPECT_EQ(PixelsToUnits(10, 0, 600), 0);
}

TEST(ViewMapping, PresetsRecentringAndDrag) {
    ProfileViewState v;
    v.SelBaseY = 26;
    v.ViewOriginX = 120;
    v.ViewTopY = 10;
    v.Zoom1Offset = -4;
    v.Zoom2Offset = -7;
    GoToZoom1(v);
    EXPECT_EQ(v.ViewTopY, 30);
    EXPECT_EQ(v.ViewOriginX, 120);  // Zoom1 keeps x
    GoToZoom2(v, 1);
    EXPECT_EQ(v.ViewTopY, 33);
    EXPECT_EQ(v.ViewOriginX, 0);
    GoToZoom2(v, 0.5);  // two strips: measured from the upper strip's base
    EXPECT_EQ(v.ViewTopY, 63);
    RecentreAtZoomZero(v);
    EXPECT_EQ(v.ViewTopY, 30);
    EXPECT_EQ(v.ViewOriginX, 0);
    DragPan(v, 100, 50, 130, 45);  // dragged right and up: the drawing follows
    EXPECT_EQ(v.ViewOriginX, -30);
    EXPECT_EQ(v.ViewTopY, 25);

    ObjectStyle row25;
    v.SelBaseY = 58.2f + 8;  // the upper strip's base, single precision
    v.ViewTopY = 60;
    StoreZoom1(v, 12, row25);
    EXPECT_EQ(row25.TextHeight, 12);
    EXPECT_NEAR(row25.VSpace, 6.2, 1e-5);
    StoreZoom2(v, 7, row25);
    EXPECT_EQ(row25.DivideLen, 7);
    EXPECT_EQ(std::string(row25.RowLocate.view()), "6.19999");  // cut to 7 characters
    v.ViewTopY = 73.2;
    v.SelBaseY = 66.2;
    StoreZoom2(v, 7, row25);
    EXPECT_EQ(std::string(row25.RowLocate.view()), "-7     ");
    ProfileViewState loaded;
    LoadZoomPresets(loaded, row25);
    EXPECT_EQ(loaded.Zoom2Offset, -7);
    EXPECT_EQ(loaded.Zoom2Scale, 7);
    EXPECT_EQ(loaded.Zoom1Scale, 12);
}

TEST(Selection, StepsWrapWithinTheShownSheet) {
    Sheets s;
    using Step = void (*)(ProfileViewState&);
    struct {
        const char* what;
        int sheet;
        Step step;
        std::vector<int> walk;
    } cases[] = {
        {"two strips, Tab", 0, NextSelection, {3, 2, 1, 5, 4, 3, 2}},
        {"two strips, Shift+Tab", 0, PreviousSelection, {3, 4, 5, 1, 2, 3}},
        {"lower strip only, Tab", 1, NextSelection, {8, 7, 6, 8, 7}},
        {"lower strip only, Shift+Tab", 1, PreviousSelection, {8, 6, 7, 8}},
        {"upper strip only, Tab", 2, NextSelection, {10, 9, 10, 9}},
        {"upper strip only, Shift+Tab", 2, PreviousSelection, {10, 9, 10}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(s.Walk(c.sheet, c.step, static_cast<int>(c.walk.size()) - 1), c.walk) << c.what;

    // Crossing strips moves the base the zoom presets measure from.
    ShowSheet(s.v, s.m, 0);
    s.v.SelPos = s.v.SelPosEnd = 1;
    NextSelection(s.v);
    EXPECT_EQ(s.v.SelBand, 2);
    EXPECT_EQ(s.v.SelBaseY, 26);
    NextSelection(s.v), NextSelection(s.v);
    EXPECT_EQ(s.v.SelBand, 1);
    EXPECT_FLOAT_EQ(static_cast<float>(s.v.SelBaseY), 66.2f);

    // A selection left off the sheet starts again at its first position; an
    // empty sheet (no strips) keeps still.
    s.v.SelPos = s.v.SelPosEnd = 0;
    NextSelection(s.v);
    EXPECT_EQ(s.v.SelPos, 2);
    ShowSheet(s.v, s.m, 7);
    NextSelection(s.v), PreviousSelection(s.v);
    EXPECT_EQ(s.v.SelPos, 0);
    EXPECT_EQ(SelectedLine(s.v, s.m), 0);
}

TEST(Selection, GrowShrinkAndSheetLoading) {
    Sheets s;
    ShowSheet(s.v, s.m, 0);
    EXPECT_EQ(s.v.SelPos, 3);
    EXPECT_EQ(SelectedLine(s.v, s.m), 1);
    // Grows while the lower line is the main feeder of the next; never past the strip.
    EXPECT_TRUE(AddToSelection(s.v, s.m));
    EXPECT_TRUE(AddToSelection(s.v, s.m));
    EXPECT_EQ(s.v.SelPosEnd, 1);
    EXPECT_FALSE(AddToSelection(s.v, s.m));
    EXPECT_TRUE(RemoveFromSelection(s.v, s.m));
    EXPECT_TRUE(RemoveFromSelection(s.v, s.m));
    EXPECT_FALSE(RemoveFromSelection(s.v, s.m));  // one line
    EXPECT_EQ(s.v.SelPosEnd, 3);
    // Line 4 drains into line 2's manhole but is not its main feeder.
    s.v.SelPos = s.v.SelPosEnd = 5;
    s.m.Links[4].NextLine = 2;
    EXPECT_FALSE(AddToSelection(s.v, s.m));
    EXPECT_EQ(s.v.SelPosEnd, 5);

    ShowSheet(s.v, s.m, 1);
    EXPECT_EQ(s.v.Band1End, 0);
    EXPECT_EQ(s.v.Band2Start, 8);
    EXPECT_EQ(s.v.Band2End, 6);
    EXPECT_EQ(s.v.SelPos, 8);
    EXPECT_EQ(s.v.SelBand, 2);
    EXPECT_EQ(s.v.SheetIndex, 1);
}

TEST(Selection, RightClickPicks) {
    Sheets s;
    struct {
        const char* what;
        int sheet;
        double x, y;  // canvas units; view top at 60, origin 0
        int picked;   // 0: unchanged
        int band;
    } cases[] = {
        {"upper strip, first line", 0, 10, 20, 3, 1},
        {"upper strip, last line", 0, 30, 20, 1, 1},
        {"lower strip below y 30", 0, 20, 40, 4, 2},
        {"on a joint: strict", 0, 18, 20, 0, 0},
        {"right of the strip", 0, 60, 20, 0, 0},
        {"lower strip only, clicked high", 1, 19, 20, 7, 2},
        {"lower strip only, clicked low", 1, 19, 50, 7, 2},
        {"upper strip only, table area below y 30", 2, 10, 50, 0, 0},
        {"upper strip only", 2, 10, 20, 10, 1},
    };
    for (const auto& c : cases) {
        ShowSheet(s.v, s.m, c.sheet);
        s.v.ViewTopY = 60;
        s.v.ViewOriginX = 0;
        const int before = s.v.SelPos;
        const bool picked = PickLine(s.v, s.m, c.x, c.y);
        EXPECT_EQ(picked, c.picked != 0) << c.what;
        EXPECT_EQ(s.v.SelPos, c.picked ? c.picked : before) << c.what;
        EXPECT_EQ(s.v.SelPosEnd, s.v.SelPos) << c.what;
        if (c.picked) { EXPECT_EQ(s.v.SelBand, c.band) << c.what; }
    }
    // The view origin shifts the pick.
    ShowSheet(s.v, s.m, 0);
    s.v.ViewTopY = 60;
    s.v.ViewOriginX = 20;
    EXPECT_TRUE(PickLine(s.v, s.m, 12, 20));
    EXPECT_EQ(s.v.SelPos, 1);
}

TEST(Selection, FindsTheSheetOfALine) {
    Sheets s;
    struct {
        int line;
        bool found;
        int sheet, pos, band;
    } cases[] = {
        {0, false, 0, 3, 1}, {11000, false, 0, 3, 1}, {2, true, 0, 2, 1}, {4, true, 0, 5, 2},
        {7, true, 1, 7, 2}, {9, true, 2, 10, 1},
    };
    for (const auto& c : cases) {
        ShowSheet(s.v, s.m, 0);
        EXPECT_EQ(FindLineSheet(s.v, s.m, c.line), c.found) << c.line;
        EXPECT_EQ(s.v.SheetIndex, c.sheet) << c.line;
        EXPECT_EQ(s.v.SelPos, c.pos) << c.line;
        EXPECT_EQ(s.v.SelBand, c.band) << c.line;
        EXPECT_EQ(s.v.SelBaseY, c.found ? StripBaseY(c.band, 1) : s.v.SelBaseY) << c.line;
    }
    // A line whose sheet index is damaged shows no sheet rather than a wrong one.
    s.m.Results[3].SheetIdx = 99;
    EXPECT_TRUE(FindLineSheet(s.v, s.m, 3));
    EXPECT_EQ(SelectedLine(s.v, s.m), 0);
}

TEST(PropertyBag, KeysDefaultsAndRoundTrip) {
    ProfileProperties p;
    std::vector<QString> told;
    p.PropertyChanged = [&](const QString& key) { told.push_back(key); };
    EXPECT_FALSE(p.Enabled());
    EXPECT_EQ(p.ScaleX(100), 0);
    EXPECT_EQ(p.ScaleY(100, 1, 3), 0);
    PropertyBag empty;
    p.WriteProperties(empty);
    ASSERT_EQ(empty.entries().size(), 1u);  // only the font, unset
    EXPECT_EQ(empty.entries()[0].first, "Font");

    p.setEnabled(true), p.setFontName("Arial"), p.setFontSize(9.75f), p.sethwnd(77), p.setToolTipText("tip");
    p.sethDC(5), p.setForeColor(255), p.setScaleWidth(600), p.setFont(std::make_shared<QFont>("Courier"));
    EXPECT_EQ(told, (std::vector<QString>{"Enabled", "FontName", "FontSize", "hWnd", "ToolTipText", "hDC", "ForeColor",
                                          "ScaleWidth", "Font"}));
    PropertyBag bag;
    p.WriteProperties(bag);
    std::vector<QString> keys;
    for (const auto& e : bag.entries()) keys.push_back(e.first);
    EXPECT_EQ(keys, (std::vector<QString>{"Enabled", "ToolTipText", "ScaleWidth", "hDC", "Font", "FontName", "FontSize",
                                          "ForeColor", "hWnd"}));
    ProfileProperties q;
    q.ReadProperties(bag);
    EXPECT_TRUE(q.Enabled());
    EXPECT_EQ(q.FontName(), "Arial");
    EXPECT_FLOAT_EQ(q.FontSize(), 9.75f);
    EXPECT_EQ(q.hwnd(), 77);
    EXPECT_EQ(q.hDC(), 5);
    EXPECT_EQ(q.ForeColor(), 255);
    EXPECT_EQ(q.ToolTipText(), "tip");
    EXPECT_EQ(q.Font(), nullptr);  // the font is not read back
    q.InitProperties();
    EXPECT_FALSE(q.Enabled());
    EXPECT_EQ(q.FontName(), "");
}

}  // namespace
}  // namespace vd
