#include "grid/column_calculator.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "engine/number_text.h"

namespace vd {
namespace {

TEST(ColumnCalculator, OperatorTable) {
    struct Case {
        const char* target;
        const char* operand;
        const char* op;
        std::optional<std::string> want;  // nothing: the cell keeps its text
    };
    const Case cases[] = {
        {"12.5", "abc", " =", "abc"},
        {"12.5", "", " =", ""},
        {"1.5", "2.25", " +", "3.75"},
        {"M1", "4", " +", "4"},  // text without a leading number counts as 0
        {"  7 m", "2", " --", "5"},
        {"3", "0.1", " *", "0.3"},
        {"1", "3", " /", "0.333333333333333"},
        {"2", "0.5", " ^", "1.4142135623731"},
        {"2", "-1", " ^", "0.5"},
        {"M", "1", " &", "M1"},
        {"0.1", "0.2", " +", "0.3"},  // 15 digits hide the binary noise
        {"1E+300", "1E+10", " *", std::nullopt},
        {"5", "0", " /", std::nullopt},
        {"0", "0", " /", std::nullopt},
        {"-8", "0.5", " ^", std::nullopt},
        {"0", "-1", " ^", std::nullopt},
        {"4", "1", "*", "4"},  // typed without the blank
        {"4", "1", "-", std::nullopt},
        {"4", "1", "mod", std::nullopt},
        {"-2", "2", " --", "-4"},
        {"2", "-2", " +", "0"},  // never "-0"
        {"1", "1E+20", " *", "1E+20"},
        {"1", "0.00001", " *", "1E-05"},
        {"1", "0.0001", " *", "0.0001"},
        {"123456789012345", "1", " *", "123456789012345"},
        {"1234567890123456", "1", " *", "1.23456789012346E+15"},
        {"1E400", "1", " +", std::nullopt},  // too large to read: the cell stays
        {"1", "-1E400", " *", std::nullopt},
        {"1E400", "1", " =", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.target) + c.op + c.operand);
        EXPECT_EQ(ApplyColumnOperator(c.target, c.operand, c.op), c.want);
    }
    // What the calculator writes, the number reader takes back.
    for (double v : {1.0 / 3, 1e-7, -2.5e21, 6.02e23, 1234.5})
        EXPECT_NEAR(Val(CalcNumberText(v)), v, std::abs(v) * 1e-14) << v;

    // A cell that still shows its field's text counts as the field's exact
    // value; a result for single-precision fields is the single stored, in
    // a text that reads back as it.
    struct ExactCase {
        const char* name;
        CalcCell target, operand;
        const char* op;
        bool single;
        std::string text;
        std::optional<float> exact;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const ExactCase exact[] = {
        {"+ on a shown 62.47", {"62.47", 62.465f}, {"0.5", {}}, " +", true, "62.965", 62.965f},
        {"* 1 keeps 68.203", {"68.20", 68.203f}, {"1", {}}, " *", true, "68.203", 68.203f},
        {"-- an exact operand, in double", {"70.01", 70.005f}, {"69.98", 69.979f}, " --", true,
         SingleNumberText(static_cast<float>(70.005f - static_cast<double>(69.979f))),
         static_cast<float>(70.005f - static_cast<double>(69.979f))},
        {"n of 0.0104 shown 0.010", {"0.010", 0.0104f}, {"1", {}}, " *", true, "0.0104", 0.0104f},
        {"eight digits", {"1249.124", 1249.1235f}, {"0", {}}, " +", true, "1249.1235", 1249.1235f},
        {"= takes the operand's value", {"1", {}}, {"62.47", 62.465f}, " =", true, "62.47", 62.465f},
        {"a changed cell counts as its text", {"62.47", {}}, {"0.5", {}}, " +", true, "62.97", 62.97f},
        {"a field holding no number counts as its blank", {"", nan}, {"2", {}}, " +", true, "2", 2.0f},
        {"& joins the texts", {"62.47", 62.465f}, {"1", 1.0f}, " &", true, "62.471", std::nullopt},
        {"beyond the single range the text stays, to be refused", {"3E+38", 3e38f}, {"10", {}}, " *", true,
         CalcNumberText(3e38f * 10.0), std::nullopt},
        {"a column of no single fields", {"5", 5.0f}, {"3", {}}, " /", false, "1.66666666666667", std::nullopt},
    };
    for (const ExactCase& c : exact) {
        SCOPED_TRACE(c.name);
        const std::optional<CalcResult> r = ApplyColumnOperator(c.target, c.operand, c.op, c.single);
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->text, c.text);
        EXPECT_EQ(r->exact, c.exact);
        // A computed single reads back from its text; "=" keeps the operand's text.
        if (c.exact && std::string(c.op) != " =") { EXPECT_EQ(static_cast<float>(Val(r->text)), *c.exact); }
    }
}

// A grid of texts with the members the calculator uses.
struct TextGrid {
    std::vector<std::vector<std::string>> cells;
    int Rows() const { return static_cast<int>(cells.size()); }
    int Cols() const { return static_cast<int>(cells[0].size()); }
    const std::string& TextMatrix(int r, int c) const { return cells[r][c]; }
    std::optional<float> CellExact(int, int) const { return std::nullopt; }
    bool HoldsSingles(int) const { return false; }
    void GiveCell(int r, int c, const std::string& t, std::optional<float>) { cells[r][c] = t; }
};

TextGrid Sample() {
    return {{{"No", "Len", "Dia", "Name"}, {"1", "10", "300", "A"}, {"2", "2.5", "x", "B"}, {"3", "", "250", "C"}}};
}

TEST(ColumnCalculator, ChoiceRules) {
    struct Case {
        const char* name;
        CalculatorChoice choice;
        std::vector<std::vector<std::string>> want;  // empty: refused, grid unchanged
        const char* message = "";
    };
    const std::vector<std::vector<std::string>> same = Sample().cells;
    const Case cases[] = {
        {"constant added to the picked column", {0, 0, "5", " +"},
         {{"No", "Len", "Dia", "Name"}, {"1", "15", "300", "A"}, {"2", "7.5", "x", "B"}, {"3", "5", "250", "C"}}},
        {"= with the empty item blanks the column", {1, 0, "", " ="},
         {{"No", "Len", "Dia", "Name"}, {"1", "10", "", "A"}, {"2", "2.5", "", "B"}, {"3", "", "", "C"}}},
        {"operand item 1 is column 0", {2, 1, "", " &"},
         {{"No", "Len", "Dia", "Name"}, {"1", "10", "300", "A1"}, {"2", "2.5", "x", "B2"}, {"3", "", "250", "C3"}}},
        {"operand item 3 is column 2, row by row", {0, 3, "", " *"},
         {{"No", "Len", "Dia", "Name"}, {"1", "3000", "300", "A"}, {"2", "0", "x", "B"}, {"3", "0", "250", "C"}}},
        {"typed operand text is a constant", {0, -1, "2", " ^"},
         {{"No", "Len", "Dia", "Name"}, {"1", "100", "300", "A"}, {"2", "6.25", "x", "B"}, {"3", "0", "250", "C"}}},
        {"division by zero leaves every cell", {0, 0, "0", " /"}, same},
        {"typed target picks nothing", {-1, 0, "5", " +"}, {}, "Pick the column to compute from the list."},
        {"target beyond the grid", {3, 0, "5", " +"}, {}, "Pick the column to compute from the list."},
        {"a single minus is no operator", {0, 0, "5", "-"}, {}, "\"-\" is not an operator: pick one of = + -- * / ^ &."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextGrid g = Sample();
        const Outcome out = ComputeColumn(g, c.choice);
        if (c.want.empty()) {
            EXPECT_FALSE(out);
            EXPECT_EQ(out.message(), c.message);
            EXPECT_EQ(g.cells, same);
        } else {
            EXPECT_TRUE(out);
            EXPECT_EQ(g.cells, c.want);
        }
    }
    // A cell that cannot be computed stays as it is and the rows after it go on.
    TextGrid g = Sample();
    g.cells[1][1] = "1E400";
    g.cells[2][1] = "1E+38";
    ASSERT_TRUE(ComputeColumn(g, {0, 0, "1E300", " *"}));
    EXPECT_EQ(g.cells[1][1], "1E400");
    EXPECT_EQ(g.cells[2][1], "1E+38");  // the product overflows
    EXPECT_EQ(g.cells[3][1], "0");
}

TEST(ColumnCalculator, ListItems) {
    const std::vector<std::string> titles = {"No", " Lenght(m", "Diameter("};
    EXPECT_EQ(TargetItems(titles), (std::vector<std::string>{" Lenght(m", "Diameter("}));
    EXPECT_EQ(OperandItems(titles), (std::vector<std::string>{"", "No", " Lenght(m", "Diameter("}));
    EXPECT_EQ(CalculatorOperators(), (std::vector<std::string>{" =", " +", " --", " *", " /", " ^", " &"}));
    EXPECT_EQ(CalculatorOperators(false).size(), 6u);
}

}  // namespace
}  // namespace vd
