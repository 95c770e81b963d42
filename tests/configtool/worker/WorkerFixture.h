#pragma once
// A saved project "Demo" in a temporary root (the shipped library as its Ini folder, the sample
// configuration as its version 1.00), the fake unit on a free port, and runs of the project tool.
#include "platform/Text.h"
#include "tests/support/FakeUnit.h"
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QProcess>
#include <string>

// The tests reach the main tool's classes by their short names.
using namespace qxm7740;

namespace workertest {

namespace fs = std::filesystem;

using testsupport::FakeUnit;

struct ToolRun {
    int rc = -1;
    std::string output;
    qint64 ms = 0;
    bool Has(const std::string& line) const { return output.find(line) != std::string::npos; }
};

class WorkerFixture : public ::testing::Test {
protected:
    WorkerFixture() {
        fs::create_directories(store);
        testsupport::CopyTree(testsupport::IniDir(), project / "Ini");
        testsupport::CopyTree(testsupport::IniDir(), root / "Ini");
        fs::create_directories(version);
        for (const auto& e : fs::directory_iterator(testsupport::TestDataDir() / "projectmodel" / "sample"))
            fs::copy_file(e.path(), version / e.path().filename());
        mainFile = version / "QXM7740.ini";
    }

    // Runs the project tool with the arguments; at most two minutes.
    static ToolRun Tool(const QStringList& args) {
        ToolRun run;
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QString::fromStdString((testsupport::TestToolsDir() / "projecttool").string()), args);
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished(3000);
            return run;
        }
        run.ms = t.elapsed();
        run.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        run.output = p.readAllStandardOutput().toStdString();
        return run;
    }
    ToolRun Download(const FakeUnit& unit, const fs::path& main) {
        return Tool(
            {"download", QString::fromStdString(main.string()), "127.0.0.1", QString::number(unit.port)});
    }
    ToolRun Upload(const FakeUnit& unit, const fs::path& root) {
        return Tool(
            {"upload", "127.0.0.1", QString::number(unit.port), QString::fromStdString(root.string())});
    }

    testsupport::TempDir tmp;
    fs::path root = tmp.Path() / "root";
    fs::path store = tmp.Path() / "store";
    fs::path project = root / "Project" / "Demo";
    fs::path version = project / "ProjectV1.00";
    fs::path mainFile;
    // The copy of the version a download writes, stamps and sends (the saved version stays as it
    // was saved).
    fs::path sent = root / "Project" / "DownTemp" / "Demo" / "ProjectV1.00";
};

} // namespace workertest
