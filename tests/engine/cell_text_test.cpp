#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "engine/errors.h"
#include "engine/cell_text.h"
#include "engine/column_catalogue.h"
#include "engine/fixed_text.h"
#include "net_builder.h"
#include "recording_ui.h"

namespace vd {
namespace {

const std::string kBlank(20, ' ');

// A small processed-looking network: 1 A->B -> 2 B->C <- 3 D->B, one lateral
// 1..2, three pipe sizes, two sheets.
class CellTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.SetUi(&ui);
        test::NetBuilder net(m);
        net.line("A", "B").len(50).dia(300).gr(101, 100.5).inv(99, 98.75).slope(0.005).lat("01");
        net.line("B", "C").len(40).dia(300).gr(100.5, 100).inv(98.5, 98.3).slope(0.005).lat("01");
        net.line("D", "B").len(30).dia(200).gr(101, 100.5).inv(99.4, 98.9).lat("0101");
        m.Links[1] = {2, 3, 0, 0, 0, 1, 0};
        m.Links[2] = {0, 0, 0, 0, 1, 1, 0};
        m.Links[3] = {2, 1, 0, 0, 0, 2, 0};
        m.DiaCount = 3;
        float sizes[3] = {200, 300, 400};
        for (int i = 1; i <= 3; ++i) {
            m.DiaTable[i].Dia = sizes[i - 1];
            m.DiaTable[i].Mins = 0.003f;
            m.DiaTable[i].nCoef = 0.015f;
            m.DiaTable[i].HdMax = 0.8f;
        }
        m.LatCount = 2;
        m.CreateLatTable(2);
        m.LatTable[1][LatFirst] = 1;
        m.LatTable[1][LatLast] = 2;
        m.LatTable[2][LatFirst] = 3;
        m.LatTable[2][LatLast] = 3;
        m.SheetTable.assign(2, SheetRecord{});
        m.SheetTable[1].DwgNo = 7;
        m.Results[2].SheetIdx = 1;
    }
    // The cell as the grid shows it, trimmed.
    std::string Shown(int code, int row) {
        LineFieldToCell(m, code, row, cat);
        return Trim(cat[code].CellText.view());
    }
    std::string Raw(int code) { return cat[code].CellText.str(); }
    void Store(int code, int row, const std::string& text) {
        if (code >= 0 && code < static_cast<int>(cat.size())) cat[code].CellText = text;
        CellToLineField(m, code, row, cat);
    }

    test::RecordingUi ui;
    Model m;
    std::vector<GridColumnDef> cat = std::vector<GridColumnDef>(kGridCatalogueUpper + 1);
};

TEST_F(CellTextTest, PeakFactorCappedByKmax) {
    struct Case { float pop; const char* kmax; const char* k; };
    const Case cases[] = {
        {1000, "5", "5.00"}, {500, "5", "5.00"}, {500, "10", "5.61"}, {100000, "5", "2.32"},
        {0, "5", "0.00"}, {-20, "5", "0.00"}, {100000, "", "0.00"},
    };
    for (const auto& c : cases) {
        m.Criteria.KmaxText = c.kmax;
        m.Results[1].Pop1_total = c.pop;
        m.Results[1].Pop2_total = c.pop;
        EXPECT_EQ(Shown(14, 1), c.k) << c.pop << " kmax " << c.kmax;
        EXPECT_EQ(Shown(23, 1), c.k) << c.pop << " kmax " << c.kmax;
    }
}

TEST_F(CellTextTest, InflowsAndPeakFlowUseThePeakFactor) {
    m.Criteria.LPCD1 = 200;
    m.Criteria.InflowPercent = 10;
    m.Results[1].Pop1_total = 1000;
    m.Results[1].Pop2_total = 1000;
    m.Results[1].QavgEnd = 2.5f;
    LineFieldToCell(m, 14, 1, cat);
    // 1000 * 200 / 86400 * 5 = 11.574 l/s, 10 % of it
    EXPECT_EQ(Raw(16), " 1.16" + std::string(15, ' '));
    LineFieldToCell(m, 25, 1, cat);
    EXPECT_EQ(Trim(Raw(23)), "5.00");
    EXPECT_EQ(Trim(Raw(25)), "1.25");
    EXPECT_EQ(Shown(56, 1), "12.50");
}

TEST_F(CellTextTest, SlopeIsRoundedInTheRecordToo) {
    struct Case { float slope; const char* shown; float stored; };
    const Case cases[] = {{0.004567f, "0.0046", 0.0046f}, {0.00125f, "0.0012", 0.0012f}, {-0.01234f, "-0.0123", -0.0123f}};
    for (const auto& c : cases) {
        m.Lines[1].slope = c.slope;
        EXPECT_EQ(Shown(32, 1), c.shown);
        EXPECT_FLOAT_EQ(m.Lines[1].slope, c.stored);
    }
    m.Lines[0].slope = 0.004567f;  // the template is shown but never written
    EXPECT_EQ(Shown(32, 0), "0.0046");
    EXPECT_FLOAT_EQ(m.Lines[0].slope, 0.004567f);
}

TEST_F(CellTextTest, ManningNFollowsThePipeSizeRule) {
    struct Case { const char* status; float dia; const char* shown; };
    const Case cases[] = {
        {"N0.013", 300, "0.013"}, {"fn0.013", 300, "0.013"}, {"N0.04", 300, "0.040"},
        {"N0.05", 300, "0.015"},  {"F", 300, "0.015"},       {"N0.005", 300, "0.015"},
        {"N0.013", 900, "0.013"}, {"", 900, "0.000"},
        {"N0.0125", 300, "0.013"},  // held single-precision, a hair above the half
    };
    for (const auto& c : cases) {
        m.Lines[1].Status = c.status;
        m.Lines[1].Dia = c.dia;
        EXPECT_EQ(Shown(33, 1), c.shown) << c.status << " " << c.dia;
        EXPECT_EQ(m.Lines[1].Status.trim(), c.status);
    }
    m.Lines[1].Status = "N0.013";
    m.Lines[1].Dia = 300;
    LineFieldToCell(m, 33, 1, cat);
    EXPECT_NEAR(m.ManningN, 0.013, 1e-6);
}

TEST_F(CellTextTest, SelfCleaningSlope) {
    LineRecord& l = m.Lines[1];
    l.Status = "N0.013";
    m.Results[1].QmaxBig = 20;
    EXPECT_EQ(Shown(36, 1), "0.0037");
    m.Results[1].QmaxBig = 200;  // beyond the capacity at the minimum slope
    EXPECT_EQ(Shown(36, 1), "0.0030");
    m.Results[1].QmaxBig = 0;
    EXPECT_EQ(Shown(36, 1), "0.0000");
    m.Results[1].QmaxBig = 20;
    l.slope = 0;  // no answer: blank, not an error
    LineFieldToCell(m, 36, 1, cat);
    EXPECT_EQ(Raw(36), kBlank);
    l.slope = 0.0015f;  // a flat line near capacity: no depth carries the flow
    m.Results[1].QmaxBig = 46;
    LineFieldToCell(m, 36, 1, cat);
    EXPECT_EQ(Raw(36), kBlank);
    m.Results[1].QmaxBig = 20;
    m.DiaTable[2].Mins = 0;
    l.slope = 0.005f;
    LineFieldToCell(m, 36, 1, cat);
    EXPECT_EQ(Raw(36), kBlank);
}

TEST_F(CellTextTest, VelocitiesAndFullPipeFlow) {
    LineRecord& l = m.Lines[1];
    l.Status = "N0.013";
    m.Results[1].Qsw = 20;  // flows at theta 2.6175 in a 300 mm pipe at 0.005
    EXPECT_EQ(Shown(12, 1), "0.84");
    m.Results[1].Qsw = 200;  // more than the pipe carries: full section
    EXPECT_EQ(Shown(12, 1), "2.83");
    m.Results[1].QmaxEnd = 10;
    LineFieldToCell(m, 35, 1, cat);
    double qf = std::stod(Trim(Raw(34)));
    EXPECT_NEAR(qf, 68.37, 0.02);
    EXPECT_NEAR(std::stod(Trim(Raw(35))), qf / 1000 / (3.14159 * 0.09 / 4), 0.006);
}

TEST_F(CellTextTest, UnmetConditionsAndDivisionsGiveBlanks) {
    struct Case { int code; const char* what; void (*setup)(Model&); };
    const Case cases[] = {
        {12, "Qsw 0", [](Model& m) { m.Results[1].Qsw = 0; }},
        {34, "QmaxEnd 0", [](Model& m) { m.Results[1].QmaxEnd = 0; }},
        {35, "QmaxEnd 0", [](Model& m) { m.Results[1].QmaxEnd = 0; }},
        {35, "Dia 0", [](Model& m) { m.Results[1].QmaxEnd = 5; m.Lines[1].Dia = 0; }},
        {39, "Len 0", [](Model& m) { m.Lines[1].Len = 0; }},
        {39, "beyond single precision", [](Model& m) { m.Lines[1].Len = 1e-40f; }},
        {51, "Len 0", [](Model& m) { m.Lines[1].Len = 0; }},
        {53, "sheet beyond the table", [](Model& m) { m.Results[1].SheetIdx = 5; }},
        {53, "sheet negative", [](Model& m) { m.Results[1].SheetIdx = -1; }},
        {45, "next line beyond the table", [](Model& m) { m.Links[1].NextLine = 30000; }},
        {101, "upper line beyond the table", [](Model& m) { m.Links[1].UpLine = 30000; }},
        {102, "upper line beyond the table", [](Model& m) { m.Links[1].UpLine = -3; }},
        {13, "no conversion", [](Model&) {}},
        {30, "no conversion", [](Model&) {}},
        {58, "no conversion", [](Model&) {}},
        {75, "no conversion", [](Model&) {}},
    };
    for (const auto& c : cases) {
        m = Model();
        SetUp();
        m.Lines[1].Status = "N0.013";
        cat[c.code].CellText = "previous row";
        c.setup(m);
        LineFieldToCell(m, c.code, 1, cat);
        EXPECT_EQ(Raw(c.code), kBlank) << c.code << ": " << c.what;
    }
}

TEST_F(CellTextTest, RowsAndCodesOutsideTheirTablesGiveBlanks) {
    struct Case { int code; int row; };
    const Case cases[] = {
        {1, -1}, {40, 2001}, {40, 32767}, {60, 4}, {64, 21}, {79, 27}, {79, -1},
        {88, 3}, {0, 1}, {103, 1}, {105, 1},
    };
    for (const auto& c : cases) {
        cat[c.code].CellText = "previous";
        LineFieldToCell(m, c.code, c.row, cat);
        EXPECT_EQ(Raw(c.code), kBlank) << c.code << " row " << c.row;
    }
    LineFieldToCell(m, 400, 1, cat);  // a code beyond the catalogue is no text anywhere
    m.LatCount = 0;
    EXPECT_EQ(Shown(89, 1), "");
    m.LatCount = 2;
    m.LatTable.clear();
    EXPECT_EQ(Shown(99, 1), "");
    m.LatTable = {{}, {0, 1, 30000, 0, 0, 0, 0, 0}};
    m.LatCount = 1;
    EXPECT_EQ(Shown(90, 1), "");
    m.DiaCount = 3;
    EXPECT_EQ(Shown(60, 0), "0");  // the blank size row converts
}

TEST_F(CellTextTest, DerivedAndLateralColumns) {
    m.Results[2].Pop2_total = 1500;
    m.Results[2].QmaxEnd = 12.345f;
    m.Lines[1].From = "MANHOLE-NUMBER-123456789";
    struct Case { int code; int row; const char* shown; };
    const Case cases[] = {
        {39, 1, "0.0100"}, {43, 1, "2.00"}, {44, 1, "1.75"}, {45, 1, "0.25"}, {45, 2, "0.00"},
        {46, 1, "0.00"}, {50, 2, "0.00"}, {101, 2, "2"}, {101, 1, "0"}, {102, 2, "0.40"},
        {102, 1, "0.00"}, {53, 2, "7"}, {53, 1, "0"}, {1, 1, "MANHOLE-NUMBER-12345"},
        // lateral 1 runs from line 1 to line 2
        {89, 1, "MANHOLE-NUMBER-12345"}, {90, 1, "C"}, {92, 1, "101.00"}, {93, 1, "99.00"},
        {94, 1, "100.00"}, {95, 1, "98.30"}, {97, 1, "1500.00"}, {98, 1, "12.35"}, {99, 1, "300"},
    };
    for (const auto& c : cases) EXPECT_EQ(Shown(c.code, c.row), c.shown) << c.code << " row " << c.row;
    m.Links[3].Branch1 = 0;  // line 1 alone into B
    m.Links[2].UpLine = 3;
    EXPECT_EQ(Shown(101, 2), "1");
    m.Links[3].Branch1 = 1;
    m.Links[3].Branch2 = 4;
    EXPECT_EQ(Shown(101, 2), "3");
}

TEST_F(CellTextTest, CostErrorOncePerFill) {
    m.DiaTable[2].PipeCons = 1e8f;  // 50 m at this price is beyond any sensible cost
    CostMessages fill;
    for (int row : {1, 2}) {
        LineFieldToCell(m, 51, row, cat, &fill);
        EXPECT_EQ(Trim(Raw(51)), "0") << row;
    }
    EXPECT_EQ(ui.boxes, std::vector<std::string>{"Cost Error"});
}

// Every code that can be both shown and stored comes back as it was typed.
TEST_F(CellTextTest, RoundTrips) {
    struct Case { int code; int row; const char* typed; const char* shown; };
    const Case cases[] = {
        {1, 2, "MH-17", "MH-17"}, {2, 2, "MH 18", "MH 18"}, {3, 2, "1.25", "1.250"},
        {4, 2, "3.5", "3.500"}, {5, 2, "120", "120"}, {6, 2, "2400", "2400"},
        {7, 2, "0.125", "0.125"}, {8, 2, "7", "7.000"}, {9, 2, "45", "45"}, {10, 2, "1500", "1500"},
        {11, 2, "3.25", "3.25"}, {15, 2, "0.125", "0.125"}, {17, 2, "12.5", "12.50"},
        {18, 2, "0.75", "0.75"}, {20, 2, "4", "4.00"}, {21, 2, "0.5", "0.50"},
        {24, 2, "0.25", "0.250"}, {26, 2, "1.5", "1.50"}, {27, 2, "20.25", "20.25"},
        {28, 2, "1.125", "1.12"}, {31, 2, "400", "400"}, {32, 2, "0.0035", "0.0035"},
        {37, 2, "101.25", "101.25"}, {38, 2, "100.5", "100.50"}, {40, 2, "12.5m", "12.50"},
        {41, 2, "-3.75", "-3.75"}, {42, 2, "97", "97.00"}, {52, 2, "0101", "0101"},
        {53, 2, "12", "12"}, {54, 2, "FN0.013", "FN0.013"}, {55, 2, "2.5", "2.50"},
        {57, 2, "1.2", "1.20"}, {60, 2, "350", "350"}, {61, 2, "0.0025", "0.0025"},
        {62, 2, "3", "3.0"}, {63, 2, "0.75", "0.75"}, {64, 2, "0.014", "0.014"},
        {65, 2, "120", "120"}, {66, 2, "80", "80"}, {67, 2, "300", "300"},
        {68, 2, "123456.5", "123456.5"}, {69, 2, "-12.25", "-12.25"}, {70, 2, "5E+07", "5E+07"},
        {71, 2, "0", "0"}, {79, 5, "GroundLine", "GroundLine"}, {80, 5, "Y", "Y"},
        {81, 5, "ROMANS", "ROMANS"}, {82, 5, "3", "3"}, {83, 5, "2", "2"}, {84, 5, "1.5", "1.5"},
        {85, 5, "0.25", "0.25"}, {86, 5, "12.5", "12.50"}, {87, 5, "90", "90"}, {88, 1, "3", "3"},
        {89, 1, "START", "START"}, {90, 1, "OUT", "OUT"}, {91, 1, "120.5", "120.50"},
        {96, 1, "02", "02"}, {100, 2, "T5", "T5"},
    };
    for (const auto& c : cases) {
        Store(c.code, c.row, c.typed);
        EXPECT_EQ(Trim(Raw(c.code)), c.typed) << "cell text kept, code " << c.code;
        EXPECT_EQ(Shown(c.code, c.row), c.shown) << c.code;
    }
    EXPECT_FLOAT_EQ(m.Results[2].Chainage, 120.5f);  // the last line, where it is shown
    EXPECT_FLOAT_EQ(m.Results[1].Chainage, 0);
}

TEST_F(CellTextTest, StoringTypedText) {
    Store(40, 1, "abc");
    EXPECT_EQ(m.Lines[1].Len, 0);
    Store(40, 1, "1,5");
    EXPECT_EQ(m.Lines[1].Len, 1);
    Store(40, 1, "");
    EXPECT_EQ(m.Lines[1].Len, 0);
    Store(1, 1, "ABCDEFGHIJKLMNOPQRSTUV");
    EXPECT_EQ(m.Lines[1].From.str(), "ABCDEFGHIJKLMNOPQRST     ");
    Store(80, 3, "yes");
    EXPECT_EQ(m.ObjectStyles[3].Visible.str(), "y");
    struct Level { const char* typed; int16_t level; };
    for (Level c : {Level{"2.5", 2}, Level{"3.5", 4}, Level{"-1.5", -2}}) {
        Store(88, 1, c.typed);
        EXPECT_EQ(m.Lines[1].Level, c.level) << c.typed;
    }
}

TEST_F(CellTextTest, StoringChangesNothingItShouldNot) {
    const Model before = m;
    auto same = [&](const char* what) {
        for (int i = 0; i <= 4; ++i) {
            EXPECT_EQ(m.Lines[i].Len, before.Lines[i].Len) << what;
            EXPECT_EQ(m.Lines[i].From, before.Lines[i].From) << what;
            EXPECT_EQ(m.Lines[i].Level, before.Lines[i].Level) << what;
            EXPECT_EQ(m.Results[i].Chainage, before.Results[i].Chainage) << what;
        }
        EXPECT_EQ(m.DiaTable[0].Dia, 0) << what;
        EXPECT_EQ(m.SheetTable[1].DwgNo, 7) << what;
    };
    for (int code : {12, 13, 14, 33, 36, 39, 45, 51, 56, 92, 99, 101, 102, 0, 150}) Store(code, 1, "9");
    same("derived codes");
    Store(40, 0, "9");
    Store(1, 0, "X");
    Store(60, 0, "9");
    Store(88, 0, "9");
    same("template rows");
    Store(40, -1, "9");
    Store(40, 2001, "9");
    m.Results[1].SheetIdx = 9;
    Store(53, 1, "9");
    m.LatCount = 0;
    Store(91, 1, "9");
    Store(89, 1, "X");
    same("rows outside their tables");
}

TEST_F(CellTextTest, OutOfRangeNumbersRaiseOverflowAndKeepTheField) {
    struct Case { int code; int row; const char* typed; };
    const Case cases[] = {{88, 1, "40000"}, {53, 2, "-32769"}, {40, 1, "1e39"}, {40, 1, "1e400"}};
    for (const auto& c : cases) {
        const float len = m.Lines[1].Len;
        try {
            Store(c.code, c.row, c.typed);
            ADD_FAILURE() << "no error for " << c.typed;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), 6) << c.typed;
        }
        EXPECT_EQ(Trim(Raw(c.code)), c.typed);
        EXPECT_EQ(m.Lines[1].Len, len);
        EXPECT_EQ(m.Lines[1].Level, 0);
        EXPECT_EQ(m.SheetTable[1].DwgNo, 7);
    }
}

TEST_F(CellTextTest, FieldsNeverAssignedShowBlanks) {
    // Line 4, style row 7 and the head of lateral 3 were never written.
    m.LatCount = 3;
    m.CreateLatTable(3);
    m.LatTable[3][LatFirst] = 4;
    m.LatTable[3][LatLast] = 4;
    struct Case { int code; int row; };
    const Case cases[] = {
        {1, 4}, {2, 4}, {52, 4}, {54, 4}, {100, 4}, {79, 7}, {80, 7}, {81, 7}, {83, 7}, {84, 7},
        {89, 3}, {90, 3}, {96, 3},
    };
    for (const auto& c : cases) {
        LineFieldToCell(m, c.code, c.row, cat);
        EXPECT_EQ(Raw(c.code), kBlank) << c.code << " row " << c.row;
    }
}

TEST_F(CellTextTest, PipeSizeRowsUpToDiaCount) {
    struct Case { int diaCount; int row; const char* shown; };
    const Case cases[] = {
        {3, 3, "400"}, {3, 0, "0"}, {3, 4, ""}, {0, 0, "0"}, {0, 1, ""}, {-1, 0, ""},
        {25, 20, "0"}, {25, 21, ""},
    };
    for (const auto& c : cases) {
        m.DiaCount = c.diaCount;
        EXPECT_EQ(Shown(60, c.row), c.shown) << "count " << c.diaCount << " row " << c.row;
    }
}

TEST_F(CellTextTest, EmptyKmaxCapsEveryPeakFactorToZero) {
    m.Criteria.KmaxText = "";
    m.Criteria.LPCD1 = 200;
    m.Criteria.InflowPercent = 10;
    m.Results[1].Pop1_total = 2000;
    m.Results[1].Pop2_total = 2000;
    m.Results[1].QavgEnd = 3;
    for (int code : {14, 16, 23, 25, 56}) EXPECT_EQ(Shown(code, 1), "0.00") << code;
}

TEST_F(CellTextTest, CostPerMetre) {
    LineRecord& l = m.Lines[1];
    l.Gr1 = 101;
    l.Inv1 = 100;
    l.Gr2 = 100;
    l.Inv2 = 94;
    l.Len = 100;
    m.Links[1].NextLine = 0;
    m.DiaTable[2].PipeCons = 10;
    m.DiaTable[2].Pipeprice = 20;
    m.DiaTable[2].MhCons = 100;
    LineFieldToCell(m, 51, 1, cat);  // a cost of 5209 over 100 m
    EXPECT_EQ(Raw(51), " 52" + std::string(17, ' '));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CellTextTest, PlainNumbersThatAreNotFiniteShowBlanks) {
    m.Lines[1].X1 = std::numeric_limits<float>::infinity();
    m.Lines[1].Y1 = std::numeric_limits<float>::quiet_NaN();
    m.ObjectStyles[2].Color = -std::numeric_limits<float>::infinity();
    EXPECT_EQ(Shown(68, 1), "");
    EXPECT_EQ(Shown(69, 1), "");
    EXPECT_EQ(Shown(82, 2), "");
    m.Lines[1].X2 = 1234567.8f;
    EXPECT_EQ(Shown(70, 1), "1234568");
}

}  // namespace
}  // namespace vd
