#pragma once
// The data part of the project document: every record of the project model and the libraries
// new records copy from, with the document operations that work on them alone. The project
// document (the configuration document with its loaders, writer and reader) derives from it.
#include "projectmodel/BaseDoc.h"
#include "projectmodel/Device.h"
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/IedRecord.h"
#include "projectmodel/NamePairRecord.h"
#include "projectmodel/OptionItem.h"
#include "projectmodel/PointRef.h"
#include "projectmodel/ProtocolDef.h"
#include "projectmodel/TimeSource.h"

#include <string>

namespace projectmodel {

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
    CTimeSourceArray m_timeSources;
    CPointRefArray m_pointRefs;
    CIedRecordArray m_iedList;

    int m_nFormat = 2; // "格式=" of the main configuration file
};

} // namespace projectmodel
