#include "engine/set_laterals.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/fixed_text.h"
#include "engine/linking.h"
#include "engine/process.h"
#include "net_builder.h"
#include "recording_ui.h"

namespace vd {
namespace {

using test::NetBuilder;
using test::RecordingUi;

bool LoggedStop(const RecordingUi& ui) {
    return std::any_of(ui.logs.begin(), ui.logs.end(),
                       [](const std::string& s) { return s.rfind("Walk stopped at line", 0) == 0; });
}

// The selection as first written: a bound above every name, a marker above
// the bound, the smallest remaining name taken once per last line.
void ReferenceNumbering(Model& m) {
    const int n = m.LineCount;
    auto isLast = [&](int k) {
        int next = m.Links[k].NextLine;
        return next == 0 || m.Links[next].UpLine != k;
    };
    std::string highest;
    std::vector<std::string> copy(n + 1);
    for (int i = 1; i <= n; ++i) {
        if (CompareText(m.Lines[i].Latral.view(), highest) > 0) highest = m.Lines[i].Latral.str();
        copy[i] = m.Lines[i].Latral.str();
    }
    int lats = 0;
    for (int k = 1; k <= n; ++k)
        if (isLast(k)) ++lats;
    m.LatCount = lats;
    m.CreateLatTable(lats);
    int counter = 0, best = 0;
    for (int k = 1; k <= n; ++k) {
        if (!isLast(k)) continue;
        std::string bound = highest + "1";
        for (int j = 1; j <= n; ++j)
            if (isLast(j) && CompareText(copy[j], bound) < 0) {
                bound = copy[j];
                best = j;
            }
        ++counter;
        m.LatTable[counter][LatLast] = best;
        copy[best] = highest + "aaa";
        for (int x = best;; x = m.Links[x].UpLine) {
            m.Links[x].LatNo = static_cast<int16_t>(counter);
            m.LatTable[counter][LatFirst] = x;
            if (m.Links[x].UpLine == 0) break;
        }
    }
}

// A random forest: lines drain to higher-numbered lines; each line's main
// feeder is one of its feeders, or none.
void RandomForest(Model& m, std::mt19937& rng, int n) {
    const char* names[] = {"01", "0101", "02", "0", " 1", "01 ", "\xe9t"};
    m.LineCount = n;
    std::vector<std::vector<int>> feeders(n + 1);
    for (int i = 1; i <= n; ++i) {
        int next = (i < n && rng() % 4 != 0) ? i + 1 + static_cast<int>(rng() % (n - i)) : 0;
        m.Links[i].NextLine = static_cast<int16_t>(next);
        if (next) feeders[next].push_back(i);
        if (rng() % 8 != 0) m.Lines[i].Latral = names[rng() % 7];  // else never assigned
        m.Lines[i].From = names[rng() % 7];
        m.Lines[i].Len = static_cast<float>(1 + rng() % 100);
        if (rng() % 10 == 0) m.Lines[i].Status = "f";
    }
    for (int j = 1; j <= n; ++j) {
        auto& f = feeders[j];
        if (!f.empty() && rng() % 5 != 0) m.Links[j].UpLine = static_cast<int16_t>(f[rng() % f.size()]);
        for (std::size_t a = 0; a < f.size() && a < 3; ++a) {
            int other = f[(a + 1) % f.size()];
            if (other != f[a]) m.Links[f[a]].Branch1 = static_cast<int16_t>(other);
        }
    }
}

TEST(NumberLateralsByName, SameOrderAsSelectionOnRandomNetworks) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        Model a;
        RandomForest(a, rng, 1 + static_cast<int>(rng() % 40));
        Model b = a;
        ReferenceNumbering(a);
        EXPECT_EQ(NumberLateralsByName(b), a.LatCount);
        ASSERT_EQ(b.LatCount, a.LatCount);
        for (int L = 1; L <= a.LatCount; ++L) {
            EXPECT_EQ(b.Lat(L, LatFirst), a.Lat(L, LatFirst)) << round << " " << L;
            EXPECT_EQ(b.Lat(L, LatLast), a.Lat(L, LatLast)) << round << " " << L;
        }
        for (int i = 1; i <= a.LineCount; ++i) EXPECT_EQ(b.Links[i].LatNo, a.Links[i].LatNo) << round;
    }
}

TEST(NumberLateralsByName, UpwardLoopStops) {
    Model m;
    RecordingUi ui;
    m.SetUi(&ui);
    NetBuilder net(m);
    net.line("A", "B").lat("01");
    net.line("B", "A").lat("01");
    m.Links[1].UpLine = 2;
    m.Links[2].UpLine = 1;
    EXPECT_EQ(NumberLateralsByName(m), 2);
    EXPECT_TRUE(LoggedStop(ui));
}

struct SetLateralsRun : ::testing::Test {
    Model m;
    RecordingUi ui;
    NetBuilder net{m};
    std::string folder;
    void SetUp() override {
        m.SetUi(&ui);
        char tmpl[] = "/tmp/vd_setlat_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        folder = std::string(tmpl) + "/";
        m.ProjectFolder = folder;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    void Process() {
        BuildNetworkLinks(m);
        ProcessNetwork(m);
    }
};

TEST_F(SetLateralsRun, NamesPushedDownUntilASmallerOne) {
    net.line("A", "B").len(10).gr(10, 10).inv(9, 8.9f).lat("01");
    net.line("B", "C").len(10).gr(10, 10).inv(8.9f, 8.8f).lat("05");
    net.line("C", "D").len(10).gr(10, 10).inv(8.8f, 8.7f).lat("07");
    net.line("D", "E").len(10).gr(10, 10).inv(8.7f, 8.6f).lat("00");
    Process();
    SetLaterals(m);
    const char* want[] = {"", "01", "01", "01", "00"};
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(m.Lines[i].Latral.rtrim(), want[i]) << i;
    EXPECT_TRUE(std::filesystem::exists(folder + "temp.asb"));
    EXPECT_GE(m.LatCount, 1);
}

TEST_F(SetLateralsRun, BranchWithGreaterNameKeepsItAtTheJunction) {
    net.line("A", "B").len(10).gr(10, 10).inv(9, 8.9f).lat("01");
    net.line("B", "C").len(10).gr(10, 10).inv(8.9f, 8.8f).lat("01");
    net.line("D", "B").len(10).gr(10, 10).inv(9, 8.9f).lat("0101");
    Process();
    SetLaterals(m);
    EXPECT_EQ(m.Lines[1].Latral.rtrim(), "01");
    EXPECT_EQ(m.Lines[2].Latral.rtrim(), "01");
    EXPECT_EQ(m.Lines[3].Latral.rtrim(), "0101");
}

TEST_F(SetLateralsRun, LoopBelowAHeadEndsTheWalk) {
    net.line("A", "B").lat("01");
    net.line("B", "C").lat("01");
    net.line("C", "A").lat("01");
    m.Links[1].NextLine = 2;
    m.Links[2].NextLine = 3;
    m.Links[3].NextLine = 1;
    m.LatCount = 1;
    m.CreateLatTable(1);
    m.LatTable[1][LatFirst] = 1;
    SetLaterals(m);
    EXPECT_TRUE(LoggedStop(ui));
    EXPECT_EQ(m.Lines[0].Latral, LineRecord{}.Latral);
    EXPECT_EQ(m.Links[0].UpLine, 0);
}

TEST_F(SetLateralsRun, AllNamesZeroNumbersNothing) {
    net.line("A", "B").lat("0");
    net.line("B", "C").lat("0");
    net.line("D", "B").lat("0");
    m.Links[1].NextLine = 2;
    m.Links[3].NextLine = 2;
    m.Links[1].Branch1 = 3;
    m.Links[3].Branch1 = 1;
    m.Links[2].UpLine = 3;
    m.LatCount = 2;
    SetLaterals(m);
    EXPECT_EQ(m.LatCount, 0);
    EXPECT_EQ(m.Links[2].UpLine, 1);  // line 3, taken last, names its sibling
    EXPECT_FALSE(std::filesystem::exists(folder + "temp.asb"));
}

TEST_F(SetLateralsRun, NoFolderNoSnapshot) {
    m.ProjectFolder.clear();
    net.line("A", "B").len(10).gr(10, 10).inv(9, 8.9f).lat("01");
    Process();
    SetLaterals(m);
    EXPECT_EQ(std::count(ui.logs.begin(), ui.logs.end(), "temp.asb not written: the project has no folder"), 4);
    EXPECT_EQ(m.LatCount, 1);
}

}  // namespace
}  // namespace vd
