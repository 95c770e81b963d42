// The project document: new projects over the shipped library, broken libraries, the open path,
// versioned saves, library copies and the IED list of the project's SCD file.
#include "DocFixture.h"
#include "tests/support/Found.h"

#include "projectmodel/FolderHelpers.h"
#include "projectmodel/ScdCacheBound.h"

#include "platform/Archive.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <map>
#include <optional>

using namespace projectmodel;
using platform::Answer;
namespace fs = std::filesystem;

namespace {

class ConfigDocTest : public doctest::DocFixture {};

int PortCount(const CBoardInfo& board) {
    int n = 0;
    for (const CPortArray& g : board.m_ports)
        n += g.GetSize();
    return n;
}

TEST_F(ConfigDocTest, NewDocumentOverShippedLibrary) {
    CConfigDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    // Every file of the shipped library reads without a word: no range beyond its kind, no line
    // that does not parse.
    EXPECT_EQ(shell.monitor, std::vector<std::string>{});
    EXPECT_EQ(doc.m_strProjectName, "Demo");
    EXPECT_EQ(doc.m_projectTime, clock.time);
    EXPECT_EQ(CConfigDoc::Current(), &doc);

    EXPECT_EQ(doc.m_deviceModels.GetSize(), 5);
    EXPECT_NE(doc.m_deviceModels.FindByName("IEC61850_QXB610"), nullptr);
    EXPECT_EQ(testsupport::Found(doc.m_deviceModels.FindByName("QXL811-V2.10"))->m_strVersion, "2.10");
    EXPECT_EQ(testsupport::Found(doc.m_deviceModels.FindByName("QXL811-V2.10"))->m_strProtocol, "IEC103串口");
    EXPECT_EQ(testsupport::Found(doc.m_deviceModels.FindByName("QXL811-V2.10"))->m_groups.GetSize(), 5);
    EXPECT_EQ(doc.m_protocolLibrary.GetSize(), 9);
    EXPECT_EQ(doc.m_portConfigLibrary.GetSize(), 4);
    EXPECT_EQ(doc.m_equipmentLibrary.GetSize(), 6);
    // One equipment type takes points into its reference tables.
    ASSERT_NE(doc.m_equipmentLibrary.FindByName("线路"), nullptr);
    EXPECT_EQ(testsupport::Found(doc.m_equipmentLibrary.FindByName("线路"))->m_strType, "SYSTEM");
    EXPECT_EQ(testsupport::Found(doc.m_equipmentLibrary.FindByName("线路"))->m_tables.GetSize(), 3);
    EXPECT_EQ(doc.m_voltLevelConfig.m_strName, "电压等级");
    EXPECT_EQ(doc.m_voltLevelConfig.m_groups.GetSize(), 1);
    EXPECT_EQ(doc.m_bayConfig.m_strName, "间隔");
    EXPECT_EQ(doc.m_deviceExtItems.GetSize(), 3);
    EXPECT_EQ(doc.m_boardCfg.m_strUnitName, "QXM7740");
    EXPECT_EQ(doc.m_boardCfg.m_groups.GetSize(), 2);
    ASSERT_EQ(doc.m_boardCfg.m_groups[0].m_rows.size(), 1u);

    ASSERT_EQ(doc.m_boardCfg.m_boards.GetSize(), 2);
    EXPECT_EQ(doc.m_boardCfg.m_boards[0].m_strType, "QXM-CPU01");
    EXPECT_EQ(PortCount(doc.m_boardCfg.m_boards[0]), 6);
    EXPECT_EQ(PortCount(doc.m_boardCfg.m_boards[1]), 10);
    EXPECT_EQ(doc.m_boardCfg.m_boards[1].m_ports.m_nSerialCount, 8);
    EXPECT_EQ(doc.m_boardCfg.m_boards[1].m_ports.m_nNetworkCount, 2);
    // The protocol choice of a serial group lists the serial protocols.
    const COptionItem& prtc = doc.m_boardCfg.m_boards[0].m_ports[0].m_options[0];
    EXPECT_EQ(prtc.m_choices, (CStringArray{"未用", "IEC103串口", "ModbusRTU", "IEC101", "CDT", "打印维护"}));

    ASSERT_EQ(doc.m_devices.GetSize(), 3);
    EXPECT_EQ(doc.m_devices[2].m_nAddress, kCustomDeviceAddress);
    EXPECT_EQ(doc.m_devices[2].m_model.m_groups.GetSize(), 2);
    // Link-status signals: one group per board, one entry per port.
    EXPECT_EQ(
        testsupport::Found(doc.FindDevice(kStatusDeviceAddress))->m_model.m_groups[1].m_entries.GetSize(),
        10);

    const CProtocolDef* iec104 = doc.m_protocolLibrary.FindByName("IEC104");
    ASSERT_NE(iec104, nullptr);
    EXPECT_EQ(iec104->m_nNumber, 12);
    ASSERT_EQ(iec104->m_tables.GetSize(), 5);
    EXPECT_EQ(iec104->m_tables[4].m_nType, 8);
    EXPECT_EQ(iec104->m_tables[0].m_columns.GetSize(), 3);
}

TEST_F(ConfigDocTest, NewDocumentOverEmptyLibraryShowsNothing) {
    fs::remove_all(root / "Ini");
    for (const char* f : {"组态配置.ini", "二次装置/devlist.ini", "规约/Protocol.ini", "一次设备/setting.ini",
                          "一次设备/equipmentlist.ini", "一次设备/电压等级配置.ini", "一次设备/间隔配置.ini"})
        testsupport::WriteBytes(Lib(f), "");
    CConfigDoc doc;
    doc.OnNewDocument();
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(doc.m_boardCfg.m_strUnitName, "未命名");
    EXPECT_EQ(doc.m_boardCfg.m_boards.GetSize(), 0);
    // Without the custom model only the two other virtual devices.
    ASSERT_EQ(doc.m_devices.GetSize(), 2);
    EXPECT_EQ(doc.m_devices[1].m_nAddress, kCompositeDeviceAddress);
}

TEST_F(ConfigDocTest, MissingListsAreReportedAndLoadingGoesOn) {
    fs::remove(Lib("二次装置/devlist.ini"));
    fs::remove(Lib("规约/Protocol.ini"));
    fs::remove(Lib("一次设备/setting.ini"));
    fs::remove(Lib("一次设备/equipmentlist.ini"));
    fs::remove(Lib("一次设备/间隔配置.ini"));
    CConfigDoc doc;
    doc.OnNewDocument();
    const fs::path lib = root / "Ini";
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{
                  "装置列表文件:" + (lib / "二次装置/devlist.ini").string() + "，无法打开!",
                  "规约列表文件:" + (lib / "规约/Protocol.ini").string() + "，无法打开!",
                  "装置列表文件:" + (lib / "一次设备/setting.ini").string() + "，无法打开!",
                  "配置文件:" + (lib / "一次设备/间隔配置.ini").string() + "打开错误",
                  "一次设备列表文件:" + (lib / "一次设备/equipmentlist.ini").string() + "，无法打开!"}));
    EXPECT_EQ(doc.m_boardCfg.m_boards.GetSize(), 2);
    EXPECT_EQ(doc.m_devices.GetSize(), 3);
}

TEST_F(ConfigDocTest, BrokenItemsAreReported) {
    // A model whose first line is an entry line; a protocol file that is missing ends the list.
    testsupport::WriteGbkText(Lib("二次装置/QXE300.txt"), "\n1,1,1,A相电压,V,1,,\n[遥测]\n");
    testsupport::WriteGbkText(Lib("规约/Protocol.ini"), "IEC104\n不存在\nCDT\n");
    // A broken option, a short reference-table line and a broken column definition.
    testsupport::WriteGbkText(Lib("规约/IEC104.ini"),
                              "[属性]\n规约号=12\n类型=SCHEDULE\n通讯方式=网络\n可变选项组数=1\n"
                              "[引用表配置]\n数目=2\n引用表1=遥测转发表,YC\n引用表2=遥信,YX,1\n"
                              "引用表2扩展属性1=坏\n[可变选项1]\n数目=2\n选项1=甲,BYTE,1(0-255)\n选项2=乙\n");
    CConfigDoc doc;
    doc.OnNewDocument();
    const fs::path lib = root / "Ini";
    const std::string p104 = (lib / "规约/IEC104.ini").string();
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"文件:" + (lib / "二次装置/QXE300.txt").string() + "第2行格式错误",
                                        "读取装置型号 QXE300 信息文本错误!\n",
                                        "读取文件:" + p104 + "\n[引用表配置]\"引用表1\"失败!",
                                        "读取文件:" + p104 + "\n[引用表配置]\"引用表2扩展属性1\"失败!",
                                        "读取文件:" + p104 + "\n[可变选项1]\"选项2\"失败!",
                                        "规约文件:" + (lib / "规约/不存在.ini").string() + "打开错误",
                                        "读取规约 不存在 文件错误!\n"}));
    EXPECT_EQ(doc.m_deviceModels.GetSize(), 4);
    ASSERT_EQ(doc.m_protocolLibrary.GetSize(), 1);
    const CProtocolDef& p = doc.m_protocolLibrary[0];
    EXPECT_EQ(p.m_tables[0], CRefTable());
    EXPECT_EQ(p.m_tables[1].m_strName, "遥信");
    EXPECT_EQ(p.m_tables[1].m_columns[0], COptionItem());
    EXPECT_EQ(p.m_groups[0].m_items[1], COptionItem());
    EXPECT_EQ(p.m_groups[0].m_items[0].m_strName, "甲");
}

TEST_F(ConfigDocTest, BoardFileProblems) {
    testsupport::WriteGbkText(Lib("组态配置.ini"), "[装置属性]\n名称=U1\n[板卡配置]\n数目=3\n"
                                                   "板卡1配置=主控板.ini\n板卡3配置=通讯扩展板.ini\n");
    testsupport::WriteGbkText(Lib("主控板.ini"), "[板卡属性]\n类型=CPU\n通讯口名称=COM,NET\n"
                                                 "[COM配置]\n数目=2\n类型=光口\n配置文件=串口配置.ini\n"
                                                 "[NET配置]\n数目=1\n配置文件=\n");
    CConfigDoc doc;
    doc.OnNewDocument();
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"错误: 文件:主控板.ini\n未定义的通讯口类型:光口!",
                                        "读取文件:主控板.ini\n[NET配置]\"类型\"失败!",
                                        "读取文件:主控板.ini\n[NET配置]\"配置文件\"失败!",
                                        "COM0类型错误，请检查类型设置!\n只有两种类型——串口或网络",
                                        "COM1类型错误，请检查类型设置!\n只有两种类型——串口或网络",
                                        "NET0类型错误，请检查类型设置!\n只有两种类型——串口或网络"}));
    ASSERT_EQ(doc.m_boardCfg.m_boards.GetSize(), 3);
    EXPECT_EQ(PortCount(doc.m_boardCfg.m_boards[0]), 3);
    EXPECT_EQ(PortCount(doc.m_boardCfg.m_boards[1]), 0);
    EXPECT_EQ(PortCount(doc.m_boardCfg.m_boards[2]), 0);
    EXPECT_EQ(doc.m_boardCfg.m_boards[0].m_ports[0].m_bSerial, 1);

    prompts.Clear();
    testsupport::WriteGbkText(Lib("主控板.ini"), "[板卡属性]\n类型=CPU\n");
    CConfigDoc doc2;
    doc2.OnNewDocument();
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"读取文件:主控板.ini\n[板卡属性]\"通讯口名称\"失败!"});
}

class FakeClassifier : public IClassificationLibrary {
public:
    fs::path folder;
    std::vector<std::string> calls;
    int ReadICDFile(std::string path) override {
        calls.push_back(path);
        return 1;
    }
    int OpenCIDSpy(int, int, int right, int bottom) override {
        calls.push_back(std::to_string(right) + "x" + std::to_string(bottom));
        testsupport::WriteGbkText(folder / "IEC61850_NEW.txt",
                                  "[类型]\nIEC61850装置\n[遥信]\n1,1,1,位置,,,合,分\n");
        return 1;
    }
};

TEST_F(ConfigDocTest, IcdWithoutTextAsksBeforeConverting) {
    testsupport::WriteGbkText(Lib("二次装置/devlist.ini"), "NEW.icd\n");
    FakeClassifier classifier;
    classifier.folder = Lib("二次装置");
    CProjectContext::Instance().SetClassifier(&classifier);
    prompts.Script({Answer::No});
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        EXPECT_EQ(doc.m_deviceModels.GetSize(), 0);
    }
    EXPECT_TRUE(classifier.calls.empty());
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).text, "61850装置:NEW 的txt文本不存在，是否进行转换？");
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).caption, "确认");

    prompts.Script({Answer::Yes});
    CConfigDoc doc;
    doc.OnNewDocument();
    ASSERT_EQ(doc.m_deviceModels.GetSize(), 1);
    EXPECT_EQ(doc.m_deviceModels[0].m_strName, "IEC61850_NEW");
    EXPECT_EQ(doc.m_deviceModels[0].m_strType, "IEC61850装置");
    EXPECT_EQ(classifier.calls,
              (std::vector<std::string>{(Lib("二次装置") / "NEW.icd").string(), "600x800"}));
}

TEST_F(ConfigDocTest, CachedScdImportMergesModels) {
    CDeviceTemplate replaced;
    replaced.m_strName = "qxc901";
    replaced.m_strType = "导入";
    CDeviceTemplate added;
    added.m_strName = "IEC61850_PL2201";
    platform::CArchive ar;
    ar.WriteU8(0);
    ar.WriteU32(2);
    replaced.Serialize(ar);
    added.Serialize(ar);
    CScdCacheBound bound;
    bound.scdBytes = 4096;
    bound.cacheBytes = ar.Bytes().size();
    ar.WriteBytes(bound.Trailer());
    fs::create_directories(Lib("UserDefine"));
    ASSERT_TRUE(ar.SaveToFile(Lib("UserDefine/IEDListFromSCD.dat")));
    CConfigDoc doc;
    doc.OnNewDocument();
    EXPECT_EQ(doc.m_deviceModels.GetSize(), 6);
    EXPECT_EQ(testsupport::Found(doc.m_deviceModels.FindByName("QXC901"))->m_strType, "导入");

    // A truncated cache changes nothing and is told.
    testsupport::WriteBytes(Lib("UserDefine/IEDListFromSCD.dat"), ar.Bytes().substr(0, 12));
    CConfigDoc doc2;
    doc2.OnNewDocument();
    EXPECT_EQ(doc2.m_deviceModels.GetSize(), 5);
    ASSERT_EQ(prompts.Count(), 1u);
    prompts.Clear();
}

// ---------------------------------------------------------------------------------------------

TEST_F(ConfigDocTest, VersionRules) {
    EXPECT_EQ(VersionFolderName(1.0f), "ProjectV1.00");
    EXPECT_EQ(VersionFolderName(1.0f + 0.01f), "ProjectV1.01");
    fs::create_directories(tmp / "p/ProjectV1.00");
    fs::create_directories(tmp / "p/ProjectV1.07");
    fs::create_directories(tmp / "p/Ini");
    testsupport::WriteBytes(tmp / "p/ProjectV9.00", "a file, not a folder");
    EXPECT_FLOAT_EQ(ParseVersionNumber(tmp / "p"), 1.07f);
    EXPECT_FLOAT_EQ(ParseVersionNumber(tmp / "none"), 0.0f);
    float v = 0;
    EXPECT_TRUE(ParseVersionText("1.25", v));
    EXPECT_FLOAT_EQ(v, 1.25f);
    EXPECT_TRUE(prompts.Texts().empty());
    for (const char* bad : {"", "0", "abc", "1.2.3", "-1", "1,5"}) {
        prompts.Clear();
        EXPECT_FALSE(ParseVersionText(bad, v)) << bad;
        EXPECT_EQ(prompts.LastText(), "请输入要保存的版本号！");
        EXPECT_EQ(testsupport::Back(prompts.Messages()).caption, "错误");
    }
}

TEST_F(ConfigDocTest, OpenPathRules) {
    const fs::path demo = tmp / "projects/Demo";
    testsupport::CopyTree(testsupport::IniDir(), demo / "Ini");
    // Only the start lines and the identity: the open succeeds, the later sections report.
    const char* start = "[组态文件开始]\n格式=2\n[工程标识]\n{\n  工程名称=Demo\n  管理机地址=1\n"
                        "  工程时间=2024-1-2 3:4:5\n}\n";
    for (const char* v : {"ProjectV1.05", "Version2", "Project"})
        testsupport::WriteGbkText(demo / v / "X.ini", start);
    auto& c = CProjectContext::Instance();
    {
        CConfigDoc doc;
        EXPECT_EQ(doc.OpenProject(demo / "Version2/X.ini"), 0);
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"项目路径错误！"});
        EXPECT_EQ(c.LibraryFolder(), root / "Ini");
        EXPECT_TRUE(doc.m_deviceModels.IsEmpty());
    }
    prompts.Clear();
    {
        CConfigDoc doc;
        EXPECT_TRUE(doc.OnOpenDocument(demo / "ProjectV1.05/X.ini"));
        EXPECT_EQ(testsupport::Front(prompts.Texts()), "读组态文件错!\n第9行:\n");
        EXPECT_EQ(doc.m_projectTime, (CProjectTime{2024, 1, 2, 3, 4, 5, 0}));
        EXPECT_FLOAT_EQ(doc.m_fVersion, 1.05f);
        EXPECT_EQ(c.LibraryFolder(), demo / "Ini");
        EXPECT_EQ(c.ProjectsFolder(), tmp / "projects");
        EXPECT_EQ(doc.m_deviceModels.GetSize(), 5);
    }
    {
        CConfigDoc doc;
        EXPECT_EQ(doc.OpenProject(demo / "Project/X.ini"), 1);
        EXPECT_FLOAT_EQ(doc.m_fVersion, 0.0f);
    }
    {
        testsupport::WriteGbkText(demo / "ProjectV1.06/X.ini", "坏的\n");
        CConfigDoc doc;
        prompts.Clear();
        EXPECT_TRUE(doc.OnOpenDocument(demo / "ProjectV1.06/X.ini"));
        EXPECT_EQ(prompts.LastText(),
                  "管理机组态文件:" + (demo / "ProjectV1.06/X.ini").string() + "格式错误！");
        EXPECT_EQ(doc.m_protocolLibrary.GetSize(), 9);
    }
}

TEST_F(ConfigDocTest, SavesVersionsAndBacksUpOverwrittenOnes) {
    CConfigDoc doc;
    doc.OnNewDocument();
    const fs::path demo = root / "Project/Demo";
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_EQ(shell.proposals, std::vector<std::string>{"1.00"});
    EXPECT_EQ(shell.log, std::vector<std::string>{"系统管理员保存组态文件，工程名为：Demo。"});
    EXPECT_TRUE(fs::is_regular_file(demo / "ProjectV1.00/QXM7740.ini"));
    EXPECT_TRUE(fs::is_regular_file(demo / "Ini/规约/IEC104.ini"));
    EXPECT_TRUE(fs::is_directory(demo / "Temp"));
    EXPECT_EQ(CProjectContext::Instance().LibraryFolder(), demo / "Ini");
    EXPECT_EQ(doc.GetTitle(), (demo / "ProjectV1.00/QXM7740.ini").string());
    EXPECT_TRUE(prompts.Texts().empty());

    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_EQ(testsupport::Back(shell.proposals), "1.01");
    EXPECT_TRUE(fs::is_regular_file(demo / "ProjectV1.01/QXM7740.ini"));

    // Overwriting 1.00: its files go to Temp first and the new version takes the folder's place.
    testsupport::WriteBytes(demo / "ProjectV1.00/old.cfg", "old");
    shell.answerVersion = "1.00";
    prompts.Script({Answer::Yes});
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_EQ(prompts.LastText(), "版本号为1.00的工程文件已经存在，确认要覆盖么？");
    EXPECT_EQ(testsupport::ReadBytes(demo / "Temp/old.cfg"), "old");
    EXPECT_TRUE(fs::is_regular_file(demo / "Temp/QXM7740.ini"));
    EXPECT_FALSE(fs::exists(demo / "ProjectV1.00/old.cfg"));
    EXPECT_TRUE(fs::is_regular_file(demo / "ProjectV1.00/QXM7740.ini"));

    // Declining saves into the highest version plus 0.01.
    prompts.Script({Answer::No});
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_FLOAT_EQ(doc.m_fVersion, 1.02f);
    EXPECT_TRUE(fs::is_regular_file(demo / "ProjectV1.02/QXM7740.ini"));

    // Cancelled dialog, bad version text, refused rights: nothing written and nothing logged.
    const std::size_t logged = shell.log.size();
    shell.answerVersion = "x";
    EXPECT_EQ(doc.SaveProject(false), 0);
    EXPECT_EQ(prompts.LastText(), "请输入要保存的版本号！");
    shell.answerVersion.clear();
    shell.accept = false;
    EXPECT_EQ(doc.SaveProject(false), 0);
    shell.accept = true;
    shell.admin = false;
    shell.grant = false;
    EXPECT_EQ(doc.SaveProject(false), 0);
    shell.grant = true;
    EXPECT_EQ(shell.log.size(), logged);
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_EQ(shell.log.size(), logged + 1);
    EXPECT_EQ(testsupport::Back(shell.log), "张工保存组态文件，工程名为：Demo。");
    EXPECT_TRUE(fs::is_regular_file(demo / "ProjectV1.03/QXM7740.ini"));

    // No shell installed: nobody is logged in, so no rights and nothing written.
    CProjectContext::Instance().SetShell(nullptr);
    EXPECT_EQ(doc.SaveProject(false), 0);
    EXPECT_FALSE(fs::exists(demo / "ProjectV1.04"));
    std::string user;
    EXPECT_FALSE(CProjectContext::Instance().Shell().IsAdministrator());
    EXPECT_FALSE(CProjectContext::Instance().Shell().RequestPrivilege(4, user));
}

// The modified state follows what a save would write: set by any edit of the records, cleared
// by a save or an opening, set again when a save fails, and clear again once an edit is undone.
TEST_F(ConfigDocTest, EveryEditMakesTheProjectModifiedUntilItIsSaved) {
    CConfigDoc doc;
    doc.OnNewDocument();
    doctest::BuildSampleProject(doc, false);
    EXPECT_TRUE(doc.IsModified()); // a new project was never saved
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_FALSE(doc.IsModified());

    struct Edit {
        const char* what;
        std::function<void(CConfigDoc&)> change;
    };
    const std::vector<Edit> edits = {
        {"device address", [](CConfigDoc& d) { testsupport::Found(d.FindDevice(1))->m_nAddress = 77; }},
        {"description", [](CConfigDoc& d) { testsupport::Found(d.FindDevice(1))->m_strDescription = "新"; }},
        {"unit address", [](CConfigDoc& d) { d.m_boardCfg.m_nUnitAddress += 1; }},
        {"time source", [](CConfigDoc& d) { d.m_timeSources.Add(CTimeSource()); }},
        {"option value",
         [](CConfigDoc& d) {
             ASSERT_GT(d.m_boardCfg.m_groups.GetSize(), 0);
             ASSERT_FALSE(d.m_boardCfg.m_groups[0].m_rows.empty());
             ASSERT_FALSE(d.m_boardCfg.m_groups[0].m_rows[0].empty());
             d.m_boardCfg.m_groups[0].m_rows[0][0] += "1";
         }},
        {"entry text",
         [](CConfigDoc& d) {
             CDevice* device = testsupport::Found(d.FindDevice(1));
             ASSERT_GT(device->m_model.m_groups.GetSize(), 0);
             ASSERT_GT(device->m_model.m_groups[0].m_entries.GetSize(), 0);
             device->m_model.m_groups[0].m_entries[0].m_strDesc += "改";
         }},
        {"point reference number",
         [](CConfigDoc& d) {
             CRefTableArray& tables = d.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_tables;
             ASSERT_GT(tables.GetSize(), 0);
             ASSERT_GT(tables[0].m_entries.GetSize(), 0);
             tables[0].m_entries[0].m_nInf = -1;
         }},
        {"point reference value",
         [](CConfigDoc& d) {
             CRefTableArray& tables = d.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_tables;
             ASSERT_GT(tables.GetSize(), 0);
             ASSERT_GT(tables[0].m_entries.GetSize(), 0);
             ASSERT_FALSE(tables[0].m_entries[0].m_values.empty());
             tables[0].m_entries[0].m_values.back() = "长浮点数";
         }},
        {"device reference",
         [](CConfigDoc& d) {
             CPortConfigArray& configs =
                 d.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_configs.m_configs;
             ASSERT_GT(configs.GetSize(), 0);
             CRefTableArray& tables = configs[0].m_settings.m_tables;
             ASSERT_GT(tables.GetSize(), 1);
             ASSERT_GT(tables[1].m_devices.GetSize(), 0);
             tables[1].m_devices[0].m_nMappedAddress += 10;
         }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        CConfigDoc copy;
        ASSERT_TRUE(copy.OnOpenDocument(root / "Project/Demo/ProjectV1.00/QXM7740.ini"));
        EXPECT_FALSE(copy.IsModified());
        edit.change(copy);
        EXPECT_TRUE(copy.IsModified());
    }

    // An edit undone by hand leaves nothing to save.
    const std::string description = testsupport::Found(doc.FindDevice(1))->m_strDescription;
    testsupport::Found(doc.FindDevice(1))->m_strDescription = "临时";
    EXPECT_TRUE(doc.IsModified());
    testsupport::Found(doc.FindDevice(1))->m_strDescription = description;
    EXPECT_FALSE(doc.IsModified());

    // A save that fails keeps the edit modified; the next one that works clears it.
    testsupport::Found(doc.FindDevice(1))->m_strDescription = "改后";
    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Write, 1,
                        [](const fs::path& p) { return p.filename() == "QXM7740.ini"; });
        prompts.Clear();
        EXPECT_EQ(doc.SaveProject(false), 0);
    }
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_FALSE(doc.IsModified());
    // Taking the image wrote nothing beside the versions and showed nothing.
    prompts.Clear();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_FALSE(fs::exists(fs::current_path() / "image"));
}

// A save that cannot write a file (a full disk) fails, names the file and leaves every version
// as it was: the old version whole, no partial new version that would count as the newest.
// A save killed after the old version was moved aside and before the new one was renamed into
// place: the next save puts the old version back under its name instead of deleting it, and a
// leftover of a finished save is only cleared away.
TEST_F(ConfigDocTest, AnInterruptedReplaceGivesTheOldVersionBack) {
    CConfigDoc doc;
    doc.OnNewDocument();
    const fs::path demo = root / "Project/Demo";
    ASSERT_EQ(doc.SaveProject(false), 1);
    const std::string oldMain = testsupport::ReadBytes(demo / "ProjectV1.00/QXM7740.ini");
    // The state such a kill leaves.
    fs::rename(demo / "ProjectV1.00", demo / ".replaced");
    testsupport::WriteBytes(demo / ".replaced.name", "ProjectV1.00");
    testsupport::WriteBytes(demo / ".saving/QXM7740.ini", "half");
    shell.answerVersion = "1.01";
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_EQ(testsupport::ReadBytes(demo / "ProjectV1.00/QXM7740.ini"), oldMain);
    EXPECT_TRUE(fs::is_regular_file(demo / "ProjectV1.01/QXM7740.ini"));
    EXPECT_FALSE(fs::exists(demo / ".replaced"));
    EXPECT_FALSE(fs::exists(demo / ".replaced.name"));
    EXPECT_FALSE(fs::exists(demo / ".saving"));

    // Killed after the new version stood in place: the old copy is dropped, the new one kept.
    fs::create_directories(demo / ".replaced");
    testsupport::WriteBytes(demo / ".replaced/QXM7740.ini", "stale");
    testsupport::WriteBytes(demo / ".replaced.name", "ProjectV1.01");
    const std::string newMain = testsupport::ReadBytes(demo / "ProjectV1.01/QXM7740.ini");
    shell.answerVersion = "1.02";
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_EQ(testsupport::ReadBytes(demo / "ProjectV1.01/QXM7740.ini"), newMain);
    EXPECT_FALSE(fs::exists(demo / ".replaced"));
    // A name that is not one plain folder name is never followed.
    fs::create_directories(demo / ".replaced");
    testsupport::WriteBytes(demo / ".replaced.name", "../Elsewhere");
    shell.answerVersion = "1.03";
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_FALSE(fs::exists(root / "Project/Elsewhere"));
    EXPECT_FALSE(fs::exists(demo / ".replaced"));
}

// The same state is undone by whoever reads the project next, before any save: opening the
// version, or reading the list of versions.
TEST_F(ConfigDocTest, AnInterruptedReplaceIsUndoneWhenTheProjectIsRead) {
    const fs::path demo = root / "Project/Demo";
    std::string oldMain;
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        ASSERT_EQ(doc.SaveProject(false), 1);
        oldMain = testsupport::ReadBytes(demo / "ProjectV1.00/QXM7740.ini");
    }
    auto interrupt = [&] {
        fs::rename(demo / "ProjectV1.00", demo / ".replaced");
        testsupport::WriteBytes(demo / ".replaced.name", "ProjectV1.00");
        ASSERT_FALSE(fs::exists(demo / "ProjectV1.00"));
    };
    interrupt();
    {
        CConfigDoc doc;
        prompts.Clear();
        ASSERT_TRUE(doc.OnOpenDocument(demo / "ProjectV1.00/QXM7740.ini"));
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
        EXPECT_EQ(doc.m_boardCfg.m_strUnitName, "QXM7740");
        EXPECT_EQ(testsupport::ReadBytes(demo / "ProjectV1.00/QXM7740.ini"), oldMain);
        EXPECT_FALSE(fs::exists(demo / ".replaced"));
        EXPECT_FALSE(fs::exists(demo / ".replaced.name"));
    }
    interrupt();
    EXPECT_FLOAT_EQ(ParseVersionNumber(demo), 1.0f);
    EXPECT_EQ(testsupport::ReadBytes(demo / "ProjectV1.00/QXM7740.ini"), oldMain);
    interrupt();
    {
        CConfigDoc doc;
        EXPECT_EQ(doc.OpenProject(demo / "ProjectV1.00/QXM7740.ini"), 1);
        EXPECT_TRUE(fs::is_directory(demo / "ProjectV1.00"));
    }
}

// Putting the replaced version back can fail (the rename refused, the note unreadable): the
// replaced folder then holds the only copy of that version and stays with its note, through
// readings and saves of other versions, until a later reading puts it back.
TEST_F(ConfigDocTest, AFailedRestoreKeepsTheOnlyCopy) {
    const fs::path demo = root / "Project/Demo";
    const fs::path v1 = demo / "ProjectV1.00";
    std::string oldMain;
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        ASSERT_EQ(doc.SaveProject(false), 1);
        oldMain = testsupport::ReadBytes(v1 / "QXM7740.ini");
    }
    fs::rename(v1, demo / ".replaced");
    testsupport::WriteBytes(demo / ".replaced.name", "ProjectV1.00");
    auto expectKeptAside = [&] {
        EXPECT_FALSE(fs::exists(v1));
        EXPECT_EQ(testsupport::ReadBytes(demo / ".replaced/QXM7740.ini"), oldMain);
        EXPECT_EQ(testsupport::ReadBytes(demo / ".replaced.name"), "ProjectV1.00");
    };
    const auto toVersion = [&](const fs::path& p) { return p == v1; };
    const auto isNote = [&](const fs::path& p) { return p.filename() == ".replaced.name"; };
    {
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Rename, 1, toVersion);
        EXPECT_FLOAT_EQ(ParseVersionNumber(demo), 0.0f);
        EXPECT_EQ(faults.Failed(platform::FileStep::Rename), 1);
        expectKeptAside();
    }
    {
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Open, 1, isNote);
        ParseVersionNumber(demo);
        EXPECT_EQ(faults.Failed(platform::FileStep::Open), 1);
        expectKeptAside();
    }
    {
        // A save of another version while the rename back keeps failing: the new version is
        // written, the replaced one stays aside.
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Rename, 1, toVersion);
        CConfigDoc doc;
        doc.OnNewDocument();
        doc.m_fVersion = 1.0f;
        shell.answerVersion = "1.01";
        ASSERT_EQ(doc.SaveProject(false), 1);
        EXPECT_GE(faults.Failed(platform::FileStep::Rename), 1);
        EXPECT_TRUE(fs::is_regular_file(demo / "ProjectV1.01/QXM7740.ini"));
        expectKeptAside();
    }
    // The next reading puts it back; the project opens from it in a fresh document.
    CConfigDoc doc;
    prompts.Clear();
    ASSERT_TRUE(doc.OnOpenDocument(v1 / "QXM7740.ini"));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(testsupport::ReadBytes(v1 / "QXM7740.ini"), oldMain);
    EXPECT_FALSE(fs::exists(demo / ".replaced"));
    EXPECT_FALSE(fs::exists(demo / ".replaced.name"));
    EXPECT_FLOAT_EQ(ParseVersionNumber(demo), 1.01f);
}

// Replacing a version where the file system has no exchange of two folders: the old version is
// moved aside and the new one renamed in. A failure of either rename leaves the old version in
// place at once; a failed exchange leaves it as well.
TEST_F(ConfigDocTest, AFailedReplaceLeavesTheOldVersionInPlace) {
    CConfigDoc doc;
    doc.OnNewDocument();
    const fs::path demo = root / "Project/Demo";
    const fs::path v1 = demo / "ProjectV1.00";
    ASSERT_EQ(doc.SaveProject(false), 1);
    testsupport::WriteBytes(v1 / "old.cfg", "old");
    int exchangeError = EINVAL;
    fs::path failFrom;
    // A rename is asked with its new name: .saving becomes the version, the version .replaced.
    auto renamedFrom = [&](const fs::path& to) {
        return to.filename() == (failFrom == ".saving" ? fs::path("ProjectV1.00") : fs::path(".replaced"));
    };
    std::optional<platform::CFileFaults> faults;
    auto plan = [&] {
        faults.reset();
        faults.emplace().FailNth(platform::FileStep::Rename, failFrom.empty() ? 0 : 1, renamedFrom);
        faults->FailFrom(platform::FileStep::Exchange, exchangeError == 0 ? 0 : 1, {}, exchangeError);
    };
    auto overwrite = [&] {
        plan();
        prompts.Clear();
        shell.answerVersion = "1.00";
        prompts.Script({Answer::Yes});
        return doc.SaveProject(false);
    };
    for (const char* failing : {".saving", "ProjectV1.00"}) {
        SCOPED_TRACE(failing);
        failFrom = failing;
        EXPECT_EQ(overwrite(), 0);
        EXPECT_EQ(prompts.LastText(), "创建文件 " + v1.string() + " 失败!");
        // Looked at directly, before anything reads the versions again.
        EXPECT_EQ(testsupport::ReadBytes(v1 / "old.cfg"), "old");
        EXPECT_FALSE(fs::exists(demo / ".replaced"));
        EXPECT_FALSE(fs::exists(demo / ".replaced.name"));
        EXPECT_FALSE(fs::exists(demo / ".saving"));
    }
    exchangeError = EIO;
    failFrom.clear();
    EXPECT_EQ(overwrite(), 0);
    EXPECT_EQ(testsupport::ReadBytes(v1 / "old.cfg"), "old");
    EXPECT_FALSE(fs::exists(demo / ".saving"));

    // Both ways replace the version whole and leave nothing beside it.
    for (int error : {EINVAL, 0}) {
        exchangeError = error;
        testsupport::WriteBytes(v1 / "old.cfg", "old");
        EXPECT_EQ(overwrite(), 1);
        EXPECT_FALSE(fs::exists(v1 / "old.cfg"));
        EXPECT_TRUE(fs::is_regular_file(v1 / "QXM7740.ini"));
        for (const char* leftover : {".saving", ".replaced", ".replaced.name"})
            EXPECT_FALSE(fs::exists(demo / leftover)) << leftover;
    }
}

TEST_F(ConfigDocTest, FailedSavesLeaveEveryVersionWhole) {
    CConfigDoc doc;
    doc.OnNewDocument();
    const fs::path demo = root / "Project/Demo";
    ASSERT_EQ(doc.SaveProject(false), 1);
    const fs::path v1 = demo / "ProjectV1.00";
    testsupport::WriteBytes(v1 / "old.cfg", "old");
    fs::create_directories(v1 / "sub");
    testsupport::WriteBytes(v1 / "sub/keep.txt", "keep");
    const std::string oldMain = testsupport::ReadBytes(v1 / "QXM7740.ini");
    ASSERT_FALSE(oldMain.empty());
    auto expectOldVersion = [&] {
        EXPECT_EQ(testsupport::ReadBytes(v1 / "QXM7740.ini"), oldMain);
        EXPECT_EQ(testsupport::ReadBytes(v1 / "old.cfg"), "old");
        EXPECT_FALSE(fs::exists(demo / ".saving"));
        EXPECT_FLOAT_EQ(ParseVersionNumber(demo), 1.0f);
    };
    std::optional<platform::CFileFaults> faults;

    // Overwriting 1.00 while the main file cannot be written whole.
    for (const std::string name : {"QXM7740.ini", "ccu_工程间隔.cfg"}) {
        SCOPED_TRACE(name);
        prompts.Clear();
        shell.answerVersion = "1.00";
        prompts.Script({Answer::Yes});
        faults.emplace().FailFrom(platform::FileStep::Write, 1, [&](const fs::path& p) {
            return p.filename() == name && p.parent_path().filename() == ".saving";
        });
        const std::size_t logged = shell.log.size();
        EXPECT_EQ(doc.SaveProject(false), 0);
        faults.reset();
        EXPECT_EQ(shell.log.size(), logged) << "a failed save is not logged";
        ASSERT_EQ(prompts.Count(), 2u);
        EXPECT_EQ(testsupport::At(prompts.Texts(), 1),
                  "创建文件 " + (demo / ".saving" / name).string() + " 失败!");
        expectOldVersion();
    }

    // A backup into Temp/ that fails stops the save before anything is written.
    prompts.Clear();
    fs::remove_all(demo / "Temp");
    fs::create_directories(demo / "Temp");
    shell.answerVersion = "1.00";
    prompts.Script({Answer::Yes});
    faults.emplace().FailFrom(platform::FileStep::Write, 1,
                              [&](const fs::path& p) { return p.parent_path().filename() == "Temp"; });
    EXPECT_EQ(doc.SaveProject(false), 0);
    faults.reset();
    ASSERT_EQ(prompts.Count(), 2u);
    EXPECT_EQ(testsupport::At(prompts.Texts(), 1).rfind("创建文件 " + (demo / "Temp").string() + "/", 0), 0u)
        << testsupport::At(prompts.Texts(), 1);
    expectOldVersion();

    // A new version on a full disk: no version folder appears.
    prompts.Clear();
    shell.answerVersion = "1.01";
    faults.emplace().FailFrom(platform::FileStep::Write, 1,
                              [&](const fs::path& p) { return p.filename() == "system.cfg"; });
    EXPECT_EQ(doc.SaveProject(false), 0);
    faults.reset();
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"创建文件 " + (demo / ".saving/system.cfg").string() + " 失败!"});
    EXPECT_FALSE(fs::exists(demo / "ProjectV1.01"));
    expectOldVersion();

    // A leftover of a killed save does not stop the next one; overwriting keeps subfolders.
    fs::create_directories(demo / ".saving");
    testsupport::WriteBytes(demo / ".saving/QXM7740.ini", "");
    prompts.Clear();
    shell.answerVersion = "1.00";
    prompts.Script({Answer::Yes});
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_FALSE(fs::exists(v1 / "old.cfg"));
    EXPECT_EQ(testsupport::ReadBytes(v1 / "sub/keep.txt"), "keep");
    EXPECT_FALSE(testsupport::ReadBytes(v1 / "QXM7740.ini").empty());
    EXPECT_EQ(testsupport::ReadBytes(demo / "Temp/old.cfg"), "old");
    EXPECT_FALSE(fs::exists(demo / ".saving"));
    EXPECT_FALSE(fs::exists(demo / ".replaced"));
}

TEST_F(ConfigDocTest, SaveCopiesLibraryWheneverProjectIniIsMissing) {
    CConfigDoc doc;
    doc.OnNewDocument();
    ASSERT_EQ(doc.SaveProject(false), 1);
    const fs::path demo = root / "Project/Demo";
    // The library copy lost: the next save (version above 0) restores it from the library in use.
    CProjectContext::Instance().SetLibraryFolder(root / "Ini");
    fs::remove_all(demo / "Ini");
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_TRUE(fs::is_regular_file(demo / "Ini/组态配置.ini"));
}

// Every file below a folder with its bytes, by its path relative to the folder.
std::map<std::string, std::string> TreeFiles(const fs::path& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file())
            files[fs::relative(it->path(), folder).generic_string()] = testsupport::ReadBytes(it->path());
    return files;
}

// A first save whose library copy fails at any step (a full disk, a refused rename) ends with
// the file named and leaves no project library copy, so that the next save makes it whole; the
// project then opens in a fresh document and saves the same main file again.
TEST_F(ConfigDocTest, AFailedLibraryCopyEndsTheSaveWithNothingPartial) {
    const fs::path demo = root / "Project/Demo";
    const fs::path staging = demo / ".Ini.copying";
    const fs::path reference = tmp.Path() / "reference";
    ASSERT_TRUE(CConfigDoc::CopyLibraries(root / "Ini", reference));
    const std::map<std::string, std::string> whole = TreeFiles(reference);
    ASSERT_GT(whole.size(), 30u);

    CConfigDoc doc;
    doc.OnNewDocument();
    doctest::BuildSampleProject(doc, false);
    const auto inCopy = [&](const fs::path& p) { return p.string().rfind(staging.string() + "/", 0) == 0; };
    const auto isIni = [&](const fs::path& p) { return p == demo / "Ini"; };
    struct Case {
        platform::FileStep step;
        int nth;
        std::function<bool(const fs::path&)> filter;
        fs::path named; // empty: a file of the copy
        bool onward = false;
    };
    const std::vector<Case> cases = {
        {platform::FileStep::Write, 12, inCopy, {}}, {platform::FileStep::Open, 20, inCopy, {}, true},
        {platform::FileStep::Sync, 30, inCopy, {}},  {platform::FileStep::Rename, 7, inCopy, {}},
        {platform::FileStep::Copy, 35, inCopy, {}},  {platform::FileStep::Rename, 1, isIni, demo / "Ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step) * 100 + c.nth);
        prompts.Clear();
        platform::CFileFaults faults;
        if (c.onward)
            faults.FailFrom(c.step, c.nth, c.filter);
        else
            faults.FailNth(c.step, c.nth, c.filter);
        EXPECT_EQ(doc.SaveProject(false), 0);
        EXPECT_GE(faults.Failed(c.step), 1);
        ASSERT_EQ(prompts.Count(), 1u);
        const std::string text = prompts.LastText();
        if (c.named.empty())
            EXPECT_EQ(text.rfind("创建文件 " + staging.string() + "/", 0), 0u) << text;
        else
            EXPECT_EQ(text, "创建文件 " + c.named.string() + " 失败!");
        EXPECT_FALSE(fs::exists(demo / "Ini"));
        EXPECT_FALSE(fs::exists(staging));
        EXPECT_FLOAT_EQ(ParseVersionNumber(demo), 0.0f);
        EXPECT_EQ(CProjectContext::Instance().LibraryFolder(), root / "Ini");
    }
    // A copy killed part way leaves only its folder beside: the next save starts it anew.
    testsupport::WriteBytes(staging / "组态配置.ini", "");
    prompts.Clear();
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(TreeFiles(demo / "Ini"), whole);
    EXPECT_FALSE(fs::exists(staging));
    const std::string main = testsupport::ReadBytes(demo / "ProjectV1.00/QXM7740.ini");

    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(demo / "ProjectV1.00/QXM7740.ini"));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    shell.answerVersion = "1.01";
    ASSERT_EQ(reopened.SaveProject(false), 1);
    EXPECT_EQ(testsupport::ReadBytes(demo / "ProjectV1.01/QXM7740.ini"), main);
}

// A project library copy that exists with files missing or left empty by a failed copy is
// completed by the first save; a copy that fails there leaves no part of a file under its name.
TEST_F(ConfigDocTest, AnIncompleteLibraryCopyIsCompletedWithoutPartialFiles) {
    const fs::path demo = root / "Project/Demo";
    const fs::path ini = demo / "Ini";
    const fs::path reference = tmp.Path() / "reference";
    ASSERT_TRUE(CConfigDoc::CopyLibraries(root / "Ini", reference));
    const std::map<std::string, std::string> whole = TreeFiles(reference);
    testsupport::CopyTree(reference, ini);
    for (const char* emptied :
         {"二次装置/QXE300.txt", "二次装置/devlist.ini", "规约/ModbusRTU.ini", "组态配置.ini"})
        testsupport::WriteBytes(ini / emptied, "");
    fs::remove_all(ini / "一次设备");
    // A file of the project's own that differs from the library stays as it is.
    testsupport::WriteBytes(ini / "二次装置/QXC901.cfg", "[属性]\n");
    std::map<std::string, std::string> expected = whole;
    expected["二次装置/QXC901.cfg"] = "[属性]\n";

    CConfigDoc doc;
    doc.OnNewDocument();
    doctest::BuildSampleProject(doc, false);
    {
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Write, 3,
                       [&](const fs::path& p) { return p.string().rfind(ini.string() + "/", 0) == 0; });
        EXPECT_EQ(doc.SaveProject(false), 0);
        ASSERT_EQ(faults.Failed(platform::FileStep::Write), 1);
        ASSERT_EQ(prompts.Count(), 1u);
        EXPECT_EQ(prompts.LastText().rfind("创建文件 " + ini.string() + "/", 0), 0u) << prompts.LastText();
        // Every file there is empty as it was, or whole.
        for (const auto& [name, bytes] : TreeFiles(ini)) {
            if (!bytes.empty()) {
                EXPECT_EQ(bytes, expected[name]) << name;
            }
        }
        EXPECT_FLOAT_EQ(ParseVersionNumber(demo), 0.0f);
    }
    prompts.Clear();
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(TreeFiles(ini), expected);

    // Reopened, the project finds its models and protocols and keeps its port, device and table.
    const std::string main = testsupport::ReadBytes(demo / "ProjectV1.00/QXM7740.ini");
    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(demo / "ProjectV1.00/QXM7740.ini"));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    shell.answerVersion = "1.01";
    ASSERT_EQ(reopened.SaveProject(false), 1);
    EXPECT_EQ(testsupport::ReadBytes(demo / "ProjectV1.01/QXM7740.ini"), main);
}

// A project library whose option kind no longer matches system.cfg: the line of that option is
// rejected, and it and the options after it take the library's defaults (not empty values),
// which the opening says once; the next save writes the defaults and opens again quietly.
TEST_F(ConfigDocTest, OptionsNotReadFromSystemCfgKeepTheirDefaults) {
    const fs::path demo = root / "Project/Demo";
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        doctest::BuildSampleProject(doc, false);
        doc.m_boardCfg.m_groups[0].m_rows[0] = {"串口对时", "主备", "5000", "0.5"};
        doc.m_boardCfg.m_groups[1].m_rows[0][0] = "10.0.0.9";
        ASSERT_EQ(doc.SaveProject(false), 1);
    }
    const fs::path options = demo / "Ini/组态配置.ini";
    std::string text = testsupport::ReadGbkText(options);
    const std::string before = "选项2=双机模式,ENUM,单机(单机,主备,双主)";
    ASSERT_NE(text.find(before), std::string::npos);
    text.replace(text.find(before), before.size(), "选项2=双机模式,BYTE,0(0-2)");
    testsupport::WriteGbkText(options, text);

    prompts.Clear();
    CConfigDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(demo / "ProjectV1.00/QXM7740.ini"));
    ASSERT_EQ(prompts.Count(), 2u);
    EXPECT_EQ(testsupport::At(prompts.Texts(), 0).rfind("读组态文件system.cfg错!\n第8行:", 0), 0u)
        << testsupport::At(prompts.Texts(), 0);
    EXPECT_EQ(testsupport::At(prompts.Texts(), 1),
              "组态文件system.cfg中未能读出的选项按定义的默认值使用:\n双机模式, SOE缓存条数, 遥测死区, "
              "IP地址, 子网掩码, 默认网关");
    ASSERT_EQ(doc.m_boardCfg.m_groups[0].m_rows.size(), 1u);
    EXPECT_EQ(doc.m_boardCfg.m_groups[0].m_rows[0], (CStringArray{"串口对时", "0", "2000", "0.2"}));
    // A group after the rejected line is not read either: it keeps its library row.
    EXPECT_EQ(doc.m_boardCfg.m_groups[1].m_rows[0][0], "192.168.0.200");

    shell.answerVersion = "1.01";
    ASSERT_EQ(doc.SaveProject(false), 1);
    const std::string saved = testsupport::ReadGbkText(demo / "ProjectV1.01/system.cfg");
    EXPECT_NE(saved.find("双机模式(BYTE)=0\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("SOE缓存条数(WORD)=2000\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("遥测死区(FLOAT)=0.2\n"), std::string::npos) << saved;
    prompts.Clear();
    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(demo / "ProjectV1.01/QXM7740.ini"));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(reopened.m_boardCfg.m_groups[0].m_rows[0], (CStringArray{"串口对时", "0", "2000", "0.2"}));
}

TEST_F(ConfigDocTest, UploadedProjectAsksBeforeCopyingIntoExistingIni) {
    const fs::path up = root / "UpTemp/Ini";
    testsupport::CopyTree(testsupport::IniDir(), up);
    CProjectContext::Instance().SetLibraryFolder(up);
    CConfigDoc doc;
    doc.OnNewDocument();
    const fs::path demo = root / "Project/Demo";
    fs::create_directories(demo / "ProjectV2.00");
    fs::create_directories(demo / "Ini");
    prompts.Script({Answer::No});
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_EQ(
        testsupport::At(prompts.Texts(), 0),
        "工程（Demo）的配置文件已经存在，确认要覆盖么？\n如果配置文件不一致，下次打开工程时可能会失败！");
    EXPECT_FALSE(fs::exists(demo / "Ini/组态配置.ini"));
    EXPECT_EQ(testsupport::Back(shell.proposals), "2.01");
}

TEST_F(ConfigDocTest, LibraryCopiesNeverOverwrite) {
    const fs::path target = tmp / "copy";
    testsupport::WriteBytes(target / "二次装置/QXC901.txt", "mine");
    testsupport::WriteBytes(root / "Ini/UserDefine/sub/a.dat", "a");
    testsupport::WriteBytes(root / "Ini/其他/x.scd", "x");
    testsupport::WriteBytes(root / "Ini/Skipped/y.txt", "y");
    CConfigDoc::CopyLibraries(root / "Ini", target);
    EXPECT_EQ(testsupport::ReadBytes(target / "二次装置/QXC901.txt"), "mine");
    EXPECT_TRUE(fs::is_regular_file(target / "二次装置/QXC901.cfg"));
    EXPECT_TRUE(fs::is_regular_file(target / "二次装置/IEC61850_QXB610.txt"));
    EXPECT_TRUE(fs::is_regular_file(target / "二次装置/QXB610.icd"));
    EXPECT_TRUE(fs::is_regular_file(target / "二次装置/自定义装置.cfg"));
    EXPECT_TRUE(fs::is_regular_file(target / "一次设备/后台信息配置.ini"));
    EXPECT_TRUE(fs::is_regular_file(target / "组态配置.ini"));
    EXPECT_TRUE(fs::is_regular_file(target / "UserDefine/sub/a.dat"));
    EXPECT_TRUE(fs::is_directory(target / "其他"));
    EXPECT_FALSE(fs::exists(target / "其他/x.scd"));
    EXPECT_FALSE(fs::exists(target / "Skipped"));
    // The same folder is left alone.
    CConfigDoc::CopyLibraries(root / "Ini", root / "INI");
}

// ---------------------------------------------------------------------------------------------

TEST_F(ConfigDocTest, IedListFromScd) {
    const fs::path scd = tmp / "mine.scd";
    testsupport::WriteBytes(scd, "<?xml version=\"1.0\"?>\n<SCL xmlns:rScl=\"urn:r\"><Header id=\"a\"/>"
                                 "<IED name=\"P1\" type=\"T1\" rScl:uri=\"IED/P1.cid\"/>"
                                 "<ied name=\"P2\"/><Other><IED name=\"nested\"/></Other></SCL>\n");
    CConfigDoc doc;
    ASSERT_EQ(doc.ImportScdFile(scd.string()), 1);
    ASSERT_EQ(doc.m_iedList.GetSize(), 2);
    EXPECT_EQ(doc.m_iedList[0], (CIedRecord{"P1", "T1", "IED/P1.cid"}));
    EXPECT_EQ(doc.m_iedList[1], (CIedRecord{"P2", "", ""}));
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).text, "SCD配置文件导入成功！");
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).caption, "导入完成");

    // The project's own file: the first .scd of the SCD folder, without the box; an empty folder
    // leaves the list as it was.
    prompts.Clear();
    EXPECT_EQ(doc.ImportScdFile({}), 0);
    EXPECT_EQ(doc.m_iedList.GetSize(), 2);
    fs::create_directories(Lib("其他"));
    EXPECT_EQ(doc.ImportScdFile({}), 0);
    fs::copy_file(testsupport::TestDataDir() / "scl/station.scd", Lib("其他/station.scd"));
    EXPECT_EQ(doc.ImportScdFile({}), 1);
    ASSERT_EQ(doc.m_iedList.GetSize(), 4);
    EXPECT_EQ(doc.m_iedList[2].m_strUri, "");
    EXPECT_TRUE(prompts.Texts().empty());

    // IEDs read one at a time: a prefixed name and IEDs below other elements are not listed.
    testsupport::WriteBytes(scd,
                            "<SCL xmlns:x=\"urn:x\"><IED name=\"A\"/><x:IED name=\"B\"/><Private>"
                            "<IED name=\"n\"/></Private><IED name=\"C\" type=\"t\"><LDevice/></IED></SCL>");
    EXPECT_EQ(doc.ImportScdFile(scd.string()), 1);
    ASSERT_EQ(doc.m_iedList.GetSize(), 2);
    EXPECT_EQ(doc.m_iedList[0], (CIedRecord{"A", "", ""}));
    EXPECT_EQ(doc.m_iedList[1], (CIedRecord{"C", "t", ""}));

    // A file whose SCL elements carry a bound prefix lists its IEDs, read one by one and whole
    // (an IED spelt otherwise among them); one without IEDs is no success.
    for (const char* other : {"", "<s:ied name=\"D\"/>"}) {
        testsupport::WriteBytes(scd, std::string("<s:SCL xmlns:s=\"http://www.iec.ch/61850/2003/SCL\">"
                                                 "<s:Header id=\"h\"/><s:IED name=\"A\" type=\"t\"/>") +
                                         other + "<s:IED name=\"B\"/></s:SCL>");
        EXPECT_EQ(doc.ImportScdFile(scd.string()), 1);
        ASSERT_EQ(doc.m_iedList.GetSize(), *other ? 3 : 2);
        EXPECT_EQ(doc.m_iedList[0], (CIedRecord{"A", "t", ""}));
    }
    // A root without a prefix whose IEDs carry one bound to the SCL namespace, on the root or on
    // the IED; a prefix bound elsewhere is another namespace's.
    for (const char* body :
         {"<SCL xmlns:s=\"http://www.iec.ch/61850/2003/SCL\"><s:IED name=\"A\" type=\"t\"/>"
          "<s:IED name=\"B\"/><x:IED xmlns:x=\"urn:x\" name=\"no\"/></SCL>",
          "<SCL><s:IED xmlns:s=\"http://www.iec.ch/61850/2003/SCL\" name=\"A\" type=\"t\"/>"
          "<s:IED xmlns:s=\"http://www.iec.ch/61850/2003/SCL\" name=\"B\"/><s:IED xmlns:s=\"urn:x\" "
          "name=\"no\"/>"
          "</SCL>"}) {
        testsupport::WriteBytes(scd, body);
        prompts.Clear();
        EXPECT_EQ(doc.ImportScdFile(scd.string()), 1) << body;
        ASSERT_EQ(doc.m_iedList.GetSize(), 2) << body;
        EXPECT_EQ(doc.m_iedList[0], (CIedRecord{"A", "t", ""}));
        EXPECT_EQ(doc.m_iedList[1], (CIedRecord{"B", "", ""}));
        EXPECT_EQ(prompts.LastText(), "SCD配置文件导入成功！");
    }
    testsupport::WriteBytes(scd, "<SCL><Header id=\"h\"/></SCL>");
    prompts.Clear();
    EXPECT_EQ(doc.ImportScdFile(scd.string()), 0);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).caption, "导入失败");

    // A file that does not parse: the wrapper's message, an empty list, FALSE; also when only
    // an IED is broken, a big one too (what it holds is left out of its tree, not unread).
    std::string padding;
    for (int k = 0; k < 40'000; ++k)
        padding += "<LN inst=\"" + std::to_string(k) + "\"><DOI name=\"x\"/></LN>\n";
    for (const std::string& body : {std::string("<x>"), padding, padding + "<x>"}) {
        testsupport::WriteBytes(scd,
                                "<SCL><IED name=\"A\"/><IED name=\"B\" type=\"t\">" + body + "</IED></SCL>");
        prompts.Clear();
        if (body == padding) {
            EXPECT_EQ(doc.ImportScdFile(scd.string()), 1);
            ASSERT_EQ(doc.m_iedList.GetSize(), 2);
            EXPECT_EQ(doc.m_iedList[1], (CIedRecord{"B", "t", ""}));
            continue;
        }
        EXPECT_EQ(doc.ImportScdFile(scd.string()), 0);
        EXPECT_EQ(doc.m_iedList.GetSize(), 0);
        ASSERT_EQ(prompts.Count(), 1u);
        EXPECT_EQ(testsupport::Back(prompts.Messages()).caption, "错误提示");
    }
    testsupport::WriteBytes(scd, "<SCL><IED></SCL>");
    EXPECT_EQ(doc.ImportScdFile(scd.string()), 0);
    EXPECT_EQ(doc.m_iedList.GetSize(), 0);
    EXPECT_EQ(testsupport::Back(prompts.Messages()).caption, "错误提示");
}

TEST_F(ConfigDocTest, CopyAndImportScdKeepsOneFile) {
    CConfigDoc doc;
    const fs::path folder = Lib("其他");
    testsupport::WriteBytes(folder / "old.scd", "<SCL/>");
    testsupport::WriteBytes(folder / "note.txt", "n");
    const fs::path chosen = tmp / "station.scd";
    fs::copy_file(testsupport::TestDataDir() / "scl/station.scd", chosen);
    EXPECT_EQ(doc.CopyAndImportScd(chosen.string()), 1);
    EXPECT_FALSE(fs::exists(folder / "old.scd"));
    EXPECT_TRUE(fs::exists(folder / "note.txt"));
    EXPECT_EQ(doc.m_iedList.GetSize(), 4);
    // Choosing the file already there removes every other file of the folder.
    EXPECT_EQ(doc.CopyAndImportScd((folder / "station.scd").string()), 1);
    EXPECT_FALSE(fs::exists(folder / "note.txt"));
    EXPECT_TRUE(fs::exists(folder / "station.scd"));
}

// A GB2312-declared SCD lists its IED names and types as UTF-8 texts.
TEST_F(ConfigDocTest, IedListOfAGbkScdIsConverted) {
    const fs::path scd = tmp / "gbk.scd";
    testsupport::WriteBytes(scd, "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<SCL><IED name=\"" +
                                     platform::ToGbk("主变保护") + "\" type=\"" + platform::ToGbk("高压侧") +
                                     "\" rScl:uri=\"IED/" + platform::ToGbk("主变") + ".cid\"/></SCL>\n");
    CConfigDoc doc;
    ASSERT_EQ(doc.ImportScdFile(scd.string()), 1);
    ASSERT_EQ(doc.m_iedList.GetSize(), 1);
    EXPECT_EQ(doc.m_iedList[0], (CIedRecord{"主变保护", "高压侧", "IED/主变.cid"}));
}

// A copy that fails keeps the project's SCD file and its IED list and says so.
TEST_F(ConfigDocTest, FailedScdCopyKeepsTheOldFile) {
    CConfigDoc doc;
    const fs::path folder = Lib("其他");
    fs::create_directories(folder);
    fs::copy_file(testsupport::TestDataDir() / "scl/station.scd", folder / "old.scd");
    ASSERT_EQ(doc.ImportScdFile({}), 1);
    ASSERT_EQ(doc.m_iedList.GetSize(), 4);
    const std::string missing = (tmp / "gone.scd").string();
    EXPECT_EQ(doc.CopyAndImportScd(missing), 0);
    EXPECT_TRUE(fs::exists(folder / "old.scd"));
    EXPECT_EQ(fs::file_size(folder / "old.scd"),
              fs::file_size(testsupport::TestDataDir() / "scl/station.scd"));
    EXPECT_EQ(ListFiles(folder).size(), 1u);
    EXPECT_EQ(doc.m_iedList.GetSize(), 4);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).text, "复制SCD文件(" + missing + ")失败！");
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).icon, platform::Icon::Error);

    // A good copy of another name replaces the old file.
    const fs::path chosen = tmp / "new.scd";
    fs::copy_file(testsupport::TestDataDir() / "scl/station.scd", chosen);
    EXPECT_EQ(doc.CopyAndImportScd(chosen.string()), 1);
    EXPECT_FALSE(fs::exists(folder / "old.scd"));
    EXPECT_TRUE(fs::exists(folder / "new.scd"));
    EXPECT_EQ(ListFiles(folder).size(), 1u);
}

// Choosing an SCD file for the project that names no IED, does not parse or cannot be copied
// (any step of the copy failing) keeps the project's SCD file and its IED list; a good one then
// replaces them, and the project reopened in a fresh document lists its IEDs.
TEST_F(ConfigDocTest, AnScdThatCannotBeUsedKeepsTheProjectsOwn) {
    const fs::path demo = root / "Project/Demo";
    CConfigDoc doc;
    doc.OnNewDocument();
    ASSERT_EQ(doc.SaveProject(false), 1);
    const fs::path folder = demo / "Ini/其他";
    ASSERT_EQ(doc.ScdFolder(), folder);
    const fs::path station = tmp.Path() / "station.scd";
    fs::copy_file(testsupport::TestDataDir() / "scl/station.scd", station);
    ASSERT_EQ(doc.CopyAndImportScd(station.string()), 1);
    const std::string original = testsupport::ReadBytes(folder / "station.scd");
    auto expectOldScd = [&] {
        EXPECT_EQ(ListFiles(folder), std::vector<fs::path>{folder / "station.scd"});
        EXPECT_EQ(testsupport::ReadBytes(folder / "station.scd"), original);
        EXPECT_EQ(doc.m_iedList.GetSize(), 4);
    };
    expectOldScd();

    const fs::path chosen = tmp.Path() / "chosen";
    struct Bad {
        std::string name, bytes, message; // empty message: the XML reader's own
    };
    const std::vector<Bad> bad = {
        {"none.scd", "<SCL><Header id=\"h\"/></SCL>",
         "SCD配置文件(" + (chosen / "none.scd").string() + ")中没有IED！"},
        {"broken.scd", "<SCL><IED name=", ""},
        {"station.scd", "<SCL><IED name=", ""},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        testsupport::WriteBytes(chosen / b.name, b.bytes);
        prompts.Clear();
        EXPECT_EQ(doc.CopyAndImportScd((chosen / b.name).string()), 0);
        ASSERT_EQ(prompts.Count(), 1u);
        if (!b.message.empty()) {
            EXPECT_EQ(prompts.LastText(), b.message);
        }
        expectOldScd();
    }
    // A broken file put into the folder by hand and chosen there: the other files stay.
    testsupport::WriteBytes(folder / "hand.scd", "<SCL><IED name=");
    EXPECT_EQ(doc.CopyAndImportScd((folder / "hand.scd").string()), 0);
    EXPECT_EQ(testsupport::ReadBytes(folder / "station.scd"), original);
    fs::remove(folder / "hand.scd");

    const std::string two = "<SCL><IED name=\"P1\" type=\"T1\"/><IED name=\"P2\"/></SCL>";
    testsupport::WriteBytes(chosen / "new.scd", two);
    const auto inFolder = [&](const fs::path& p) { return p.parent_path() == folder; };
    for (platform::FileStep step :
         {platform::FileStep::Copy, platform::FileStep::Open, platform::FileStep::Write,
          platform::FileStep::Sync, platform::FileStep::Rename}) {
        SCOPED_TRACE(static_cast<int>(step));
        prompts.Clear();
        platform::CFileFaults faults;
        faults.FailNth(step, 1, inFolder);
        EXPECT_EQ(doc.CopyAndImportScd((chosen / "new.scd").string()), 0);
        EXPECT_EQ(faults.Failed(step), 1);
        EXPECT_EQ(prompts.Texts(),
                  std::vector<std::string>{"复制SCD文件(" + (chosen / "new.scd").string() + ")失败！"});
        expectOldScd();
    }
    prompts.Clear();
    ASSERT_EQ(doc.CopyAndImportScd((chosen / "new.scd").string()), 1);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"SCD配置文件导入成功！"});
    EXPECT_EQ(ListFiles(folder), std::vector<fs::path>{folder / "new.scd"});
    EXPECT_EQ(testsupport::ReadBytes(folder / "new.scd"), two);

    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(demo / "ProjectV1.00/QXM7740.ini"));
    ASSERT_EQ(reopened.m_iedList.GetSize(), 2);
    EXPECT_EQ(reopened.m_iedList[0], (CIedRecord{"P1", "T1", ""}));
}

} // namespace

namespace {

TEST_F(ConfigDocTest, BrokenListItemsEndTheirLists) {
    testsupport::WriteGbkText(Lib("一次设备/setting.ini"), "遥信转发配置\n缺少\n遥测转发配置\n");
    testsupport::WriteGbkText(Lib("一次设备/equipmentlist.ini"), "断路器\n没有\n隔离刀闸\n");
    testsupport::WriteGbkText(Lib("组态配置.ini"),
                              "[装置属性]\n名称=U\n[装置总表扩展信息]\n数目=2\n选项1=甲\n"
                              "选项2=乙,WORD,1(0-9)\n[SysConfig]\nGetGoosePoints=TRUE\n"
                              "GetDescFromDu=no\n");
    CConfigDoc doc;
    doc.OnNewDocument();
    const fs::path lib = root / "Ini";
    EXPECT_EQ(
        prompts.Texts(),
        (std::vector<std::string>{
            "读取文件:" + (lib / "组态配置.ini").string() + "\n[装置总表扩展信息]\"选项1\"失败!",
            "配置文件:" + (lib / "一次设备/缺少.ini").string() + "打开错误", "读取配置缺少信息文本错误!\n",
            "配置文件:" + (lib / "一次设备/没有.ini").string() + "打开错误",
            "读取一次设备没有信息文本错误!\n"}));
    EXPECT_EQ(doc.m_portConfigLibrary.GetSize(), 1);
    EXPECT_EQ(doc.m_equipmentLibrary.GetSize(), 1);
    ASSERT_EQ(doc.m_deviceExtItems.GetSize(), 2);
    EXPECT_EQ(doc.m_deviceExtItems[0], COptionItem());
    EXPECT_TRUE(CProjectContext::Instance().m_bGetGoosePoints);
    EXPECT_FALSE(CProjectContext::Instance().m_bGetDescFromDu);
    // No boards in this unit file: only the virtual devices.
    EXPECT_EQ(doc.m_boardCfg.m_boards.GetSize(), 0);
}

TEST_F(ConfigDocTest, MissingModelSettingsFileStillLoadsTheModel) {
    fs::remove(Lib("二次装置/QXC901.cfg"));
    CConfigDoc doc;
    doc.OnNewDocument();
    EXPECT_TRUE(prompts.Texts().empty());
    const CDeviceTemplate* model = doc.m_deviceModels.FindByName("QXC901");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->m_strProtocol, "");
    EXPECT_EQ(model->m_optionGroups.GetSize(), 0);
    ASSERT_EQ(model->m_groups.GetSize(), 3);
    EXPECT_EQ(model->m_groups[0].m_nType, kInfoTypeOther);
}

} // namespace
