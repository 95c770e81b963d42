#pragma once
// The data part of the project document: every record of the project model and the libraries
// new records copy from, with the document operations that work on them alone. The project
// document (the configuration document with its loaders, writer and reader) derives from it.
#include "projectmodel/BaseDoc.h"
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

    // Libraries.
    CProtocolDefArray m_protocolLibrary;
    CNamePairArray m_portConfigLibrary; // 一次设备\setting.ini
    CNamePairRecord m_voltLevelConfig;  // 电压等级配置.ini
    CNamePairRecord m_bayConfig;        // 间隔配置.ini
    CNamePairArray m_equipmentLibrary;  // equipmentlist.ini
    COptionItemArray m_deviceExtItems;  // 组态配置.ini [装置总表扩展信息]

    // Project records.
    CTimeSourceArray m_timeSources;
    CPointRefArray m_pointRefs;
    CIedRecordArray m_iedList;

    int m_nFormat = 2; // "格式=" of the main configuration file
};

} // namespace projectmodel
