#include "engine/hydraulics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/number_text.h"
#include "net_builder.h"

namespace vd {
namespace {

constexpr double kPi = 3.141592653589793;

TEST(FullPipeCapacity, ManningFullPipe) {
    // Diameter, flow (l/s) and velocity (m/s) at n 0.013, slope 0.005.
    const double cases[][3] = {{200, 23.19, 0.738}, {300, 68.38, 0.967}};
    for (const auto& c : cases) {
        std::optional<double> q = FullPipeCapacity(c[0], 0.005, 0.013);
        ASSERT_TRUE(q);
        EXPECT_NEAR(*q, c[1], 0.0101);
        const double d = c[0] / 1000;
        EXPECT_NEAR(*q / 1000 / (kPi * d * d / 4), c[2], 0.001);
    }
    EXPECT_NEAR(*FullPipeCapacity(300, 0.003, 0.013), 52.96, 1e-9);
    EXPECT_NEAR(*FullPipeCapacity(300, 0.005, 0.013), 68.37, 1e-9);  // cut down, not rounded
    EXPECT_FALSE(FullPipeCapacity(300, 0.003, 0));
}

TEST(SolvePartialFlow, ConstantNRatios) {
    // Depth ratio, flow ratio and velocity ratio of a part-full pipe.
    const double cases[][3] = {{0.5, 0.5, 1.0}, {0.8, 0.9775, 1.1397}};
    const double d = 0.3, n = 0.013, s = 0.005;
    const double full = (kPi * d * d / 4) * std::pow(d / 4, 2.0 / 3.0) * std::sqrt(s) / n;
    for (const auto& c : cases) {
        std::optional<PartialFlow> pf = SolvePartialFlow(c[1] * full, n, d / 2, s);
        ASSERT_TRUE(pf);
        EXPECT_NEAR(pf->y, c[0], 0.002);
        EXPECT_NEAR(c[1] / ((pf->theta - std::sin(pf->theta)) / (2 * kPi)), c[2], 0.005);
    }
    EXPECT_NEAR(DepthFactor(1), 1.0, 1e-4);
    EXPECT_NEAR(DepthFactor(0), 0.83, 1e-3);
    EXPECT_NEAR(DepthFactor(0.3), 0.78, 0.01);
}

// Dia 300, n 0.013 from Status, Mins 0.003, slope 0.005, QmaxBig 20.
struct SelfCleaning : ::testing::Test {
    Model m;
    void SetUp() override {
        m.DiaCount = 1;
        m.DiaTable[1] = DiaRecord{300, 0.003f, 0, 0.011f, 0.8f};
        test::NetBuilder(m).line("A", "B").dia(300).slope(0.005f).status("N0.013");
        m.Results[1].QmaxBig = 20;
    }
};

TEST_F(SelfCleaning, ConstantAndVariableN) {
    std::optional<PartialFlow> first = SolvePartialFlow(0.02f, 0.013, 0.15f, 0.005f);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->steps, 3);
    EXPECT_NEAR(first->theta, 2.6175, 5e-4);
    EXPECT_NEAR(first->y, 0.370, 1e-3);
    std::optional<double> s = LineHydraulics(m, 1);
    ASSERT_TRUE(s);
    EXPECT_NEAR(*s, 0.003709, 1e-6);
    EXPECT_EQ(FormatFixed(*s, 4), " 0.0037");
    EXPECT_NEAR(m.ManningN, 0.013, 1e-7);

    // A rougher part-full pipe runs deeper, so it needs less slope.
    m.Criteria.NVariable = "y";
    s = LineHydraulics(m, 1);
    ASSERT_TRUE(s);
    EXPECT_NEAR(*s, 0.00336, 1e-5);
    EXPECT_EQ(FormatFixed(*s, 4), " 0.0034");
    std::optional<PartialFlow> second = SolvePartialFlow(0.02f / first->P, 0.013, 0.15f, 0.005f);
    ASSERT_TRUE(second);
    EXPECT_NEAR(second->theta, 2.831, 2e-3);
    EXPECT_NEAR(second->y, 0.423, 2e-3);
}

TEST_F(SelfCleaning, CapacityAndEmptyCases) {
    m.Results[1].QmaxBig = 200;  // beyond the capacity at the minimum slope
    EXPECT_EQ(LineHydraulics(m, 1), std::optional<double>(0.003f));
    m.Results[1].QmaxBig = 52.96f;  // equal to it: the solve runs
    EXPECT_NE(LineHydraulics(m, 1), std::optional<double>(0.003f));
    m.ManningN = 0.5;
    m.Results[1].QmaxBig = 0;
    EXPECT_FALSE(LineHydraulics(m, 1));
    EXPECT_EQ(m.ManningN, 0.5);
}

TEST_F(SelfCleaning, BadInputsGiveNoValue) {
    const std::pair<const char*, void (*)(Model&)> cases[] = {
        {"no Manning n", [](Model& m) { m.Lines[1].Status = ""; m.Lines[1].Dia = 400; }},
        {"no minimum slope", [](Model& m) { m.DiaTable[1].Mins = 0; }},
        {"flat", [](Model& m) { m.Lines[1].slope = 0; }},
        {"uphill", [](Model& m) { m.Lines[1].slope = -0.002f; }},
        {"zero diameter", [](Model& m) { m.Lines[1].Dia = 0; }},
        // Near capacity on a flat slope no depth carries the flow; the solve
        // settles beyond a full circle.
        {"too flat for its flow", [](Model& m) { m.Lines[1].slope = 0.0015f; m.Results[1].QmaxBig = 46; }},
    };
    for (const auto& [what, setup] : cases) {
        Model fresh = m;
        setup(fresh);
        EXPECT_FALSE(LineHydraulics(fresh, 1)) << what;
    }
    EXPECT_FALSE(LineHydraulics(m, -1));
    EXPECT_FALSE(LineHydraulics(m, 99999));
    EXPECT_FALSE(SolvePartialFlow(0.02, 0.013, 0.15, std::nan("")));
}

}  // namespace
}  // namespace vd
