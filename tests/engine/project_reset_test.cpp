#include <gtest/gtest.h>

#include "engine/project_reset.h"
#include "net_builder.h"

namespace vd {
namespace {

TEST(ResetProject, GivesEveryCriterionItsDefault) {
    Model m;
    m.Criteria = DesignCriteria{};  // empty, as before any reset
    m.Criteria.ProjectTitle = "Old";
    m.Criteria.Designer = "Someone";
    m.SheetLayoutMode = 3;
    ResetProject(m);

    const DesignCriteria& c = m.Criteria;
    struct Case { const char* name; const Number& value; double want; };
    const Case cases[] = {
        {"CValue", c.CValue, 0.5}, {"MinVelocity", c.MinVelocity, 0.6}, {"MinHD", c.MinHD, 0.3},
        {"Connect1", c.Connect1, 100}, {"InterConTime", c.InterConTime, 180}, {"LPCD1", c.LPCD1, 0},
        {"CostParam0", c.CostParam0, 2}, {"CostParam1", c.CostParam1, 1}, {"CostParam6", c.CostParam6, 1},
    };
    for (const Case& k : cases) {
        ASSERT_TRUE(k.value.has_value()) << k.name;
        EXPECT_EQ(*k.value, k.want) << k.name;
    }
    EXPECT_EQ(c.NVariable, "N");
    EXPECT_EQ(c.KmaxText, "5");
    EXPECT_EQ(c.ProjectTitle, "");
    EXPECT_EQ(c.Designer, "");
    EXPECT_EQ(m.SheetLayoutMode, 1);
    EXPECT_EQ(m.DiaCount, 1);
    EXPECT_EQ(m.LineCount, 1);
}

TEST(ResetProject, BlanksTheOldNetworkAndLeavesOneLine) {
    Model m;
    test::NetBuilder net(m);
    for (int i = 1; i <= 40; ++i) net.line("A" + std::to_string(i), "B").len(10).lat("01");
    m.Links[5].NextLine = 6;
    m.Results[5].Chainage = 123;
    m.DiaTable[3].Dia = 400;
    m.DiaCount = 5;
    m.CreateLatTable(2);
    m.LatCount = 2;
    m.ProjectName = "kept";
    ResetProject(m);

    EXPECT_EQ(m.LineCount, 1);
    EXPECT_EQ(m.LatCount, 0);
    EXPECT_EQ(m.DiaCount, 1);
    EXPECT_EQ(m.DiaTable[3].Dia, 400.0f);
    EXPECT_EQ(m.Results[5].Chainage, 123.0f);
    EXPECT_EQ(m.ProjectName, "kept");
    EXPECT_EQ(m.Lines[1].to.str(), std::string(25, ' '));
    for (int i = 1; i <= 40; ++i) {
        EXPECT_TRUE(m.Lines[i].From.unassigned()) << i;
        EXPECT_EQ(m.Lines[i].Len, 0.0f) << i;
        EXPECT_EQ(m.Links[i].NextLine, 0) << i;
    }
    EXPECT_TRUE(m.Lines[41].From.unassigned());
    EXPECT_TRUE(m.Lines[0].to.unassigned());  // the template stays as it is
}

TEST(ResetProject, LineCountBeyondTheTableOrEmpty) {
    for (int count : {0, -3, 2000, 2001, 30000}) {
        Model m;
        m.Lines[1].From = "stale";
        m.Lines[2000].From = "last";
        m.LineCount = count;
        ResetProject(m);
        EXPECT_EQ(m.LineCount, 1) << count;
        EXPECT_TRUE(m.Lines[1].From.unassigned()) << count;
        EXPECT_EQ(m.Lines[1].to.str(), std::string(25, ' ')) << count;
        EXPECT_EQ(m.Lines[2000].From.unassigned(), count >= 2000) << count;
        EXPECT_EQ(m.LineUpper(), 2000);
    }
}

}  // namespace
}  // namespace vd
