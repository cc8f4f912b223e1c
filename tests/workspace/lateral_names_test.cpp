#include <gtest/gtest.h>

#include <random>

#include "engine/number_text.h"

#include "net_builder.h"
#include "recording_ui.h"
#include "workspace/lateral_names.h"

namespace vd {
namespace {

TEST(LateralNameFile, Parsing) {
    std::vector<LateralNameRecord> records;
    Outcome f = ParseLateralNames("L-A,10,12\r\n\"B, main\" , 20 ,99\n  C,12A\n13\n", records);
    ASSERT_TRUE(f.ok()) << f.message();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, "L-A");
    EXPECT_EQ(records[1].name, "B, main");
    EXPECT_EQ(records[1].startKey, 20);
    EXPECT_EQ(records[2].startKey, 12);  // free format runs across lines
    EXPECT_EQ(records[2].endKey, 13);
    EXPECT_TRUE(ParseLateralNames("", records).ok());
}

TEST(LateralNameFile, UnreadableFiles) {
    std::vector<LateralNameRecord> records;
    EXPECT_FALSE(ParseLateralNames("L-A,10\n", records).ok());
    Outcome huge = ParseLateralNames("B,1,2\nL-A,1E999,12\n", records);
    EXPECT_FALSE(huge.ok());
    EXPECT_EQ(huge.message(), "Record 2 of the file holds a manhole number too large to read.");
    EXPECT_TRUE(records.empty());
    Outcome binary = ParseLateralNames(std::string("L\0\x03,1,2", 8), records);
    EXPECT_FALSE(binary.ok());
    EXPECT_NE(binary.message().find("binary"), std::string::npos);
}

// Lines 1: 10-11, 2: 11-12, 3: 12-13, 4: 20-12, linked downstream.
void Network(Model& m) {
    test::NetBuilder net(m);
    net.line("10", "11").lat("OLD");
    net.line("11", "12").lat("OLD");
    net.line("12", "13").lat("OLD");
    net.line("20", "12").lat("OLD");
    m.Links[1].NextLine = 2;
    m.Links[2].NextLine = 3;
    m.Links[4].NextLine = 3;
}

TEST(LateralNames, RunsAndOutfall) {
    Model m;
    Network(m);
    EXPECT_TRUE(ApplyLateralNames(m, {{"L-A", 10, 12}}).ok());
    EXPECT_EQ(m.Lines[1].Latral.trim(), "L-A");
    EXPECT_EQ(m.Lines[2].Latral.trim(), "L-A");
    EXPECT_EQ(m.Lines[3].Latral.trim(), "0");
    EXPECT_EQ(m.Lines[4].Latral.trim(), "0");

    EXPECT_TRUE(ApplyLateralNames(m, {{"L-B", 20, 99}, {std::string(45, 'N'), 10, 11}}).ok());
    EXPECT_EQ(m.Lines[4].Latral.trim(), "L-B");
    EXPECT_EQ(m.Lines[3].Latral.trim(), "L-B");
    EXPECT_EQ(m.Lines[1].Latral.str(), std::string(40, 'N'));
}

TEST(LateralNames, ManholeNumbersTooLargeMatchNoKey) {
    Model m;
    Network(m);
    m.Lines[2].to = "1E999";
    m.Lines[4].From = "9E999";
    EXPECT_TRUE(ApplyLateralNames(m, {{"L-A", 10, 12}}).ok());
    EXPECT_EQ(m.Lines[1].Latral.trim(), "L-A");
    EXPECT_EQ(m.Lines[3].Latral.trim(), "L-A");  // the end is never met
    EXPECT_EQ(m.Lines[4].Latral.trim(), "0");
}

TEST(LateralNames, RingIsBoundedAndLogged) {
    Model m;
    test::RecordingUi ui;
    m.SetUi(&ui);
    Network(m);
    m.Links[3].NextLine = 1;  // 1 -> 2 -> 3 -> 1
    Outcome o = ApplyLateralNames(m, {{"R", 10, 99}});
    EXPECT_TRUE(o.ok());
    EXPECT_EQ(o.message(), "3 lines named");
    bool ringNoted = false;
    for (const auto& n : ui.logs) ringNoted |= n.find("ring") != std::string::npos;
    EXPECT_TRUE(ringNoted);
}

TEST(LateralNames, UnknownManholesOrNoRecordsChangeNothing) {
    const std::vector<LateralNameRecord> cases[] = {
        {{"X", 55, 56}},
        {},
        {{"A", 10, 12}, {"X", 55, 56}},  // one good record does not carry a bad one
    };
    for (const auto& records : cases) {
        Model m;
        Network(m);
        for (int i = 1; i <= 4; ++i) m.Lines[i].Latral = "OLD";
        Outcome o = ApplyLateralNames(m, records);
        EXPECT_FALSE(o.ok());
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(m.Lines[i].Latral.trim(), "OLD") << i;
        EXPECT_NE(o.message().find(records.empty() ? "names no lateral" : "No line starts at manhole 55 (X)"),
                  std::string::npos)
            << o.message();
    }
}

// The rule as it reads: for each record, every line in index order whose
// upstream manhole has the start key, walked downstream, keys read afresh.
std::vector<std::string> ReferenceNames(Model m, const std::vector<LateralNameRecord>& records) {
    const int count = m.LineCount;
    for (int i = 1; i <= count; ++i) m.Lines[i].Latral = "0";
    for (const LateralNameRecord& rec : records) {
        for (int i = 1; i <= count; ++i) {
            if (Val(m.Lines[i].From.view()) != rec.startKey) continue;
            std::vector<bool> seen(count + 1, false);
            for (int line = i, steps = 0; !seen[line]; ++steps) {
                seen[line] = true;
                m.Lines[line].Latral = rec.name;
                if (Val(m.Lines[line].to.view()) == rec.endKey) break;
                const int next = m.Links[line].NextLine;
                if (next <= 0 || next > count || steps + 1 >= count) break;
                line = next;
            }
        }
    }
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back(m.Lines[i].Latral.str());
    return names;
}

TEST(LateralNames, MatchTheStraightforwardScanOnRandomNetworks) {
    std::mt19937 rng(2024);
    const char* manholes[] = {"1", "2", "3", "12A", "12-1", "x", "-0", "0", "7", "7.0"};
    for (int net = 0; net < 300; ++net) {
        Model m;
        const int count = std::uniform_int_distribution<int>(1, 30)(rng);
        for (int i = 1; i <= count; ++i) {
            m.Lines[i].From = manholes[rng() % 10];
            m.Lines[i].to = manholes[rng() % 10];
            // Mostly downstream, now and then a ring or a link out of the table.
            m.Links[i].NextLine = static_cast<int16_t>(std::uniform_int_distribution<int>(-1, count + 2)(rng));
        }
        m.LineCount = count;
        std::vector<LateralNameRecord> records;
        for (int r = std::uniform_int_distribution<int>(1, 8)(rng); r > 0; --r)
            records.push_back({"R" + std::to_string(r), Val(m.Lines[1 + rng() % count].From.view()),
                               std::uniform_real_distribution<double>(0, 1)(rng) < 0.2 ? 99.0 : Val(manholes[rng() % 10])});
        const std::vector<std::string> want = ReferenceNames(m, records);
        ASSERT_TRUE(ApplyLateralNames(m, records).ok()) << net;
        for (int i = 1; i <= count; ++i) ASSERT_EQ(m.Lines[i].Latral.str(), want[i - 1]) << "net " << net << " line " << i;
    }
}

}  // namespace
}  // namespace vd
