#include <gtest/gtest.h>

#include "net_builder.h"
#include "workspace/lateral_names.h"

namespace vd {
namespace {

TEST(LateralNameFile, Parsing) {
    LateralNameFile f = ParseLateralNames("L-A,10,12\r\n\"B, main\" , 20 ,99\n  C,12A\n13\n");
    ASSERT_TRUE(f.ok) << f.error;
    ASSERT_EQ(f.records.size(), 3u);
    EXPECT_EQ(f.records[0].name, "L-A");
    EXPECT_EQ(f.records[1].name, "B, main");
    EXPECT_EQ(f.records[1].startKey, 20);
    EXPECT_EQ(f.records[2].startKey, 12);  // free format runs across lines
    EXPECT_EQ(f.records[2].endKey, 13);
    EXPECT_TRUE(ParseLateralNames("").ok);
}

TEST(LateralNameFile, UnreadableFiles) {
    EXPECT_FALSE(ParseLateralNames("L-A,10\n").ok);
    LateralNameFile huge = ParseLateralNames("L-A,1E999,12\n");
    EXPECT_FALSE(huge.ok);
    EXPECT_EQ(huge.error, "Overflow");
    EXPECT_TRUE(huge.records.empty());
    LateralNameFile binary = ParseLateralNames(std::string("L\0\x03,1,2", 8));
    EXPECT_FALSE(binary.ok);
    EXPECT_NE(binary.error.find("binary"), std::string::npos);
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
    LateralNameOutcome o = ApplyLateralNames(m, {{"L-A", 10, 12}});
    EXPECT_TRUE(o.applied);
    EXPECT_EQ(m.Lines[1].Latral.trim(), "L-A");
    EXPECT_EQ(m.Lines[2].Latral.trim(), "L-A");
    EXPECT_EQ(m.Lines[3].Latral.trim(), "0");
    EXPECT_EQ(m.Lines[4].Latral.trim(), "0");

    ApplyLateralNames(m, {{"L-B", 20, 99}, {std::string(45, 'N'), 10, 11}});
    EXPECT_EQ(m.Lines[4].Latral.trim(), "L-B");
    EXPECT_EQ(m.Lines[3].Latral.trim(), "L-B");
    EXPECT_EQ(m.Lines[1].Latral.str(), std::string(40, 'N'));
}

TEST(LateralNames, ManholeNumbersTooLargeMatchNoKey) {
    Model m;
    Network(m);
    m.Lines[2].to = "1E999";
    m.Lines[4].From = "9E999";
    ApplyLateralNames(m, {{"L-A", 10, 12}});
    EXPECT_EQ(m.Lines[1].Latral.trim(), "L-A");
    EXPECT_EQ(m.Lines[3].Latral.trim(), "L-A");  // the end is never met
    EXPECT_EQ(m.Lines[4].Latral.trim(), "0");
}

TEST(LateralNames, RingIsBoundedAndLogged) {
    Model m;
    Network(m);
    m.Links[3].NextLine = 1;  // 1 -> 2 -> 3 -> 1
    LateralNameOutcome o = ApplyLateralNames(m, {{"R", 10, 99}});
    EXPECT_TRUE(o.applied);
    EXPECT_EQ(o.linesNamed, 3);
    bool ringNoted = false;
    for (const auto& n : o.notes) ringNoted |= n.find("ring") != std::string::npos;
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
        LateralNameOutcome o = ApplyLateralNames(m, records);
        EXPECT_FALSE(o.applied);
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(m.Lines[i].Latral.trim(), "OLD") << i;
        EXPECT_EQ(o.linesNamed, 0);
        EXPECT_NE(o.error.find(records.empty() ? "names no lateral" : "No line starts at manhole 55 (X)"),
                  std::string::npos)
            << o.error;
    }
}

}  // namespace
}  // namespace vd
