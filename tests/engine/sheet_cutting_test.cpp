#include "engine/sheet_cutting.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <vector>

#include "recording_ui.h"

namespace vd {
namespace {

using test::RecordingUi;

struct Row {
    int b1s, b1e, b2s, b2e, dwg;
    bool operator==(const Row&) const = default;
};
void PrintTo(const Row& r, std::ostream* os) {
    *os << "{" << r.b1s << "," << r.b1e << "," << r.b2s << "," << r.b2e << ",dwg " << r.dwg << "}";
}

struct SheetFixture : ::testing::Test {
    SheetFixture() {
        m.SetUi(&ui);
        m.LatTable.assign(1, {});
    }

    // Appends a lateral whose lines, from its head down, have these lengths;
    // links and chainage as a process run leaves them.
    void Lateral(std::vector<float> lengths) {
        int k = ++m.LatCount;
        m.LatTable.resize(k + 1);
        int above = 0;
        float chainage = 0;
        for (float len : lengths) {
            int i = ++m.LineCount;
            m.Lines[i].Len = len;
            m.Links[i].UpLine = static_cast<int16_t>(above);
            if (above) m.Links[above].NextLine = static_cast<int16_t>(i);
            m.Links[i].LatNo = static_cast<int16_t>(k);
            m.Results[i].Chainage = chainage;
            chainage += len;
            if (!above) m.LatTable[k][LatFirst] = i;
            above = i;
        }
        m.LatTable[k][LatLast] = above;
    }

    void Options(int mode, float monoSheet, float customLength = 0) {
        m.SheetLayoutMode = static_cast<int16_t>(mode);
        m.ObjectStyles[26].DivideLen = monoSheet;
        m.ObjectStyles[26].Rotate = customLength;
    }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (const SheetRecord& r : m.SheetTable) rows.push_back({r.Band1Start, r.Band1End, r.Band2Start, r.Band2End, r.DwgNo});
        return rows;
    }
    std::vector<int> Positions() const {
        std::vector<int> p;
        for (int i = 1; i <= m.LineCount; ++i) p.push_back(m.Links[i].PosLine);
        return p;
    }
    std::vector<int> LatColumn(int column) const {
        std::vector<int> v;
        for (int k = 1; k <= m.LatCount; ++k) v.push_back(m.Lat(k, column));
        return v;
    }

    Model m;
    RecordingUi ui;
};

TEST_F(SheetFixture, NoLateralsGiveOneEmptySheet) {
    Options(1, 1);
    CutSheets(m);
    EXPECT_EQ(Rows(), (std::vector<Row>{{0, 0, 0, 0, 0}}));
    EXPECT_EQ(m.SheetCount, 1);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SheetFixture, OneLateralRunsFromItsLastLineUpToItsHead) {
    Options(0, 1);
    Lateral({100, 100, 100});
    CutSheets(m);
    EXPECT_EQ(Positions(), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(m.Links[0].PosLine, 0);
    EXPECT_EQ(Rows(), (std::vector<Row>{{0, 0, 1, 3, 1}, {0, 0, 0, 0, 0}}));
    EXPECT_EQ(m.SheetCount, 1);
    EXPECT_EQ(m.MonoSheet, 1);
    EXPECT_EQ(LatColumn(LatSheet), std::vector<int>{1});
    EXPECT_EQ(LatColumn(LatSheetIdx), std::vector<int>{0});
    EXPECT_EQ(LatColumn(LatLayout), std::vector<int>{1});
}

TEST_F(SheetFixture, TwoStripSheetFillsBothBandsOfARow) {
    Options(2, 0);  // 280 m, gap 60
    Lateral({100, 100});
    Lateral({100, 100});
    Lateral({100});
    CutSheets(m);
    EXPECT_EQ(m.MonoSheet, 0.5);
    // Lines by position: b, a, e, d, c.
    std::vector<int> byPos;
    for (int p = 1; p <= 5; ++p) byPos.push_back(m.Links[p].PosLine);
    EXPECT_EQ(byPos, (std::vector<int>{2, 1, 5, 4, 3}));
    EXPECT_EQ(Rows(), (std::vector<Row>{{1, 2, 3, 3, 1}, {4, 5, 0, 0, 2}}));
    EXPECT_EQ(LatColumn(LatSheet), (std::vector<int>{1, 4, 3}));
    EXPECT_EQ(LatColumn(LatSheetIdx), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(m.SheetCount, 2) << "a half-filled last sheet still counts";
    EXPECT_EQ(m.Results[3].SheetIdx, 1);
}

TEST_F(SheetFixture, ShortLateralsShareAStripAndALateralThatDoesNotFitWaits) {
    Options(0, 1);  // 700 m, gap 50
    Lateral({200, 200});
    Lateral({100, 100});
    Lateral({300, 100});
    CutSheets(m);
    EXPECT_EQ(Rows(), (std::vector<Row>{{0, 0, 1, 4, 1}, {0, 0, 5, 6, 2}, {0, 0, 0, 0, 0}}));
    EXPECT_EQ(LatColumn(LatSheet), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(m.SheetCount, 2);
}

TEST_F(SheetFixture, LongLateralStartsAFreshStripAndRunsOver) {
    Options(0, 1);
    Lateral({300});
    Lateral({250, 250, 250, 250});  // 750 m to its last line: over 600
    CutSheets(m);
    EXPECT_EQ(Rows(), (std::vector<Row>{{0, 0, 1, 1, 1}, {0, 0, 2, 3, 2}, {0, 0, 4, 5, 3}, {0, 0, 0, 0, 0}}));
    std::vector<float> idx;
    for (int i = 1; i <= 5; ++i) idx.push_back(m.Results[i].SheetIdx);
    EXPECT_EQ(idx, (std::vector<float>{0, 2, 2, 1, 1}));
    EXPECT_EQ(m.SheetCount, 3) << "no empty sheet is listed";
}

// The view cuts again each time it is shown: every lateral is laid out anew.
TEST_F(SheetFixture, CuttingAgainGivesTheSameSheets) {
    Options(0, 0);
    Lateral({200, 200});
    Lateral({500});
    Lateral({100});
    CutSheets(m);
    const std::vector<Row> rows = Rows();
    const std::vector<int> positions = Positions();
    const std::vector<int> lateralStarts = LatColumn(LatSheet);
    m.LatTable[2][LatLayout] = 2;
    CutSheets(m);
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(Positions(), positions);
    EXPECT_EQ(LatColumn(LatSheet), lateralStarts);
    EXPECT_EQ(LatColumn(LatLayout), (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SheetFixture, FiveFullSheetsAreAllCounted) {
    Options(0, 1);
    for (int k = 0; k < 5; ++k) Lateral({650});
    CutSheets(m);
    EXPECT_EQ(m.SheetTable.size(), 6u);
    for (int s = 0; s < 5; ++s) EXPECT_EQ(m.SheetTable[s].DwgNo, s + 1);
    EXPECT_EQ(m.SheetCount, 5);
}

TEST_F(SheetFixture, LineLongerThanTheSheetLeavesNoBlankSheet) {
    Options(0, 1);
    Lateral({300, 800});
    CutSheets(m);
    EXPECT_EQ(Rows(), (std::vector<Row>{{0, 0, 1, 1, 1}, {0, 0, 2, 2, 2}, {0, 0, 0, 0, 0}}));
    EXPECT_EQ(m.SheetCount, 2);

    Model two;
    m = two;
    m.SetUi(&ui);
    m.LatTable.assign(1, {});
    Options(0, 0);
    Lateral({800});
    CutSheets(m);
    // The empty first strip keeps both its ends at 0.
    EXPECT_EQ(Rows(), (std::vector<Row>{{0, 0, 1, 1, 1}, {0, 0, 0, 0, 0}}));
    EXPECT_EQ(m.SheetCount, 1);
}

// Twelve laterals of 10 m: the look-ahead window decides how many share the
// first strip.
TEST_F(SheetFixture, WindowSizeFollowsTheSheetLength) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::tuple<int, float, int>> cases = {
        {0, 0, 5},   {1, 0, 8},      {2, 0, 3},    {4, 0, 8},    {3, 2000, 11}, {3, 300, 3},
        {3, 0, 8},   {3, 100, 8},    {3, nan, 8},  {3, 9000, 8}, {3, 8000, 41}, {3, 299.4f, 8},
    };
    for (auto [mode, custom, perStrip] : cases) {
        Model fresh;
        m = fresh;
        m.SetUi(&ui);
        m.LatTable.assign(1, {});
        Options(mode, 1, custom);
        for (int k = 0; k < 45; ++k) Lateral({10});
        CutSheets(m);
        EXPECT_EQ(m.SheetTable[0].Band2End, perStrip) << "mode " << mode << " length " << custom;
    }
}

TEST_F(SheetFixture, CustomLengthSetsTheLongLateralThreshold) {
    for (auto [lastChainage, sameSheet] : std::vector<std::pair<float, bool>>{{1850, true}, {1950, false}}) {
        Model fresh;
        m = fresh;
        m.SetUi(&ui);
        m.LatTable.assign(1, {});
        Options(3, 1, 2000);
        Lateral({10});
        Lateral({lastChainage, 10});
        CutSheets(m);
        EXPECT_EQ(m.Results[3].SheetIdx == 0, sameSheet) << lastChainage;
    }
}

TEST_F(SheetFixture, EmptyLateralRowsFillTheGapsUntilNoneFits) {
    Options(0, 1);
    m.LatCount = 20;
    m.LatTable.assign(21, {});
    CutSheets(m);
    std::vector<int> placed = LatColumn(LatSheet);
    EXPECT_EQ(std::count(placed.begin(), placed.end(), 1), 14);
    EXPECT_EQ(ui.boxes, std::vector<std::string>{"Error in sheetting"});
    EXPECT_EQ(m.SheetCount, 1);
}

TEST_F(SheetFixture, BrokenLinksNeverHangOrOverrun) {
    Options(0, 1);
    // Two lines naming each other upstream; the head is never met.
    m.LineCount = 2;
    m.Lines[1].Len = m.Lines[2].Len = 10;
    m.Links[1].UpLine = 2;
    m.Links[2].UpLine = 1;
    m.Links[1].LatNo = m.Links[2].LatNo = 1;
    m.LatCount = 5;  // more than the table holds
    m.LatTable.assign(3, {});
    m.LatTable[1][LatFirst] = 3;
    m.LatTable[1][LatLast] = 1;
    m.LatTable[2][LatLast] = 4000;
    CutSheets(m);
    EXPECT_EQ(m.Links[1].PosLine, 1);
    EXPECT_EQ(m.Links[2].PosLine, 2);
    EXPECT_EQ(m.Links[3].PosLine, 0);
    EXPECT_EQ(ui.logs, std::vector<std::string>{"Walk stopped at line 1: line met twice"});
}

}  // namespace
}  // namespace vd
