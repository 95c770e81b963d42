#pragma once
// The rules of the two composite expression editors: a virtual telemeasurement computed from
// telemeasurements and numbers with "＋", "－", "×", "/" (dialog 183), and a virtual telesignal
// computed from telesignals and numbers with "非(not)", "与(and)", "或(or)", "异或(Xor)"
// (dialog 185). The dialogs show these rows and call these operations; refusals are message
// boxes.
#include "points/ExprOperands.h"

#include <optional>
#include <string>
#include <vector>

namespace points {

struct COperatorItem {
    std::string caption;
    int code = 0;
};

class CCompositeExprEdit : public CExprPointEdit {
public:
    enum Kind { YC, YX }; // dialog 183, dialog 185

    CCompositeExprEdit(Kind kind, CProjectModel* doc) : CExprPointEdit(doc), m_kind(kind) {}

    Kind m_kind;
    int m_nOperator = 28;

    const std::vector<COperatorItem>& Operators() const;
    // Index of the current operator among Operators(), -1 when it is not one of them.
    int OperatorIndex() const;
    // The current operator from the expression ("表达式运算符错误！" for a foreign code), or the
    // default of a new point ("＋", "或(or)").
    void Open();

    int PointKind() const { return m_kind == YC ? kOperandYC : kOperandYX; }
    std::vector<CPointRow> SourceRows() const { return SourcePointRows(m_doc, PointKind()); }
    // One row per operand; an operand of a foreign kind is reported and ends the rows.
    std::vector<CPointRow> OperandRows() const;

    // Appends the points (kind 0 or 1) or one number; false when the operator refuses more.
    bool AddPoints(const std::vector<CPointKey>& keys);
    bool AddNumber(const std::string& text);
    void Remove(const std::vector<int>& rows);
    bool MoveUp(int row);
    bool MoveDown(int row);
    // The combo's selection: "－", "/" keep two operands, "非(not)" one (reported when cut).
    void SetOperator(int code);
    // The first cell of an operand row typed over: a number takes the value; a point takes the
    // device address (asking before an address without that point). False when nothing changed;
    // otherwise cells receives the row's new first and last cell texts.
    bool EditOperand(int row, const std::string& cell, const std::string& typed, std::string& first,
                     std::string& last);
    // The OK checks; numberField is the direct-number edit's value (dialog 185 wants 0 or 1).
    bool Accept(int numberField);

private:
    bool CanAdd() const;
    int Count() const { return m_expr ? static_cast<int>(m_expr->m_operands.size()) : 0; }
    void Append(const projectmodel::CExprOperand& operand);
};

} // namespace points
