// The application's texts and rules: log lines, the edition, the sibling programs' launch and the
// text export's name and bytes.
#include "configtool/model/AppText.h"
#include "configtool/model/RecentFileList.h"
#include "configtool/model/TextExport.h"
#include "platform/Gbk.h"
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace qxm7740;

namespace fs = std::filesystem;

TEST(AppText, AdministratorIsTheExactName) {
    EXPECT_TRUE(CAppText::IsAdministrator("系统管理员"));
    EXPECT_FALSE(CAppText::IsAdministrator("系统管理员 "));
    EXPECT_FALSE(CAppText::IsAdministrator("张三"));
}

TEST(AppText, LogLinesOfTheLinkCommands) {
    EXPECT_EQ(CAppText::LoginLine("张三"), "张三登陆7740组态工具。");
    EXPECT_EQ(CAppText::DownloadConfigLine(false, "张三"), "张三下载组态文件到通讯管理机。");
    EXPECT_EQ(CAppText::DownloadConfigLine(true, "系统管理员"), "系统管理员下载组态文件到通讯管理机。");
    EXPECT_EQ(CAppText::UploadConfigLine(false, "张三"), "张三从通讯管理机上装组态文件。");
    EXPECT_EQ(CAppText::UploadConfigLine(true, "x"), "系统管理员从通讯管理机上装组态文件。");
    EXPECT_EQ(CAppText::DownloadFileLine(false, "张三", "/tmp/a%d.bin"),
              "张三下载文件/tmp/a%d.bin到通讯管理机。");
    EXPECT_EQ(CAppText::DownloadFileLine(true, "x", "/a"), "系统管理员下载文件/a到通讯管理机。");
    EXPECT_EQ(CAppText::RestartLine(false, "张三"), "张三重新启动通讯管理机。");
    EXPECT_EQ(CAppText::RestartLine(true, "x"), "系统管理员重新启动通讯管理机。");
}

TEST(AppText, EditionIsCutToItsBufferAndNamesTheProductLine) {
    EXPECT_EQ(CAppText::ReadEdition(nullptr), "");
    EXPECT_EQ(CAppText::ReadEdition("标准"), "标准");
    // 31 GBK bytes at most: 15 Chinese characters, never half of one.
    const std::string longText(20 * 3, 'x');
    EXPECT_EQ(CAppText::ReadEdition(longText.c_str()).size(), 31u);
    std::string chinese;
    for (int i = 0; i < 20; ++i)
        chinese += "版";
    EXPECT_EQ(platform::GbkLength(CAppText::ReadEdition(chinese.c_str())), 30u);
    EXPECT_EQ(CAppText::EditionCaption(""), "");
    EXPECT_EQ(CAppText::EditionCaption("专业"), "QXM7740组态工具专业版");
}

TEST(AppText, SiblingProgramsStartFromTheBinFolderPresent) {
    testsupport::TempDir root;
    fs::create_directories(root / "bin");
    const CAppText::Launch monitor = CAppText::MonitorLaunch(root.Path());
    EXPECT_EQ(monitor.program, root / "bin" / "Marindle");
    ASSERT_EQ(monitor.arguments.size(), 1u);
    EXPECT_EQ(monitor.arguments[0], "30517");
    EXPECT_EQ(monitor.workingFolder, root / "bin");
    const CAppText::Launch admin = CAppText::UserAdminLaunch(root.Path());
    EXPECT_EQ(admin.program, root / "bin" / "Nevlor");
    EXPECT_TRUE(admin.arguments.empty());
    EXPECT_EQ(CAppText::MonitorStartFailure(root.Path()),
              "启动调试工具失败!\n目录 " + (root / "bin").string() + "/ 中程序不存在!");
}

TEST(TextExport, TheSaveDialogOpensInTheProjectFolderOrElseInTheProjectsFolder) {
    testsupport::TempDir projects;
    EXPECT_EQ(CTextExport::InitialFolder(projects.Path(), "新工程"), projects.Path());
    EXPECT_EQ(CTextExport::InitialFolder(projects.Path(), ""), projects.Path());
    std::filesystem::create_directories(projects.Path() / "新工程");
    EXPECT_EQ(CTextExport::InitialFolder(projects.Path(), "新工程"), projects.Path() / "新工程");
}

TEST(TextExport, DefaultNameDropsColonsAndAddsTheTab) {
    EXPECT_EQ(CTextExport::DefaultName("装置列表:端口1:", std::nullopt), "装置列表端口1");
    EXPECT_EQ(CTextExport::DefaultName("引用表", std::string("遥测")), "引用表_遥测");
    // A caption ending in ": " leaves no blank at the end of the name.
    EXPECT_EQ(CTextExport::DefaultName("装置总表: ", std::nullopt), "装置总表");
    EXPECT_EQ(CTextExport::DefaultName("间隔列表: ", std::string("间隔列表")), "间隔列表_间隔列表");
    EXPECT_EQ(CTextExport::DefaultName("装置1<A/B相>信息列表", std::string("遥测/遥信")),
              "装置1<A_B相>信息列表_遥测_遥信");
    // The tab caption is cut to 50 GBK bytes.
    std::string tab;
    for (int i = 0; i < 30; ++i)
        tab += "测";
    EXPECT_EQ(platform::GbkLength(CTextExport::DefaultName("T", tab)), 1u + 1u + 50u);
}

TEST(TextExport, ListViewsAreKnownByTheirClassNameInAnyNamespace) {
    EXPECT_TRUE(CTextExport::IsListView("CConfigPrjView"));
    EXPECT_TRUE(CTextExport::IsListView("editors::CConfigEquipDetailView"));
    EXPECT_FALSE(CTextExport::IsListView("CConfigTreeView"));
    EXPECT_FALSE(CTextExport::IsListView("CConfigPrjViewX"));
    EXPECT_FALSE(CTextExport::IsListView(""));
}

TEST(TextExport, FileLayoutInGbkWithBareLineFeeds) {
    const std::string bytes = CTextExport::Build("装置列表", {"序号", "名称"}, {{"1", "装置甲"}, {"2", ""}});
    const std::string expected = "装置列表\n\n" + std::string(68, '-') + "\n序号\t名称\n\n1\t装置甲\n2\t\n";
    EXPECT_EQ(bytes, platform::ToGbk(expected));
    EXPECT_EQ(bytes.find('\r'), std::string::npos);
    // No rows: the header part alone.
    EXPECT_EQ(CTextExport::Build("x", {}, {}), "x\n\n" + std::string(68, '-') + "\n\n\n");
}

TEST(RecentFileList, LatestFirstEachOnceAtMostFour) {
    CRecentFileList list;
    for (const char* p : {"/a.ini", "/b.ini", "/c.ini", "/d.ini", "/e.ini"})
        list.Add(p);
    EXPECT_EQ(list.GetPaths(), (std::vector<std::string>{"/e.ini", "/d.ini", "/c.ini", "/b.ini"}));
    list.Add("/c.ini");
    EXPECT_EQ(list.GetPaths(), (std::vector<std::string>{"/c.ini", "/e.ini", "/d.ini", "/b.ini"}));
    EXPECT_EQ(list.MenuText(0), "&1 /c.ini");
    EXPECT_EQ(list.MenuText(4), "");
    list.Remove("/e.ini");
    list.Add("");
    EXPECT_EQ(list.GetPaths(), (std::vector<std::string>{"/c.ini", "/d.ini", "/b.ini"}));
    // Read back from the settings: order kept, duplicates and the surplus dropped.
    list.SetPaths({"/x", "/y", "/x", "/z", "/w", "/v"});
    EXPECT_EQ(list.GetPaths(), (std::vector<std::string>{"/x", "/y", "/z", "/w"}));
}
