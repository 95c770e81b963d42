// The point views' rows and operations and the expression editors' rules, without widgets.
#include "points/CompositeExprEdit.h"
#include "points/PointRows.h"
#include "points/TapToYcEdit.h"
#include "points/TapToYxEdit.h"
#include "points/VirtualPoints.h"
#include "points/YxToTapEdit.h"
#include "tests/support/Found.h"

#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using namespace points;
using namespace projectmodel;
using platform::Answer;

namespace {

CInfoGroup Group(const std::string& name, int type, int number,
                 std::vector<std::pair<int, std::string>> entries) {
    CInfoGroup g;
    g.m_strName = name;
    g.m_nType = type;
    g.m_nGroupNo = number;
    for (auto& [n, desc] : entries) {
        CInfoEntry e;
        e.m_nSeq = n;
        e.m_nGroup = number;
        e.m_nEntry = n;
        e.m_nFun = 200;
        e.m_nInf = n;
        e.m_strDesc = desc;
        e.m_strGroupName = name;
        g.m_entries.InsertSorted(e);
    }
    return g;
}

class PointModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        CProjectContext::Reset();
        CDevice a;
        a.m_nAddress = 1;
        a.m_strDescription = "线路保护";
        a.m_nKind = kDeviceOrdinary;
        a.m_model.m_groups.Add(Group("遥测", 0, 1, {{1, "Ia"}, {2, "[X]Ib"}, {0, "unused"}}));
        a.m_model.m_groups.Add(Group("遥信", 1, 2, {{1, "跳闸"}, {2, "[无括号"}}));
        a.m_model.m_groups.Add(Group("遥信遥控", 7, 3, {{1, "开关"}}));
        a.m_model.m_groups.Add(Group("档位", 5, 4, {{1, "主变档位"}}));
        doc.m_devices.Insert(a);
        CDevice b;
        b.m_nAddress = 2;
        b.m_strDescription = "测控";
        b.m_nKind = kDeviceOrdinary;
        b.m_model.m_groups.Add(Group("遥测", 0, 1, {{1, "P"}}));
        doc.m_devices.Insert(b);
        doc.m_devices.Insert(CDevice(kDeviceComposite));
        doc.MakeCurrent();
    }
    void TearDown() override { CProjectContext::Reset(); }

    CDeviceTemplate& Composite() {
        return testsupport::Found(doc.FindDevice(kCompositeDeviceAddress))->m_model;
    }
    static std::vector<std::string> Column(const std::vector<CPointRow>& rows, std::size_t c) {
        std::vector<std::string> out;
        for (const auto& r : rows)
            out.push_back(r.texts.at(c));
        return out;
    }

    CConfigDoc doc;
    testsupport::PromptRecorder prompts;
};

TEST_F(PointModelTest, AllPointRowsByDeviceAndTab) {
    EXPECT_EQ(PointDisplayText("D", "x"), "[D]x");
    EXPECT_EQ(PointDisplayText("D", "[A]x"), "[A]x");
    EXPECT_EQ(PointDisplayText("D", "[Ax"), "[D][Ax");

    auto rows = BuildAllPointRows(doc, 0, -1);
    EXPECT_EQ(Column(rows, 7), (std::vector<std::string>{"[线路保护]Ia", "[X]Ib", "[测控]P"}));
    EXPECT_EQ(rows[2].texts, (std::vector<std::string>{"3", "2", "遥测", "1", "1", "200", "1", "[测控]P"}));
    rows = BuildAllPointRows(doc, 0, 1);
    EXPECT_EQ(Column(rows, 7), (std::vector<std::string>{"Ia", "[X]Ib"}));
    // Combined telesignal/telecontrol groups show on both tabs; a gone device lists every device.
    EXPECT_EQ(Column(BuildAllPointRows(doc, 1, 1), 2),
              (std::vector<std::string>{"遥信", "遥信", "遥信遥控"}));
    EXPECT_EQ(Column(BuildAllPointRows(doc, 3, 99), 7), (std::vector<std::string>{"[线路保护]开关"}));
    EXPECT_TRUE(BuildAllPointRows(doc, 7, -1).empty());

    rows = BuildAllPointRows(doc, 0, -1);
    EXPECT_EQ(KeysOfRows(rows, {2, 0}), (std::vector<CPointKey>{{2, 1, 1}, {1, 1, 1}}));

    auto combo = BuildDeviceCombo(doc);
    ASSERT_EQ(combo.size(), 4u);
    EXPECT_EQ(combo[0].text, "所有装置");
    EXPECT_EQ(combo[2].text, "装置2[测控]");
    int current = -1;
    EXPECT_EQ(SelectDeviceComboItem(combo, current), 1);
    EXPECT_EQ(current, 1);
    current = 2;
    EXPECT_EQ(SelectDeviceComboItem(combo, current), 2);
}

TEST_F(PointModelTest, DevicePointRowsCaptionAndRename) {
    CDevice& d = *testsupport::Found(doc.FindDevice(1));
    d.m_nBoard = 1;
    EXPECT_EQ(DeviceCaption(d), "板卡2装置1[线路保护]组态:");
    auto rows = BuildDevicePointRows(d.m_model, 1);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].texts, (std::vector<std::string>{"1", "遥信", "2", "1", "200", "1", "跳闸", ""}));
    EXPECT_EQ(rows[0].data, 2 * 65536 + 1);
    std::string cell;
    EXPECT_FALSE(RenamePoint(d.m_model, 2, 1, "跳闸", "  跳闸 ", cell));
    EXPECT_TRUE(RenamePoint(d.m_model, 2, 1, "跳闸", " 保护跳闸 ", cell));
    EXPECT_EQ(cell, "保护跳闸");
    EXPECT_EQ(testsupport::Found(d.m_model.FindEntry(2, 1))->m_strDesc, "保护跳闸");
}

TEST_F(PointModelTest, TreePathsFindTheirDevice) {
    doc.m_devices.Insert(CDevice(kDeviceStatus));
    std::array<int, 7> items{0, 1, 3, 0, -1, -1, -1};
    EXPECT_EQ(DeviceOfTreePath(doc, 3, items)->m_nAddress, kStatusDeviceAddress);
    items[3] = 2;
    EXPECT_EQ(DeviceOfTreePath(doc, 3, items), nullptr); // no custom device
    CBoardInfo board;
    CPortArray group;
    CPortRecord port;
    port.m_protocol.m_deviceAddresses = {7, 2};
    group.Add(port);
    board.m_ports.Add(group);
    doc.m_boardCfg.m_boards.Add(board);
    EXPECT_EQ(DeviceOfTreePath(doc, 5, {0, 4, 0, 0, 0, 1, -1})->m_nAddress, 2);
    EXPECT_EQ(DeviceOfTreePath(doc, 5, {0, 4, 0, 0, 0, 0, -1}), nullptr);
    EXPECT_EQ(DeviceOfTreePath(doc, 5, {0, 4, 0, 0, 1, 0, -1}), nullptr);
}

// Deleting a composite signal that others use leaves them short: an AND of it and a point goes,
// and so does an OR that had that AND among its three operands.
TEST_F(PointModelTest, DeletingACompositeDeletesThoseItLeavesShortOfOperands) {
    CVirtualPoints vp(doc);
    auto op = [](int address, int group, int entry) {
        CExprOperand o;
        o.m_nKind = 1;
        o.m_nAddress = address;
        o.m_nGroup = group;
        o.m_nEntry = entry;
        return o;
    };
    CInfoGroup group = Group("遥信", 1, 11, {{1, "非跳闸"}, {2, "与"}, {3, "或"}, {4, "非P"}});
    auto set = [&](int entry, std::uint8_t code, CExprOperandArray operands) {
        CInfoEntry* e = testsupport::Found(group.m_entries.GetByEntryNo(entry));
        e->m_expr.m_nOperator = code;
        e->m_expr.m_operands = std::move(operands);
    };
    set(1, 7, {op(1, 2, 1)});
    set(2, 8, {op(kCompositeDeviceAddress, 11, 1), op(1, 2, 2)});
    set(3, 9, {op(kCompositeDeviceAddress, 11, 1), op(kCompositeDeviceAddress, 11, 2), op(1, 2, 2)});
    set(4, 7, {op(2, 1, 1)});
    Composite().m_groups.Add(group);
    prompts.Script({Answer::Yes});
    ASSERT_TRUE(vp.Delete({{11, 1}}));
    for (int entry : {1, 2, 3})
        EXPECT_EQ(Composite().FindEntry(11, entry), nullptr) << entry;
    EXPECT_NE(Composite().FindEntry(11, 4), nullptr);
    const auto asked = prompts.Messages();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].text, "以下复合信号引用的信息已删除，余下的操作数不够其运算符所需，已一并删除：\n"
                             "复合信号(65531-11-2) 与\n复合信号(65531-11-3) 或");
    EXPECT_EQ(asked[1].caption, "删除信息");
}

TEST_F(PointModelTest, VirtualPointsNumberStoreAndMove) {
    CVirtualPoints vp(doc);
    for (int g = 1; g <= 9; ++g)
        Composite().m_groups.Add(Group("其他", 6, g, {}));
    CVirtualPointEdit edit;
    ASSERT_TRUE(vp.Propose(VirtualKind::YxComposite, edit));
    EXPECT_EQ(edit.group, 11);
    EXPECT_EQ(edit.entry, 1);
    EXPECT_EQ(edit.name, "复合信号(65531-11-1)");
    EXPECT_EQ(vp.StoreNew(VirtualKind::YxComposite, edit), 0); // no expression, nothing stored
    edit.expr.emplace();
    edit.expr->m_nOperator = 9;
    EXPECT_EQ(vp.StoreNew(VirtualKind::YxComposite, edit), 1);
    ASSERT_TRUE(Composite().FindGroup(11));
    EXPECT_EQ(testsupport::Found(Composite().FindGroup(11))->m_nType, 1);

    ASSERT_TRUE(vp.Propose(VirtualKind::YxWarning, edit));
    EXPECT_EQ(edit.name, "预告警信号(65531-10-1)");
    edit.expr.emplace();
    EXPECT_EQ(vp.StoreNew(VirtualKind::YxWarning, edit), 1);
    ASSERT_TRUE(vp.Propose(VirtualKind::YxAccident, edit));
    EXPECT_EQ(edit.group, 10);
    EXPECT_EQ(edit.entry, 2);
    EXPECT_EQ(edit.name, "事故总信号(65531-10-2)");
    // A second warning signal asks before replacing; No stores nothing.
    ASSERT_TRUE(vp.Propose(VirtualKind::YxWarning, edit));
    edit.name = "second";
    edit.expr.emplace();
    prompts.Script({Answer::No});
    EXPECT_EQ(vp.StoreNew(VirtualKind::YxWarning, edit), 0);
    EXPECT_EQ(prompts.LastText(), "已有相同(分组|条目)的表达式, 将要替换原有的表达式吗?");
    EXPECT_EQ(testsupport::Found(Composite().FindEntry(10, 1))->m_strDesc, "预告警信号(65531-10-1)");

    // Copy and paste: not into group 10 on tab 1.
    vp.Copy(10 * 65536 + 1);
    EXPECT_FALSE(vp.CanPaste(1));
    vp.Copy(11 * 65536 + 1);
    EXPECT_TRUE(vp.CanPaste(1));
    EXPECT_FALSE(vp.CanPaste(0)); // a telesignal group is not a telemeasurement's
    EXPECT_EQ(vp.Paste(1), 1);
    EXPECT_EQ(testsupport::Found(Composite().FindEntry(11, 2))->m_strDesc, "复合信号(65531-11-2)");
    EXPECT_EQ(testsupport::Found(Composite().FindEntry(11, 2))->m_expr.m_nOperator, 9);

    // A changed key moves the point.
    CVirtualPointEdit changed;
    ASSERT_TRUE(vp.EditOf(11, 2, changed));
    changed.entry = 7;
    EXPECT_EQ(vp.StoreChanged(VirtualKind::YxComposite, 11, 2, changed), 1);
    EXPECT_FALSE(Composite().FindEntry(11, 2));
    EXPECT_TRUE(Composite().FindEntry(11, 7));

    auto rows = vp.Rows(1);
    EXPECT_EQ(Column(rows, 3), (std::vector<std::string>{"1", "7", "1"}));
    EXPECT_EQ(rows[1].data, 11 * 65536 + 7);
    EXPECT_EQ(testsupport::Found(Composite().FindEntry(11, 7))->m_nSeq, 2);

    vp.Delete({{11, 1}, {11, 7}});
    EXPECT_EQ(vp.Rows(1).size(), 1u);
    vp.Copy(11 * 65536 + 1);
    EXPECT_FALSE(vp.CanPaste(1));

    VirtualKind kind;
    prompts.Clear();
    EXPECT_FALSE(CVirtualPoints::KindOfVyx(3, kind));
    EXPECT_EQ(prompts.LastText(),
              "程序错误：未定义的虚遥信转换！\n错误位置：void CConfigGINVirView::AddVyx(int nType)");
}

TEST_F(PointModelTest, VirtualRowsOpenTheirEditor) {
    CVirtualPoints vp(doc);
    CInfoGroup g = Group("遥信", 1, 1, {{1, "a"}, {2, "b"}, {3, "c"}});
    g.m_entries[0].m_expr.m_nOperator = 17;
    g.m_entries[1].m_expr.m_nOperator = 26;
    g.m_entries[2].m_expr.m_nOperator = 8;
    Composite().m_groups.Add(g);
    CInfoGroup m = Group("遥测", 0, 2, {{1, "x"}});
    m.m_entries[0].m_expr.m_nOperator = 25;
    Composite().m_groups.Add(m);
    EXPECT_EQ(vp.EditorFor("遥信", 1, 1), VirtualEditor::YBToYXEJZ);
    EXPECT_EQ(vp.EditorFor("遥信", 1, 2), VirtualEditor::YBToYXBCD);
    EXPECT_EQ(vp.EditorFor("遥信", 1, 3), VirtualEditor::YXExpr);
    EXPECT_EQ(vp.EditorFor("遥测", 2, 1), VirtualEditor::YBToYC);
    EXPECT_EQ(vp.EditorFor("其他", 2, 1), VirtualEditor::None);
}

TEST_F(PointModelTest, CompositeTelemeasurementRules) {
    CCompositeExprEdit e(CCompositeExprEdit::YC, &doc);
    e.Open();
    EXPECT_EQ(e.m_nOperator, 11);
    EXPECT_EQ(e.OperatorIndex(), 0);
    EXPECT_EQ(Column(e.SourceRows(), 3),
              (std::vector<std::string>{"[线路保护]unused", "[线路保护]Ia", "[X]Ib", "[测控]P"}));
    e.m_nGroup = 1;
    e.SetOperator(12);
    EXPECT_TRUE(e.AddPoints({{1, 1, 1}, {1, 1, 2}, {2, 1, 1}}));
    EXPECT_EQ(e.m_expr->m_operands.size(), 3u);
    EXPECT_EQ(e.m_expr->m_nOperator, 12);
    EXPECT_FALSE(e.AddNumber("5"));
    EXPECT_EQ(prompts.LastText(), "操作数超过2个，无法添加新操作数！");
    e.m_nEntry = 1;
    EXPECT_FALSE(e.Accept(0));
    e.Remove({2});
    EXPECT_TRUE(e.Accept(0));
    e.SetOperator(11);
    e.AddNumber("7");
    e.AddNumber("8");
    e.SetOperator(14);
    EXPECT_EQ(prompts.LastText(), "操作数超过2个，删除多余操作数！");
    EXPECT_EQ(e.m_expr->m_operands.size(), 2u);
    EXPECT_TRUE(e.MoveDown(0));
    EXPECT_FALSE(e.MoveDown(1));
    auto rows = e.OperandRows();
    EXPECT_EQ(rows[0].texts[3], "[X]Ib");

    // The device address typed over: an unknown point is asked about.
    std::string first, last;
    prompts.Script({Answer::No});
    EXPECT_FALSE(e.EditOperand(0, "1", "9", first, last));
    EXPECT_EQ(prompts.LastText(), "装置地址：9，组号：1，条目号：2 为无效测点，确认要修改么？");
    EXPECT_EQ(e.m_expr->m_operands[0].m_nAddress, 1);
    prompts.Script({Answer::Yes});
    EXPECT_TRUE(e.EditOperand(0, "1", "9", first, last));
    EXPECT_EQ(last, "无效引用");
    EXPECT_EQ(e.OperandRows()[0].texts[3], "无效引用");
    e.m_nEntry = 256;
    EXPECT_FALSE(e.Accept(0));
    EXPECT_EQ(prompts.LastText(), "请输入一个在 1 和 255 之间的整数。");

    CCompositeExprEdit foreign(CCompositeExprEdit::YC, &doc);
    foreign.m_expr.emplace();
    foreign.m_expr->m_nOperator = 9;
    foreign.Open();
    EXPECT_EQ(prompts.LastText(), "表达式运算符错误！");
}

// Every operator of a measurement composite ("＋", "－", "×", "/") works on two operands: one is
// refused with the message, whatever the operator, and two are taken.
TEST_F(PointModelTest, AMeasurementCompositeNeedsTwoOperandsForEveryOperator) {
    for (int op = 11; op <= 14; ++op) {
        SCOPED_TRACE(op);
        CCompositeExprEdit e(CCompositeExprEdit::YC, &doc);
        e.Open();
        e.m_nGroup = 1;
        e.m_nEntry = 1;
        e.SetOperator(op);
        ASSERT_TRUE(e.AddPoints({{1, 1, 1}}));
        prompts.Clear();
        EXPECT_FALSE(e.Accept(0));
        ASSERT_EQ(prompts.Count(), 1u);
        EXPECT_EQ(prompts.Messages()[0].text, "操作数不得少于2个！");
        ASSERT_TRUE(e.AddPoints({{1, 1, 2}}));
        EXPECT_TRUE(e.Accept(0)) << prompts.LastText();
    }
}

TEST_F(PointModelTest, CompositeTelesignalRules) {
    CCompositeExprEdit e(CCompositeExprEdit::YX, &doc);
    e.Open();
    EXPECT_EQ(e.Operators()[e.OperatorIndex()].caption, "或(or)");
    e.m_nGroup = 1;
    e.m_nEntry = 1;
    EXPECT_FALSE(e.Accept(0));
    EXPECT_EQ(prompts.LastText(), "操作数太少！");
    e.AddPoints({{1, 2, 1}, {1, 2, 2}, {1, 3, 1}});
    e.SetOperator(7);
    EXPECT_EQ(e.m_expr->m_operands.size(), 1u);
    EXPECT_FALSE(e.AddPoints({{1, 2, 2}}));
    EXPECT_EQ(prompts.LastText(), "操作数超过1个，无法添加新操作数！");
    e.Remove({0});
    // "非(not)" with no operand left has nothing to negate.
    prompts.Clear();
    EXPECT_FALSE(e.Accept(0));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"操作数太少！"});
    e.AddPoints({{1, 2, 2}});
    EXPECT_TRUE(e.Accept(0));
    e.Remove({0});
    e.SetOperator(8);
    EXPECT_FALSE(e.Accept(0));
    EXPECT_EQ(prompts.LastText(), "操作数不得少于2个！");
    e.AddNumber("5");
    e.AddNumber("1");
    EXPECT_FALSE(e.Accept(5));
    EXPECT_EQ(prompts.LastText(), "请输入一个在 0 和 1 之间的整数。");
    EXPECT_EQ(e.OperandRows()[0].texts, (std::vector<std::string>{"5", "", "", "直接数"}));
    // With the field right, the operand 5 is still a value no telesignal has.
    EXPECT_FALSE(e.Accept(1));
    EXPECT_EQ(prompts.LastText(), "直接数5不是遥信值，遥信表达式的直接数只能为0或1！");
    std::string first, last;
    EXPECT_TRUE(e.EditOperand(0, "5", "0", first, last));
    EXPECT_TRUE(e.Accept(1));
    EXPECT_EQ(e.m_expr->m_operands.size(), 2u);
}

// The key of a computed point: its group keeps one category, group 10 keeps the warning and
// accident-total signals, numbers stay in range; the view's store keeps to the same rule.
TEST_F(PointModelTest, CompositeKeysKeepToTheirGroups) {
    Composite().m_groups.Add(Group("遥测", 0, 1, {{1, "a"}}));
    Composite().m_groups.Add(Group("遥测", 0, 10, {{3, "旧文件的遥测"}}));
    Composite().m_groups.Add(Group("档位", 5, 3, {{1, "b"}}));
    struct Case {
        int category, group, entry;
        const char* message;
    };
    const Case refused[] = {
        {kInfoTypeYX, 1, 2, "组号1已是遥测分组，不能放入遥信测点！"},
        {kInfoTypeYC, 3, 2, "组号3已是步位置分组，不能放入遥测测点！"},
        {kInfoTypeYC, 10, 4, "组号10只用于预告信号(条目1)和事故总信号(条目2)，不能放入其他测点！"},
        {kInfoTypeYX, 10, 5, "组号10只用于预告信号(条目1)和事故总信号(条目2)，不能放入其他测点！"},
        {kInfoTypeYX, 10, 1, "组号10已是遥测分组，不能放入遥信测点！"},
        {kInfoTypeYC, 0, 1, "组号0超出范围，组号应在1和255之间！"},
        {kInfoTypeYP, 256, 1, "组号256超出范围，组号应在1和255之间！"},
        {kInfoTypeYC, 2, 0, "请输入一个在 1 和 255 之间的整数。"},
        {kInfoTypeYC, 2, 256, "请输入一个在 1 和 255 之间的整数。"},
    };
    for (const Case& c : refused) {
        prompts.Clear();
        EXPECT_FALSE(CheckCompositePointKey(&doc, c.category, c.group, c.entry)) << c.group << "-" << c.entry;
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.message}) << c.group << "-" << c.entry;
    }
    prompts.Clear();
    EXPECT_TRUE(CheckCompositePointKey(&doc, kInfoTypeYC, 1, 2));
    EXPECT_TRUE(CheckCompositePointKey(&doc, kInfoTypeYX, 2, 255));
    EXPECT_TRUE(CheckCompositePointKey(&doc, kInfoTypeYP, 3, 2));
    EXPECT_EQ(prompts.Count(), 0u);

    // A warning signal does not "replace" the telemeasurement an old file left in group 10.
    CVirtualPoints vp(doc);
    CVirtualPointEdit edit;
    ASSERT_TRUE(vp.Propose(VirtualKind::YxWarning, edit));
    edit.expr.emplace();
    EXPECT_EQ(vp.StoreNew(VirtualKind::YxWarning, edit), 0);
    EXPECT_EQ(prompts.LastText(), "组号10已是遥测分组，不能放入遥信测点！");
    EXPECT_EQ(testsupport::Found(Composite().FindGroup(10))->m_entries.GetSize(), 1);
    EXPECT_FALSE(Composite().FindEntry(10, 1));
    // Nor is a telemeasurement filed into group 10 or into a telesignal group.
    Composite().m_groups.RemoveAt(1);
    edit.group = 10;
    EXPECT_EQ(vp.StoreNew(VirtualKind::YcComposite, edit), 0);
    EXPECT_EQ(vp.StoreNew(VirtualKind::YxWarning, edit), 1);
    edit.entry = 2;
    EXPECT_EQ(vp.StoreNew(VirtualKind::YcComposite, edit), 0);
    EXPECT_FALSE(Composite().FindEntry(10, 2));
    EXPECT_EQ(testsupport::Found(Composite().FindGroup(10))->m_nType, kInfoTypeYX);
    // An ordinary composite telesignal is not filed at 10-2, where the accident signal goes.
    prompts.Clear();
    EXPECT_EQ(vp.StoreNew(VirtualKind::YxComposite, edit), 0);
    EXPECT_EQ(prompts.LastText(), kReservedGroupText);
    EXPECT_FALSE(Composite().FindEntry(10, 2));
    EXPECT_EQ(vp.StoreNew(VirtualKind::YxAccident, edit), 1);
    EXPECT_EQ(vp.StoreChanged(VirtualKind::YxComposite, 10, 2, edit), 0);
}

TEST_F(PointModelTest, TapValueTelesignalsOnTheModelCopy) {
    CDeviceTemplate copy = Composite();
    CTapToYxEdit e(CTapToYxEdit::Single, &doc, &copy);
    auto sources = e.SourceRows();
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_EQ(CTapToYxEdit::ValueCaptions(CTapToYxEdit::Single).back(), "档位32");
    EXPECT_EQ(e.Add({1, 4, 1}, 3), 1);
    EXPECT_EQ(e.Add({1, 4, 1}, 4), 1);
    auto rows = e.ResultRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].texts, (std::vector<std::string>{"取值4", "65531", "1", "2", "复合信号(65531-1-2)"}));
    EXPECT_TRUE(Composite().m_groups.IsEmpty()); // only the copy changed

    int value = 0, row = 0;
    std::string field;
    e.ClickResult(1, 2, sources, value, row, field);
    EXPECT_EQ(value, 4);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(field, "[线路保护]主变档位(1-4-1)");
    e.ClickResult(1, 2, {}, value, row, field);
    EXPECT_EQ(field, "无效引用");
    EXPECT_EQ(row, -1);

    e.Remove({{1, 1}});
    EXPECT_EQ(e.ResultRows().size(), 1u);

    CTapToYxEdit bin(CTapToYxEdit::Binary, &doc, &copy);
    EXPECT_EQ(bin.Add({1, 4, 1}, 5), 1);
    EXPECT_EQ(bin.ResultRows()[0].texts[0], "GetBit5");
    CTapToYxEdit bcd(CTapToYxEdit::Bcd, &doc, &copy);
    EXPECT_EQ(bcd.Add({1, 4, 1}, 6), 1);
    EXPECT_EQ(bcd.ResultRows()[0].texts[0], "十位Bit2");
    testsupport::Found(copy.FindEntry(1, 3))->m_expr.m_operands.push_back(CExprOperand());
    EXPECT_EQ(bcd.ResultRows().size(), 0u);
    EXPECT_EQ(prompts.LastText(),
              "程序错误：表达式错误！\n错误位置：void CConfigYBToYXDlg::InitSelDevYXList()");
}

TEST_F(PointModelTest, TapPositionEditors) {
    CTapToYcEdit yc(&doc);
    yc.m_nGroup = 1;
    yc.m_nEntry = 1;
    EXPECT_FALSE(yc.Accept());
    EXPECT_EQ(prompts.LastText(), "操作数只能为1个!");
    yc.Add({{1, 4, 1}, {9, 9, 9}});
    EXPECT_EQ(prompts.LastText(), "操作数只能为1个!，不能添加新的操作数");
    EXPECT_TRUE(yc.Accept());
    yc.m_expr->m_operands.push_back(CExprOperand{5, 9, 9, 9});
    EXPECT_TRUE(yc.Open());
    EXPECT_EQ(prompts.LastText(), "操作数超过1个，删除多余操作数！");
    ASSERT_EQ(yc.m_expr->m_operands.size(), 1u);
    yc.m_expr->m_operands[0].m_nAddress = 9;
    EXPECT_EQ(yc.OperandRows()[0].texts[3], "invalid reference");

    CYxToTapEdit tap(&doc);
    EXPECT_FALSE(tap.Accept());
    EXPECT_EQ(prompts.LastText(), "操作数不得少于1个!");
    tap.Add({{1, 2, 1}, {1, 2, 2}, {1, 3, 1}}); // A, B, C
    EXPECT_EQ(tap.m_expr->m_nOperator, 23);
    auto rows = tap.OperandRows();
    EXPECT_EQ(Column(rows, 0), (std::vector<std::string>{"第0位", "第1位", "第2位"}));
    EXPECT_EQ(Column(rows, 4),
              (std::vector<std::string>{"[线路保护]开关", "[线路保护][无括号", "[线路保护]跳闸"}));
    EXPECT_EQ(tap.MoveUp(1), 0); // B becomes bit 0
    EXPECT_EQ(tap.OperandRows()[0].texts[4], "[线路保护][无括号");
    EXPECT_EQ(tap.MoveUp(0), -1);
    tap.Remove({0});
    EXPECT_EQ(Column(tap.OperandRows(), 4), (std::vector<std::string>{"[线路保护]开关", "[线路保护]跳闸"}));
    tap.m_nGroup = 2;
    tap.m_nEntry = 3;
    EXPECT_TRUE(tap.Accept());
    // Dialog 184 keeps the entry range too.
    yc.m_nEntry = 0;
    EXPECT_FALSE(yc.Accept());
    EXPECT_EQ(prompts.LastText(), "请输入一个在 1 和 255 之间的整数。");
}

} // namespace
