#include "editors/model/DevinfolistModel.h"

#include "editors/model/DeviceLabels.h"
#include "editors/model/EquipDetailModel.h"
#include "editors/model/RefTableModel.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>
#include <climits>

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

namespace {
const char* const kVirtualType = "虚拟装置";

bool IsDigits(const std::string& text) {
    if (text.empty())
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// An ordinary device's address or mapped address: 1..65529 (65530 and above belong to the virtual
// devices, also while they are absent); -1 for anything else, long digit strings included.
long long AddressNumber(const std::string& text) {
    if (!IsDigits(text))
        return -1;
    const std::size_t first = text.find_first_not_of('0');
    if (first == std::string::npos || text.size() - first > 5)
        return -1;
    const long long n = platform::AtoLL(text);
    return n >= 1 && n < kStatusDeviceAddress ? n : -1;
}

// A composite operand that names a point (kinds above 5 hold a number).
bool IsPointOperand(const CExprOperand& op) {
    return op.m_nKind <= 5;
}

template <class Fn> void ForEachPort(CProjectModel& doc, Fn fn) {
    CBoardArray& boards = doc.m_boardCfg.m_boards;
    for (int b = 0; b < boards.GetSize(); ++b)
        for (int g = 0; g < boards[b].m_ports.GetSize(); ++g) {
            CPortArray& group = boards[b].m_ports[g];
            for (int p = 0; p < group.GetSize(); ++p)
                fn(group[p], CDevinfolistModel::CPortKey{b, g, p});
        }
}

void UpdateTable(CRefTable& table, const CDevice& device, int oldAddress, bool remove) {
    if (!table.IsDeviceTable())
        return;
    auto& items = table.m_devices.Items();
    if (remove) {
        items.erase(std::remove_if(items.begin(), items.end(),
                                   [&](const CRefTableDevice& d) { return d.m_nAddress == oldAddress; }),
                    items.end());
        return;
    }
    for (CRefTableDevice& d : items) {
        if (d.m_nAddress != oldAddress)
            continue;
        d.m_nBoard = device.m_nBoard;
        d.m_nAddress = device.m_nAddress;
        d.m_nMappedAddress = device.m_nMappedAddress;
        d.m_strModelName = device.m_strModelName;
        d.m_strDescription = device.m_strDescription;
        d.m_strModelType = device.m_model.m_strType;
        d.m_strModelVersion = device.m_model.m_strVersion;
    }
}

bool ReferencesAddress(const CPrjDevice& equipment, int address) {
    if (std::find(equipment.m_linkedDevices.begin(), equipment.m_linkedDevices.end(), address) !=
        equipment.m_linkedDevices.end())
        return true;
    for (const CRefTable& table : equipment.m_settings.m_tables)
        for (const CRefTableEntry& e : table.m_entries)
            if (e.m_nAddress == address)
                return true;
    return false;
}

void ResetEquipmentLinks(CDeviceTemplate& model) {
    for (CInfoGroup& group : model.m_groups)
        for (CInfoEntry& entry : group.m_entries)
            std::fill(std::begin(entry.m_equip), std::end(entry.m_equip), -1);
}

const CPortRecord* GetPortRecordAt(const CProjectModel& doc, const CPortChoice& c) {
    const CBoardInfo* board = doc.m_boardCfg.m_boards.GetPtr(c.board);
    const CPortArray* group = board ? board->m_ports.GetPtr(c.group) : nullptr;
    return group ? group->GetPtr(c.port) : nullptr;
}

void RefreshPorts(CProjectModel& doc, const std::vector<CDevinfolistModel::CPortKey>& ports) {
    if (IProjectViews* views = doc.Views())
        for (const auto& k : ports)
            views->RefreshPortChildNodes(k.board, k.group, k.port);
}

void RefreshDeviceNodes(CProjectModel& doc) {
    if (IProjectViews* views = doc.Views())
        views->RefreshDeviceNodes();
}

void RefreshDevicePort(CProjectModel& doc, const CDevice& device) {
    CDevinfolistModel::CPortKey key;
    if (CDevinfolistModel::PortOfDevice(doc, device, key))
        if (IProjectViews* views = doc.Views())
            views->RefreshPortNode(key.board, key.group, key.port);
}
} // namespace

std::vector<CGridRow> CDevinfolistModel::Rows(const CProjectModel& doc) {
    std::vector<CGridRow> rows;
    rows.reserve(static_cast<std::size_t>(doc.m_devices.GetSize()));
    for (const CDevice& d : doc.m_devices) {
        if (d.m_model.m_strType == kVirtualType)
            continue;
        CGridRow row =
            GridRow({StrFormat("%d", static_cast<int>(rows.size()) + 1), StrFormat("%d", d.m_nAddress),
                     StrFormat("%d", d.m_nMappedAddress), d.m_strModelName, d.m_model.m_strType,
                     d.m_model.m_strVersion, d.m_strDescription});
        row.rowText = StrFormat(kDeviceListLabel, d.m_nAddress, d.m_strDescription.c_str());
        row.itemData = d.m_nAddress;
        rows.push_back(std::move(row));
    }
    return rows;
}

bool CDevinfolistModel::PortOfDevice(const CProjectModel& doc, const CDevice& device, CPortKey& key) {
    if (!device.IsPlaced())
        return false;
    const CBoardArray& boards = doc.m_boardCfg.m_boards;
    for (int b = 0; b < boards.GetSize(); ++b) {
        if (boards[b].m_nNumber != device.m_nBoard)
            continue;
        const CPortArray* group = boards[b].m_ports.GetPtr(device.m_model.m_nPortGroup);
        if (!group || !group->IsValidIndex(device.m_model.m_nPortIndex))
            return false;
        key = {b, device.m_model.m_nPortGroup, device.m_model.m_nPortIndex};
        return true;
    }
    return false;
}

void CDevinfolistModel::UpdateDeviceTables(CProjectModel& doc, const CDevice& device, int oldAddress,
                                           bool remove) {
    ForEachPort(doc, [&](CPortRecord& port, const CPortKey&) {
        for (CRefTable& table : port.m_protocol.m_tables)
            UpdateTable(table, device, oldAddress, remove);
        for (CPortConfig& config : port.m_protocol.m_configs.m_configs)
            for (CRefTable& table : config.m_settings.m_tables)
                UpdateTable(table, device, oldAddress, remove);
    });
}

CDevinfolistModel::CCarry CDevinfolistModel::CarryAddress(CProjectModel& doc, int oldAddress, int newAddress,
                                                          bool remove) {
    CCarry carry;
    if (!remove && oldAddress == newAddress)
        return carry;
    for (CPrjDevice& equipment : doc.m_prjDevices) {
        if (!ReferencesAddress(equipment, oldAddress))
            continue;
        equipment.ReplaceRefDeviceAddress(oldAddress, newAddress, remove);
        while (equipment.ReplaceLinkedDeviceAddress(oldAddress, newAddress, remove)) {
        }
        CEquipDetailModel::RelinkRows(doc, equipment);
        carry.equipment.emplace_back(equipment.m_nBayId, equipment.m_nId);
    }
    ForEachPort(doc, [&](CPortRecord& port, const CPortKey& key) {
        for (CPortConfig& config : port.m_protocol.m_configs.m_configs)
            config.ReplaceRefDeviceAddress(oldAddress, newAddress, remove);
        for (CRefTable& table : port.m_protocol.m_tables)
            if (!table.IsDeviceTable())
                table.m_entries.ReplaceDeviceAddress(oldAddress, newAddress, remove);
        // Every port that serves the device keeps serving it under its new address.
        CIntArray& list = port.m_protocol.m_deviceAddresses;
        if (std::find(list.begin(), list.end(), oldAddress) == list.end())
            return;
        if (remove)
            list.erase(std::remove(list.begin(), list.end(), oldAddress), list.end());
        else
            std::replace(list.begin(), list.end(), oldAddress, newAddress);
        carry.ports.push_back(key);
    });
    // Composite operands and telecontrol links of the device follow its address or are dropped.
    const CCarry refs = VisitReferencesOutsideTables(doc, [&](int& address, int&, int&) {
        if (address != oldAddress)
            return true;
        address = newAddress;
        return !remove;
    });
    carry.ports.insert(carry.ports.end(), refs.ports.begin(), refs.ports.end());
    return carry;
}

CDevinfolistModel::CCarry CDevinfolistModel::VisitPointRefs(CProjectModel& doc,
                                                            const PointRefVisitor& visit) {
    CCarry carry;
    auto visitTable = [&](CRefTable& table) {
        if (table.IsDeviceTable())
            return false;
        bool changed = false;
        std::erase_if(table.m_entries.Items(), [&](CRefTableEntry& e) {
            const CRefTableEntry before = e;
            const bool keep = visit(e.m_nAddress, e.m_nGroup, e.m_nEntry);
            changed = changed || !keep || !(before == e);
            return !keep;
        });
        return changed;
    };
    for (CPrjDevice& equipment : doc.m_prjDevices) {
        bool changed = false;
        for (CRefTable& table : equipment.m_settings.m_tables)
            changed = visitTable(table) || changed;
        if (!changed)
            continue;
        CEquipDetailModel::RelinkRows(doc, equipment);
        carry.equipment.emplace_back(equipment.m_nBayId, equipment.m_nId);
    }
    ForEachPort(doc, [&](CPortRecord& port, const CPortKey& key) {
        bool changed = false;
        for (CRefTable& table : port.m_protocol.m_tables)
            changed = visitTable(table) || changed;
        for (CPortConfig& config : port.m_protocol.m_configs.m_configs)
            for (CRefTable& table : config.m_settings.m_tables)
                changed = visitTable(table) || changed;
        if (changed)
            carry.ports.push_back(key);
    });
    VisitReferencesOutsideTables(doc, visit);
    return carry;
}

CDevinfolistModel::CCarry CDevinfolistModel::VisitReferencesOutsideTables(CProjectModel& doc,
                                                                          const PointRefVisitor& visit) {
    if (CDevice* composite = doc.FindDevice(kCompositeDeviceAddress))
        for (CInfoGroup& group : composite->m_model.m_groups)
            for (CInfoEntry& entry : group.m_entries)
                std::erase_if(entry.m_expr.m_operands, [&](CExprOperand& op) {
                    return IsPointOperand(op) && !visit(op.m_nAddress, op.m_nGroup, op.m_nEntry);
                });
    for (CDevice& device : doc.m_devices)
        for (CInfoGroup& group : device.m_model.m_groups)
            for (CInfoEntry& entry : group.m_entries)
                if (entry.m_yx[0] != -1 || entry.m_yx[1] != -1 || entry.m_yx[2] != -1)
                    if (!visit(entry.m_yx[0], entry.m_yx[1], entry.m_yx[2]))
                        entry.m_yx[0] = entry.m_yx[1] = entry.m_yx[2] = -1;
    return {};
}

int CDevinfolistModel::CountPointRefs(CProjectModel& doc, int address, int group, int entry) {
    int count = 0;
    VisitPointRefs(doc, [&](int& a, int& g, int& e) {
        count += a == address && g == group && e == entry;
        return true;
    });
    return count;
}

CDevinfolistModel::CCarry CDevinfolistModel::CarryEntryRemoval(CProjectModel& doc, int address, int group,
                                                               int entry, LaterEntries later) {
    return VisitPointRefs(doc, [&](int& a, int& g, int& e) {
        if (a != address || g != group || e < entry)
            return true;
        if (e == entry)
            return false;
        if (later == LaterEntries::Renumbered)
            --e;
        return true;
    });
}

bool CDevinfolistModel::ConfirmReferenceRemoval(int references) {
    return references <= 0 ||
           platform::AskYesDefaultNo(StrFormat("所选信息被引用%d处(引用表、一次设备、复合信号或遥信关联)。\n"
                                               "删除信息将同时删除这些引用，是否继续？",
                                               references),
                                     "删除信息");
}

void CDevinfolistModel::Join(CCarry& carry, const CCarry& step) {
    carry.ports.insert(carry.ports.end(), step.ports.begin(), step.ports.end());
    carry.equipment.insert(carry.equipment.end(), step.equipment.begin(), step.equipment.end());
}

void CDevinfolistModel::RefreshCarry(CProjectModel& doc, const CCarry& carry) {
    if (IProjectViews* views = doc.Views())
        for (const auto& [bay, id] : carry.equipment)
            views->RefreshEquipmentNode(bay, id);
    RefreshPorts(doc, carry.ports);
}

bool CDevinfolistModel::SetAddress(CProjectModel& doc, int row, int address, const std::string& text) {
    CDevice* device = doc.FindDevice(address);
    if (!device)
        return false;
    const long long number = AddressNumber(text);
    if (number < 0) {
        platform::MessageBox(StrFormat("第%d行设置错误！\n原因:输入 %s 非法！", row, text.c_str()), "错误",
                             platform::Icon::Error);
        return false;
    }
    const int newAddress = static_cast<int>(number);
    if (newAddress == address)
        return false;
    if (doc.FindDevice(newAddress)) {
        platform::MessageBox(StrFormat("第%d行设置错误！\n原因:装置地址 %s 已被占用", row, text.c_str()),
                             "错误", platform::Icon::Warning);
        return false;
    }
    device->m_nAddress = newAddress;
    doc.m_devices.Sort();
    device = doc.FindDevice(newAddress);
    UpdateDeviceTables(doc, *device, address, false);
    const CCarry carry = CarryAddress(doc, address, newAddress, false);
    RefreshDeviceNodes(doc);
    RefreshCarry(doc, carry);
    return true;
}

bool CDevinfolistModel::SetMappedAddress(CProjectModel& doc, int row, int address, const std::string& text) {
    CDevice* device = doc.FindDevice(address);
    if (!device)
        return false;
    const long long number = AddressNumber(text);
    if (number < 0) {
        platform::MessageBox(StrFormat("第%d行设置错误！\n原因:输入 %s  非法！", row, text.c_str()), "错误",
                             platform::Icon::Error);
        return false;
    }
    device->m_nMappedAddress = static_cast<int>(number);
    UpdateDeviceTables(doc, *device, address, false);
    return true;
}

bool CDevinfolistModel::SetDescription(CProjectModel& doc, int address, const std::string& typed) {
    // The device line of the configuration file cannot carry some characters; they become blanks.
    const std::string text =
        projectmodel::ConfigLineSafeText(typed, projectmodel::ConfigTextKind::DeviceText);
    CDevice* device = doc.FindDevice(address);
    if (!device || text.empty())
        return false;
    device->m_strDescription = text;
    UpdateDeviceTables(doc, *device, address, false);
    RefreshDeviceNodes(doc);
    RefreshDevicePort(doc, *device);
    return true;
}

bool CDevinfolistModel::SetModel(CProjectModel& doc, int address, const std::string& modelName) {
    CDevice* device = doc.FindDevice(address);
    const CDeviceTemplate* model = doc.m_deviceModels.FindByName(modelName);
    if (!device || !model || modelName.empty())
        return false;
    // The model copy also holds the device's placement on its port, which the new model keeps.
    const int group = device->m_model.m_nPortGroup;
    const int index = device->m_model.m_nPortIndex;
    device->m_model = *model;
    device->m_model.m_nPortGroup = group;
    device->m_model.m_nPortIndex = index;
    if (platform::EqualsNoCase(device->m_strDescription, device->m_strModelName))
        device->m_strDescription = model->m_strName;
    device->m_strModelName = model->m_strName;
    UpdateDeviceTables(doc, *device, address, false);
    RefreshDeviceNodes(doc);
    RefreshDevicePort(doc, *device);
    return true;
}

int CDevinfolistModel::AddDevice(CProjectModel& doc, const CDeviceTemplate& model,
                                 const PortChooser& choose) {
    CDevice fresh(model);
    doc.m_devices.PrepareNewDevice(fresh, doc.m_deviceExtItems);
    const int address = fresh.m_nAddress;
    if (doc.m_devices.Insert(std::move(fresh)) < 0)
        return -1;
    RefreshDeviceNodes(doc);
    CDevice* device = doc.FindDevice(address);
    std::vector<CPortChoice> ports;
    if (!model.m_strProtocol.empty())
        ports = PortChoicesFor(doc.m_boardCfg, *device);
    if (ports.empty())
        return address;
    int proposal = 0;
    std::size_t fewest = SIZE_MAX;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const CPortRecord* port = GetPortRecordAt(doc, ports[i]);
        if (port && port->m_protocol.m_deviceAddresses.size() < fewest) {
            fewest = port->m_protocol.m_deviceAddresses.size();
            proposal = static_cast<int>(i);
        }
    }
    int chosen = 0;
    if (ports.size() > 1)
        chosen = choose ? choose(*device, ports, proposal) : proposal;
    device = doc.FindDevice(address);
    if (chosen < 0 || chosen >= static_cast<int>(ports.size())) {
        device->Unplace();
        return address;
    }
    const CPortChoice& c = ports[static_cast<std::size_t>(chosen)];
    CBoardInfo& board = doc.m_boardCfg.m_boards[c.board];
    doc.PlaceDevice(*device, board, c.group, c.port, board.m_ports[c.group][c.port]);
    RefreshPorts(doc, {{c.board, c.group, c.port}});
    return address;
}

bool CDevinfolistModel::ConfirmDeviceRemoval(CProjectModel& doc, const std::vector<int>& addresses) {
    const auto deleted = [&addresses](int address) {
        return std::find(addresses.begin(), addresses.end(), address) != addresses.end();
    };
    // Counted by the visit the deletion makes (DeleteDevices drops every reference it visits with
    // a deleted address), over the rows of device tables the deletion removes as well.
    int references = 0;
    VisitPointRefs(doc, [&](int& address, int&, int&) {
        references += deleted(address);
        return true;
    });
    // Links the deleted devices hold among themselves go with them and are not counted.
    for (int address : addresses)
        if (const CDevice* device = doc.m_devices.FindByAddress(address))
            for (const CInfoGroup& group : device->m_model.m_groups)
                for (const CInfoEntry& entry : group.m_entries)
                    references -= entry.m_yx[0] != -1 && deleted(entry.m_yx[0]);
    ForEachPort(doc, [&](CPortRecord& port, const CPortKey&) {
        auto count = [&](const CRefTable& table) {
            if (table.IsDeviceTable())
                for (const CRefTableDevice& d : table.m_devices)
                    references += deleted(d.m_nAddress);
        };
        for (const CRefTable& table : port.m_protocol.m_tables)
            count(table);
        for (const CPortConfig& config : port.m_protocol.m_configs.m_configs)
            for (const CRefTable& table : config.m_settings.m_tables)
                count(table);
    });
    return references <= 0 ||
           platform::AskYesDefaultNo(
               StrFormat("所选装置的信息被引用%d处(引用表、一次设备、复合信号或遥信关联)。\n"
                         "删除装置将同时删除这些引用，是否继续？",
                         references),
               "删除装置");
}

bool CDevinfolistModel::DeleteDevices(CProjectModel& doc, const std::vector<int>& addresses,
                                      Confirm confirm) {
    if (confirm == Confirm::Ask && !ConfirmDeviceRemoval(doc, addresses))
        return false;
    const CompositeKeys before = CompleteComposites(doc);
    for (int address : addresses) {
        const int index = doc.m_devices.FindIndexByAddress(address);
        if (index < 0)
            continue;
        UpdateDeviceTables(doc, doc.m_devices[index], address, true);
        doc.m_devices[index].m_pointRefs.RemoveAll();
        const CCarry carry = CarryAddress(doc, address, address, true);
        doc.m_devices.RemoveAt(doc.m_devices.FindIndexByAddress(address));
        RefreshCarry(doc, carry);
    }
    RefreshDeviceNodes(doc);
    DeleteShortComposites(doc, before, "删除装置");
    return true;
}

CDevinfolistModel::CompositeKeys CDevinfolistModel::CompleteComposites(const CProjectModel& doc) {
    CompositeKeys keys;
    if (const CDevice* composite = doc.m_devices.FindByAddress(kCompositeDeviceAddress))
        for (const CInfoGroup& group : composite->m_model.m_groups)
            for (const CInfoEntry& entry : group.m_entries)
                if (!HasTooFewOperands(entry.m_expr))
                    keys.emplace_back(group.m_nGroupNo, entry.m_nEntry);
    return keys;
}

std::vector<std::string> CDevinfolistModel::DeleteShortComposites(CProjectModel& doc, CompositeKeys before,
                                                                  const std::string& caption) {
    // A deleted composite may leave another one, which used it, short: repeated until none is
    // (each round deletes at least one composite, so the rounds are bounded).
    std::vector<std::string> removed;
    for (;;) {
        const CompositeKeys after = CompleteComposites(doc);
        CompositeKeys shortened;
        for (const auto& key : before)
            if (std::find(after.begin(), after.end(), key) == after.end())
                shortened.push_back(key);
        if (shortened.empty())
            break;
        CCarry carry;
        for (const auto& [group, entry] : shortened) {
            const CDevice* composite = doc.FindDevice(kCompositeDeviceAddress);
            const CInfoEntry* e = composite ? composite->m_model.FindEntry(group, entry) : nullptr;
            if (!e)
                continue;
            removed.push_back(StrFormat("复合信号(%d-%d-%d)", kCompositeDeviceAddress, group, entry) +
                              (e->m_strDesc.empty() ? std::string() : " " + e->m_strDesc));
            doc.DeleteCompositeExpression(group, entry);
            Join(carry, CarryEntryRemoval(doc, kCompositeDeviceAddress, group, entry, LaterEntries::Kept));
        }
        RefreshCarry(doc, carry);
        before = after;
    }
    if (!removed.empty()) {
        std::string list;
        for (const std::string& name : removed)
            list += "\n" + name;
        platform::MessageBox("以下复合信号引用的信息已删除，余下的操作数不够其运算符所需，已一并删除：" +
                                 list,
                             caption, platform::Icon::Information);
    }
    return removed;
}

CDeviceArray CDevinfolistModel::CopyDevices(const CProjectModel& doc, const std::vector<int>& addresses) {
    CDeviceArray clipboard;
    for (int address : addresses)
        if (const CDevice* device = doc.m_devices.FindByAddress(address))
            clipboard.Add(*device);
    return clipboard;
}

std::vector<int> CDevinfolistModel::PasteDevices(CProjectModel& doc, const CDeviceArray& clipboard) {
    std::vector<int> added;
    for (const CDevice& copy : clipboard) {
        CDevice fresh(kDeviceOrdinary);
        doc.m_devices.PrepareNewDevice(fresh, doc.m_deviceExtItems);
        fresh.m_optionValues = copy.m_optionValues;
        fresh.m_nBoard = copy.m_nBoard;
        fresh.m_model = copy.m_model;
        fresh.m_strModelName = copy.m_strModelName;
        fresh.m_strDescription = copy.m_strDescription;
        fresh.m_nKind = copy.m_nKind;
        // The copy's points are not related to any equipment yet.
        ResetEquipmentLinks(fresh.m_model);
        CPortKey key;
        const bool onPort = fresh.IsPlaced() && PortOfDevice(doc, fresh, key);
        if (!onPort)
            fresh.Unplace();
        const int address = fresh.m_nAddress;
        if (doc.m_devices.Insert(std::move(fresh)) < 0)
            continue;
        added.push_back(address);
        if (onPort) {
            doc.m_boardCfg.m_boards[key.board]
                .m_ports[key.group][key.port]
                .m_protocol.m_deviceAddresses.push_back(address);
            RefreshPorts(doc, {key});
        }
    }
    RefreshDeviceNodes(doc);
    return added;
}

bool CDevinfolistModel::MoveDevices(CProjectModel& doc, const std::vector<int>& rows, int position) {
    if (CProjectContext::Instance().IsDeviceTableSorted() || rows.empty())
        return false;
    // The listed devices move as a block among the listed slots; virtual devices keep their slots.
    std::vector<int> slots;
    std::vector<CDevice> listed;
    for (int i = 0; i < doc.m_devices.GetSize(); ++i)
        if (doc.m_devices[i].m_model.m_strType != kVirtualType) {
            slots.push_back(i);
            listed.push_back(doc.m_devices[i]);
        }
    const std::vector<CDevice> before = listed;
    if (CRefTableModel::MoveRows(listed, rows, position).empty())
        return false;
    for (std::size_t k = 0; k < slots.size(); ++k)
        doc.m_devices[slots[k]] = std::move(listed[k]);
    const bool moved =
        !std::equal(before.begin(), before.end(), slots.begin(), [&](const CDevice& d, int slot) {
            return d.m_nAddress == doc.m_devices[slot].m_nAddress;
        });
    if (moved)
        RefreshDeviceNodes(doc);
    return moved;
}

void CDevinfolistModel::SortByAddress(CProjectModel& doc) {
    auto& items = doc.m_devices.Items();
    std::stable_sort(items.begin(), items.end(),
                     [](const CDevice& a, const CDevice& b) { return a.m_nAddress < b.m_nAddress; });
}

} // namespace editors
