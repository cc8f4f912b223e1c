#include "grid/column_calculator.h"

#include <charconv>
#include <cmath>

#include "engine/errors.h"
#include "engine/file_number.h"
#include "engine/fixed_text.h"
#include "engine/number_text.h"

namespace vd {

std::vector<std::string> CalculatorOperators(bool withJoin) {
    std::vector<std::string> ops = {" =", " +", " --", " *", " /", " ^"};
    if (withJoin) ops.push_back(" &");
    return ops;
}

std::vector<std::string> TargetItems(const std::vector<std::string>& titles) {
    return titles.size() > 1 ? std::vector<std::string>(titles.begin() + 1, titles.end()) : std::vector<std::string>{};
}

std::vector<std::string> OperandItems(const std::vector<std::string>& titles) {
    std::vector<std::string> items{""};
    items.insert(items.end(), titles.begin(), titles.end());
    return items;
}

std::string CalcNumberText(double v) {
    if (v == 0) return "0";  // no "-0"
    return GeneralNumberText(v, 15);
}

std::string SingleNumberText(float v) {
    if (v == 0) return "0";  // no "-0"
    char digits[40];
    return std::string(digits, FileNumberDigits(v, digits));
}

std::optional<CalcResult> ApplyColumnOperator(const CalcCell& target, const CalcCell& operand, std::string_view op,
                                              bool singleTarget) {
    const std::string name = TrimLeft(op);
    if (name == "=") return CalcResult{std::string(operand.text), operand.exact};
    if (name == "&") return CalcResult{std::string(target.text) + std::string(operand.text), std::nullopt};
    // A field holding no number (it shows blank) counts as its text.
    auto number = [](const CalcCell& c) {
        return c.exact && std::isfinite(*c.exact) ? static_cast<double>(*c.exact) : Val(c.text);
    };
    // An operand too large to read ("1E400") leaves the cell as it is.
    double a, b;
    try {
        a = number(target);
        b = number(operand);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
    double r;
    if (name == "+")
        r = a + b;
    else if (name == "--")
        r = a - b;
    else if (name == "*")
        r = a * b;
    else if (name == "/")
        r = a / b;
    else if (name == "^")
        r = std::pow(a, b);
    else
        return std::nullopt;
    if (!std::isfinite(r)) return std::nullopt;
    // A result beyond the single range is written as it is, for the column to refuse.
    if (singleTarget)
        if (const std::optional<float> single = SingleValue(r)) return CalcResult{SingleNumberText(*single), *single};
    return CalcResult{CalcNumberText(r), std::nullopt};
}

std::optional<std::string> ApplyColumnOperator(std::string_view target, std::string_view operand,
                                               std::string_view op) {
    auto result = ApplyColumnOperator(CalcCell{target, std::nullopt}, CalcCell{operand, std::nullopt}, op, false);
    if (!result) return std::nullopt;
    return std::move(result->text);
}

std::optional<std::string> CalculatorChoiceProblem(const CalculatorChoice& c, int cols) {
    if (c.targetItem < 0 || c.targetItem + 1 > cols - 1) return "Pick the column to compute from the list.";
    if (c.operandItem >= 1 && c.operandItem - 1 > cols - 1) return "Pick the operand column from the list.";
    const std::string name = TrimLeft(c.operatorText);
    for (const std::string& op : CalculatorOperators())
        if (TrimLeft(op) == name) return std::nullopt;
    return "\"" + c.operatorText + "\" is not an operator: pick one of = + -- * / ^ &.";
}

}  // namespace vd
