#include "grid/column_calculator.h"

#include <charconv>
#include <cmath>

#include "engine/errors.h"
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

std::optional<std::string> ApplyColumnOperator(std::string_view target, std::string_view operand,
                                               std::string_view op) {
    const std::string name = TrimLeft(op);
    if (name == "=") return std::string(operand);
    if (name == "&") return std::string(target) + std::string(operand);
    // An operand too large to read ("1E400") leaves the cell as it is.
    double a, b;
    try {
        a = Val(target);
        b = Val(operand);
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
    return CalcNumberText(r);
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
