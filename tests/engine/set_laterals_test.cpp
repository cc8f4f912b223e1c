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
#include "temp_dir.h"

namespace vd {
namespace {

bool LoggedStop(const test::RecordingUi& ui) {
    return std::any_of(ui.logs.begin(), ui.logs.end(), [](const std::string& s) { return s.rfind("Walk stopped", 0) == 0; });
}

// The numbering as first written: per last line, the smallest remaining name
// under a bound above every name, then marked taken with a greater text.
void ReferenceNumbering(Model& m) {
    const int n = m.LineCount;
    auto isLast = [&](int k) { return m.Links[k].NextLine == 0 || m.Links[m.Links[k].NextLine].UpLine != k; };
    std::string highest;
    std::vector<std::string> copy(n + 1);
    int lats = 0;
    for (int i = 1; i <= n; ++i) {
        if (CompareText(m.Lines[i].Latral.view(), highest) > 0) highest = m.Lines[i].Latral.str();
        copy[i] = m.Lines[i].Latral.str();
        lats += isLast(i);
    }
    m.LatCount = lats;
    m.CreateLatTable(lats);
    int counter = 0, best = 0;
    for (int k = 1; k <= n; ++k) {
        if (!isLast(k)) continue;
        std::string bound = highest + "1";
        for (int j = 1; j <= n; ++j)
            if (isLast(j) && CompareText(copy[j], bound) < 0) bound = copy[best = j];
        m.LatTable[++counter][LatLast] = best;
        copy[best] = highest + "aaa";
        for (int x = best; x != 0; x = m.Links[x].UpLine) {
            m.Links[x].LatNo = static_cast<int16_t>(counter);
            m.LatTable[counter][LatFirst] = x;
        }
    }
}

TEST(NumberLateralsByName, SameOrderAsSelectionOnRandomNetworks) {
    const char* names[] = {"01", "0101", "02", "0", " 1", "01 ", "\xe9t"};
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        Model a;
        const int n = a.LineCount = 1 + static_cast<int>(rng() % 40);
        std::vector<std::vector<int>> feeders(n + 1);
        for (int i = 1; i <= n; ++i) {
            int next = (i < n && rng() % 4 != 0) ? i + 1 + static_cast<int>(rng() % (n - i)) : 0;
            a.Links[i].NextLine = static_cast<int16_t>(next);
            feeders[next].push_back(i);
            if (rng() % 8 != 0) a.Lines[i].Latral = names[rng() % 7];  // else never assigned
        }
        for (int j = 1; j <= n; ++j)
            if (!feeders[j].empty() && rng() % 5 != 0)
                a.Links[j].UpLine = static_cast<int16_t>(feeders[j][rng() % feeders[j].size()]);
        Model b = a;
        ReferenceNumbering(a);
        EXPECT_EQ(NumberLateralsByName(b), a.LatCount);
        ASSERT_EQ(b.LatTable, a.LatTable) << round;
        for (int i = 1; i <= n; ++i) EXPECT_EQ(b.Links[i].LatNo, a.Links[i].LatNo) << round;
    }
}

TEST(NumberLateralsByName, FlaggedLinesAddNoEmptyRowsAndProgressPerSelection) {
    Model m;
    test::RecordingUi ui;
    m.SetUi(&ui);
    test::NetBuilder net(m);
    net.line("A", "B").lat("02");
    net.line("B", "C").lat("02").status("xf");  // a flag, not a lateral of its own here
    net.line("D", "C").lat("01");
    m.Links[1].NextLine = 2;
    m.Links[2].UpLine = 1;
    m.Links[3].NextLine = 0;
    EXPECT_EQ(NumberLateralsByName(m), 2);
    EXPECT_EQ(m.LatCount, 2);
    EXPECT_EQ(m.LatTable.size(), 3u);
    const int first[] = {0, 3, 1}, last[] = {0, 3, 2};
    for (int L = 1; L <= 2; ++L) {
        EXPECT_EQ(m.Lat(L, LatFirst), first[L]) << L;
        EXPECT_EQ(m.Lat(L, LatLast), last[L]) << L;
    }
    std::vector<int> progress;
    for (const auto& e : ui.events)
        if (e.kind == test::UiEvent::Progress) progress.push_back(e.value);
    EXPECT_EQ(progress, (std::vector<int>{66, 100}));  // last lines 2 and 3 of 3, truncated
    EXPECT_EQ(m.Lines[2].Status.rtrim(), "xf");
}

struct SetLateralsRun : ::testing::Test {
    Model m;
    test::RecordingUi ui;
    test::NetBuilder net{m};
    test::TempDir tmp{"vd_setlat"};
    std::string folder;
    void SetUp() override {
        m.SetUi(&ui);
        m.ProjectFolder = folder = tmp.folder();
    }
    // A chain or tree of 10 m lines falling 0.1 m each.
    void Line(const char* from, const char* to, const char* lat, float inv1) {
        net.line(from, to).len(10).gr(10, 10).inv(inv1, inv1 - 0.1f).lat(lat);
    }
    void Process() {
        BuildNetworkLinks(m);
        ProcessNetwork(m);
    }
};

TEST_F(SetLateralsRun, NamesPushedDownUntilASmallerOne) {
    Line("A", "B", "01", 9);
    Line("B", "C", "05", 8.9f);
    Line("C", "D", "07", 8.8f);
    Line("D", "E", "00", 8.7f);
    Line("F", "C", "0101", 9);  // a branch joining a greater name crosses it...
    Process();
    SetLaterals(m);
    const char* want[] = {"", "01", "01", "01", "00", "0101"};  // ...but the head's name wins below
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(m.Lines[i].Latral.rtrim(), want[i]) << i;
    EXPECT_TRUE(std::filesystem::exists(folder + "temp.asb"));
    EXPECT_GE(m.LatCount, 1);
}

TEST_F(SetLateralsRun, LoopsEndTheWalks) {
    // Down: a ring below a head with equal names.
    for (const char* ft : {"AB", "BC", "CA"}) net.line(std::string(1, ft[0]), std::string(1, ft[1])).lat("01");
    m.Links[1].NextLine = 2;
    m.Links[2].NextLine = 3;
    m.Links[3].NextLine = 1;
    m.LatCount = 1;
    m.CreateLatTable(1);
    m.LatTable[1][LatFirst] = 1;
    SetLaterals(m);
    EXPECT_TRUE(LoggedStop(ui));
    EXPECT_TRUE(m.Lines[0].Latral.unassigned());
    EXPECT_EQ(m.Links[0].UpLine, 0);

    // Up: two lines each the other's main feeder.
    ui.clear();
    Model two;
    two.SetUi(&ui);
    test::NetBuilder(two).line("A", "B").lat("01");
    test::NetBuilder(two).line("B", "A").lat("01");
    two.Links[1].UpLine = 2;
    two.Links[2].UpLine = 1;
    EXPECT_EQ(NumberLateralsByName(two), 2);
    EXPECT_TRUE(LoggedStop(ui));
}

TEST_F(SetLateralsRun, AllNamesZeroNumbersNothing) {
    for (const char* ft : {"AB", "BC", "DB"}) net.line(std::string(1, ft[0]), std::string(1, ft[1])).lat("0");
    m.Links[1].NextLine = m.Links[3].NextLine = 2;
    m.Links[1].Branch1 = 3;
    m.Links[3].Branch1 = 1;
    m.Links[2].UpLine = 3;
    m.LatCount = 2;
    SetLaterals(m);
    EXPECT_EQ(m.LatCount, 0);
    EXPECT_EQ(m.Links[2].UpLine, 1);  // line 3, taken last, names its same-named sibling
    EXPECT_FALSE(std::filesystem::exists(folder + "temp.asb"));
}

TEST_F(SetLateralsRun, NoFolderNoSnapshot) {
    m.ProjectFolder.clear();
    Line("A", "B", "01", 9);
    Process();
    SetLaterals(m);
    EXPECT_EQ(std::count(ui.logs.begin(), ui.logs.end(), "temp.asb not written: the project has no folder"), 4);
    EXPECT_EQ(m.LatCount, 1);
}

}  // namespace
}  // namespace vd
