// The column calculator's rules as plain code: one operation applied to a
// whole grid column, row by row, with a constant or another column as the
// operand. The "Function" panel only gathers the choice.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/outcome.h"

namespace vd {

// The operators the panel lists, each with its leading blank; the join " &"
// is left out of the short list.
std::vector<std::string> CalculatorOperators(bool withJoin = true);

// The list items: the target list holds the titles of columns 1.. (item i is
// column i + 1); the operand list an empty item, then the titles of columns
// 0.. (item i is column i - 1).
std::vector<std::string> TargetItems(const std::vector<std::string>& titles);
std::vector<std::string> OperandItems(const std::vector<std::string>& titles);

// A cell as the calculator reads it: its text and, while it shows its
// field's own text, the field's exact value, which counts in place of the
// fewer digits shown. A cell without one counts as its text.
struct CalcCell {
    std::string_view text;
    std::optional<float> exact;
};
// A target cell's new text and the exact value it stands for, if any.
struct CalcResult {
    std::string text;
    std::optional<float> exact;
};

// The new target cell, or nothing when the cell keeps its text: an unknown
// operator, an operand too large to read, a division by zero, an overflow or
// any result that is not a number. Leading blanks of the operator do not
// count. "=" takes the operand's text and exact value. A numeric result for
// a column of single-precision fields is the single it is stored as, written
// as the file writes it. Never throws, so one cell never stops the column.
std::optional<CalcResult> ApplyColumnOperator(const CalcCell& target, const CalcCell& operand, std::string_view op,
                                              bool singleTarget);
// The same on texts alone, into a column of no particular field.
std::optional<std::string> ApplyColumnOperator(std::string_view target, std::string_view operand,
                                               std::string_view op);

// A number as the calculator writes it: up to 15 significant digits, no
// trailing zeros, "." as the decimal point, "E+20" beyond that range.
std::string CalcNumberText(double v);

// What the panel's three lists hold when Ok is pressed. An item index is -1
// when the user typed into the list instead of picking.
struct CalculatorChoice {
    int targetItem = -1;
    int operandItem = 0;
    std::string operandText;
    std::string operatorText;
};

// A single-precision value as the network file writes it, which reads back
// as that value: "62.965", "1249.1235", "1E+08".
std::string SingleNumberText(float v);

// Applies the choice to data rows 1..rows - 1 of a grid with Rows(), Cols(),
// TextMatrix(r, c), CellExact(r, c) (the exact value a cell stands for),
// HoldsSingles(c) and GiveCell(r, c, text, exact). Refuses, changing
// nothing, when no target column was picked or the operator is not one of
// the list.
template <typename Grid>
Outcome ComputeColumn(Grid& g, const CalculatorChoice& c);

// Why a choice cannot run, or nothing when it can.
std::optional<std::string> CalculatorChoiceProblem(const CalculatorChoice& c, int cols);

template <typename Grid>
Outcome ComputeColumn(Grid& g, const CalculatorChoice& c) {
    if (auto problem = CalculatorChoiceProblem(c, g.Cols())) return Outcome::Fail(*problem);
    const int target = c.targetItem + 1;
    const int operandCol = c.operandItem >= 1 ? c.operandItem - 1 : -1;
    const bool singles = g.HoldsSingles(target);
    for (int r = 1; r < g.Rows(); ++r) {
        const std::string operand = operandCol >= 0 ? std::string(g.TextMatrix(r, operandCol)) : c.operandText;
        const std::optional<float> operandExact = operandCol >= 0 ? g.CellExact(r, operandCol) : std::nullopt;
        if (auto result = ApplyColumnOperator({g.TextMatrix(r, target), g.CellExact(r, target)},
                                              {operand, operandExact}, c.operatorText, singles))
            g.GiveCell(r, target, result->text, result->exact);
    }
    return Outcome::Ok();
}

}  // namespace vd
