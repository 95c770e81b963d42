#include "editors/model/PortPointExport.h"

#include "editors/model/RefTableModel.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/TextHelpers.h"

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

int CountPortPoints(const CPortRecord& port) {
    return port.m_protocol.m_tables.CountEntries();
}

std::vector<CPointSheet> PortPointSheets(CProjectModel& doc, const CPortRecord& port) {
    std::vector<CPointSheet> sheets;
    const std::string region = port.m_protocol.m_groups.GetProtocolRegion();
    for (const CRefTable& table : port.m_protocol.m_tables) {
        CPointSheet sheet;
        sheet.name = table.m_strName;
        const bool devices = table.IsDeviceTable();
        // A device table lists devices, with the columns its view shows.
        if (devices)
            sheet.headers.assign(DeviceTableColumns.begin(), DeviceTableColumns.end());
        else
            sheet.headers.assign(RefTableColumns.begin(), RefTableColumns.end());
        std::vector<int> applying;
        for (int i = 0; i < table.m_columns.GetSize(); ++i) {
            std::string title;
            if (!table.m_columns[i].AppliesTo(region, title))
                continue;
            applying.push_back(i);
            sheet.headers.push_back(StripBracketPrefix(table.m_columns[i].m_strName));
        }
        if (devices) {
            for (const CGridRow& row : CRefTableModel::DeviceRows(table, applying))
                sheet.rows.push_back(row.cells);
            sheets.push_back(std::move(sheet));
            continue;
        }
        int number = 0;
        for (const CRefTableEntry& e : table.m_entries) {
            std::vector<std::string> row{StrFormat("%i", ++number),   StrFormat("%i", e.m_nAddress),
                                         StrFormat("%i", e.m_nGroup), StrFormat("%i", e.m_nEntry),
                                         StrFormat("%i", e.m_nFun),   StrFormat("%i", e.m_nInf)};
            const CInfoEntry* info = doc.FindDeviceInfo(e.m_nAddress, e.m_nGroup, e.m_nEntry);
            if (!info) {
                row.push_back("无效引用！");
            } else {
                const std::string& desc = info->m_strDesc;
                const bool named = !desc.empty() && desc[0] == '[' && desc.find(']', 1) != std::string::npos;
                const CDevice* d = doc.FindDevice(e.m_nAddress);
                row.push_back(named ? desc : "[" + (d ? d->m_strDescription : std::string()) + "]" + desc);
            }
            for (int i : applying)
                row.push_back(static_cast<std::size_t>(i) < e.m_values.size()
                                  ? e.m_values[static_cast<std::size_t>(i)]
                                  : std::string());
            sheet.rows.push_back(std::move(row));
        }
        sheets.push_back(std::move(sheet));
    }
    return sheets;
}

std::string PortExportFileName(const CPortRecord& port) {
    const std::string portName = StrFormat("%s%i", port.m_strType.c_str(), port.m_nNumber);
    return StrFormat("%s(规约：%s)测点", portName.c_str(), port.m_protocol.m_strName.c_str());
}

std::string WithXlsxExtension(const std::string& path) {
    const auto endsWith = [&path](std::string_view ext) {
        return path.size() >= ext.size() &&
               platform::EqualsNoCase(std::string_view(path).substr(path.size() - ext.size()), ext);
    };
    if (endsWith(".xlsx"))
        return path;
    // An old ".xls" name would hold a workbook of the newer format: it gets the right extension.
    if (endsWith(".xls"))
        return path + "x";
    return path + ".xlsx";
}

} // namespace editors
