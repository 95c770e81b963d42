#pragma once
// The port form without widgets: the tabs a port's protocol kind calls for, the columns with the
// option items that apply, the device, configuration and table rows, and the operations on a
// port's devices, configurations and reference tables.
#include "editors/model/GridRows.h"
#include "projectmodel/RecordArray.h"

#include <string>
#include <vector>

namespace projectmodel {
class CBoardInfo;
class CDevice;
class COptionItemArray;
class CPortRecord;
class CProjectModel;
class CRefTable;
} // namespace projectmodel

namespace editors {

inline constexpr const char* kDeviceListTab = "装置列表";
inline constexpr const char* kConfigListTab = "配置列表";

// Grid columns with, for each column, the option item it shows (-1 for the fixed columns) and,
// for each option item, whether it applies in the context.
struct CFormColumns {
    std::vector<std::string> titles;
    std::vector<int> map;
    std::vector<bool> applies;

    int ItemOf(int column) const {
        return column >= 0 && column < static_cast<int>(map.size()) ? map[static_cast<std::size_t>(column)]
                                                                    : -1;
    }
    // The option indices of the value columns, in column order.
    std::vector<int> ValueItems() const;
};

class CPortFormModel {
public:
    // 0 "DEVICE", 1 "SCHEDULE" or "SYSTEM", -1 any other kind.
    static int KindMark(const projectmodel::CPortRecord& port);
    // "DEVICE": 装置列表, 配置列表, the tables; "SCHEDULE"/"SYSTEM": the tables, 配置列表; else none.
    static std::vector<std::string> Tabs(const projectmodel::CPortRecord& port);
    static std::string Caption(const projectmodel::CBoardInfo& board, const projectmodel::CPortRecord& port);

    static CFormColumns Columns(const std::vector<std::string>& fixed,
                                const projectmodel::COptionItemArray& items, const std::string& context);
    static std::vector<std::string> DeviceColumnTitles();
    static std::vector<std::string> PointColumnTitles();

    // The port's device addresses, or for no port the virtual devices present (65530..65532).
    static std::vector<int> DeviceAddresses(const projectmodel::CProjectModel& doc,
                                            const projectmodel::CPortRecord* port);
    // One row per address whose device exists (item value: the address's position), with the
    // tooltip "装置%d<%s>" when asked.
    static std::vector<CGridRow> DeviceRows(const projectmodel::CProjectModel& doc,
                                            const std::vector<int>& addresses, const CFormColumns& columns,
                                            bool tips);
    static std::vector<CGridRow> ConfigRows(const projectmodel::CPortRecord& port);

    // Adds the device to a device table: "类型不对应!" for another table, "装置%s(地址%d)已存在!"
    // for a device already listed; the device takes a point reference naming the port.
    static bool AddDevice(int boardNumber, const projectmodel::CPortRecord& port,
                          projectmodel::CRefTable& table, projectmodel::CDevice& device);

    // Where a moved device sat before (indices of board, group, port; -1 when it was not placed).
    struct MoveResult {
        bool placed = false;
        int oldBoard = -1;
        int oldGroup = -1;
        int oldPort = -1;
    };
    // Places the device on the port at board, group and port index; a device placed elsewhere is
    // moved only after the question "该装置<%s>已被加载在板卡%i下串口%i,确认移动吗？" (网络口
    // for group 1 and on).
    static MoveResult MoveDeviceToPort(projectmodel::CProjectModel& doc, int board, int group, int port,
                                       projectmodel::CDevice& device);
    // A new device ("未选型号", lowest free address) placed on the port; its address or -1.
    static int AddNewDevice(projectmodel::CProjectModel& doc, int board, int group, int port);
    // The addresses of the device-list rows of the port.
    static std::vector<int> AddressesAt(const projectmodel::CPortRecord& port, const std::vector<int>& rows);
    // Takes the devices of the selected rows off the port (they stay in the device table, unplaced
    // and relinked), or with fromTable also deletes them from the device table (the caller asks
    // CDevinfolistModel::ConfirmDeviceRemoval first).
    static int RemoveDevices(projectmodel::CProjectModel& doc, projectmodel::CPortRecord& port,
                             const std::vector<int>& rows, bool fromTable);
    // Sorts the port's device addresses ascending.
    static void SortAddresses(projectmodel::CPortRecord& port);

    // A configuration from the first library entry the port does not use yet; false when none.
    static bool AddConfig(const projectmodel::CProjectModel& doc, projectmodel::CPortRecord& port);
    static int DeleteConfigs(projectmodel::CPortRecord& port, const std::vector<int>& rows);
    // Replaces the configuration at index by the library entry of that name; "%s已存在" when the
    // port has a configuration of that name already.
    static bool ChangeConfig(const projectmodel::CProjectModel& doc, projectmodel::CPortRecord& port,
                             int index, const std::string& name);

    // Removes the selected entries of the table; the devices of a device table's removed entries
    // lose their point reference to this port.
    static int DeleteEntries(projectmodel::CProjectModel& doc, int boardNumber,
                             projectmodel::CPortRecord& port, projectmodel::CRefTable& table,
                             const std::vector<int>& rows);

    // The first table of the protocol with that type code, -1 when none.
    static int FirstTableOfType(const projectmodel::CPortRecord& port, int type);
};

} // namespace editors
