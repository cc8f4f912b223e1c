#include <gtest/gtest.h>

#include <functional>

#include "recording_ui.h"
#include "workspace/criteria_store.h"

namespace vd {
namespace {

// The frame shown, as "caption [option]: label=text|label=text" over the
// boxes shown; the option is "-" when none is selected.
std::string Shown(const CriteriaPanel& p) {
    std::string s;
    bool first = true;
    auto row = [&](const std::string& label, const std::string& text) {
        s += (first ? "" : "|") + label + "=" + text;
        first = false;
    };
    if (p.Frame3.Visible) {
        s = p.Frame3.Caption + ": ";
        for (int k = 0; k < kListRows; ++k)
            if (p.Frame3.TextVisible[k]) row(p.Frame3.Label[k], p.Frame3.Text[k]);
    } else if (p.Frame1.Visible) {
        s = p.Frame1.Caption + " [" + (p.Frame1.Selected < 0 ? "-" : std::to_string(p.Frame1.Selected)) + "]: ";
        for (int k = 0; k < kOptionBoxes; ++k)
            if (p.Frame1.TextVisible[k]) row(p.Frame1.Label[k], p.Frame1.Text[k]);
    }
    return s;
}

class CriteriaStore : public ::testing::Test {
protected:
    void SetUp() override {
        m.SetUi(&ui);
        panel.ShowProjectHeaderPage(m);  // the panel always opens here
    }
    void TearDown() override { m.SetUi(nullptr); }
    Model m;
    test::RecordingUi ui;
    CriteriaPanel panel;
};

TEST(CriterionText, ShortestTextThatReadsBack) {
    const struct {
        Number v;
        const char* text;
    } cases[] = {
        {std::nullopt, ""}, {0.0, "0"},     {-0.0, "0"},         {0.6, "0.6"},    {100.0, "100"},
        {-2.5, "-2.5"},     {1e15, "1E+15"}, {1e-5, "1E-05"},    {0.0001, "0.0001"},
        {123456789012345.0, "123456789012345"}, {0.1 + 0.2, "0.3"}, {2.0 / 3.0, "0.666666666666667"},
    };
    for (const auto& c : cases) EXPECT_EQ(CriterionText(c.v), c.text);
}

TEST_F(CriteriaStore, BoxTextToNumber) {
    // LPCD1 is set to 150 before each case; a refused text keeps 150 and says why.
    // A box holds one number with blanks around it, or nothing (0).
    const char* const text = "is not a number";
    const char* const large = "is a number too large to hold";
    // A page of digits is as large as "1E999" here as in every box, and named by its start.
    const std::string digits(1000, '5');
    const std::string digitsShown = digits.substr(0, 40) + "...";
    const struct {
        const char* text;
        double stored;
        const char* refused;
        const char* shown = nullptr;  // the text as the message quotes it, when not as typed
    } cases[] = {
        {"12", 12, nullptr},    {" 12  ", 12, nullptr},  {"\t4", 4, nullptr},     {"1E3", 1000, nullptr},
        {"", 0, nullptr},       {"   ", 0, nullptr},     {"-.5", -0.5, nullptr},  {"+7", 7, nullptr},
        {"2e-3", 0.002, nullptr}, {"1e-400", 0, nullptr},
        // The forms the grid takes typed, with the value the grid gives them.
        {" 12.5 ", 12.5, nullptr}, {"5e+3", 5000, nullptr}, {"-.75", -0.75, nullptr}, {"&H10", 16, nullptr},
        {"&o17", 15, nullptr},  {"1D3", 1000, nullptr},  {"&HFFFF", -1, nullptr}, {"- 4\n", -4, nullptr},
        {"12abc", 150, text},   {"1,5", 150, text},      {"0,004", 150, text},    {"1 2", 150, text},
        {"1.5 m", 150, text},   {"1E", 150, text},       {"&H", 150, text},       {"&O8", 150, text},
        {"abc", 150, text},     {".", 150, text},        {"-", 150, text},        {"&HZ", 150, text},
        {"&X1", 150, text},     {"m3 5", 150, text},     {"inf", 150, text},      {"1E999", 150, large},
        {"&H1FFFFFFFF", 150, large},
        {digits.c_str(), 150, large, digitsShown.c_str()}, {"  12abc  ", 150, text, "12abc"},
    };
    panel.TabStrip1_Click(m, 2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        m.Criteria.LPCD1 = 150;
        ui.clear();
        panel.Frame3.Text[0] = c.text;
        panel.update1(m);
        EXPECT_DOUBLE_EQ(*m.Criteria.LPCD1, c.stored);
        if (c.refused) {
            ASSERT_EQ(ui.boxes.size(), 1u);
            EXPECT_EQ(ui.boxes[0], std::string("LPCD1: \"") + (c.shown ? c.shown : c.text) + "\" " + c.refused +
                                       "; the value is kept.");
            EXPECT_EQ(panel.Frame3.Text[0], "150");  // the box shows what is in effect
        } else {
            EXPECT_TRUE(ui.boxes.empty());
        }
    }
}

TEST_F(CriteriaStore, ListPagesShowTheirRows) {
    m.Criteria.ProjectTitle = " Town ";
    m.Criteria.MinConTime = std::nullopt;  // never set: an empty box
    panel.ShowProjectHeaderPage(m);
    const struct {
        int tab;
        const char* shown;
    } cases[] = {
        {1, "Title: Project := Town |Designer :=|Date ="},
        {2, "Basic Criteria: LPCD1=0|LPCD2=0|Connect1=100|Connect2=100|Ground Water Level=0|Inflow (Percent)=0|"
            "minCover(m)=0|minVelocity=0.6|min H/D=0.3|Mh. headloss=0|'n' variable=N"},
        // Row 11, hidden by the Basic Criteria page, is shown again.
        {6, "Storm data : Return period :=2|min  Con.Time:=|A1 coef. :=0|B1 coef. :=0|C1 coef. :=0|"
            "Intermediate  Con.Time:=180|A2 coef. :=0|B2 coef. :=0|C2 coef. :=0|C Valu :=0.5|Inlet Time:=4|"
            "Area coef. :=1"},
        {1, "Title: Project := Town |Designer :=|Date ="},
    };
    for (const auto& c : cases) {
        panel.TabStrip1_Click(m, c.tab);
        EXPECT_EQ(Shown(panel), c.shown);
        EXPECT_FALSE(panel.Frame1.Visible);
    }
    // Hidden rows are disabled too, and their labels blank.
    EXPECT_FALSE(panel.Frame3.TextEnabled[3]);
    EXPECT_EQ(panel.Frame3.Label[3], "");
}

TEST_F(CriteriaStore, LeavingAListPageStoresEveryBox) {
    panel.TabStrip1_Click(m, 2);
    for (int k = 0; k < 10; ++k) panel.Frame3.Text[k] = std::to_string(k + 1);
    panel.Frame3.Text[10] = "y";
    panel.TabStrip1_Click(m, 6);
    const DesignCriteria& c = m.Criteria;
    const Number basic[] = {c.LPCD1,         c.LPCD2,           c.Connect1,    c.Connect2, c.GroundWaterLevel,
                            c.InflowPercent, c.MinCoverDefault, c.MinVelocity, c.MinHD,    c.MhHeadloss};
    for (int k = 0; k < 10; ++k) EXPECT_EQ(basic[k], k + 1.0) << k;
    EXPECT_EQ(c.NVariable, "y");  // no change of case

    for (int k = 0; k < 12; ++k) panel.Frame3.Text[k] = std::to_string(k + 21);
    panel.TabStrip1_Click(m, 1);
    const Number storm[] = {c.ReturnPeriod, c.MinConTime, c.A1, c.B1,     c.C1,        c.InterConTime,
                            c.A2,           c.B2,         c.C2, c.CValue, c.InletTime, c.AreaCoef};
    for (int k = 0; k < 12; ++k) EXPECT_EQ(storm[k], k + 21.0) << k;

    panel.Frame3.Text = {"  Main Road  ", "A. Engineer", "1.2.2026"};
    panel.TabStrip1_Click(m, 2);
    EXPECT_EQ(c.ProjectTitle, "  Main Road  ");  // no trimming
    EXPECT_EQ(c.Designer, "A. Engineer");
    EXPECT_EQ(c.ProjectDate, "1.2.2026");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CriteriaStore, OptionPages) {
    // Each case: criteria set up, the tab opened, what is done there, what is
    // shown then, and the criteria after leaving for the Title page.
    using Act = std::function<void(Model&, CriteriaPanel&)>;
    auto none = [](Model&, CriteriaPanel&) {};
    auto pick = [](int k) { return [k](Model& m, CriteriaPanel& p) { p.Option1_Click(m, k); }; };
    const struct {
        const char* name;
        Act setup;
        int tab;
        Act act;
        const char* shown;
        std::function<void(const DesignCriteria&)> check;
    } cases[] = {
        {"infiltration min and max", none, 5, none, "Infiltration [0]: Min :=0|Max :=0",
         [](const DesignCriteria& c) { EXPECT_EQ(c.InfMode, 1); }},
        {"infiltration curve shows four boxes",
         [](Model& m, CriteriaPanel&) { m.Criteria.InfMode = 3, m.Criteria.InfArea2 = 7, m.Criteria.InfRate2 = 8; },
         5, none, "Infiltration [2]: Area1(ha):=1|inf1(m3/ha/d):=1|Area2(ha):=7|inf2(m3/ha/d)=8",
         [](const DesignCriteria& c) { EXPECT_EQ(c.InfMode, 3); }},
        {"curve chosen takes the boxes as they are",
         [](Model& m, CriteriaPanel&) { m.Criteria.Inf1 = 5, m.Criteria.Inf2 = 6; }, 5, pick(2),
         "Infiltration [2]: Area1(ha):=5|inf1(m3/ha/d):=6|Area2(ha):=|inf2(m3/ha/d)=",
         [](const DesignCriteria& c) {
             EXPECT_EQ(c.InfMode, 3);
             EXPECT_EQ(c.InfArea1, 5.0);
             EXPECT_EQ(c.InfRate1, 6.0);
         }},
        {"population input hides the boxes", none, 3, pick(1), "Population1 [1]: ",
         [](const DesignCriteria& c) {
             EXPECT_EQ(c.Pop1Mode, 2);
             EXPECT_EQ(c.Pop1Area1, 1.0);
         }},
        {"zone 1 density curve", none, 3, pick(3), "Population1 [3]: Area1(ha):=|Dencity1:=|Area2(ha):=|Dencity2=",
         [](const DesignCriteria& c) {
             EXPECT_EQ(c.Pop1Mode, 4);
             EXPECT_EQ(c.Pop1Area1, 0.0);  // an empty box stores 0
             EXPECT_EQ(c.Pop1Density1, 0.0);
         }},
        {"zone 2 curve in mode 4",
         [](Model& m, CriteriaPanel&) { m.Criteria.Pop2Mode = 4, m.Criteria.Pop2Density2 = 2.5; }, 4, none,
         "Population2 [3]: Area1(ha):=1|Decity1:=1|Area2(ha):=0|Dencity2=2.5",
         [](const DesignCriteria& c) { EXPECT_EQ(c.Pop2Mode, 4); }},
        {"a mode no option stands for",
         [](Model& m, CriteriaPanel& p) {
             m.Criteria.Pop2Mode = 7;
             p.TabStrip1_Click(m, 5);
             p.Option1_Click(m, 1);  // a selection another page left
         },
         4, none, "Population2 [-]: ", [](const DesignCriteria& c) { EXPECT_EQ(c.Pop2Mode, 7); }},
        {"unknown infiltration mode shows min and max",
         [](Model& m, CriteriaPanel&) { m.Criteria.InfMode = 0, m.Criteria.Inf1 = 3; }, 5, none,
         "Infiltration [-]: Min :=3|Max :=0", [](const DesignCriteria& c) { EXPECT_EQ(c.InfMode, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Model model;
        CriteriaPanel p;
        p.ShowProjectHeaderPage(model);
        c.setup(model, p);
        p.TabStrip1_Click(model, c.tab);
        c.act(model, p);
        EXPECT_EQ(Shown(p), c.shown);
        p.TabStrip1_Click(model, 1);
        c.check(model.Criteria);
    }
}

TEST_F(CriteriaStore, ModeStoredWhenThePageIsLeftOrClosed) {
    panel.TabStrip1_Click(m, 3);
    panel.Option1_Click(m, 2);
    EXPECT_EQ(m.Criteria.Pop1Mode, 1);  // choosing lays out only
    panel.TabStrip1_Click(m, 5);        // Population1 is stored before Infiltration is built
    EXPECT_EQ(m.Criteria.Pop1Mode, 3);
    EXPECT_EQ(panel.Frame1.Caption, "Infiltration");

    panel.Option1_Click(m, 3);
    panel.Frame1.Text[0] = "9";
    panel.StoreOnClose(m);
    EXPECT_EQ(m.Criteria.InfMode, 4);
    EXPECT_EQ(m.Criteria.Inf1, 9.0);

    // Closing from a list page stores it and leaves the option page held alone.
    panel.TabStrip1_Click(m, 2);
    panel.Frame3.Text[5] = "12";
    m.Criteria.InfMode = 2;
    panel.StoreOnClose(m);
    EXPECT_EQ(m.Criteria.InflowPercent, 12.0);
    EXPECT_EQ(m.Criteria.InfMode, 2);
}

// The curves with all four boxes filled: each box is stored in its own field
// when the option is chosen and when the page is left, and shows it again.
TEST_F(CriteriaStore, CurvesStoreEachOfTheirFourBoxes) {
    using C = DesignCriteria;
    const struct {
        int tab, option;
        int16_t C::*mode;
        Number C::*fields[4];  // box 0 to box 3
        const char* shown;
    } curves[] = {
        {3, 3, &C::Pop1Mode, {&C::Pop1Area1, &C::Pop1Density1, &C::Pop1Area2, &C::Pop1Density2},
         "Population1 [3]: Area1(ha):=11|Dencity1:=12|Area2(ha):=13|Dencity2=14"},
        {4, 3, &C::Pop2Mode, {&C::Pop2Area1, &C::Pop2Density1, &C::Pop2Area2, &C::Pop2Density2},
         "Population2 [3]: Area1(ha):=11|Decity1:=12|Area2(ha):=13|Dencity2=14"},
        {5, 2, &C::InfMode, {&C::InfArea1, &C::InfRate1, &C::InfArea2, &C::InfRate2},
         "Infiltration [2]: Area1(ha):=11|inf1(m3/ha/d):=12|Area2(ha):=13|inf2(m3/ha/d)=14"},
    };
    for (const auto& curve : curves) {
        SCOPED_TRACE(curve.shown);
        for (bool chosen : {true, false}) {
            Model model;
            CriteriaPanel p;
            p.ShowProjectHeaderPage(model);
            if (!chosen) model.Criteria.*curve.mode = static_cast<int16_t>(curve.option + 1);
            p.TabStrip1_Click(model, curve.tab);
            p.Frame1.Text = {"11", "12", "13", "14"};
            if (chosen) {
                p.Option1_Click(model, curve.option);  // the option takes the boxes as they are
                for (int k = 0; k < 4; ++k) EXPECT_EQ(model.Criteria.*curve.fields[k], 11.0 + k) << "chosen, box " << k;
                p.Frame1.Text = {"21", "22", "23", "24"};
            }
            p.TabStrip1_Click(model, 1);
            const double first = chosen ? 21 : 11;
            for (int k = 0; k < 4; ++k) EXPECT_EQ(model.Criteria.*curve.fields[k], first + k) << chosen << ", box " << k;
            EXPECT_EQ(model.Criteria.*curve.mode, curve.option + 1);
            if (chosen) continue;
            p.TabStrip1_Click(model, curve.tab);
            EXPECT_EQ(Shown(p), curve.shown);
        }
    }
}

TEST_F(CriteriaStore, OptionBoxThatIsNotANumberKeepsItsValues) {
    m.Criteria.InfMode = 3;
    m.Criteria.InfArea1 = 4;
    panel.TabStrip1_Click(m, 5);
    panel.Frame1.Text[0] = "four";
    panel.Frame1.Text[3] = "2.5";
    panel.Option1_Click(m, 2);
    EXPECT_EQ(m.Criteria.InfArea1, 4.0);
    EXPECT_EQ(m.Criteria.InfRate2, 2.5);
    EXPECT_EQ(panel.Frame1.Text[0], "4");
    ASSERT_EQ(ui.boxes.size(), 1u);  // one message, though the box feeds two values
    EXPECT_EQ(ui.boxes[0], "Area1(ha): \"four\" is not a number; the value is kept.");
}

TEST_F(CriteriaStore, CaptionNamingNoPageStoresNothing) {
    CriteriaPanel fresh;  // start-up captions "Frame1" and "Frame3"
    fresh.Frame1.Text = {"1", "2", "3", "4"};
    fresh.Frame1.Selected = 2;
    fresh.Frame3.Text.fill("5");
    const CriteriaPanel before = fresh;
    const DesignCriteria c = m.Criteria;
    fresh.update1(m);
    fresh.projectupdate(m);
    fresh.update(m, 2);
    EXPECT_EQ(fresh.Frame1.Label, before.Frame1.Label);
    EXPECT_EQ(fresh.Frame1.TextVisible, before.Frame1.TextVisible);
    EXPECT_EQ(m.Criteria.InfMode, c.InfMode);
    EXPECT_EQ(m.Criteria.LPCD1, c.LPCD1);
    EXPECT_EQ(m.Criteria.InfArea1, c.InfArea1);
}

}  // namespace
}  // namespace vd
