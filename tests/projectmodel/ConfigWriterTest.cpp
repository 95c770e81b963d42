// The configuration file writer: the sample project against hand-made expected files, and the
// rules of single lines (inactive entries, telecontrol attributes, composite counts, variable
// information without rows, a project without devices, files that cannot be created).
#include "DocFixture.h"
#include "platform/FileFaults.h"
#include "tests/support/Found.h"

#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace projectmodel;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

void ExpectSameFile(const fs::path& expected, const fs::path& actual) {
    SCOPED_TRACE(actual.filename().string());
    ASSERT_TRUE(fs::is_regular_file(actual));
    const std::string rawExpected = testsupport::ReadBytes(expected);
    const std::string rawActual = testsupport::ReadBytes(actual);
    const auto a = Lines(testsupport::ReadGbkText(expected));
    const auto b = Lines(testsupport::ReadGbkText(actual));
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        ASSERT_EQ(a[i], b[i]) << "line " << i + 1;
    EXPECT_EQ(a.size(), b.size());
    EXPECT_TRUE(rawExpected == rawActual) << "bytes differ (GBK, CR LF)";
}

class ConfigWriterTest : public doctest::DocFixture {
protected:
    // The main file of a document written to out/QXM7740.ini, as UTF-8 lines.
    std::vector<std::string> WriteMain(CConfigDoc& doc) {
        const fs::path out = tmp / "out";
        fs::create_directories(out);
        EXPECT_EQ(doc.WriteConfigFiles(out / "QXM7740.ini"), 1);
        return Lines(testsupport::ReadGbkText(out / "QXM7740.ini"));
    }
    static bool Has(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(ConfigWriterTest, SampleProjectGivesTheFourKindsOfFiles) {
    CConfigDoc doc;
    doc.OnNewDocument();
    doctest::BuildSampleProject(doc, true);
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_TRUE(prompts.Texts().empty());
    const fs::path version = root / "Project/Demo/ProjectV1.00";
    const fs::path expected = testsupport::TestDataDir() / "projectmodel/sample";
    for (const char* name :
         {"QXM7740.ini", "ccu_工程间隔.cfg", "ccu_板卡0_NET0_规约12_遥信转发配置配置.cfg", "system.cfg"})
        ExpectSameFile(expected / name, version / name);
    int files = 0;
    for (const auto& e : fs::directory_iterator(version))
        files += e.is_regular_file();
    EXPECT_EQ(files, 4);
    EXPECT_EQ(doc.m_projectTime, clock.time);
}

TEST_F(ConfigWriterTest, EntryLinesAndAttributes) {
    CConfigDoc doc;
    doc.OnNewDocument();
    CDevice device(*testsupport::Found(doc.m_deviceModels.FindByName("QXC901")));
    doc.m_devices.PrepareNewDevice(device, doc.m_deviceExtItems);
    CInfoGroup& yx = device.m_model.m_groups[1];
    ASSERT_EQ(yx.m_entries.GetSize(), 16);
    for (int i : {1, 3})
        yx.m_entries[i].m_bEnabled = 0;
    CInfoGroup& yk = device.m_model.m_groups[2];
    ASSERT_EQ(yk.m_nType, kInfoTypeYK);
    CInfoEntry& plain = yk.m_entries[1]; // 刀闸1 with FUN and INF in its tail
    plain.m_strCloseRule = "a";
    plain.m_strOpenRule = "b";
    plain.m_strReference = "LD/CSWI1$CO$Pos";
    CInfoEntry& bare = yk.m_entries[2];
    bare.m_strExtra.clear();
    bare.m_strCloseRule = "a";
    bare.m_strOpenRule = "b";
    bare.m_yx[0] = 1;
    bare.m_yx[1] = -1;
    bare.m_yx[2] = 3;
    device.m_model.m_groups[0].m_nType = kInfoTypeDevice;
    doc.m_devices.Insert(device);
    const auto lines = WriteMain(doc);
    EXPECT_TRUE(Has(lines, "      数目=14"));
    EXPECT_TRUE(Has(lines, "      1,2,1,开入1,,5,合,分,FUN=1;INF=20"));
    EXPECT_TRUE(Has(lines, "      2,2,2,开入3,,5,合,分,FUN=1;INF=22"));
    EXPECT_TRUE(Has(lines, "      3,2,3,开入5,,5,合,分,FUN=1;INF=24"));
    EXPECT_TRUE(Has(lines, "      2,3,2,刀闸1,,,合,分,FUN=1;INF=49;FCDA=LD/CSWI1$CO$Pos;合规则=a;分规则=b"));
    EXPECT_TRUE(Has(lines, "      3,3,3,刀闸2,,,合,分,合规则=a;分规则=b"));
    EXPECT_TRUE(Has(lines, "      类型=DEV"));
}

TEST_F(ConfigWriterTest, CompositeItemCounts) {
    CExpression e;
    auto count = [&](int op, int operands) {
        e.m_nOperator = static_cast<std::uint8_t>(op);
        e.m_operands.assign(static_cast<std::size_t>(operands), CExprOperand());
        return CConfigDoc::CompositeItemCount(e);
    };
    EXPECT_EQ(count(1, 3), 6);
    EXPECT_EQ(count(1, 1), 2);
    EXPECT_EQ(count(15, 1), 3);
    EXPECT_EQ(count(22, 2), 4);
    // Three operands tell "operands + 2" from "2 x operands" at both ends of the range.
    EXPECT_EQ(count(22, 3), 5);
    EXPECT_EQ(count(15, 3), 5);
    EXPECT_EQ(count(14, 3), 6);
    EXPECT_EQ(count(7, 3), 5);
    EXPECT_EQ(count(25, 1), 3);
    EXPECT_EQ(count(23, 1), 3);
    EXPECT_EQ(count(23, 2), 4);
    EXPECT_EQ(count(28, 0), 0);
}

TEST_F(ConfigWriterTest, VariableInformationWithoutRowsAndBracketNames) {
    CItemRecordArray groups;
    groups.SetSize(1);
    COptionItem a, b;
    a.ParseDefinition("[南网]甲,BYTE,1(0-9)", nullptr);
    b.ParseDefinition("[]乙,STRING,x", nullptr);
    groups[0].m_items.Add(a);
    groups[0].m_items.Add(b);
    const fs::path path = tmp / "v.cfg";
    {
        platform::CGbkTextWriter out;
        ASSERT_TRUE(out.Open(path));
        CConfigDoc::WriteVariableInfo(out, groups, 2);
        groups[0].m_rows = {{"1", "p"}, {"2"}};
        CConfigDoc::WriteVariableInfo(out, groups, 0);
    }
    EXPECT_EQ(testsupport::ReadGbkText(path),
              "  [可变信息]\n  {\n    数目=1\n    [可变信息1]\n    {\n      数目=2,0\n"
              "      甲(BYTE)=\n      乙(STRING)=\n    }\n  }\n"
              "[可变信息]\n{\n  数目=1\n  [可变信息1]\n  {\n    数目=2,2\n"
              "    甲(BYTE)=1,2\n    乙(STRING)=p,\n  }\n}\n");
}

TEST_F(ConfigWriterTest, ProjectWithoutDevices) {
    CConfigDoc doc;
    doc.OnNewDocument();
    doc.m_devices.RemoveAll();
    const auto lines = WriteMain(doc);
    auto at = std::find(lines.begin(), lines.end(), "[装置信息表]");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*(at + 2), "  数目=0");
    EXPECT_EQ(*(at + 3), "}");
    at = std::find(lines.begin(), lines.end(), "[装置信息]");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*(at + 2), "  数目=0");
    EXPECT_EQ(*(at + 3), "}");
    EXPECT_EQ(testsupport::Back(lines), "}");
    EXPECT_TRUE(Has(lines, "  数目=0")); // no composite signals either
}

TEST_F(ConfigWriterTest, FilesThatCannotBeCreated) {
    CConfigDoc doc;
    doc.OnNewDocument();
    doctest::BuildSampleProject(doc, false);
    EXPECT_EQ(doc.WriteConfigFiles(tmp / "missing/QXM7740.ini"), 0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"创建文件失败!"});

    // The bay file is a folder already: reported by its name, and the write fails (the files
    // belong together); no further file is tried.
    prompts.Clear();
    const fs::path out = tmp / "out";
    fs::create_directories(out / "ccu_工程间隔.cfg");
    EXPECT_EQ(doc.WriteConfigFiles(out / "QXM7740.ini"), 0);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"创建文件 " + (out / "ccu_工程间隔.cfg").string() + " 失败!"});
    EXPECT_FALSE(fs::exists(out / "system.cfg"));

    // The same for a port-configuration file.
    prompts.Clear();
    fs::remove(out / "ccu_工程间隔.cfg");
    fs::create_directories(out / "ccu_板卡0_NET0_规约12_遥信转发配置配置.cfg");
    EXPECT_EQ(doc.WriteConfigFiles(out / "QXM7740.ini"), 0);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{
                  "创建文件 " + (out / "ccu_板卡0_NET0_规约12_遥信转发配置配置.cfg").string() + " 失败!"});

    // A configuration name that is no file name is not written outside the folder.
    prompts.Clear();
    fs::remove(out / "ccu_板卡0_NET0_规约12_遥信转发配置配置.cfg");
    doc.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_configs.m_configs[0].m_strName = "../x";
    EXPECT_EQ(doc.WriteConfigFiles(out / "QXM7740.ini"), 0);
    EXPECT_EQ(prompts.Count(), 1u);
    EXPECT_FALSE(fs::exists(tmp / "x配置.cfg"));
}

// Files that open but cannot be written whole (a full disk): each fails the write and is named.
TEST_F(ConfigWriterTest, FilesThatCannotBeWrittenWhole) {
    CConfigDoc doc;
    doc.OnNewDocument();
    doctest::BuildSampleProject(doc, false);
    ASSERT_GE(doc.m_boardCfg.m_groups.GetSize(), 1);
    const fs::path out = tmp / "out";
    fs::create_directories(out);
    for (const std::string name :
         {"QXM7740.ini", "ccu_工程间隔.cfg", "ccu_板卡0_NET0_规约12_遥信转发配置配置.cfg", "system.cfg"}) {
        SCOPED_TRACE(name);
        prompts.Clear();
        {
            platform::CFileFaults faults;
            faults.FailFrom(platform::FileStep::Write, 1,
                            [&](const fs::path& p) { return p.filename() == name; });
            EXPECT_EQ(doc.WriteConfigFiles(out / "QXM7740.ini"), 0);
        }
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"创建文件 " + (out / name).string() + " 失败!"});
    }
    prompts.Clear();
    EXPECT_EQ(doc.WriteConfigFiles(out / "QXM7740.ini"), 1);
    EXPECT_TRUE(prompts.Texts().empty());
}

// "system.cfg" is written as soon as the unit has one variable-option group.
TEST_F(ConfigWriterTest, SystemFileForOneUnitOptionGroup) {
    CConfigDoc doc;
    doc.OnNewDocument();
    doc.m_boardCfg.m_groups.SetSize(1);
    doc.m_boardCfg.m_groups[0].m_strName = "可变选项1";
    const fs::path out = tmp / "out";
    fs::create_directories(out);
    ASSERT_EQ(doc.WriteConfigFiles(out / "QXM7740.ini"), 1);
    ASSERT_TRUE(fs::is_regular_file(out / "system.cfg"));
    EXPECT_EQ(testsupport::Front(Lines(testsupport::ReadGbkText(out / "system.cfg"))), "[可变信息]");

    fs::remove(out / "system.cfg");
    doc.m_boardCfg.m_groups.RemoveAll();
    ASSERT_EQ(doc.WriteConfigFiles(out / "QXM7740.ini"), 1);
    EXPECT_FALSE(fs::exists(out / "system.cfg"));
}

} // namespace
