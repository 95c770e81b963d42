#include "editors/model/SelDevModel.h"

#include "editors/model/DeviceLabels.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {
const char* const kVirtualType = "虚拟装置";
}

std::vector<CGridRow> CSelDevModel::MasterRows(const CProjectModel& doc) {
    std::vector<CGridRow> rows;
    rows.reserve(static_cast<std::size_t>(doc.m_devices.GetSize()));
    int n = 0;
    for (const CDevice& d : doc.m_devices) {
        ++n;
        CGridRow row =
            GridRow({StrFormat("%d", n), StrFormat("%d", d.m_nAddress), StrFormat("%d", d.m_nMappedAddress),
                     d.m_strModelName, d.m_model.m_strType, d.m_model.m_strVersion, d.m_strDescription});
        row.rowText = StrFormat(kDeviceListLabel, n, d.m_strModelName.c_str());
        row.itemData = d.m_nAddress;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<CGridRow> CSelDevModel::ModelRows(const CProjectModel& doc) {
    std::vector<CGridRow> rows;
    rows.reserve(static_cast<std::size_t>(doc.m_deviceModels.GetSize()));
    int n = 0;
    for (const CDeviceTemplate& m : doc.m_deviceModels) {
        ++n;
        CGridRow row = GridRow({StrFormat("%d", n), m.m_strName, m.m_strType, m.m_strVersion, m.m_strName});
        row.rowText = StrFormat(kDeviceListLabel, n, m.m_strName.c_str());
        row.itemData = n - 1;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<CGridRow> CSelDevModel::DeviceRows(const CProjectModel& doc) {
    std::vector<CGridRow> rows;
    int n = 0;
    for (const CDevice& d : doc.m_devices) {
        if (d.m_model.m_strType == kVirtualType)
            continue;
        ++n;
        CGridRow row = GridRow({StrFormat("%d", n), StrFormat("%d", d.m_nAddress), d.m_strModelName,
                                d.m_model.m_strType, d.m_model.m_strVersion, d.m_strDescription});
        row.rowText = StrFormat(kDeviceListLabel, n, d.m_strModelName.c_str());
        row.itemData = d.m_nAddress;
        rows.push_back(std::move(row));
    }
    return rows;
}

CSelDevModel::PortAction CSelDevModel::PortActionFor(const CPortRecord& port, const std::string& tabText) {
    const CProtocolDef& protocol = port.m_protocol;
    if (protocol.IsType("DEVICE") && (tabText == "装置列表" || tabText == "配置列表"))
        return PortAction::AddToDeviceList;
    if (!protocol.IsType("SCHEDULE") && !protocol.IsType("SYSTEM") && !protocol.IsType("DEVICE"))
        return PortAction::Nothing;
    const CRefTable* table = protocol.m_tables.FindByName(tabText);
    if (!table || !table->IsDeviceTable())
        return PortAction::Nothing;
    return PortAction::AddToConfig;
}

} // namespace editors
