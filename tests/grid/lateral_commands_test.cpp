#include "grid/lateral_commands.h"

#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/process.h"
#include "recording_ui.h"
#include "temp_dir.h"

namespace vd {
namespace {

// One line of a test tree: the line it drains into, its main upstream line
// and its length. Lines are numbered 1, 2, ... in the order given.
struct TreeLine {
    int next;
    int up;
    float len = 10;
};

// Links as Process leaves them: Branch1/Branch2 are the other lines into the
// same downstream line; the laterals are built from the links.
void MakeTree(Model& m, const std::vector<TreeLine>& lines) {
    m.LineCount = static_cast<int>(lines.size());
    for (int i = 1; i <= m.LineCount; ++i) {
        m.Links[i].NextLine = static_cast<int16_t>(lines[i - 1].next);
        m.Links[i].UpLine = static_cast<int16_t>(lines[i - 1].up);
        m.Lines[i].Len = lines[i - 1].len;
        m.Lines[i].From = "M" + std::to_string(i);
    }
    for (int i = 1; i <= m.LineCount; ++i) {
        std::vector<int16_t> others;
        for (int j = 1; j <= m.LineCount; ++j)
            if (j != i && lines[i - 1].next != 0 && lines[j - 1].next == lines[i - 1].next) others.push_back(j);
        if (others.size() > 0) m.Links[i].Branch1 = others[0];
        if (others.size() > 1) m.Links[i].Branch2 = others[1];
    }
    BuildLaterals(m);
    m.LatCount = static_cast<int>(m.LatTable.size()) - 1;
}

std::vector<std::string> Names(const Model& m) {
    std::vector<std::string> out;
    for (int i = 1; i <= m.LineCount; ++i) out.push_back(m.Lines[i].Latral.unassigned() ? "<none>" : m.Lines[i].Latral.rtrim());
    return out;
}

std::vector<int> Levels(const Model& m) {
    std::vector<int> out;
    for (int i = 1; i <= m.LineCount; ++i) out.push_back(m.Lines[i].Level);
    return out;
}

bool RowZeroBlank(const Model& m) {
    const LineRecord& l = m.Lines[0];
    const LinkRecord& k = m.Links[0];
    return l.Latral.unassigned() && l.Level == 0 && k.NextLine == 0 && k.UpLine == 0 && k.Branch1 == 0 &&
           k.Branch2 == 0;
}

bool LoggedStop(const test::RecordingUi& ui) {
    return std::any_of(ui.logs.begin(), ui.logs.end(), [](const std::string& s) { return s.rfind("Walk stopped", 0) == 0; });
}

// The example of the lateral notes: 1 A->B 10 m and 2 C->B 50 m join at B,
// 3 B->D 20 m drains to the outfall; line 1 is the main upstream line.
std::vector<TreeLine> JoinedPair() { return {{3, 0, 10}, {3, 0, 50}, {0, 1, 20}}; }

// A trunk of six lines (6 the outlet) with two single-line branches into
// each of lines 2..6; branch 7 has a main upstream line 17 and a branch 18.
std::vector<TreeLine> TenBranches() {
    std::vector<TreeLine> t = {{2, 0}, {3, 1}, {4, 2}, {5, 3}, {6, 4}, {0, 5}};
    for (int j = 6; j >= 2; --j) t.insert(t.end(), {{j, 0}, {j, 0}});
    t.push_back({7, 0});  // 17: the main upstream line of branch 7
    t.push_back({7, 0});  // 18: a branch of that lateral
    t[6].up = 17;
    return t;
}

TEST(LateralCommands, NameValues) {
    const std::pair<const char*, double> cases[] = {
        {"12A", 12}, {"A1", 0}, {" 07-2", 7}, {"1E400", HUGE_VAL}, {"-1E400x", -HUGE_VAL}, {"1E-400", 0}};
    for (const auto& [name, value] : cases) EXPECT_EQ(LateralNameValue(FixedText<40>(name)), value) << name;
}

TEST(LateralCommands, ByLengthNumbersTheLongestFreePathFirst) {
    Model m;
    test::RecordingUi ui;
    m.SetUi(&ui);
    MakeTree(m, JoinedPair());
    ASSERT_TRUE(NumberLateralsByLength(m));
    EXPECT_EQ(Names(m), (std::vector<std::string>{"2", "01", "01"}));
    EXPECT_EQ(m.Links[3].UpLine, 2);  // the longer path became the main route
    EXPECT_EQ(m.Lat(1, LatFirst), 1);
    EXPECT_EQ(m.Lat(2, LatLast), 3);
    EXPECT_EQ(ui.status, std::string(22, ' '));
    EXPECT_TRUE(RowZeroBlank(m));
}

TEST(LateralCommands, ByLengthNamesTrunksWithTwoDigitsAndTiesGoToTheLaterLateral) {
    Model m;
    std::vector<TreeLine> outfalls;
    for (int i = 1; i <= 11; ++i) outfalls.push_back({0, 0, 5});
    MakeTree(m, outfalls);
    ASSERT_TRUE(NumberLateralsByLength(m));
    EXPECT_EQ(Names(m), (std::vector<std::string>{"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11"}));

    // Equal free lengths into one junction: the later lateral is numbered
    // first and becomes the main route.
    Model tie;
    MakeTree(tie, {{3, 0, 30}, {3, 0, 30}, {0, 1, 5}});
    ASSERT_TRUE(NumberLateralsByLength(tie));
    EXPECT_EQ(tie.Links[3].UpLine, 2);
    EXPECT_EQ(Names(tie), (std::vector<std::string>{"2", "01", "01"}));
}

TEST(LateralCommands, NamingByTreeUpToTheTenthBranch) {
    struct Case {
        const char* command;
        std::function<Outcome(Model&)> run;
        std::vector<std::string> trunk, branches;  // branches: lines 7..16 in walk order
        std::string secondLevel;                   // line 18, a branch of branch 7
    };
    const std::vector<Case> cases = {
        {"By Level", RouteLateralsByLevel, {"*1"},
         {"*1-01", "*1-02", "*1-03", "*1-04", "*1-05", "*1-06", "*1-07", "*1-08", "*1-09", "*1-10"}, "*1-01-01"},
        {"SET Name", NameLateralsAfterReceiver, {"A"},
         {"A-1", "A-2", "A-3", "A-4", "A-5", "A-6", "A-7", "A-8", "A-9", "A-10"}, "A-1-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        test::TempDir dir;
        Model m;
        m.ProjectFolder = dir.folder();
        m.ProjectName = "net";
        MakeTree(m, TenBranches());
        m.Lines[1].Latral = "A";
        ASSERT_TRUE(c.run(m));
        const std::vector<std::string> names = Names(m);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(names[i], c.trunk[0]) << "line " << i + 1;
        // Walking up from the outlet, line 6's junction comes first: its
        // branches are lines 7 and 8, line 2's are 15 and 16.
        EXPECT_EQ(std::vector<std::string>(names.begin() + 6, names.begin() + 16), c.branches);
        EXPECT_EQ(names[16], c.branches[0]);
        EXPECT_EQ(names[17], c.secondLevel);
        EXPECT_EQ(Levels(m), (std::vector<int>{1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3}));
        EXPECT_TRUE(RowZeroBlank(m));
    }
}

TEST(LateralCommands, ByLevelReroutesFromLevelledHeadsAndWritesTheBackup) {
    struct Case {
        const char* name;
        int level1, level2;  // levels of the two head lines
        int mainUpstream;    // UpLine of line 3 afterwards
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"M = 0 re-routes nothing", 0, 0, 1, {"*1", "*1-01", "*1"}},
        {"the level-1 head takes over", 2, 1, 2, {"*1-01", "*1", "*1"}},
        {"an unlevelled head loses to a levelled one", 0, 1, 2, {"*1-01", "*1", "*1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        Model m;
        m.ProjectFolder = dir.folder();
        m.ProjectName = "net";
        MakeTree(m, JoinedPair());
        m.Lines[1].Level = static_cast<int16_t>(c.level1);
        m.Lines[2].Level = static_cast<int16_t>(c.level2);
        ASSERT_TRUE(RouteLateralsByLevel(m));
        EXPECT_EQ(m.Links[3].UpLine, c.mainUpstream);
        EXPECT_EQ(Names(m), c.names);
        EXPECT_TRUE(std::filesystem::exists(dir.path() / "net-2.bak"));
    }
}

TEST(LateralCommands, LevelsFollowTheLateralsDownToTwenty) {
    Model m;
    // A chain of 22 single-line laterals, each draining into the previous
    // one's line through a junction; line 1 drains to the outfall.
    std::vector<TreeLine> t = {{0, 0}};
    for (int i = 2; i <= 22; ++i) t.push_back({i - 1, 0});
    MakeTree(m, t);
    AssignLateralLevels(m);
    std::vector<int> want;
    for (int i = 1; i <= 22; ++i) want.push_back(i <= 20 ? i : 0);
    EXPECT_EQ(Levels(m), want);

    Model tree;
    MakeTree(tree, TenBranches());
    AssignLateralLevels(tree);
    EXPECT_EQ(Levels(tree), (std::vector<int>{1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3}));
}

TEST(LateralCommands, LoopsStopTheWalkAndSaySo) {
    struct Case {
        const char* command;
        std::function<void(Model&)> run;
    };
    const Case cases[] = {
        {"levels", [](Model& m) { AssignLateralLevels(m); }},
        {"By  Lenght", [](Model& m) { (void)NumberLateralsByLength(m); }},
        {"By Level", [](Model& m) { (void)RouteLateralsByLevel(m); }},
        {"SET Name", [](Model& m) { (void)NameLateralsAfterReceiver(m); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Model m;
        test::RecordingUi ui;
        m.SetUi(&ui);
        // Line 3 drains to the outfall and starts a lateral of its own; its
        // UpLine chain 3 -> 2 -> 3 loops, and 1 -> 2 -> 1 loops downstream.
        m.Lines[3].Status = "F";
        MakeTree(m, {{2, 0}, {1, 3}, {0, 2}});
        m.LatCount = 2;
        m.CreateLatTable(2);
        m.LatTable[1][LatFirst] = 1;
        m.LatTable[1][LatLast] = 1;
        m.LatTable[2][LatFirst] = 2;
        m.LatTable[2][LatLast] = 3;
        c.run(m);
        EXPECT_TRUE(LoggedStop(ui));
        EXPECT_TRUE(RowZeroBlank(m));
    }
}

TEST(LateralCommands, NothingChangesWithoutAMatchingLateralTable) {
    struct Case {
        const char* name;
        std::function<void(Model&)> spoil;
        const char* message;
    };
    const Case cases[] = {
        {"before the first Process", [](Model& m) { m.LatCount = 0; m.LatTable.clear(); },
         "There are no laterals yet: run Process first."},
        {"a line removed since Process", [](Model& m) { m.LineCount = 2; },
         "The laterals no longer match the line table: run Process first."},
        {"a lateral row beyond the lines", [](Model& m) { m.LatTable[1][LatFirst] = 40; },
         "The laterals no longer match the line table: run Process first."},
    };
    const std::function<Outcome(Model&)> commands[] = {NumberLateralsByLength, RouteLateralsByLevel,
                                                        NameLateralsAfterReceiver};
    for (const Case& c : cases)
        for (const auto& command : commands) {
            SCOPED_TRACE(c.name);
            Model m;
            MakeTree(m, JoinedPair());
            m.Lines[1].Latral = "X";
            m.Lines[1].Level = 3;
            c.spoil(m);
            const Outcome out = command(m);
            EXPECT_FALSE(out);
            EXPECT_EQ(out.message(), c.message);
            EXPECT_EQ(m.Lines[1].Latral.rtrim(), "X");
            EXPECT_EQ(m.Lines[1].Level, 3);
            EXPECT_EQ(m.Links[3].UpLine, 1);
            AssignLateralLevels(m);
            EXPECT_EQ(m.Lines[1].Level, 3);
        }
}

}  // namespace
}  // namespace vd
