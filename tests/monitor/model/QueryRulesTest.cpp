// The rules of the query and value windows without widgets: history types, ranges and exports,
// editable value rows and pending lists, statistics checks and the query file.
#include "monitor/core/DevModel.h"
#include "monitor/model/HistoryQuery.h"
#include "monitor/model/StatQuery.h"
#include "monitor/model/ValueRows.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/TextFile.h"
#include "tests/support/TestFiles.h"

#include <optional>

#include <gtest/gtest.h>

using namespace marindle;

TEST(HistoryQueryTest, TypeTextsAndChecks) {
    EXPECT_EQ(EventTypeText(1), "动作元件");
    EXPECT_EQ(EventTypeText(13), "未定义");
    EXPECT_EQ(EventTypeNames().size(), 13u);
    EXPECT_EQ(RemoteCmdTypeText(12), "写定值撤销");
    EXPECT_EQ(RemoteCmdTypeText(0), "未定义");
    EXPECT_EQ(CheckTimeRange(100, 100), "时间范围有误。");
    EXPECT_EQ(CheckTimeRange(100, 101), "");
    std::uint16_t nof = 0;
    std::string message;
    EXPECT_FALSE(ParseNof("", nof, message));
    EXPECT_EQ(message, "请输入NOF。");
    EXPECT_FALSE(ParseNof("-3", nof, message));
    EXPECT_EQ(message, "请输入正整数。");
    EXPECT_TRUE(ParseNof("42", nof, message));
    EXPECT_EQ(nof, 42);
}

TEST(HistoryQueryTest, ExportTexts) {
    EXPECT_EQ(EventExportText({}), "序号,描述,类型,组号,条目号,值,时间\n");
    const EventRecord e{"过流,I段", 1, 0, 2, 3, "动作"};
    const auto rows = std::vector<std::vector<std::string>>{EventRowTexts(1, e)};
    const std::string text = EventExportText(rows);
    EXPECT_NE(text.find("\n1,过流,I段,动作元件,2,3,动作,"), std::string::npos);
    const RemoteCmdRecord r{"开关", 2, "板卡1COM1", 0, 1, 4, "合", "自述"};
    const std::string rt = RemoteCmdExportText({r});
    EXPECT_EQ(rt.substr(0, rt.find('\n') + 1), "序号,描述,命令类型,命令源,组号,条目号,值,时间,自描述信息\n");
    EXPECT_NE(rt.find("1,开关,遥控执行,板卡1COM1,1,4,合,"), std::string::npos);
    EXPECT_NE(rt.find(",自述\n"), std::string::npos);
}

TEST(HistoryQueryTest, ExportFileEndsEveryLineWithOneCrLf) {
    testsupport::TempDir dir;
    const auto file = dir.Path() / "RMT_保护A.txt";
    ASSERT_TRUE(WriteExport(file, "序号,描述\n1,第一行\r\n第二行\n"));
    EXPECT_EQ(testsupport::ReadBytes(file), platform::ToGbk("序号,描述\r\n1,第一行\r\n第二行\r\n"));
    EXPECT_FALSE(WriteExport(dir.Path() / "no" / "such" / "x.txt", "a\n"));
}

TEST(HistoryQueryTest, AnExportThatFailsPartWayLeavesTheFileItReplacesWhole) {
    // Saving over an earlier export: a write that fails (a full disk) keeps the earlier one.
    testsupport::TempDir dir;
    const auto file = dir.Path() / "SOE_保护A.txt";
    ASSERT_TRUE(WriteExport(file, "序号,描述\n1,旧\n"));
    ASSERT_TRUE(WriteStatFile(dir.Path() / "q.dat", "old"));
    std::optional<platform::CFileFaults> faults;
    faults.emplace().FailFrom(platform::FileStep::Write, 1);
    const bool exported = WriteExport(file, "序号,描述\n1,新的一行\n");
    const bool stat = WriteStatFile(dir.Path() / "q.dat", "new text");
    faults.reset();
    EXPECT_FALSE(exported);
    EXPECT_FALSE(stat);
    EXPECT_EQ(testsupport::ReadBytes(file), platform::ToGbk("序号,描述\r\n1,旧\r\n"));
    EXPECT_EQ(testsupport::ReadBytes(dir.Path() / "q.dat"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST(ValueRowsTest, EditRulesAndTexts) {
    EXPECT_TRUE(IsSwitchType(9));
    EXPECT_TRUE(IsSwitchType(204));
    EXPECT_FALSE(IsSwitchType(7));
    EXPECT_EQ(StripCategory("遥信/开关位置"), "开关位置");
    EXPECT_EQ(StripCategory("无分类"), "无分类");
    EXPECT_TRUE(SettingsGroupEditable("保护定值"));
    EXPECT_TRUE(SettingsGroupEditable("软压板"));
    EXPECT_FALSE(SettingsGroupEditable("遥测"));
    EXPECT_FALSE(IndicationGroupEditable("遥控/开关"));
    EXPECT_FALSE(IndicationGroupEditable("遥调/档位"));
    EXPECT_TRUE(IndicationGroupEditable("遥信/开关"));
    EXPECT_TRUE(TableTypeEditable(5));
    EXPECT_FALSE(TableTypeEditable(3));
    EXPECT_FALSE(TableTypeEditable(4));
    EXPECT_EQ(TableTypeText(9), "其它");
}

TEST(ValueRowsTest, RowsOfGroupsByKind) {
    CDeviceRecord d(5);
    CGroupRecord* settings = d.AddGroup(2);
    settings->title = "保护定值";
    settings->kind = 2;
    CEntryRecord* e = settings->AddEntry(0x0302);
    e->description = "过流定值";
    e->rangeMin = "0";
    e->rangeMax = "100";
    e->rangeStep = "0.01";
    e->dimension = "A";
    CGroupRecord* ind = d.AddGroup(4);
    ind->title = "遥信/开关";
    ind->kind = 1;
    CEntryRecord* s = ind->AddEntry(0x0104);
    s->description = "断路器";
    s->manualSet = 1;
    const auto rows = BuildSettingsRows(d);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cells[2], "2");
    EXPECT_EQ(rows[0].cells[3], "3");
    EXPECT_EQ(rows[0].cells[6], "0 - 100 (0.01)");
    const auto ir = BuildIndicationRows(d);
    ASSERT_EQ(ir.size(), 1u);
    EXPECT_EQ(ir[0].cells[0], "开关");
    EXPECT_EQ(s->manualSet, 0);
}

TEST(ValueRowsTest, PendingListKeepsEachRowOnce) {
    CPendingList p;
    EXPECT_TRUE(p.Add(3));
    EXPECT_TRUE(p.Add(1));
    EXPECT_FALSE(p.Add(3));
    EXPECT_EQ(p.Sorted(), (std::vector<int>{1, 3}));
    EXPECT_TRUE(p.Remove(3));
    EXPECT_FALSE(p.Remove(3));
    EXPECT_EQ(p.Size(), 1u);
}

TEST(StatQueryTest, Checks) {
    EXPECT_EQ(CheckStatQuery(0, 0, 10), "请选中统计数据条目。");
    EXPECT_EQ(CheckStatQuery(9, 0, 10), "统计数据条目不可超过8条。");
    EXPECT_EQ(CheckStatQuery(8, 0, 10), "");
    EXPECT_EQ(CheckStatQuery(1, 10, 10), "时间范围有误。");
    EXPECT_EQ(CheckStatQuery(1, 0, 7776000), "");
    EXPECT_EQ(CheckStatQuery(1, 0, 7776001), "时间范围不可超过90天。");
}

TEST(StatQueryTest, FileKeepsOrderedSamplesInRange) {
    StatEntry e;
    e.description = "电流";
    e.unit = "A";
    e.samples = {
        {1.5f, 150, 1, 2}, {2.0f, 120, 0, 0}, {2.5f, 160, 0, 0}, {3.0f, 300, 0, 0}, {0.5f, 99, 0, 0}};
    const std::string text = StatFileText("保护A", 5, 100, 200, {e});
    EXPECT_EQ(text, "[装置]保护A,5,100,200,1\n"
                    "[条目]电流,A,5\n"
                    "1.500000,150,1,2\n"
                    "2.500000,160,0,0\n");
    testsupport::TempDir dir;
    ASSERT_TRUE(WriteStatFile(dir.Path() / "q.dat", text));
    EXPECT_EQ(testsupport::ReadBytes(dir.Path() / "q.dat"), platform::ToGbk(text));
    const auto proposed = ProposedStatFile(dir.Path(), "保护A", 0);
    EXPECT_EQ(proposed.parent_path(), dir.Path() / "Stat");
    EXPECT_EQ(proposed.filename().string().rfind("STAT_保护A_", 0), 0u);
}
