// The project tool: a saved project re-saved under another root gives the same files; a file that
// does not open gives its messages and a non-zero exit.
#include "DocFixture.h"

#include "projectmodel/FolderHelpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

using namespace projectmodel;
namespace fs = std::filesystem;

namespace {

class ProjectToolTest : public doctest::DocFixture {
protected:
    // Runs the tool; returns its exit code and its standard output.
    int Run(const std::string& args, std::string& output) {
        const std::string command =
            "'" + (testsupport::TestToolsDir() / "projecttool").string() + "' " + args;
        output.clear();
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return -1;
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(ProjectToolTest, ResavesAProject) {
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        doctest::BuildSampleProject(doc, false);
        ASSERT_EQ(doc.SaveProject(false), 1);
    }
    const fs::path main = root / "Project/Demo/ProjectV1.00/QXM7740.ini";
    const fs::path out = tmp / "out";
    std::string output;
    ASSERT_EQ(Run("resave '" + main.string() + "' '" + out.string() + "' 3.5", output), 0) << output;
    EXPECT_EQ(output, "");
    const fs::path saved = out / "Demo/ProjectV3.50";
    // The same files; the main file differs only in the time of writing (the tool's own clock).
    for (const auto& e : fs::directory_iterator(main.parent_path())) {
        std::string a = testsupport::ReadGbkText(e.path()),
                    b = testsupport::ReadGbkText(saved / e.path().filename());
        for (std::string* text : {&a, &b}) {
            const std::size_t at = text->find("  工程时间=");
            if (at != std::string::npos)
                text->erase(at, text->find('\n', at) - at);
        }
        EXPECT_EQ(a, b) << e.path().filename();
    }
    EXPECT_TRUE(fs::is_regular_file(out / "Demo/Ini/组态配置.ini"));

    testsupport::WriteGbkText(root / "Project/Demo/ProjectV1.01/QXM7740.ini", "坏\n");
    EXPECT_EQ(Run("resave '" + (root / "Project/Demo/ProjectV1.01/QXM7740.ini").string() + "' '" +
                      out.string() + "' 4",
                  output),
              1);
    EXPECT_NE(output.find("读组态文件错!\n第1行:\n坏\n"), std::string::npos) << output;
    EXPECT_NE(output.find("格式错误！"), std::string::npos);
    EXPECT_EQ(Run("resave only-one 2>/dev/null", output), 64);
}

// A board saved with fewer network ports than its library block holds opens with the saved ports
// only: re-saved, the main file is the same (no port, no link-status point comes back).
TEST_F(ProjectToolTest, ABoardWithADeletedNetworkPortResavesTheSame) {
    {
        CConfigDoc doc;
        doc.OnNewDocument();
        doctest::BuildSampleProject(doc, false);
        CBoardInfo& board = doc.m_boardCfg.m_boards[0];
        CPortArray& net = board.m_ports[1];
        ASSERT_GE(net.GetSize(), 2);
        net.RemoveAt(net.GetSize() - 1);
        doc.NumberPorts(board);
        doc.m_boardCfg.BuildLinkStatusSignals(&doc);
        ASSERT_EQ(doc.SaveProject(false), 1);
    }
    const fs::path main = root / "Project/Demo/ProjectV1.00/QXM7740.ini";
    const fs::path out = tmp / "out";
    std::string output;
    ASSERT_EQ(Run("resave '" + main.string() + "' '" + out.string() + "' 2", output), 0) << output;
    std::string a = testsupport::ReadGbkText(main),
                b = testsupport::ReadGbkText(out / "Demo/ProjectV2.00/QXM7740.ini");
    for (std::string* text : {&a, &b}) {
        const std::size_t at = text->find("  工程时间=");
        ASSERT_NE(at, std::string::npos);
        text->erase(at, text->find('\n', at) - at);
    }
    // The texts are long: a difference is reported without printing them.
    EXPECT_TRUE(a == b) << "the re-saved main file differs";
}

} // namespace
