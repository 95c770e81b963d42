// Boards, ports, numbering, link-status signals and the placing of devices on ports.
#include "projectmodel/Board.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"
#include "tests/support/Found.h"

#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using namespace projectmodel;
using platform::Answer;

namespace {

CPortArray Group(const char* name, const char* type, int ports, const char* protocol = "未用") {
    CPortArray g;
    g.m_strName = name;
    g.m_strType = type;
    g.m_bSerial = PortTypeFromText(type) == kPortTypeSerial;
    for (int i = 0; i < ports; ++i) {
        CPortRecord p;
        p.m_strName = name;
        p.m_nNumber = i;
        p.m_strType = type;
        p.m_protocol.m_strName = protocol;
        g.Add(p);
    }
    return g;
}

class RecordingViews : public IProjectViews {
public:
    std::vector<std::string> calls;
    void RefreshPortNode(int b, int g, int p) override { calls.push_back(Call("node", b, g, p)); }
    void RefreshPortChildNodes(int b, int g, int p) override { calls.push_back(Call("children", b, g, p)); }
    void FillPointList() override { calls.push_back("points"); }
    static std::string Call(const char* what, int b, int g, int p) {
        return std::string(what) + " " + std::to_string(b) + "/" + std::to_string(g) + "/" +
               std::to_string(p);
    }
};

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override { CProjectContext::Reset(); }
    void TearDown() override { CProjectContext::Reset(); }

    // Board 0 with COM (2 serial ports) and NET (1 network port).
    void OneBoard() {
        CBoardInfo b;
        b.m_ports.Add(Group("COM", "串口", 2));
        b.m_ports.Add(Group("NET", "网络", 1));
        doc.m_boardCfg.m_boards.Add(b);
        doc.NumberPorts(doc.m_boardCfg.m_boards[0]);
    }
    void AddDevices(std::initializer_list<int> addresses, const char* protocol) {
        for (int a : addresses) {
            CDevice d(kDeviceOrdinary);
            d.m_nAddress = a;
            d.m_model.m_strProtocol = protocol;
            doc.m_devices.Insert(d);
        }
    }
    std::vector<int> Counts(std::string_view protocol) {
        std::vector<int> out;
        for (const CBoardInfo& b : doc.m_boardCfg.m_boards)
            for (const CPortArray& g : b.m_ports)
                for (const CPortRecord& p : g)
                    if (p.m_protocol.m_strName == protocol)
                        out.push_back(static_cast<int>(p.m_protocol.m_deviceAddresses.size()));
        return out;
    }

    testsupport::PromptRecorder prompts;
    CProjectModel doc;
};

} // namespace

TEST(PortType, CodesAndNames) {
    EXPECT_EQ(PortTypeFromText("串口"), 1);
    EXPECT_EQ(PortTypeFromText("网络"), 2);
    EXPECT_EQ(PortTypeFromText("CAN"), 0);
    EXPECT_EQ(PortTypeName(2), "网络");
    EXPECT_EQ(PortTypeName(7), "未定义");
}

TEST_F(BoardTest, NumberPortsAcrossGroupsAndReportsWrongType) {
    CBoardInfo b;
    b.m_ports.Add(Group("COM", "串口", 2));
    b.m_ports.Add(Group("NET", "网络", 2));
    b.m_ports.Add(Group("RS485", "串口", 3));
    b.m_ports.Add(Group("CAN", "CAN", 1));
    doc.NumberPorts(b);
    EXPECT_EQ(b.m_ports.m_nSerialCount, 5);
    EXPECT_EQ(b.m_ports.m_nNetworkCount, 2);
    EXPECT_EQ(b.m_ports[2][0].m_nRunning, 2);
    EXPECT_EQ(b.m_ports[2][2].m_nRunning, 4);
    EXPECT_EQ(b.m_ports[1][1].m_nRunning, 1);
    EXPECT_EQ(b.m_ports[3][0].m_nRunning, -1);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.LastText(), "CAN0类型错误，请检查类型设置!\n只有两种类型——串口或网络");

    EXPECT_EQ(b.m_ports.FindPortByTypeAndNumber("串口", 3), &b.m_ports[2][1]);
    EXPECT_EQ(b.m_ports.FindPortByTypeAndNumber("网络", 2), nullptr);
    EXPECT_EQ(b.m_ports.GetPortAt("rs485", 2), &b.m_ports[2][2]);
    EXPECT_EQ(b.m_ports.GetPortAt("RS485", 3), nullptr);
    EXPECT_EQ(b.m_ports.GetPortAt("RS485", -1), nullptr);
    EXPECT_EQ(b.m_ports.GetPortAt("none", 0), nullptr);
    int g = -1, i = -1;
    ASSERT_TRUE(b.m_ports.LocatePort(&b.m_ports[2][1], g, i));
    EXPECT_EQ(g, 2);
    EXPECT_EQ(i, 1);
    CPortRecord outside;
    EXPECT_FALSE(b.m_ports.LocatePort(&outside, g, i));
}

TEST_F(BoardTest, VirtualDevicesAndLinkStatusSignals) {
    OneBoard();
    RecordingViews views;
    doc.SetViews(&views);
    doc.m_deviceExtItems.SetSize(2);
    doc.AddVirtualDevices(nullptr); // no custom model
    ASSERT_EQ(doc.m_devices.GetSize(), 2);
    EXPECT_EQ(doc.m_devices[0].m_nBoard, 1);
    EXPECT_EQ(doc.m_devices[1].m_nAddress, 65531);
    EXPECT_EQ(doc.m_devices[1].m_optionValues.size(), 2u);
    EXPECT_EQ(views.calls, std::vector<std::string>{"points"});

    const CInfoGroupArray& groups = testsupport::Found(doc.FindDevice(65530))->m_model.m_groups;
    ASSERT_EQ(groups.GetSize(), 1);
    EXPECT_EQ(groups[0].m_nGroupNo, 1);
    EXPECT_EQ(groups[0].m_strName, "遥信");
    EXPECT_EQ(groups[0].m_nType, 1);
    const CInfoEntryArray& e = groups[0].m_entries;
    ASSERT_EQ(e.GetSize(), 3);
    EXPECT_EQ(e[0].m_strDesc, "板卡1COM连接0状态");
    EXPECT_EQ(e[1].m_strDesc, "板卡1COM连接1状态");
    EXPECT_EQ(e[2].m_strDesc, "板卡1NET连接0状态");
    EXPECT_EQ(e[2].m_nEntry, 3);
    EXPECT_EQ(e[2].m_nSeq, 3);
    EXPECT_EQ(e[2].m_nGroup, 1);

    // Rebuilding after a change replaces the board's group.
    doc.m_boardCfg.m_boards[0].m_ports[1].Add(doc.m_boardCfg.m_boards[0].m_ports[1][0]);
    doc.m_boardCfg.BuildLinkStatusSignals(&doc);
    ASSERT_EQ(groups.GetSize(), 1);
    EXPECT_EQ(groups[0].m_entries.GetSize(), 4);
    doc.m_boardCfg.BuildLinkStatusSignals(nullptr); // nothing

    CDeviceTemplate custom;
    custom.m_strName = "自定义装置";
    custom.m_strType = "自定义";
    CProjectModel other;
    other.AddVirtualDevices(&custom);
    ASSERT_EQ(other.m_devices.GetSize(), 3);
    EXPECT_EQ(other.m_devices[2].m_model.m_strType, "自定义");
    EXPECT_EQ(other.m_devices[2].m_nBoard, 0);
}

TEST_F(BoardTest, DistributeDevicesOverPorts) {
    CBoardInfo b;
    b.m_nNumber = 0;
    b.m_ports.Add(Group("COM", "串口", 3, "P103"));
    b.m_ports.Add(Group("NET", "网络", 1, "Other"));
    doc.m_boardCfg.m_boards.Add(b);
    CBoardInfo b1 = b;
    b1.m_nNumber = 1;
    b1.m_ports[0].SetSize(1);
    doc.m_boardCfg.m_boards.Add(b1);
    AddDevices({1, 2, 3, 4, 5, 6, 7}, "P103");
    AddDevices({8}, "Other");
    RecordingViews views;
    doc.SetViews(&views);

    CDeviceArray collected;
    int total = doc.CollectProtocolDevices("p103", collected);
    EXPECT_EQ(total, 7);
    EXPECT_EQ(doc.CountPortsOfProtocol("P103"), 4);
    doc.DistributeProtocolDevices(total, 3, "P103", collected); // three of the four ports
    EXPECT_EQ(Counts("P103"), (std::vector<int>{3, 2, 2, 0}));
    const CDevice* d4 = testsupport::Found(doc.FindDevice(4));
    EXPECT_EQ(d4->m_nBoard, 0);
    EXPECT_EQ(d4->m_model.m_nPortGroup, 0);
    EXPECT_EQ(d4->m_model.m_nPortIndex, 1);
    EXPECT_EQ(testsupport::Back(views.calls), "children 1/0/0");

    AddDevices({9, 10, 11}, "P103");
    total = doc.CollectProtocolDevices("P103", collected);
    doc.DistributeProtocolDevices(total, 4, "P103", collected);
    EXPECT_EQ(Counts("P103"), (std::vector<int>{3, 3, 2, 2}));
    EXPECT_EQ(testsupport::Found(doc.FindDevice(10))->m_nBoard, 1);
    doc.DistributeProtocolDevices(total, 0, "P103", collected); // no port: nothing, no crash
    EXPECT_EQ(Counts("P103"), (std::vector<int>{3, 3, 2, 2}));
}

TEST_F(BoardTest, CollectTakesDevicesOffPortsOfAnotherProtocol) {
    OneBoard();
    CPortRecord& com1 = doc.m_boardCfg.m_boards[0].m_ports[0][1];
    com1.m_protocol.m_strName = "Old";
    AddDevices({5}, "New");
    CDevice& d = *testsupport::Found(doc.FindDevice(5));
    doc.PlaceDevice(d, doc.m_boardCfg.m_boards[0], 0, 1, com1);
    com1.m_protocol.m_deviceAddresses = {3, 5, 5};
    RecordingViews views;
    doc.SetViews(&views);

    CDeviceArray collected;
    ASSERT_EQ(doc.CollectProtocolDevices("New", collected), 1);
    EXPECT_EQ(com1.m_protocol.m_deviceAddresses, (CIntArray{3, 5})); // only the first occurrence
    EXPECT_FALSE(testsupport::Found(doc.FindDevice(5))->IsPlaced());
    EXPECT_EQ(collected[0].m_nBoard, -1);
    EXPECT_EQ(views.calls, std::vector<std::string>{"node 0/0/1"});
    // A device already on a port of its protocol stays there.
    com1.m_protocol.m_strName = "New";
    doc.PlaceDevice(*testsupport::Found(doc.FindDevice(5)), doc.m_boardCfg.m_boards[0], 0, 1, com1);
    doc.CollectProtocolDevices("New", collected);
    EXPECT_TRUE(testsupport::Found(doc.FindDevice(5))->IsPlaced());
}

TEST_F(BoardTest, RelinkSetsBoardInDeviceTables) {
    OneBoard();
    CRefTable table;
    table.m_nType = 8;
    CRefTableDevice entry;
    entry.m_nAddress = 5;
    table.m_devices.Add(entry);
    doc.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_tables.Add(table);
    CDevice d(kDeviceOrdinary);
    d.m_nAddress = 5;
    d.m_nBoard = 0;
    doc.RelinkPortReferences(d);
    EXPECT_EQ(doc.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_tables[0].m_devices[0].m_nBoard, 0);
}

TEST_F(BoardTest, CopyProtocolFrom) {
    CPortRecord a, b;
    a.m_protocol.m_nNumber = 3;
    a.m_protocol.m_strName = "A";
    a.m_values = {"a"};
    a.m_protocol.m_tables.SetSize(2);
    b.m_protocol.m_nNumber = 3;
    b.m_protocol.m_strName = "B";
    b.m_values = {"b"};
    EXPECT_EQ(b.CopyProtocolFrom(nullptr), 0);
    ASSERT_EQ(b.CopyProtocolFrom(&a), 1); // same number: only the tables
    EXPECT_EQ(b.m_protocol.m_tables.GetSize(), 2);
    EXPECT_EQ(b.m_protocol.m_strName, "B");
    EXPECT_EQ(b.m_values, CStringArray{"b"});
    EXPECT_EQ(prompts.Count(), 0u);
    // Rows of the port's own tables go only after a Yes; No is the default and keeps them.
    b.m_protocol.m_tables[1].m_entries.Add(CRefTableEntry());
    b.m_protocol.m_tables[1].m_entries.Add(CRefTableEntry());
    prompts.AnswerWithDefaultButton();
    EXPECT_EQ(b.CopyProtocolFrom(&a), 0);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).text,
              "粘贴端口配置将替换本端口引用表中的2个元素，是否继续？");
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).defaultButton, Answer::No);
    EXPECT_EQ(b.m_protocol.m_tables[1].m_entries.GetSize(), 2);
    prompts.Script({Answer::Yes});
    ASSERT_EQ(b.CopyProtocolFrom(&a), 1);
    EXPECT_TRUE(b.m_protocol.m_tables[1].m_entries.IsEmpty());
    prompts.Clear();

    a.m_protocol.m_nNumber = 4;
    prompts.Script({Answer::No});
    EXPECT_EQ(b.CopyProtocolFrom(&a), 0);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).text, "复制端口规约与当前规约不一致，是否继续？");
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).caption, "提示");
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).icon, platform::Icon::Question);
    EXPECT_EQ(b.m_protocol.m_strName, "B");
    prompts.Script({Answer::Yes});
    ASSERT_EQ(b.CopyProtocolFrom(&a), 1);
    EXPECT_EQ(b.m_protocol.m_strName, "A");
    EXPECT_EQ(b.m_values, CStringArray{"a"});

    CPortRecord empty; // protocol number 0: no question
    ASSERT_EQ(empty.CopyProtocolFrom(&a), 1);
    EXPECT_EQ(empty.m_protocol.m_nNumber, 4);
    EXPECT_EQ(prompts.Count(), 2u);

    COptionItemArray defs;
    defs.SetSize(2);
    defs[0].m_strDefault = "9600";
    defs[1].m_strDefault = "1";
    empty.m_values = {"x", "y", "z"};
    empty.SetValuesFrom(defs);
    EXPECT_EQ(empty.m_values, (CStringArray{"9600", "1"}));
}

TEST_F(BoardTest, PortConfigurations) {
    CNamePairArray lib;
    lib.SetSize(3);
    lib[0].m_strName = "遥测转发";
    lib[1].m_strName = "遥信转发";
    lib[2].m_strName = "遥控转发";
    lib[1].m_tables.SetSize(1);
    CPortConfigArray configs;
    CPortConfig c;
    c.m_strName = "遥测转发";
    configs.Add(c);
    CPortConfig next;
    EXPECT_EQ(configs.GetFirstUnusedConfig(next), 0); // no current project
    doc.m_portConfigLibrary = lib;
    doc.MakeCurrent();
    ASSERT_EQ(configs.GetFirstUnusedConfig(next), 1);
    EXPECT_EQ(next.m_strName, "遥信转发");
    EXPECT_EQ(next.m_settings.m_tables.GetSize(), 1);
    configs.Add(next);
    EXPECT_EQ(configs.FindIndexByName("遥信转发"), 1);
    ASSERT_EQ(configs.GetFirstUnusedConfig(next), 1);
    configs.Add(next);
    EXPECT_EQ(configs.GetFirstUnusedConfig(next), 0);

    CPortConfig withTables;
    withTables.m_settings.m_tables.SetSize(2);
    withTables.m_settings.m_tables[1].m_nType = 8;
    for (CRefTable& t : withTables.m_settings.m_tables) {
        CRefTableEntry e;
        e.m_nAddress = 5;
        t.m_entries.Add(e);
    }
    withTables.ReplaceRefDeviceAddress(5, 6, false);
    EXPECT_EQ(withTables.m_settings.m_tables[0].m_entries[0].m_nAddress, 6);
    EXPECT_EQ(withTables.m_settings.m_tables[1].m_entries[0].m_nAddress, 5); // device table untouched
}
