#pragma once
// A project document over a fresh copy of the shipped library: root/Ini and root/Project in a
// temporary folder, a fixed clock, a scripted shell and a prompt recorder.
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"
#include "tests/support/Found.h"

#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace doctest {

class FixedClock : public projectmodel::IClock {
public:
    projectmodel::CProjectTime time{2024, 3, 5, 8, 7, 9, 120};
    projectmodel::CProjectTime Now() const override { return time; }
};

class ScriptedShell : public projectmodel::IProjectShell {
public:
    bool admin = true;
    bool grant = true;
    bool accept = true;
    std::string answerVersion; // empty: keep the proposal
    std::vector<std::string> proposals;
    std::vector<std::string> log;
    std::vector<std::string> monitor;

    bool IsAdministrator() override { return admin; }
    void MonitorLine(const std::string& line) override { monitor.push_back(line); }
    bool RequestPrivilege(int, std::string& user) override {
        user = "张工";
        return grant;
    }
    void LogOperation(const std::string& line) override { log.push_back(line); }
    bool AskSaveVersion(const std::filesystem::path&, std::string& text) override {
        proposals.push_back(text);
        if (!answerVersion.empty())
            text = answerVersion;
        return accept;
    }
};

class DocFixture : public ::testing::Test {
protected:
    void SetUp() override {
        projectmodel::CProjectContext::Reset();
        root = tmp.Path() / "root";
        testsupport::CopyTree(testsupport::IniDir(), root / "Ini");
        std::filesystem::create_directories(root / "Project");
        auto& c = projectmodel::CProjectContext::Instance();
        c.SetLibraryFolder(root / "Ini");
        c.SetProjectsFolder(root / "Project");
        c.SetNewProjectName("Demo");
        c.SetClock(&clock);
        c.SetShell(&shell);
    }
    void TearDown() override { projectmodel::CProjectContext::Reset(); }

    std::filesystem::path Lib(const std::string& rel) const { return root / "Ini" / rel; }

    testsupport::TempDir tmp;
    std::filesystem::path root;
    FixedClock clock;
    ScriptedShell shell;
    testsupport::PromptRecorder prompts;
};

// The sample project over the shipped library (the expected files in tests/data/projectmodel/sample
// describe it): device 1 (QXE300) on COM0 with ModbusRTU, IEC104 on NET0 with one port
// configuration, a voltage level with one bay and one breaker, a time source and three composite
// signals. With inactive set, the second entry of the device's group "电度" is inactive.
inline void BuildSampleProject(projectmodel::CConfigDoc& doc, bool inactive) {
    using namespace projectmodel;
    doc.m_boardCfg.m_nUnitAddress = 3;
    doc.m_timeSources.Add(CTimeSource{0, 1, 2, 1});

    CDevice device(*testsupport::Found(doc.m_deviceModels.FindByName("QXE300")));
    doc.m_devices.PrepareNewDevice(device, doc.m_deviceExtItems);
    device.m_nMappedAddress = 101;
    device.m_strDescription = "1号电度表";
    device.m_optionValues[2] = "线路一";
    CInfoGroupArray& groups = device.m_model.m_groups;
    groups[0].m_entries[0].m_strCloseRule = "x>0";
    int equip[5] = {0, 0, 0, 1, 2};
    std::copy(equip, equip + 5, groups[0].m_entries[1].m_equip);
    if (inactive)
        groups[1].m_entries[1].m_bEnabled = 0;
    doc.m_devices.Insert(device);

    CBoardInfo& board = doc.m_boardCfg.m_boards[0];
    CPortRecord& com0 = board.m_ports[0][0];
    com0.m_protocol = doc.m_protocolLibrary.GetByName("ModbusRTU");
    com0.m_values[0] = "ModbusRTU";
    CRefTableEntry reg;
    reg.m_nBoard = 0;
    reg.m_nAddress = 1;
    reg.m_nGroup = 1;
    reg.m_nEntry = 2;
    reg.m_nFun = 0;
    reg.m_nInf = 0;
    reg.m_values = {"03", "0", "INT16"};
    com0.m_protocol.m_tables[0].m_entries.Add(reg);
    doc.PlaceDevice(*testsupport::Found(doc.FindDevice(1)), board, 0, 0, com0);

    CPortRecord& net0 = board.m_ports[1][0];
    net0.m_protocol = doc.m_protocolLibrary.GetByName("IEC104");
    net0.m_values[0] = "IEC104";
    CRefTableEntry yc = reg;
    yc.m_nEntry = 3;
    yc.m_values = {"1", "0.2", "短浮点数"};
    net0.m_protocol.m_tables[0].m_entries.Add(yc);
    CPortConfig config;
    net0.m_protocol.m_configs.m_configs.GetFirstUnusedConfig(config, doc.m_portConfigLibrary);
    CRefTableEntry yx = reg;
    yx.m_nEntry = 1;
    yx.m_values = {"是"};
    config.m_settings.m_tables[0].m_entries.Add(yx);
    CRefTableDevice dev;
    dev.m_nBoard = 0;
    dev.m_nAddress = 1;
    dev.m_nMappedAddress = 101;
    config.m_settings.m_tables[1].m_devices.Add(dev);
    net0.m_protocol.m_configs.m_configs.Add(config);

    CVoltLevel level("220kV");
    level.m_settings = doc.m_voltLevelConfig;
    level.m_bayIds = {0};
    CPrjBay bay;
    bay.m_nId = 0;
    bay.m_strName = "线路一";
    bay.m_strVoltLevel = "220kV";
    bay.m_settings = doc.m_bayConfig;
    bay.m_equipmentIds = {0};
    CPrjDevice breaker;
    breaker.m_nId = 0;
    breaker.m_nBayId = 0;
    breaker.m_strName = "断路器1";
    breaker.m_strVoltLevel = "220kV";
    breaker.m_settings = *testsupport::Found(doc.m_equipmentLibrary.FindByName("断路器"));
    breaker.m_linkedDevices = {1};
    CRefTableEntry pos = reg;
    pos.m_nGroup = 2;
    pos.m_nEntry = 1;
    pos.m_values = {"否"};
    breaker.m_settings.m_tables[0].m_entries.Add(pos);
    doc.m_voltLevels.Insert(level);
    doc.m_bays.Insert(bay);
    doc.m_prjDevices.Insert(breaker);
    doc.m_voltOrder.m_codes = {level.m_nCode};

    auto entry = [](int group, const char* desc) {
        CInfoEntry e;
        e.m_nSeq = 1;
        e.m_nGroup = group;
        e.m_nEntry = 1;
        e.m_strDesc = desc;
        return e;
    };
    auto operand = [](int address, int group, int no) {
        CExprOperand op;
        op.m_nKind = 1;
        op.m_nAddress = address;
        op.m_nGroup = group;
        op.m_nEntry = no;
        return op;
    };
    CInfoEntry sum = entry(1, "合成信号1");
    sum.m_strGroupName = "复合遥信";
    sum.m_expr.m_nOperator = 1;
    sum.m_expr.m_operands = {operand(1, 1, 1), operand(1, 1, 2), operand(1, 1, 3)};
    doc.SetCompositeExpression(1, kInfoTypeYX, sum);
    CInfoEntry control = entry(2, "合成遥控");
    control.m_strGroupName = "复合遥控";
    control.m_strField7 = "合";
    control.m_strField8 = "分";
    control.m_strCloseRule = "a";
    control.m_strOpenRule = "b";
    control.m_yx[0] = control.m_yx[1] = control.m_yx[2] = 1;
    control.m_expr.m_nOperator = 23;
    control.m_expr.m_operands = {operand(1, 2, 1)};
    doc.SetCompositeExpression(2, kInfoTypeYK, control);
    CInfoEntry both = entry(3, "组合1");
    both.m_strGroupName = "组合";
    both.m_expr.m_operands = {operand(1, 1, 1), operand(1, 2, 1)};
    doc.SetCompositeExpression(3, kInfoTypeYKYX, both);
}

} // namespace doctest
