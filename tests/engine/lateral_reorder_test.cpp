#include "engine/lateral_reorder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/fixed_text.h"
#include "net_builder.h"
#include "recording_ui.h"

namespace vd {
namespace {

using test::NetBuilder;
using test::RecordingUi;

// The renumbering as first written: a selection per head line, the smallest
// remaining key under a bound above every key, a marker above the bound.
void ReferenceReorder(Model& m, bool byStart) {
    const int n = m.LineCount;
    auto key = [&](int i) { return byStart ? m.Lines[i].From.str() : m.Lines[i].Latral.str(); };
    std::vector<std::string> copy(n + 1);
    std::string highest = key(1);
    for (int j = 1; j <= n; ++j) {
        copy[j] = key(j);
        if (CompareText(copy[j], highest) > 0) highest = copy[j];
        int next = m.Links[j].NextLine;
        if (next == 0) continue;
        for (int b : {m.Links[j].Branch1, m.Links[j].Branch2})
            if (b >= 1 && m.Lines[b].Latral == m.Lines[j].Latral) m.Links[next].UpLine = static_cast<int16_t>(b);
    }
    int heads = 0;
    for (int i = 1; i <= n; ++i) heads += m.Links[i].UpLine == 0;
    m.LatCount = heads;
    m.CreateLatTable(heads);
    int counter = 0, chosen = 0;
    for (int i = 1; i <= n; ++i) {
        if (m.Links[i].UpLine != 0) continue;
        std::string bound = highest + "1";
        for (int j = 1; j <= n; ++j)
            if (m.Links[j].UpLine == 0 && CompareText(copy[j], bound) < 0) {
                bound = copy[j];
                chosen = j;
            }
        copy[chosen] = highest + "zzz";
        ++counter;
        m.LatTable[counter][LatFirst] = chosen;
        for (int k = chosen;;) {
            m.Links[k].LatNo = static_cast<int16_t>(counter);
            int next = m.Links[k].NextLine;
            if (next == 0 || m.Links[next].UpLine != k) {
                m.LatTable[counter][LatLast] = k;
                break;
            }
            k = next;
        }
    }
    for (int L = 1; L <= heads; ++L) {
        int k = m.Lat(L, LatFirst);
        m.Results[k].Chainage = 0;
        while (k != m.Lat(L, LatLast)) {
            int next = m.Links[k].NextLine;
            m.Results[next].Chainage = m.Lines[k].Len + m.Results[k].Chainage;
            k = next;
        }
    }
}

void RandomForest(Model& m, std::mt19937& rng, int n) {
    const char* names[] = {"01", "0101", "02", "0", " ", "MH1", "\xe9t"};
    m.LineCount = n;
    std::vector<std::vector<int>> feeders(n + 1);
    for (int i = 1; i <= n; ++i) {
        int next = (i < n && rng() % 4 != 0) ? i + 1 + static_cast<int>(rng() % (n - i)) : 0;
        m.Links[i].NextLine = static_cast<int16_t>(next);
        if (next) feeders[next].push_back(i);
        if (rng() % 8 != 0) m.Lines[i].Latral = names[rng() % 7];
        if (rng() % 8 != 0) m.Lines[i].From = names[rng() % 7];
        m.Lines[i].Len = static_cast<float>(1 + rng() % 100) / 4;
        if (rng() % 10 == 0) m.Lines[i].Status = "xF";
    }
    for (int j = 1; j <= n; ++j) {
        const auto& f = feeders[j];
        if (!f.empty() && rng() % 5 != 0) m.Links[j].UpLine = static_cast<int16_t>(f[rng() % f.size()]);
        for (std::size_t a = 0; a + 1 < f.size() && a < 3; ++a) {
            m.Links[f[a]].Branch1 = static_cast<int16_t>(f[a + 1]);
            m.Links[f[a + 1]].Branch2 = static_cast<int16_t>(f[a]);
        }
    }
}

TEST(LateralReorder, SameOrderAsSelectionOnRandomNetworks) {
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        const bool byStart = round % 2 == 1;
        Model a;
        RandomForest(a, rng, 1 + static_cast<int>(rng() % 40));
        Model b = a;
        ReferenceReorder(a, byStart);
        if (byStart)
            SortLateralsByStart(b);
        else
            SheetByLateral(b);
        ASSERT_EQ(b.LatCount, a.LatCount) << round;
        for (int L = 1; L <= a.LatCount; ++L) {
            EXPECT_EQ(b.Lat(L, LatFirst), a.Lat(L, LatFirst)) << round << " " << L;
            EXPECT_EQ(b.Lat(L, LatLast), a.Lat(L, LatLast)) << round << " " << L;
        }
        for (int i = 0; i <= a.LineCount; ++i) {
            EXPECT_EQ(b.Links[i].LatNo, a.Links[i].LatNo) << round << " " << i;
            EXPECT_EQ(b.Links[i].UpLine, a.Links[i].UpLine) << round << " " << i;
            EXPECT_EQ(b.Results[i].Chainage, a.Results[i].Chainage) << round << " " << i;
        }
    }
}

struct Reorder : ::testing::Test {
    Model m;
    RecordingUi ui;
    NetBuilder net{m};
    void SetUp() override { m.SetUi(&ui); }
};

TEST_F(Reorder, KeysChainageAndSheets) {
    net.line("P", "Q").len(10).lat("02");            // 1 head
    net.line("Q", "R").len(20).lat("02");            // 2
    net.line("A", "R").len(5).lat("01");             // 3 head
    net.line("R", "S").len(7).lat("02").status("F"); // 4: not a head
    net.line("", "T").len(1);                        // 5 head, From and Latral blank
    net.line("B", "T").len(1).lat("01");             // 6 head, same name as line 3
    m.Links[1].NextLine = 2;
    m.Links[2].UpLine = 1;
    m.Links[2].NextLine = 4;
    m.Links[3].NextLine = 4;
    m.Links[4].UpLine = 2;
    m.Lines[5].Latral.clear();

    SheetByLateral(m);
    ASSERT_EQ(m.LatCount, 4);  // the "F" line heads no lateral here
    const int first[] = {0, 5, 3, 6, 1}, last[] = {0, 5, 3, 6, 4};
    for (int L = 1; L <= 4; ++L) {
        EXPECT_EQ(m.Lat(L, LatFirst), first[L]) << L;
        EXPECT_EQ(m.Lat(L, LatLast), last[L]) << L;
    }
    EXPECT_EQ(m.Results[1].Chainage, 0);
    EXPECT_EQ(m.Results[2].Chainage, 10);
    EXPECT_EQ(m.Results[4].Chainage, 30);
    EXPECT_EQ(m.Links[4].LatNo, 4);
    EXPECT_EQ(ui.progress, 100);  // the last head is line 6 of 6
    EXPECT_GE(m.SheetCount, 1);
    EXPECT_TRUE(ui.boxes.empty());

    SortLateralsByStart(m);
    const int byStart[] = {0, 5, 3, 6, 1};  // "", "A", "B", "P"
    for (int L = 1; L <= 4; ++L) EXPECT_EQ(m.Lat(L, LatFirst), byStart[L]) << L;
}

TEST_F(Reorder, SameNamedSiblingsNeverTouchTheTemplate) {
    net.line("A", "C").lat("01");
    net.line("B", "C").lat("01");
    net.line("C", "D").lat("01");
    net.line("E", "F").lat("03");
    net.line("G", "F").lat("03");
    for (int i : {1, 2}) m.Links[i].NextLine = 3;
    m.Links[1].Branch1 = 2;
    m.Links[2].Branch1 = 1;
    m.Links[3].UpLine = 2;
    m.Links[4].Branch1 = 5;  // both end at an outfall
    m.Links[5].Branch1 = 4;
    SheetByLateral(m);
    EXPECT_EQ(m.Links[3].UpLine, 1);
    EXPECT_EQ(m.Lat(1, LatFirst), 1);
    EXPECT_EQ(m.Lat(1, LatLast), 3);
    EXPECT_EQ(m.Links[0].UpLine, 0);
    EXPECT_EQ(m.Results[0].Chainage, 0);
}

TEST_F(Reorder, EmptyNetworkLeftAsItIs) {
    m.LatCount = 3;
    m.CreateLatTable(3);
    SortLateralsByStart(m);
    EXPECT_EQ(m.LineCount, 0);
    EXPECT_EQ(m.LatCount, 3);
    EXPECT_EQ(m.LatTable.size(), 4u);
}

}  // namespace
}  // namespace vd
