#pragma once
// The rules of the editor of a tap position built from telesignal bits (dialog 189, operator 23).
#include "points/ExprOperands.h"

#include <optional>
#include <string>
#include <vector>

namespace points {

// Dialog 189: telesignal bits, the last operand being bit 0; rows show the operands from the
// last to the first.
class CYxToTapEdit : public CExprPointEdit {
public:
    explicit CYxToTapEdit(CProjectModel* doc) : CExprPointEdit(doc) {}

    std::vector<CPointRow> SourceRows() const { return SourcePointRows(m_doc, projectmodel::kInfoTypeYX); }
    // "位序" ("第%d位"), "装置", "分组", "条目", "描述".
    std::vector<CPointRow> OperandRows() const;
    void Add(const std::vector<CPointKey>& keys);
    void Remove(const std::vector<int>& rows);
    // The row that stays selected, or -1 when nothing moved.
    int MoveUp(int row);
    int MoveDown(int row);
    bool Accept();

private:
    int Count() const { return m_expr ? static_cast<int>(m_expr->m_operands.size()) : 0; }
};

} // namespace points
