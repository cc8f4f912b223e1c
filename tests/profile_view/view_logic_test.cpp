// Zoom mapping, presets, selection stepping, picks and the property bag,
// on sheets laid out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/number_text.h"
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

// Whether `inner` lies within `outer`, give or take a rounding.
bool Within(const DrawingRect& inner, const DrawingRect& outer) {
    const double e = 1e-9 * (1 + outer.width() + outer.height());
    return inner.left >= outer.left - e && inner.right <= outer.right + e && inner.bottom >= outer.bottom - e &&
           inner.top <= outer.top + e;
}

DrawingRect Window(const ProfileViewState& v) {
    DrawingRect r;
    r.include(v.ViewOriginX, v.ViewTopY);
    r.include(v.ViewOriginX + v.ScaleWidth, v.ViewTopY - v.ScaleHeight);
    return r;
}

DrawingRect Rect(double left, double bottom, double right, double top) {
    DrawingRect r;
    r.include(left, bottom);
    r.include(right, top);
    return r;
}

// Every bar step from the whole sheet down keeps the sheet on the canvas and
// changes the scale by one factor; the centre stays put; the canvas keeps its shape.
TEST(ViewMapping, ZoomBarStepsFromTheWholeSheetToAFewLines) {
    const struct {
        DrawingRect sheet;
        int widthPx, heightPx;
    } cases[] = {
        {Rect(2, -3, 160, 76), 1600, 1000},   // a 1400 m sheet, two strips
        {Rect(2, 10, 80, 76), 1000, 700},     // 700 m, one strip
        {Rect(-5, -3, 820, 80), 1366, 600},   // the longest custom sheet
        {Rect(5, 18, 20, 70), 800, 900},      // narrower than a close-up
    };
    for (const auto& c : cases) {
        ProfileViewState v;
        FrameSheet(v, c.sheet, c.widthPx, c.heightPx);
        const double whole = WholeSheetWidth(c.sheet, c.widthPx, c.heightPx);
        EXPECT_TRUE(Within(c.sheet, Window(v)));
        // Filling the canvas: the sheet's binding side takes all but the margins.
        const double fill = std::max(c.sheet.width() / v.ScaleWidth, c.sheet.height() / v.ScaleHeight);
        EXPECT_NEAR(fill, 1 - 2 * kFrameMargin, 1e-9);
        EXPECT_DOUBLE_EQ(ZoomWidth(kZoomBarMax, whole), whole);
        EXPECT_DOUBLE_EQ(ZoomWidth(kZoomBarMin, whole), std::min(kCloseUpWidth, whole));
        EXPECT_DOUBLE_EQ(ZoomWidth(kZoomBarMax + 9, whole), whole);  // clamped
        const double factor = ZoomWidth(kZoomBarMax, whole) / ZoomWidth(kZoomBarMax - 1, whole);
        for (int z = kZoomBarMax - 1; z >= kZoomBarMin; --z) {
            const DrawingRect before = Window(v);
            ZoomAboutCentre(v, ZoomWidth(z, whole), c.widthPx, c.heightPx, c.sheet);
            const DrawingRect after = Window(v);
            EXPECT_NEAR(before.width() / after.width(), factor, 1e-9) << z;
            EXPECT_NEAR(after.width() / after.height(), double(c.widthPx) / c.heightPx, 1e-9);
            // Along each side the canvas shows sheet only, or all of the sheet.
            const double e = 1e-9;
            EXPECT_TRUE((after.left >= c.sheet.left - e && after.right <= c.sheet.right + e) ||
                        (after.left <= c.sheet.left + e && after.right >= c.sheet.right - e)) << z;
            EXPECT_TRUE((after.bottom >= c.sheet.bottom - e && after.top <= c.sheet.top + e) ||
                        (after.bottom <= c.sheet.bottom + e && after.top >= c.sheet.top - e)) << z;
            if (Within(after, c.sheet)) {
                EXPECT_NEAR((after.left + after.right) / 2, (before.left + before.right) / 2, 1e-9) << z;
                EXPECT_NEAR((after.top + after.bottom) / 2, (before.top + before.bottom) / 2, 1e-9) << z;
            }
            EXPECT_EQ(ZoomBarFor(ZoomWidth(z, whole), whole), z);
        }
        EXPECT_GT(factor, 1);
        EXPECT_LT(factor, 1.1);
    }
    // Zooming out from a corner brings the whole sheet back.
    ProfileViewState v;
    const DrawingRect sheet = Rect(2, -3, 160, 76);
    FrameSheet(v, sheet, 1600, 1000);
    ZoomAboutCentre(v, 30, 1600, 1000, sheet);
    v.ViewOriginX = 150, v.ViewTopY = 0;
    ZoomAboutCentre(v, WholeSheetWidth(sheet, 1600, 1000), 1600, 1000, sheet);
    EXPECT_TRUE(Within(sheet, Window(v)));

    struct {
        double preset;
        int bar;
    } presets[] = {{0.2, 0}, {0.5, 0}, {1.5, 2}, {2.5, 2}, {50, 50}, {700, 60}, {-3, -3}, {-30, -11},
                   {std::numeric_limits<double>::quiet_NaN(), 0}, {std::numeric_limits<double>::infinity(), 0}};
    for (auto p : presets) EXPECT_EQ(ZoomBarValue(p.preset), p.bar) << p.preset;
    EXPECT_EQ(WholeSheetWidth(DrawingRect(), 800, 600), 600);
    EXPECT_EQ(NextPanStep(1), 2);
    EXPECT_EQ(NextPanStep(9), 10);
    EXPECT_EQ(NextPanStep(10), 1);
    EXPECT_DOUBLE_EQ(PixelsToUnits(303.5, 607, 600), 300);
    EXPECT_EQ(PixelsToUnits(10, 0, 600), 0);
}

// Zoom to selection puts the whole selection box in the middle of the canvas,
// at the preset's scale or as near it as the box allows.
TEST(ViewMapping, ZoomToSelectionCentresTheBox) {
    Sheets s;
    ShowSheet(s.v, s.m, 0);
    s.v.SelBaseY = 66.2;
    const DrawingRect sheet = Rect(0, -5, 60, 75);
    const struct {
        int widthPx, heightPx;
        double preset;
    } cases[] = {{1600, 1000, 0.2}, {1600, 500, 0.2}, {1000, 900, 30}, {600, 1200, -11}};
    for (const auto& c : cases) {
        s.v.Zoom1Scale = c.preset;
        const double whole = WholeSheetWidth(sheet, c.widthPx, c.heightPx);
        const int z = ZoomToSelection(s.v, s.m, whole, c.widthPx, c.heightPx);
        const DrawingRect box = SelectionBoxOf(s.v, s.m);
        ASSERT_FALSE(box.empty());
        EXPECT_DOUBLE_EQ(box.width(), 10);
        EXPECT_DOUBLE_EQ(box.height(), 4.5 + 18);
        EXPECT_TRUE(Within(box, Window(s.v))) << c.heightPx;
        EXPECT_GE(z, ZoomBarValue(c.preset));
        // No nearer step would hold the box.
        const double needed = std::max(box.width(), box.height() * c.widthPx / c.heightPx) / (1 - 2 * kFrameMargin);
        if (z > ZoomBarValue(c.preset)) { EXPECT_LT(ZoomWidth(z - 1, whole), needed); }
        EXPECT_DOUBLE_EQ(s.v.ScaleWidth, ZoomWidth(z, whole));
        EXPECT_NEAR(s.v.ViewOriginX + s.v.ScaleWidth / 2, (box.left + box.right) / 2, 1e-9);
        EXPECT_NEAR(s.v.ViewTopY - s.v.ScaleHeight / 2, (box.top + box.bottom) / 2, 1e-9);
    }
}

TEST(ViewMapping, PresetsAndDrag) {
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
    v.ViewOriginX = 0, v.ViewTopY = 30;
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

    // The 7 characters drop decimals only: an offset a hair from 0, left by
    // single-precision bases, is not stored as 1.5 units, nor a long one a
    // tenth of itself.
    const struct {
        double offset;
        const char* text;
    } offsets[] = {{6.1999998, "6.19999"}, {1234567.5, "1234567"}, {-123456.75, "-123456"},
                   {1.52587890625e-06, "1.5E-06"}, {-1.52587890625e-06, "-2E-06"}, {12345678.9, "1.2E+07"},
                   {-1e100, "-1E+100"}, {0.000125, "0.00012"}};
    for (const auto& o : offsets) {
        const std::string t = ZoomOffsetText(o.offset);
        EXPECT_EQ(t, o.text) << o.offset;
        const OneNumber back = ReadOneNumber(t);
        ASSERT_EQ(back.kind, OneNumber::Number) << t;
        EXPECT_NEAR(back.value, o.offset, std::fabs(o.offset) * 0.5) << t;
    }
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
