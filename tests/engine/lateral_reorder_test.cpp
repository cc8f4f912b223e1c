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

// The renumbering as first written: per head line, the smallest remaining key
// under a bound above every key, then marked taken with a greater text.
void ReferenceReorder(Model& m, bool byStart) {
    const int n = m.LineCount;
    auto key = [&](int i) { return byStart ? m.Lines[i].From.str() : m.Lines[i].Latral.str(); };
    std::vector<std::string> copy(n + 1);
    std::string highest = key(1);
    for (int j = 1; j <= n; ++j) {
        if (CompareText(copy[j] = key(j), highest) > 0) highest = copy[j];
        for (int b : {m.Links[j].Branch1, m.Links[j].Branch2})
            if (m.Links[j].NextLine != 0 && b >= 1 && m.Lines[b].Latral == m.Lines[j].Latral)
                m.Links[m.Links[j].NextLine].UpLine = static_cast<int16_t>(b);
    }
    int heads = 0, counter = 0, chosen = 0;
    for (int i = 1; i <= n; ++i) heads += m.Links[i].UpLine == 0;
    m.LatCount = heads;
    m.CreateLatTable(heads);
    for (int i = 1; i <= n; ++i) {
        if (m.Links[i].UpLine != 0) continue;
        std::string bound = highest + "1";
        for (int j = 1; j <= n; ++j)
            if (m.Links[j].UpLine == 0 && CompareText(copy[j], bound) < 0) bound = copy[chosen = j];
        copy[chosen] = highest + "zzz";
        m.LatTable[++counter][LatFirst] = chosen;
        int k = chosen;
        for (;; k = m.Links[k].NextLine) {
            m.Links[k].LatNo = static_cast<int16_t>(counter);
            if (m.Links[k].NextLine == 0 || m.Links[m.Links[k].NextLine].UpLine != k) break;
        }
        m.LatTable[counter][LatLast] = k;
    }
    for (int L = 1; L <= heads; ++L) {
        int k = m.Lat(L, LatFirst);
        m.Results[k].Chainage = 0;
        for (; k != m.Lat(L, LatLast); k = m.Links[k].NextLine)
            m.Results[m.Links[k].NextLine].Chainage = m.Lines[k].Len + m.Results[k].Chainage;
    }
}

TEST(LateralReorder, SameOrderAsSelectionOnRandomNetworks) {
    const char* names[] = {"01", "0101", "02", "0", " ", "MH1", "\xe9t"};
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        Model a;
        const int n = a.LineCount = 1 + static_cast<int>(rng() % 40);
        std::vector<std::vector<int>> feeders(n + 1);
        for (int i = 1; i <= n; ++i) {
            int next = (i < n && rng() % 4 != 0) ? i + 1 + static_cast<int>(rng() % (n - i)) : 0;
            a.Links[i].NextLine = static_cast<int16_t>(next);
            feeders[next].push_back(i);
            if (rng() % 8 != 0) a.Lines[i].Latral = names[rng() % 7];
            if (rng() % 8 != 0) a.Lines[i].From = names[rng() % 7];
            a.Lines[i].Len = static_cast<float>(1 + rng() % 100) / 4;
            if (rng() % 10 == 0) a.Lines[i].Status = "xF";
        }
        for (int j = 1; j <= n; ++j) {
            const auto& f = feeders[j];
            if (!f.empty() && rng() % 5 != 0) a.Links[j].UpLine = static_cast<int16_t>(f[rng() % f.size()]);
            for (std::size_t s = 0; s + 1 < f.size() && s < 3; ++s) {
                a.Links[f[s]].Branch1 = static_cast<int16_t>(f[s + 1]);
                a.Links[f[s + 1]].Branch2 = static_cast<int16_t>(f[s]);
            }
        }
        const bool byStart = round % 2 == 1;
        Model b = a;
        ReferenceReorder(a, byStart);
        byStart ? SortLateralsByStart(b) : SheetByLateral(b);
        ASSERT_EQ(b.LatCount, a.LatCount) << round;
        for (int L = 1; L <= a.LatCount; ++L) {
            EXPECT_EQ(b.Lat(L, LatFirst), a.Lat(L, LatFirst)) << round;
            EXPECT_EQ(b.Lat(L, LatLast), a.Lat(L, LatLast)) << round;
        }
        for (int i = 0; i <= n; ++i) {
            EXPECT_EQ(b.Links[i].LatNo, a.Links[i].LatNo) << round;
            EXPECT_EQ(b.Links[i].UpLine, a.Links[i].UpLine) << round;
            EXPECT_EQ(b.Results[i].Chainage, a.Results[i].Chainage) << round;
        }
    }
}

TEST(LateralReorder, KeysChainageAndSheets) {
    Model m;
    test::RecordingUi ui;
    m.SetUi(&ui);
    test::NetBuilder net(m);
    net.line("P", "Q").len(10).lat("02");             // 1 head
    net.line("Q", "R").len(20).lat("02");             // 2
    net.line("A", "R").len(5).lat("01");              // 3 head
    net.line("R", "S").len(7).lat("02").status("F");  // 4: not a head here
    net.line("", "T").len(1);                         // 5 head, never-assigned name
    net.line("B", "T").len(1).lat("01");              // 6 head, same name as line 3
    m.Links[1].NextLine = 2;
    m.Links[2].UpLine = 1;
    m.Links[2].NextLine = m.Links[3].NextLine = 4;
    m.Links[4].UpLine = 2;

    SheetByLateral(m);
    ASSERT_EQ(m.LatCount, 4);
    const int first[] = {0, 5, 3, 6, 1}, last[] = {0, 5, 3, 6, 4};
    for (int L = 1; L <= 4; ++L) {
        EXPECT_EQ(m.Lat(L, LatFirst), first[L]) << L;
        EXPECT_EQ(m.Lat(L, LatLast), last[L]) << L;
    }
    EXPECT_EQ(m.Results[2].Chainage, 10);
    EXPECT_EQ(m.Results[4].Chainage, 30);
    std::vector<int> progress;
    for (const auto& e : ui.events)
        if (e.kind == test::UiEvent::Progress) progress.push_back(e.value);
    EXPECT_EQ(progress, (std::vector<int>{16, 50, 83, 100, 0}));  // heads 1, 3, 5, 6 of 6, truncated; back to 0
    EXPECT_EQ(m.Lines[4].Status.rtrim(), "F");
    EXPECT_GE(m.SheetCount, 1);
    EXPECT_TRUE(ui.boxes.empty());

    ui.clear();
    SortLateralsByStart(m);  // "", "A", "B", "P"
    EXPECT_TRUE(ui.events.empty());  // no progress, no message
    for (int L = 1; L <= 4; ++L) EXPECT_EQ(m.Lat(L, LatFirst), first[L]) << L;

    Model empty;
    empty.LatCount = 3;
    empty.CreateLatTable(3);
    SortLateralsByStart(empty);
    EXPECT_EQ(empty.LineCount, 0);
    EXPECT_EQ(empty.LatCount, 3);
    EXPECT_EQ(empty.LatTable.size(), 4u);
}

TEST(LateralReorder, SameNamedSiblingsNeverTouchTheTemplate) {
    Model m;
    test::NetBuilder net(m);
    for (const char* ft : {"AC", "BC", "CD"}) net.line(std::string(1, ft[0]), std::string(1, ft[1])).lat("01");
    for (const char* ft : {"EF", "GF"}) net.line(std::string(1, ft[0]), std::string(1, ft[1])).lat("03");
    m.Links[1].NextLine = m.Links[2].NextLine = 3;
    m.Links[1].Branch1 = 2;
    m.Links[2].Branch1 = 1;
    m.Links[3].UpLine = 2;
    m.Links[4].Branch1 = 5;  // both at an outfall
    m.Links[5].Branch1 = 4;
    SheetByLateral(m);
    EXPECT_EQ(m.Links[3].UpLine, 1);
    EXPECT_EQ(m.Lat(1, LatLast), 3);
    EXPECT_EQ(m.Links[0].UpLine, 0);
    EXPECT_EQ(m.Results[0].Chainage, 0);
}

}  // namespace
}  // namespace vd
