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

} // namespace projectmodel
