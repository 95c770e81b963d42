#include "editors/model/PointSelectModel.h"

#include "editors/model/DeviceLabels.h"
#include "platform/Text.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/ProjectModel.h"

using namespace projectmodel;

namespace editors {

void CPointSelectModel::Init() {
    m_nCategory = 0;
    m_bTabEnabled = true;
    for (const char* code : {"YC", "YX", "YM", "YP", "YT", "YK"}) {
        if (platform::EqualsNoCase(m_strType, code)) {
            m_nCategory = InfoTypeFromName(code);
            m_bTabEnabled = false;
        }
    }
}

std::vector<std::string> CPointSelectModel::DeviceChoices(const CProjectModel& doc, int* selected) const {
    std::vector<std::string> choices{"所有装置"};
    int chosen = 0;
    for (const CDevice& d : doc.m_devices) {
        choices.push_back(platform::StrFormat(kDeviceItemLabel, d.m_nAddress, d.m_strDescription.c_str()));
        if (d.m_nAddress == m_nDevice && m_nDevice != -1 && chosen == 0)
            chosen = static_cast<int>(choices.size()) - 1;
    }
    if (selected)
        *selected = chosen;
    return choices;
}

void CPointSelectModel::ChooseDevice(const CProjectModel& doc, int index) {
    const CDevice* d = index > 0 ? doc.m_devices.GetPtr(index - 1) : nullptr;
    m_nDevice = d ? d->m_nAddress : -1;
}

std::vector<CGridRow> CPointSelectModel::Rows(const CProjectModel& doc, const CPointRef* key,
                                              int* selected) const {
    std::vector<CGridRow> rows;
    if (selected)
        *selected = 0;
    if (m_nCategory < 0 || m_nCategory > 6)
        return rows;
    rows.push_back(GridRow({"0", "-1", "-1", "-1", "-1", "-1", "-1", "空点"}));
    int number = 0;
    for (const CDevice& d : doc.m_devices) {
        if (m_nDevice != -1 && d.m_nAddress != m_nDevice)
            continue;
        for (const CInfoGroup& g : d.m_model.m_groups) {
            const bool shown =
                g.m_nType == m_nCategory ||
                (g.m_nType == kInfoTypeYKYX && (m_nCategory == kInfoTypeYX || m_nCategory == kInfoTypeYK));
            if (!shown)
                continue;
            for (const CInfoEntry& e : g.m_entries) {
                if (e.m_nEntry == 0)
                    continue;
                CGridRow row;
                row.cells = {platform::StrFormat("%d", ++number),
                             platform::StrFormat("%d", d.m_nAddress),
                             g.m_strName,
                             platform::StrFormat("%d", g.m_nGroupNo),
                             platform::StrFormat("%d", e.m_nEntry),
                             platform::StrFormat("%d", e.m_nFun),
                             platform::StrFormat("%d", e.m_nInf),
                             e.m_strDesc};
                if (key && selected && *selected == 0 && key->m_n1 == d.m_nAddress &&
                    key->m_n2 == g.m_nGroupNo && key->m_n3 == e.m_nEntry)
                    *selected = static_cast<int>(rows.size());
                rows.push_back(std::move(row));
            }
        }
    }
    return rows;
}

bool CPointSelectModel::KeyOfRow(const CGridRow& row, CPointRef& key) {
    if (row.cells.size() < 5 || row.cells[0] == "0")
        return false;
    key = CPointRef(platform::AtoI(row.cells[1]), platform::AtoI(row.cells[3]), platform::AtoI(row.cells[4]));
    return true;
}

} // namespace editors
