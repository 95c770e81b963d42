#pragma once
// The rows of the two read-only device lists: the device master list (every device of the table)
// and the list of the right pane (the device models of the library, or the project's devices
// without the virtual ones), with the rule that decides what a port's view does with a device
// handed over from the right pane.
#include "editors/model/GridRows.h"

#include <string>
#include <vector>

namespace projectmodel {
class CPortRecord;
class CProjectModel;
} // namespace projectmodel

namespace editors {

class CSelDevModel {
public:
    // "序号", "地址", "映射地址", "型号", "类型", "版本", "装置描述" for every device; item value = address.
    static std::vector<CGridRow> MasterRows(const projectmodel::CProjectModel& doc);
    // "序号", "名称", "型号", "版本", "装置描述" for every model of the library.
    static std::vector<CGridRow> ModelRows(const projectmodel::CProjectModel& doc);
    // "序号", "地址", "名称", "型号", "版本", "装置描述" for every device that is not "虚拟装置";
    // item value = address.
    static std::vector<CGridRow> DeviceRows(const projectmodel::CProjectModel& doc);

    // What a port's device and configuration view does with a device from the right pane.
    enum class PortAction { Nothing, AddToConfig, AddToDeviceList };
    // By the port's protocol kind and the caption of the view's current tab: "SCHEDULE" and
    // "SYSTEM" ports add it to the reference table of that name when it is a device table (type 8);
    // "DEVICE" ports add it to their device list on "装置列表" and "配置列表", else as before.
    static PortAction PortActionFor(const projectmodel::CPortRecord& port, const std::string& tabText);
};

// A left-pane view that takes devices from the right pane's device list (the port's device and
// configuration view implements it); false when the device was not taken.
class ISelDevReceiver {
public:
    virtual ~ISelDevReceiver() = default;
    virtual bool AddSelDevice(int address) = 0;
};

} // namespace editors
