#include "editors/model/EditorDialogRules.h"
#include "editors/model/PointKeyText.h"
#include "editors/model/PointSelectModel.h"
#include "editors/model/VarInfoModel.h"
#include "platform/FileFaults.h"
#include "tests/editors/EditorFixture.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

using namespace projectmodel;
using namespace editors;

namespace {

COptionItem Option(const std::string& line) {
    COptionItem item;
    item.ParseDefinition(line, nullptr);
    return item;
}

CItemRecordArray Records() {
    CItemRecord props;
    props.m_strName = "规约参数";
    props.m_nDimension = 1;
    props.m_items.Add(Option("规约适用地区,ENUM,华东(华东,华北)"));
    props.m_items.Add(Option("[华东]遥测死区,WORD,0(0-65535)"));
    props.m_items.Add(Option("[华北]校验方式,ENUM,奇(奇,偶)"));
    props.m_items.Add(Option("关联点,YK,"));
    props.m_rows.push_back({"华东", "10", "奇", "1-2-1(x)"});
    CItemRecord table;
    table.m_strName = "转发表";
    table.m_nDimension = 3;
    table.m_items.Add(Option("序号,INT,1(1-100)"));
    table.m_items.Add(Option("名称,STRING,无"));
    table.m_rows.push_back({"1", "甲"});
    table.m_rows.push_back({"2", "乙"});
    CItemRecordArray records;
    records.Add(props);
    records.Add(table);
    return records;
}

} // namespace

TEST(VarInfoModel, PropertyListShowsTheOptionsOfTheRegionAndRefillsWhenTheRegionChanges) {
    CVarInfoModel model(Records());
    EXPECT_EQ(model.m_strRegion, "华东");
    ASSERT_TRUE(model.IsPropertyList(0));
    ASSERT_EQ(model.Columns(0).size(), 3u);
    std::vector<CGridRow> rows = model.Rows(0);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"遥测死区", "WORD", "10"}));
    EXPECT_EQ(rows[1].itemData, 1);

    EXPECT_EQ(model.OptionAt(0, 2, 0), 0);
    EXPECT_EQ(model.OptionAt(0, 1, 0), -1);
    EXPECT_EQ(model.EditorFor(0, 0), CVarInfoModel::kComboEditor);
    EXPECT_EQ(model.EditorFor(0, 1), CVarInfoModel::kTextEditor);
    EXPECT_EQ(model.EditorFor(0, 3), CVarInfoModel::kPointEditor);

    EXPECT_TRUE(model.Store(0, 0, 0, "华北"));
    EXPECT_EQ(model.m_bRegionChanged, 1);
    rows = model.Rows(0);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].cells[0], "校验方式");
    EXPECT_EQ(model.m_records[0].m_rows[0][0], "华北");
}

TEST(VarInfoModel, TypedNumbersAreClampedToTheOptionRange) {
    testsupport::PromptRecorder prompts;
    CVarInfoModel model(Records());
    EXPECT_EQ(model.CheckTyped(0, 1, "70000"), "65535");
    EXPECT_EQ(prompts.LastText(), "数值越限，自动设定为最大值!");
    EXPECT_FALSE(model.Store(0, 5, 1, "65535"));
    EXPECT_EQ(model.m_records[0].m_rows[0][1], "65535");
}

TEST(VarInfoModel, TableRowsAreAddedUpToTheMaximumAndDeletedBySelection) {
    testsupport::PromptRecorder prompts;
    CVarInfoModel model(Records());
    const std::vector<CGridColumn> columns = model.Columns(1);
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[1].header, "序号(INT)");
    EXPECT_EQ(model.ColumnMap(), (std::vector<int>{-1, 0, 1}));
    EXPECT_EQ(model.OptionAt(1, 2, 0), 1);
    EXPECT_EQ(model.OptionAt(1, 0, 0), -1);

    EXPECT_EQ(model.AddRow(1), 1);
    EXPECT_EQ(model.m_records[1].m_rows.back(), (CStringArray{"1", "无"}));
    EXPECT_EQ(model.AddRow(1), 0);
    EXPECT_EQ(prompts.LastText(), "不允许再添加组态值!");

    model.DeleteRows(1, {0, 1});
    ASSERT_EQ(model.m_records[1].m_rows.size(), 1u);
    EXPECT_EQ(model.m_records[1].m_rows[0][1], "无");
}

TEST(VarInfoModel, ARowWithTheWrongNumberOfValuesIsReportedAndShownEmpty) {
    testsupport::PromptRecorder prompts;
    CItemRecordArray records = Records();
    records[1].m_rows[1] = {"2"};
    CVarInfoModel model(records);
    model.Columns(1);
    const std::vector<CGridRow> rows = model.Rows(1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"2"}));
    EXPECT_EQ(prompts.LastText(), "二维表显示错误：条目与值个数不一致！");
}

TEST(PointKeyText, PointValuesAreParsedAndNamedAfterTheirEntry) {
    editortest::Project project;
    EXPECT_EQ(ParsePointKey("1-2-1(x)"), CPointRef(1, 2, 1));
    EXPECT_EQ(ParsePointKey("7"), CPointRef(7, -1, -1));
    EXPECT_EQ(ParsePointKey(""), CPointRef(-1, -1, -1));
    EXPECT_EQ(PointKeyText(project.doc.get(), CPointRef(1, 2, 1)), "1-2-1(线路保护开关1)");
    EXPECT_EQ(PointKeyText(project.doc.get(), CPointRef(1, 9, 1)), "1-9-1(无效引用)");
    EXPECT_EQ(PointKeyText(nullptr, CPointRef(1, 2, 1)), "1-2-1(无效引用)");
}

TEST(PointSelectModel, SingleCategoryTypesFixTheTabAndCombinedGroupsShowUnderBothTabs) {
    editortest::Project project;
    CPointSelectModel model;
    model.m_strType = "yk";
    model.Init();
    EXPECT_EQ(model.m_nCategory, kInfoTypeYK);
    EXPECT_FALSE(model.m_bTabEnabled);

    CPointRef key(2, 2, 1);
    int selected = -1;
    const std::vector<CGridRow> rows = model.Rows(*project.doc, &key, &selected);
    // The "no point" row, then two entries (entry 0 skipped) of the combined group of each of the
    // three ordinary devices.
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].cells.back(), "空点");
    EXPECT_EQ(rows[3].cells,
              (std::vector<std::string>{"3", "2", "遥信遥控", "2", "1", "0", "0", "主变测控开关1"}));
    EXPECT_EQ(selected, 3);
    CPointRef chosen;
    EXPECT_FALSE(CPointSelectModel::KeyOfRow(rows[0], chosen));
    ASSERT_TRUE(CPointSelectModel::KeyOfRow(rows[3], chosen));
    EXPECT_EQ(chosen, key);

    model.m_strType = "GIN";
    model.Init();
    EXPECT_TRUE(model.m_bTabEnabled);
    EXPECT_EQ(model.m_nCategory, 0);
    model.ChooseDevice(*project.doc, 2);
    EXPECT_EQ(model.m_nDevice, 2);
    int device = -1;
    const std::vector<std::string> devices = model.DeviceChoices(*project.doc, &device);
    EXPECT_EQ(devices[0], "所有装置");
    EXPECT_EQ(devices[2], "装置2[主变测控]");
    EXPECT_EQ(device, 2);
    EXPECT_EQ(model.Rows(*project.doc, nullptr, nullptr).size(), 3u);
    model.ChooseDevice(*project.doc, 99);
    EXPECT_EQ(model.m_nDevice, -1);
}

TEST(EditorDialogRules, VersionsUrisAndPortChoices) {
    testsupport::TempDir dir;
    for (const char* name : {"ProjectV1.01", "ProjectV1.00", "Ini", "Temp"})
        std::filesystem::create_directories(dir.Path() / name);
    EXPECT_EQ(ListVersionTexts(dir.Path()), (std::vector<std::string>{"1.00", "1.01"}));
    EXPECT_TRUE(ListVersionTexts(dir.Path() / "missing").empty());
    // A folder that is absent has no versions; one that cannot be looked at or listed has
    // unknown ones, and says so.
    int error = -1;
    EXPECT_TRUE(ListVersionTexts(dir.Path() / "missing", &error).empty());
    EXPECT_EQ(error, 0);
    for (platform::FileStep step : {platform::FileStep::Stat, platform::FileStep::List}) {
        platform::CFileFaults faults;
        faults.FailNth(
            step, 1, [&](const std::filesystem::path& p) { return p == dir.Path(); }, EACCES);
        EXPECT_TRUE(ListVersionTexts(dir.Path(), &error).empty());
        EXPECT_EQ(error, EACCES) << platform::FileStepName(step);
    }

    CIedRecordArray ieds;
    ieds.Add({"IED1", "PCS", "uri-a"});
    ieds.Add({"IED2", "PCS", "URI-B"});
    int matching = -2;
    const std::vector<CGridRow> rows = UriTableRows(ieds, "uri-b", &matching);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(matching, 2);

    editortest::Project project;
    CDevice& device = *testsupport::Found(project.doc->FindDevice(1));
    const std::vector<CPortChoice> choices = PortChoicesFor(project.doc->m_boardCfg, device);
    ASSERT_EQ(choices.size(), 1u);
    EXPECT_EQ(choices[0].text, "板卡1串口0");
    EXPECT_EQ(ApplyPortChoice(project.doc->m_boardCfg, device, choices[0]), &project.Port(0, 0));
    EXPECT_EQ(device.m_nBoard, 0);
    EXPECT_EQ(device.m_model.m_nPortGroup, 0);
    EXPECT_EQ(device.m_model.m_nPortIndex, 0);
}
