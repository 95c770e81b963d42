// The configuration file reader: a saved project opens again and saves to the same bytes; single
// rejected lines of the main file and the bay file give their first message and the stated open
// result; folder helpers and CountCcuCfgLines.
#include "DocFixture.h"
#include "tests/support/CpuTime.h"
#include "tests/support/Found.h"

#include "projectmodel/FolderHelpers.h"
#include "projectmodel/TextHelpers.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace projectmodel;
using platform::Answer;
namespace fs = std::filesystem;

namespace {

class ConfigReaderTest : public doctest::DocFixture {
protected:
    // Saves the sample project as ProjectV1.00 of Demo; returns its main file.
    fs::path SaveSample() {
        CConfigDoc doc;
        doc.OnNewDocument();
        doctest::BuildSampleProject(doc, false);
        EXPECT_EQ(doc.SaveProject(false), 1);
        EXPECT_TRUE(prompts.Texts().empty());
        prompts.Clear();
        return root / "Project/Demo/ProjectV1.00/QXM7740.ini";
    }
    // Replaces the first line equal to from (a whole line, UTF-8) by to in a GBK file.
    static void Mutate(const fs::path& file, const std::string& from, const std::string& to) {
        std::string text = "\n" + testsupport::ReadGbkText(file);
        const std::string key = "\n" + from + "\n";
        const std::size_t at = text.find(key);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at + 1, from.size(), to);
        testsupport::WriteGbkText(file, text.substr(1));
    }
};

TEST_F(ConfigReaderTest, SavedProjectOpensAgainAndSavesTheSameBytes) {
    const fs::path main = SaveSample();
    CConfigDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(main));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(doc.m_strProjectName, "Demo");
    EXPECT_FLOAT_EQ(doc.m_fVersion, 1.0f);
    EXPECT_EQ(doc.m_devices.GetSize(), 4);
    const CDevice* device = doc.FindDevice(1);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->m_nBoard, 0);
    EXPECT_EQ(device->m_model.m_nPortGroup, 0);
    EXPECT_EQ(device->m_model.m_nPortIndex, 0);
    EXPECT_EQ(testsupport::At(device->m_optionValues, 2), "线路一");
    EXPECT_EQ(testsupport::Found(doc.FindDevice(kCompositeDeviceAddress))->m_model.m_groups.GetSize(), 3);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(kCompositeDeviceAddress, 1, 1))->m_expr.m_operands.size(),
              3u);
    EXPECT_EQ(doc.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_configs.m_configs.GetSize(), 1);
    EXPECT_EQ(doc.m_prjDevices.GetSize(), 1);
    EXPECT_EQ(doc.m_timeSources.GetSize(), 1);
    EXPECT_TRUE(CProjectContext::Instance().IsDeviceTableSorted());

    shell.answerVersion = "2.00";
    ASSERT_EQ(doc.SaveProject(false), 1);
    const fs::path v1 = main.parent_path(), v2 = root / "Project/Demo/ProjectV2.00";
    EXPECT_EQ(CompareFolderFiles(v1, v2), 1);
    for (const auto& e : fs::directory_iterator(v1))
        EXPECT_EQ(testsupport::ReadBytes(e.path()), testsupport::ReadBytes(v2 / e.path().filename()))
            << e.path().filename();
}

struct Mutation {
    const char* file; // "main" or "bay"
    const char* from;
    const char* to;
    const char* message; // the first message ("" any, "~tail" one that ends so)
    int opens;
};

// Hostile counts in a bay file: a row count far beyond the table's dimension, and many tables
// within their bounds that add up beyond what one project holds. Each is refused with the line's
// message, quickly and without allocating for the count; the saved version stays as it was.
TEST_F(ConfigReaderTest, HugeRowCountsAreRefused) {
    const fs::path main = SaveSample();
    const fs::path bay = main.parent_path() / "ccu_工程间隔.cfg";
    const std::string saved = testsupport::ReadBytes(bay);
    Mutate(bay, "        数目=3,1", "        数目=3,1000000");
    {
        const double start = testsupport::ProcessCpuSeconds();
        CConfigDoc doc;
        EXPECT_TRUE(doc.OnOpenDocument(main));
        EXPECT_LT(testsupport::ProcessCpuSeconds() - start, 10.0);
        ASSERT_FALSE(prompts.Texts().empty());
        EXPECT_EQ(testsupport::At(prompts.Texts(), 0),
                  "读组态文件ccu_工程间隔.cfg错!\n第19行:\n        数目=3,1000000");
        for (const CVoltLevel& level : doc.m_voltLevels)
            for (const CItemRecord& group : level.m_settings.m_groups)
                EXPECT_LE(group.m_rows.size(), 1u);
    }

    // Many bays, each table within its bound (the dimension 1 plus the spare rows).
    const int rows = CConfigDoc::MaxVariableInfoRows(CItemRecord());
    const int bays = CConfigDoc::kMaxRowsPerRead / rows + 2;
    std::string text = testsupport::ReadGbkText(bay);
    text = text.substr(0, text.find("[间隔配置]"));
    text += "[间隔配置]\n{\n  数目=1\n  [220kV]\n  {\n    [可变信息]\n    {\n      数目=0\n    }\n";
    text += "    数目=" + std::to_string(bays) + "\n";
    for (int k = 0; k < bays; ++k)
        text += "    [间隔" + std::to_string(k) + "]\n    {\n      描述=" + std::to_string(k) +
                ",线路\n      [可变信息]\n      {\n        数目=1\n        [可变信息1]\n        {\n"
                "          数目=0," +
                std::to_string(rows) + "\n        }\n      }\n      数目=0\n    }\n";
    text += "  }\n}\n";
    testsupport::WriteGbkText(bay, text);
    prompts.Clear();
    {
        CConfigDoc doc;
        EXPECT_TRUE(doc.OnOpenDocument(main));
        ASSERT_FALSE(prompts.Texts().empty());
        EXPECT_EQ(testsupport::At(prompts.Texts(), 0).rfind("读组态文件ccu_工程间隔.cfg错!", 0), 0u)
            << testsupport::At(prompts.Texts(), 0);
        EXPECT_NE(testsupport::At(prompts.Texts(), 0).find("数目=0," + std::to_string(rows)),
                  std::string::npos);
    }
    testsupport::WriteBytes(bay, saved);
}

// Library files with hostile counts: a board file that lists a great many port groups, or one
// group of a great many ports, and an option group of a great many options. Each is refused with
// one message; the board gets no more than a unit carries and opening stays quick.
TEST_F(ConfigReaderTest, HugeLibraryCountsAreRefused) {
    std::string names;
    for (int i = 0; i < 150; ++i)
        names += i ? ",A" : "A";
    testsupport::WriteGbkText(Lib("主控板.ini"),
                              "[板卡属性]\n类型=QXM-CPU01\n通讯口名称=" + names +
                                  "\n[A配置]\n数目=65535\n类型=网络\n配置文件=网络配置.ini\n");
    const double start = testsupport::ProcessCpuSeconds();
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        EXPECT_LT(testsupport::ProcessCpuSeconds() - start, 10.0);
        ASSERT_FALSE(prompts.Texts().empty());
        EXPECT_EQ(testsupport::At(prompts.Texts(), 0), "读取文件:主控板.ini\n[板卡属性]\"通讯口名称\"失败!");
        ASSERT_GE(doc.m_boardCfg.m_boards.GetSize(), 1);
        EXPECT_TRUE(doc.m_boardCfg.m_boards[0].m_ports.IsEmpty());
    }
    prompts.Clear();
    testsupport::WriteGbkText(Lib("主控板.ini"), "[板卡属性]\n类型=QXM-CPU01\n通讯口名称=COM,A\n"
                                                 "[COM配置]\n数目=4\n类型=串口\n配置文件=串口配置.ini\n"
                                                 "[A配置]\n数目=65535\n类型=网络\n配置文件=网络配置.ini\n");
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        ASSERT_FALSE(prompts.Texts().empty());
        EXPECT_EQ(testsupport::At(prompts.Texts(), 0), "读取文件:主控板.ini\n[A配置]\"数目\"失败!");
        ASSERT_GE(doc.m_boardCfg.m_boards.GetSize(), 1);
        int ports = 0;
        for (const CPortArray& g : doc.m_boardCfg.m_boards[0].m_ports)
            ports += g.GetSize();
        EXPECT_EQ(ports, 4);
    }

    // An option group of the unit that claims 65535 options is one message, not 65535.
    prompts.Clear();
    std::string options = testsupport::ReadGbkText(Lib("组态配置.ini"));
    const std::size_t at = options.find("[可变选项1]");
    ASSERT_NE(at, std::string::npos);
    options.insert(at, "[可变选项1]\n名称=坏\n维数=1\n数目=65535\n");
    testsupport::WriteGbkText(Lib("组态配置.ini"), options);
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        EXPECT_EQ(testsupport::At(prompts.Texts(), 0),
                  "读取文件:" + Lib("组态配置.ini").string() + "\n[可变选项1]\"数目\"失败!");
        ASSERT_GE(doc.m_boardCfg.m_groups.GetSize(), 1);
        EXPECT_TRUE(doc.m_boardCfg.m_groups[0].m_items.IsEmpty());
    }
    EXPECT_LT(testsupport::ProcessCpuSeconds() - start, 20.0);
}

// A device table that repeats an address keeps one record per address, the later line, in the
// place of the first; also when the repeated address is the first device's.
TEST_F(ConfigReaderTest, RepeatedDeviceAddressKeepsTheLaterRecord) {
    const fs::path main = SaveSample();
    const fs::path folder = main.parent_path();
    const fs::path backup = tmp / "backup";
    CopyDirectoryTree(folder, backup);
    const std::string first = "  描述=0,1,0,1,101,电度表,1.00,QXE300,1号电度表";
    const std::string last = "  描述=2,0,0,65532,65532,虚拟装置,1.00,自定义装置,自定义装置";
    const std::string old = "  描述=0,1,0,1,101,电度表,1.00,QXE300,旧的";
    const std::string status = "  描述=2,0,0,65530,65530,虚拟装置,1.00,状态信号虚装置,状态信号虚装置";
    using Case = std::vector<std::pair<std::string, std::string>>;
    const std::vector<Case> cases = {
        {{first, old + "\n" + first}},
        {{first, old}, {last, last + "\n" + first}},
        {{first, old}, {status, first + "\n" + status}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testsupport::Back(c).second);
        CopyDirectoryTree(backup, folder);
        Mutate(main, "  数目=4", "  数目=5");
        for (const auto& [from, to] : c)
            Mutate(main, from, to);
        prompts.Clear();
        CConfigDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(main));
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
        ASSERT_EQ(doc.m_devices.GetSize(), 4);
        const std::vector<int> order = {1, kStatusDeviceAddress, kCompositeDeviceAddress,
                                        kCustomDeviceAddress};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(doc.m_devices[i].m_nAddress, order[static_cast<std::size_t>(i)]) << i;
        const CDevice* device = doc.FindDevice(1);
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->m_strDescription, "1号电度表");
        // The sections behind the table read on: the device's entries and its port are there.
        EXPECT_EQ(device->m_model.m_nPortGroup, 0);
        EXPECT_FALSE(device->m_model.m_groups.IsEmpty());
    }
}

TEST_F(ConfigReaderTest, SingleLineMutations) {
    const fs::path main = SaveSample();
    const fs::path folder = main.parent_path();
    const fs::path backup = tmp / "backup";
    CopyDirectoryTree(folder, backup);
    const std::vector<Mutation> cases = {
        {"main", "[组态文件开始]", "[开始]", "读组态文件错!\n第1行:\n[开始]", 0},
        {"main", "格式=2", "格式=", "读组态文件错!\n第2行:\n格式=", 0},
        {"main", "[工程标识]", "[工程]", "读组态文件错!\n第3行:\n[工程]", 0},
        {"main", "  管理机地址=3", "  地址=3", "读组态文件错!\n第6行:\n  地址=3", 0},
        {"main", "  对时源=0,0,1,2,1", "  时源=0", "读组态文件错!\n第12行:\n  时源=0", 1},
        {"main", "  描述=0,1,0,1,101,电度表,1.00,QXE300,1号电度表", "  描述=0,1,0,1,101,电度表,1.00,QXE300",
         "读组态文件错!\n第17行:\n描述项至少为9个", 1},
        {"main", "  描述=0,1,0,1,101,电度表,1.00,QXE300,1号电度表",
         "  描述=0,1,0,1,101,电度表,1.00,QXE300,1,a,b,c,d", "读组态文件错!\n第17行:\n描述项比定义数目多", 1},
        {"main", "  描述=0,1,0,1,101,电度表,1.00,QXE300,1号电度表",
         "  描述=0,1,0,1,101,保护,1.00,QXE300,1号电度表", "装置1[1号电度表]的型号 QXE300\n与定义不一致", 1},
        {"main", "  描述=0,1,0,1,101,电度表,1.00,QXE300,1号电度表",
         "  描述=0,1,0,1,101,电度表,1.00,QXZ,1号电度表", "板卡0装置1的型号\"QXZ\"在型号表中不存在!", 1},
        {"main", "[装置信息]\n{\n  数目=4", "[装置信息]\n{\n  数目=5", "装置总数不符!", 1},
        {"main", "      1,1,1,A相电压,V,1,,,;校验规则=x>0", "      1,1,1,A相电压,V,1",
         "读组态文件错!\n第44行:\n      1,1,1,A相电压,V,1", 1},
        {"main", "      3,1,3,有功功率,kW,1,,", "      3,1,9,有功功率,kW,1,,",
         "第46行条目信息:       3,1,9,有功功率,kW,1,,在定义中不存在!", 1},
        {"main", "  数目=2", "  数目=3", "板卡数量与定义不符!", 1},
        {"main", "    类型=QXM-CPU01", "    类型=CPU", "板卡0类型与定义不符!", 1},
        {"main", "        规约=2,ModbusRTU", "        规约=99,X", "错误:\n协议号99在定义中不存在!", 1},
        {"main", "        描述=COM", "        描述=COMX", "", 1},
        {"main", "          地址=1", "          地址=7", "配置文件错误，端口中加载了不存在的装置！", 1},
        {"main", "  数目=3", "  数目=4", "复合信号数目不对应!", 1},
        {"main", "      操作=1,65531,1,1", "      操作=1,65531,1", "读组态文件第597行错", 1},
        // The block's last operator line carries another operator: reported on that line.
        {"main", "      操作=1,1,1,3\n      操作=1,0,0,0", "      操作=1,1,1,3\n      操作=2,0,0,0",
         "读组态文件错!\n第602行:\n合成信号1采用了非单一的运算符", 1},
        {"bay", "[间隔配置]", "[间隔]", "读组态文件ccu_工程间隔.cfg错!\n第9行:\n[间隔]", 1},
        {"bay", "      描述=0,线路一", "      描述=0", "读组态文件ccu_工程间隔.cfg错!\n第28行:\n      描述=0",
         1},
        {"bay", "        描述=0,断路器,断路器1", "        描述=0,开关,断路器1",
         "一次设备断路器1型号开关不存在!", 1},
        {"bay", "            引用表描述=位置信号", "            引用表描述=没有",
         "读组态文件ccu_工程间隔.cfg错!\n第65行:\n设备组态中引用表不存在！", 1},
        {"bay", "              引用=1,2,1,0,0,否", "              引用=1,2,1",
         "读组态文件ccu_工程间隔.cfg错!\n第67行:\n描述项至少为5个", 1},
        {"bay", "          地址=1", "          =1",
         "读组态文件ccu_工程间隔.cfg错!\n第57行:\n组态文本中并联装置数目不对!", 1},
    };
    for (const Mutation& m : cases) {
        SCOPED_TRACE(std::string(m.file) + ": " + m.to);
        DeleteDirectoryTree(folder);
        CopyDirectoryTree(backup, folder);
        Mutate(m.file == std::string("main") ? main : folder / "ccu_工程间隔.cfg", m.from, m.to);
        prompts.Clear();
        CProjectContext::Instance().SetLibraryFolder(root / "Ini");
        CConfigDoc doc;
        EXPECT_EQ(doc.OpenProject(main), m.opens);
        const std::vector<std::string> texts = prompts.Texts();
        ASSERT_FALSE(texts.empty());
        if (m.message[0] == '~') {
            const std::string tail = m.message + 1;
            EXPECT_TRUE(testsupport::Front(texts).size() > tail.size() &&
                        testsupport::Front(texts).compare(testsupport::Front(texts).size() - tail.size(),
                                                          tail.size(), tail) == 0)
                << testsupport::Front(texts);
        } else if (*m.message) {
            EXPECT_EQ(testsupport::Front(texts), m.message);
        }
        if (!m.opens) {
            EXPECT_EQ(testsupport::Back(texts), "管理机组态文件:" + main.string() + "格式错误！");
        }
    }
}

TEST_F(ConfigReaderTest, DeviceOrderSortedFlagAndVirtualLines) {
    const fs::path main = SaveSample();
    // Device 1 moved behind the virtual devices: not ascending any more.
    std::string text = testsupport::ReadGbkText(main);
    const std::string line = "  描述=0,1,0,1,101,电度表,1.00,QXE300,1号电度表\n";
    const std::size_t at = text.find(line);
    text.erase(at, line.size());
    const std::size_t end = text.find("}\n", at);
    text.insert(end, line);
    testsupport::WriteGbkText(main, text);
    CConfigDoc doc;
    doc.OpenProject(main);
    EXPECT_FALSE(CProjectContext::Instance().IsDeviceTableSorted());
    ASSERT_GE(doc.m_devices.GetSize(), 4);
    EXPECT_NE(doc.FindDevice(1), nullptr);
    EXPECT_NE(doc.FindDevice(kCustomDeviceAddress), nullptr);
    // Never more than one record per virtual address, whatever the index of its line.
    int custom = 0;
    for (const CDevice& d : doc.m_devices)
        custom += d.m_nAddress == kCustomDeviceAddress;
    EXPECT_EQ(custom, 1);
}

TEST_F(ConfigReaderTest, MissingPortFileAndRefTableProblems) {
    const fs::path main = SaveSample();
    const fs::path cfg = main.parent_path() / "ccu_板卡0_NET0_规约12_遥信转发配置配置.cfg";
    const std::string cfgBytes = testsupport::ReadBytes(cfg);
    fs::remove(cfg);
    {
        CConfigDoc doc;
        EXPECT_EQ(doc.OpenProject(main), 1);
        EXPECT_EQ(testsupport::Front(prompts.Texts()), "打开文件 " + cfg.string() + " 失败!");
    }
    // A file name that leaves the version folder is not opened, even when the file is there.
    const std::string cfgName = "ccu_板卡0_NET0_规约12_遥信转发配置配置.cfg";
    testsupport::WriteBytes(main.parent_path().parent_path() / cfgName, cfgBytes);
    Mutate(main, "          描述=" + cfgName, "          描述=../" + cfgName);
    prompts.Clear();
    {
        CConfigDoc doc;
        EXPECT_EQ(doc.OpenProject(main), 1);
        ASSERT_FALSE(prompts.Texts().empty());
        EXPECT_EQ(testsupport::Front(prompts.Texts()),
                  "打开文件 " + (main.parent_path() / ("../" + cfgName)).string() + " 失败!");
        EXPECT_EQ(doc.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_configs.m_configs.GetSize(), 0);
    }
    Mutate(main, "          描述=../" + cfgName, "          描述=" + cfgName);
    testsupport::WriteGbkText(cfg, "[配置组态开始]\n{\n  名称=不存在\n");
    prompts.Clear();
    {
        CConfigDoc doc;
        doc.OpenProject(main);
        EXPECT_EQ(testsupport::Front(prompts.Texts()), "文件" + cfg.string() + "中\n第3行配置不存在未定义");
    }
    Mutate(main, "            引用=1,1,3,0,0,1,0.2,短浮点数", "            引用=1,1,3,0,0,1");
    testsupport::WriteBytes(cfg, cfgBytes);
    Mutate(cfg, "      引用=0,1,101", "      引用=0,9,101");
    prompts.Clear();
    {
        CConfigDoc doc;
        EXPECT_EQ(doc.OpenProject(main), 1);
        EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{
                                       "装置（地址为9）不存在，引用错误！",
                                       "工程文件中遥测类型引用测点扩展信息与定义不符！\n错误行数：314 - 314\n"
                                       "规约名：IEC104\n引用表名：遥测转发表"}));
        const CRefTableEntry& e =
            doc.m_boardCfg.m_boards[0].m_ports[1][0].m_protocol.m_tables[0].m_entries[0];
        EXPECT_EQ(e.m_values, (CStringArray{"1", "", ""}));
    }
}

TEST_F(ConfigReaderTest, FolderHelpers) {
    const fs::path a = tmp / "a", b = tmp / "b";
    testsupport::WriteBytes(a / "x.cfg", "12");
    testsupport::WriteBytes(a / "y.SCD", "1");
    testsupport::WriteBytes(a / "sub/z.txt", "z");
    EXPECT_TRUE(CopyDirectoryTree(a, b));
    EXPECT_EQ(CompareFolderFiles(a, b), 1);
    EXPECT_EQ(testsupport::ReadBytes(b / "sub/z.txt"), "z");
    // A copy that cannot be made whole says so (a folder stands where a file goes), and copies
    // the rest.
    const fs::path c = tmp / "c";
    fs::create_directories(c / "sub/z.txt");
    EXPECT_FALSE(CopyDirectoryTree(a, c));
    EXPECT_EQ(testsupport::ReadBytes(c / "x.cfg"), "12");
    testsupport::WriteBytes(b / "extra", "");
    EXPECT_EQ(CompareFolderFiles(a, b), 0);
    fs::remove(b / "extra");
    testsupport::WriteBytes(b / "x.cfg", "123");
    EXPECT_EQ(CompareFolderFiles(a, b), 0);
    EXPECT_EQ(FindFileByExtension(a, "scd"), a / "y.SCD");
    EXPECT_EQ(FindFileByExtension(a, "ini"), fs::path());
    EXPECT_EQ(FindSubfolderContaining(a, "su"), a / "sub");
    DeleteFilesByExtension(b, "cfg");
    EXPECT_FALSE(fs::exists(b / "x.cfg"));
    DeleteFilesExcept(a, "X.CFG");
    EXPECT_TRUE(fs::exists(a / "x.cfg"));
    EXPECT_FALSE(fs::exists(a / "y.SCD"));
    DeleteDirectoryTree(b);
    EXPECT_TRUE(fs::is_directory(b));
    EXPECT_TRUE(fs::is_empty(b));
}

// A folder copied onto itself, under its own path or another one, stays as it was; a copy into
// a folder of its own would never end and is refused.
TEST_F(ConfigReaderTest, FolderCopiedOntoItselfStaysWhole) {
    const fs::path a = tmp / "a";
    testsupport::WriteBytes(a / "x.cfg", "12");
    testsupport::WriteBytes(a / "sub/z.txt", "z");
    fs::create_directory_symlink(a, tmp / "link");
    for (const fs::path& same : {a, tmp / "a/sub/..", tmp / "link"}) {
        SCOPED_TRACE(same.string());
        EXPECT_TRUE(CopyDirectoryTree(a, same));
        EXPECT_EQ(testsupport::ReadBytes(a / "x.cfg"), "12");
        EXPECT_EQ(testsupport::ReadBytes(a / "sub/z.txt"), "z");
        EXPECT_EQ(ListFiles(a).size(), 1u);
        EXPECT_EQ(ListSubfolders(a).size(), 1u);
    }
    EXPECT_FALSE(CopyDirectoryTree(a, a / "sub/inner"));
    EXPECT_FALSE(fs::exists(a / "sub/inner"));
}

TEST_F(ConfigReaderTest, CountCcuCfgLines) {
    const fs::path main = SaveSample();
    EXPECT_EQ(CountCcuCfgLines(main), 2);
    EXPECT_EQ(CollectCcuCfgNames(main),
              (std::vector<std::string>{"ccu_工程间隔.cfg", "ccu_板卡0_NET0_规约12_遥信转发配置配置.cfg"}));
    testsupport::WriteGbkText(tmp / "m.ini", "[a]\nccu_x.cfg\n  y.cfg\nccu_z\n[装置信息]\nccu_in.cfg\n"
                                             "[板卡配置]\n 描述=ccu_p.cfg\n");
    EXPECT_EQ(CountCcuCfgLines(tmp / "m.ini"), 4);
    EXPECT_EQ(CountCcuCfgLines(tmp / "none.ini"), 0);
}

} // namespace

namespace {

TEST_F(ConfigReaderTest, NetworkPortsTimeSourcesAndOldFormat) {
    const fs::path main = SaveSample();
    std::string text = testsupport::ReadGbkText(main);
    // Board 1 gets a third network port of the group ETH; a time source with two numbers only.
    const std::string eth1 = "      [网络1配置]\n      {\n        描述=ETH\n        地址=1\n";
    std::size_t at = text.find(eth1, text.find("  [板卡1]"));
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = text.find("\n      }\n", at) + 9;
    std::string extra = text.substr(at, end - at);
    auto replaceFirst = [](std::string& t, const std::string& from, const std::string& to) {
        t.replace(t.find(from), from.size(), to);
    };
    replaceFirst(extra, "[网络1配置]", "[网络2配置]");
    replaceFirst(extra, "地址=1", "地址=2");
    text.insert(end, extra);
    const std::size_t count = text.rfind("      数目=2\n", at);
    text.replace(count, std::string("      数目=2").size(), "      数目=3");
    replaceFirst(text, "  对时源=0,0,1,2,1", "  对时源=0,1");
    testsupport::WriteGbkText(main, text);
    CConfigDoc doc;
    ASSERT_EQ(doc.OpenProject(main), 1);
    EXPECT_TRUE(prompts.Texts().empty()) << testsupport::Front(prompts.Texts());
    const CPortList& ports = doc.m_boardCfg.m_boards[1].m_ports;
    EXPECT_EQ(ports.m_nNetworkCount, 3);
    ASSERT_EQ(ports[1].GetSize(), 3);
    EXPECT_EQ(ports[1][2].m_nRunning, 2);
    EXPECT_EQ(ports[1][2].m_nNumber, 2);
    EXPECT_EQ(testsupport::At(ports[1][2].m_values, 1), "192.168.1.100");
    EXPECT_EQ(doc.m_timeSources[0], (CTimeSource{1, 1, 0, 255}));
}

TEST_F(ConfigReaderTest, ZeroRowsAndFormatOneTables) {
    testsupport::TempDir dir;
    testsupport::WriteGbkText(
        dir / "v.cfg", "[可变信息]\n{\n  数目=1\n  [可变信息1]\n  {\n    数目=1,0\n    甲(BYTE)=\n  }\n}\n"
                       "引用表库号=0\n表元素数目=1\n  引用=1,2,3,4,5,x\n");
    CConfigDoc doc;
    CItemRecordArray groups;
    groups.SetSize(1);
    COptionItem item;
    item.ParseDefinition("甲,BYTE,1(0-9)", nullptr);
    groups[0].m_items.Add(item);
    groups[0].m_rows.resize(2);
    CConfigTextFile file;
    ASSERT_TRUE(file.Open(dir / "v.cfg"));
    CLineCursor cur(file);
    EXPECT_EQ(doc.ReadVariableInfo(cur, groups), 1);
    EXPECT_TRUE(groups[0].m_rows.empty());
    EXPECT_TRUE(prompts.Texts().empty());
    // Format 1: no type and description lines in a reference table.
    doc.m_nFormat = 1;
    CRefTableArray tables;
    tables.SetSize(1);
    tables[0].m_strName = "遥测";
    tables[0].m_nType = 0;
    tables[0].m_columns.Add(item);
    EXPECT_EQ(doc.ReadRefTablesForTest(cur, tables), 1);
    ASSERT_EQ(tables[0].m_entries.GetSize(), 1);
    EXPECT_EQ(tables[0].m_entries[0].m_nInf, 5);
    EXPECT_EQ(tables[0].m_entries[0].m_values, CStringArray{"x"});
    EXPECT_EQ(cur.LineNumber(), 12);
}

} // namespace

namespace {

TEST_F(ConfigReaderTest, Iec61850EntriesAreMatchedByReference) {
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        CDevice device(*testsupport::Found(doc.m_deviceModels.FindByName("IEC61850_QXB610")));
        doc.m_devices.PrepareNewDevice(device, doc.m_deviceExtItems);
        CInfoGroup& trips = device.m_model.m_groups[1];
        ASSERT_EQ(trips.m_strName, "动作元件");
        trips.m_entries[0].m_bEnabled = 0;
        trips.m_entries[1].m_strDesc = "改过的";
        doc.m_devices.Insert(device);
        ASSERT_EQ(doc.SaveProject(false), 1);
    }
    prompts.Clear();
    CConfigDoc doc;
    ASSERT_EQ(doc.OpenProject(root / "Project/Demo/ProjectV1.00/QXM7740.ini"), 1);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(1, 2, 1))->m_strDesc, "过流Ⅰ段动作");
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(1, 2, 2))->m_strDesc, "改过的");
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(1, 2, 2))->m_strReference, "PROT/PTOC2$ST$Op$general");
}

} // namespace

// Texts edited by users may hold characters that cut or group the pieces of a configuration
// line; the file is written with blanks at those places, so it opens again without a message
// and the sections behind the device table are all read.
TEST_F(ConfigReaderTest, TextsWithLineCharactersOpenAgainBlanked) {
    EXPECT_EQ(ConfigLineSafeText("a,b;c=d'e\"f\r\ng", ConfigTextKind::EntryText), "a b c d e f  g");
    EXPECT_EQ(ConfigLineSafeText("a,b;c=d'e\"f\ng(h)", ConfigTextKind::DeviceText), "a b;c=d e f g(h)");
    EXPECT_EQ(ConfigLineSafeText("开入,一", ConfigTextKind::DeviceText), "开入 一");
    // Parentheses: balanced pairs stay, a lone "(" or ")" would join the pieces behind it.
    EXPECT_EQ(ConfigLineSafeText("线路(1)", ConfigTextKind::EntryText), "线路(1)");
    EXPECT_EQ(ConfigLineSafeText("a(b", ConfigTextKind::EntryText), "a b");
    EXPECT_EQ(ConfigLineSafeText("a)b(c)", ConfigTextKind::DeviceText), "a b(c)");
    EXPECT_EQ(ConfigLineSafeText("((a)", ConfigTextKind::EntryText), " (a)");
    EXPECT_EQ(ConfigLineSafeText(")(", ConfigTextKind::ModelLineText), "  ");
    // A model line also may not hold brackets, which make it a section header.
    EXPECT_EQ(ConfigLineSafeText("[甲]=1", ConfigTextKind::ModelLineText), " 甲  1");
    EXPECT_EQ(ConfigLineSafeText("[甲]", ConfigTextKind::EntryText), "[甲]");

    CConfigDoc doc;
    doc.OnNewDocument();
    doctest::BuildSampleProject(doc, false);
    CDevice* device = doc.FindDevice(1);
    ASSERT_NE(device, nullptr);
    device->m_strDescription = "1号,电度'表\"A\"(主\n";
    CInfoGroup& group = device->m_model.m_groups[0];
    ASSERT_GT(group.m_entries.GetSize(), 0);
    CInfoEntry& entry = group.m_entries[0];
    ASSERT_TRUE(entry.m_bEnabled);
    entry.m_strDesc = "电压=1;相'A\",B\r\n相)线(1)(";
    const int groupNo = entry.m_nGroup, entryNo = entry.m_nEntry;
    ASSERT_EQ(doc.SaveProject(false), 1);
    EXPECT_TRUE(prompts.Texts().empty());

    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(root / "Project/Demo/ProjectV1.00/QXM7740.ini"));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    EXPECT_EQ(reopened.m_devices.GetSize(), 4);
    const CDevice* read = reopened.FindDevice(1);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->m_strDescription, "1号 电度 表 A  主");
    EXPECT_EQ(testsupport::At(read->m_optionValues, 2), "线路一");
    const CInfoEntry* readEntry = reopened.FindDeviceInfo(1, groupNo, entryNo);
    ASSERT_NE(readEntry, nullptr);
    EXPECT_EQ(readEntry->m_strDesc, "电压 1 相 A  B  相 线(1)");
    EXPECT_EQ(reopened.m_prjDevices.GetSize(), 1);
    EXPECT_EQ(reopened.m_timeSources.GetSize(), 1);
}
