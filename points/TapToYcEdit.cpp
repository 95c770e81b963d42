#include "points/TapToYcEdit.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>

namespace points {

using platform::MessageBox;
using platform::StrFormat;
using projectmodel::CExprOperand;

bool CTapToYcEdit::Open() {
    m_bShow = false;
    if (!m_expr)
        return false;
    if (m_expr->m_nOperator != 25) {
        MessageBox("程序错误：表达式标识错误！");
        return false;
    }
    auto& ops = m_expr->m_operands;
    if (ops.empty())
        return false;
    if (ops[0].m_nKind != kOperandTap) {
        MessageBox(kOperandKindError);
        return false;
    }
    if (ops.size() > 1) {
        MessageBox(kExtraOperandsCut);
        ops.resize(1);
    }
    m_bShow = true;
    return true;
}

std::vector<CPointRow> CTapToYcEdit::OperandRows() const {
    std::vector<CPointRow> rows;
    if (!m_expr)
        return rows;
    for (const CExprOperand& o : m_expr->m_operands) {
        if (o.m_nKind != kOperandTap)
            break;
        bool found = false;
        const std::string text = PointKeyText(m_doc, o.m_nAddress, o.m_nGroup, o.m_nEntry, found);
        CPointRow row;
        row.texts = {std::to_string(o.m_nAddress), std::to_string(o.m_nGroup), std::to_string(o.m_nEntry),
                     found ? text : "invalid reference"};
        rows.push_back(std::move(row));
    }
    return rows;
}

void CTapToYcEdit::Add(const std::vector<CPointKey>& keys) {
    for (const CPointKey& k : keys) {
        if (m_expr && !m_expr->m_operands.empty()) {
            MessageBox("操作数只能为1个!，不能添加新的操作数");
            continue;
        }
        if (!m_expr)
            m_expr.emplace();
        m_expr->m_nOperator = 25;
        m_expr->m_operands.push_back(MakeOperand(kOperandTap, k.address, k.group, k.entry));
    }
}

void CTapToYcEdit::Remove(const std::vector<int>& rows) {
    RemoveOperands(m_expr, rows);
}

bool CTapToYcEdit::Accept() {
    if (!m_expr || m_expr->m_operands.size() != 1) {
        MessageBox("操作数只能为1个!");
        return false;
    }
    return CheckCompositePointKey(m_doc, projectmodel::kInfoTypeYC, m_nGroup, m_nEntry);
}

} // namespace points
