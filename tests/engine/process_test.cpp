#include "engine/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/number_text.h"
#include "net_builder.h"
#include "recording_ui.h"

namespace vd {
namespace {

using test::NetBuilder;
using test::RecordingUi;
using test::UiEvent;

struct ProcessFixture : ::testing::Test {
    ProcessFixture() { m.SetUi(&ui); }
    int Run() {
        int outcome = 0;
        ProcessNetwork(m, outcome);
        return outcome;
    }
    bool Logged(const std::string& text) const {
        return std::find(ui.logs.begin(), ui.logs.end(), text) != ui.logs.end();
    }
    Model m;
    RecordingUi ui;
    NetBuilder net{m};
};

std::string Pad25(const std::string& s) { return s + std::string(25 - s.size(), ' '); }
// A name as messages show it: full width, a never-assigned field as blanks.
std::string Shown(const FixedText<25>& t) {
    std::string s = t.str();
    std::replace(s.begin(), s.end(), '\0', ' ');
    return s;
}

TEST_F(ProcessFixture, OneNamedLineMakesOneLateralAndReportsItsName) {
    net.line("A", "B").len(50).gr(10, 9).inv(8, 7.5).lat("01");
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(m.LatCount, 1);
    EXPECT_EQ(m.Lat(1, LatFirst), 1);
    EXPECT_EQ(m.Lat(1, LatLast), 1);
    EXPECT_EQ(m.Links[1].LatNo, 1);
    EXPECT_EQ(m.Results[1].Chainage, 0);
    EXPECT_FLOAT_EQ(m.Lines[1].CalcSlope, 0.01f);
    EXPECT_TRUE(Logged("Lateral name error in line1"));
    EXPECT_TRUE(ui.boxes.empty());

    std::vector<std::string> statuses;
    for (const UiEvent& e : ui.events)
        if (e.kind == UiEvent::Status) statuses.push_back(e.text);
    EXPECT_EQ(statuses, (std::vector<std::string>{"Process  data                   ", "Check Invert             ",
                                                  std::string(22, ' ')}));
    EXPECT_EQ(ui.progress, 0);
}

TEST_F(ProcessFixture, FLineStartsLateralAndChainageRestarts) {
    for (const char* flag : {"F", "f", "xFd"}) {
        Model fresh;
        m = fresh;
        m.SetUi(&ui);
        ui.clear();
        net.line("A", "B").len(40).inv(10, 9);
        net.line("B", "C").len(30).inv(9, 8).status(flag);
        net.line("C", "D").len(20).inv(8, 7);
        ASSERT_EQ(Run(), 2) << flag;
        EXPECT_EQ(m.LatCount, 2) << flag;
        EXPECT_EQ(m.Lat(1, LatFirst), 1);
        EXPECT_EQ(m.Lat(1, LatLast), 1);
        EXPECT_EQ(m.Lat(2, LatFirst), 2);
        EXPECT_EQ(m.Lat(2, LatLast), 3);
        EXPECT_EQ(m.Links[3].LatNo, 2);
        EXPECT_EQ(m.Results[2].Chainage, 0);
        EXPECT_EQ(m.Results[3].Chainage, 30);
        EXPECT_EQ(m.Lines[2].Status.rtrim(), flag) << "Status is only read";
    }
}

TEST_F(ProcessFixture, SlopeAndInvertFindingsAreLogged) {
    net.line("A", "B").len(0).inv(10, 9);        // keeps a fresh CalcSlope of 0
    net.line("B", "C").len(10).inv(9, 8.5);      // ends below the next line's start
    net.line("C", "D").len(10).inv(8.7, 8.6);
    net.line("E", "F").len(0).inv(5, 4);
    m.Lines[4].CalcSlope = 0.02f;  // zero length keeps an earlier value
    ASSERT_EQ(Run(), 2);
    EXPECT_EQ(m.Lines[1].CalcSlope, 0);
    EXPECT_FLOAT_EQ(m.Lines[4].CalcSlope, 0.02f);
    EXPECT_TRUE(Logged("Slope error in" + Pad25("A") + " To " + Pad25("B")));
    EXPECT_TRUE(Logged("Inv Error in  " + Pad25("B") + " To " + Pad25("C")));
    EXPECT_FALSE(Logged("Slope error in" + Pad25("E") + " To " + m.Lines[4].to.str()));
}

TEST_F(ProcessFixture, TwoLinesDrainingIntoEachOtherStopTheRun) {
    net.line("A", "B").len(10);
    net.line("B", "A").len(10);
    m.Results[1].Chainage = 99;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ui.boxes, std::vector<std::string>{" Error : loop In Line1"});
    EXPECT_EQ(m.Results[1].Chainage, 0) << "results are cleared before the check";
}

TEST_F(ProcessFixture, LinesEndingAtOneManholeWithDifferentGroundAreReportedTwice) {
    net.line("A", "B").gr(10, 9).len(10).inv(8, 7);
    net.line("C", "B").gr(10, 9.5f).len(10).inv(8, 7);
    ASSERT_EQ(Run(), 2);
    const std::string one = " No1Gr.elv" + Pad25("B") + "=9and   No2Gr.elv" + Pad25("B") + "=9.5";
    const std::string two = " No2Gr.elv" + Pad25("B") + "=9.5and   No1Gr.elv" + Pad25("B") + "=9";
    EXPECT_EQ(ui.boxes, (std::vector<std::string>{one, two}));
    EXPECT_TRUE(Logged(one));
    EXPECT_TRUE(Logged(two));
}

TEST_F(ProcessFixture, UpstreamGroundMismatchIsFatal) {
    m.Criteria.MinCoverDefault = 1;
    net.line("A", "B").gr(10, 9.25f);
    net.line("B", "C").gr(9.5f, 9);
    net.line("D", "B").gr(10, 9.5f);
    EXPECT_FALSE(CheckGroundLevels(m));
    const std::string box = "Error :No 2Gr.elv " + Pad25("B") + "=9.5and   No1Gr.elv" + Pad25("B") + "=9.25";
    const std::string log = "Error :No  2 Gr.elv " + Pad25("B") + "=9.5 and   No1Gr.elv" + Pad25("B") + "=9.25";
    // Line 1's own pair with line 3 comes first.
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1], box);
    EXPECT_EQ(ui.logs.back(), log);
    EXPECT_EQ(m.Lines[2].Mincover, 1) << "an empty cover takes the default";
    EXPECT_EQ(m.Lines[3].Mincover, 0) << "lines after the fatal one are not reached";
}

// The bar is shown, moves forward once per lateral and ends at 0.
TEST_F(ProcessFixture, ProgressMovesPerLateralAndEndsAtZero) {
    for (int laterals : {1, 3, 7}) {
        SCOPED_TRACE(laterals);
        m = Model();
        ui.clear();
        m.SetUi(&ui);
        for (int k = 0; k < laterals; ++k)
            net.line("A" + std::to_string(k), "B" + std::to_string(k)).len(10).inv(2, 1);
        ASSERT_EQ(Run(), 2);
        ASSERT_EQ(m.LatCount, laterals);
        std::vector<int> values;  // from the moment the bar is shown
        bool shown = false;
        for (const UiEvent& e : ui.events) {
            if (e.kind == UiEvent::ProgressVisible && e.value == 1) shown = true;
            if (shown && e.kind == UiEvent::Progress) values.push_back(e.value);
        }
        ASSERT_TRUE(shown);
        ASSERT_GE(values.size(), 2u);
        EXPECT_EQ(values.back(), 0);
        values.pop_back();
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
        EXPECT_GE(values.front(), 0);
        EXPECT_LE(values.back(), 100);
        std::vector<int> steps = values;
        steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
        EXPECT_EQ(static_cast<int>(steps.size()), laterals);
    }
}

// Cover default and cleared drops, line by line.
TEST_F(ProcessFixture, CoverTakesTheDefaultAndDropsAreCleared) {
    m.Criteria.MinCoverDefault = 1.2;
    const float covers[] = {0, -1, 0.5f, 2};
    const float expected[] = {1.2f, 1.2f, 0.5f, 2};
    for (int k = 0; k < 4; ++k) {
        net.line("A" + std::to_string(k), "B" + std::to_string(k)).len(10).inv(2, 1).rec().Mincover = covers[k];
        m.Links[k + 1].Drop = 0.7f;
    }
    ASSERT_EQ(Run(), 2);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(m.Lines[k + 1].Mincover, expected[k]) << covers[k];
        EXPECT_EQ(m.Links[k + 1].Drop, 0) << k;
    }
}

// A never-assigned manhole name is shown as blanks at its full width, never
// as NUL bytes, in the log and in message boxes.
TEST_F(ProcessFixture, UnassignedNamesShowAsBlanksInMessages) {
    net.line("A", "B").len(10).inv(1, 2).gr(5, 9);
    net.line("C", "B").gr(5, 9.5f);
    m.Lines[1].to.clear();
    m.Lines[2].to.clear();
    CheckBranchSlopes(m, 1);
    EXPECT_TRUE(CheckGroundLevels(m));
    const std::string blanks(25, ' ');
    EXPECT_EQ(ui.logs[0], "Slope error in" + Pad25("A") + " To " + blanks);
    EXPECT_EQ(ui.boxes[0], " No1Gr.elv" + blanks + "=9and   No2Gr.elv" + blanks + "=9.5");
    for (const auto& text : ui.logs) EXPECT_EQ(text.find('\0'), std::string::npos) << text;
}

TEST_F(ProcessFixture, BuildLateralsNeverWritesPastItsTable) {
    net.line("A", "B");
    net.line("C", "D");
    net.line("E", "F");
    for (int stale : {1, 3, 7}) {  // a caller's count, too small, right, too large
        m.LatCount = stale;
        BuildLaterals(m);
        EXPECT_EQ(m.LatCount, stale);
        EXPECT_EQ(m.LatTable.size(), 4u) << stale;
        EXPECT_EQ(m.Lat(3, LatFirst), 3) << stale;
        EXPECT_EQ(m.Links[0].LatNo, 0);
    }
}

TEST_F(ProcessFixture, WalksStopAtALoopAndSayWhere) {
    // 1 -> 2 -> 3 -> 4 -> 2: a loop of three lines below the head.
    for (int i = 0; i < 4; ++i) net.line("M" + std::to_string(i), "N" + std::to_string(i)).len(10).inv(1, 2);
    m.Links[1] = {2, 0, 0, 0, 0, 0, 0};
    m.Links[2] = {3, 0, 0, 0, 1, 0, 0};
    m.Links[3] = {4, 0, 0, 0, 2, 0, 0};
    m.Links[4] = {2, 0, 0, 0, 3, 0, 0};
    m.LatCount = 1;
    BuildLaterals(m);
    CheckLateralNames(m);
    CheckAllBranchSlopes(m);
    CheckBranchSlopes(m, 3);
    std::vector<std::string> stops;
    for (const auto& l : ui.logs)
        if (l.rfind("Walk stopped", 0) == 0) stops.push_back(l);
    EXPECT_EQ(stops, (std::vector<std::string>{"Walk stopped at line 2: line met twice",
                                               "Walk stopped at line 2: line met twice",
                                               "Walk stopped at line 3: line met twice"}));
    EXPECT_EQ(m.Lat(1, LatLast), 4);
}

// ---- Fast paths against the plain rules, on random networks ----

// The pairwise ground check as first written: every line against every line.
bool PairwiseGround(Model& m) {
    for (int i = 1; i <= m.LineCount; ++i) {
        LineRecord& li = m.Lines[i];
        if (li.Mincover <= 0) li.Mincover = static_cast<float>(Num(m.Criteria.MinCoverDefault));
        m.Links[i].Drop = 0;
        for (int k = 1; k <= m.LineCount; ++k) {
            const LineRecord& lk = m.Lines[k];
            if (li.From == lk.to && li.Gr1 != lk.Gr2) {
                std::string tail = NumText(k) + "Gr.elv" + Shown(lk.to) + "=" + SingleText(lk.Gr2);
                m.Ui->MessageBox("Error :No " + NumText(i) + "Gr.elv " + Shown(li.From) + "=" + SingleText(li.Gr1) +
                                 "and   No" + tail);
                AppendLog(m, "Error :No  " + NumText(i) + " Gr.elv " + Shown(li.From) + "=" + SingleText(li.Gr1) +
                                 " and   No" + tail);
                return false;
            }
            if (li.to == lk.to && li.Gr2 != lk.Gr2) {
                std::string t = " No" + NumText(i) + "Gr.elv" + Shown(li.to) + "=" + SingleText(li.Gr2) + "and   No" +
                                NumText(k) + "Gr.elv" + Shown(lk.to) + "=" + SingleText(lk.Gr2);
                m.Ui->MessageBox(t);
                AppendLog(m, t);
            }
        }
    }
    return true;
}

// The lateral-name walk as first written, one step at a time to the outfall.
void PlainNameWalks(Model& m) {
    const FixedText<40> none;
    for (int k = 1; k <= m.LatCount; ++k) {
        std::vector<char> seen(m.LineCount + 1, 0);
        for (int j = m.Lat(k, LatFirst); j > 0;) {
            if (seen[j]) {
                AppendLog(m, "Walk stopped at line " + NumText(j) + ": line met twice");
                break;
            }
            seen[j] = 1;
            int up = m.Links[j].UpLine;
            const FixedText<40>& above = (up >= 1 && up <= m.LineCount) ? m.Lines[up].Latral : none;
            if (!(m.Lines[j].Latral == above)) AppendLog(m, "Lateral name error in line" + NumText(j));
            int next = m.Links[j].NextLine;
            j = (next >= 1 && next <= m.LineCount) ? next : 0;
        }
    }
}

void RandomNetwork(Model& m, std::mt19937& rng, bool forGround) {
    std::uniform_int_distribution<int> size(1, 60);
    int n = size(rng);
    m.LineCount = n;
    auto pick = [&](int k) { return std::uniform_int_distribution<int>(0, k - 1)(rng); };
    const char* names[] = {"A", "B", "C", "D", "E", "F"};
    const float levels[] = {1.0f, 2.0f, 2.5f, std::numeric_limits<float>::quiet_NaN()};
    for (int i = 1; i <= n; ++i) {
        LineRecord& l = m.Lines[i];
        l.From = names[pick(6)];
        l.to = names[pick(6)];
        if (pick(8) == 0) l.to.clear();
        l.Gr1 = levels[pick(forGround && pick(3) ? 2 : 4)];
        l.Gr2 = levels[pick(forGround && pick(3) ? 2 : 4)];
        l.Mincover = static_cast<float>(pick(3)) - 0.5f;
        l.Len = static_cast<float>(pick(4)) * 10;
        l.Inv1 = static_cast<float>(pick(5));
        l.Inv2 = static_cast<float>(pick(5));
        l.CalcSlope = static_cast<float>(pick(3)) - 1;
        if (pick(3) == 0) l.Latral = names[pick(3)];
        if (pick(6) == 0) l.Status = "f";
        LinkRecord& k = m.Links[i];
        k.NextLine = static_cast<int16_t>(pick(4) == 0 ? 0 : pick(n + 3));  // a few out of range
        k.UpLine = static_cast<int16_t>(pick(3) == 0 ? 0 : pick(n + 1));
    }
    m.LatCount = 0;
    for (int i = 1; i <= n; ++i) {
        int up = m.Links[i].UpLine;
        if (up < 1 || up > n || UpperCase(m.Lines[i].Status.view()).find('F') != std::string::npos) ++m.LatCount;
    }
}

TEST(ProcessFastPaths, GroundCheckMatchesPairwiseRule) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 400; ++round) {
        Model fast;
        RandomNetwork(fast, rng, true);
        fast.Criteria.MinCoverDefault = 0.9;
        Model plain = fast;
        RecordingUi a, b;
        fast.SetUi(&a);
        plain.SetUi(&b);
        ASSERT_EQ(CheckGroundLevels(fast), PairwiseGround(plain)) << round;
        ASSERT_EQ(a.boxes, b.boxes) << round;
        ASSERT_EQ(a.logs, b.logs) << round;
        for (int i = 1; i <= fast.LineCount; ++i) {
            ASSERT_EQ(fast.Lines[i].Mincover, plain.Lines[i].Mincover) << round;
            ASSERT_EQ(fast.Links[i].Drop, plain.Links[i].Drop) << round;
        }
    }
}

TEST(ProcessFastPaths, LateralWalksMatchStepByStepWalks) {
    std::mt19937 rng(99);
    for (int round = 0; round < 400; ++round) {
        Model fast;
        RandomNetwork(fast, rng, false);
        BuildLaterals(fast);
        Model plain = fast;
        RecordingUi a, b;
        fast.SetUi(&a);
        plain.SetUi(&b);

        CheckLateralNames(fast);
        PlainNameWalks(plain);
        ASSERT_EQ(a.logs, b.logs) << round;

        CheckAllBranchSlopes(fast);
        for (int k = 1; k <= plain.LatCount; ++k) CheckBranchSlopes(plain, plain.Lat(k, LatFirst));
        ASSERT_EQ(a.logs, b.logs) << round;
        for (int i = 0; i <= fast.LineCount; ++i) ASSERT_EQ(fast.Lines[i].CalcSlope, plain.Lines[i].CalcSlope) << round;
    }
}

TEST(ProcessFastPaths, LongTrunkWithManyHeadsRunsQuickly) {
    // A trunk of 15,000 lines, each with a one-line branch: the plain walks
    // would take about 10^8 steps.
    Model m;
    const int trunk = 15000;
    m.CreateLineTables(2 * trunk, 2 * trunk);
    m.LineCount = 2 * trunk;
    for (int i = 1; i <= trunk; ++i) {
        m.Lines[i].Len = 10;
        m.Lines[i].Inv1 = static_cast<float>(trunk - i + 1);
        m.Lines[i].Inv2 = static_cast<float>(trunk - i);
        m.Links[i].NextLine = static_cast<int16_t>(i < trunk ? i + 1 : 0);
        m.Links[i].UpLine = static_cast<int16_t>(i - 1);
        int b = trunk + i;
        m.Lines[b].Len = 10;
        m.Lines[b].Inv1 = static_cast<float>(trunk - i + 3);
        m.Lines[b].Inv2 = static_cast<float>(trunk - i + 2);
        m.Links[b].NextLine = static_cast<int16_t>(i);
    }
    m.Lines[trunk].Inv2 = m.Lines[trunk].Inv1;  // one slope error at the outfall line
    m.LatCount = trunk + 1;
    RecordingUi ui;
    m.SetUi(&ui);
    BuildLaterals(m);
    CheckLateralNames(m);
    ui.clear();
    CheckAllBranchSlopes(m);
    EXPECT_EQ(std::count_if(ui.logs.begin(), ui.logs.end(),
                            [](const std::string& s) { return s.rfind("Slope error in", 0) == 0; }),
              trunk + 1);
}

}  // namespace
}  // namespace vd
