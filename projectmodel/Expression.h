#pragma once
// The expression of a computed point: an operator code and its operands (kind, device address,
// group number, entry number). The expression editors set them; the model stores and copies them.
#include <cstdint>
#include <vector>

namespace projectmodel {

class CExprOperand {
public:
    std::uint8_t m_nKind = 0;
    int m_nAddress = 0; // a direct number keeps its value here
    int m_nGroup = 0;
    int m_nEntry = 0;

    bool operator==(const CExprOperand&) const = default;
};

using CExprOperandArray = std::vector<CExprOperand>;

class CExpression {
public:
    std::uint8_t m_nOperator = 28;
    CExprOperandArray m_operands;

    bool operator==(const CExpression&) const = default;
};

// The fewest operands an operator works with, as its expression editor requires them: 2 for the
// binary logic and arithmetic (8 to 14) and for a tap position with its value or bit index (24,
// 26), 1 for every other code ("非", the tap bits, the tap from telesignals, the tap as a
// telemeasurement, and codes not listed).
constexpr int MinOperandCount(std::uint8_t op) {
    return (op >= 8 && op <= 14) || op == 24 || op == 26 ? 2 : 1;
}

// True when the expression has fewer operands than its operator works with.
inline bool HasTooFewOperands(const CExpression& expr) {
    return static_cast<int>(expr.m_operands.size()) < MinOperandCount(expr.m_nOperator);
}

} // namespace projectmodel
