#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/number_text.h"

#include "net_builder.h"
#include "recording_ui.h"
#include "workspace/lateral_names.h"

namespace vd {
namespace {

TEST(LateralNameFile, Parsing) {
    LateralNameList records;
    Outcome f = ParseLateralNames("L-A,10,12\r\n\"B, main\" , 20 ,99\n  C,12A\n13\n", records);
    ASSERT_TRUE(f.ok()) << f.message();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, "L-A");
    EXPECT_EQ(records[1].name, "B, main");
    EXPECT_EQ(records[1].startKey, 20);
    EXPECT_EQ(records[2].startKey, 12);  // free format runs across lines
    EXPECT_EQ(records[2].endKey, 13);
    EXPECT_TRUE(ParseLateralNames("", records).ok());
    // CR alone ends a line, tabs around a field are blanks, Latin-1 letters
    // are names like any other, byte 0x1A ends the file.
    ASSERT_TRUE(ParseLateralNames("\tS\xFC" "d\t,1,2\r\"\xC5" "st\",3,\t4\t\x1A\x01", records).ok());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "S\xFC" "d");
    EXPECT_EQ(records[1].name, "\xC5" "st");
    EXPECT_EQ(records[1].endKey, 4);
    // Blanks and tabs after a closing quote are no part of the name either.
    ASSERT_TRUE(ParseLateralNames("\"Lateral A\"\t,1,3\n\"B\" \t ,2,3", records).ok());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "Lateral A");
    EXPECT_EQ(records[1].startKey, 2);
}

TEST(LateralNameFile, UnreadableFiles) {
    const struct {
        std::string bytes;
        const char* says;
    } cases[] = {
        {"L-A,10\n", "The file ends too soon: its last record has 2 of its 3 fields."},
        {"B,1,2\nL-A,1E999,12\n", "Record 2 of the file holds a manhole number too large to read."},
        {"A,1e300,2", "Record 1 of the file holds a manhole number too large to read."},
        {"A,1,2\nB,1,1e39", "Record 2 of the file holds a manhole number too large to read."},
        {"A,-1e39,2", "Record 1 of the file holds a manhole number too large to read."},
        {std::string("L\0\x03,1,2", 8),
         "Record 1 of the file: its lateral name holds a control character (byte 0x00), which no name may hold."},
        {"A,1,2\nL\x7F" "B,1,2\n", "Record 2 of the file: its lateral name holds a control character (byte 0x7F)"},
        {"\"L\tB\",1,2", "Record 1 of the file: its lateral name holds a control character (byte 0x09)"},
        {"\"LB\"\x0C,1,2", "Record 1 of the file: its lateral name holds a control character (byte 0x0C)"},
        {"A,1,2\nB,1,\x1B" "2", "Record 2 of the file: its end manhole holds a control character (byte 0x1B)"},
    };
    for (const auto& c : cases) {
        LateralNameList records;
        Outcome o = ParseLateralNames(c.bytes, records);
        EXPECT_FALSE(o.ok()) << c.says;
        EXPECT_NE(o.message().find(c.says), std::string::npos) << o.message();
        EXPECT_TRUE(records.empty()) << c.says;
    }
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
    std::vector<LateralNameRecord> many;
    for (int k = 0; k < 25; ++k) many.push_back({"X" + std::to_string(k), 55.0 + k, 1});
    const struct {
        std::vector<LateralNameRecord> records;
        const char* says;
    } cases[] = {
        {{{"X", 55, 56}}, "No line starts at manhole 55 (X): nothing was changed."},
        {{}, "names no lateral"},
        {{{"A", 10, 12}, {"X", 55, 56}}, "No line starts at manhole 55 (X)"},  // one good record does not carry a bad one
        // The first 20 are listed, the rest counted.
        {many, "74 (X19) and 5 more records: nothing was changed."},
    };
    for (const auto& c : cases) {
        Model m;
        Network(m);
        for (int i = 1; i <= 4; ++i) m.Lines[i].Latral = "OLD";
        Outcome o = ApplyLateralNames(m, c.records);
        EXPECT_FALSE(o.ok());
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(m.Lines[i].Latral.trim(), "OLD") << i;
        EXPECT_NE(o.message().find(c.says), std::string::npos) << o.message();
    }
}

// A manhole name's key; a number too large to read matches no key.
double Key(std::string_view name) {
    try {
        return Val(name);
    } catch (const RuntimeError&) {
        return std::nan("");
    }
}

// The rule as it reads: for each record, every line in index order whose
// upstream manhole has the start key, walked downstream, keys read afresh.
std::vector<std::string> ReferenceNames(Model m, const std::vector<LateralNameRecord>& records) {
    const int count = m.LineCount;
    for (int i = 1; i <= count; ++i) m.Lines[i].Latral = "0";
    for (const LateralNameRecord& rec : records) {
        for (int i = 1; i <= count; ++i) {
            if (Key(m.Lines[i].From.view()) != rec.startKey) continue;
            std::vector<bool> seen(count + 1, false);
            for (int line = i, steps = 0; !seen[line]; ++steps) {
                seen[line] = true;
                m.Lines[line].Latral = rec.name;
                if (Key(m.Lines[line].to.view()) == rec.endKey) break;
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
    const char* manholes[] = {"1", "2", "3", "12A", "12-1", "x", "-0", "0", "7", "7.0", "1E999"};
    for (int net = 0; net < 3000; ++net) {
        Model m;
        const int count = std::uniform_int_distribution<int>(1, net % 10 == 0 ? 300 : 30)(rng);
        const int kinds = std::uniform_int_distribution<int>(1, 11)(rng);
        const int shape = net % 4;
        for (int i = 1; i <= count; ++i) {
            m.Lines[i].From = manholes[rng() % kinds];
            m.Lines[i].to = manholes[rng() % kinds];
            // Random links (rings, links out of the table), or mostly
            // downstream trees with now and then a ring.
            int next = std::uniform_int_distribution<int>(-1, count + 2)(rng);
            if (shape != 0 && rng() % 8 != 0) next = i < count ? std::uniform_int_distribution<int>(i + 1, count)(rng) : 0;
            m.Links[i].NextLine = static_cast<int16_t>(next);
        }
        m.LineCount = count;
        std::vector<LateralNameRecord> records;
        for (int r = std::uniform_int_distribution<int>(1, 40)(rng); r > 0; --r) {
            const double start = Key(m.Lines[1 + rng() % count].From.view());
            if (std::isnan(start)) continue;
            records.push_back({"R" + std::to_string(r % 7), start,
                               std::uniform_real_distribution<double>(0, 1)(rng) < 0.2 ? 99.0
                                                                                        : Val(manholes[rng() % 10])});
        }
        if (records.empty()) continue;
        const std::vector<std::string> want = ReferenceNames(m, records);
        ASSERT_TRUE(ApplyLateralNames(m, records).ok()) << net;
        for (int i = 1; i <= count; ++i) ASSERT_EQ(m.Lines[i].Latral.str(), want[i - 1]) << "net " << net << " line " << i;
    }
}

}  // namespace
}  // namespace vd
