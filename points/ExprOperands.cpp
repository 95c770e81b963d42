#include "points/ExprOperands.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>

namespace points {

using platform::MessageBox;
using projectmodel::CExprOperand;

std::vector<CPointRow> SourcePointRows(const CProjectModel* doc, int category) {
    std::vector<CPointRow> rows;
    if (!doc)
        return rows;
    for (const CDevice& d : doc->m_devices)
        for (const projectmodel::CInfoGroup& g : d.m_model.m_groups) {
            if (g.m_nType != category)
                continue;
            for (const CInfoEntry& e : g.m_entries) {
                CPointRow row;
                row.texts = {std::to_string(d.m_nAddress), std::to_string(g.m_nGroupNo),
                             std::to_string(e.m_nEntry), PointDisplayText(d.m_strDescription, e.m_strDesc)};
                rows.push_back(std::move(row));
            }
        }
    return rows;
}

std::string PointKeyText(const CProjectModel* doc, int address, int group, int entry, bool& found) {
    found = false;
    if (!doc)
        return {};
    const CDevice* d = doc->m_devices.FindByAddress(address);
    const CInfoEntry* e = d ? d->m_model.FindEntry(group, entry) : nullptr;
    if (!e)
        return {};
    found = true;
    return PointDisplayText(d->m_strDescription, e->m_strDesc);
}

std::string RangePrompt(int low, int high) {
    return platform::StrFormat("请输入一个在 %d 和 %d 之间的整数。", low, high);
}

bool CheckRange(int value, int low, int high) {
    if (value >= low && value <= high)
        return true;
    MessageBox(RangePrompt(low, high), {}, platform::Icon::Warning);
    return false;
}

bool CheckCompositePointKey(const CProjectModel* doc, int category, int group, int entry) {
    if (!CheckRange(entry, 1, 255))
        return false;
    if (group < 1 || group > 255) {
        MessageBox(platform::StrFormat("组号%d超出范围，组号应在1和255之间！", group), {},
                   platform::Icon::Warning);
        return false;
    }
    if (group == kReservedGroupNo && !(category == projectmodel::kInfoTypeYX && (entry == 1 || entry == 2))) {
        MessageBox(kReservedGroupText, {}, platform::Icon::Warning);
        return false;
    }
    const CDevice* device =
        doc ? doc->m_devices.FindByAddress(projectmodel::kCompositeDeviceAddress) : nullptr;
    const projectmodel::CInfoGroup* existing = device ? device->m_model.FindGroup(group) : nullptr;
    if (existing && existing->m_nType != category) {
        MessageBox(
            platform::StrFormat("组号%d已是%s分组，不能放入%s测点！", group,
                                std::string(projectmodel::PointCategoryName(existing->m_nType)).c_str(),
                                std::string(projectmodel::PointCategoryName(category)).c_str()),
            {}, platform::Icon::Warning);
        return false;
    }
    return true;
}

CExprOperand MakeOperand(int kind, int a, int b, int c) {
    CExprOperand o;
    o.m_nKind = static_cast<std::uint8_t>(kind);
    o.m_nAddress = a;
    o.m_nGroup = b;
    o.m_nEntry = c;
    return o;
}

void RemoveOperands(std::optional<projectmodel::CExpression>& expr, std::vector<int> indices) {
    if (!expr)
        return;
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    auto& ops = expr->m_operands;
    for (auto it = indices.rbegin(); it != indices.rend(); ++it)
        if (*it >= 0 && *it < static_cast<int>(ops.size()))
            ops.erase(ops.begin() + *it);
}

} // namespace points
