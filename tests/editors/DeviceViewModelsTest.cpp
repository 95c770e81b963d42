// The row builders and operations of the device-side views, without widgets.
#include "editors/model/AdjusttimeModel.h"
#include "editors/model/BayListModel.h"
#include "editors/model/DevDetailModel.h"
#include "editors/model/DevinfolistModel.h"
#include "editors/model/EquipDetailModel.h"
#include "editors/model/EquipRefDevModel.h"
#include "editors/model/EquipViewModel.h"
#include "editors/model/PrjbayModel.h"
#include "editors/model/PrjViewModel.h"
#include "editors/model/SelDevModel.h"
#include "tests/editors/EditorFixture.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace projectmodel;
using namespace editors;
using editortest::Project;

namespace {

// Records what the operations ask the project tree to rebuild.
struct ViewsRecorder : IProjectViews {
    std::vector<std::string> calls;
    void RefreshPortNode(int b, int g, int p) override { Add("port", b, g, p); }
    void RefreshPortChildNodes(int b, int g, int p) override { Add("portChildren", b, g, p); }
    void FillPointList() override { calls.push_back("points"); }
    void RefreshDeviceNodes() override { calls.push_back("devices"); }
    void RefreshVoltLevelNodes() override { calls.push_back("levels"); }
    void RefreshBayNode(int bay) override { Add("bay", bay); }
    void RefreshEquipmentNode(int bay, int id) override { Add("equipment", bay, id); }
    void SetRootText(const std::string& text) override { calls.push_back("root " + text); }
    template <class... T> void Add(const char* what, T... n) {
        std::string s = what;
        ((s += " " + std::to_string(n)), ...);
        calls.push_back(s);
    }
    bool Has(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
};

struct DeviceModels : ::testing::Test {
    Project project;
    CProjectModel& doc = *project.doc;
    ViewsRecorder views;
    testsupport::PromptRecorder prompts;
    DeviceModels() { doc.SetViews(&views); }
    std::vector<int> Addresses() const {
        std::vector<int> a;
        for (const CDevice& d : doc.m_devices)
            a.push_back(d.m_nAddress);
        return a;
    }
};

CExprOperand Operand(std::uint8_t kind, int address, int group, int entry) {
    CExprOperand op;
    op.m_nKind = kind;
    op.m_nAddress = address;
    op.m_nGroup = group;
    op.m_nEntry = entry;
    return op;
}

// A group of one composite signal (entry 1-1) with these operands in the composite device.
void AddCompositeSignal(CProjectModel& doc, const CExprOperandArray& operands) {
    CInfoEntry composite;
    composite.m_nGroup = 1;
    composite.m_nEntry = 1;
    composite.m_expr.m_operands = operands;
    CInfoGroup group;
    group.m_nGroupNo = 1;
    group.m_entries.InsertSorted(composite);
    testsupport::Found(doc.FindDevice(kCompositeDeviceAddress))->m_model.m_groups.Add(group);
}

CRefTableEntry Ref(int address, int group, int entry) {
    CRefTableEntry e;
    e.m_nAddress = address;
    e.m_nGroup = group;
    e.m_nEntry = entry;
    return e;
}

// The operands of the first composite signal of the last group of the composite device.
CExprOperandArray& FirstCompositeOperands(CProjectModel& doc) {
    return testsupport::Found(doc.FindDevice(kCompositeDeviceAddress))
        ->m_model.m_groups.Items()
        .back()
        .m_entries[0]
        .m_expr.m_operands;
}

} // namespace

TEST_F(DeviceModels, TimeSourcesShowPortsAndRefuseWhatTheBoardLacks) {
    CTimeSource network;
    network.m_nPortType = 2;
    network.m_nPriority = 10;
    doc.m_timeSources.Add(network);
    CTimeSource serial;
    serial.m_nPort = 1;
    doc.m_timeSources.Add(serial);
    auto rows = CAdjusttimeModel::Rows(doc);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"1", "1", "网络0<地址0>(P104)", "10"}));
    EXPECT_EQ(rows[1].cells[2], "串口1<地址1>()");

    // Another board number: that board does not exist, nothing is stored.
    EXPECT_FALSE(CAdjusttimeModel::SetBoard(doc, 1, "3"));
    EXPECT_EQ(prompts.LastText(), "错误端口\n串口<地址1>");
    EXPECT_FALSE(CAdjusttimeModel::SetPort(doc, 1, "3", 0, 0));
    EXPECT_EQ(doc.m_timeSources[1], serial);
    // The port is the chosen entry (group, place), whatever its text reads.
    const auto choices = CAdjusttimeModel::PortChoices(doc, "1");
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[2].text, "网络0<地址0>(P104)");
    EXPECT_EQ(choices[2].group, 1);
    EXPECT_EQ(choices[2].index, 0);
    EXPECT_FALSE(CAdjusttimeModel::SetPort(doc, 1, "1", 1, 5));
    EXPECT_EQ(doc.m_timeSources[1], serial);
    EXPECT_TRUE(CAdjusttimeModel::SetPort(doc, 1, "1", 1, 0));
    EXPECT_EQ(doc.m_timeSources[1].m_nPortType, 2);
    EXPECT_EQ(doc.m_timeSources[1].m_nPort, 0);

    EXPECT_TRUE(CAdjusttimeModel::SetPriority(doc, 0, "300"));
    EXPECT_EQ(doc.m_timeSources[0].m_nPriority, 255);
    EXPECT_TRUE(CAdjusttimeModel::SetPriority(doc, 0, "-1"));
    EXPECT_EQ(doc.m_timeSources[0].m_nPriority, 0);
    EXPECT_EQ(prompts.LastText(), "数值越限，自动设定为最小值!");

    doc.m_timeSources[0].m_nPortType = 7;
    rows = CAdjusttimeModel::Rows(doc);
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(prompts.LastText(), "对时源0通讯口类型码错误:7");
}

TEST_F(DeviceModels, DeletingTimeSourcesRemovesExactlyTheSelectedRows) {
    for (int i = 0; i < 5; ++i) {
        CAdjusttimeModel::AddSource(doc);
        doc.m_timeSources[i].m_nPriority = i;
    }
    CAdjusttimeModel::DeleteSources(doc, {1, 3});
    ASSERT_EQ(doc.m_timeSources.GetSize(), 3);
    EXPECT_EQ(doc.m_timeSources[0].m_nPriority, 0);
    EXPECT_EQ(doc.m_timeSources[1].m_nPriority, 2);
    EXPECT_EQ(doc.m_timeSources[2].m_nPriority, 4);
}

TEST_F(DeviceModels, DeviceListsLeaveOutVirtualDevicesWhereTheyShould) {
    EXPECT_EQ(CSelDevModel::MasterRows(doc).size(), 6u);
    const auto devices = CSelDevModel::DeviceRows(doc);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[2].cells[1], "5");
    const auto rows = CDevinfolistModel::Rows(doc);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].rowText, "装置1<线路保护>");

    CPortRecord& net = project.Port(1, 0);
    EXPECT_EQ(CSelDevModel::PortActionFor(net, "装置列表"), CSelDevModel::PortAction::AddToDeviceList);
    CRefTable table;
    table.m_strName = "装置表";
    table.m_nType = 8;
    project.Port(0, 0).m_protocol.m_tables.Add(table);
    EXPECT_EQ(CSelDevModel::PortActionFor(project.Port(0, 0), "装置表"),
              CSelDevModel::PortAction::AddToConfig);
    EXPECT_EQ(CSelDevModel::PortActionFor(project.Port(0, 0), "装置列表"), CSelDevModel::PortAction::Nothing);
}

TEST_F(DeviceModels, AddressEditsRefuseBadInput) {
    EXPECT_FALSE(CDevinfolistModel::SetAddress(doc, 2, 5, "12a"));
    EXPECT_EQ(prompts.LastText(), "第2行设置错误！\n原因:输入 12a 非法！");
    EXPECT_EQ(testsupport::Back(prompts.Messages()).caption, "错误");
    EXPECT_FALSE(CDevinfolistModel::SetAddress(doc, 2, 5, "2"));
    EXPECT_EQ(prompts.LastText(), "第2行设置错误！\n原因:装置地址 2 已被占用");
    EXPECT_FALSE(CDevinfolistModel::SetAddress(doc, 2, 5, "99999999999"));
    EXPECT_FALSE(CDevinfolistModel::SetMappedAddress(doc, 0, 1, "x"));
    EXPECT_EQ(prompts.LastText(), "第0行设置错误！\n原因:输入 x  非法！");
    // Ordinary devices keep to 1..65529, also where a virtual device is absent.
    doc.m_devices.RemoveAt(doc.m_devices.FindIndexByAddress(65532));
    for (const char* bad : {"0", "000", "65530", "65532", "65535", "4294967297", "18446744073709551617"}) {
        EXPECT_FALSE(CDevinfolistModel::SetAddress(doc, 2, 5, bad)) << bad;
        EXPECT_EQ(prompts.LastText(), std::string("第2行设置错误！\n原因:输入 ") + bad + " 非法！");
        EXPECT_FALSE(CDevinfolistModel::SetMappedAddress(doc, 2, 5, bad)) << bad;
        EXPECT_EQ(prompts.LastText(), std::string("第2行设置错误！\n原因:输入 ") + bad + "  非法！");
    }
    EXPECT_EQ(testsupport::Found(doc.FindDevice(5))->m_nMappedAddress, 5);
    EXPECT_TRUE(CDevinfolistModel::SetMappedAddress(doc, 2, 5, "65529"));
    EXPECT_EQ(testsupport::Found(doc.FindDevice(5))->m_nMappedAddress, 65529);
    EXPECT_EQ(Addresses(), (std::vector<int>{1, 2, 5, 65530, 65531}));
}

TEST_F(DeviceModels, AnAddressChangeIsCarriedThroughTheProject) {
    // Device 5 sits on the DEVICE port and in every kind of reference.
    CPortRecord& net = project.Port(1, 0);
    net.m_protocol.m_deviceAddresses = {5, 5};
    CRefTable devTable;
    devTable.m_nType = 8;
    CRefTableDevice entry;
    entry.m_nAddress = 5;
    devTable.m_devices.Add(entry);
    net.m_protocol.m_tables.Add(devTable);
    CPortRecord& sys = project.Port(0, 0);
    sys.m_protocol.m_strType = "SCHEDULE";
    CRefTable points;
    points.m_nType = 0;
    points.m_entries.Add(Ref(5, 1, 1));
    sys.m_protocol.m_tables.Add(points);
    CRefTable configPoints;
    configPoints.m_nType = 1;
    configPoints.m_entries.Add(Ref(5, 2, 1));
    sys.m_protocol.m_configs.m_configs[0].m_settings.m_tables.Add(configPoints);
    CPrjDevice& equipment = *doc.m_prjDevices.GetById(3);
    equipment.m_linkedDevices = {5, 1};
    equipment.m_nBayId = 0;
    CRefTable equipTable;
    equipTable.m_entries.Add(Ref(5, 2, 2));
    equipment.m_settings.m_tables.Add(equipTable);
    AddCompositeSignal(doc, {Operand(0, 5, 0, 0)});

    ASSERT_TRUE(CDevinfolistModel::SetAddress(doc, 2, 5, "7"));
    EXPECT_EQ(Addresses(), (std::vector<int>{1, 2, 7, 65530, 65531, 65532}));
    EXPECT_EQ(net.m_protocol.m_deviceAddresses, (CIntArray{7, 7}));
    EXPECT_EQ(net.m_protocol.m_tables[0].m_devices[0].m_nAddress, 7);
    EXPECT_EQ(sys.m_protocol.m_tables[0].m_entries[0].m_nAddress, 7);
    EXPECT_EQ(sys.m_protocol.m_configs.m_configs[0].m_settings.m_tables[0].m_entries[0].m_nAddress, 7);
    EXPECT_EQ(equipment.m_linkedDevices, (CIntArray{7, 1}));
    EXPECT_EQ(equipment.m_settings.m_tables[0].m_entries[0].m_nAddress, 7);
    EXPECT_EQ(FirstCompositeOperands(doc)[0].m_nAddress, 7);
    EXPECT_TRUE(views.Has("devices"));
    EXPECT_TRUE(views.Has("portChildren 0 1 0"));
    EXPECT_TRUE(views.Has("equipment 0 3"));
}

TEST_F(DeviceModels, DeletedEntriesTakeTheirReferencesAlongAndLaterEntriesAreFollowed) {
    // Entries 1 and 2 of group 2 of device 1 are named in every kind of reference.
    CDevice& d = *testsupport::Found(doc.FindDevice(1));
    d.m_model.m_nFlag = 1;
    CPortRecord& sys = project.Port(0, 0);
    CRefTable points;
    points.m_nType = 1;
    points.m_entries.Add(Ref(1, 2, 1));
    points.m_entries.Add(Ref(1, 2, 2));
    points.m_entries.Add(Ref(2, 2, 2)); // another device: untouched
    sys.m_protocol.m_tables.Add(points);
    CRefTable configPoints;
    configPoints.m_entries.Add(Ref(1, 2, 2));
    sys.m_protocol.m_configs.m_configs[0].m_settings.m_tables.Add(configPoints);
    CPrjDevice& equipment = *doc.m_prjDevices.GetById(3);
    equipment.m_nBayId = 0;
    CRefTable equipTable;
    equipTable.m_entries.Add(Ref(1, 2, 2));
    equipTable.m_entries.Add(Ref(1, 2, 1));
    equipment.m_settings.m_tables.Add(equipTable);
    // The number operand (kind 9) holds no point.
    AddCompositeSignal(doc, {Operand(0, 1, 2, 1), Operand(0, 1, 2, 2), Operand(9, 1, 2, 1)});
    CInfoEntry* control = testsupport::Found(doc.FindDevice(2))->m_model.FindEntry(2, 1);
    ASSERT_NE(control, nullptr);
    control->m_yx[0] = 1;
    control->m_yx[1] = 2;
    control->m_yx[2] = 2;
    CInfoEntry* other = testsupport::Found(doc.FindDevice(2))->m_model.FindEntry(2, 2);
    ASSERT_NE(other, nullptr);
    other->m_yx[0] = 1;
    other->m_yx[1] = 2;
    other->m_yx[2] = 1;

    const long long key = CDevDetailModel::EntryKey(2, 1);
    EXPECT_EQ(CDevinfolistModel::CountPointRefs(doc, 1, 2, 1), 4);
    // No: nothing changes.
    prompts.Script({platform::Answer::No});
    EXPECT_FALSE(CDevDetailModel::DeleteTelecontrol(doc, 1, 3, {key}));
    EXPECT_EQ(
        prompts.LastText(),
        "所选信息被引用4处(引用表、一次设备、复合信号或遥信关联)。\n删除信息将同时删除这些引用，是否继续？");
    EXPECT_EQ(testsupport::Found(d.m_model.FindGroup(2))->m_entries.GetSize(), 3);
    EXPECT_EQ(sys.m_protocol.m_tables.Items().back().m_entries.GetSize(), 3);
    prompts.Script({platform::Answer::Yes});
    ASSERT_TRUE(CDevDetailModel::DeleteTelecontrol(doc, 1, 3, {key}));
    // Entry 2 is now entry 1; the references to the old entry 1 are gone, those to 2 follow.
    EXPECT_EQ(testsupport::Found(d.m_model.FindEntry(2, 1))->m_strDesc, "线路保护开关2");
    const CRefTableEntryArray& left = sys.m_protocol.m_tables.Items().back().m_entries;
    ASSERT_EQ(left.GetSize(), 2);
    EXPECT_EQ(left[0].m_nEntry, 1);
    EXPECT_EQ(left[1].m_nAddress, 2);
    EXPECT_EQ(left[1].m_nEntry, 2);
    EXPECT_EQ(sys.m_protocol.m_configs.m_configs[0].m_settings.m_tables.Items().back().m_entries[0].m_nEntry,
              1);
    ASSERT_EQ(equipment.m_settings.m_tables.Items().back().m_entries.GetSize(), 1);
    EXPECT_EQ(equipment.m_settings.m_tables.Items().back().m_entries[0].m_nEntry, 1);
    const CExprOperandArray& ops = FirstCompositeOperands(doc);
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_EQ(ops[0].m_nEntry, 1); // was entry 2
    EXPECT_EQ(ops[1].m_nKind, 9);
    EXPECT_EQ(ops[1].m_nEntry, 1); // a number stays as it was
    EXPECT_EQ(testsupport::Found(testsupport::Found(doc.FindDevice(2))->m_model.FindEntry(2, 1))->m_yx[2], 1);
    EXPECT_EQ(testsupport::Found(testsupport::Found(doc.FindDevice(2))->m_model.FindEntry(2, 2))->m_yx[0],
              -1);
    EXPECT_TRUE(views.Has("portChildren 0 0 0"));
    EXPECT_TRUE(views.Has("equipment 0 3"));

    // An address change takes the telecontrol links along; a deletion drops them and the operands.
    ASSERT_TRUE(CDevinfolistModel::SetAddress(doc, 0, 1, "9"));
    EXPECT_EQ(testsupport::Found(testsupport::Found(doc.FindDevice(2))->m_model.FindEntry(2, 1))->m_yx[0], 9);
    EXPECT_EQ(FirstCompositeOperands(doc)[0].m_nAddress, 9);
    CDevinfolistModel::DeleteDevices(doc, {9});
    EXPECT_EQ(testsupport::Found(testsupport::Found(doc.FindDevice(2))->m_model.FindEntry(2, 1))->m_yx[0],
              -1);
    const CExprOperandArray& rest = FirstCompositeOperands(doc);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].m_nKind, 9);
}

// The question before devices go counts every composite operand that names one of their points
// (telemeasurement, telesignal and tap-position kinds) and every telesignal link of another
// device's point to them; numbers and links of the deleted devices themselves do not count. No is
// the default.
TEST_F(DeviceModels, TheDeviceDeletionQuestionCountsOperandsAndLinksOfOtherDevices) {
    AddCompositeSignal(doc, {Operand(1, 1, 2, 1), Operand(5, 1, 2, 2), Operand(0, 1, 1, 0),
                             Operand(0, 2, 1, 1), Operand(6, 1, 0, 0)});
    auto link = [&](int from, int entry, int to) {
        CInfoEntry* e =
            testsupport::Found(testsupport::Found(doc.FindDevice(from))->m_model.FindEntry(2, entry));
        e->m_yx[0] = to;
        e->m_yx[1] = 2;
        e->m_yx[2] = 1;
    };
    link(2, 1, 1); // device 2's point linked to device 1
    link(5, 0, 1); // device 5's point linked to device 1
    link(1, 2, 2); // device 1's own point linked to device 2
    struct Case {
        std::vector<int> addresses;
        int references;
    };
    const std::vector<Case> cases = {
        {{1}, 5},    // three operands, two links of other devices
        {{2}, 2},    // one operand, the link of device 1
        {{1, 2}, 5}, // links between the deleted devices do not count
        {{5}, 0},
    };
    prompts.AnswerWithDefaultButton();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.addresses.size() == 1 ? std::to_string(c.addresses[0]) : "1, 2");
        prompts.Clear();
        EXPECT_EQ(CDevinfolistModel::ConfirmDeviceRemoval(doc, c.addresses), c.references == 0);
        if (c.references == 0) {
            EXPECT_EQ(prompts.Count(), 0u);
            continue;
        }
        ASSERT_EQ(prompts.Count(), 1u);
        EXPECT_EQ(prompts.Messages()[0].text,
                  platform::StrFormat("所选装置的信息被引用%d处(引用表、一次设备、复合信号或遥信关联)。\n"
                                      "删除装置将同时删除这些引用，是否继续？",
                                      c.references));
        EXPECT_EQ(prompts.Messages()[0].defaultButton, platform::Answer::No);
    }
    // The default answer deletes nothing.
    EXPECT_FALSE(CDevinfolistModel::DeleteDevices(doc, {1}));
    EXPECT_NE(doc.FindDevice(1), nullptr);
    EXPECT_EQ(FirstCompositeOperands(doc).size(), 5u);
}

// What a deletion takes is what its question counts: forwarding-table rows (of the port and of its
// configurations), device-table rows and equipment links count as composite operands do; a device
// held only by those is asked about, No keeps it whole and Yes takes every row. A voltage level
// counts the point links of the equipment under it.
TEST_F(DeviceModels, DeletionQuestionsCountEveryReferenceTheDeletionTakes) {
    CRefTable forward;
    forward.m_nType = kInfoTypeYC;
    for (int e = 0; e <= 2; ++e) {
        CRefTableEntry row;
        row.m_nAddress = 5;
        row.m_nGroup = 1;
        row.m_nEntry = e;
        row.m_values = {"1", "0.5"};
        forward.m_entries.Add(row);
    }
    CRefTable devices;
    devices.m_nType = 8;
    CRefTableDevice listed;
    listed.m_nAddress = 5;
    devices.m_devices.Add(listed);
    CPortRecord& port = project.Port(0, 1);
    port.m_protocol.m_tables.Add(forward);
    port.m_protocol.m_tables.Add(devices);
    CPrjDevice* equipment = testsupport::Found(doc.m_prjDevices.GetById(3));
    CRefTable position;
    position.m_nType = kInfoTypeYX;
    CRefTableEntry link;
    link.m_nAddress = 5;
    link.m_nGroup = 2;
    link.m_nEntry = 1;
    position.m_entries.Add(link);
    equipment->m_settings.m_tables.Add(position);

    prompts.AnswerWithDefaultButton();
    EXPECT_FALSE(CDevinfolistModel::DeleteDevices(doc, {5}));
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, "所选装置的信息被引用5处(引用表、一次设备、复合信号或遥信关联)。\n"
                                          "删除装置将同时删除这些引用，是否继续？");
    EXPECT_EQ(prompts.Messages()[0].defaultButton, platform::Answer::No);
    EXPECT_NE(doc.FindDevice(5), nullptr);
    EXPECT_EQ(project.Port(0, 1).m_protocol.m_tables[0].m_entries.GetSize(), 3);

    // The level above the equipment names its point link.
    testsupport::Found(doc.m_bays.GetById(0))->m_strVoltLevel = "220kV";
    prompts.Clear();
    EXPECT_FALSE(CPrjbayModel::ConfirmBaysRemoval(doc, "220kV", "删除"));
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_NE(prompts.Messages()[0].text.find("1处测点关联"), std::string::npos)
        << prompts.Messages()[0].text;
    EXPECT_EQ(prompts.Messages()[0].defaultButton, platform::Answer::No);

    prompts.Clear();
    prompts.Script({platform::Answer::Yes});
    ASSERT_TRUE(CDevinfolistModel::DeleteDevices(doc, {5}));
    EXPECT_EQ(doc.FindDevice(5), nullptr);
    EXPECT_TRUE(project.Port(0, 1).m_protocol.m_tables[0].m_entries.IsEmpty());
    EXPECT_TRUE(project.Port(0, 1).m_protocol.m_tables[1].m_devices.IsEmpty());
    EXPECT_TRUE(testsupport::Found(doc.m_prjDevices.GetById(3))->m_settings.m_tables[0].m_entries.IsEmpty());
}

// A composite whose operator is left with fewer operands than it works with goes with the device
// whose point was one of them, and so does a composite that used it; the others keep the
// operands left.
TEST_F(DeviceModels, CompositesLeftShortOfOperandsGoWithTheDevice) {
    struct Case {
        const char* name;
        std::uint8_t op;
        CExprOperandArray operands;
        bool kept;
    };
    const CExprOperand one = Operand(1, 1, 2, 1), two = Operand(1, 2, 2, 1), tap = Operand(5, 1, 2, 2);
    const std::vector<Case> cases = {
        {"与", 8, {one, two}, false},
        {"或", 9, {one, two, two}, true},
        {"异或", 10, {two, one}, false},
        {"非", 7, {one}, false},
        {"差", 12, {Operand(0, 1, 1, 1), Operand(0, 2, 1, 1)}, false},
        {"和", 11, {Operand(0, 1, 1, 1), Operand(0, 2, 1, 1), Operand(0, 2, 1, 2)}, true},
        {"档位取值", 24, {tap, Operand(6, 3, 0, 0)}, false},
        {"档位位", 15, {tap}, false},
        {"未涉及", 8, {two, two}, true},
    };
    CDevice& composite = *testsupport::Found(doc.FindDevice(kCompositeDeviceAddress));
    CInfoGroup group;
    group.m_nGroupNo = 11;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        CInfoEntry e;
        e.m_nGroup = 11;
        e.m_nEntry = static_cast<int>(i) + 1;
        e.m_strDesc = cases[i].name;
        e.m_expr.m_nOperator = cases[i].op;
        e.m_expr.m_operands = cases[i].operands;
        group.m_entries.InsertSorted(e);
    }
    // A NOT of the AND goes with it.
    CInfoEntry notOfAnd;
    notOfAnd.m_nGroup = 11;
    notOfAnd.m_nEntry = static_cast<int>(cases.size()) + 1;
    notOfAnd.m_strDesc = "非与";
    notOfAnd.m_expr.m_nOperator = 7;
    notOfAnd.m_expr.m_operands = {Operand(1, kCompositeDeviceAddress, 11, 1)};
    group.m_entries.InsertSorted(notOfAnd);
    composite.m_model.m_groups.Add(group);

    prompts.Script({platform::Answer::Yes});
    ASSERT_TRUE(CDevinfolistModel::DeleteDevices(doc, {1}));
    std::string gone;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const CInfoEntry* e = doc.FindDeviceInfo(kCompositeDeviceAddress, 11, static_cast<int>(i) + 1);
        EXPECT_EQ(e != nullptr, cases[i].kept);
        if (e) {
            EXPECT_GE(static_cast<int>(e->m_expr.m_operands.size()), MinOperandCount(cases[i].op));
            for (const CExprOperand& op : e->m_expr.m_operands)
                EXPECT_NE(op.m_nKind <= 5 ? op.m_nAddress : -1, 1);
        } else {
            gone += platform::StrFormat("\n复合信号(65531-11-%d) %s", static_cast<int>(i) + 1, cases[i].name);
        }
    }
    EXPECT_EQ(doc.FindDeviceInfo(kCompositeDeviceAddress, 11, notOfAnd.m_nEntry), nullptr);
    gone += platform::StrFormat("\n复合信号(65531-11-%d) 非与", notOfAnd.m_nEntry);
    ASSERT_EQ(prompts.Count(), 2u);
    EXPECT_EQ(prompts.Messages()[1].text,
              "以下复合信号引用的信息已删除，余下的操作数不够其运算符所需，已一并删除：" + gone);
    EXPECT_EQ(prompts.Messages()[1].caption, "删除装置");
}

// Deleting a point that an AND uses leaves it short: it goes too, named in a message; an OR of
// three keeps its two other operands.
TEST_F(DeviceModels, AnEntryDeletionThatLeavesACompositeShortDeletesIt) {
    testsupport::Found(doc.FindDevice(1))->m_model.m_nFlag = 1;
    CInfoGroup group;
    group.m_nGroupNo = 11;
    auto add = [&](int entry, const char* name, std::uint8_t op, CExprOperandArray operands) {
        CInfoEntry e;
        e.m_nGroup = 11;
        e.m_nEntry = entry;
        e.m_strDesc = name;
        e.m_expr.m_nOperator = op;
        e.m_expr.m_operands = std::move(operands);
        group.m_entries.InsertSorted(e);
    };
    add(1, "与", 8, {Operand(1, 1, 2, 1), Operand(1, 2, 2, 1)});
    add(2, "或", 9, {Operand(1, 1, 2, 1), Operand(1, 2, 2, 1), Operand(1, 1, 2, 2)});
    testsupport::Found(doc.FindDevice(kCompositeDeviceAddress))->m_model.m_groups.Add(group);
    prompts.Script({platform::Answer::Yes});
    ASSERT_TRUE(CDevDetailModel::DeleteTelecontrol(doc, 1, 3, {CDevDetailModel::EntryKey(2, 1)}));
    EXPECT_EQ(doc.FindDeviceInfo(kCompositeDeviceAddress, 11, 1), nullptr);
    const CInfoEntry* kept = testsupport::Found(doc.FindDeviceInfo(kCompositeDeviceAddress, 11, 2));
    // The later entry of device 1 took the deleted one's number.
    EXPECT_EQ(kept->m_expr.m_operands, (CExprOperandArray{Operand(1, 2, 2, 1), Operand(1, 1, 2, 1)}));
    ASSERT_EQ(prompts.Count(), 2u);
    EXPECT_EQ(
        prompts.Messages()[1].text,
        "以下复合信号引用的信息已删除，余下的操作数不够其运算符所需，已一并删除：\n复合信号(65531-11-1) 与");
    EXPECT_EQ(prompts.Messages()[1].caption, "删除信息");
}

TEST_F(DeviceModels, APortOfAnyKindKeepsServingARenumberedOrDeletedDevice) {
    ASSERT_TRUE(CDevinfolistModel::SetAddress(doc, 0, 1, "9"));
    EXPECT_EQ(project.Port(0, 0).m_protocol.m_deviceAddresses, (CIntArray{9, 2}));
    CDevinfolistModel::DeleteDevices(doc, {2});
    EXPECT_EQ(project.Port(0, 0).m_protocol.m_deviceAddresses, (CIntArray{9}));
    EXPECT_EQ(doc.m_prjDevices.GetById(3)->m_linkedDevices, (CIntArray{9, 99}));
    EXPECT_EQ(doc.FindDevice(2), nullptr);
}

TEST_F(DeviceModels, NewAndPastedDevicesTakeTheLowestFreeAddressesAndTheirPorts) {
    int asked = 0;
    auto chooser = [&](CDevice&, const std::vector<CPortChoice>&, int) { return ++asked, 0; };
    CDeviceTemplate model = testsupport::Found(doc.m_devices.FindByAddress(1))->m_model;
    model.m_strProtocol = "none";
    EXPECT_EQ(CDevinfolistModel::AddDevice(doc, model, chooser), 3);
    EXPECT_FALSE(testsupport::Found(doc.FindDevice(3))->IsPlaced());
    model.m_strProtocol = "p104";
    EXPECT_EQ(CDevinfolistModel::AddDevice(doc, model, chooser), 4);
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(testsupport::Found(doc.FindDevice(4))->IsPlaced());
    EXPECT_EQ(project.Port(1, 0).m_protocol.m_deviceAddresses, (CIntArray{4}));

    // Two ports run the protocol: the one with fewer devices is proposed.
    project.Port(0, 1).m_protocol.m_strName = "P103";
    int proposed = -1;
    model.m_strProtocol = "P103";
    CDevinfolistModel::AddDevice(doc, model,
                                 [&](CDevice&, const std::vector<CPortChoice>& ports, int proposal) {
                                     EXPECT_EQ(ports.size(), 2u);
                                     proposed = proposal;
                                     return -1;
                                 });
    EXPECT_EQ(proposed, 1);
    EXPECT_FALSE(testsupport::Found(doc.FindDevice(6))->IsPlaced());

    const CDeviceArray clipboard = CDevinfolistModel::CopyDevices(doc, {4, 1});
    EXPECT_EQ(CDevinfolistModel::PasteDevices(doc, clipboard), (std::vector<int>{7, 8}));
    EXPECT_EQ(testsupport::Found(doc.FindDevice(7))->m_strDescription,
              testsupport::Found(doc.FindDevice(4))->m_strDescription);
    EXPECT_EQ(project.Port(1, 0).m_protocol.m_deviceAddresses, (CIntArray{4, 7}));
}

TEST_F(DeviceModels, ChangingTheModelKeepsThePlacementAndAChangedDescription) {
    CDeviceTemplate other;
    other.m_strName = "新型号";
    doc.m_deviceModels.Add(other);
    CDevice& d1 = *testsupport::Found(doc.FindDevice(1));
    d1.m_model.m_nPortGroup = 0;
    d1.m_model.m_nPortIndex = 0;
    d1.m_nBoard = 0;
    testsupport::Found(doc.FindDevice(2))->m_strDescription = "自定义";
    ASSERT_TRUE(CDevinfolistModel::SetModel(doc, 1, "新型号"));
    ASSERT_TRUE(CDevinfolistModel::SetModel(doc, 2, "新型号"));
    EXPECT_EQ(testsupport::Found(doc.FindDevice(1))->m_strDescription, "新型号");
    EXPECT_EQ(testsupport::Found(doc.FindDevice(2))->m_strDescription, "自定义");
    EXPECT_TRUE(testsupport::Found(doc.FindDevice(1))->IsPlaced());
    EXPECT_TRUE(views.Has("port 0 0 0"));
}

TEST_F(DeviceModels, DevicesMoveOnlyInAnUnsortedTable) {
    EXPECT_FALSE(CDevinfolistModel::MoveDevices(doc, {2}, 1));
    CProjectContext::Instance().SetDeviceTableSorted(false);
    EXPECT_TRUE(CDevinfolistModel::MoveDevices(doc, {2}, 1));
    EXPECT_EQ(Addresses(), (std::vector<int>{5, 1, 2, 65530, 65531, 65532}));
    EXPECT_TRUE(CDevinfolistModel::MoveDevices(doc, {0}, 99));
    EXPECT_EQ(Addresses(), (std::vector<int>{1, 2, 5, 65530, 65531, 65532}));
    // Two rows land together at the position, in their order.
    EXPECT_TRUE(CDevinfolistModel::MoveDevices(doc, {1, 2}, 1));
    EXPECT_EQ(Addresses(), (std::vector<int>{2, 5, 1, 65530, 65531, 65532}));
    EXPECT_FALSE(CDevinfolistModel::MoveDevices(doc, {0, 1}, 1)); // already there
    CDevinfolistModel::MoveDevices(doc, {0}, 3);
    CDevinfolistModel::SortByAddress(doc);
    EXPECT_EQ(Addresses(), (std::vector<int>{1, 2, 5, 65530, 65531, 65532}));
}

TEST_F(DeviceModels, DevicePointsByCategory) {
    CDevice& d = *testsupport::Found(doc.FindDevice(1));
    EXPECT_EQ(CDevDetailModel::Rows(d, 0).size(), 2u); // entry 0 is not listed
    const auto yx = CDevDetailModel::Rows(d, 1);
    ASSERT_EQ(yx.size(), 2u);
    EXPECT_EQ(yx[0].cells[6], "线路保护开关1");
    EXPECT_EQ(CDevDetailModel::Rows(d, 3).size(), 2u);
    EXPECT_EQ(CDevDetailModel::Rows(d, 2).size(), 0u);

    EXPECT_FALSE(CDevDetailModel::SetDescription(d, yx[0].itemData, ""));
    EXPECT_TRUE(CDevDetailModel::SetDescription(d, yx[0].itemData, "合位"));
    EXPECT_EQ(testsupport::Found(d.m_model.FindEntry(2, 1))->m_strDesc, "合位");
    // Characters the entry line of the configuration file cannot carry are stored as blanks.
    EXPECT_TRUE(CDevDetailModel::SetDescription(d, yx[0].itemData, "合位;A=1"));
    EXPECT_EQ(testsupport::Found(d.m_model.FindEntry(2, 1))->m_strDesc, "合位 A 1");

    // Deleting telecontrol entries needs the 遥控 tab and an imported model.
    EXPECT_FALSE(CDevDetailModel::DeleteTelecontrol(doc, 1, 3, {yx[1].itemData}));
    d.m_model.m_nFlag = 1;
    EXPECT_FALSE(CDevDetailModel::DeleteTelecontrol(doc, 1, 1, {yx[1].itemData}));
    d.m_model.m_groups[1].m_entries[2].m_bEnabled = 0;
    EXPECT_EQ(CDevDetailModel::Rows(d, 3)[1].colour, CDevDetailModel::kDisabledColour);
    // The row's own entry goes, though its index in the list differs from its index in the group.
    EXPECT_TRUE(CDevDetailModel::DeleteTelecontrol(doc, 1, 3, {yx[0].itemData}));
    const auto left = CDevDetailModel::Rows(d, 3);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].cells[6], "线路保护开关2");
    EXPECT_EQ(left[0].cells[3], "1");
}

TEST_F(DeviceModels, UnitAddressAndVoltageLevels) {
    EXPECT_TRUE(CPrjViewModel::SetUnitAddress(doc, "7", "70000"));
    EXPECT_EQ(doc.m_boardCfg.m_nUnitAddress, 65530);
    EXPECT_EQ(prompts.LastText(), "数值越限，自动设定为最大值!");
    EXPECT_TRUE(views.Has("root 演示--管理机[65530]"));
    CProjectTime t{2024, 3, 5, 8, 9, 10, 0};
    EXPECT_EQ(CPrjViewModel::Row(doc, t).cells[1], "2024-03-05 08:09:10");

    ASSERT_TRUE(CPrjbayModel::AddLevel(doc));
    EXPECT_EQ(CPrjbayModel::Rows(doc)[1].cells[1], "6kV");
    ASSERT_TRUE(CPrjbayModel::Rename(doc, 1, "110kV"));
    EXPECT_FALSE(CPrjbayModel::Rename(doc, 0, "110KV"));
    EXPECT_EQ(prompts.LastText(), "110KV已存在");
    // Renaming 220kV removes its bays with their equipment, after a Yes; No keeps everything.
    CPrjBay& bay = *doc.m_bays.GetById(0);
    bay.m_strVoltLevel = "220kV";
    prompts.Script({platform::Answer::No});
    EXPECT_FALSE(CPrjbayModel::Rename(doc, 0, "66kV"));
    EXPECT_EQ(prompts.LastText(), "更改电压等级220kV将同时删除其下的1个间隔及其一次设备，是否继续？");
    EXPECT_EQ(CPrjbayModel::Rows(doc)[0].cells[1], "220kV");
    EXPECT_EQ(doc.m_bays.GetSize(), 1);
    EXPECT_EQ(doc.m_prjDevices.GetSize(), 1);
    prompts.Script({platform::Answer::Yes});
    ASSERT_TRUE(CPrjbayModel::Rename(doc, 0, "66kV"));
    EXPECT_TRUE(doc.m_bays.IsEmpty());
    EXPECT_TRUE(doc.m_prjDevices.IsEmpty());
    CPrjbayModel::AddLevel(doc);
    CPrjbayModel::SortOrder(doc);
    EXPECT_EQ(doc.m_voltOrder.m_codes, (CIntArray{0, 3, 4}));
    CPrjbayModel::DeleteLevels(doc, {0, 2});
    EXPECT_EQ(doc.m_voltOrder.m_codes, (CIntArray{3}));
    EXPECT_EQ(doc.m_voltLevels.GetSize(), 1);
}

TEST_F(DeviceModels, EquipmentListEditsAndStableSort) {
    CPrjBay& bay = *doc.m_bays.GetById(0);
    EXPECT_FALSE(CEquipViewModel::AddEquipment(doc, bay));
    EXPECT_EQ(prompts.LastText(), "初始化失败：系统没有提供一次设备类型!");
    CNamePairRecord breaker;
    breaker.m_strName = "断路器";
    doc.m_equipmentLibrary.Add(breaker);
    ASSERT_TRUE(CEquipViewModel::AddEquipment(doc, bay));
    ASSERT_TRUE(CEquipViewModel::AddEquipment(doc, bay));
    EXPECT_EQ(bay.m_equipmentIds, (CIntArray{3, 0, 1}));
    CEquipViewModel::SetName(doc, bay, 1, "甲");
    CEquipViewModel::SetName(doc, bay, 2, "甲");
    CEquipViewModel::SetName(doc, bay, 0, "乙");
    // Equal names keep their order.
    CEquipViewModel::Sort(doc, bay, 2);
    EXPECT_EQ(bay.m_equipmentIds, (CIntArray{0, 1, 3}));
    CEquipViewModel::DeleteEquipment(doc, bay, {0, 1});
    EXPECT_EQ(bay.m_equipmentIds, (CIntArray{3}));
    EXPECT_TRUE(views.Has("bay 0"));
}

TEST_F(DeviceModels, EquipmentReferencesCheckTypeAndDoubleUse) {
    CPrjDevice& eq = *doc.m_prjDevices.GetById(3);
    // Equipment of another kind says why it takes no points.
    eq.m_settings.m_strType = "QF";
    EXPECT_EQ(CEquipDetailModel::WhyNoPoints(eq, 0),
              "设备类型断路器(类型QF)不能关联测点：只有类型为SYSTEM的设备类型可以关联测点！");
    eq.m_settings.m_strType = "SYSTEM";
    EXPECT_EQ(CEquipDetailModel::WhyNoPoints(eq, 0), "设备类型断路器没有引用表，不能关联测点！");
    eq.m_strVoltLevel = "220kV";
    eq.m_nBayId = 0;
    eq.m_settings.m_strType = "SYSTEM";
    CRefTable yk;
    yk.m_strName = "遥控";
    yk.m_nType = 3;
    COptionItem byte;
    byte.m_strName = "延时";
    byte.m_strKind = "BYTE";
    byte.m_strDefault = "5";
    byte.m_choices = {"0", "255"};
    yk.m_columns.Add(byte);
    eq.m_settings.m_tables.Add(yk);
    EXPECT_EQ(CEquipDetailModel::WhyNoPoints(eq, 0), "");

    EXPECT_EQ(CEquipDetailModel::AddRefPoint(doc, eq, 0, 1, 1, 1), 0);
    EXPECT_EQ(prompts.LastText(), "类型不对应!");
    ASSERT_EQ(CEquipDetailModel::AddRefPoint(doc, eq, 0, 1, 2, 1), 1);
    const CInfoEntry* info = testsupport::Found(doc.FindDeviceInfo(1, 2, 1));
    EXPECT_EQ(std::vector<int>(info->m_equip, info->m_equip + 5), (std::vector<int>{5, 0, 3, 0, 0}));
    EXPECT_EQ(eq.m_settings.m_tables[0].m_entries[0].m_values, (CStringArray{"5"}));

    CPrjDevice second;
    second.m_nId = 4;
    second.m_settings = eq.m_settings;
    second.m_settings.m_tables[0].m_entries.RemoveAll();
    doc.m_prjDevices.Insert(second);
    EXPECT_EQ(CEquipDetailModel::AddRefPoint(doc, *doc.m_prjDevices.GetById(4), 0, 1, 2, 1), 0);
    EXPECT_EQ(prompts.LastText(), "测点1-2-1已被关联到220kV线路间隔断路器1!");
    EXPECT_EQ(testsupport::Back(prompts.Messages()).caption, "告警");

    CPrjDevice& again = *doc.m_prjDevices.GetById(3);
    CRefTable& table = again.m_settings.m_tables[0];
    EXPECT_EQ(CEquipDetailModel::Rows(doc, table)[0].cells[6], "[线路保护]线路保护开关1");
    ASSERT_TRUE(CEquipDetailModel::SetOptionValue(table, 0, 7, "300"));
    EXPECT_EQ(table.m_entries[0].m_values[0], "255");
    table.m_entries.Add(Ref(3, 1, 1));
    EXPECT_EQ(CEquipDetailModel::Rows(doc, table)[1].cells[6], "无效引用，请删除该无效信息！");
    ASSERT_TRUE(CEquipDetailModel::DeleteRefs(doc, again, 0, {0}));
    EXPECT_EQ(info->m_equip[2], -1);
    EXPECT_EQ(table.m_entries.GetSize(), 1);
    EXPECT_EQ(CEquipDetailModel::TableOfCategory(again, 3), 0);
}

TEST_F(DeviceModels, RelatedDevicesOfEquipment) {
    CPrjDevice& eq = *doc.m_prjDevices.GetById(3);
    const auto rows = CEquipRefDevModel::Rows(doc, eq);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"2", "99", "", "", "", ""}));
    EXPECT_FALSE(CEquipRefDevModel::AddLinkedDevice(doc, eq, doc.FindDevice(2)));
    EXPECT_FALSE(CEquipRefDevModel::AddLinkedDevice(doc, eq, nullptr));
    EXPECT_TRUE(CEquipRefDevModel::AddLinkedDevice(doc, eq, doc.FindDevice(5)));
    CEquipRefDevModel::DeleteLinked(doc, eq, {0, 1});
    EXPECT_EQ(eq.m_linkedDevices, (CIntArray{2, 5}));
}

TEST_F(DeviceModels, ReplacingOrDeletingEquipmentReleasesItsPoints) {
    CPrjBay& bay = *doc.m_bays.GetById(0);
    CPrjDevice& eq = *doc.m_prjDevices.GetById(3);
    eq.m_settings.m_strType = "SYSTEM";
    CRefTable yc;
    yc.m_nType = 0;
    eq.m_settings.m_tables.Add(yc);
    ASSERT_EQ(CEquipDetailModel::AddRefPoint(doc, eq, 0, 2, 1, 1), 1);
    CNamePairRecord isolator;
    isolator.m_strName = "隔离刀闸";
    doc.m_equipmentLibrary.Add(isolator);
    ASSERT_TRUE(CEquipViewModel::SetType(doc, bay, 0, "隔离刀闸"));
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(2, 1, 1))->m_equip[2], -1);
    EXPECT_TRUE(doc.m_prjDevices.GetById(3)->m_settings.m_tables.IsEmpty());
    // The point is free for other equipment again.
    CPrjDevice& again = *doc.m_prjDevices.GetById(3);
    again.m_settings.m_strType = "SYSTEM";
    again.m_settings.m_tables.Add(yc);
    ASSERT_EQ(CEquipDetailModel::AddRefPoint(doc, again, 0, 2, 1, 1), 1);
    // Deleting the level removes its bay with the equipment, after a Yes.
    bay.m_strVoltLevel = "220kV";
    prompts.Script({platform::Answer::No});
    CPrjbayModel::DeleteLevels(doc, {0});
    EXPECT_EQ(prompts.LastText(),
              "删除电压等级220kV将同时删除其下的1个间隔及其一次设备(含1处测点关联)，是否继续？");
    EXPECT_EQ(doc.m_voltOrder.m_codes.size(), 1u);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(2, 1, 1))->m_equip[2], 3);
    prompts.Script({platform::Answer::Yes});
    CPrjbayModel::DeleteLevels(doc, {0});
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(2, 1, 1))->m_equip[0], -1);
    EXPECT_TRUE(doc.m_prjDevices.IsEmpty());
}

TEST_F(DeviceModels, DeletingABayReleasesThePointsOfItsEquipment) {
    CPrjDevice& eq = *doc.m_prjDevices.GetById(3);
    eq.m_nBayId = 0;
    eq.m_settings.m_strType = "SYSTEM";
    CRefTable yc;
    yc.m_nType = 0;
    eq.m_settings.m_tables.Add(yc);
    ASSERT_EQ(CEquipDetailModel::AddRefPoint(doc, eq, 0, 2, 1, 1), 1);
    ASSERT_EQ(CEquipDetailModel::AddRefPoint(doc, eq, 0, 2, 1, 2), 1);
    ASSERT_EQ(CEquipDetailModel::AddRefPoint(doc, eq, 0, 1, 1, 1), 1);
    // Showing the rows writes nothing into the points; moving and sorting keep the links' rows.
    testsupport::Found(doc.FindDeviceInfo(2, 1, 1))->m_equip[4] = 7;
    CEquipDetailModel::Rows(doc, eq.m_settings.m_tables[0]);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(2, 1, 1))->m_equip[4], 7);
    ASSERT_TRUE(CEquipDetailModel::MoveRefs(doc, eq, 0, {0, 1}, 3));
    EXPECT_EQ(eq.m_settings.m_tables[0].m_entries[0].m_nAddress, 1);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(1, 1, 1))->m_equip[4], 0);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(2, 1, 1))->m_equip[4], 1);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(2, 1, 2))->m_equip[4], 2);
    ASSERT_TRUE(CEquipDetailModel::SortRefs(doc, eq, 0));
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(1, 1, 1))->m_equip[4], 0);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(2, 1, 2))->m_equip[4], 2);
    ASSERT_TRUE(CEquipDetailModel::DeleteRefs(doc, eq, 0, {0}));
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(1, 1, 1))->m_equip[2], -1);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(2, 1, 1))->m_equip[4], 0);

    CVoltLevel* level = doc.m_voltLevels.GetById(doc.m_voltOrder.m_codes[0]);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(CBayListModel::DeleteBays(doc, *level, {0}), 1);
    EXPECT_TRUE(doc.m_bays.IsEmpty());
    EXPECT_TRUE(doc.m_prjDevices.IsEmpty());
    for (int entry : {1, 2}) {
        const CInfoEntry* info = testsupport::Found(doc.FindDeviceInfo(2, 1, entry));
        EXPECT_EQ(std::vector<int>(info->m_equip, info->m_equip + 5), (std::vector<int>(5, -1))) << entry;
    }
}
