#include "editors/model/BayListModel.h"
#include "editors/model/EquipViewModel.h"
#include "editors/model/PortFormModel.h"
#include "editors/model/PortGridModel.h"
#include "editors/model/RefTableModel.h"
#include "editors/model/UnitDetailModel.h"
#include "tests/editors/PortViewsFixture.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace projectmodel;
using namespace editors;
using platform::Answer;

namespace {

std::vector<std::string> Cells(const std::vector<CGridRow>& rows, std::size_t column) {
    std::vector<std::string> cells;
    for (const CGridRow& row : rows)
        cells.push_back(row.cells.at(column));
    return cells;
}

} // namespace

TEST(PortGridModel, CellsShowValuesAndCounts) {
    porttest::PortProject p;
    const CPortArray& serial = p.doc->m_boardCfg.m_boards[0].m_ports[0];
    EXPECT_EQ(CPortGridModel::Titles(serial).front(), "地址");
    const std::vector<CGridRow> rows = CPortGridModel::Rows(serial);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"0", "未用", "0", "1", "0", "2", "3", "0.0.0.0"}));
    EXPECT_EQ(rows[1].cells[5], "0"); // no devices
    EXPECT_EQ(rows[1].cells[6], "0"); // no tables
    EXPECT_EQ(CPortGridModel::EditorFor(serial.m_options[0]), CPortGridModel::Editor::Combo);
    EXPECT_EQ(CPortGridModel::EditorFor(serial.m_options[4]), CPortGridModel::Editor::None);
    EXPECT_EQ(CPortGridModel::EditorFor(serial.m_options[6]), CPortGridModel::Editor::Ip);
}

TEST(PortGridModel, TypedNumbersAreClampedToTwoEntryRanges) {
    testsupport::PromptRecorder prompts;
    porttest::PortProject p;
    const COptionItemArray& defs = p.doc->m_boardCfg.m_boards[0].m_ports[0].m_options;
    EXPECT_EQ(CPortGridModel::CheckedValue(defs[1], "70000"), "65535");
    EXPECT_EQ(prompts.LastText(), "数值越限，自动设定为最大值!");
    EXPECT_EQ(CPortGridModel::CheckedValue(defs[2], "12.5"), "10.000000");
    EXPECT_EQ(CPortGridModel::CheckedValue(defs[2], "2.5"), "2.500000");
    EXPECT_EQ(CPortGridModel::CheckedValue(defs[2], "nan"), "0.000000");
    EXPECT_EQ(prompts.LastText(), "数值越限，自动设定为最小值!");
    prompts.Clear();
    EXPECT_EQ(CPortGridModel::CheckedValue(defs[3], "999"), "999"); // one choice: unchecked
    EXPECT_EQ(prompts.Count(), 0u);
    CPortRecord& port = p.Port(0, 1);
    EXPECT_FALSE(CPortGridModel::StoreValue(port, 6, "0.0.0.0"));
    EXPECT_TRUE(CPortGridModel::StoreValue(port, 6, "10.0.0.1"));
    EXPECT_EQ(port.m_values[6], "10.0.0.1");
}

TEST(PortGridModel, ChangingBetweenDeviceProtocolsAsksAboutTheOldThenTheNew) {
    testsupport::PromptRecorder prompts;
    prompts.Script({Answer::Cancel, Answer::Cancel});
    porttest::PortProject p;
    CPortArray& net = p.doc->m_boardCfg.m_boards[0].m_ports[1];
    net.Add(net[0]);
    net[1].m_protocol.m_deviceAddresses.clear();
    const CPortGridModel::ProtocolChange change = CPortGridModel::ChangeProtocol(*p.doc, net[0], "P105");
    EXPECT_EQ(net[0].m_protocol.m_strName, "P105");
    EXPECT_TRUE(net[0].m_protocol.m_deviceAddresses.empty());
    EXPECT_FALSE(testsupport::Found(p.doc->FindDevice(5))->IsPlaced());
    CPortGridModel::Apply(*p.doc, change);
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"是否重新分配规约（P104）的所属装置？",
                                                         "是否重新分配规约（P105）的所属装置？"}));
    // An unknown name gives the unused protocol, which asks nothing.
    prompts.Clear();
    CPortGridModel::Apply(*p.doc, CPortGridModel::ChangeProtocol(*p.doc, net[0], "无此规约"));
    EXPECT_EQ(net[0].m_protocol.m_strName, "未用");
    EXPECT_EQ(prompts.Count(), 0u);
}

// A protocol change or a port deletion that would throw away filled tables, configurations or
// time sources asks first, No by default; nothing filled, nothing asked.
TEST(PortGridModel, ChangesThatThrowAwayFilledTablesAskFirstWithNoByDefault) {
    testsupport::PromptRecorder prompts;
    prompts.AnswerWithDefaultButton();
    porttest::PortProject p;
    CPortRecord& serial1 = p.Port(0, 1); // unused protocol, nothing filled
    CPortRecord& serial0 = p.Port(0, 0); // P103 with one configuration
    CPortRecord& net = p.Port(1, 0);     // P104, serves a device
    serial0.m_values[0] = "P103";
    net.m_values[0] = "P104";
    for (int i = 0; i < 3; ++i)
        testsupport::Found(net.m_protocol.m_tables.FindByName("遥测表"))->m_entries.Add(CRefTableEntry());
    struct Case {
        const char* what;
        const CPortRecord* port;
        const char* name;
        std::string question;
    };
    const std::vector<Case> cases = {
        {"nothing filled", &serial1, "P104", ""},
        {"the same protocol", &net, "p104", ""},
        {"configurations", &serial0, "P104", "端口规约由P103改为P104，将删除端口规约1个配置，是否继续？"},
        {"table entries and the device taken off", &net, "未用",
         "端口规约由P104改为未用，将删除端口规约引用表中的3个条目、端口上的1个装置(地址5)，是否继续？"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CPortGridModel::ProtocolChangeQuestion(*p.doc, *c.port, 0, c.name), c.question);
        prompts.Clear();
        EXPECT_EQ(CPortGridModel::ConfirmProtocolChange(*p.doc, *c.port, 0, c.name), c.question.empty());
        ASSERT_EQ(prompts.Count(), c.question.empty() ? 0u : 1u);
        if (!c.question.empty()) {
            EXPECT_EQ(prompts.Messages()[0].defaultButton, Answer::No);
        }
    }
    net.m_protocol.m_configs.m_configs.Add(CPortConfig());
    EXPECT_EQ(CPortGridModel::ProtocolChangeQuestion(*p.doc, net, 0, "P105"),
              "端口规约由P104改为P105，将删除端口规约引用表中的3个条目和1个配置、端口上的1个装置(地址5)"
              "，是否继续？");

    // The protocol's own parameters set for the port (not the library's values) are named.
    CItemRecord parameters;
    parameters.m_strName = "规约参数";
    COptionItem rtu;
    rtu.m_strName = "RTU地址";
    rtu.m_strDefault = "1";
    parameters.m_items.Add(rtu);
    parameters.m_rows = {{"1"}};
    testsupport::Found(p.doc->m_protocolLibrary.FindByName("P103"))->m_groups.Add(parameters);
    serial0.m_protocol.m_configs.m_configs.RemoveAll();
    serial0.m_protocol.m_groups.Add(parameters);
    EXPECT_EQ(CPortGridModel::ProtocolChangeQuestion(*p.doc, serial0, 0, "P104"), "");
    serial0.m_protocol.m_groups[0].m_rows[0][0] = "9";
    EXPECT_EQ(CPortGridModel::ProtocolChangeQuestion(*p.doc, serial0, 0, "P104"),
              "端口规约由P103改为P104，将删除端口规约参数(RTU地址=9)，是否继续？");

    // A network port with filled tables and a time source: No deletes nothing.
    ASSERT_TRUE(CPortGridModel::AddPort(*p.doc, 0, 1));
    CPortRecord& added = p.Port(1, 1);
    added.m_protocol = p.doc->m_protocolLibrary.GetByName("P105");
    testsupport::Found(added.m_protocol.m_tables.FindByName("遥信表"))->m_entries.Add(CRefTableEntry());
    CTimeSource source;
    source.m_nPortType = kPortTypeNetwork;
    source.m_nPort = added.m_nRunning;
    p.doc->m_timeSources.Add(source);
    const std::string question = platform::StrFormat(
        "删除所选端口将同时删除端口规约引用表中的1个条目及以下对时源:\n对时源1: 板卡1 网络地址%d\n是否继续？",
        added.m_nRunning);
    EXPECT_EQ(CPortGridModel::PortsDeletionQuestion(*p.doc, 0, 1, {1}), question);
    // The port serving a device is not deleted, so it asks nothing of its tables.
    EXPECT_EQ(CPortGridModel::PortsDeletionQuestion(*p.doc, 0, 1, {0, 1}), "");
    prompts.Clear();
    EXPECT_EQ(CPortGridModel::DeletePorts(*p.doc, 0, 1, {1}), 0);
    ASSERT_EQ(prompts.Texts(), std::vector<std::string>{question});
    EXPECT_EQ(prompts.Messages()[0].defaultButton, Answer::No);
    EXPECT_EQ(p.doc->m_boardCfg.m_boards[0].m_ports[1].GetSize(), 2);
    EXPECT_EQ(p.doc->m_timeSources.GetSize(), 1);
    prompts.Clear();
    prompts.Script({Answer::Yes});
    EXPECT_EQ(CPortGridModel::DeletePorts(*p.doc, 0, 1, {1}), 1);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{question});
    EXPECT_EQ(p.doc->m_timeSources.GetSize(), 0);
}

// A redistribution that moves a device to an earlier port of its protocol leaves it placed where
// it is listed: no later port takes it off again.
TEST(PortGridModel, ARedistributedDeviceIsPlacedWhereItIsListed) {
    testsupport::PromptRecorder prompts;
    porttest::PortProject p;
    testsupport::Found(p.doc->FindDevice(5))->m_model.m_strProtocol = "P104";
    CPortRecord& earlier = p.Port(0, 1);
    earlier.m_values[0] = "P104";
    CPortGridModel::Apply(*p.doc, CPortGridModel::ChangeProtocol(*p.doc, earlier, "P104"));
    const CDevice& five = *testsupport::Found(p.doc->FindDevice(5));
    ASSERT_TRUE(five.IsPlaced());
    EXPECT_EQ(five.m_model.m_nPortGroup, 0);
    EXPECT_EQ(five.m_model.m_nPortIndex, 1);
    EXPECT_EQ(p.Port(0, 1).m_protocol.m_deviceAddresses, CIntArray{5});
    EXPECT_TRUE(p.Port(1, 0).m_protocol.m_deviceAddresses.empty());
}

// The deletion question lists the time sources of the deleted port's own board only: a source on
// the same port type and address of another board stays and is not named. Boards show from 1.
TEST(PortGridModel, ThePortDeletionQuestionNamesTheTimeSourcesOfItsOwnBoard) {
    testsupport::PromptRecorder prompts;
    porttest::PortProject p;
    CBoardInfo second = p.doc->m_boardCfg.m_boards[0];
    second.m_nNumber = 1;
    p.doc->m_boardCfg.m_boards.Add(second);
    ASSERT_TRUE(CPortGridModel::AddPort(*p.doc, 0, 1));
    const int running = p.Port(1, 1).m_nRunning;
    for (int board : {1, 0}) {
        CTimeSource source;
        source.m_nBoard = board;
        source.m_nPortType = kPortTypeNetwork;
        source.m_nPort = running;
        p.doc->m_timeSources.Add(source);
    }
    EXPECT_EQ(CPortGridModel::PortsDeletionQuestion(*p.doc, 0, 1, {1}),
              platform::StrFormat("删除所选端口将同时删除以下对时源:\n对时源2: 板卡1 网络地址%d\n是否继续？",
                                  running));
    prompts.Script({Answer::Yes});
    EXPECT_EQ(CPortGridModel::DeletePorts(*p.doc, 0, 1, {1}), 1);
    ASSERT_EQ(p.doc->m_timeSources.GetSize(), 1);
    EXPECT_EQ(p.doc->m_timeSources[0].m_nBoard, 1);
}

TEST(PortGridModel, PortsAreNumberedByPlaceAndDevicesAndTimeSourcesFollow) {
    testsupport::PromptRecorder prompts;
    porttest::PortProject p;
    CPortArray& net = p.doc->m_boardCfg.m_boards[0].m_ports[1];
    EXPECT_FALSE(CPortGridModel::AddPort(*p.doc, 0, 0)); // serial: fixed
    ASSERT_TRUE(CPortGridModel::AddPort(*p.doc, 0, 1));
    ASSERT_TRUE(CPortGridModel::AddPort(*p.doc, 0, 1));
    ASSERT_TRUE(CPortGridModel::AddPort(*p.doc, 0, 1));
    ASSERT_EQ(net.GetSize(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(net[i].m_nNumber, i);
        EXPECT_EQ(net[i].m_nRunning, i);
    }
    EXPECT_EQ(net[2].m_values[0], "未用");
    // Devices on port 2, time sources on ports 1 and 3.
    net[2].m_protocol.m_deviceAddresses = {2};
    CDevice* two = testsupport::Found(p.doc->FindDevice(2));
    two->m_nBoard = 0;
    two->m_model.m_nPortGroup = 1;
    two->m_model.m_nPortIndex = 2;
    CTimeSource onOne;
    onOne.m_nPortType = kPortTypeNetwork;
    onOne.m_nPort = 1;
    CTimeSource onThree = onOne;
    onThree.m_nPort = 3;
    onThree.m_nPriority = 9;
    p.doc->m_timeSources.Add(onOne);
    p.doc->m_timeSources.Add(onThree);
    // Rows 1, 2, 3 with devices on port 2: port 1 goes, the rest stays. The source on port 1 is
    // named in the question before; the one on port 3, which stays, is not.
    EXPECT_EQ(CPortGridModel::DeletePorts(*p.doc, 0, 1, {1, 2, 3}), 1);
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{
                                   "删除所选端口将同时删除以下对时源:\n对时源1: 板卡1 网络地址1\n是否继续？",
                                   "请先删除端口连接的装置，然后再删除端口!"}));
    ASSERT_EQ(net.GetSize(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(net[i].m_nNumber, i); // numbers equal places, as after reopening
        EXPECT_EQ(net[i].m_nRunning, i);
    }
    EXPECT_EQ(two->m_model.m_nPortIndex, 1); // the device follows its port
    // The source of the deleted port is removed; the other follows its port.
    ASSERT_EQ(p.doc->m_timeSources.GetSize(), 1);
    EXPECT_EQ(p.doc->m_timeSources[0].m_nPort, 2);
    EXPECT_EQ(p.doc->m_timeSources[0].m_nPriority, 9);
    ASSERT_TRUE(CPortGridModel::AddPort(*p.doc, 0, 1));
    EXPECT_EQ(net[3].m_nNumber, 3);
    // The configuration files are named after the renumbered ports.
    EXPECT_EQ(projectmodel::CConfigDoc::PortConfigFileName(p.doc->m_boardCfg.m_boards[0], net[2],
                                                           projectmodel::CPortConfig()),
              "ccu_板卡0_网络2_规约0_配置.cfg");
}

TEST(RefTableModel, PointsAreCheckedForCategoryAndDuplicates) {
    testsupport::PromptRecorder prompts;
    porttest::PortProject p;
    CRefTable yx = porttest::Table("遥信表", kInfoTypeYX);
    CRefTable yc = porttest::Table("遥测表", kInfoTypeYC);
    CRefTable yt = porttest::Table("遥调表", kInfoTypeYT);
    // Group 2 of the test devices is the combined telesignal/telecontrol kind.
    EXPECT_EQ(CRefTableModel::AddPoint(*p.doc, yx, 1, 2, 1, false), CRefTableModel::AddResult::Added);
    EXPECT_EQ(yx.m_entries[0].m_values, (CStringArray{"0", "1", ""}));
    EXPECT_EQ(CRefTableModel::AddPoint(*p.doc, yc, 1, 2, 1, false), CRefTableModel::AddResult::WrongType);
    EXPECT_EQ(prompts.LastText(), "类型不对应!");
    EXPECT_EQ(CRefTableModel::AddPoint(*p.doc, yx, 1, 2, 1, false), CRefTableModel::AddResult::Exists);
    EXPECT_EQ(prompts.LastText(), "测点1-2-1已存在!");
    EXPECT_EQ(CRefTableModel::AddPoint(*p.doc, yx, 1, 9, 1, false), CRefTableModel::AddResult::NoPoint);
    EXPECT_TRUE(CRefTableModel::CategoryFits(kInfoTypeYT, kInfoTypeYK, true));
    EXPECT_FALSE(CRefTableModel::CategoryFits(kInfoTypeYT, kInfoTypeYK, false));
    EXPECT_EQ(CRefTableModel::AddPoint(*p.doc, yt, 1, 1, 1, true), CRefTableModel::AddResult::WrongType);

    // Descriptions take the device's name unless they carry a bracketed prefix.
    testsupport::Found(testsupport::Found(p.doc->FindDevice(1))->m_model.FindEntry(2, 2))->m_strDesc =
        "[自带]开关";
    testsupport::Found(testsupport::Found(p.doc->FindDevice(1))->m_model.FindEntry(1, 1))->m_strDesc =
        "[开关";
    std::string text;
    ASSERT_TRUE(CRefTableModel::DescribePoint(*p.doc, 1, 2, 2, text));
    EXPECT_EQ(text, "[自带]开关");
    ASSERT_TRUE(CRefTableModel::DescribePoint(*p.doc, 1, 1, 1, text));
    EXPECT_EQ(text, "[线路保护][开关");
    yx.m_entries.Add(yx.m_entries[0]);
    yx.m_entries[1].m_nEntry = 7;
    const std::vector<CGridRow> rows = CRefTableModel::PointRows(*p.doc, yx, 1, {}, "无效引用", true);
    EXPECT_EQ(Cells(rows, 0), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(rows[1].cells[6], "无效引用");
    EXPECT_EQ(rows[1].cells[4], "");
    EXPECT_EQ(rows[0].cells.size(), 10u);
}

TEST(RefTableModel, SelectedRowsMoveAsOneBlockToThePosition) {
    std::vector<char> items{'A', 'B', 'C', 'D', 'E', 'F'};
    // Rows 1, 2 to position 5: C D E F A B.
    EXPECT_EQ(CRefTableModel::MoveRows(items, {0, 1}, 5), (std::vector<int>{4, 5}));
    EXPECT_EQ(items, (std::vector<char>{'C', 'D', 'E', 'F', 'A', 'B'}));
    // Two rows to position 3 land at rows 3 and 4.
    items = {'A', 'B', 'C', 'D', 'E', 'F'};
    EXPECT_EQ(CRefTableModel::MoveRows(items, {3, 4}, 3), (std::vector<int>{2, 3}));
    EXPECT_EQ(items, (std::vector<char>{'A', 'B', 'D', 'E', 'C', 'F'}));
    // Scattered rows keep their order and close up; position 0 is the first row.
    items = {'A', 'B', 'C', 'D', 'E', 'F'};
    EXPECT_EQ(CRefTableModel::MoveRows(items, {1, 3, 5}, 0), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(items, (std::vector<char>{'B', 'D', 'F', 'A', 'C', 'E'}));
    // A position past the end puts the block last; rows outside the list are ignored.
    items = {'A', 'B', 'C', 'D', 'E', 'F'};
    EXPECT_EQ(CRefTableModel::MoveRows(items, {0, 2, 9}, 99), (std::vector<int>{4, 5}));
    EXPECT_EQ(items, (std::vector<char>{'B', 'D', 'E', 'F', 'A', 'C'}));
    EXPECT_TRUE(CRefTableModel::MoveRows(items, {7}, 1).empty());
    EXPECT_EQ(CRefTableModel::RemoveRows(items, {1, 3}).size(), 2u);
    EXPECT_EQ(items, (std::vector<char>{'B', 'E', 'A', 'C'}));
}

TEST(RefTableModel, ConsecutiveNumbersStopAtTheRange) {
    testsupport::PromptRecorder prompts;
    CRefTable table = porttest::Table("遥测表", kInfoTypeYC);
    for (int i = 0; i < 4; ++i) {
        CRefTableEntry e;
        e.m_values = {"5", "1", ""};
        table.m_entries.Add(e);
    }
    EXPECT_EQ(CRefTableModel::FillConsecutive(table, {0, 1, 3}, 0, 2), 3);
    EXPECT_EQ(table.m_entries[3].m_values[0], "9");
    EXPECT_EQ(table.m_entries[2].m_values[0], "5");
    EXPECT_EQ(CRefTableModel::FillConsecutive(table, {0, 1, 2, 3}, 0, 40), 3);
    EXPECT_EQ(prompts.LastText(), "从第4行数值越限!");
    EXPECT_EQ(table.m_entries[3].m_values[0], "9");
    EXPECT_EQ(CRefTableModel::FillConsecutive(table, {0, 1}, 1, 2), 0); // a FLOAT column
}

TEST(PortFormModel, TabsAndColumnsFollowTheProtocol) {
    porttest::PortProject p;
    EXPECT_EQ(CPortFormModel::Tabs(p.Port(1, 0)),
              (std::vector<std::string>{"装置列表", "配置列表", "装置表", "遥测表", "遥信表", "遥调表"}));
    EXPECT_EQ(CPortFormModel::Tabs(p.Port(0, 0)),
              (std::vector<std::string>{"遥测表", "遥信表", "遥调表", "配置列表"}));
    EXPECT_TRUE(CPortFormModel::Tabs(p.Port(0, 1)).empty());
    EXPECT_EQ(CPortFormModel::Caption(p.doc->m_boardCfg.m_boards[0], p.Port(1, 0)), "板卡1网络0[P104]组态");
    // An item that does not apply gets no column; later columns keep their own items.
    const COptionItemArray& items = p.Port(0, 0).m_protocol.m_tables[0].m_columns;
    CFormColumns yx = CPortFormModel::Columns(CPortFormModel::PointColumnTitles(), items, "YX");
    EXPECT_EQ(yx.titles.back(), "关联");
    EXPECT_EQ(yx.ValueItems(), (std::vector<int>{0, 2}));
    EXPECT_EQ(yx.ItemOf(8), 2);
    CFormColumns all = CPortFormModel::Columns(CPortFormModel::PointColumnTitles(), items, "");
    EXPECT_EQ(all.titles[8], "系数");
}

TEST(PortFormModel, DevicesJoinTablesAndPorts) {
    testsupport::PromptRecorder prompts;
    porttest::PortProject p;
    CPortRecord& net = p.Port(1, 0);
    CDevice& two = *testsupport::Found(p.doc->FindDevice(2));
    EXPECT_FALSE(CPortFormModel::AddDevice(0, net, net.m_protocol.m_tables[1], two));
    EXPECT_EQ(prompts.LastText(), "类型不对应!");
    ASSERT_TRUE(CPortFormModel::AddDevice(0, net, net.m_protocol.m_tables[0], two));
    EXPECT_EQ(two.FindPointRef(0, kPortTypeNetwork, 0), 0);
    EXPECT_FALSE(CPortFormModel::AddDevice(0, net, net.m_protocol.m_tables[0], two));
    EXPECT_EQ(prompts.LastText(), "装置主变测控(地址2)已存在!");
    // Deleting the entry takes the point reference back.
    EXPECT_EQ(CPortFormModel::DeleteEntries(*p.doc, 0, net, net.m_protocol.m_tables[0], {0}), 1);
    EXPECT_EQ(two.FindPointRef(0, kPortTypeNetwork, 0), -1);

    // Moving a device placed on a serial port asks with 串口; Cancel keeps it.
    two.m_nBoard = 0;
    two.m_model.m_nPortGroup = 0;
    two.m_model.m_nPortIndex = 0;
    prompts.Script({Answer::Cancel});
    EXPECT_FALSE(CPortFormModel::MoveDeviceToPort(*p.doc, 0, 1, 0, two).placed);
    EXPECT_EQ(prompts.LastText(), "该装置<主变测控>已被加载在板卡1下串口0,确认移动吗？");
    const CPortFormModel::MoveResult moved = CPortFormModel::MoveDeviceToPort(*p.doc, 0, 1, 0, two);
    ASSERT_TRUE(moved.placed);
    EXPECT_EQ(moved.oldGroup, 0);
    EXPECT_EQ(p.Port(0, 0).m_protocol.m_deviceAddresses, (CIntArray{1}));
    EXPECT_EQ(net.m_protocol.m_deviceAddresses, (CIntArray{5, 2}));
    EXPECT_EQ(two.m_model.m_nPortGroup, 1);
    prompts.Clear();
    prompts.Script({Answer::Cancel});
    CDevice& five = *testsupport::Found(p.doc->FindDevice(5));
    EXPECT_FALSE(CPortFormModel::MoveDeviceToPort(*p.doc, 0, 0, 1, five).placed);
    EXPECT_EQ(prompts.LastText(), "该装置<母线保护>已被加载在板卡1下网络口0,确认移动吗？");

    // A new device is placed on the port it is added to.
    const int address = CPortFormModel::AddNewDevice(*p.doc, 0, 1, 0);
    ASSERT_EQ(address, 3);
    EXPECT_TRUE(testsupport::Found(p.doc->FindDevice(3))->IsPlaced());
    EXPECT_EQ(net.m_protocol.m_deviceAddresses.back(), 3);
    CPortFormModel::SortAddresses(net);
    EXPECT_EQ(net.m_protocol.m_deviceAddresses, (CIntArray{2, 3, 5}));
    // Off the port: the device stays unplaced; from the table: it is gone.
    EXPECT_EQ(CPortFormModel::RemoveDevices(*p.doc, net, {0}, false), 1);
    EXPECT_FALSE(two.IsPlaced());
    EXPECT_EQ(CPortFormModel::RemoveDevices(*p.doc, net, {0}, true), 1);
    EXPECT_EQ(p.doc->FindDevice(3), nullptr);
    EXPECT_EQ(net.m_protocol.m_deviceAddresses, (CIntArray{5}));
}

TEST(PortFormModel, ConfigurationsComeFromTheLibrary) {
    testsupport::PromptRecorder prompts;
    porttest::PortProject p;
    CPortRecord& port = p.Port(0, 0);
    ASSERT_TRUE(CPortFormModel::AddConfig(*p.doc, port));
    EXPECT_EQ(port.m_protocol.m_configs.m_configs[1].m_strName, "召唤表");
    EXPECT_FALSE(CPortFormModel::ChangeConfig(*p.doc, port, 1, "转发表"));
    EXPECT_EQ(prompts.LastText(), "转发表已存在");
    EXPECT_EQ(port.m_protocol.m_configs.m_configs[1].m_strName, "召唤表");
    EXPECT_TRUE(CPortFormModel::ChangeConfig(*p.doc, port, 1, "对时表"));
    EXPECT_EQ(Cells(CPortFormModel::ConfigRows(port), 1), (std::vector<std::string>{"转发表", "对时表"}));
    EXPECT_EQ(CPortFormModel::DeleteConfigs(port, {0, 1}), 2);
    EXPECT_TRUE(port.m_protocol.m_configs.m_configs.IsEmpty());
}

TEST(BayListModel, BaysAreAddedDeletedRenamedAndSorted) {
    porttest::PortProject p;
    CPathRecord path;
    path.depth = 2;
    path.data = {0, kItemBays, 0, -1, -1, -1, -1};
    CVoltLevel* level = CBayListModel::LevelOf(*p.doc, path);
    ASSERT_NE(level, nullptr);
    path.data[2] = 1;
    EXPECT_EQ(CBayListModel::LevelOf(*p.doc, path), nullptr);
    ASSERT_TRUE(CBayListModel::AddBay(*p.doc, *level));
    ASSERT_TRUE(CBayListModel::AddBay(*p.doc, *level));
    EXPECT_EQ(level->m_bayIds, (CIntArray{0, 1, 2}));
    EXPECT_EQ(p.doc->m_bays.GetById(1)->m_strVoltLevel, "220kV");
    EXPECT_TRUE(CBayListModel::Rename(*p.doc, *level, 2, "间隔2", "  甲 "));
    EXPECT_FALSE(CBayListModel::Rename(*p.doc, *level, 1, "间隔1", "间隔1"));
    p.doc->m_bays.GetById(0)->m_strName = "甲";
    CBayListModel::SortByName(*p.doc, *level);
    // By GBK bytes 甲 comes before 间; equal names keep their order.
    EXPECT_EQ(level->m_bayIds, (CIntArray{0, 2, 1}));
    EXPECT_EQ(Cells(CBayListModel::Rows(*p.doc, *level), 1), (std::vector<std::string>{"甲", "甲", "间隔1"}));
    // Deleting bays asks only when they hold equipment, with its links to points.
    EXPECT_EQ(CBayListModel::BaysDeletionQuestion(*p.doc, *level, {1, 2}), "");
    EXPECT_EQ(CBayListModel::BaysDeletionQuestion(*p.doc, *level, {0, 1}),
              "删除所选的2个间隔将同时删除其下的1个一次设备及其0处测点关联，是否继续？");
    CRefTable links;
    links.m_entries.Add(CRefTableEntry());
    links.m_entries.Add(CRefTableEntry());
    p.doc->m_prjDevices.GetById(3)->m_settings.m_tables.Add(links);
    EXPECT_EQ(CBayListModel::BaysDeletionQuestion(*p.doc, *level, {0}),
              "删除所选的1个间隔将同时删除其下的1个一次设备及其2处测点关联，是否继续？");
    CPrjBay& bay = *p.doc->m_bays.GetById(0);
    EXPECT_EQ(CEquipViewModel::EquipmentDeletionQuestion(*p.doc, bay, {0}),
              "删除所选的1个一次设备将同时删除其2处测点关联，是否继续？");
    p.doc->m_prjDevices.GetById(3)->m_settings.m_tables.RemoveAll();
    EXPECT_EQ(CEquipViewModel::EquipmentDeletionQuestion(*p.doc, bay, {0}), "");
    // The asking: No by default, nothing asked without a question.
    testsupport::PromptRecorder prompts;
    prompts.AnswerWithDefaultButton();
    EXPECT_TRUE(CEquipViewModel::ConfirmDeletion("", "间隔"));
    EXPECT_EQ(prompts.Count(), 0u);
    EXPECT_FALSE(CEquipViewModel::ConfirmDeletion("删除？", "间隔"));
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Messages()[0].defaultButton, Answer::No);
    EXPECT_EQ(prompts.Messages()[0].caption, "间隔");
    // Deleting two bays takes their equipment with them.
    EXPECT_EQ(CBayListModel::DeleteBays(*p.doc, *level, {0, 1}), 2);
    EXPECT_EQ(level->m_bayIds, (CIntArray{1}));
    EXPECT_EQ(p.doc->m_bays.GetById(0), nullptr);
    EXPECT_TRUE(p.doc->m_prjDevices.IsEmpty());
}

TEST(UnitDetailModel, TheDeviceOfAnEquipmentNodeShowsItsPointsByCategory) {
    porttest::PortProject p;
    CPathRecord path;
    path.depth = 5;
    path.data = {0, kItemBays, 0, 0, 0, 1, -1};
    EXPECT_EQ(CUnitDetailModel::Resolve(*p.doc, path).device, nullptr); // address 99 has no device
    path.data[5] = 3;
    EXPECT_EQ(CUnitDetailModel::Resolve(*p.doc, path).device, nullptr);
    path.data[5] = 2;
    const CUnitDetailModel::Target target = CUnitDetailModel::Resolve(*p.doc, path);
    ASSERT_NE(target.device, nullptr);
    EXPECT_EQ(CUnitDetailModel::Caption(target), "断路器1装置2<主变测控>信息列表:");
    // Entries numbered 0 are left out; telesignal and telecontrol show the combined group.
    EXPECT_EQ(CUnitDetailModel::Rows(*target.device, kInfoTypeYC).size(), 2u);
    const std::vector<CGridRow> yk = CUnitDetailModel::Rows(*target.device, kInfoTypeYK);
    ASSERT_EQ(yk.size(), 2u);
    EXPECT_EQ(yk[1].cells[6], "主变测控开关2");
    EXPECT_EQ(CUnitDetailModel::Rows(*target.device, kInfoTypeYX).size(), 2u);
    EXPECT_TRUE(CUnitDetailModel::Rows(*target.device, kInfoTypeYM).empty());
}
