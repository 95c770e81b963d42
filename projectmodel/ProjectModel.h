#pragma once
// The data part of the project document: every record of the project model and the libraries
// new records copy from, with the document operations that work on them alone. The project
// document (the configuration document with its loaders, writer and reader) derives from it.
#include "projectmodel/BaseDoc.h"
#include "projectmodel/Board.h"
#include "projectmodel/Device.h"
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/IedRecord.h"
#include "projectmodel/NamePairRecord.h"
#include "projectmodel/OptionItem.h"
#include "projectmodel/PointRef.h"
#include "projectmodel/ProtocolDef.h"
#include "projectmodel/TimeSource.h"
#include "projectmodel/VoltLevel.h"

#include <string>

namespace projectmodel {

// What the model asks of the project tree and the point pane after it changed records. The
// tree implements it; without one nothing is refreshed.
class IProjectViews {
public:
    virtual ~IProjectViews() = default;
    // The node of one port (board number, port group index, port index).
    virtual void RefreshPortNode(int board, int group, int port) = 0;
    // The child nodes (devices, configurations) of one port.
    virtual void RefreshPortChildNodes(int board, int group, int port) = 0;
    // The all-points pane refills its list.
    virtual void FillPointList() = 0;

    // Further forwards of the document into the project tree and the panes; without a tree they
    // do nothing.
    // The whole tree is built again (after the boards were read).
    virtual void RebuildTree() {}
    virtual void RefreshPortGroupNode(int board, int group) {
        (void)board;
        (void)group;
    }
    virtual void RefreshPortConfigNodes(int board, int group, int port) {
        (void)board;
        (void)group;
        (void)port;
    }
    virtual void RefreshDeviceNodes() {}
    virtual void RefreshVoltLevelNodes() {}
    virtual void RefreshBayNodes(int levelCode) { (void)levelCode; }
    virtual void RefreshBayNode(int bayId) { (void)bayId; }
    virtual void RefreshEquipmentNode(int bayId, int equipmentId) {
        (void)bayId;
        (void)equipmentId;
    }
    // The root item shows this text and is expanded.
    virtual void SetRootText(const std::string& text) { (void)text; }
    // The project properties pane, when shown, shows the new save time.
    virtual void UpdateSaveTime() {}
    // The device information list, when shown, fills itself again.
    virtual void FillDeviceList() {}
};

class CProjectModel : public CBaseDoc {
public:
    // Sets the device-table-sorted flag, as a new project document does.
    CProjectModel();
    // A document that is still current stops being current.
    ~CProjectModel() override;
    CProjectModel(const CProjectModel&) = delete;
    CProjectModel& operator=(const CProjectModel&) = delete;

    // Makes this document the current one of the process.
    void MakeCurrent();

    void SetViews(IProjectViews* views) { views_ = views; }
    IProjectViews* Views() const { return views_; }

    std::string m_strProjectName;

    CDevice* FindDevice(int address) { return m_devices.FindByAddress(address); }
    // The information entry of a point key; null when the device or the entry is missing.
    CInfoEntry* FindDeviceInfo(int address, int groupNo, int entryNo);

    // The group number under which a new signal of the model is filed: the first group of that
    // name and type with fewer than 255 entries (the group numbered 10 is never taken), else the
    // smallest number from 1 that no group has, 10 excepted. No model: a message and -1.
    int GetGroupNo(const CDeviceTemplate* model, std::string_view groupName, int type);
    // The group's next free entry number (1 without such a group). No model: a message and -1.
    int GetEntryNo(const CDeviceTemplate* model, int groupNo);
    // Files a computed-signal entry into the composite-signal device or into a model; an entry
    // number already present is replaced only when the user agrees. 1 when stored.
    int SetCompositeExpression(int groupNo, int type, const CInfoEntry& entry);
    int SetDeviceExpression(CDeviceTemplate* model, int groupNo, int type, const CInfoEntry& entry);
    void DeleteCompositeExpression(int groupNo, int entryNo);
    void DeleteDeviceExpression(CDeviceTemplate* model, int groupNo, int entryNo);

    // Inserts the status-signal and composite-signal virtual devices, and the custom device when
    // its model was read (customModel not null), each on the board count with empty extension
    // values; then rebuilds the link-status signals and refreshes the point pane.
    void AddVirtualDevices(const CDeviceTemplate* customModel);

    // Numbers the board's ports within their type ("串口", "网络") across its groups; a port of
    // another type is reported and keeps its number.
    void NumberPorts(CBoardInfo& board);
    // Ports over all boards whose protocol has that name (without regard to case).
    int CountPortsOfProtocol(std::string_view name) const;
    // The devices whose model's default protocol is that name, in table order, into devices;
    // such a device sitting on a port of another protocol is taken off that port first.
    int CollectProtocolDevices(std::string_view name, CDeviceArray& devices);
    // Shares the collected devices over the ports of that protocol: total / ports each, the
    // first total % ports ports one more.
    void DistributeProtocolDevices(int total, int portCount, std::string_view name,
                                   const CDeviceArray& devices);
    void AssignProtocolDevices(int share, int remainder, std::string_view name, const CDeviceArray& devices);
    // Device tables of every port that list the device take its board number.
    void RelinkPortReferences(const CDevice& device);
    // Places the table's device on a port: board number, the port group index and the port's
    // index within that group, and the address appended to the port's device list.
    void PlaceDevice(CDevice& device, const CBoardInfo& board, int group, int index, CPortRecord& port);

    // Libraries.
    CDeviceTemplateArray m_deviceModels; // 二次装置\devlist.ini
    CProtocolDefArray m_protocolLibrary;
    CNamePairArray m_portConfigLibrary; // 一次设备\setting.ini
    CNamePairRecord m_voltLevelConfig;  // 电压等级配置.ini
    CNamePairRecord m_bayConfig;        // 间隔配置.ini
    CNamePairArray m_equipmentLibrary;  // equipmentlist.ini
    COptionItemArray m_deviceExtItems;  // 组态配置.ini [装置总表扩展信息]

    // Project records.
    CDeviceArray m_devices;
    CVoltLevelList m_voltLevels;
    CPrjBayList m_bays;
    CPrjDeviceList m_prjDevices;
    CBoardCommCfg m_boardCfg;
    CVoltLevelOrder m_voltOrder;
    CTimeSourceArray m_timeSources;
    CPointRefArray m_pointRefs;
    CIedRecordArray m_iedList;

    int m_nFormat = 2; // "格式=" of the main configuration file

private:
    IProjectViews* views_ = nullptr;
    // The port a placed device sits on, or null.
    CPortRecord* PortOf(const CDevice& device);
};

} // namespace projectmodel
