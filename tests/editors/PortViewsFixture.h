#pragma once
// The editor test project with what the port views need besides: parameter definitions on the
// port groups, a protocol library of a "SYSTEM" and two "DEVICE" protocols with reference tables,
// and a port-configuration library.
#include "tests/editors/EditorFixture.h"
#include "tests/support/Found.h"

#include <initializer_list>
#include <string>

namespace porttest {

inline projectmodel::COptionItem Item(const char* name, const char* kind, const char* def,
                                      std::initializer_list<const char*> choices = {}) {
    projectmodel::COptionItem item;
    item.m_strName = name;
    item.m_strKind = kind;
    item.m_strDefault = def;
    for (const char* c : choices)
        item.m_choices.push_back(c);
    return item;
}

inline projectmodel::CRefTable Table(const char* name, int type) {
    projectmodel::CRefTable table;
    table.m_strName = name;
    table.m_nType = type;
    table.m_columns.Add(Item("偏移", "INT", "0", {"0", "100"}));
    table.m_columns.Add(Item("[YC]系数", "FLOAT", "1", {"0", "100"}));
    table.m_columns.Add(Item("关联", "GIN", ""));
    return table;
}

inline projectmodel::CProtocolDef Protocol(const char* name, const char* kind, int number) {
    projectmodel::CProtocolDef p;
    p.m_strName = name;
    p.m_strType = kind;
    p.m_nNumber = number;
    if (std::string(kind) == "DEVICE")
        p.m_tables.Add(Table("装置表", projectmodel::kInfoTypeDevice));
    p.m_tables.Add(Table("遥测表", projectmodel::kInfoTypeYC));
    p.m_tables.Add(Table("遥信表", projectmodel::kInfoTypeYX));
    p.m_tables.Add(Table("遥调表", projectmodel::kInfoTypeYT));
    return p;
}

struct PortProject : editortest::Project {
    explicit PortProject(bool asConfigDoc = false) : editortest::Project(asConfigDoc) {
        auto& d = *doc;
        d.m_protocolLibrary.Add(Protocol("P103", "SYSTEM", 3));
        d.m_protocolLibrary.Add(Protocol("P104", "DEVICE", 4));
        d.m_protocolLibrary.Add(Protocol("P105", "DEVICE", 5));
        projectmodel::COptionItemArray options;
        options.Add(Item("规约", "PRTC", "未用", {"未用", "P103", "P104", "P105"}));
        options.Add(Item("端口号", "WORD", "0", {"0", "65535"}));
        options.Add(Item("超时", "FLOAT", "1", {"0", "10"}));
        options.Add(Item("校验", "BYTE", "0", {"1"}));
        options.Add(Item("装置数", "DEVSUM", ""));
        options.Add(Item("表数", "TABSUM", ""));
        options.Add(Item("IP地址", "IP", "0.0.0.0"));
        for (projectmodel::CPortArray& group : d.m_boardCfg.m_boards[0].m_ports) {
            group.m_options = options;
            for (projectmodel::CPortRecord& port : group)
                port.SetValuesFrom(options);
        }
        // Port 0 of the serial group runs P103 with a SYSTEM configuration of its tables.
        projectmodel::CPortRecord& p0 = Port(0, 0);
        const auto keep = p0.m_protocol;
        p0.m_protocol = d.m_protocolLibrary.GetByName("P103");
        p0.m_protocol.m_deviceAddresses = keep.m_deviceAddresses;
        p0.m_protocol.m_configs = keep.m_configs;
        auto& config = p0.m_protocol.m_configs.m_configs[0];
        config.m_settings.m_strType = "SYSTEM";
        config.m_settings.m_tables = p0.m_protocol.m_tables;
        // The network port runs P104 and serves device 5.
        projectmodel::CPortRecord& net = Port(1, 0);
        net.m_protocol = d.m_protocolLibrary.GetByName("P104");
        net.m_protocol.m_deviceAddresses = {5};
        projectmodel::CDevice* five = testsupport::Found(d.FindDevice(5));
        five->m_nBoard = 0;
        five->m_model.m_nPortGroup = 1;
        five->m_model.m_nPortIndex = 0;
        for (const char* name : {"转发表", "召唤表", "对时表"}) {
            projectmodel::CNamePairRecord entry;
            entry.m_strName = name;
            entry.m_strType = "SYSTEM";
            d.m_portConfigLibrary.Add(entry);
        }
    }
};

} // namespace porttest
