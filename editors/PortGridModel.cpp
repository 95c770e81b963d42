#include "PortGridModel.h"

#include "editors/CellValue.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <algorithm>

using namespace projectmodel;
using platform::EqualsNoCase;

std::vector<std::string> CPortGridModel::Titles(const CPortArray& group) {
    std::vector<std::string> titles{"地址"};
    for (const COptionItem& def : group.m_options)
        titles.push_back(def.m_strName);
    return titles;
}

std::string CPortGridModel::CellText(const CPortRecord& port, const COptionItem& def, int index) {
    if (def.IsKind("DEVSUM"))
        return platform::StrFormat("%d", static_cast<int>(port.m_protocol.m_deviceAddresses.size()));
    if (def.IsKind("TABSUM"))
        return platform::StrFormat("%d", port.m_protocol.m_tables.GetSize());
    return index >= 0 && index < static_cast<int>(port.m_values.size())
               ? port.m_values[static_cast<std::size_t>(index)]
               : std::string();
}

std::vector<CGridRow> CPortGridModel::Rows(const CPortArray& group) {
    std::vector<CGridRow> rows;
    rows.reserve(static_cast<std::size_t>(group.GetSize()));
    for (int i = 0; i < group.GetSize(); ++i) {
        std::vector<std::string> cells{platform::StrFormat("%d", i)};
        for (int k = 0; k < group.m_options.GetSize(); ++k)
            cells.push_back(CellText(group[i], group.m_options[k], k));
        rows.push_back(GridRow(std::move(cells)));
    }
    return rows;
}

CPortGridModel::Editor CPortGridModel::EditorFor(const COptionItem& def) {
    if (def.IsKind("ENUM") || def.IsKind("PRTC"))
        return Editor::Combo;
    if (def.IsKind("IP"))
        return Editor::Ip;
    for (const char* kind : {"STRING", "BYTE", "WORD", "INT", "FLOAT"})
        if (def.IsKind(kind))
            return Editor::Edit;
    return Editor::None;
}

std::string CPortGridModel::CheckedValue(const COptionItem& def, const std::string& text) {
    if (def.m_choices.size() != 2)
        return text;
    return CheckOptionValue(def.m_strKind, &def.m_choices[0], &def.m_choices[1], text);
}

bool CPortGridModel::StoreValue(CPortRecord& port, int index, const std::string& text) {
    if (index < 0)
        return false;
    if (static_cast<int>(port.m_values.size()) <= index)
        port.m_values.resize(static_cast<std::size_t>(index) + 1);
    std::string& value = port.m_values[static_cast<std::size_t>(index)];
    if (EqualsNoCase(value, text))
        return false;
    value = text;
    return true;
}

CPortGridModel::ProtocolChange CPortGridModel::ChangeProtocol(CProjectModel& doc, CPortRecord& port,
                                                              const std::string& name) {
    ProtocolChange change;
    change.oldName = port.m_protocol.m_strName;
    if (port.m_protocol.IsType("DEVICE")) {
        for (int address : port.m_protocol.m_deviceAddresses) {
            if (CDevice* device = doc.FindDevice(address)) {
                device->Unplace();
                doc.RelinkPortReferences(*device);
            }
        }
        change.redistributeOld = true;
    }
    port.m_protocol = doc.m_protocolLibrary.GetByName(name);
    change.newName = port.m_protocol.m_strName;
    change.redistributeNew = port.m_protocol.IsType("DEVICE");
    return change;
}

bool CPortGridModel::Redistribute(CProjectModel& doc, const std::string& name) {
    const int ports = doc.CountPortsOfProtocol(name);
    if (ports == 0)
        return false;
    if (platform::MessageBox(platform::StrFormat("是否重新分配规约（%s）的所属装置？", name.c_str()), "提示",
                             platform::Icon::Information,
                             platform::Buttons::OkCancel) != platform::Answer::Ok)
        return false;
    CDeviceArray devices;
    const int n = doc.CollectProtocolDevices(name, devices);
    if (n > 0)
        doc.DistributeProtocolDevices(n, ports, name, devices);
    return true;
}

void CPortGridModel::Apply(CProjectModel& doc, const ProtocolChange& change) {
    if (change.redistributeOld)
        Redistribute(doc, change.oldName);
    if (change.redistributeNew)
        Redistribute(doc, change.newName);
}

bool CPortGridModel::AddPort(CPortArray& group) {
    if (group.m_bSerial)
        return false;
    CPortRecord port;
    port.m_strName = group.m_strName;
    port.m_strType = group.m_strType;
    int number = group.GetSize();
    for (const CPortRecord& other : group)
        if (other.m_nNumber >= number)
            number = other.m_nNumber + 1;
    port.m_nNumber = number;
    port.m_nRunning = -1;
    port.SetValuesFrom(group.m_options);
    port.m_protocol = CProtocolDef();
    group.Add(std::move(port));
    return true;
}

int CPortGridModel::DeletePorts(CProjectModel& doc, int board, int groupIndex, const std::vector<int>& rows) {
    if (!doc.m_boardCfg.m_boards.IsValidIndex(board) ||
        !doc.m_boardCfg.m_boards[board].m_ports.IsValidIndex(groupIndex))
        return 0;
    CBoardInfo& info = doc.m_boardCfg.m_boards[board];
    CPortArray& group = info.m_ports[groupIndex];
    if (group.m_bSerial)
        return 0;
    int deleted = 0;
    int first = group.GetSize();
    for (int row : rows) {
        const int index = row - deleted;
        if (!group.IsValidIndex(index))
            continue;
        if (!group[index].m_protocol.m_deviceAddresses.empty()) {
            platform::MessageBox("请先删除端口连接的装置，然后再删除端口!");
            break;
        }
        group.RemoveAt(index);
        first = std::min(first, index);
        ++deleted;
    }
    for (int i = first; i < group.GetSize(); ++i) {
        for (int address : group[i].m_protocol.m_deviceAddresses) {
            CDevice* device = doc.FindDevice(address);
            if (device && device->m_nBoard == info.m_nNumber && device->m_model.m_nPortGroup == groupIndex)
                device->m_model.m_nPortIndex = i;
        }
    }
    return deleted;
}
