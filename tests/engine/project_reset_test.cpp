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
    m.Criteria.ProjectDate = "1 May";
    m.SheetLayoutMode = 3;
    ResetProject(m);

    const DesignCriteria& c = m.Criteria;
    struct Case { const char* name; const Number& value; double want; };
    const Case cases[] = {
        {"LPCD1", c.LPCD1, 0}, {"LPCD2", c.LPCD2, 0}, {"Connect1", c.Connect1, 100},
        {"Connect2", c.Connect2, 100}, {"GroundWaterLevel", c.GroundWaterLevel, 0},
        {"InflowPercent", c.InflowPercent, 0}, {"MinCoverDefault", c.MinCoverDefault, 0},
        {"MinVelocity", c.MinVelocity, 0.6}, {"MinHD", c.MinHD, 0.3}, {"MhHeadloss", c.MhHeadloss, 0},
        {"ReturnPeriod", c.ReturnPeriod, 2}, {"MinConTime", c.MinConTime, 10}, {"A1", c.A1, 0},
        {"B1", c.B1, 0}, {"C1", c.C1, 0}, {"InterConTime", c.InterConTime, 180}, {"A2", c.A2, 0},
        {"B2", c.B2, 0}, {"C2", c.C2, 0}, {"CValue", c.CValue, 0.5}, {"InletTime", c.InletTime, 4},
        {"AreaCoef", c.AreaCoef, 1}, {"Inf1", c.Inf1, 0}, {"Inf2", c.Inf2, 0}, {"InfArea1", c.InfArea1, 1},
        {"InfRate1", c.InfRate1, 1}, {"InfArea2", c.InfArea2, 0}, {"InfRate2", c.InfRate2, 0},
        {"Pop1Area1", c.Pop1Area1, 1}, {"Pop1Density1", c.Pop1Density1, 1}, {"Pop1Area2", c.Pop1Area2, 0},
        {"Pop1Density2", c.Pop1Density2, 0}, {"Pop2Area1", c.Pop2Area1, 1}, {"Pop2Density1", c.Pop2Density1, 1},
        {"Pop2Area2", c.Pop2Area2, 0}, {"Pop2Density2", c.Pop2Density2, 0}, {"CostParam0", c.CostParam0, 2},
        {"CostParam1", c.CostParam1, 1}, {"CostParam2", c.CostParam2, 1}, {"CostParam3", c.CostParam3, 1},
        {"CostParam4", c.CostParam4, 1}, {"CostParam5", c.CostParam5, 1}, {"CostParam6", c.CostParam6, 1},
    };
    EXPECT_EQ(c.InfMode, 1);
    EXPECT_EQ(c.Pop1Mode, 1);
    EXPECT_EQ(c.Pop2Mode, 1);
    EXPECT_EQ(c.QaddMode, 0);
    EXPECT_EQ(c.ProjectDate, "");
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
