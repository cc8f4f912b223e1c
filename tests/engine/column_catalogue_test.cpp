#include <gtest/gtest.h>

#include <vector>

#include "engine/column_catalogue.h"

namespace vd {
namespace {

std::vector<GridColumnDef> Catalogue(int upper) { return std::vector<GridColumnDef>(upper + 1); }

TEST(SetColumnTitles, StoredTitlesAreCutOrPaddedToNine) {
    Model m;
    auto cat = Catalogue(kGridCatalogueUpper);
    SetColumnTitles(m, cat);
    struct Case { int code; const char* t1; const char* t2; };
    const Case cases[] = {
        {1, "Mh1_From ", "  From   "}, {4, "Area1_tot", "  Total  "}, {6, "Pop1_tota", "  Total  "},
        {8, " Area2_To", "  Total  "}, {13, "CT(min)  ", "   min   "}, {16, "Qinflow1(", "  (l/s)  "},
        {32, "Slope(m/m", "  (m/m)  "}, {42, " inv.Elv.", "  down   "}, {50, "  Len.(m)", " Depth>5 "},
        {56, " Qpeak   ", " (l/s)   "}, {63, " H/d max ", "         "}, {64, "   n     ", "  Coef.  "},
        {70, "  X2     ", "  Cor    "}, {80, "Visible  ", "  [y/n]  "}, {81, "Style/LTY", "   NAME  "},
        {96, " Latral  ", "  Total  "}, {98, " Qmax end", " (l/s)   "}, {102, " Drop    ", " (m)     "},
    };
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
