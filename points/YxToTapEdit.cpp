#include "points/YxToTapEdit.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>

namespace points {

using platform::MessageBox;
using platform::StrFormat;
using projectmodel::CExprOperand;

std::vector<CPointRow> CYxToTapEdit::OperandRows() const {
    std::vector<CPointRow> rows;
    const int n = Count();
    for (int j = 0; j < n; ++j) {
        const CExprOperand& o = m_expr->m_operands[static_cast<std::size_t>(n - 1 - j)];
        bool found = false;
        const std::string text = PointKeyText(m_doc, o.m_nAddress, o.m_nGroup, o.m_nEntry, found);
        CPointRow row;
        row.texts = {StrFormat("第%d位", j), std::to_string(o.m_nAddress), std::to_string(o.m_nGroup),
                     std::to_string(o.m_nEntry), found ? text : "无效引用"};
        rows.push_back(std::move(row));
    }
    return rows;
}

void CYxToTapEdit::Add(const std::vector<CPointKey>& keys) {
    for (const CPointKey& k : keys) {
        if (!m_expr) {
            m_expr.emplace();
            m_expr->m_nOperator = 23;
        }
        m_expr->m_operands.push_back(MakeOperand(kOperandYX, k.address, k.group, k.entry));
    }
}

void CYxToTapEdit::Remove(const std::vector<int>& rows) {
    const int n = Count();
    std::vector<int> indices;
    for (int r : rows)
        if (r >= 0 && r < n)
            indices.push_back(n - 1 - r);
    RemoveOperands(m_expr, indices);
}

int CYxToTapEdit::MoveUp(int row) {
    const int n = Count();
    if (row <= 0 || row >= n)
        return -1;
    std::swap(m_expr->m_operands[static_cast<std::size_t>(n - 1 - row)],
              m_expr->m_operands[static_cast<std::size_t>(n - row)]);
    return row - 1;
}

int CYxToTapEdit::MoveDown(int row) {
    const int n = Count();
    if (row < 0 || row + 1 >= n)
        return -1;
    std::swap(m_expr->m_operands[static_cast<std::size_t>(n - 1 - row)],
              m_expr->m_operands[static_cast<std::size_t>(n - 2 - row)]);
    return row + 1;
}

bool CYxToTapEdit::Accept() {
    if (Count() < 1) {
        MessageBox("操作数不得少于1个!");
        return false;
    }
    return CheckCompositePointKey(m_doc, projectmodel::kInfoTypeYP, m_nGroup, m_nEntry);
}

} // namespace points
