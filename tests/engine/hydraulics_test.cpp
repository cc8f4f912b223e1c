#include <gtest/gtest.h>

#include <cmath>

#include "engine/hydraulics.h"
#include "engine/number_text.h"
#include "net_builder.h"

namespace vd {
namespace {

constexpr double kPi = 3.141592653589793;

// Full-pipe flow in m3/s of diameter d (m).
double FullFlow(double d, double n, double s) {
    return (kPi * d * d / 4) * std::pow(d / 4, 2.0 / 3.0) * std::sqrt(s) / n;
}

TEST(FullPipeCapacity, ManningFullPipe) {
    struct Case { double dia, s, n, wantQ, wantV; };
    const Case cases[] = {{200, 0.005, 0.013, 23.19, 0.738}, {300, 0.005, 0.013, 68.38, 0.967}};
    for (const Case& c : cases) {
        std::optional<double> q = FullPipeCapacity(c.dia, c.s, c.n);
        ASSERT_TRUE(q) << c.dia;
        EXPECT_NEAR(*q, c.wantQ, 0.0101) << c.dia;
        const double d = c.dia / 1000;
        EXPECT_NEAR(*q / 1000 / (kPi * d * d / 4), c.wantV, 0.001) << c.dia;
    }
    // Cut down, not rounded, to hundredths.
    EXPECT_NEAR(*FullPipeCapacity(300, 0.003, 0.013), 52.96, 1e-9);
    EXPECT_NEAR(*FullPipeCapacity(300, 0.005, 0.013), 68.37, 1e-9);
    EXPECT_FALSE(FullPipeCapacity(300, 0.003, 0));
}

TEST(SolvePartialFlow, ConstantNRatios) {
    // Depth ratio -> flow ratio and velocity ratio of a part-full pipe.
    struct Case { double y, q, v; };
    const Case cases[] = {{0.5, 0.5, 1.0}, {0.8, 0.9775, 1.1397}};
    const double d = 0.3, n = 0.013, s = 0.005;
    for (const Case& c : cases) {
        std::optional<PartialFlow> pf = SolvePartialFlow(c.q * FullFlow(d, n, s), n, d / 2, s);
        ASSERT_TRUE(pf) << c.y;
        EXPECT_NEAR(pf->y, c.y, 0.002) << c.y;
        const double areaRatio = (pf->theta - std::sin(pf->theta)) / (2 * kPi);
        EXPECT_NEAR(c.q / areaRatio, c.v, 0.005) << c.y;
    }
}

TEST(DepthFactor, EndsAndLowPoint) {
    EXPECT_NEAR(DepthFactor(1), 1.0, 1e-4);
    EXPECT_NEAR(DepthFactor(0), 0.83, 1e-3);
    EXPECT_NEAR(DepthFactor(0.3), 0.78, 0.01);
}

struct SelfCleaning : ::testing::Test {
    Model m;
    void SetUp() override {
        m.DiaCount = 1;
        m.DiaTable[1].Dia = 300;
        m.DiaTable[1].Mins = 0.003f;
        m.DiaTable[1].nCoef = 0.011f;
        test::NetBuilder net(m);
        net.line("A", "B").dia(300).slope(0.005f).status("N0.013");
        m.Results[1].QmaxBig = 20;
    }
};

TEST_F(SelfCleaning, ConstantN) {
    std::optional<PartialFlow> pf = SolvePartialFlow(0.02f, 0.013, 0.15f, 0.005f);
    ASSERT_TRUE(pf);
    EXPECT_EQ(pf->steps, 3);
    EXPECT_NEAR(pf->theta, 2.6175, 5e-4);
    EXPECT_NEAR(pf->y, 0.370, 1e-3);

    std::optional<double> s = LineHydraulics(m, 1);
    ASSERT_TRUE(s);
    EXPECT_NEAR(*s, 0.003709, 1e-6);
    EXPECT_EQ(FormatFixed(*s, 4), " 0.0037");
    EXPECT_NEAR(m.ManningN, 0.013, 1e-7);
}

TEST_F(SelfCleaning, VariableNRunsDeeper) {
    m.Criteria.NVariable = "y";
    std::optional<double> s = LineHydraulics(m, 1);
    ASSERT_TRUE(s);
    EXPECT_NEAR(*s, 0.00336, 1e-5);
    EXPECT_EQ(FormatFixed(*s, 4), " 0.0034");

    // The rougher part-full pipe carries the flow at a greater depth.
    std::optional<PartialFlow> first = SolvePartialFlow(0.02f, 0.013, 0.15f, 0.005f);
    ASSERT_TRUE(first);
    std::optional<PartialFlow> second = SolvePartialFlow(0.02f / first->P, 0.013, 0.15f, 0.005f);
    ASSERT_TRUE(second);
    EXPECT_NEAR(second->theta, 2.831, 2e-3);
    EXPECT_NEAR(second->y, 0.423, 2e-3);
    EXPECT_GT(second->y, first->y);
}

TEST_F(SelfCleaning, CapacityAndEmptyCases) {
    m.Results[1].QmaxBig = 200;  // beyond the capacity at the minimum slope
    EXPECT_EQ(LineHydraulics(m, 1), std::optional<double>(0.003f));

    m.Results[1].QmaxBig = 52.96f;  // equal to the capacity: the solve runs
    std::optional<double> s = LineHydraulics(m, 1);
    ASSERT_TRUE(s);
    EXPECT_NE(*s, static_cast<double>(0.003f));

    m.ManningN = 0.5;
    m.Results[1].QmaxBig = 0;
    EXPECT_FALSE(LineHydraulics(m, 1));
    EXPECT_EQ(m.ManningN, 0.5);  // untouched without a design flow
}

TEST_F(SelfCleaning, BadInputsGiveNoValue) {
    struct Case {
        const char* what;
        void (*setup)(Model&);
    };
    const Case cases[] = {
        {"no Manning n", [](Model& m) { m.Lines[1].Status = ""; m.Lines[1].Dia = 400; }},
        {"no minimum slope", [](Model& m) { m.DiaTable[1].Mins = 0; }},
        {"flat", [](Model& m) { m.Lines[1].slope = 0; }},
        {"uphill", [](Model& m) { m.Lines[1].slope = -0.002f; }},
        {"no such line", [](Model& m) { m.Results[1].QmaxBig = 0; }},
        {"zero diameter", [](Model& m) { m.Lines[1].Dia = 0; }},
    };
    for (const Case& c : cases) {
        Model fresh;
        fresh.DiaCount = 1;
        fresh.DiaTable[1] = m.DiaTable[1];
        fresh.Lines[1] = m.Lines[1];
        fresh.LineCount = 1;
        fresh.Results[1].QmaxBig = 20;
        c.setup(fresh);
        EXPECT_FALSE(LineHydraulics(fresh, 1)) << c.what;
    }
    EXPECT_FALSE(LineHydraulics(m, -1));
    EXPECT_FALSE(LineHydraulics(m, 99999));
    EXPECT_FALSE(SolvePartialFlow(0.02, 0.013, 0.15, std::nan("")));
}

}  // namespace
}  // namespace vd
