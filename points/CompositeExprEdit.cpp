#include "points/CompositeExprEdit.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>

namespace points {

using platform::MessageBox;
using projectmodel::CExprOperand;

const std::vector<COperatorItem>& CCompositeExprEdit::Operators() const {
    static const std::vector<COperatorItem> yc{{"＋", 11}, {"－", 12}, {"×", 13}, {"/", 14}};
    static const std::vector<COperatorItem> yx{
        {"非(not)", 7}, {"与(and)", 8}, {"或(or)", 9}, {"异或(Xor)", 10}};
    return m_kind == YC ? yc : yx;
}

int CCompositeExprEdit::OperatorIndex() const {
    const auto& ops = Operators();
    for (std::size_t i = 0; i < ops.size(); ++i)
        if (ops[i].code == m_nOperator)
            return static_cast<int>(i);
    return -1;
}

void CCompositeExprEdit::Open() {
    if (m_expr) {
        m_nOperator = m_expr->m_nOperator;
        if (OperatorIndex() < 0)
            MessageBox("表达式运算符错误！");
    } else {
        m_nOperator = m_kind == YC ? 11 : 9;
    }
}

std::vector<CPointRow> CCompositeExprEdit::OperandRows() const {
    std::vector<CPointRow> rows;
    if (!m_expr)
        return rows;
    for (const CExprOperand& o : m_expr->m_operands) {
        CPointRow row;
        if (o.m_nKind == PointKind()) {
            bool found = false;
            const std::string text = PointKeyText(m_doc, o.m_nAddress, o.m_nGroup, o.m_nEntry, found);
            row.texts = {std::to_string(o.m_nAddress), std::to_string(o.m_nGroup), std::to_string(o.m_nEntry),
                         found ? text : "无效引用"};
        } else if (o.m_nKind == kOperandNumber) {
            row.texts = {std::to_string(o.m_nAddress), "", "", "直接数"};
        } else {
            MessageBox(kOperandKindError);
            break;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

bool CCompositeExprEdit::CanAdd() const {
    if (m_kind == YC) {
        if (m_nOperator < 11 || m_nOperator > 14) {
            MessageBox("程序错误：未定义的运算符！");
            return false;
        }
        if ((m_nOperator == 12 || m_nOperator == 14) && Count() >= 2) {
            MessageBox("操作数超过2个，无法添加新操作数！");
            return false;
        }
        return true;
    }
    if (m_nOperator == 7) {
        if (Count() >= 1) {
            MessageBox("操作数超过1个，无法添加新操作数！");
            return false;
        }
        return true;
    }
    if (m_nOperator < 8 || m_nOperator > 10) {
        MessageBox("程序错误：未定义的运算符！");
        return false;
    }
    return true;
}

void CCompositeExprEdit::Append(const CExprOperand& operand) {
    if (!m_expr) {
        m_expr.emplace();
        m_expr->m_nOperator = static_cast<std::uint8_t>(m_nOperator);
    }
    m_expr->m_operands.push_back(operand);
}

bool CCompositeExprEdit::AddPoints(const std::vector<CPointKey>& keys) {
    if (keys.empty() || !CanAdd())
        return false;
    for (const CPointKey& k : keys) {
        CExprOperand o;
        o.m_nKind = static_cast<std::uint8_t>(PointKind());
        o.m_nAddress = k.address;
        o.m_nGroup = k.group;
        o.m_nEntry = k.entry;
        Append(o);
    }
    return true;
}

bool CCompositeExprEdit::AddNumber(const std::string& text) {
    if (!CanAdd())
        return false;
    CExprOperand o;
    o.m_nKind = kOperandNumber;
    o.m_nAddress = platform::AtoI(text);
    Append(o);
    return true;
}

void CCompositeExprEdit::Remove(const std::vector<int>& rows) {
    RemoveOperands(m_expr, rows);
}

bool CCompositeExprEdit::MoveUp(int row) {
    if (!m_expr || row <= 0 || row >= Count())
        return false;
    std::swap(m_expr->m_operands[static_cast<std::size_t>(row)],
              m_expr->m_operands[static_cast<std::size_t>(row - 1)]);
    return true;
}

bool CCompositeExprEdit::MoveDown(int row) {
    if (!m_expr || row < 0 || row + 1 >= Count())
        return false;
    std::swap(m_expr->m_operands[static_cast<std::size_t>(row)],
              m_expr->m_operands[static_cast<std::size_t>(row + 1)]);
    return true;
}

void CCompositeExprEdit::SetOperator(int code) {
    m_nOperator = code;
    if (!m_expr)
        return;
    m_expr->m_nOperator = static_cast<std::uint8_t>(code);
    auto& ops = m_expr->m_operands;
    if (m_kind == YC && (code == 12 || code == 14) && ops.size() > 2) {
        MessageBox("操作数超过2个，删除多余操作数！");
        ops.resize(2);
    } else if (m_kind == YX && code == 7 && ops.size() > 1) {
        MessageBox(kExtraOperandsCut);
        ops.resize(1);
    }
}

bool CCompositeExprEdit::EditOperand(int row, const std::string& cell, const std::string& typed,
                                     std::string& first, std::string& last) {
    const std::string text = platform::Trim(typed);
    if (!m_expr || row < 0 || row >= Count() || text == cell)
        return false;
    CExprOperand& o = m_expr->m_operands[static_cast<std::size_t>(row)];
    const int value = platform::AtoI(text);
    if (o.m_nKind == kOperandNumber) {
        last = "直接数";
    } else {
        bool found = false;
        const std::string shown = PointKeyText(m_doc, value, o.m_nGroup, o.m_nEntry, found);
        if (found) {
            last = shown;
        } else {
            const std::string question =
                platform::StrFormat("装置地址：%d，组号：%d，条目号：%d 为无效测点，确认要修改么？", value,
                                    o.m_nGroup, o.m_nEntry);
            if (MessageBox(question, "提示", platform::Icon::Warning, platform::Buttons::YesNo) !=
                platform::Answer::Yes)
                return false;
            last = "无效引用";
        }
    }
    o.m_nAddress = value;
    first = std::to_string(value);
    return true;
}

bool CCompositeExprEdit::Accept(int numberField) {
    if (m_kind == YC) {
        if (Count() < projectmodel::MinOperandCount(static_cast<std::uint8_t>(m_nOperator))) {
            MessageBox(kTwoOperandsNeeded);
            return false;
        }
        if (m_nOperator < 11 || m_nOperator > 14) {
            MessageBox("程序错误：未定义的运算符！");
            return false;
        }
        if ((m_nOperator == 12 || m_nOperator == 14) && Count() > 2) {
            MessageBox("运算符“－”和“/”只能有2个操作数！");
            return false;
        }
        return CheckCompositePointKey(m_doc, projectmodel::kInfoTypeYC, m_nGroup, m_nEntry);
    }
    if (!m_expr) {
        MessageBox(kTooFewOperands);
        return false;
    }
    if (m_nOperator == 7) {
        // "非(not)" needs the one signal it negates.
        if (Count() < projectmodel::MinOperandCount(static_cast<std::uint8_t>(m_nOperator))) {
            MessageBox(kTooFewOperands);
            return false;
        }
        if (Count() >= 2) {
            MessageBox(kExtraOperandsCut);
            m_expr->m_operands.resize(1);
        }
    } else if (m_nOperator >= 8 && m_nOperator <= 10) {
        if (Count() < projectmodel::MinOperandCount(static_cast<std::uint8_t>(m_nOperator))) {
            MessageBox(kTwoOperandsNeeded);
            return false;
        }
    } else {
        MessageBox("程序错误：未定义的运算符！");
        return false;
    }
    if (!CheckCompositePointKey(m_doc, projectmodel::kInfoTypeYX, m_nGroup, m_nEntry) ||
        !CheckRange(numberField, 0, 1))
        return false;
    // A telesignal is 0 or 1, so a direct number of any other value matches no signal.
    for (const CExprOperand& o : m_expr->m_operands)
        if (o.m_nKind == kOperandNumber && o.m_nAddress != 0 && o.m_nAddress != 1) {
            MessageBox(
                platform::StrFormat("直接数%d不是遥信值，遥信表达式的直接数只能为0或1！", o.m_nAddress), {},
                platform::Icon::Warning);
            return false;
        }
    return true;
}

} // namespace points
