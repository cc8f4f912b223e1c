#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/linking.h"
#include "engine/name_numbers.h"
#include "linking_reference.h"
#include "net_builder.h"
#include "recording_ui.h"

namespace vd {
namespace {

using test::RecordingUi;
using test::UiEvent;

const std::string kB24(24, ' ');  // blanks after a one-letter name in a 25-wide field

struct LineSpec {
    const char* from;
    const char* to;  // nullptr: never assigned
    const char* lat = "0";
    float gr1 = 0;
    float gr2 = 0;
};

struct Want {
    int next = 0, up = 0, b1 = 0, b2 = 0;
    const char* from = nullptr;  // names compared without trailing blanks; nullptr: not checked
    const char* to = nullptr;
    std::optional<float> gr2{};
};

struct LinkCase {
    const char* name;
    std::vector<LineSpec> lines;
    std::vector<Want> want;
    std::vector<std::string> logs;
    std::vector<std::string> boxes;
};

TEST(BuildNetworkLinks, EdgeCases) {
    const std::string a24 = "ABCDEFGHIJKLMNOPQRSTUVWX";
    const std::string a25 = "ABCDEFGHIJKLMNOPQRSTUVWXY";
    const std::string many = "Many Bransh To M" + kB24 + "(Maximum = 3)";
    const LinkCase cases[] = {
        {"outfalls get names of their own",
         {{"A", ""}, {"B", ""}, {"C", "0"}, {"D", " 0"}},
         {{.to = "0-1"}, {.to = "0-2"}, {.to = "0-3"}, {.to = " 0"}}, {}, {}},
        {"lowest lateral is the main upstream line",
         {{"X", "M", "B"}, {"Y", "M", "A"}, {"M", "O", "B"}},
         {{.next = 3, .b1 = 2}, {.next = 3, .b1 = 1}, {.up = 2}}, {}, {}},
        {"equal laterals: lower line wins",
         {{"X", "M", "A"}, {"Y", "M", "A"}, {"M", "O", "A"}},
         {{.next = 3, .b1 = 2}, {.next = 3, .b1 = 1}, {.up = 1}}, {}, {}},
        {"worked example",
         {{"A", "B"}, {"B", "C"}, {"D", "B"}},
         {{.next = 2, .b1 = 3}, {.up = 1}, {.next = 2, .b1 = 1}}, {}, {}},
        {"three branches hold each other",
         {{"X", "M"}, {"Y", "M"}, {"Z", "M"}, {"M", "O"}},
         {{4, 0, 2, 3}, {4, 0, 1, 3}, {4, 0, 1, 2}, {0, 1, 0, 0}}, {}, {}},
        {"a fourth branch stops the pass",
         {{"W", "M"}, {"X", "M"}, {"Y", "M"}, {"Z", "M"}, {"M", "O"}},
         {{5, 0, 2, 0}, {5, 0, 1, 0}, {5, 0, 1, 2}, {0, 0, 1, 2}, {0, 0, 0, 0, "M", "O"}},
         {many}, {many}},
        {"duplicate upstream name",
         {{"A", "B"}, {"A", "C"}},
         {{.from = "A-1"}, {.from = "A"}},
         {"Error: Line1& Line2FromA" + kB24 + "!!"}, {}},
        {"From = To is repaired and never links to itself",
         {{"A", "A"}},
         {{.from = "A-1", .to = "A"}},
         {"Error: Line1  From = To  !!"}, {}},
        {"names differing only by blanks make no self link",
         {{"A", " A"}},
         {{.from = "A", .to = " A"}}, {}, {}},
        {"ground levels copied across manholes",
         {{"A", "B", "0", 10, 9}, {"B", "C", "0", 9.5f, 9.2f}, {"D", "B", "0", 11, 8}},
         {{.next = 2, .b1 = 3, .gr2 = 9.5f}, {.up = 1, .gr2 = 9.2f}, {.next = 2, .b1 = 1, .gr2 = 9.5f}}, {}, {}},
        {"leading blank: upstream line found, no downstream line",
         {{"X", "A", "0", 5, 5}, {" A", "Y", "0", 7, 6}},
         {{.from = "X", .to = "A", .gr2 = 7}, {.up = 1, .from = " A", .to = "Y"}}, {}, {}},
        {"long duplicate keeps its suffix",
         {{a24.c_str(), "B"}, {a24.c_str(), "C"}},
         {{.from = "ABCDEFGHIJKLMNOPQRSTUVW-1"}, {.from = a24.c_str()}},
         {"Error: Line1& Line2From" + a24 + " !!"}, {}},
        {"full-width From = To keeps its suffix",
         {{a25.c_str(), a25.c_str()}},
         {{.from = "ABCDEFGHIJKLMNOPQRSTUVW-1"}},
         {"Error: Line1  From = To  !!"}, {}},
        {"a repaired name takes part in later tests",
         {{"A", "M"}, {"P", "A-1"}, {"A", "N"}},
         {{.up = 2, .from = "A-1"}, {.next = 1}, {.from = "A"}},
         {"Error: Line1& Line3FromA" + kB24 + "!!"}, {}},
        {"a repaired name can clash again",
         {{"A", "B"}, {"A", "C"}, {"A-1", "D"}},
         {{.from = "A-1"}, {.from = "A"}, {.from = "A-1-1"}},
         {"Error: Line1& Line2FromA" + kB24 + "!!", "Error: Line3& Line1FromA-1" + std::string(22, ' ') + "!!"},
         {}},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Model m;
        RecordingUi ui;
        m.SetUi(&ui);
        test::NetBuilder net(m);
        for (const auto& s : c.lines) {
            auto l = net.line(s.from, s.to ? s.to : "").lat(s.lat).gr(s.gr1, s.gr2);
            if (!s.to) l.rec().to.clear();
        }
        BuildNetworkLinks(m);

        ASSERT_EQ(c.want.size(), c.lines.size());
        for (int i = 1; i <= m.LineCount; ++i) {
            SCOPED_TRACE("line " + std::to_string(i));
            const Want& w = c.want[i - 1];
            EXPECT_EQ(m.Links[i].NextLine, w.next);
            EXPECT_EQ(m.Links[i].UpLine, w.up);
            EXPECT_EQ(m.Links[i].Branch1, w.b1);
            EXPECT_EQ(m.Links[i].Branch2, w.b2);
            if (w.from) {
                EXPECT_EQ(m.Lines[i].From.rtrim(), w.from);
            }
            if (w.to) {
                EXPECT_EQ(m.Lines[i].to.rtrim(), w.to);
            }
            if (w.gr2) {
                EXPECT_FLOAT_EQ(m.Lines[i].Gr2, *w.gr2);
            }
        }
        EXPECT_EQ(ui.logs, c.logs);
        EXPECT_EQ(ui.boxes, c.boxes);
    }
}

// Names are numbered from texts with their length: a text shorter than a
// field is the field it would fill, a longer one its first 25 bytes, and
// nothing beyond a text is read.
TEST(NameNumbers, ATextIsTheFieldItWouldFill) {
    NameNumbers numbers(4);
    const int a = numbers.Of(FixedText<25>("A").view());
    const struct {
        std::string text;
        bool same;
    } cases[] = {{"A", true},  {"A" + kB24, true},          {"A" + kB24 + "   ", true}, {"A" + kB24 + "Z", true},
                 {"", false}, {std::string("A\0", 2), false}, {" A", false},              {"AB", false}};
    for (const auto& c : cases) EXPECT_EQ(numbers.Find(c.text) == a, c.same) << '"' << c.text << '"';
    EXPECT_EQ(numbers.OfTrimmed("  A ", numbers.Of("  A ")), a);
    EXPECT_EQ(numbers.OfTrimmed("B", 7), 7);
    EXPECT_EQ(numbers.Of(std::string(25, ' ')), numbers.Of(""));
}

TEST(BuildNetworkLinks, NeverAssignedOutfallAndTemplateRowKept) {
    Model m;
    test::NetBuilder net(m);
    net.line("A", "").rec().to.clear();
    m.Links[0].NextLine = 0;
    BuildNetworkLinks(m);
    EXPECT_TRUE(m.Lines[1].to.unassigned());
    EXPECT_TRUE(m.Lines[0].From.unassigned());
    EXPECT_TRUE(m.Lines[0].to.unassigned());
    EXPECT_EQ(m.Links[0].UpLine, 0);
    EXPECT_EQ(m.Links[0].NextLine, 0);
}

TEST(BuildNetworkLinks, NeverAssignedNamesShowAsBlanksInMessages) {
    const std::string blanks(25, ' ');
    struct Case {
        const char* name;
        int lines;
        bool clearFrom;  // else the downstream names are cleared
        std::vector<std::string> logs;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"two lines from an unnamed manhole", 2, true, {"Error: Line1& Line2From" + blanks + "!!"}, {}},
        {"four lines into an unnamed manhole", 4, false, {"Many Bransh To " + blanks + "(Maximum = 3)"},
         {"Many Bransh To " + blanks + "(Maximum = 3)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Model m;
        RecordingUi ui;
        m.SetUi(&ui);
        test::NetBuilder net(m);
        for (int k = 1; k <= c.lines; ++k) {
            auto l = net.line("U" + std::to_string(k), "D" + std::to_string(k));
            if (c.clearFrom) l.rec().From.clear();
            else l.rec().to.clear();
        }
        BuildNetworkLinks(m);
        EXPECT_EQ(ui.logs, c.logs);
        EXPECT_EQ(ui.boxes, c.boxes);
    }
}

TEST(BuildNetworkLinks, ProgressReachesHundredAndStopsAtAbort) {
    Model m;
    RecordingUi ui;
    m.SetUi(&ui);
    test::NetBuilder net(m);
    for (int k = 0; k < 8; ++k) net.line("U" + std::to_string(k), "D" + std::to_string(k + 1));
    BuildNetworkLinks(m);
    std::vector<int> shown;
    for (const auto& e : ui.events)
        if (e.kind == UiEvent::Progress) shown.push_back(e.value);
    // 1/8 of 100 is 12.5, which goes to the even 12; 3/8 is 37.5 -> 38.
    EXPECT_EQ(shown, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));

    Model m2;
    RecordingUi ui2;
    m2.SetUi(&ui2);
    test::NetBuilder net2(m2);
    for (const char* f : {"W", "X", "Y", "Z"}) net2.line(f, "M");
    net2.line("M", "O");
    BuildNetworkLinks(m2);
    EXPECT_EQ(ui2.progress, 60);
}

TEST(BuildNetworkLinks, CountBeyondTablesIsClamped) {
    Model m;
    m.CreateLineTables(4, 2);
    test::NetBuilder net(m);
    net.line("A", "B");
    net.line("B", "C");
    net.line("C", "D");
    m.LineCount = 50;
    BuildNetworkLinks(m);
    EXPECT_EQ(m.Links[1].NextLine, 2);
    EXPECT_EQ(m.Links[2].UpLine, 1);
}

// ---- the fast linking against the pairwise rules ----

void ExpectSameLine(const LineRecord& a, const LineRecord& b) {
    EXPECT_EQ(a.SeqText, b.SeqText);
    EXPECT_EQ(a.Latral, b.Latral);
    EXPECT_EQ(a.MhType, b.MhType);
    EXPECT_EQ(a.Status, b.Status);
    EXPECT_EQ(a.From.str(), b.From.str());
    EXPECT_EQ(a.to.str(), b.to.str());
    const float fa[] = {a.Area2_sub, a.Area1_sub, a.Qadd, a.Len, a.Dia, a.CalcSlope, a.slope, a.Pop1, a.Pop2,
                        a.Gr1, a.Gr2, a.Inv1, a.Inv2, a.Mincover, a.XData13, a.X1, a.X2, a.Y1, a.Y2};
    const float fb[] = {b.Area2_sub, b.Area1_sub, b.Qadd, b.Len, b.Dia, b.CalcSlope, b.slope, b.Pop1, b.Pop2,
                        b.Gr1, b.Gr2, b.Inv1, b.Inv2, b.Mincover, b.XData13, b.X1, b.X2, b.Y1, b.Y2};
    for (std::size_t k = 0; k < std::size(fa); ++k) EXPECT_EQ(fa[k], fb[k]) << "float field " << k;
    EXPECT_EQ(a.Level, b.Level);
}

void ExpectSameLink(const LinkRecord& a, const LinkRecord& b) {
    EXPECT_EQ(a.NextLine, b.NextLine);
    EXPECT_EQ(a.Branch1, b.Branch1);
    EXPECT_EQ(a.Branch2, b.Branch2);
    EXPECT_EQ(a.Drop, b.Drop);
    EXPECT_EQ(a.UpLine, b.UpLine);
    EXPECT_EQ(a.LatNo, b.LatNo);
    EXPECT_EQ(a.PosLine, b.PosLine);
}

// What was said, with repeats of an unchanged progress value folded away.
std::vector<std::string> Said(const RecordingUi& ui) {
    std::vector<std::string> out;
    int lastProgress = -1;
    for (const auto& e : ui.events) {
        if (e.kind == UiEvent::Progress) {
            if (e.value == lastProgress) continue;
            lastProgress = e.value;
        }
        out.push_back(std::to_string(e.kind) + ":" + std::to_string(e.value) + ":" + e.text);
    }
    return out;
}

TEST(BuildNetworkLinks, MatchesPairwiseRulesOnRandomNetworks) {
    const std::vector<std::optional<std::string>> names = {
        "A", "B", "C", "D", " A", "A ", "", "0", " 0", "0-3", "A-1", "ABCDEFGHIJKLMNOPQRSTUVWX",
        "ABCDEFGHIJKLMNOPQRSTUVW-1", std::nullopt};
    const std::vector<std::optional<std::string>> lats = {"A", "B", "0", " A", std::nullopt};
    std::mt19937 rng(20240611);
    auto pick = [&](const auto& v, int limit) {
        return v[std::uniform_int_distribution<int>(0, std::min<int>(limit, v.size()) - 1)(rng)];
    };

    int aborted = 0, renamed = 0;
    for (int net = 0; net < 400; ++net) {
        // Narrow alphabets make collisions, branches and aborts frequent.
        const int alphabet = 2 + net % static_cast<int>(names.size() - 1);
        const int count = std::uniform_int_distribution<int>(0, 35)(rng);
        Model fast;
        for (int i = 1; i <= count; ++i) {
            LineRecord& l = fast.Lines[i];
            if (auto f = pick(names, alphabet)) l.From = *f;
            if (auto t = pick(names, alphabet)) l.to = *t;
            if (auto lt = pick(lats, 5)) l.Latral = *lt;
            l.Gr1 = static_cast<float>(std::uniform_int_distribution<int>(0, 99)(rng));
            l.Gr2 = static_cast<float>(std::uniform_int_distribution<int>(0, 99)(rng));
            fast.Links[i].NextLine = 7;
            fast.Links[i].LatNo = static_cast<int16_t>(i);
            fast.Links[i].Drop = 0.5f;
            fast.Links[i].PosLine = static_cast<int16_t>(count - i);
        }
        fast.LineCount = count;
        Model slow = fast;
        RecordingUi fastUi, slowUi;
        fast.SetUi(&fastUi);
        slow.SetUi(&slowUi);

        BuildNetworkLinks(fast);
        test::ReferenceBuildNetworkLinks(slow);

        SCOPED_TRACE("network " + std::to_string(net));
        for (int i = 0; i <= count + 1; ++i) {
            SCOPED_TRACE("line " + std::to_string(i));
            ExpectSameLine(fast.Lines[i], slow.Lines[i]);
            ExpectSameLink(fast.Links[i], slow.Links[i]);
        }
        ASSERT_EQ(Said(fastUi), Said(slowUi));
        aborted += fastUi.boxes.empty() ? 0 : 1;
        for (const auto& log : fastUi.logs)
            if (log.rfind("Error: Line", 0) == 0) {
                ++renamed;
                break;
            }
        if (HasFailure()) return;
    }
    // The random networks must reach the rare paths, or the comparison says little.
    EXPECT_GT(aborted, 20);
    EXPECT_GT(renamed, 100);
}

TEST(BuildNetworkLinks, ThirtyThousandLinesLinkWithoutPairwiseScan) {
    // A binary tree: line k drains into line k / 2, so every manhole has two feeders.
    Model m;
    const int n = 30000;
    m.CreateLineTables(n + 10, n + 20);
    test::NetBuilder net(m);
    for (int k = 1; k <= n; ++k) net.line("MH" + std::to_string(k), k == 1 ? "" : "MH" + std::to_string(k / 2));

    // Its speed is BM_Link's to measure.
    BuildNetworkLinks(m);

    EXPECT_EQ(m.Lines[1].to.rtrim(), "0-1");
    for (int k = 2; k <= n; ++k) {
        ASSERT_EQ(m.Links[k].NextLine, k / 2) << k;
        ASSERT_EQ(m.Links[k].Branch1, (k ^ 1) <= n ? (k ^ 1) : 0) << k;
    }
    for (int k = 1; 2 * k <= n; ++k) ASSERT_EQ(m.Links[k].UpLine, 2 * k) << k;
}

}  // namespace
}  // namespace vd
