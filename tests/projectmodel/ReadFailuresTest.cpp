// Failures to list, look at or read a project's and its library's files, and the fault sweeps of
// the save and open roads: a failure is told and loses nothing, or the road succeeds whole.
#include "DocFixture.h"

#include "projectmodel/ConfigFileNames.h"

#include "platform/FileFaults.h"
#include "platform/Profile.h"
#include "tests/support/FaultSweep.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iostream>
#include <optional>

namespace fs = std::filesystem;
using namespace projectmodel;
using namespace doctest;
using platform::CFileFaults;
using platform::FileStep;

namespace {

class ReadFailures : public DocFixture {
protected:
    fs::path Demo() const { return root / "Project/Demo"; }
    fs::path V1() const { return Demo() / "ProjectV1.00"; }
    // A saved project (version 1.00 of the sample).
    void SaveSample() {
        CConfigDoc doc;
        doc.OnNewDocument();
        BuildSampleProject(doc, false);
        ASSERT_EQ(doc.SaveProject(false), 1);
        prompts.Clear();
    }
    bool Told(const std::string& start) const {
        for (const std::string& text : prompts.Texts())
            if (text.rfind(start, 0) == 0)
                return true;
        return false;
    }
    // A new document over a fresh context (the save re-bases the library folder).
    void Reopen(std::optional<CConfigDoc>& doc) {
        doc.reset();
        CProjectContext::Reset();
        // Library files are read again, as by a program started anew.
        platform::FlushProfileCache();
        auto& c = CProjectContext::Instance();
        c.SetLibraryFolder(root / "Ini");
        c.SetProjectsFolder(root / "Project");
        c.SetNewProjectName("Demo");
        c.SetClock(&clock);
        c.SetShell(&shell);
        doc.emplace();
    }
    static CFileFaults::Filter Is(const fs::path& path) {
        return [path](const fs::path& p) { return p == path; };
    }
};

} // namespace

// A library folder or list file that cannot be listed or read is never taken for an empty one:
// the first save says so and makes no project copy of a part of the library.
TEST_F(ReadFailures, AFirstSaveStopsWhenTheLibraryCannotBeListedOrRead) {
    struct Case {
        const char* what;
        FileStep step;
        fs::path path;
        int error;
    };
    const std::vector<Case> cases = {
        {"the library", FileStep::List, root / "Ini", EMFILE},
        {"the library, not allowed", FileStep::List, root / "Ini", EACCES},
        {"the device list", FileStep::Open, Lib("二次装置/devlist.ini"), EIO},
        {"the protocol list", FileStep::Read, Lib("规约/Protocol.ini"), EIO},
        {"the settings list", FileStep::Open, Lib("一次设备/setting.ini"), EACCES},
        {"a model file", FileStep::Stat, Lib("二次装置/QXE300.txt"), EIO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<CConfigDoc> doc;
        Reopen(doc);
        doc->OnNewDocument();
        prompts.Clear();
        {
            CFileFaults faults;
            faults.FailFrom(c.step, 1, Is(c.path), c.error);
            EXPECT_EQ(doc->SaveProject(false), 0);
            EXPECT_GE(faults.Failed(c.step), 1);
        }
        EXPECT_TRUE(Told("读取文件 " + c.path.string() + " 失败!"))
            << testing::PrintToString(prompts.Texts());
        EXPECT_FALSE(fs::exists(Demo() / "Ini"));
        EXPECT_FALSE(fs::exists(V1()));
        fs::remove_all(Demo());
    }
}

// A file of the library's UserDefine folder that fails to copy fails the save, with its name.
TEST_F(ReadFailures, AUserDefineFileThatFailsToCopyFailsTheSave) {
    testsupport::WriteBytes(Lib("UserDefine/IEDListFromSCD.dat"), "cache");
    testsupport::WriteBytes(Lib("UserDefine/sub/more.txt"), "more");
    for (const char* name : {"IEDListFromSCD.dat", "more.txt"}) {
        SCOPED_TRACE(name);
        std::optional<CConfigDoc> doc;
        Reopen(doc);
        doc->OnNewDocument();
        prompts.Clear();
        {
            CFileFaults faults;
            faults.FailNth(FileStep::Copy, 1, [&](const fs::path& p) { return p.filename() == name; });
            EXPECT_EQ(doc->SaveProject(false), 0);
        }
        ASSERT_EQ(prompts.Count(), 1u);
        EXPECT_NE(prompts.LastText().find(name), std::string::npos) << prompts.LastText();
        EXPECT_FALSE(fs::exists(V1()));
        fs::remove_all(Demo());
    }
    std::optional<CConfigDoc> doc;
    Reopen(doc);
    doc->OnNewDocument();
    ASSERT_EQ(doc->SaveProject(false), 1);
    EXPECT_EQ(testsupport::ReadBytes(Demo() / "Ini/UserDefine/IEDListFromSCD.dat"), "cache");
    EXPECT_EQ(testsupport::ReadBytes(Demo() / "Ini/UserDefine/sub/more.txt"), "more");
}

// A bay file (or any project or library file) that is there but cannot be read is told with its
// name, and the document is not saved over it; one that is not there means no bays.
TEST_F(ReadFailures, AnUnreadableProjectFileIsToldAndTheProjectIsNotSavedOverIt) {
    SaveSample();
    const fs::path bayFile = V1() / cfgfile::kBayFile;
    const fs::path main = V1() / "QXM7740.ini";
    const std::string bays = testsupport::ReadBytes(bayFile);
    ASSERT_FALSE(bays.empty());
    for (const fs::path& unread : {bayFile, V1() / cfgfile::kSystemFile, Demo() / "Ini/组态配置.ini",
                                   Demo() / "Ini/规约/Protocol.ini"}) {
        SCOPED_TRACE(unread.string());
        std::optional<CConfigDoc> doc;
        Reopen(doc);
        {
            CFileFaults faults;
            faults.FailFrom(FileStep::Open, 1, Is(unread), EACCES);
            doc->OnOpenDocument(main);
        }
        EXPECT_GE(doc->UnreadFileCount(), 1);
        EXPECT_TRUE(Told("读取文件 " + unread.string() + " 失败!") || Told("规约列表文件:" + unread.string()))
            << testing::PrintToString(prompts.Texts());
        prompts.Clear();
        shell.answerVersion = "1.00";
        prompts.Script({platform::Answer::Yes});
        EXPECT_EQ(doc->SaveProject(false), 0);
        EXPECT_EQ(prompts.Count(), 1u);
        EXPECT_EQ(testsupport::ReadBytes(bayFile), bays);
        shell.answerVersion.clear();
        prompts.Clear();
    }
    // Not there at all: an open without bays and without a word about the file.
    fs::remove(bayFile);
    std::optional<CConfigDoc> doc;
    Reopen(doc);
    doc->OnOpenDocument(main);
    EXPECT_EQ(doc->UnreadFileCount(), 0);
    EXPECT_EQ(doc->m_bays.GetSize(), 0);
    EXPECT_FALSE(Told("读取文件"));
}

// Two saves of one project never run at once: the second is told and changes nothing.
TEST_F(ReadFailures, ASecondSaveOfAProjectWhileOneRunsIsTold) {
    SaveSample();
    const testsupport::TreeBytes before = testsupport::SnapshotTree(Demo());
    platform::CFileLock other;
    ASSERT_EQ(other.Lock(Demo() / ".saving.lock"), 0);
    std::optional<CConfigDoc> doc;
    Reopen(doc);
    doc->OnOpenDocument(V1() / "QXM7740.ini");
    prompts.Clear();
    EXPECT_EQ(doc->SaveProject(false), 0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"工程Demo正在由另一个程序保存，请稍后再保存！"});
    EXPECT_TRUE(testsupport::LostFiles(before, testsupport::SnapshotTree(Demo())).empty());
    other.Unlock();
    prompts.Clear();
    EXPECT_EQ(doc->SaveProject(false), 1);
    EXPECT_TRUE(fs::exists(Demo() / "ProjectV1.01/QXM7740.ini"));
}

namespace {

// What a sweep found, for the closing figures.
void Report(const char* road, const testsupport::SweepResult& result) {
    std::cout << "[sweep] " << road << ": " << result.Summary() << std::endl;
    EXPECT_TRUE(result.faults.empty()) << road << ": " << testing::PrintToString(result.faults);
    EXPECT_GT(result.told, 0) << road;
}

} // namespace

// The save roads: every seam call failed in turn is told and leaves every file that was there as
// it was, or the save succeeds whole.
class SaveSweep : public ReadFailures {
protected:
    struct Road {
        const char* name;
        bool firstSave;
        bool newName;
        const char* version;
    };
    void Sweep(const Road& r) {
        SaveSample();
        if (r.firstSave)
            fs::remove_all(Demo());
        const testsupport::TreeBytes saved = testsupport::SnapshotTree(root);
        std::optional<CConfigDoc> doc;
        testsupport::TreeBytes expected;
        testsupport::SweepRoad road;
        road.setup = [&] {
            testsupport::RestoreTree(root, saved);
            Reopen(doc);
            if (r.firstSave) {
                doc->OnNewDocument();
                BuildSampleProject(*doc, false);
            } else {
                doc->OnOpenDocument(V1() / "QXM7740.ini");
            }
            if (r.newName)
                doc->m_strProjectName = "Other";
            shell.answerVersion = r.version;
            prompts.Clear();
            prompts.SetDefaultAnswer(platform::Answer::Yes);
        };
        road.run = [&] {
            const bool done = doc->SaveProject(r.newName) == 1;
            // The overwrite question is no telling.
            std::size_t told = 0;
            for (const std::string& text : prompts.Texts())
                told += text.find("确认要覆盖么") == std::string::npos;
            return testsupport::RoadOutcome{done, told > 0};
        };
        road.kept = {root / "Project", root / "Ini"};
        // A road with the library copy makes hundreds of calls: each is failed with the errno
        // its step most commonly gives.
        if (r.firstSave || r.newName)
            road.errors = [](FileStep step) {
                return std::vector<int>{testsupport::SweepErrors(step).front()};
            };
        road.whole = [&] {
            const std::vector<std::string> lost =
                testsupport::LostFiles(expected, testsupport::SnapshotTree(root / "Project"));
            return lost.empty() ? std::string() : lost.front();
        };
        // The files of a save that met no fault (the backups in Temp/ aside).
        road.setup();
        ASSERT_EQ(doc->SaveProject(r.newName), 1);
        expected = testsupport::SnapshotTree(root / "Project");
        for (auto it = expected.begin(); it != expected.end();)
            it = it->first.find("/Temp/") != std::string::npos ? expected.erase(it) : std::next(it);
        Report(r.name, testsupport::RunFaultSweep(road));
        shell.answerVersion.clear();
    }
};

TEST_F(SaveSweep, FirstSaveWithTheLibraryCopy) {
    Sweep({"first save with the library copy", true, false, ""});
}

TEST_F(SaveSweep, LaterSave) {
    Sweep({"later save", false, false, ""});
}

TEST_F(SaveSweep, SaveOverAVersion) {
    Sweep({"save over a version", false, false, "1.00"});
}

TEST_F(SaveSweep, SaveAs) {
    Sweep({"save-as", false, true, ""});
}

// Opening a project with each of its and its library's files unreadable in turn: the failure is
// told and the project is not saved over it, or the open is whole.
TEST_F(ReadFailures, SweepOfTheOpenOfAProject) {
    SaveSample();
    const testsupport::TreeBytes saved = testsupport::SnapshotTree(root);
    std::optional<CConfigDoc> doc;
    std::string image;
    testsupport::SweepRoad road;
    road.setup = [&] {
        testsupport::RestoreTree(root, saved);
        Reopen(doc);
        prompts.Clear();
    };
    road.run = [&] {
        const bool opened = doc->OnOpenDocument(V1() / "QXM7740.ini");
        const bool whole = opened && prompts.Count() == 0 && doc->UnreadFileCount() == 0;
        // Not opened, or opened knowing that it read less than all (it then refuses to be saved).
        const bool refuses = prompts.Count() > 0 && (!opened || doc->UnreadFileCount() > 0);
        return testsupport::RoadOutcome{whole, refuses};
    };
    road.kept = {root};
    road.whole = [&] {
        return doc->ConfigImage() == image ? std::string() : "the open read another project";
    };
    road.errors = [](FileStep step) { return std::vector<int>{step == FileStep::Open ? EACCES : EIO}; };
    road.setup();
    doc->OnOpenDocument(V1() / "QXM7740.ini");
    ASSERT_EQ(prompts.Count(), 0u) << testing::PrintToString(prompts.Texts());
    image = doc->ConfigImage();
    Report("open of a project", testsupport::RunFaultSweep(road));
}

// Setting the SCD for 其他 with each call failed in turn: the failure is told and the project
// keeps its one old SCD, or the new one stands alone.
TEST_F(ReadFailures, SweepOfSettingTheScd) {
    const fs::path folder = Lib("其他");
    testsupport::WriteBytes(folder / "old.scd", "<SCL/>");
    const fs::path chosen = tmp / "station.scd";
    fs::copy_file(testsupport::TestDataDir() / "scl/station.scd", chosen);
    const testsupport::TreeBytes before = testsupport::SnapshotTree(folder);
    CConfigDoc doc;
    testsupport::SweepRoad road;
    road.setup = [&] {
        testsupport::RestoreTree(folder, before);
        prompts.Clear();
    };
    road.run = [&] {
        const bool set = doc.CopyAndImportScd(chosen.string()) == 1;
        bool told = false;
        for (const std::string& text : prompts.Texts())
            told = told || text.find("失败") != std::string::npos;
        return testsupport::RoadOutcome{set, told};
    };
    road.kept = {folder};
    road.whole = [&] {
        const testsupport::TreeBytes now = testsupport::SnapshotTree(folder);
        return now.size() == 1 && now.count("station.scd") ? std::string() : "not the new SCD alone";
    };
    const testsupport::SweepResult result = testsupport::RunFaultSweep(road);
    Report("SCD for 其他", result);
}

// The restore of a version a killed save left aside, with each call failed in turn: the version
// is back whole, or everything stays where it was for the next reading to try again (a restore
// tells nothing: it runs before every reading of the versions).
TEST_F(ReadFailures, SweepOfTheRestoreOfAnInterruptedVersion) {
    SaveSample();
    fs::rename(V1(), Demo() / ".replaced");
    testsupport::WriteBytes(Demo() / ".replaced.name", "ProjectV1.00");
    const testsupport::TreeBytes aside = testsupport::SnapshotTree(Demo() / ".replaced");
    const testsupport::TreeBytes before = testsupport::SnapshotTree(Demo());
    testsupport::SweepRoad road;
    road.setup = [&] { testsupport::RestoreTree(Demo(), before); };
    road.run = [&] {
        RestoreInterruptedVersion(Demo());
        const bool back = fs::exists(V1()) && !fs::exists(Demo() / ".replaced");
        // Left for the next reading: the folder aside and its note as they were.
        const bool kept = testsupport::SnapshotTree(Demo()) == before;
        return testsupport::RoadOutcome{back, kept};
    };
    road.kept = {Demo()};
    road.whole = [&] {
        // A note that could not be removed is removed by the next reading.
        return testsupport::SnapshotTree(V1()) == aside ? std::string() : "the version is not back whole";
    };
    Report("restore of an interrupted version", testsupport::RunFaultSweep(road));
}
