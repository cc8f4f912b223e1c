#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "engine/errors.h"
#include "engine/column_catalogue.h"

namespace vd {
namespace {

std::vector<GridColumnDef> Catalogue(int upper) { return std::vector<GridColumnDef>(upper + 1); }

TEST(SetColumnTitles, EveryTitleCutOrPaddedToNine) {
    Model m;
    auto cat = Catalogue(kGridCatalogueUpper);
    SetColumnTitles(m, cat);
    struct Case { int code; const char* t1; const char* t2; };
    // Every titled code but the three that follow the modes.
    const Case cases[] = {
        {1, "Mh1_From ", "  From   "}, {2, "Mh2_TO   ", "   To    "},
        {3, "Area1_sub", "   Sub   "}, {4, "Area1_tot", "  Total  "},
        {6, "Pop1_tota", "  Total  "}, {7, "Area2_sub", "   Sub   "},
        {8, " Area2_To", "  Total  "}, {10, "Pop2_tota", "  Total  "},
        {11, "Qsw(l/s) ", "  (l/s)  "}, {12, "Vsw(m/s) ", "  (m/s)  "},
        {13, "CT(min)  ", "   min   "}, {14, "Kmax(big)", "  Factor "},
        {15, "Qinf1.(l/", "  (l/s)  "}, {16, "Qinflow1(", "  (l/s)  "},
        {17, "Qmax(big)", "  (l/s)  "}, {18, "Vmax(big)", "  (m/s)  "},
        {19, "H/D(big) ", "   Max   "}, {20, "Qavg(end)", "  (l/s)  "},
        {21, "Vavg(end)", "  (m/s)  "}, {22, " H/D(end)", "   Avg   "},
        {23, "Kmax(end)", "  Factor "}, {24, "Qinf.2(l/", "  (l/s)  "},
        {25, "Qinflow2(", "  (l/s)  "}, {26, "Qadd(l/s)", "  Total  "},
        {27, "Qmax(end)", "  (l/s)  "}, {28, "Vmax(end)", "  (m/s)  "},
        {29, " H/D(end)", "  Max    "}, {30, " Q/Qfull ", "  Max    "},
        {31, "Diameter(", "   (mm)  "}, {32, "Slope(m/m", "  (m/m)  "},
        {33, "    n    ", " Manning "}, {34, "Qfull(l/s", "  (l/s)  "},
        {35, "Vfull(m/s", "  (m/s)  "}, {36, "SelfClean", "  Slope  "},
        {37, "Gr.Elv._u", "    Up   "}, {38, "Gr.Elv._d", "  down   "},
        {39, "Gr.Slope ", "  (m/m)  "}, {40, " Lenght(m", "   (m)   "},
        {41, " inv.Elv.", "    Up   "}, {42, " inv.Elv.", "  down   "},
        {43, " Depth(m)", "    Up   "}, {44, " Depth(m)", "   down  "},
        {45, " Drop(m) ", "   down  "}, {46, "  Len.(m)", " Depth<2 "},
        {47, "  Len.(m)", " 2<Dep<3 "}, {48, "  Len.(m)", " 3<Dep<4 "},
        {49, "  Len.(m)", " 4<Dep<5 "}, {50, "  Len.(m)", " Depth>5 "},
        {51, "  Cost   ", "  unit/m "}, {52, " Lateral ", "    #    "},
        {53, "   DWG   ", "    #    "}, {54, "  Status ", "         "},
        {56, " Qpeak   ", " (l/s)   "}, {57, " Mincover", "  (m)    "},
        {60, "   Dia   ", "  (mm)   "}, {61, "  Mins   ", "  (m/m)  "},
        {62, " Maxvel. ", "  (m/s)  "}, {63, " H/d max ", "         "},
        {64, "   n     ", "  Coef.  "}, {65, "Pipeprice", "  (/m)   "},
        {66, "Pipe Cons", "  (/m)   "}, {67, " Mh Cons.", "  (/m)   "},
        {68, "  X1     ", "  Cor.   "}, {69, "  Y1     ", "  Cor.   "},
        {70, "  X2     ", "  Cor    "}, {71, "  Y2     ", "  Cor    "},
        {79, "Entity   ", "  Name   "}, {80, "Visible  ", "  [y/n]  "},
        {81, "Style/LTY", "   NAME  "}, {82, "COLOR    ", "  #      "},
        {83, "Row-Locat", "  Line   "}, {84, "Text H-Sp", " Text(cm)"},
        {85, "Text V-Sp", " Text(cm)"}, {86, "Divide-Li", " Len     "},
        {87, "Rotate   ", " Degree  "}, {88, " Lateral ", "    #    "},
        {89, "  From   ", "   Mh.   "}, {90, "  TO     ", "   Mh.   "},
        {91, "  Length ", "  (m)    "}, {92, " GR.EL.  ", "  From   "},
        {93, " INV.EL. ", "  From   "}, {94, " GR.EL.  ", "  To     "},
        {95, " INV.EL. ", "  To     "}, {96, " Latral  ", "  Total  "},
        {97, " Pop  end", "  Total  "}, {98, " Qmax end", " (l/s)   "},
        {99, " Dia     ", "  (mm)   "}, {100, " TYPE    ", "         "},
        {101, " Connect ", "         "}, {102, " Drop    ", " (m)     "},
    };
    ASSERT_EQ(std::size(cases), 90u);
    for (const auto& c : cases) {
        EXPECT_EQ(cat[c.code].Title1.str(), c.t1) << c.code;
        EXPECT_EQ(cat[c.code].Title2.str(), c.t2) << c.code;
    }
}

TEST(SetColumnTitles, ModeDependentTitles) {
    struct Case { int16_t pop1, pop2, qadd; const char* t5; const char* t9; const char* t55b; };
    const Case cases[] = {
        {1, 1, 1, " Density1", " Density2", " Total   "},
        {0, 0, 0, "   Pop.1 ", "   Pop.2 ", "  Sub    "},
        {2, 3, 2, "   Pop.1 ", "   Pop.2 ", "  Sub    "},
        {4, 1, 0, "   Pop.1 ", " Density2", "  Sub    "},
    };
    for (const auto& c : cases) {
        Model m;
        m.Criteria.Pop1Mode = c.pop1;
        m.Criteria.Pop2Mode = c.pop2;
        m.Criteria.QaddMode = c.qadd;
        auto cat = Catalogue(kViewCatalogueUpper);
        SetColumnTitles(m, cat);
        EXPECT_EQ(cat[5].Title1.str(), c.t5);
        EXPECT_EQ(cat[5].Title2.str(), "   Sub   ");
        EXPECT_EQ(cat[9].Title1.str(), c.t9);
        EXPECT_EQ(cat[55].Title1.str(), "Qadd(l/S)");
        EXPECT_EQ(cat[55].Title2.str(), c.t55b);
    }
}

TEST(SetColumnTitles, LeavesCodesCellTextsAndUntitledRecords) {
    Model m;
    auto cat = Catalogue(kGridCatalogueUpper);
    for (int k = 0; k <= kGridCatalogueUpper; ++k) {
        cat[k].Code = static_cast<int16_t>(-k);
        cat[k].CellText = "kept";
    }
    SetColumnTitles(m, cat);
    for (int k = 0; k <= kGridCatalogueUpper; ++k) {
        EXPECT_EQ(cat[k].Code, -k);
        EXPECT_EQ(cat[k].CellText.str(), "kept                ");
    }
    for (int k : {0, 58, 59, 72, 75, 78, 103, 105}) {
        EXPECT_TRUE(cat[k].Title1.unassigned()) << k;
        EXPECT_TRUE(cat[k].Title2.unassigned()) << k;
    }
}

TEST(SetColumnTitles, ShortCatalogueKeepsWhatWasWrittenAndRaises) {
    Model m;
    auto cat = Catalogue(60);
    try {
        SetColumnTitles(m, cat);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 9);
    }
    EXPECT_EQ(cat[57].Title1.str(), " Mincover");
    EXPECT_EQ(cat[60].Title1.str(), "   Dia   ");
}

}  // namespace
}  // namespace vd
