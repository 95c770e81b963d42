#pragma once
// A small project for the editor tests: one board with a serial group of two ports and a network
// group of one port, three ordinary devices and the virtual devices, a voltage level with a bay and
// a piece of equipment.
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"

#include <memory>

namespace editortest {

inline projectmodel::CDevice MakeDevice(int address, const char* name, const char* protocol = "") {
    projectmodel::CDeviceTemplate model;
    model.m_strName = name;
    model.m_strType = "保护";
    model.m_strProtocol = protocol;
    projectmodel::CInfoGroup yc;
    yc.m_strName = "遥测";
    yc.m_nType = projectmodel::kInfoTypeYC;
    yc.m_nGroupNo = 1;
    projectmodel::CInfoGroup yx;
    yx.m_strName = "遥信遥控";
    yx.m_nType = projectmodel::kInfoTypeYKYX;
    yx.m_nGroupNo = 2;
    for (int e = 0; e <= 2; ++e) {
        projectmodel::CInfoEntry entry;
        entry.m_nGroup = 1;
        entry.m_nEntry = e;
        entry.m_strDesc = std::string(name) + "电流" + std::to_string(e);
        yc.m_entries.InsertSorted(entry);
        entry.m_nGroup = 2;
        entry.m_strDesc = std::string(name) + "开关" + std::to_string(e);
        yx.m_entries.InsertSorted(entry);
    }
    model.m_groups.Add(yc);
    model.m_groups.Add(yx);
    projectmodel::CDevice d(model);
    d.m_nAddress = d.m_nMappedAddress = address;
    return d;
}

inline projectmodel::CPortRecord MakePort(const char* type, int number, int running, const char* protocol,
                                          const char* kind) {
    projectmodel::CPortRecord port;
    port.m_strName = type;
    port.m_strType = type;
    port.m_nNumber = number;
    port.m_nRunning = running;
    port.m_protocol.m_strName = protocol;
    port.m_protocol.m_nNumber = protocol[0] ? 3 : 0;
    port.m_protocol.m_strType = kind;
    return port;
}

struct Project {
    // asConfigDoc: the document is a CConfigDoc, as the point views need.
    explicit Project(bool asConfigDoc = false) {
        projectmodel::CProjectContext::Reset();
        doc = asConfigDoc ? std::make_unique<projectmodel::CConfigDoc>()
                          : std::make_unique<projectmodel::CProjectModel>();
        doc->MakeCurrent();
        auto& d = *doc;
        d.m_strProjectName = "演示";
        d.m_boardCfg.m_strUnitName = "管理机";
        d.m_boardCfg.m_nUnitAddress = 7;
        d.m_devices.Insert(MakeDevice(1, "线路保护", "P103"));
        d.m_devices.Insert(MakeDevice(2, "主变测控", "P103"));
        d.m_devices.Insert(MakeDevice(5, "母线保护"));
        d.m_devices.Insert(projectmodel::CDevice(projectmodel::kDeviceStatus));
        d.m_devices.Insert(projectmodel::CDevice(projectmodel::kDeviceComposite));
        d.m_devices.Insert(projectmodel::CDevice(projectmodel::kDeviceCustom));

        projectmodel::CBoardInfo board;
        board.m_nNumber = 0;
        board.m_strType = "通讯板";
        projectmodel::CPortArray serial;
        serial.m_strName = "串口";
        serial.m_strType = "串口";
        serial.Add(MakePort("串口", 0, 0, "P103", "SYSTEM"));
        serial.Add(MakePort("串口", 1, 1, "", ""));
        projectmodel::CPortArray net;
        net.m_strName = "网络";
        net.m_strType = "网络";
        net.m_bSerial = 0;
        net.Add(MakePort("网络", 0, 0, "P104", "DEVICE"));
        board.m_ports.Add(serial);
        board.m_ports.Add(net);
        projectmodel::CPortRecord& p0 = board.m_ports[0][0];
        p0.m_protocol.m_deviceAddresses = {1, 2};
        projectmodel::CPortConfig config;
        config.m_strName = "转发表";
        p0.m_protocol.m_configs.m_configs.Add(config);
        d.m_boardCfg.m_boards.Add(board);

        projectmodel::CVoltLevel level("220kV");
        level.m_bayIds = {0};
        d.m_voltLevels.Insert(level);
        d.m_voltOrder.m_codes = {level.m_nCode};
        projectmodel::CPrjBay bay;
        bay.m_strName = "线路间隔";
        bay.m_nId = 0;
        bay.m_equipmentIds = {3};
        d.m_bays.Insert(bay);
        projectmodel::CPrjDevice equipment;
        equipment.m_strName = "断路器1";
        equipment.m_settings.m_strName = "断路器";
        equipment.m_nId = 3;
        equipment.m_linkedDevices = {1, 99, 2};
        d.m_prjDevices.Insert(equipment);
    }
    ~Project() {
        doc.reset();
        projectmodel::CProjectContext::Reset();
    }
    projectmodel::CPortRecord& Port(int group, int port) {
        return doc->m_boardCfg.m_boards[0].m_ports[group][port];
    }

    std::unique_ptr<projectmodel::CProjectModel> doc;
};

} // namespace editortest
