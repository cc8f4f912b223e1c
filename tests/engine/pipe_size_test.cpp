#include "engine/pipe_size.h"

#include <gtest/gtest.h>

#include <tuple>

#include "net_builder.h"

namespace vd {
namespace {

// Sizes 200, 250, 300, 400 mm, n 0.013, HdMax 0.8; line 2 (300 mm) below line 1 (200 mm).
struct Sizes {
    Model m;
    Sizes() {
        const float dia[] = {200, 250, 300, 400};
        m.DiaCount = 4;
        for (int i = 1; i <= 4; ++i) m.DiaTable[i] = DiaRecord{dia[i - 1], 0.004f, 0, 0.013f, 0.8f};
        test::NetBuilder net(m);
        net.line("A", "B").dia(200).slope(0.01f);
        net.line("B", "C").dia(300).slope(0.002f);
        net.line("D", "B").dia(150);
        m.Links[1].NextLine = 2;
        m.Links[2].UpLine = 1;
        m.Results[2].QmaxEnd = 30;
    }
};

TEST(FindPipeSize, FirstRowAtOrAboveTheDiameter) {
    Sizes s;
    s.m.DiaCount = 3;
    EXPECT_EQ(FindPipeSize(s.m, 250), 2);
    EXPECT_EQ(FindPipeSize(s.m, 260), 3);
    EXPECT_EQ(FindPipeSize(s.m, 100), 1);
    EXPECT_EQ(FindPipeSize(s.m, 350), std::nullopt);
    s.m.DiaCount = 0;
    EXPECT_EQ(FindPipeSize(s.m, 100), std::nullopt);
    s.m.DiaCount = 25;  // more rows than the table holds
    EXPECT_EQ(UsableDiaCount(s.m), 20);
    EXPECT_EQ(FindPipeSize(s.m, 5000), std::nullopt);
}

TEST(LineManningN, StatusNumberInRangeElseSizeRow) {
    const std::pair<const char*, double> cases[] = {
        {"N0.013", 0.013}, {"N0.04", 0.04}, {"N0.01", 0.01}, {"n0.02", 0.02}, {"EN 0.025", 0.025},
        {"N0.005", 0.011}, {"N0.1", 0.011}, {"N", 0.011},    {"", 0.011},     {"N0.0401", 0.011},
        {"N1E999", 0.011}, {"N1E-99", 0.011}};
    for (const auto& [status, want] : cases) {
        Sizes s;
        s.m.DiaTable[3].nCoef = 0.011f;
        s.m.Lines[2].Status = status;
        // The n the line holds and the grid shows is single precision, and
        // so is the n the hydraulics compute with.
        EXPECT_EQ(LineManningN(s.m, 2), static_cast<double>(static_cast<float>(want))) << status;
        EXPECT_EQ(s.m.ManningN, static_cast<float>(want)) << status;
        EXPECT_EQ(s.m.Lines[2].Status.rtrim(), status);
    }
    // A line's own n computes as the same n from its size row.
    for (const char* status : {"N0.013", "N0.0130"}) {
        Sizes own, row;
        own.m.Lines[2].Status = status;
        std::optional<double> ownSlope, ownDia, rowSlope, rowDia;
        NextSmallerPipe(own.m, 2, ownSlope, ownDia);
        NextSmallerPipe(row.m, 2, rowSlope, rowDia);
        ASSERT_TRUE(ownSlope && rowSlope);
        EXPECT_EQ(*ownSlope, *rowSlope) << status;
    }
    Sizes s;
    s.m.Lines[2].Dia = 500;  // larger than every size: the blank row's n
    EXPECT_EQ(LineManningN(s.m, 2), 0.0);
}

TEST(NextSmallerPipe, SlopeForTheNextSmallerSize) {
    Sizes s;
    std::optional<double> slope, dia;
    NextSmallerPipe(s.m, 2, slope, dia);
    ASSERT_TRUE(slope && dia);
    EXPECT_EQ(*dia, 250);
    EXPECT_NEAR(*slope, 0.0032, 1e-9);

    // The fitted angle curve is held to a full pipe at most.
    s.m.DiaTable[2].HdMax = 1.0f;
    std::optional<double> atFull, above;
    NextSmallerPipe(s.m, 2, atFull, dia);
    s.m.DiaTable[2].HdMax = 1.0881f;
    NextSmallerPipe(s.m, 2, above, dia);
    ASSERT_TRUE(atFull && above);
    EXPECT_EQ(*above, *atFull);

    // A required 0.004149 is rounded to 0.0041 plus the margin; never lowered.
    s.m.DiaTable[2].HdMax = 0.8f;
    s.m.Results[2].QmaxEnd = 37.38f;
    ChangePipeSizeKey(s.m, "aF2", 2);
    EXPECT_FLOAT_EQ(s.m.Lines[2].slope, 0.0046f);
    EXPECT_EQ(s.m.Lines[2].Dia, 300);
    s.m.Lines[2].slope = 0.01f;
    ChangePipeSizeKey(s.m, "aF2", 2);
    EXPECT_FLOAT_EQ(s.m.Lines[2].slope, 0.01f);
}

TEST(NextSmallerPipe, CasesThatChangeNothing) {
    const std::pair<const char*, void (*)(Model&)> cases[] = {
        {"no design flow", [](Model& m) { m.Results[2].QmaxEnd = 0; }},
        {"smallest size", [](Model& m) { m.Lines[2].Dia = 200; }},
        {"feeder as large", [](Model& m) { m.Lines[1].Dia = 300; }},
        {"feeder through Branch2", [](Model& m) { m.Lines[3].Dia = 300; m.Links[1].Branch2 = 3; }},
        {"smaller size too shallow", [](Model& m) { m.DiaTable[2].HdMax = 0.45f; }},
        {"no Manning n", [](Model& m) { m.DiaTable[3].nCoef = 0; }},
        {"slope beyond 3.2767", [](Model& m) { m.Results[2].QmaxEnd = 1e6f; }},
        {"larger than every size", [](Model& m) { m.Lines[2].Dia = 900; }},
    };
    for (const auto& [what, setup] : cases) {
        Sizes s;
        setup(s.m);
        const LineRecord before = s.m.Lines[2];
        ChangePipeSizeKey(s.m, "aF2", 2);
        EXPECT_EQ(s.m.Lines[2].slope, before.slope) << what;
        EXPECT_EQ(s.m.Lines[2].Dia, before.Dia) << what;
    }
}

TEST(ChangePipeSizeKey, NegativeSlopeWithoutAnOfferedSlope) {
    // No slope offered counts as 0; a slope that cannot be worked out changes nothing.
    const std::tuple<const char*, void (*)(Model&), float> cases[] = {
        {"no design flow", [](Model& m) { m.Results[2].QmaxEnd = 0; }, 0.0f},
        {"no Manning n", [](Model& m) { m.DiaTable[3].nCoef = 0; }, -0.002f},
        {"slope beyond 3.2767", [](Model& m) { m.Results[2].QmaxEnd = 1e6f; }, -0.002f},
        {"smaller size too shallow", [](Model& m) { m.DiaTable[2].HdMax = 0.45f; }, -0.002f},
    };
    for (const auto& [what, setup, want] : cases) {
        Sizes s;
        s.m.Lines[2].slope = -0.002f;
        setup(s.m);
        ChangePipeSizeKey(s.m, "aF2", 2);
        EXPECT_EQ(s.m.Lines[2].slope, want) << what;
        EXPECT_EQ(s.m.Lines[2].Dia, 300) << what;
    }
}

TEST(ChangePipeSizeKey, F2TakesTheNextLargerSize) {
    const float cases[][3] = {{250, 4, 300}, {260, 4, 400}, {100, 4, 250}, {400, 4, 400}, {900, 4, 900}, {300, 3, 300}};
    for (const auto& c : cases) {
        Sizes s;
        s.m.DiaCount = static_cast<int>(c[1]);
        s.m.Lines[2].Dia = c[0];
        ChangePipeSizeKey(s.m, "F2", 2);
        ChangePipeSizeKey(s.m, "F3", 2);
        EXPECT_EQ(s.m.Lines[2].Dia, c[2]) << c[0];
    }
    Sizes s;
    ChangePipeSizeKey(s.m, "F2", 0);  // the template row stays blank
    ChangePipeSizeKey(s.m, "F2", 5000);
    EXPECT_EQ(s.m.Lines[0].Dia, 0);
}

}  // namespace
}  // namespace vd
