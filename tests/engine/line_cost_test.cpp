#include <gtest/gtest.h>

#include "engine/line_cost.h"
#include "net_builder.h"
#include "recording_ui.h"

namespace vd {
namespace {

TEST(DepthBandLengths, SplitsAlongTheLine) {
    struct Case { float d1, d2, len; double L1, L2, L3, L4, L5; };
    const Case cases[] = {
        {1.0f, 6.0f, 100, 20, 20, 20, 20, 20},
        {6.0f, 1.0f, 100, 20, 20, 20, 20, 20},
        {5.5f, 6.5f, 80, 0, 0, 0, 0, 80},
        {3.5f, 3.5f, 40, 0, 0, 40, 0, 0},
        {2.0f, 2.5f, 50, 0, 50, 0, 0, 0},
        {2.0f, 3.0f, 10, 0, 10, 0, 0, 0},   // 3 m belongs to the shallower band
        {1.0f, 1.5f, 30, 30, 0, 0, 0, 0},
        {1.0f, 4.0f, 30, 10, 10, 10, 0, 0},
        {1.0f, 2.3f, 3, 2.31, 0.69, 0, 0, 0},  // only the split point is rounded
    };
    for (const Case& c : cases) {
        Model m;
        test::NetBuilder net(m);
        net.line("A", "B").len(c.len).gr(100, 100).inv(100 - c.d1, 100 - c.d2);
        std::optional<DepthBands> b = DepthBandLengths(m, 1);
        ASSERT_TRUE(b) << c.d1 << " " << c.d2;
        EXPECT_NEAR(b->L1, c.L1, 1e-4) << c.d1 << " " << c.d2;
        EXPECT_NEAR(b->L2, c.L2, 1e-4) << c.d1 << " " << c.d2;
        EXPECT_NEAR(b->L3, c.L3, 1e-4) << c.d1 << " " << c.d2;
        EXPECT_NEAR(b->L4, c.L4, 1e-4) << c.d1 << " " << c.d2;
        EXPECT_NEAR(b->L5, c.L5, 1e-4) << c.d1 << " " << c.d2;
        EXPECT_NEAR(b->L1 + b->L2 + b->L3 + b->L4 + b->L5, c.len, 1e-4);
        EXPECT_NEAR(b->shallow, std::min(c.d1, c.d2), 1e-5);
        EXPECT_NEAR(b->deep, std::max(c.d1, c.d2), 1e-5);
    }
    Model m;
    test::NetBuilder net(m);
    net.line("A", "B").len(0).gr(100, 100).inv(98, 97);
    EXPECT_FALSE(DepthBandLengths(m, 1));
    double L[7] = {-1, -1, -1, -1, -1, -1, -1};
    EXPECT_FALSE(DepthBandLengths(m, 1, L[0], L[1], L[2], L[3], L[4], L[5], L[6]));
    EXPECT_EQ(L[0], -1);
}

struct Cost : ::testing::Test {
    Model m;
    test::RecordingUi ui;
    test::NetBuilder net{m};
    void SetUp() override {
        m.SetUi(&ui);
        m.DiaCount = 1;
        m.DiaTable[1].Dia = 300;
        m.DiaTable[1].PipeCons = 10;
        m.DiaTable[1].Pipeprice = 20;
        m.DiaTable[1].MhCons = 100;
    }
    // A 300 mm line with the given levels.
    int Line(float gr1, float gr2, float inv1, float inv2, float len) {
        return net.line("A", "B").dia(300).len(len).gr(gr1, gr2).inv(inv1, inv2).slope(0.01f).number();
    }
};

TEST_F(Cost, WorkedExamples) {
    int a = Line(100, 100, 98, 97.5f, 50);
    EXPECT_EQ(LineCost(m, a), 2813);
    m.Links[a].NextLine = 2;  // the downstream manhole is the next line's
    EXPECT_EQ(LineCost(m, a), 2029);

    int b = Line(101, 100, 100, 94, 100);
    EXPECT_EQ(LineCost(m, b), 5209);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Cost, ShallowManholesAndPipe) {
    m.DiaTable[1].PipeCons = 0;
    m.DiaTable[1].Pipeprice = 0;
    struct Case { float depth; int want; };
    // Manhole depth is ground - invert + 0.3 m.
    const Case cases[] = {{1.2f, 300}, {1.1f, 140}, {1.6f, 456}, {2.2f, 625}, {3.6f, 1131}, {5.2f, 1375}};
    for (const Case& c : cases) {
        int i = Line(c.depth, c.depth, 0, 0, 10);
        m.Links[i].NextLine = 1;
        EXPECT_EQ(LineCost(m, i), c.want) << c.depth;
    }
    // Deepest point 1.5 m: plain unit cost for the pipe, whatever the factor.
    m.DiaTable[1].PipeCons = 10;
    m.DiaTable[1].MhCons = 0;
    m.Criteria.CostParam1 = 3;
    int i = Line(101.5f, 101.5f, 100, 100, 10);
    EXPECT_EQ(LineCost(m, i), 100);
}

TEST_F(Cost, GroundwaterSurcharge) {
    m.DiaTable[1].Pipeprice = 0;
    m.DiaTable[1].MhCons = 0;
    m.Criteria.CostParam6 = 2;
    m.Criteria.GroundWaterLevel = 200;  // above the downstream ground
    int i = Line(101.5f, 101.5f, 100, 100, 10);
    EXPECT_EQ(LineCost(m, i), 100 + 150);

    // The wedge at the lower end needs the slope.
    m.Criteria.GroundWaterLevel = 99.5;
    int w = Line(101.5f, 101.5f, 100, 99, 10);
    m.Lines[w].slope = 0.1f;
    EXPECT_EQ(LineCost(m, w), 112);  // 100 + ((0.5^2 / 0.1) / 10) / 2 * 10 * 10, half to even
    m.Lines[w].slope = 0;
    EXPECT_FALSE(LineCost(m, w));
}

TEST_F(Cost, CostErrorOncePerFill) {
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
}

TEST_F(Cost, NoValueOrZero) {
    int big = Line(100, 100, 98, 97.5f, 50);
    m.Lines[big].Dia = 500;  // larger than every size: no costs at all
    EXPECT_EQ(LineCost(m, big), 0);
    int flat = Line(100, 100, 98, 97.5f, 0);
    EXPECT_FALSE(LineCost(m, flat));
    int pricey = Line(100, 100, 98, 97.5f, 50);
    m.DiaTable[1].Pipeprice = 1e9f;  // beyond 32 bits once the price is added
    EXPECT_FALSE(LineCost(m, pricey));
    EXPECT_FALSE(LineCost(m, 99999));
    EXPECT_TRUE(ui.boxes.empty());
}

}  // namespace
}  // namespace vd
