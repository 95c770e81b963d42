#pragma once
// The rows of the point views, built from the project's records without widgets: the all-points
// view (points of one device or of all devices by category), the device point view and the
// virtual point view, with the operations those views perform on the records.
#include "projectmodel/ProjectModel.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace points {

using projectmodel::CDevice;
using projectmodel::CDeviceTemplate;
using projectmodel::CInfoEntry;
using projectmodel::CProjectModel;

// One row of a point list: its cell texts and its item data.
struct CPointRow {
    std::vector<std::string> texts;
    std::int64_t data = 0;
};

// A point key handed between views: device address, group number, entry number.
struct CPointKey {
    int address = 0;
    int group = 0;
    int entry = 0;
    bool operator==(const CPointKey&) const = default;
};

// The seven category tabs ("遥测" ... "其他"), index = category 0..6.
const std::vector<std::string>& CategoryTabs();
// A group of that category is listed on the tab: its own tab, and the combined
// telesignal/telecontrol category 7 also on tabs 1 and 3.
bool GroupOnTab(int category, int tab);

// "[" + device name + "]" + description, unless the description already begins with "[" and
// holds a later "]".
std::string PointDisplayText(const std::string& deviceName, const std::string& desc);

// --- all-points view -------------------------------------------------------------------------

// "序号", "地址", "组名称", "组号", "条目号", "FUN", "INF", "描述".
const std::vector<std::string>& AllPointColumns();

struct CDeviceComboItem {
    std::string text;
    int address = -1; // -1: all devices
    bool operator==(const CDeviceComboItem&) const = default;
};
// "所有装置", then "装置%d[%s]" per device in table order.
std::vector<CDeviceComboItem> BuildDeviceCombo(const CProjectModel& doc);
// The combo item to select for the current device; a current device of -1 becomes the first
// device when there is one.
int SelectDeviceComboItem(const std::vector<CDeviceComboItem>& items, int& currentDevice);
// The rows of a tab: the current device's groups with descriptions as stored, or (all devices,
// or a device that is gone) every device's with the point display text. Empty for a tab
// outside 0..6.
std::vector<CPointRow> BuildAllPointRows(const CProjectModel& doc, int tab, int deviceAddress);
// The keys of the given rows (columns 1, 3 and 4 read as decimal numbers), in the order given.
std::vector<CPointKey> KeysOfRows(const std::vector<CPointRow>& rows, const std::vector<int>& selected);

// --- device point view -----------------------------------------------------------------------

// "序号", "分组名称", "分组号", "条目号", "FUN", "INF", "描述", "FCDA".
const std::vector<std::string>& DevicePointColumns();
// "板卡%d装置%d[%s]组态:" with board + 1, address and name.
std::string DeviceCaption(const CDevice& device);
// Rows of a device's groups on a tab ("FCDA" empty); the item data is entry + group * 65536.
std::vector<CPointRow> BuildDevicePointRows(const CDeviceTemplate& model, int tab);
// Renames the point of a description cell: the trimmed text replaces the description when it
// differs from the cell. True when the point changed; newCell then receives the cell text.
bool RenamePoint(CDeviceTemplate& model, int group, int entry, const std::string& cell,
                 const std::string& typed, std::string& newCell);

// The device of a project-tree node (depth and the item values from the root down, -1 where
// unused): depth 3 under the virtual devices with item value 0 the status-signal device, 2 the
// custom device; depth 5 under a port (board, port group, port, position) the device at that
// position of the port's device list. Null for other nodes or a device that is missing.
CDevice* DeviceOfTreePath(CProjectModel& doc, int depth, const std::array<int, 7>& items);

} // namespace points
