#include "engine/sheet_cutting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
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

// The cutting rules one step at a time, as a plain reference: empty strips
// keep their end at 0, a close opens no sheet while the current one is blank,
// and the sheet count is the number of rows holding a strip.
void PlainCut(Model& m) {
    double mono = m.ObjectStyles[26].DivideLen;
    if (mono == 0) mono = 0.5;
    const double g = (m.SheetLayoutMode == 2 || m.SheetLayoutMode == 4) ? 60 : 50;
    for (int k = 1; k <= m.LatCount; ++k) {
        m.LatTable[k][LatLayout] = 1;
        m.LatTable[k][LatSheet] = 0;
    }
    double L = m.SheetLayoutMode == 2 ? 280 : m.SheetLayoutMode == 0 ? 700 : 1400;
    if (m.SheetLayoutMode == 3) {
        double r = std::nearbyint(m.ObjectStyles[26].Rotate);
        L = (r >= 300 && r <= 8000) ? r : 1400;
    }
    m.SheetTable.assign(1, SheetRecord{});
    int s = 0, p = 0, lines = 0, c = 0;
    double x = 0;
    bool F = mono == 0.5;
    auto close = [&](char variant) {
        if (variant == 'A') c = 1;
        bool empty = lines == 0;
        x = 0;
        lines = 0;
        SheetRecord& row = m.SheetTable[s];
        if (!empty) (F ? row.Band1End : row.Band2End) = static_cast<int16_t>(p);
        if (!F && (row.Band1Start > 0 || row.Band2Start > 0)) {
            ++s;
            m.SheetTable.push_back({});
            if (variant == 'B') c = 1;
        }
        F = !F && mono == 0.5;
        if (variant == 'C') c = 0;
    };
    auto place = [&](int lat) {
        m.LatTable[lat][LatSheet] = p + 1;
        m.LatTable[lat][LatSheetIdx] = s;
        for (int j = static_cast<int>(m.LatTable[lat][LatLast]); j != 0;) {
            if (x + m.Lines[j].Len > L) close('A');
            ++lines;
            ++p;
            m.Links[p].PosLine = static_cast<int16_t>(j);
            if (lines == 1) (F ? m.SheetTable[s].Band1Start : m.SheetTable[s].Band2Start) = static_cast<int16_t>(p);
            m.Results[j].SheetIdx = static_cast<float>(s);
            m.SheetTable[s].DwgNo = static_cast<int16_t>(s + 1);
            x += m.Lines[j].Len;
            if (m.Links[j].UpLine == 0 || j == m.LatTable[m.Links[j].LatNo][LatFirst]) break;
            j = m.Links[j].UpLine;
        }
    };
    for (int k = 1; k <= m.LatCount; ++k) {
        while (m.LatTable[k][LatSheet] > 0 && k < m.LatCount) ++k;
        for (int w = k - 1; w < m.LatCount && w < k + L / 200;) {
            ++w;
            if (m.LatTable[w][LatSheet] != 0) continue;
            double run = m.Results[static_cast<int>(m.LatTable[w][LatLast])].Chainage;
            if (run > L - 100) {
                if (x > 0) close('B');
                place(w);
            } else if (x + run + c * g < L) {
                ++c;
                place(w);
            }
        }
        if (lines > 0) close('C');
    }
    for (int k = 1; k <= m.LatCount; ++k)
        if (m.LatTable[k][LatSheet] == 0) {
            m.Ui->MessageBox("Error in sheetting");
            break;
        }
    int filled = 0;
    for (const SheetRecord& r : m.SheetTable) filled += (r.Band1Start > 0 || r.Band2Start > 0);
    m.SheetCount = std::max(filled, 1);
}

TEST_F(SheetFixture, RandomLayoutsMatchThePlainRules) {
    std::mt19937 rng(777);
    const float lengths[] = {0, 5, 40, 120, 260, 300, 650, 900};
    for (int round = 0; round < 300; ++round) {
        Model fresh;
        m = fresh;
        m.SetUi(&ui);
        ui.clear();
        m.LatTable.assign(1, {});
        const float custom[] = {0, 500, 2000, 300};
        Options(static_cast<int>(rng() % 5), static_cast<float>(rng() % 2), custom[rng() % 4]);
        const int lats = static_cast<int>(rng() % 25);
        for (int k = 0; k < lats; ++k) {
            std::vector<float> lens(1 + rng() % 6);
            for (float& l : lens) l = lengths[rng() % std::size(lengths)];
            Lateral(lens);
        }
        Model plain = m;
        RecordingUi plainUi;
        plain.SetUi(&plainUi);
        CutSheets(m);
        PlainCut(plain);
        ASSERT_EQ(Rows(), [&] {
            std::vector<Row> rows;
            for (const SheetRecord& r : plain.SheetTable)
                rows.push_back({r.Band1Start, r.Band1End, r.Band2Start, r.Band2End, r.DwgNo});
            return rows;
        }()) << round;
        ASSERT_EQ(m.SheetCount, plain.SheetCount) << round;
        ASSERT_EQ(ui.boxes, plainUi.boxes) << round;
        for (int i = 1; i <= m.LineCount; ++i) {
            ASSERT_EQ(m.Links[i].PosLine, plain.Links[i].PosLine) << round;
            ASSERT_EQ(m.Results[i].SheetIdx, plain.Results[i].SheetIdx) << round;
        }
        for (int k = 1; k <= m.LatCount; ++k)
            for (int col : {LatSheet, LatSheetIdx, LatLayout}) ASSERT_EQ(m.Lat(k, col), plain.Lat(k, col)) << round;
    }
}

}  // namespace
}  // namespace vd
