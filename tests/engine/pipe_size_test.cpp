#include <gtest/gtest.h>

#include "engine/pipe_size.h"
#include "net_builder.h"

namespace vd {
namespace {

// Sizes 200, 250, 300, 400 mm; n 0.013; HdMax as given.
void FillSizes(Model& m, float hdMax = 0.8f) {
    const float dia[] = {200, 250, 300, 400};
    m.DiaCount = 4;
    for (int i = 1; i <= 4; ++i) {
        m.DiaTable[i].Dia = dia[i - 1];
        m.DiaTable[i].Mins = 0.004f;
        m.DiaTable[i].nCoef = 0.013f;
        m.DiaTable[i].HdMax = hdMax;
    }
}

TEST(FindPipeSize, FirstRowAtOrAboveTheDiameter) {
    Model m;
    m.DiaCount = 3;
    m.DiaTable[1].Dia = 200;
    m.DiaTable[2].Dia = 250;
    m.DiaTable[3].Dia = 300;
    struct Case { double value; std::optional<int> want; };
    const Case cases[] = {{250, 2}, {260, 3}, {100, 1}, {300, 3}, {350, std::nullopt}};
    for (const Case& c : cases) EXPECT_EQ(FindPipeSize(m, c.value), c.want) << c.value;

    m.DiaCount = 0;
    EXPECT_EQ(FindPipeSize(m, 100), std::nullopt);
    m.DiaCount = 25;  // a grid write-back may set more rows than the table holds
    EXPECT_EQ(UsableDiaCount(m), 20);
    EXPECT_EQ(FindPipeSize(m, 5000), std::nullopt);
}

TEST(LineManningN, StatusNumberInRangeElseSizeRow) {
    struct Case { const char* status; double want; };
    const Case cases[] = {
        {"N0.013", 0.013}, {"N0.04", 0.04}, {"N0.01", 0.01}, {"n0.02", 0.02}, {"EN 0.025", 0.025},
        {"N0.005", 0.011}, {"N0.1", 0.011},  {"N", 0.011},    {"", 0.011},     {"L", 0.011},
        {"N0.0401", 0.011},
    };
    for (const Case& c : cases) {
        Model m;
        FillSizes(m);
        m.DiaTable[3].nCoef = 0.011f;
        test::NetBuilder net(m);
        net.line("A", "B").dia(300).status(c.status);
        EXPECT_NEAR(LineManningN(m, 1), c.want, 1e-7) << c.status;
        EXPECT_NEAR(m.ManningN, c.want, 1e-7) << c.status;
        EXPECT_EQ(m.Lines[1].Status.rtrim(), c.status);
    }
    Model m;
    FillSizes(m);
    test::NetBuilder net(m);
    net.line("A", "B").dia(500);  // larger than every size: the blank row's n
    EXPECT_EQ(LineManningN(m, 1), 0.0);
}

// Line 2 (300 mm) below line 1; Results of line 2 carry the design flow.
struct SmallerPipe : ::testing::Test {
    Model m;
    test::NetBuilder net{m};
    void SetUp() override {
        FillSizes(m);
        net.line("A", "B").dia(200).slope(0.01f);
        net.line("B", "C").dia(300).slope(0.002f);
        m.Links[1].NextLine = 2;
        m.Links[2].UpLine = 1;
    }
};

TEST_F(SmallerPipe, SlopeForTheNextSmallerSize) {
    m.Results[2].QmaxEnd = 30;
    std::optional<double> s, d;
    NextSmallerPipe(m, 2, s, d);
    ASSERT_TRUE(s && d);
    EXPECT_EQ(*d, 250);
    EXPECT_NEAR(*s, 0.0032, 1e-9);

    // A required slope of 0.004149 is rounded to 0.0041 plus the margin.
    m.Results[2].QmaxEnd = 37.38f;
    ChangePipeSizeKey(m, "aF2", 2);
    EXPECT_FLOAT_EQ(m.Lines[2].slope, 0.0046f);
    EXPECT_EQ(m.Lines[2].Dia, 300);
    // Never lowers a slope.
    m.Lines[2].slope = 0.01f;
    ChangePipeSizeKey(m, "aF2", 2);
    EXPECT_FLOAT_EQ(m.Lines[2].slope, 0.01f);
}

TEST(NextSmallerPipe, CasesThatChangeNothing) {
    struct Case {
        const char* what;
        float qmaxEnd;
        void (*setup)(Model&);
    };
    const Case cases[] = {
        {"no design flow", 0, [](Model&) {}},
        {"smallest size", 30, [](Model& m) { m.Lines[2].Dia = 200; }},
        {"feeder as large", 30, [](Model& m) { m.Lines[1].Dia = 300; }},
        {"feeder through Branch2", 30,
         [](Model& m) {
             m.Lines[3].Dia = 300;
             m.Links[1].Branch2 = 3;
         }},
        {"smaller size too shallow", 30, [](Model& m) { m.DiaTable[2].HdMax = 0.45f; }},
        {"no Manning n", 30, [](Model& m) { m.DiaTable[3].nCoef = 0; }},
        {"slope beyond 3.2767", 1e6f, [](Model&) {}},
        {"larger than every size", 30, [](Model& m) { m.Lines[2].Dia = 900; }},
    };
    for (const Case& c : cases) {
        Model fresh;
        FillSizes(fresh);
        test::NetBuilder n2(fresh);
        n2.line("A", "B").dia(200).slope(0.01f);
        n2.line("B", "C").dia(300).slope(0.002f);
        n2.line("D", "B").dia(150);
        fresh.Links[1].NextLine = 2;
        fresh.Links[2].UpLine = 1;
        fresh.Results[2].QmaxEnd = c.qmaxEnd;
        c.setup(fresh);
        const float dia = fresh.Lines[2].Dia;
        ChangePipeSizeKey(fresh, "aF2", 2);
        EXPECT_FLOAT_EQ(fresh.Lines[2].slope, 0.002f) << c.what;
        EXPECT_EQ(fresh.Lines[2].Dia, dia) << c.what;
    }
}

TEST_F(SmallerPipe, DepthRatioAboveFullStaysUsable) {
    m.Results[2].QmaxEnd = 30;
    m.DiaTable[2].HdMax = 1.0f;
    std::optional<double> atFull, d;
    NextSmallerPipe(m, 2, atFull, d);
    m.DiaTable[2].HdMax = 1.0881f;  // where the fitted curve's denominator vanishes
    std::optional<double> above;
    NextSmallerPipe(m, 2, above, d);
    ASSERT_TRUE(atFull && above);
    EXPECT_EQ(*above, *atFull);
}

TEST(ChangePipeSizeKey, F2TakesTheNextLargerSize) {
    struct Case { float dia; int dcount; float want; };
    const Case cases[] = {
        {250, 4, 300}, {260, 4, 400}, {100, 4, 250}, {400, 4, 400}, {900, 4, 900}, {300, 3, 300},
    };
    for (const Case& c : cases) {
        Model m;
        FillSizes(m);
        m.DiaCount = c.dcount;
        test::NetBuilder net(m);
        net.line("A", "B").dia(c.dia);
        ChangePipeSizeKey(m, "F2", 1);
        EXPECT_EQ(m.Lines[1].Dia, c.want) << c.dia;
        ChangePipeSizeKey(m, "F3", 1);
        EXPECT_EQ(m.Lines[1].Dia, c.want) << c.dia;
    }
    Model m;
    FillSizes(m);
    ChangePipeSizeKey(m, "F2", 0);  // the template row stays blank
    ChangePipeSizeKey(m, "F2", 5000);
    EXPECT_EQ(m.Lines[0].Dia, 0);
}

}  // namespace
}  // namespace vd
