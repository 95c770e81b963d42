#include "points/TapToYxEdit.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>

namespace points {

using platform::MessageBox;
using platform::StrFormat;
using projectmodel::CExpression;
using projectmodel::CExprOperand;
using projectmodel::kCompositeDeviceAddress;

namespace {

const char* const kBcdLabels[8] = {"个位Bit0", "个位Bit1", "个位Bit2", "个位Bit3",
                                   "十位Bit0", "十位Bit1", "十位Bit2", "十位Bit3"};

} // namespace

std::vector<std::string> CTapToYxEdit::ValueCaptions(Kind kind) {
    std::vector<std::string> out;
    if (kind == Single) {
        for (int v = 1; v <= 32; ++v)
            out.push_back(StrFormat("档位%d", v));
    } else if (kind == Binary) {
        for (int b = 0; b < 8; ++b)
            out.push_back(StrFormat("第%d位>>", b));
    } else {
        for (const char* l : kBcdLabels)
            out.push_back(std::string(l) + ">>");
    }
    return out;
}

bool CTapToYxEdit::IsOwnCode(int code) const {
    switch (m_kind) {
    case Single:
        return code == 24;
    case Binary:
        return code >= 15 && code <= 22;
    default:
        return code == 26;
    }
}

bool CTapToYxEdit::FollowsRule(Kind kind, const CExpression& expr) {
    const auto& ops = expr.m_operands;
    if (kind == Binary)
        return ops.size() == 1;
    if (ops.size() != 2 || ops[1].m_nKind != kOperandNumber)
        return false;
    return kind == Single || (ops[1].m_nAddress >= 0 && ops[1].m_nAddress <= 7);
}

std::string CTapToYxEdit::Label(Kind kind, const CExpression& expr) {
    if (kind == Binary)
        return StrFormat("GetBit%d", expr.m_nOperator - 15);
    const int v = expr.m_operands.size() > 1 ? expr.m_operands[1].m_nAddress : 0;
    if (kind == Single)
        return StrFormat("取值%d", v);
    return v >= 0 && v <= 7 ? kBcdLabels[v] : std::string();
}

std::vector<CPointRow> CTapToYxEdit::ResultRows() const {
    std::vector<CPointRow> rows;
    if (!m_copy)
        return rows;
    for (const projectmodel::CInfoGroup& g : m_copy->m_groups) {
        if (g.m_nType != projectmodel::kInfoTypeYX)
            continue;
        for (const CInfoEntry& e : g.m_entries) {
            if (!IsOwnCode(e.m_expr.m_nOperator))
                continue;
            if (!FollowsRule(m_kind, e.m_expr)) {
                MessageBox(std::string("程序错误：表达式错误！\n错误位置：void ") +
                           (m_kind == Binary ? "CConfigYBToYXEJZDlg" : "CConfigYBToYXDlg") +
                           "::InitSelDevYXList()");
                return rows;
            }
            CPointRow row;
            row.texts = {Label(m_kind, e.m_expr), std::to_string(kCompositeDeviceAddress),
                         std::to_string(g.m_nGroupNo), std::to_string(e.m_nEntry), e.m_strDesc};
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

int CTapToYxEdit::Add(const CPointKey& tap, int value) {
    if (!m_doc || !m_copy)
        return 0;
    const int group = m_doc->GetGroupNo(m_copy, "遥信", projectmodel::kInfoTypeYX);
    const int entry = m_doc->GetEntryNo(m_copy, group);
    CInfoEntry e;
    e.m_strGroupName = "遥信";
    e.m_nGroup = group;
    e.m_nEntry = entry;
    e.m_nSeq = entry;
    e.m_strDesc = StrFormat("复合信号(%d-%d-%d)", kCompositeDeviceAddress, group, entry);
    e.m_expr.m_operands.push_back(MakeOperand(kOperandTap, tap.address, tap.group, tap.entry));
    switch (m_kind) {
    case Single:
        e.m_expr.m_nOperator = 24;
        e.m_expr.m_operands.push_back(MakeOperand(kOperandNumber, value));
        break;
    case Binary:
        e.m_expr.m_nOperator = static_cast<std::uint8_t>(15 + value);
        break;
    case Bcd:
        e.m_expr.m_nOperator = 26;
        e.m_expr.m_operands.push_back(MakeOperand(kOperandNumber, value));
        break;
    }
    return m_doc->SetDeviceExpression(m_copy, group, projectmodel::kInfoTypeYX, e);
}

void CTapToYxEdit::Remove(const std::vector<std::pair<int, int>>& keys) {
    if (!m_doc)
        return;
    for (const auto& [group, entry] : keys)
        m_doc->DeleteDeviceExpression(m_copy, group, entry);
}

void CTapToYxEdit::ClickResult(int group, int entry, const std::vector<CPointRow>& sources, int& value,
                               int& sourceRow, std::string& field) const {
    value = -1;
    sourceRow = -1;
    field = "无效引用";
    const CInfoEntry* e = m_copy ? m_copy->FindEntry(group, entry) : nullptr;
    if (!e || e->m_expr.m_operands.empty())
        return;
    if (m_kind == Single && e->m_expr.m_operands.size() > 1)
        value = e->m_expr.m_operands[1].m_nAddress;
    const CExprOperand& tap = e->m_expr.m_operands[0];
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const auto& t = sources[i].texts;
        if (t.size() >= 4 && platform::AtoI(t[0]) == tap.m_nAddress && platform::AtoI(t[1]) == tap.m_nGroup &&
            platform::AtoI(t[2]) == tap.m_nEntry) {
            sourceRow = static_cast<int>(i);
            field = StrFormat("%s(%d-%d-%d)", t[3].c_str(), tap.m_nAddress, tap.m_nGroup, tap.m_nEntry);
            return;
        }
    }
}

} // namespace points
