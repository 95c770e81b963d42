#include "editors/model/ProjectTreeModel.h"
#include "editors/model/PortPointExport.h"
#include "tests/editors/EditorFixture.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using namespace projectmodel;
using namespace editors;

namespace {

std::vector<std::string> Texts(const std::vector<CTreeNode>& nodes) {
    std::vector<std::string> texts;
    for (const CTreeNode& n : nodes)
        texts.push_back(n.text);
    return texts;
}

CPathRecord Path(std::initializer_list<int> slots) {
    CPathRecord p;
    p.depth = static_cast<int>(slots.size()) - 1;
    int k = 0;
    for (int s : slots)
        p.data[static_cast<std::size_t>(k++)] = s;
    return p;
}

} // namespace

TEST(ProjectTreeModel, TheWholeProjectInItsFourBranches) {
    editortest::Project project;
    const CTreeNode root = BuildProjectTree(*project.doc);
    EXPECT_EQ(root.text, "演示--管理机[7]");
    ASSERT_EQ(root.children.size(), 4u);
    EXPECT_EQ(Texts(root.children), (std::vector<std::string>{"对时源", "装置配置", "间隔配置", "规约配置"}));
    EXPECT_EQ(root.children[2].itemData, kItemBays);
    EXPECT_EQ(root.children[3].itemData, kItemProtocols);

    const CTreeNode& list = root.children[1].children[0];
    EXPECT_EQ(Texts(list.children),
              (std::vector<std::string>{"装置1[线路保护]", "装置2[主变测控]", "装置5[母线保护]"}));
    EXPECT_EQ(list.children[2].itemData, 2);
    const CTreeNode& virtuals = root.children[1].children[1];
    ASSERT_EQ(virtuals.children.size(), 3u);
    EXPECT_EQ(virtuals.children[2].text, "装置65532[自定义装置]");
    EXPECT_EQ(virtuals.children[2].itemData, 2);

    // The equipment's device list names a device the project does not hold: it is skipped, and the
    // information list counts every listed address.
    const CTreeNode& equipment = root.children[2].children[0].children[0].children[0];
    EXPECT_EQ(equipment.text, "断路器1[断路器]");
    EXPECT_EQ(Texts(equipment.children),
              (std::vector<std::string>{"装置1[线路保护]", "装置2[主变测控]", "信息列表"}));
    EXPECT_EQ(equipment.children[1].itemData, 2);
    EXPECT_EQ(equipment.children[2].itemData, 3);

    const CTreeNode& board = root.children[3].children[0];
    EXPECT_EQ(board.text, "板卡1[通讯板]");
    EXPECT_EQ(board.children[0].text, "串口[2个]");
    const CTreeNode& port = board.children[0].children[0];
    EXPECT_EQ(port.text, "串口0<地址0 P103>");
    EXPECT_EQ(Texts(port.children),
              (std::vector<std::string>{"装置1[线路保护]", "装置2[主变测控]", "转发表"}));
    EXPECT_EQ(port.children[2].image, kImageConfig);
    EXPECT_EQ(port.children[2].itemData, 2);
    // A port shows its number within its group, then its address (its running number in its type).
    CPortRecord second = project.Port(0, 1);
    second.m_nRunning = 3;
    second.m_protocol.m_strName = "P103";
    EXPECT_EQ(PortNodeText(second), "串口1<地址3 P103>");
    EXPECT_EQ(PortExportFileName(second), "串口1(规约：P103)测点");
}

TEST(ProjectTreeModel, VirtualDeviceNodesAreNumberedByTheirAddress) {
    editortest::Project project;
    project.doc->m_devices.RemoveAt(project.doc->m_devices.FindIndexByAddress(kStatusDeviceAddress));
    const std::vector<CTreeNode> nodes = VirtualDeviceNodes(*project.doc);
    ASSERT_EQ(nodes.size(), 2u);
    // With 65530 absent, 65531 keeps 1 and so still opens the composite view.
    EXPECT_EQ(nodes[0].itemData, 1);
    EXPECT_EQ(nodes[1].itemData, 2);
    // So 65531 opens the device points view and 65532 the virtual points view.
    EXPECT_EQ(ChooseLeftView(Path({0, 1, 3, 0}), kImageVirtual).kind, kViewConfigGIN);
    EXPECT_EQ(ChooseLeftView(Path({0, 1, 3, 1}), kImageVirtual).kind, kViewConfigGINVir);
}

TEST(ProjectTreeModel, PruningDropsAddressesWithoutADevice) {
    editortest::Project project;
    CPortRecord& port = project.Port(0, 0);
    port.m_protocol.m_deviceAddresses = {1, 42, 2, 43};
    EXPECT_EQ(PrunePortDevices(*project.doc, port), 2);
    EXPECT_EQ(port.m_protocol.m_deviceAddresses, (CIntArray{1, 2}));
    EXPECT_EQ(PortConfigNodes(port)[0].itemData, 2);
}

TEST(ProjectTreeModel, LeftViewByPath) {
    EXPECT_EQ(ChooseLeftView(Path({0}), 0).kind, kViewConfigPrj);
    EXPECT_EQ(ChooseLeftView(Path({0, 0}), 1).kind, kViewAdjusttime);
    EXPECT_EQ(ChooseLeftView(Path({0, 1}), 12).kind, kViewConDevList);
    EXPECT_EQ(ChooseLeftView(Path({0, 4}), 3).kind, kViewConfigBan);
    EXPECT_EQ(ChooseLeftView(Path({0, 5}), 8).kind, kViewConfigPrjbay);
    EXPECT_EQ(ChooseLeftView(Path({0, 4, 0}), 4).kind, kViewConfigPort);
    const CLeftViewChoice list = ChooseLeftView(Path({0, 1, 2}), 2);
    EXPECT_EQ(list.kind, kViewDevinfolist);
    EXPECT_TRUE(list.marked);
    EXPECT_EQ(ChooseLeftView(Path({0, 1, 3}), 13).kind, kViewConfigPortForm);
    EXPECT_FALSE(ChooseLeftView(Path({0, 1, 3}), 13).marked);
    EXPECT_EQ(ChooseLeftView(Path({0, 5, 0}), 9).kind, kViewConfigBay);
    EXPECT_EQ(ChooseLeftView(Path({0, 4, 0, 1}), 6).kind, kViewConfigPort);
    EXPECT_EQ(ChooseLeftView(Path({0, 5, 0, 0}), 10).kind, kViewConfigEquip);
    EXPECT_EQ(ChooseLeftView(Path({0, 1, 2, 4}), 7).kind, kViewConfigDevDetail);
    EXPECT_TRUE(ChooseLeftView(Path({0, 4, 0, 0, 1}), 6).marked);
    EXPECT_EQ(ChooseLeftView(Path({0, 5, 0, 0, 0}), 11).kind, kViewEquipRefDevList);
    EXPECT_EQ(ChooseLeftView(Path({0, 4, 0, 0, 0, 1}), kImageDevice).kind, kViewConfigGIN);
    EXPECT_EQ(ChooseLeftView(Path({0, 4, 0, 0, 0, 2}), kImageConfig).kind, kViewConfigPortCon);
    EXPECT_EQ(ChooseLeftView(Path({0, 5, 0, 0, 0, 0}), kImageDevice).kind, kViewConfigUnitDetail);
    EXPECT_EQ(ChooseLeftView(Path({0, 5, 0, 0, 0, 2}), kImageConfig).kind, kViewConfigEquipDetail);
    EXPECT_EQ(ChooseLeftView(Path({0, 9}), 0).kind, kViewConfigView);
    EXPECT_STREQ(ViewClassName(kViewConfigEquipDetail), "CConfigEquipDetailView");
}

TEST(ProjectTreeModel, RightPaneFollowsMarkedViewsMadeAnew) {
    EXPECT_EQ(DecideRightPane(true, kViewDevinfolist, "", false), RightPaneAction::ShowSelDev);
    EXPECT_EQ(DecideRightPane(true, kViewConfigPortForm, "device", false), RightPaneAction::ShowSelDev);
    EXPECT_EQ(DecideRightPane(true, kViewConfigPortForm, "SYSTEM", true), RightPaneAction::ShowAllPoints);
    EXPECT_EQ(DecideRightPane(true, kViewConfigPortForm, "SYSTEM", false), RightPaneAction::Keep);
    // A view that stayed is not marked: the device model list gives way to the all-points view.
    EXPECT_EQ(DecideRightPane(false, kViewConfigPortForm, "DEVICE", true), RightPaneAction::ShowAllPoints);
    EXPECT_EQ(DecideRightPane(false, kViewConfigPrj, "", false), RightPaneAction::Keep);
}

TEST(ProjectTreeModel, PortMenuAndPaste) {
    testsupport::PromptRecorder prompts;
    editortest::Project project;
    const CPortMenuState none = PortMenuState(project.Port(0, 1), true);
    EXPECT_FALSE(none.copy);
    EXPECT_TRUE(none.paste);
    EXPECT_FALSE(none.exportPoints);
    EXPECT_FALSE(PortMenuState(project.Port(0, 1), false).paste);
    const CPortMenuState device = PortMenuState(project.Port(1, 0), true);
    EXPECT_FALSE(device.copy || device.paste || device.exportPoints);
    const CPortMenuState system = PortMenuState(project.Port(0, 0), false);
    EXPECT_TRUE(system.copy && system.exportPoints);

    EXPECT_EQ(PastePortConfig(&project.Port(0, 0), &project.Port(1, 0)), PasteResult::TypeMismatch);
    EXPECT_EQ(prompts.LastText(), "端口类型不一致！");
    EXPECT_EQ(project.Port(1, 0).m_protocol.m_strName, "P104");
    EXPECT_EQ(PastePortConfig(&project.Port(0, 0), &project.Port(0, 0)), PasteResult::Nothing);
    // A port of the same number on another group is a real target.
    project.Port(0, 1).m_nNumber = 0;
    EXPECT_EQ(PastePortConfig(&project.Port(0, 0), &project.Port(0, 1)), PasteResult::Pasted);
    EXPECT_EQ(project.Port(0, 1).m_protocol.m_strName, "P103");
}

TEST(ProjectTreeModel, PointExportSheets) {
    editortest::Project project;
    CPortRecord& port = project.Port(0, 0);
    CRefTable table;
    table.m_strName = "遥测表";
    COptionItem column;
    column.ParseDefinition("[华北]系数,FLOAT,1", nullptr);
    table.m_columns.Add(column);
    column.ParseDefinition("[华东]死区,INT,0", nullptr);
    table.m_columns.Add(column);
    CRefTableEntry entry;
    entry.m_nAddress = 1;
    entry.m_nGroup = 1;
    entry.m_nEntry = 2;
    entry.m_values = {"0.5", "3"};
    table.m_entries.Add(entry);
    entry.m_nEntry = 9;
    table.m_entries.Add(entry);
    port.m_protocol.m_tables.Add(table);
    CItemRecord region;
    region.m_items.Add(column);
    region.m_items[0].ParseDefinition("规约适用地区,ENUM,华北(华北,华东)", nullptr);
    region.m_rows.push_back({"华北"});
    port.m_protocol.m_groups.Add(region);
    testsupport::Found(testsupport::Found(project.doc->FindDevice(1))->m_model.FindEntry(1, 2))->m_strDesc =
        "[别名]电流";

    EXPECT_EQ(CountPortPoints(port), 2);
    const std::vector<CPointSheet> sheets = PortPointSheets(*project.doc, port);
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].name, "遥测表");
    EXPECT_EQ(sheets[0].headers.back(), "系数");
    EXPECT_EQ(sheets[0].headers.size(), 8u);
    EXPECT_EQ(sheets[0].rows[0],
              (std::vector<std::string>{"1", "1", "1", "2", "-1", "-1", "[别名]电流", "0.5"}));
    EXPECT_EQ(sheets[0].rows[1][6], "无效引用！");
    testsupport::Found(testsupport::Found(project.doc->FindDevice(1))->m_model.FindEntry(1, 2))->m_strDesc =
        "[电流";
    EXPECT_EQ(PortPointSheets(*project.doc, port)[0].rows[0][6], "[线路保护][电流");

    EXPECT_EQ(PortExportFileName(port), "串口0(规约：P103)测点");
    EXPECT_EQ(WithXlsxExtension("/tmp/a.XLSX"), "/tmp/a.XLSX");
    EXPECT_EQ(WithXlsxExtension("/tmp/a.xls"), "/tmp/a.xlsx");
    EXPECT_EQ(WithXlsxExtension("/tmp/a"), "/tmp/a.xlsx");
}
