#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/errors.h"
#include "engine/lateral_naming.h"
#include "engine/linking.h"
#include "engine/number_text.h"
#include "net_builder.h"
#include "recording_ui.h"

namespace vd {
namespace {

using test::NetBuilder;
using test::RecordingUi;

std::string Lat(const Model& m, int i) { return m.Lines[i].Latral.rtrim(); }
std::string Seq(const Model& m, int i) { return m.Lines[i].SeqText.rtrim(); }

// Line number now holding the line that starts at `from`.
int LineFrom(const Model& m, const std::string& from) {
    for (int i = 1; i <= m.LineCount; ++i)
        if (m.Lines[i].From.trim() == from) return i;
    return 0;
}

void Name(Model& m) {
    BuildNetworkLinks(m);
    NameLaterals(m);
}

TEST(NameLaterals, ThreeLineJunction) {
    Model m;
    NetBuilder net(m);
    net.line("A", "B").len(300).dia(300).lat("0");
    net.line("B", "C").len(400).dia(400).lat("0");
    net.line("D", "B").len(200).dia(200).lat("0");
    Name(m);

    // New order: the branch D->B first, then the outfall lateral A->B->C.
    const char* from[] = {"", "D", "A", "B"};
    const char* name[] = {"", "0101", "01", "01"};
    const int level[] = {0, 2, 1, 1};
    const char* seq[] = {"", "1", "2", "3"};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(m.Lines[i].From.trim(), from[i]) << i;
        EXPECT_EQ(Lat(m, i), name[i]) << i;
        EXPECT_EQ(m.Lines[i].Level, level[i]) << i;
        EXPECT_EQ(Seq(m, i), seq[i]) << i;
    }
    // Linked again for the new order; "01" sorts below "0101".
    EXPECT_EQ(m.Links[1].NextLine, 3);
    EXPECT_EQ(m.Links[2].NextLine, 3);
    EXPECT_EQ(m.Links[3].UpLine, 2);
    // The lateral table keeps the numbering from before the reorder.
    ASSERT_EQ(m.LatCount, 2);
    EXPECT_EQ(m.Lat(1, LatFirst), 1);
    EXPECT_EQ(m.Lat(1, LatLast), 2);
    EXPECT_EQ(m.Lat(2, LatFirst), 3);
    EXPECT_EQ(m.Lat(2, LatLast), 3);
    EXPECT_EQ(m.Links[3].LatNo, 2);
    // The template row is never written.
    EXPECT_TRUE(m.Lines[0].Latral.unassigned());
    EXPECT_TRUE(m.Lines[0].SeqText.unassigned());
    EXPECT_EQ(m.Lines[0].Level, 0);
    EXPECT_EQ(m.Links[0].LatNo, 0);
}

TEST(NameLaterals, OneLine) {
    Model m;
    NetBuilder(m).line("A", "B").dia(300);
    Name(m);
    EXPECT_EQ(Lat(m, 1), "01");
    EXPECT_EQ(m.Lines[1].Level, 1);
    EXPECT_EQ(Seq(m, 1), "1");
    EXPECT_EQ(m.LatCount, 1);
}

// Which feeder continues the lateral at a junction into B, by diameter.
TEST(NameLaterals, MainFeederByDiameter) {
    struct Case { float diaA, diaD; const char* nameA; const char* nameD; };
    const Case cases[] = {
        {300, 200, "01", "0101"},  // the linked main line is heavier
        {200, 200, "01", "0101"},  // a tie keeps the linked main line
        {200, 300, "0101", "01"},  // the heavier feeder takes over
        {0, 200, "0101", "01"},    // no diameter weighs nothing
        {-5, 0, "01", "0101"},     // both weigh nothing: the linked line stays
    };
    for (const auto& c : cases) {
        Model m;
        NetBuilder net(m);
        net.line("A", "B").dia(c.diaA);
        net.line("B", "C").dia(400);
        net.line("D", "B").dia(c.diaD);
        Name(m);
        EXPECT_EQ(Lat(m, LineFrom(m, "A")), c.nameA) << c.diaA << " " << c.diaD;
        EXPECT_EQ(Lat(m, LineFrom(m, "D")), c.nameD) << c.diaA << " " << c.diaD;
        EXPECT_EQ(Lat(m, LineFrom(m, "B")), "01");
    }
}

TEST(NameLaterals, ThirdFeederIsWalkedTwoPassesLater) {
    Model m;
    NetBuilder net(m);
    net.line("A", "B").dia(200);
    net.line("B", "C").dia(400);
    net.line("D", "B").dia(200);
    net.line("E", "B").dia(200);
    net.line("F", "E").dia(200);
    Name(m);
    struct Want { const char* from; const char* name; int level; };
    const Want want[] = {{"A", "01", 1}, {"B", "01", 1}, {"D", "0101", 2}, {"E", "0102", 3}, {"F", "0102", 3}};
    for (const auto& w : want) {
        int i = LineFrom(m, w.from);
        ASSERT_GT(i, 0) << w.from;
        EXPECT_EQ(Lat(m, i), w.name) << w.from;
        EXPECT_EQ(m.Lines[i].Level, w.level) << w.from;
    }
}

// In passes after the first, the sibling counter runs on across laterals.
TEST(NameLaterals, SiblingCounterRunsOnWithinAPass) {
    Model m;
    NetBuilder net(m);
    for (auto [f, t] : std::vector<std::pair<const char*, const char*>>{
             {"S", "J2"}, {"J2", "J1"}, {"J1", "OUT"},                 // outfall lateral
             {"XS", "XJa"}, {"XJa", "XJb"}, {"XJb", "J1"},             // branch X
             {"U1", "XJb"}, {"U2", "XJa"},                             // two branches of X
             {"YS", "YJ"}, {"YJ", "J2"}, {"V", "YJ"}})                 // branch Y, one branch
        net.line(f, t).dia(300);
    Name(m);
    struct Want { const char* from; const char* name; int level; };
    const Want want[] = {{"S", "01", 1},     {"J1", "01", 1},     {"XS", "0101", 2}, {"YS", "0102", 2},
                         {"U1", "010101", 3}, {"U2", "010102", 3}, {"V", "010203", 3}};
    for (const auto& w : want) {
        int i = LineFrom(m, w.from);
        ASSERT_GT(i, 0) << w.from;
        EXPECT_EQ(Lat(m, i), w.name) << w.from;
        EXPECT_EQ(m.Lines[i].Level, w.level) << w.from;
    }
}

// Branches nested deeper than six passes: the one found in the sixth pass
// carries its name on its last line only, and its own branches stay "00".
TEST(NameLaterals, BranchesBeyondTheSixthPassAreNotWalked) {
    Model m;
    NetBuilder net(m);
    net.line("S0", "J0").dia(300);
    net.line("J0", "OUT").dia(400);
    for (int k = 1; k <= 8; ++k) {
        net.line("S" + std::to_string(k), "J" + std::to_string(k)).dia(300);
        net.line("J" + std::to_string(k), "J" + std::to_string(k - 1)).dia(200);
    }
    Name(m);
    auto repeat01 = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += "01";
        return s;
    };
    for (int k = 1; k <= 8; ++k) {
        int b = LineFrom(m, "J" + std::to_string(k));
        int s = LineFrom(m, "S" + std::to_string(k));
        ASSERT_GT(b, 0);
        ASSERT_GT(s, 0);
        if (k <= 5) {
            EXPECT_EQ(Lat(m, b), repeat01(k + 1)) << k;
            EXPECT_EQ(Lat(m, s), repeat01(k + 1)) << k;
            EXPECT_EQ(m.Lines[s].Level, k + 1) << k;
        } else if (k == 6) {
            EXPECT_EQ(Lat(m, b), repeat01(7));
            EXPECT_EQ(m.Lines[b].Level, 7);
            EXPECT_EQ(Lat(m, s), "00");
            EXPECT_EQ(m.Lines[s].Level, 0);
        } else {
            EXPECT_EQ(Lat(m, b), "00") << k;
            EXPECT_EQ(m.Lines[b].Level, 0) << k;
        }
    }
}

TEST(NameLaterals, OutfallNumbersPassNine) {
    Model m;
    NetBuilder net(m);
    for (int k = 1; k <= 100; ++k) net.line("A" + std::to_string(k), "").dia(200);
    Name(m);
    // The highest head line comes first after the reorder.
    EXPECT_EQ(Lat(m, 1), "100");
    EXPECT_EQ(Lat(m, 91), "10");
    EXPECT_EQ(Lat(m, 92), "09");
    EXPECT_EQ(Lat(m, 100), "01");
    EXPECT_EQ(m.Lines[100].From.trim(), "A1");
}

TEST(NameLaterals, CyclesEndEveryWalk) {
    {  // every line on a cycle: no head lines
        Model m;
        NetBuilder net(m);
        net.line("A", "B").dia(200);
        net.line("B", "A").dia(200);
        m.Lines[2].SeqText = "7";
        Name(m);
        EXPECT_EQ(m.LatCount, 0);
        EXPECT_EQ(Lat(m, 1), "00");
        EXPECT_EQ(Lat(m, 2), "00");
        EXPECT_TRUE(m.Lines[1].SeqText.unassigned());
        EXPECT_EQ(Seq(m, 2), "7");
    }
    {  // a head line draining into a cycle
        Model m;
        RecordingUi ui;
        m.SetUi(&ui);
        NetBuilder net(m);
        net.line("X", "A").dia(200);
        net.line("A", "B").dia(200);
        net.line("B", "A").dia(200);
        Name(m);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(Lat(m, i), "00") << i;
        EXPECT_TRUE(std::any_of(ui.logs.begin(), ui.logs.end(),
                                [](const std::string& s) { return s.find("Loop") != std::string::npos; }));
    }
}

// The first-match/exchange rule exactly as stated, for comparison.
double RefValue(const FixedText<8>& t) {
    try {
        return Val(t.view());
    } catch (const RuntimeError&) {
        return -1;
    }
}
void ReferenceReorder(Model& m) {
    for (int i = 1; i <= m.LineCount; ++i)
        for (int j = i; j <= m.LineCount; ++j)
            if (RefValue(m.Lines[j].SeqText) == i) std::swap(m.Lines[i], m.Lines[j]);
}

void ExpectSameOrder(const Model& a, const Model& b, int trial) {
    for (int i = 0; i <= a.LineCount; ++i) {
        ASSERT_EQ(a.Lines[i].From, b.Lines[i].From) << "trial " << trial << " row " << i;
        ASSERT_EQ(a.Lines[i].SeqText, b.Lines[i].SeqText) << "trial " << trial << " row " << i;
    }
}

// Random trees of up to three inflows per manhole, in shuffled order, with a
// few stale sequence numbers (duplicates, junk, out of range) mixed in.
TEST(ReorderLinesBySequence, MatchesTheStatedRuleOnRandomNetworks) {
    std::mt19937 rng(20240611);
    for (int trial = 0; trial < 300; ++trial) {
        Model m;
        NetBuilder net(m);
        const int n = 1 + static_cast<int>(rng() % 120);
        std::vector<int> inflows(n + 1, 0);
        std::vector<std::pair<std::string, std::string>> lines;
        for (int k = 1; k <= n; ++k) {
            // Manhole k drains to a lower manhole with room, or to an outfall.
            int down = 0;
            for (int tries = 0; tries < 4 && k > 1; ++tries) {
                int c = 1 + static_cast<int>(rng() % (k - 1));
                if (inflows[c] < 3) { down = c; break; }
            }
            if (down) ++inflows[down];
            lines.emplace_back("M" + std::to_string(k), down ? "M" + std::to_string(down) : "");
        }
        std::shuffle(lines.begin(), lines.end(), rng);
        for (auto& [f, t] : lines) net.line(f, t).dia(static_cast<float>(150 + 50 * (rng() % 8)));
        Name(m);

        std::vector<LineRecord> rows(m.Lines.begin() + 1, m.Lines.begin() + 1 + n);
        std::shuffle(rows.begin(), rows.end(), rng);
        std::copy(rows.begin(), rows.end(), m.Lines.begin() + 1);
        const char* junk[] = {"", "x", "2.5", "0", "-3", "1E300", "1E999", "&H2", " 1 2"};
        // Every third trial, many rows share a few values.
        const int stale = trial % 3 == 2 ? n : n / 4 + 1;
        for (int k = 0; k < stale; ++k) {
            int r = 1 + static_cast<int>(rng() % n);
            if (trial % 3 == 2) {
                m.Lines[r].SeqText = std::to_string(1 + rng() % 4);
                continue;
            }
            if (rng() % 3 == 0) m.Lines[r].SeqText = junk[rng() % std::size(junk)];
            else if (rng() % 2 == 0) m.Lines[r].SeqText = std::to_string(1 + rng() % (n + 3));
            else m.Lines[r].SeqText.clear();
        }
        Model ref = m;
        ReferenceReorder(ref);
        ReorderLinesBySequence(m);
        ExpectSameOrder(m, ref, trial);
    }
}

}  // namespace
}  // namespace vd
