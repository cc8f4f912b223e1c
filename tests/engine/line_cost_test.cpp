#include "engine/line_cost.h"

#include <gtest/gtest.h>

#include "net_builder.h"
#include "recording_ui.h"

namespace vd {
namespace {

// Size row 300 mm: PipeCons 10, Pipeprice 20, MhCons 100; default criteria.
struct Cost : ::testing::Test {
    Model m;
    test::RecordingUi ui;
    void SetUp() override {
        m.SetUi(&ui);
        m.DiaCount = 1;
        m.DiaTable[1] = DiaRecord{300, 0, 0, 0, 0, 10, 20, 100};
    }
    int Line(float gr1, float gr2, float inv1, float inv2, float len) {
        return test::NetBuilder(m).line("A", "B").dia(300).len(len).gr(gr1, gr2).inv(inv1, inv2).slope(0.01f).number();
    }
};

TEST_F(Cost, DepthBands) {
    // End depths, length, then L1..L5.
    const double cases[][8] = {
        {1, 6, 100, 20, 20, 20, 20, 20}, {6, 1, 100, 20, 20, 20, 20, 20}, {5.5, 6.5, 80, 0, 0, 0, 0, 80},
        {3.5, 3.5, 40, 0, 0, 40, 0, 0},   {2, 2.5, 50, 0, 50, 0, 0, 0},     {2, 3, 10, 0, 10, 0, 0, 0},
        {1, 1.5, 30, 30, 0, 0, 0, 0},     {1, 2.3, 3, 2.31, 0.69, 0, 0, 0},  // only the split is rounded
    };
    for (const auto& c : cases) {
        int i = Line(100, 100, 100 - static_cast<float>(c[0]), 100 - static_cast<float>(c[1]), static_cast<float>(c[2]));
        std::optional<DepthBands> b = DepthBandLengths(m, i);
        ASSERT_TRUE(b);
        const double got[] = {b->L1, b->L2, b->L3, b->L4, b->L5};
        for (int k = 0; k < 5; ++k) EXPECT_NEAR(got[k], c[3 + k], 1e-4) << c[0] << " " << c[1] << " L" << k + 1;
        EXPECT_NEAR(b->shallow, std::min(c[0], c[1]), 1e-5);
        EXPECT_NEAR(b->deep, std::max(c[0], c[1]), 1e-5);
    }
    int flat = Line(100, 100, 98, 97, 0);
    double L[7] = {-1, -1, -1, -1, -1, -1, -1};
    EXPECT_FALSE(DepthBandLengths(m, flat, L[0], L[1], L[2], L[3], L[4], L[5], L[6]));
    EXPECT_EQ(L[0], -1);
    EXPECT_FALSE(LineCost(m, flat));

    // A split point beyond 32-bit centimetres is no value, not a "Cost Error".
    int vast = Line(100, 100, 99, 94, 1e9f);
    EXPECT_FALSE(DepthBandLengths(m, vast));
    EXPECT_FALSE(LineCost(m, vast));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Cost, WorkedExamples) {
    int a = Line(100, 100, 98, 97.5f, 50);
    EXPECT_EQ(LineCost(m, a), 2813);
    m.Links[a].NextLine = 2;  // the downstream manhole is the next line's
    EXPECT_EQ(LineCost(m, a), 2029);
    EXPECT_EQ(LineCost(m, Line(101, 100, 100, 94, 100)), 5209);
    int big = Line(100, 100, 98, 97.5f, 50);
    m.Lines[big].Dia = 500;  // larger than every size: no costs at all
    EXPECT_EQ(LineCost(m, big), 0);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Cost, ManholeDepthSurcharge) {
    m.DiaTable[1].PipeCons = 0;
    m.DiaTable[1].Pipeprice = 0;
    // Depth (manhole depth = depth + 0.3) and its cost.
    const std::pair<float, int> cases[] = {{1.2f, 300}, {1.1f, 140}, {1.6f, 456}, {2.2f, 625}, {3.6f, 1131}, {5.2f, 1375}};
    for (const auto& [depth, want] : cases) {
        int i = Line(depth, depth, 0, 0, 10);
        m.Links[i].NextLine = 1;
        EXPECT_EQ(LineCost(m, i), want) << depth;
    }
}

TEST_F(Cost, ShallowPipeAndGroundwater) {
    m.DiaTable[1].Pipeprice = 0;
    m.DiaTable[1].MhCons = 0;
    m.Criteria.CostParam1 = 3;
    EXPECT_EQ(LineCost(m, Line(101.5f, 101.5f, 100, 100, 10)), 100);  // deepest point 1.5 m: plain cost
    m.Criteria.CostParam1 = 1;
    m.Criteria.CostParam6 = 2;
    m.Criteria.GroundWaterLevel = 200;  // above the ground: mean trench depth
    EXPECT_EQ(LineCost(m, Line(101.5f, 101.5f, 100, 100, 10)), 100 + 150);
    m.Criteria.GroundWaterLevel = 99.5;  // a wedge at the lower end
    int w = Line(101.5f, 101.5f, 100, 99, 10);
    m.Lines[w].slope = 0.1f;
    EXPECT_EQ(LineCost(m, w), 112);  // 100 + 12.5, half to even
    m.Lines[w].slope = 0;
    EXPECT_FALSE(LineCost(m, w));
}

TEST_F(Cost, CostErrorOncePerFillAndOverflow) {
    m.DiaTable[1].MhCons = 1e9f;
    int a = Line(100, 100, 98, 97.5f, 50);
    int b = Line(100, 100, 98, 97.5f, 50);
    CostMessages fill;
    EXPECT_EQ(LineCost(m, a, &fill), 0);
    EXPECT_EQ(LineCost(m, b, &fill), 0);
    EXPECT_EQ(ui.boxes, std::vector<std::string>{"Cost Error"});
    CostMessages next;
    LineCost(m, a, &next);
    EXPECT_EQ(ui.boxes.size(), 2u);

    m.DiaTable[1].MhCons = 100;
    m.DiaTable[1].Pipeprice = 1e9f;  // beyond 32 bits once the price is added
    EXPECT_FALSE(LineCost(m, a));
    EXPECT_FALSE(LineCost(m, 99999));
}

}  // namespace
}  // namespace vd
