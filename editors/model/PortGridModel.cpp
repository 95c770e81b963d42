#include "editors/model/PortGridModel.h"
#include "editors/model/DeviceLabels.h"

#include "editors/model/CellValue.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <algorithm>
#include <map>
#include <set>

using namespace projectmodel;
using platform::EqualsNoCase;
using platform::StrFormat;

namespace editors {

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

bool CPortGridModel::StoreIp(CPortRecord& port, int index, const std::string& text) {
    return platform::IsDottedIPv4(text) && StoreValue(port, index, text);
}

namespace {

// The configurations and the entries of the reference tables of a port's protocol, or "" when it
// has none.
std::string FilledTablesText(int entries, int configs) {
    if (entries == 0 && configs == 0)
        return {};
    if (configs == 0)
        return StrFormat("引用表中的%d个条目", entries);
    if (entries == 0)
        return StrFormat("%d个配置", configs);
    return StrFormat("引用表中的%d个条目和%d个配置", entries, configs);
}

bool AskNoByDefault(const std::string& question) {
    return question.empty() || platform::AskYesDefaultNo(question, "提示");
}

} // namespace

namespace {

// The protocol parameters the port holds apart from its library protocol's own values, as
// "name=value" in group, row and definition order.
std::vector<std::string> OwnParameters(const CProtocolDef& own, const CProtocolDef& library) {
    std::vector<std::string> changed;
    for (const CItemRecord& group : own.m_groups) {
        const CItemRecord* base = library.m_groups.FindByName(group.m_strName);
        for (std::size_t r = 0; r < group.m_rows.size(); ++r)
            for (int i = 0; i < group.m_items.GetSize(); ++i) {
                const std::size_t k = static_cast<std::size_t>(i);
                const CStringArray& row = group.m_rows[r];
                const std::string value = k < row.size() ? row[k] : group.m_items[i].m_strDefault;
                std::string before = group.m_items[i].m_strDefault;
                if (base && r < base->m_rows.size() && k < base->m_rows[r].size())
                    before = base->m_rows[r][k];
                if (value != before)
                    changed.push_back(group.m_items[i].m_strName + "=" + value);
            }
    }
    return changed;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : separator) + part;
    return text;
}

} // namespace

std::string CPortGridModel::ProtocolChangeQuestion(const CProjectModel& doc, const CPortRecord& port,
                                                   int index, const std::string& name) {
    if (index < 0 || (index < static_cast<int>(port.m_values.size()) &&
                      EqualsNoCase(port.m_values[static_cast<std::size_t>(index)], name)))
        return {};
    // What the change takes: the tables and configurations, the parameters set for this port
    // (the new protocol comes with the library's values) and, from a device protocol, the
    // devices taken off the port.
    std::vector<std::string> lost;
    const std::string filled = FilledTablesText(port.m_protocol.m_tables.CountEntries(),
                                                port.m_protocol.m_configs.m_configs.GetSize());
    if (!filled.empty())
        lost.push_back("端口规约" + filled);
    const std::vector<std::string> parameters =
        OwnParameters(port.m_protocol, doc.m_protocolLibrary.GetByName(port.m_protocol.m_strName));
    if (!parameters.empty())
        lost.push_back("端口规约参数(" + Joined(parameters, "，") + ")");
    if (port.m_protocol.IsType("DEVICE") && !port.m_protocol.m_deviceAddresses.empty()) {
        std::vector<std::string> devices;
        for (int address : port.m_protocol.m_deviceAddresses)
            devices.push_back(StrFormat("%d", address));
        lost.push_back(StrFormat("端口上的%d个装置(地址", static_cast<int>(devices.size())) +
                       Joined(devices, "，") + ")");
    }
    if (lost.empty())
        return {};
    return StrFormat("端口规约由%s改为%s，将删除", port.m_protocol.m_strName.c_str(), name.c_str()) +
           Joined(lost, "、") + "，是否继续？";
}

bool CPortGridModel::ConfirmProtocolChange(const CProjectModel& doc, const CPortRecord& port, int index,
                                           const std::string& name) {
    return AskNoByDefault(ProtocolChangeQuestion(doc, port, index, name));
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
    port.m_nNumber = group.GetSize();
    port.m_nRunning = -1;
    port.SetValuesFrom(group.m_options);
    port.m_protocol = CProtocolDef();
    group.Add(std::move(port));
    return true;
}

namespace {
// The running number of every port, per group, as it was before an edit.
using RunningNumbers = std::vector<std::vector<int>>;

RunningNumbers Snapshot(const CBoardInfo& board) {
    RunningNumbers numbers;
    for (const CPortArray& group : board.m_ports) {
        numbers.emplace_back();
        for (const CPortRecord& port : group)
            numbers.back().push_back(port.m_nRunning);
    }
    return numbers;
}

// Numbers the ports of the board by their places again (number = place in the group, running
// number = place among the ports of its type, as the saved file will read) and lets the device
// placements and the time sources follow their ports; sources of a removed port (type code,
// running number) are removed with a message.
void CarryPortNumbers(CProjectModel& doc, CBoardInfo& board, const RunningNumbers& before,
                      const std::set<std::pair<int, int>>& removed) {
    for (CPortArray& group : board.m_ports)
        for (int i = 0; i < group.GetSize(); ++i)
            group[i].m_nNumber = i;
    doc.NumberPorts(board);
    // One link-status signal per port: the status device follows the ports.
    doc.m_boardCfg.BuildLinkStatusSignals(&doc);
    std::map<std::pair<int, int>, int> moved; // (type code, old running) -> new running
    for (int g = 0; g < board.m_ports.GetSize(); ++g) {
        CPortArray& group = board.m_ports[g];
        for (int i = 0; i < group.GetSize(); ++i) {
            const CPortRecord& port = group[i];
            const int old = static_cast<std::size_t>(g) < before.size() &&
                                    static_cast<std::size_t>(i) < before[static_cast<std::size_t>(g)].size()
                                ? before[static_cast<std::size_t>(g)][static_cast<std::size_t>(i)]
                                : -1;
            if (old >= 0)
                moved[{PortTypeFromText(port.m_strType), old}] = port.m_nRunning;
            for (int address : port.m_protocol.m_deviceAddresses) {
                CDevice* device = doc.FindDevice(address);
                if (device && device->m_nBoard == board.m_nNumber) {
                    device->m_model.m_nPortGroup = g;
                    device->m_model.m_nPortIndex = i;
                }
            }
        }
    }
    for (int r = 0; r < doc.m_timeSources.GetSize();) {
        CTimeSource& src = doc.m_timeSources[r];
        const std::pair<int, int> key{src.m_nPortType, src.m_nPort};
        if (src.m_nBoard == board.m_nNumber && removed.count(key)) {
            doc.m_timeSources.RemoveAt(r);
            continue;
        }
        if (src.m_nBoard == board.m_nNumber) {
            const auto it = moved.find(key);
            if (it != moved.end())
                src.m_nPort = it->second;
        }
        ++r;
    }
}

// The indexes of the ports that deleting the rows (ascending) takes: each row as DeletePorts
// visits it, up to the first port that serves devices.
std::vector<int> TakenPorts(const CPortArray& group, const std::vector<int>& rows) {
    std::vector<int> left(static_cast<std::size_t>(group.GetSize()));
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] = static_cast<int>(i);
    std::vector<int> taken;
    for (int row : rows) {
        const int index = row - static_cast<int>(taken.size());
        if (index < 0 || index >= static_cast<int>(left.size()))
            continue;
        const int port = left[static_cast<std::size_t>(index)];
        if (!group[port].m_protocol.m_deviceAddresses.empty())
            break;
        taken.push_back(port);
        left.erase(left.begin() + index);
    }
    return taken;
}
} // namespace

std::string CPortGridModel::PortsDeletionQuestion(const CProjectModel& doc, int board, int groupIndex,
                                                  const std::vector<int>& rows) {
    const CBoardInfo* info = doc.m_boardCfg.m_boards.GetPtr(board);
    const CPortArray* group = info ? info->m_ports.GetPtr(groupIndex) : nullptr;
    if (!group || group->m_bSerial)
        return {};
    int entries = 0, configs = 0;
    std::set<std::pair<int, int>> used;
    for (int index : TakenPorts(*group, rows)) {
        const CPortRecord& port = (*group)[index];
        entries += port.m_protocol.m_tables.CountEntries();
        configs += port.m_protocol.m_configs.m_configs.GetSize();
        if (port.m_nRunning >= 0)
            used.insert({PortTypeFromText(port.m_strType), port.m_nRunning});
    }
    std::string sources;
    for (int r = 0; r < doc.m_timeSources.GetSize(); ++r) {
        const CTimeSource& src = doc.m_timeSources[r];
        if (src.m_nBoard == info->m_nNumber && used.count({src.m_nPortType, src.m_nPort}))
            sources += StrFormat("\n对时源%d: 板卡%d %s地址%d", r + 1, ShownBoardNumber(src.m_nBoard),
                                 std::string(PortTypeName(src.m_nPortType)).c_str(), src.m_nPort);
    }
    const std::string tables = FilledTablesText(entries, configs);
    if (tables.empty() && sources.empty())
        return {};
    std::string what = tables.empty() ? std::string() : "端口规约" + tables;
    if (!sources.empty())
        what += (what.empty() ? "" : "及") + std::string("以下对时源:") + sources;
    return "删除所选端口将同时删除" + what + (sources.empty() ? "，" : "\n") + "是否继续？";
}

bool CPortGridModel::AddPort(CProjectModel& doc, int board, int groupIndex) {
    if (!doc.m_boardCfg.m_boards.IsValidIndex(board) ||
        !doc.m_boardCfg.m_boards[board].m_ports.IsValidIndex(groupIndex))
        return false;
    CBoardInfo& info = doc.m_boardCfg.m_boards[board];
    RunningNumbers before = Snapshot(info);
    if (!AddPort(info.m_ports[groupIndex]))
        return false;
    before[static_cast<std::size_t>(groupIndex)].push_back(-1);
    CarryPortNumbers(doc, info, before, {});
    return true;
}

int CPortGridModel::DeletePorts(CProjectModel& doc, int board, int groupIndex, const std::vector<int>& rows) {
    // The question comes before any record is held: its box runs an event loop.
    if (!AskNoByDefault(PortsDeletionQuestion(doc, board, groupIndex, rows)))
        return 0;
    if (!doc.m_boardCfg.m_boards.IsValidIndex(board) ||
        !doc.m_boardCfg.m_boards[board].m_ports.IsValidIndex(groupIndex))
        return 0;
    CBoardInfo& info = doc.m_boardCfg.m_boards[board];
    CPortArray& group = info.m_ports[groupIndex];
    if (group.m_bSerial)
        return 0;
    RunningNumbers before = Snapshot(info);
    std::vector<int>& running = before[static_cast<std::size_t>(groupIndex)];
    std::set<std::pair<int, int>> removed;
    int deleted = 0;
    for (int row : rows) {
        const int index = row - deleted;
        if (!group.IsValidIndex(index))
            continue;
        if (!group[index].m_protocol.m_deviceAddresses.empty()) {
            platform::MessageBox("请先删除端口连接的装置，然后再删除端口!");
            break;
        }
        if (running[static_cast<std::size_t>(index)] >= 0)
            removed.insert(
                {PortTypeFromText(group[index].m_strType), running[static_cast<std::size_t>(index)]});
        group.RemoveAt(index);
        running.erase(running.begin() + index);
        ++deleted;
    }
    if (deleted > 0)
        CarryPortNumbers(doc, info, before, removed);
    return deleted;
}

} // namespace editors
