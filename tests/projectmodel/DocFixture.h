#pragma once
// A project document over a fresh copy of the shipped library: root/Ini and root/Project in a
// temporary folder, a fixed clock, a scripted shell and a prompt recorder.
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"

#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace doctest {

class FixedClock : public projectmodel::IClock {
public:
    projectmodel::CProjectTime time{2024, 3, 5, 8, 7, 9, 120};
    projectmodel::CProjectTime Now() const override { return time; }
};

class ScriptedShell : public projectmodel::IProjectShell {
public:
    bool admin = true;
    bool grant = true;
    bool accept = true;
    std::string answerVersion; // empty: keep the proposal
    std::vector<std::string> proposals;
    std::vector<std::string> log;

    bool IsAdministrator() override { return admin; }
    bool RequestPrivilege(int, std::string& user) override {
        user = "张工";
        return grant;
    }
    void LogOperation(const std::string& line) override { log.push_back(line); }
    bool AskSaveVersion(const std::filesystem::path&, std::string& text) override {
        proposals.push_back(text);
        if (!answerVersion.empty())
            text = answerVersion;
        return accept;
    }
};

class DocFixture : public ::testing::Test {
protected:
    void SetUp() override {
        projectmodel::CProjectContext::Reset();
        root = tmp.Path() / "root";
        testsupport::CopyTree(testsupport::IniDir(), root / "Ini");
        std::filesystem::create_directories(root / "Project");
        auto& c = projectmodel::CProjectContext::Instance();
        c.SetLibraryFolder(root / "Ini");
        c.SetProjectsFolder(root / "Project");
        c.SetNewProjectName("Demo");
        c.SetClock(&clock);
        c.SetShell(&shell);
    }
    void TearDown() override { projectmodel::CProjectContext::Reset(); }

    std::filesystem::path Lib(const std::string& rel) const { return root / "Ini" / rel; }

    testsupport::TempDir tmp;
    std::filesystem::path root;
    FixedClock clock;
    ScriptedShell shell;
    testsupport::PromptRecorder prompts;
};

} // namespace doctest
