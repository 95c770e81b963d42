// The configuration download and upload jobs of the worker against the fake unit: whole runs
// through the project tool, and the one-file download, the never-saved project and a closed wait
// dialog with the worker thread in this process.
#include "configtool/worker/NetMagThread.h"
#include "configtool/link/DeviceLink.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/FolderHelpers.h"
#include "projectmodel/ProjectContext.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/PromptRecorder.h"
#include "WorkerFixture.h"

#include <functional>
#include <mutex>
#include <QCoreApplication>
#include <set>

using namespace qxm7740;

using testsupport::ReadBytes;

namespace workertest {
namespace {

constexpr const char* kSuccess = "新组态下装成功，请重启装置!";

// The files of a folder tree by their paths relative to it, with their bytes.
std::map<std::string, std::string> Tree(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            files[fs::relative(e.path(), folder).string()] = ReadBytes(e.path());
    return files;
}

int Shell(const std::string& command, std::string* output = nullptr) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[4096];
    std::size_t n;
    std::string out;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    if (output)
        *output = out;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using WorkerRunTest = WorkerFixture;

TEST_F(WorkerRunTest, DownloadThenUploadCarriesTheProjectThroughTheUnit) {
    FakeUnit unit(store);
    ASSERT_GT(unit.port, 0);
    const auto saved = Tree(version);
    const ToolRun down = Download(unit, mainFile);
    ASSERT_EQ(down.rc, 0) << down.output;
    EXPECT_TRUE(down.Has(kSuccess));
    EXPECT_TRUE(down.Has("口令验证成功!"));
    // The download wrote and stamped its own copy; the saved version is as it was saved.
    EXPECT_EQ(Tree(version), saved);
    EXPECT_NE(ReadBytes(sent / "QXM7740.ini"), ReadBytes(mainFile));

    // The unit holds the main file under its fixed name, every configuration file and the
    // archive, each byte for byte the file of the download's copy.
    EXPECT_EQ(ReadBytes(store / "QXM7740.ini"), ReadBytes(sent / "QXM7740.ini"));
    int cfgs = 0;
    for (const auto& e : fs::directory_iterator(sent))
        if (e.path().extension() == ".cfg") {
            ++cfgs;
            EXPECT_EQ(ReadBytes(store / e.path().filename()), ReadBytes(e.path())) << e.path();
        }
    EXPECT_EQ(cfgs, 3);
    const fs::path zip = store / "Demo.zip";
    ASSERT_TRUE(fs::is_regular_file(zip));
    EXPECT_EQ(ReadBytes(zip), ReadBytes(root / "Project" / "DownTemp" / "Demo.zip"));
    EXPECT_EQ(Shell("unzip -tq '" + zip.string() + "' >/dev/null 2>&1"), 0);
    const fs::path unpacked = tmp.Path() / "unpacked";
    // Entry names are GBK without the UTF-8 flag: read as code page 437 by the zip module.
    ASSERT_EQ(Shell("python3 -c \"import zipfile,sys,os\n"
                    "z=zipfile.ZipFile(sys.argv[1])\n"
                    "for n in z.namelist():\n"
                    "  p=os.path.join(sys.argv[2],n.encode('cp437').decode('gbk'))\n"
                    "  os.makedirs(os.path.dirname(p),exist_ok=True)\n"
                    "  open(p,'wb').write(z.read(n))\" '" +
                    zip.string() + "' '" + unpacked.string() + "'"),
              0);
    const auto entries = Tree(unpacked);
    EXPECT_TRUE(entries.count("ProjectV1.00/QXM7740.ini"));
    EXPECT_TRUE(entries.count("ini/组态配置.ini"));
    for (const auto& [name, bytes] : entries)
        EXPECT_TRUE(platform::StartsWith(name, "ini/") || platform::StartsWith(name, "ProjectV1.00/"))
            << name;
    EXPECT_EQ(Tree(unpacked / "ProjectV1.00"), Tree(sent));
    EXPECT_EQ(Tree(unpacked / "ini"), Tree(project / "Ini"));

    // The upload into another root lays out UpTemp and opens the same project.
    const fs::path root2 = tmp.Path() / "root2";
    testsupport::CopyTree(testsupport::IniDir(), root2 / "Ini");
    fs::create_directories(root2 / "Project");
    const ToolRun up = Upload(unit, root2);
    ASSERT_EQ(up.rc, 0) << up.output;
    const fs::path upTemp = root2 / "Project" / "UpTemp";
    const fs::path fetched = upTemp / "Project" / "QXM7740.ini";
    EXPECT_TRUE(up.Has("打开工程 " + fetched.string() + "，工程名：Demo")) << up.output;
    EXPECT_EQ(Tree(upTemp / "Project"), Tree(sent));
    EXPECT_EQ(Tree(upTemp / "Demo" / "ProjectV1.00"), Tree(sent));
    EXPECT_EQ(Tree(upTemp / "ini"), Tree(project / "Ini"));
    EXPECT_EQ(ReadBytes(upTemp / "Demo.zip"), ReadBytes(zip));

    projectmodel::CProjectContext::Reset();
    projectmodel::CConfigDoc original;
    original.MakeCurrent();
    ASSERT_TRUE(original.OpenProject(mainFile));
    projectmodel::CConfigDoc uploaded;
    uploaded.MakeCurrent();
    ASSERT_TRUE(uploaded.OpenProject(fetched));
    EXPECT_EQ(uploaded.m_strProjectName, original.m_strProjectName);
    EXPECT_EQ(uploaded.m_boardCfg.m_strUnitName, original.m_boardCfg.m_strUnitName);
    EXPECT_EQ(uploaded.m_devices.GetSize(), original.m_devices.GetSize());
    EXPECT_EQ(uploaded.m_boardCfg.m_boards.GetSize(), original.m_boardCfg.m_boards.GetSize());
    EXPECT_EQ(projectmodel::CProjectContext::Instance().LibraryFolder(), upTemp / "ini");
    projectmodel::CProjectContext::Reset();

    // A project opened from UpTemp is downloaded from its "Project" folder.
    fs::create_directories(tmp.Path() / "store2");
    FakeUnit second(tmp.Path() / "store2");
    const std::string fetchedBytes = ReadBytes(fetched);
    const ToolRun back = Download(second, fetched);
    EXPECT_EQ(back.rc, 0) << back.output;
    EXPECT_EQ(ReadBytes(tmp.Path() / "store2" / "QXM7740.ini"),
              ReadBytes(root2 / "Project" / "DownTemp" / "Demo" / "Project" / "QXM7740.ini"));
    EXPECT_EQ(ReadBytes(fetched), fetchedBytes);
}

// A zip archive of the given entries (names in ASCII), written with Python's zipfile module.
void MakeZip(const fs::path& zip, const std::vector<std::pair<std::string, std::string>>& entries,
             const fs::path& scratch) {
    fs::create_directories(scratch);
    std::string script = "import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1],'w')\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const fs::path content = scratch / std::to_string(i);
        testsupport::WriteBytes(content, entries[i].second);
        script += "z.write('" + content.string() + "','" + entries[i].first + "')\n";
    }
    script += "z.close()\n";
    ASSERT_EQ(Shell("python3 -c \"" + script + "\" '" + zip.string() + "'"), 0);
}

// The names in a folder, without descending.
std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// After a good upload, every later upload that fails (a file refused, a file missing, an archive
// whose library or project cannot be copied) leaves that upload exactly as it was and no partial
// folder beside it; an archive that cannot be unpacked leaves nothing of itself.
TEST_F(WorkerRunTest, AFailedUploadLeavesTheLastGoodUploadAsItWas) {
    {
        FakeUnit unit(store);
        ASSERT_EQ(Download(unit, mainFile).rc, 0);
        ASSERT_EQ(Upload(unit, root).rc, 0);
    }
    const fs::path projects = root / "Project";
    const fs::path upTemp = projects / "UpTemp";
    const auto good = Tree(upTemp);
    ASSERT_TRUE(good.count("Demo.zip"));
    ASSERT_TRUE(good.count("Project/QXM7740.ini"));
    const auto names = Names(projects);

    struct Case {
        std::string what;
        QStringList faults;
        std::function<void(const fs::path&)> spoil; // changes the unit's store
        std::string line;
    };
    const fs::path scratch = tmp.Path() / "scratch";
    const std::vector<Case> cases = {
        {"main file refused", {"refuse-open"}, {}, "上装QXM7740.ini文件失败！"},
        {"configuration file missing",
         {},
         [](const fs::path& s) { fs::remove(s / "ccu_工程间隔.cfg"); },
         "上装文件失败，文件名： ccu_工程间隔.cfg"},
        {"archive without its library",
         {},
         [&](const fs::path& s) {
             MakeZip(s / "Demo.zip", {{"ProjectV1.00/QXM7740.ini", "x"}}, scratch / "a");
         },
         "拷贝配置文件失败！"},
        {"archive whose main file cannot be replaced",
         {},
         [&](const fs::path& s) {
             MakeZip(s / "Demo.zip", {{"ini/a.txt", "a"}, {"ProjectV1.00/QXM7740.ini/x", "x"}},
                     scratch / "b");
         },
         "拷贝工程文件失败！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path caseStore = tmp.Path() / ("s-" + std::to_string(&c - cases.data()));
        testsupport::CopyTree(store, caseStore);
        if (c.spoil)
            c.spoil(caseStore);
        FakeUnit unit(caseStore, c.faults);
        const ToolRun up = Upload(unit, root);
        EXPECT_EQ(up.rc, 2) << up.output;
        EXPECT_TRUE(up.Has(c.line)) << up.output;
        EXPECT_FALSE(up.Has("打开工程 ")) << up.output;
        EXPECT_EQ(Tree(upTemp), good);
        EXPECT_EQ(Names(projects), names);
    }

    // A broken archive: reported, nothing of it kept, and the fetched files go with the local
    // library in place of the last upload.
    const fs::path broken = tmp.Path() / "s-broken";
    testsupport::CopyTree(store, broken);
    testsupport::WriteBytes(broken / "Demo.zip", "PK\x03\x04 not an archive");
    FakeUnit unit(broken);
    const ToolRun up = Upload(unit, root);
    ASSERT_EQ(up.rc, 0) << up.output;
    EXPECT_TRUE(up.Has("解压缩文件失败！压缩文件名：")) << up.output;
    EXPECT_TRUE(up.Has("打开工程 " + (upTemp / "Project" / "QXM7740.ini").string())) << up.output;
    EXPECT_FALSE(fs::exists(upTemp / "Demo.zip"));
    EXPECT_FALSE(fs::exists(upTemp / "Demo"));
    EXPECT_EQ(Tree(upTemp / "ini"), Tree(root / "Ini"));
    EXPECT_EQ(Tree(upTemp / "Project"), Tree(sent));
    EXPECT_EQ(Names(projects), names);
}

TEST_F(WorkerRunTest, UploadWithoutTheArchiveTakesTheLocalLibrary) {
    fs::copy_file(mainFile, store / "QXM7740.ini");
    for (const auto& e : fs::directory_iterator(version))
        if (e.path().extension() == ".cfg")
            fs::copy_file(e.path(), store / e.path().filename());
    FakeUnit unit(store);
    const ToolRun up = Upload(unit, root);
    ASSERT_EQ(up.rc, 0) << up.output;
    EXPECT_TRUE(up.Has("打开远程文件失败!"));
    EXPECT_TRUE(up.Has("请求上装压缩文件失败！文件名： Demo.zip") ||
                up.Has("上装压缩文件失败！文件名： Demo.zip"))
        << up.output;
    EXPECT_EQ(Tree(root / "Project" / "UpTemp" / "ini"), Tree(root / "Ini"));
    EXPECT_FALSE(fs::exists(root / "Project" / "UpTemp" / "Demo.zip"));
}

TEST_F(WorkerRunTest, PasswordNeverConfirmedEndsBothJobsAfterAboutTwoSeconds) {
    FakeUnit unit(store, {"no-verify"});
    const ToolRun down = Download(unit, mainFile);
    EXPECT_EQ(down.rc, 2) << down.output;
    EXPECT_TRUE(down.Has("口令验证失败!\n"));
    EXPECT_FALSE(down.Has(kSuccess));
    EXPECT_GE(down.ms, 1900);
    EXPECT_FALSE(fs::exists(store / "QXM7740.ini"));

    const ToolRun up = Upload(unit, root);
    EXPECT_EQ(up.rc, 2) << up.output;
    EXPECT_TRUE(up.Has("口令验证失败!\n"));
    EXPECT_GE(up.ms, 1900);
}

TEST_F(WorkerRunTest, EachFaultOfTheUnitEndsTheJobWithItsFailure) {
    struct Case {
        const char* fault;
        bool download;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"refuse-open", true, "打开远程文件失败!"}, {"refuse-packet", true, "下装过程中装置应答失败!"},
        {"wrong-answer", true, "口令验证失败!"},    {"refuse-open", false, "上装QXM7740.ini文件失败！"},
        {"bad-length", false, "接收文件长度错误"},  {"wrong-answer", false, "口令验证失败!"},
    };
    // The unit's store for uploads holds a downloaded project.
    {
        FakeUnit unit(store);
        ASSERT_EQ(Download(unit, mainFile).rc, 0);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + (c.download ? " download" : " upload"));
        const fs::path faultStore = tmp.Path() / (std::string("s-") + c.fault + (c.download ? "d" : "u"));
        testsupport::CopyTree(store, faultStore);
        FakeUnit unit(faultStore, {c.fault});
        const ToolRun run = c.download ? Download(unit, mainFile) : Upload(unit, root);
        EXPECT_EQ(run.rc, 2) << run.output;
        EXPECT_TRUE(run.Has(c.line)) << run.output;
        EXPECT_FALSE(run.Has(kSuccess));
        if (c.download)
            EXPECT_TRUE(run.Has("下装配置文件失败！") || c.line == "口令验证失败!") << run.output;
        else
            EXPECT_FALSE(run.Has("打开工程 ")) << run.output;
    }
}

TEST_F(WorkerRunTest, UploadRefusesFileNamesThatLeaveTheFetchFolder) {
    std::string text = testsupport::ReadGbkText(mainFile);
    const std::size_t at = text.find("描述=ccu_工程间隔.cfg");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::string("描述=").size(), "描述=../");
    testsupport::WriteGbkText(store / "QXM7740.ini", text);
    FakeUnit unit(store);
    const ToolRun up = Upload(unit, root);
    EXPECT_EQ(up.rc, 2) << up.output;
    EXPECT_TRUE(up.Has("组态文件中的文件名不合法，文件名： ../ccu_工程间隔.cfg")) << up.output;
    EXPECT_FALSE(up.Has("打开工程 "));
    EXPECT_EQ(unit.Log().find("OPEN READ ../"), std::string::npos);
    EXPECT_FALSE(fs::exists(root / "Project" / "UpTemp" / "ccu_工程间隔.cfg"));
}

TEST_F(WorkerRunTest, FramesInPiecesAndJunkStillCarryTheJobs) {
    FakeUnit unit(store, {"garbage", "split"});
    const ToolRun down = Download(unit, mainFile);
    EXPECT_EQ(down.rc, 0) << down.output;
    EXPECT_EQ(ReadBytes(store / "QXM7740.ini"), ReadBytes(sent / "QXM7740.ini"));
    const ToolRun up = Upload(unit, root);
    EXPECT_EQ(up.rc, 0) << up.output;
}

TEST_F(WorkerRunTest, ANeverSavedProjectIsNotDownloaded) {
    // The project's folder does not bear its name: it was never saved as this project.
    const fs::path other = root / "Project" / "Other";
    testsupport::CopyTree(project, other);
    FakeUnit unit(store);
    const ToolRun run = Download(unit, other / "ProjectV1.00" / "QXM7740.ini");
    EXPECT_EQ(run.rc, 2) << run.output;
    EXPECT_TRUE(run.Has("当前为新建工程，请保存后再下装！"));
    EXPECT_FALSE(fs::exists(store / "QXM7740.ini"));
}

// ---- The worker thread in this process ----------------------------------------------------------

class TestHost : public INetMagHost, public ILinkReport {
public:
    TestHost(fs::path root, projectmodel::CConfigDoc* doc)
        : root_(std::move(root)), log_(root_), archive_(log_, (root_ / "Ini").string()), doc_(doc) {}

    CDeviceLink* GetLink() override { return link; }
    ILinkReport& Report() override { return *this; }
    ILogSink& Log() override { return log_; }
    CArchiveOperations& Archive() override { return archive_; }
    projectmodel::CConfigDoc* CurrentDoc() override { return doc_; }
    fs::path RootFolder() override { return root_; }
    fs::path ProjectsFolder() override { return root_ / "Project"; }
    fs::path IniFolder() override { return ini; }
    std::atomic<int>& IdleFlag() override { return idle; }
    std::atomic<int>& WaitDialogFlag() override { return waitDialog; }
    void PostOpenProject(const std::string&) override {}
    void ShowMonitor() override { ++monitorShown; }
    void JobDone(int event, int result) override {
        std::lock_guard lock(mutex);
        jobs.emplace_back(event, result);
    }

    void OpenWait(int, const std::string& text) override {
        waitDialog = 1;
        std::lock_guard lock(mutex);
        waits.push_back(text);
    }
    void CloseWait() override { waitDialog = 0; }
    void Progress(int, std::uint32_t position) override {
        std::lock_guard lock(mutex);
        positions.push_back(position);
    }
    void WaitText(const std::string& text) override {
        if (onText)
            onText(text);
    }
    void MonitorText(LinkColour, const std::string& text) override {
        std::lock_guard lock(mutex);
        lines.push_back(text);
    }
    void MonitorBytes(LinkColour, const std::uint8_t*, std::size_t) override {}
    bool HasLine(const std::string& text) {
        std::lock_guard lock(mutex);
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    CDeviceLink* link = nullptr;
    fs::path ini;
    std::atomic<int> idle{1};
    std::atomic<int> waitDialog{0};
    std::atomic<int> monitorShown{0};
    std::function<void(const std::string&)> onText;
    std::mutex mutex;
    std::vector<std::pair<int, int>> jobs;
    std::vector<std::string> waits;
    std::vector<std::string> lines;
    std::vector<std::uint32_t> positions;

private:
    fs::path root_;
    COperatorLog log_;
    CArchiveOperations archive_;
    projectmodel::CConfigDoc* doc_;
};

class WorkerThreadTest : public WorkerFixture {
protected:
    WorkerThreadTest() { projectmodel::CProjectContext::Reset(); }
    ~WorkerThreadTest() override { projectmodel::CProjectContext::Reset(); }

    // A worker over a host, linked to the unit.
    void Make(FakeUnit& unit, projectmodel::CConfigDoc* doc = nullptr) {
        auto owned = std::make_unique<TestHost>(root, doc);
        host = owned.get();
        host->ini = project / "Ini";
        link = MakeDeviceLink(host);
        link->SetAddress(unit.port, "127.0.0.1");
        ASSERT_TRUE(link->Connect());
        host->link = link.get();
        worker = std::make_unique<CNetMagThread>(std::move(owned));
        ASSERT_TRUE(worker->Start());
    }
    // Sets the event and serves the link until the job has ended (at most 30 s).
    int RunEvent(int event) {
        const std::size_t before = host->jobs.size();
        worker->Events().Set(event);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            std::lock_guard lock(host->mutex);
            if (host->jobs.size() > before)
                return host->jobs.back().second;
        }
        return -1;
    }
    // Runs the job of an event for a fault sweep: it succeeded when it ended in its success box,
    // and told its failure when it wrote a line to the monitor pane.
    testsupport::RoadOutcome JobOutcome(int event, const std::string& success) {
        std::size_t before = 0;
        {
            std::lock_guard lock(host->mutex);
            before = host->lines.size();
        }
        const int result = RunEvent(event);
        std::lock_guard lock(host->mutex);
        return {result == 1 && prompt.LastText() == success, result == 0 && host->lines.size() > before};
    }
    void TearDown() override {
        if (worker) {
            worker->RequestStop();
            QElapsedTimer t;
            t.start();
            while (!worker->WaitStopped(std::chrono::milliseconds(20))) {
                if (t.elapsed() > 30000) {
                    // The worker uses this fixture's objects: it cannot be left behind.
                    std::fprintf(stderr, "the worker did not stop within 30 s\n");
                    std::_Exit(1);
                }
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            }
        }
        if (link)
            link->Close();
        host = nullptr;
        worker.reset();
        link.reset();
    }

    testsupport::PromptRecorder prompt;
    TestHost* host = nullptr;
    std::unique_ptr<CDeviceLink> link;
    std::unique_ptr<CNetMagThread> worker;
};

TEST_F(WorkerThreadTest, OneFileDownloadGoesToTheChosenBoardAndName) {
    FakeUnit unit(store);
    Make(unit);
    const fs::path local = tmp.Path() / "程序.bin";
    std::string bytes(25000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    testsupport::WriteBytes(local, bytes);
    // The command is given once the unit has confirmed the password.
    QElapsedTimer t;
    t.start();
    while (link->PasswordState() != CDeviceLink::kPasswordVerified && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker->SetDownloadFile(local.string(), "目标.bin", 3);
    ASSERT_EQ(RunEvent(INetWorker::kDownloadFile), 1) << testing::PrintToString(host->lines) << unit.Log();
    EXPECT_EQ(ReadBytes(store / "目标.bin"), bytes);
    EXPECT_EQ(host->waits.back(), "正在下装文件\n" + local.string());
    EXPECT_EQ(host->waitDialog.load(), 0);
    EXPECT_EQ(host->idle.load(), 1);
    EXPECT_EQ(host->positions.back(), 100u);

    // A file that is not there: the link's line, and the job fails.
    worker->SetDownloadFile((tmp.Path() / "无").string(), "x", 0);
    EXPECT_EQ(RunEvent(INetWorker::kDownloadFile), 0);
    EXPECT_TRUE(host->HasLine("打开文件 " + (tmp.Path() / "无").string() + " 失败!"));
}

// Event 2 sends the frame held for it as it stands, without a monitor line; with no frame held,
// or with the link down, nothing goes out and the job fails.
TEST_F(WorkerThreadTest, TheHeldFrameIsSentAsItStands) {
    FakeUnit unit(store);
    Make(unit);
    EXPECT_EQ(RunEvent(INetWorker::kSendFrame), 0);
    EXPECT_EQ(host->idle.load(), 1);

    CLinkFrame restart;
    ASSERT_TRUE(restart.BuildHeader(1));
    restart.Data()[28] = 2;
    restart.SetBoard(7);
    worker->SetHeldFrame(restart);
    restart.SetBoard(9); // the worker holds its own copy
    QElapsedTimer t;
    t.start();
    while (link->PasswordState() != CDeviceLink::kPasswordVerified && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const std::size_t linesBefore = host->lines.size();
    ASSERT_EQ(RunEvent(INetWorker::kSendFrame), 1);
    t.restart();
    while (unit.Log().find("RESTART") == std::string::npos && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_NE(unit.Log().find("RESTART board=7\n"), std::string::npos) << unit.Log();
    EXPECT_EQ(unit.Log().find("PROTOCOL"), std::string::npos) << unit.Log();
    {
        std::lock_guard lock(host->mutex);
        // Only the unit's closing after the restart is told.
        for (std::size_t i = linesBefore; i < host->lines.size(); ++i)
            EXPECT_EQ(host->lines[i], "通讯中断!");
    }
    EXPECT_EQ(host->idle.load(), 1);

    link->Close();
    EXPECT_EQ(RunEvent(INetWorker::kSendFrame), 0);
    EXPECT_TRUE(host->HasLine("网络未连接!"));
}

// The project open in the tool is the last upload (its library lies in UpTemp): an upload without
// the archive takes the root's library, and one that fails leaves the open project's files alone.
TEST_F(WorkerThreadTest, UploadOverTheOpenUploadedProject) {
    {
        FakeUnit unit(store);
        ASSERT_EQ(Download(unit, mainFile).rc, 0);
        ASSERT_EQ(Upload(unit, root).rc, 0);
    }
    const fs::path upTemp = root / "Project" / "UpTemp";
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(upTemp / "Project" / "QXM7740.ini"));
    fs::remove(store / "Demo.zip");
    testsupport::WriteBytes(root / "Ini" / "root-only.txt", "root");
    const auto before = Tree(upTemp);

    FakeUnit refusing(store, {"refuse-open"});
    Make(refusing, &doc);
    host->ini = upTemp / "ini";
    worker->SetPollInterval(std::chrono::milliseconds(20));
    EXPECT_EQ(RunEvent(INetWorker::kUploadConfig), 0);
    EXPECT_EQ(Tree(upTemp), before);
    EXPECT_FALSE(fs::exists(root / "Project" / "UpTemp.incoming"));
    TearDown();

    FakeUnit unit(store);
    Make(unit, &doc);
    host->ini = upTemp / "ini";
    worker->SetPollInterval(std::chrono::milliseconds(20));
    ASSERT_EQ(RunEvent(INetWorker::kUploadConfig), 1) << testing::PrintToString(host->lines);
    EXPECT_EQ(Tree(upTemp / "ini"), Tree(root / "Ini"));
    EXPECT_EQ(Tree(upTemp / "Project"), Tree(sent));
    EXPECT_FALSE(fs::exists(upTemp / "Demo"));
    EXPECT_FALSE(fs::exists(root / "Project" / "UpTemp.replaced"));
}

// An upload ended between its two renames leaves the last one aside; when the next upload cannot
// rename it back, it stays aside whole, and the one after puts it back.
TEST_F(WorkerThreadTest, ALastUploadThatCannotBePutBackStaysAside) {
    {
        FakeUnit unit(store);
        ASSERT_EQ(Download(unit, mainFile).rc, 0);
        ASSERT_EQ(Upload(unit, root).rc, 0);
    }
    const fs::path upTemp = root / "Project" / "UpTemp";
    const fs::path replaced = root / "Project" / "UpTemp.replaced";
    const auto before = Tree(upTemp);
    ASSERT_FALSE(before.empty());
    fs::rename(upTemp, replaced);
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    {
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Rename, 1, [&](const fs::path& p) { return p == upTemp; });
        FakeUnit refusing(store, {"refuse-open"});
        Make(refusing, &doc);
        worker->SetPollInterval(std::chrono::milliseconds(20));
        EXPECT_EQ(RunEvent(INetWorker::kUploadConfig), 0);
        EXPECT_EQ(faults.Failed(platform::FileStep::Rename), 1);
        TearDown();
    }
    EXPECT_FALSE(fs::exists(upTemp));
    EXPECT_EQ(Tree(replaced), before);

    FakeUnit refusing(store, {"refuse-open"});
    Make(refusing, &doc);
    worker->SetPollInterval(std::chrono::milliseconds(20));
    EXPECT_EQ(RunEvent(INetWorker::kUploadConfig), 0);
    EXPECT_EQ(Tree(upTemp), before);
    EXPECT_FALSE(fs::exists(replaced));
}

TEST_F(WorkerThreadTest, NeverSavedProjectIsToldWithItsCaption) {
    FakeUnit unit(store);
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    doc.m_strProjectName = "Demo2"; // saved under another name: not this project's folder
    Make(unit, &doc);
    EXPECT_EQ(RunEvent(INetWorker::kDownloadConfig), 0);
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0].text, "当前为新建工程，请保存后再下装！");
    EXPECT_EQ(prompt.Messages()[0].caption, "警告");
    EXPECT_EQ(host->idle.load(), 1);
}

TEST_F(WorkerThreadTest, ClosingTheWaitDialogEndsTheDownloadWithoutTheSuccessBox) {
    FakeUnit unit(store, {"split"});
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    // A big main file keeps the transfer open long enough to close the dialog during it.
    Make(unit, &doc);
    host->onText = [this](const std::string& text) {
        if (text.find("正在下装文件，文件名：QXM7740.ini") != std::string::npos)
            host->waitDialog = 0;
    };
    EXPECT_EQ(RunEvent(INetWorker::kDownloadConfig), 0);
    for (const auto& m : prompt.Messages())
        EXPECT_NE(m.text, kSuccess);
    EXPECT_FALSE(fs::exists(store / "Demo.zip"));
}

TEST_F(WorkerThreadTest, AnArchiveThatCannotBeMadeEndsTheDownloadWithoutTheSuccessBox) {
    FakeUnit unit(store);
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    // A file name with no GBK form cannot be stored in the archive.
    testsupport::WriteBytes(project / "Ini" / "\xF0\x9F\x98\x80.txt", "x");
    Make(unit, &doc);
    EXPECT_EQ(RunEvent(INetWorker::kDownloadConfig), 0);
    EXPECT_TRUE(host->HasLine("创建压缩文件失败，组态下装未完成！"));
    for (const auto& m : prompt.Messages())
        EXPECT_NE(m.text, kSuccess);
    EXPECT_FALSE(fs::exists(store / "Demo.zip"));
    EXPECT_EQ(host->waitDialog.load(), 0);
}

TEST_F(WorkerThreadTest, ABrokenLinkEndsTheDownloadWithItsFailure) {
    FakeUnit unit(store);
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    Make(unit, &doc);
    host->onText = [this](const std::string& text) {
        if (text.find("ccu_工程间隔.cfg") != std::string::npos)
            host->link->Close();
    };
    EXPECT_EQ(RunEvent(INetWorker::kDownloadConfig), 0);
    EXPECT_TRUE(host->HasLine("通讯尚未连接, 不能下载文件!"));
    EXPECT_TRUE(host->HasLine("下装配置文件失败！"));
    // The job ends in a box that says so, with the monitor pane in view.
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{"组态下装失败，详见监视窗口！"});
    EXPECT_GT(host->monitorShown.load(), 0);
    EXPECT_EQ(host->waitDialog.load(), 0);
}

// A unit that never answers the close of a file: the worker's wait ends after the link's step wait
// with the failure, the job ends without the success box and the worker takes the next job.
TEST_F(WorkerThreadTest, AStepTheUnitNeverAnswersEndsTheDownload) {
    FakeUnit unit(store, {"no-close-reply"});
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    Make(unit, &doc);
    link->SetStepWait(std::chrono::milliseconds(1000));
    EXPECT_EQ(RunEvent(INetWorker::kDownloadConfig), 0);
    // The link's step wait of one second ended it, not the default one nor the job's own.
    EXPECT_TRUE(host->HasLine("等待装置应答超时(1秒)，文件传输失败!"));
    EXPECT_TRUE(host->HasLine("下装配置文件失败！"));
    for (const auto& m : prompt.Messages())
        EXPECT_NE(m.text, kSuccess);
    EXPECT_EQ(host->waitDialog.load(), 0);
}

// The one-file download waits for the unit's close reply no longer than the configuration jobs.
TEST_F(WorkerThreadTest, AStepTheUnitNeverAnswersEndsTheOneFileDownload) {
    FakeUnit unit(store, {"no-close-reply"});
    Make(unit);
    link->SetStepWait(std::chrono::milliseconds(1000));
    const fs::path local = tmp.Path() / "one.bin";
    testsupport::WriteBytes(local, std::string(3000, 'y'));
    QElapsedTimer t;
    t.start();
    while (link->PasswordState() != CDeviceLink::kPasswordVerified && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker->SetDownloadFile(local.string(), "one.bin", 0);
    EXPECT_EQ(RunEvent(INetWorker::kDownloadFile), 0);
    EXPECT_TRUE(host->HasLine("等待装置应答超时(1秒)，文件传输失败!"));
    EXPECT_EQ(host->waitDialog.load(), 0);
}

// A unit that never confirms the password: each job gives up after ten poll steps, counted by the
// worker rather than timed (the steps are shortened here; their default length the tool runs show).
TEST_F(WorkerThreadTest, APasswordNeverConfirmedEndsEachJobAfterTenPollSteps) {
    FakeUnit unit(store, {"no-verify"});
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    Make(unit, &doc);
    worker->SetPollInterval(std::chrono::milliseconds(20));
    EXPECT_EQ(RunEvent(INetWorker::kDownloadConfig), 0);
    EXPECT_TRUE(host->HasLine("口令验证失败!"));
    EXPECT_EQ(worker->PollSteps(), 10);
    EXPECT_EQ(RunEvent(INetWorker::kUploadConfig), 0);
    EXPECT_EQ(worker->PollSteps(), 20);
    EXPECT_FALSE(fs::exists(store / "QXM7740.ini"));
}

TEST_F(WorkerThreadTest, ManyFilesNeverWrapTheProgress) {
    for (int i = 0; i < 40; ++i)
        testsupport::WriteBytes(version / platform::StrFormat("ccu_附加%02d.cfg", i),
                                std::string(3000 + i, 'x'));
    FakeUnit unit(store);
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    Make(unit, &doc);
    worker->SetPollInterval(std::chrono::milliseconds(20));
    ASSERT_EQ(RunEvent(INetWorker::kDownloadConfig), 1);
    EXPECT_EQ(ReadBytes(store / "ccu_附加39.cfg"), std::string(3039, 'x'));
    std::lock_guard lock(host->mutex);
    ASSERT_FALSE(host->positions.empty());
    for (std::size_t i = 1; i < host->positions.size(); ++i)
        ASSERT_GE(host->positions[i], host->positions[i - 1]) << i;
    EXPECT_EQ(host->positions.back(), 98u);
}

TEST_F(WorkerThreadTest, StopEndsTheThreadPromptlyAndErrorEventsEndItWithTheBox) {
    FakeUnit unit(store);
    Make(unit);
    worker->Events().Set(7);
    QElapsedTimer t;
    t.start();
    while (!worker->WaitStopped(std::chrono::milliseconds(20)) && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(prompt.LastText(), "通讯线程发生严重错误!");
}

// Each file may take what is left of the whole upload and of the disk, never more than one
// transfer may; a refusal names the file and the bound it broke.
TEST(UploadBudgetTest, EachFileGetsWhatIsLeftOfTheTotalAndOfTheDisk) {
    constexpr std::uint64_t kOne = unitlink::kMaxTransferLength;
    struct Case {
        std::uint64_t total, charged, freeBytes;
        std::uint32_t allowance;
    };
    const std::vector<Case> cases = {
        {1000, 0, 5000, 1000},
        {1000, 400, 5000, 600},
        {1000, 400, 100, 100},
        {1000, 1000, 5000, 0},
        {1000, 1500, 5000, 0},
        {3 * kOne, 0, 4 * kOne, kOne},
        {CUploadBudget::kDefaultTotal, kOne, 4 * kOne, kOne},
        {CUploadBudget::kDefaultTotal, kOne + 1, 4 * kOne, kOne - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.total << " " << c.charged << " " << c.freeBytes);
        CUploadBudget budget(c.total);
        budget.Charge(c.charged);
        EXPECT_EQ(budget.Allowance(c.freeBytes), c.allowance);
    }
    CUploadBudget budget(1000);
    budget.Charge(400);
    EXPECT_EQ(budget.RefusalText("ccu_大.cfg", 601, 5000),
              "上装文件总长度超过上限1000字节，不能上装文件：ccu_大.cfg");
    EXPECT_EQ(budget.RefusalText("ccu_大.cfg", 600, 599),
              "磁盘空间不足（剩余599字节），不能上装文件：ccu_大.cfg");
}

// ---- Upload: the file steps of the swap, the optional file, leftovers and the bounds -------------

// A folder tree compared with the files it should hold; the failure names the files that differ.
testing::AssertionResult Holds(const fs::path& folder, const std::map<std::string, std::string>& files) {
    const auto tree = Tree(folder);
    std::string diff;
    for (const auto& [name, bytes] : tree)
        if (!files.count(name) || files.at(name) != bytes)
            diff += " " + name + (files.count(name) ? "(changed)" : "(extra)");
    for (const auto& [name, bytes] : files)
        if (!tree.count(name))
            diff += " " + name + "(missing)";
    if (diff.empty())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << folder << ":" << diff;
}

// A good upload in UpTemp (fetched by the project tool), and in-process uploads over it.
class UploadStepTest : public WorkerThreadTest {
protected:
    void SetUp() override {
        FakeUnit unit(store);
        ASSERT_EQ(Download(unit, mainFile).rc, 0);
        ASSERT_EQ(Upload(unit, root).rc, 0);
        good = Tree(upTemp);
        ASSERT_TRUE(good.count("Project/QXM7740.ini"));
        names = Names(projects);
    }
    // One upload by the worker in this process; the job's result.
    int RunUpload(FakeUnit& unit, const std::function<void(CNetMagThread&)>& setup = {}) {
        Make(unit);
        worker->SetPollInterval(std::chrono::milliseconds(20));
        if (setup)
            setup(*worker);
        const int result = RunEvent(INetWorker::kUploadConfig);
        {
            std::lock_guard lock(host->mutex);
            lastLines = host->lines;
        }
        TearDown();
        return result;
    }
    bool Wrote(const std::string& line) const {
        return std::find(lastLines.begin(), lastLines.end(), line) != lastLines.end();
    }
    // The exchange of two folders is not had (as on a file system without it) while this lives.
    struct NoExchange {
        NoExchange() { faults.FailFrom(platform::FileStep::Exchange, 1, {}, EINVAL); }
        platform::CFileFaults faults;
    };
    std::function<bool(const fs::path&)> Is(const fs::path& path) {
        return [path](const fs::path& p) { return p == path; };
    }
    std::function<bool(const fs::path&)> Named(const std::string& name) {
        return [name](const fs::path& p) { return p.filename() == name; };
    }

    fs::path projects = root / "Project";
    fs::path upTemp = projects / "UpTemp";
    fs::path replaced = projects / "UpTemp.replaced";
    fs::path incoming = projects / "UpTemp.incoming";
    std::map<std::string, std::string> good;
    std::set<std::string> names;
    std::vector<std::string> lastLines;
};

// Each step of putting the new upload in place fails in turn: the last good upload stays under its
// name (or, when even the way back fails, the next upload gives it its name back first), and no
// copy of it is removed while it is the only one.
TEST_F(UploadStepTest, EachFailedStepOfTheSwapKeepsTheLastGoodUpload) {
    const std::string notPlaced = "上装的组态无法放入文件夹" + upTemp.string() + "！";
    struct Case {
        std::string what;
        bool exchange;
        std::function<void(platform::CFileFaults&)> plan;
        bool upTempKept; // else it stands aside as UpTemp.replaced
    };
    const std::vector<Case> cases = {
        {"the exchange fails", true, [](auto& f) { f.FailNth(platform::FileStep::Exchange, 1); }, true},
        {"the last upload cannot step aside", false,
         [&](auto& f) { f.FailNth(platform::FileStep::Rename, 1, Is(replaced)); }, true},
        {"the new upload cannot take the name", false,
         [&](auto& f) { f.FailNth(platform::FileStep::Rename, 1, Is(upTemp)); }, true},
        {"neither the new nor the last takes the name", false,
         [&](auto& f) { f.FailFrom(platform::FileStep::Rename, 1, Is(upTemp)); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeUnit unit(store);
        int result = -1;
        {
            std::optional<NoExchange> noExchange;
            if (!c.exchange)
                noExchange.emplace();
            platform::CFileFaults faults;
            c.plan(faults);
            result = RunUpload(unit);
        }
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(Wrote(notPlaced)) << testing::PrintToString(lastLines);
        EXPECT_EQ(prompt.LastText(), "组态上装失败，详见监视窗口！");
        if (c.upTempKept) {
            EXPECT_TRUE(Holds(upTemp, good));
            EXPECT_EQ(Names(projects), names);
        } else {
            EXPECT_FALSE(fs::exists(upTemp));
            EXPECT_TRUE(Holds(replaced, good));
            // The next upload puts it back before anything else, even one the unit refuses.
            FakeUnit refusing(store, {"refuse-open"});
            EXPECT_EQ(RunUpload(refusing), 0);
            EXPECT_TRUE(Holds(upTemp, good));
            EXPECT_EQ(Names(projects), names);
        }
    }
}

// An upload cut off between its two renames left the last good upload aside: the next upload
// gives it its name back, and when that cannot be done it ends without removing it.
TEST_F(UploadStepTest, AnUploadCutOffBetweenItsRenamesIsPutBack) {
    ASSERT_TRUE(platform::RenameFile(upTemp, replaced));
    {
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Rename, 1, Is(upTemp));
        FakeUnit unit(store);
        EXPECT_EQ(RunUpload(unit), 0);
    }
    EXPECT_TRUE(Wrote("无法恢复上次上装的组态" + replaced.string() + "！"))
        << testing::PrintToString(lastLines);
    EXPECT_TRUE(Holds(replaced, good));
    EXPECT_FALSE(fs::exists(upTemp));

    FakeUnit unit(store, {"refuse-open"});
    EXPECT_EQ(RunUpload(unit), 0);
    EXPECT_TRUE(Holds(upTemp, good));
    EXPECT_EQ(Names(projects), names);
}

// With the two renames (no exchange), a good upload takes the place of the last one and leaves
// nothing beside it.
TEST_F(UploadStepTest, WithoutTheExchangeTheTwoRenamesPutTheUploadInPlace) {
    testsupport::WriteBytes(upTemp / "old.txt", "old");
    NoExchange noExchange;
    FakeUnit unit(store);
    ASSERT_EQ(RunUpload(unit), 1);
    EXPECT_TRUE(Holds(upTemp, good));
    EXPECT_EQ(Names(projects), names);
}

// The optional system.cfg fails part way (a write of the link fails): what arrived is removed
// by whoever can, and an upload that would carry it torn ends before it replaces the last one.
TEST_F(UploadStepTest, ASystemFileThatFailedPartWayNeverStaysInTheUpload) {
    std::string system(30000, '\0');
    for (std::size_t i = 0; i < system.size(); ++i)
        system[i] = static_cast<char>('a' + i % 26);
    testsupport::WriteBytes(store / "system.cfg", system);
    auto without = good;
    without.erase("Project/system.cfg");
    {
        // The link's removal fails; the worker's takes it away and the upload goes on.
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Write, 2, Named("system.cfg"))
            .FailNth(platform::FileStep::Remove, 1, Named("system.cfg"));
        FakeUnit unit(store);
        EXPECT_EQ(RunUpload(unit), 1);
        EXPECT_EQ(faults.Failed(platform::FileStep::Write), 1);
        EXPECT_EQ(faults.Failed(platform::FileStep::Remove), 1);
    }
    EXPECT_FALSE(fs::exists(upTemp / "Project" / "system.cfg"));
    EXPECT_TRUE(Holds(upTemp, without));
    {
        // Neither removal can take it: the upload ends and the last one stays.
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Write, 2, Named("system.cfg"))
            .FailFrom(platform::FileStep::Remove, 1, Named("system.cfg"));
        FakeUnit unit(store);
        EXPECT_EQ(RunUpload(unit), 0);
    }
    EXPECT_TRUE(Wrote("无法删除未上装完整的文件 " + (incoming / "Project" / "system.cfg").string()))
        << testing::PrintToString(lastLines);
    EXPECT_TRUE(Holds(upTemp, without));
    EXPECT_EQ(prompt.LastText(), "组态上装失败，详见监视窗口！");

    // Whole, it is part of the upload.
    FakeUnit unit(store);
    ASSERT_EQ(RunUpload(unit), 1);
    EXPECT_EQ(ReadBytes(upTemp / "Project" / "system.cfg"), system);
}

// Files an upload that was killed left in its staging folder never mix into the next; when they
// cannot be removed the next upload ends before it fetches anything.
TEST_F(UploadStepTest, LeftoversOfAKilledUploadNeverMixIntoTheNext) {
    const auto leave = [&] {
        testsupport::WriteBytes(incoming / "Project" / "ccu_残留.cfg", "stale");
        testsupport::WriteBytes(incoming / "ini" / "残留.txt", "stale");
    };
    leave();
    {
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Remove, 1, Is(incoming));
        FakeUnit unit(store);
        EXPECT_EQ(RunUpload(unit), 0);
        EXPECT_TRUE(Wrote("无法清除上装文件夹 " + incoming.string())) << testing::PrintToString(lastLines);
        EXPECT_EQ(unit.Log().find("OPEN READ"), std::string::npos) << unit.Log();
    }
    EXPECT_TRUE(Holds(upTemp, good));

    leave();
    FakeUnit unit(store);
    ASSERT_EQ(RunUpload(unit), 1);
    EXPECT_TRUE(Holds(upTemp, good));
    EXPECT_EQ(Names(projects), names);
}

// The whole upload is bounded, and so is each file by the free space of the disk: a file
// announced beyond either is refused before the unit sends a byte of it, with a line naming it,
// and the last good upload stays.
TEST_F(UploadStepTest, TheWholeUploadIsBoundedAndSoIsTheFreeSpace) {
    std::uint64_t loose = fs::file_size(store / "QXM7740.ini");
    for (const auto& e : fs::directory_iterator(version))
        if (e.path().extension() == ".cfg")
            loose += fs::file_size(store / e.path().filename());
    const std::uint64_t zip = fs::file_size(store / "Demo.zip");
    // What the archive unpacks to and the library copied from it are charged too.
    std::uint64_t unpacked = 0;
    std::uint64_t library = 0;
    for (const auto& [name, bytes] : Tree(root / "Project" / "DownTemp" / "Demo")) {
        unpacked += bytes.size();
        if (platform::StartsWith(name, "ini/"))
            library += bytes.size();
    }
    const std::uint64_t whole = loose + zip + unpacked + library;
    struct Case {
        std::string what;
        std::uint64_t total;
        std::uint64_t freeBytes;
        std::string line; // empty: the upload succeeds
        std::string refused;
    };
    const std::uint64_t plenty = std::uint64_t(1) << 40;
    const std::vector<Case> cases = {
        {"all files within the total", whole, plenty, "", ""},
        {"the archive unpacking beyond the total", loose + zip + unpacked - 1, plenty,
         platform::StrFormat("上装文件总长度超过上限%llu字节，不能解压缩文件：Demo.zip",
                             static_cast<unsigned long long>(loose + zip + unpacked - 1)),
         ""},
        {"the library's copy beyond the total", whole - 1, plenty, "", ""},
        {"the archive beyond the total", loose + zip - 1, plenty,
         platform::StrFormat("上装文件总长度超过上限%llu字节，不能上装文件：Demo.zip",
                             static_cast<unsigned long long>(loose + zip - 1)),
         "Demo.zip"},
        {"the main file beyond the total", 10, plenty,
         "上装文件总长度超过上限10字节，不能上装文件：QXM7740.ini", "QXM7740.ini"},
        {"the archive beyond the free space", plenty, zip - 1,
         platform::StrFormat("磁盘空间不足（剩余%llu字节），不能上装文件：Demo.zip",
                             static_cast<unsigned long long>(zip - 1)),
         "Demo.zip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeUnit unit(store);
        std::vector<std::string> lines;
        Make(unit);
        worker->SetPollInterval(std::chrono::milliseconds(20));
        worker->SetUploadTotal(c.total);
        worker->SetFreeSpaceProbe([&](const fs::path&) { return c.freeBytes; });
        const int result = RunEvent(INetWorker::kUploadConfig);
        {
            std::lock_guard lock(host->mutex);
            lines = host->lines;
        }
        TearDown();
        const std::string log = unit.Log();
        if (c.total == whole - 1) {
            // The copy stops at the file that would pass the total, and names it.
            EXPECT_EQ(result, 0);
            const std::string over = platform::StrFormat("上装文件总长度超过上限%llu字节",
                                                         static_cast<unsigned long long>(c.total));
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
                return platform::StartsWith(l, "拷贝配置文件失败！从") && l.find(over) != std::string::npos;
            })) << testing::PrintToString(lines);
            EXPECT_TRUE(Holds(upTemp, good));
            EXPECT_EQ(Names(projects), names);
            continue;
        }
        if (c.line.empty()) {
            EXPECT_EQ(result, 1) << testing::PrintToString(lines);
            EXPECT_NE(log.find("SENT Demo.zip " + std::to_string(zip)), std::string::npos) << log;
            continue;
        }
        EXPECT_EQ(result, 0);
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end())
            << testing::PrintToString(lines);
        if (c.refused.empty()) {
            // Fetched whole, but not unpacked: nothing of it is left.
            EXPECT_FALSE(fs::exists(incoming));
            EXPECT_TRUE(Holds(upTemp, good));
            EXPECT_EQ(Names(projects), names);
            continue;
        }
        // Asked for, but not a byte of it sent, and the files before it were.
        EXPECT_NE(log.find("OPEN READ " + c.refused), std::string::npos) << log;
        EXPECT_EQ(log.find("SENT " + c.refused), std::string::npos) << log;
        if (c.refused == "Demo.zip") {
            EXPECT_NE(log.find("SENT QXM7740.ini"), std::string::npos) << log;
        }
        EXPECT_TRUE(Holds(upTemp, good));
        EXPECT_EQ(Names(projects), names);
    }
}

// What an earlier download left in its folder never goes to the unit: a folder that cannot be
// cleared ends the download before anything is sent.
TEST_F(WorkerThreadTest, LeftoversOfAnEarlierDownloadNeverReachTheUnit) {
    const fs::path downTemp = root / "Project" / "DownTemp";
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    testsupport::WriteBytes(downTemp / "Demo" / "ini" / "残留.txt", "stale");
    {
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Remove, 1, [&](const fs::path& p) { return p == downTemp; });
        FakeUnit unit(store);
        Make(unit, &doc);
        EXPECT_EQ(RunEvent(INetWorker::kDownloadConfig), 0);
        EXPECT_TRUE(host->HasLine("无法清除下装文件夹 " + downTemp.string()));
        EXPECT_EQ(prompt.LastText(), "组态下装失败，详见监视窗口！");
        EXPECT_EQ(unit.Log().find("OPEN WRITE"), std::string::npos) << unit.Log();
        TearDown();
    }
    FakeUnit unit(store);
    Make(unit, &doc);
    worker->SetPollInterval(std::chrono::milliseconds(20));
    ASSERT_EQ(RunEvent(INetWorker::kDownloadConfig), 1);
    EXPECT_FALSE(fs::exists(downTemp / "Demo" / "ini" / "残留.txt"));
    std::string listing;
    ASSERT_EQ(Shell("unzip -l '" + (store / "Demo.zip").string() + "'", &listing), 0);
    // Entry names are GBK.
    EXPECT_EQ(listing.find(platform::ToGbk("残留")), std::string::npos) << listing;
    EXPECT_NE(listing.find("QXM7740.ini"), std::string::npos) << listing;
}

// Every job of the link ends in one box that says how it ended.
TEST_F(WorkerThreadTest, EveryJobEndsInABoxThatSaysHowItEnded) {
    const fs::path local = tmp.Path() / "one.bin";
    testsupport::WriteBytes(local, std::string(5000, 'z'));
    struct Case {
        std::string what;
        QStringList faults;
        int event;
        std::string file; // for the one-file download
        int result;
        std::string box;
    };
    {
        FakeUnit unit(store);
        ASSERT_EQ(Download(unit, mainFile).rc, 0);
    }
    const std::vector<Case> cases = {
        {"download", {}, INetWorker::kDownloadConfig, "", 1, kSuccess},
        {"failed download",
         {"refuse-open"},
         INetWorker::kDownloadConfig,
         "",
         0,
         "组态下装失败，详见监视窗口！"},
        {"upload", {}, INetWorker::kUploadConfig, "", 1, "组态上装成功！"},
        {"failed upload", {"bad-length"}, INetWorker::kUploadConfig, "", 0, "上装QXM7740.ini文件失败！"},
        {"one file", {}, INetWorker::kDownloadFile, local.string(), 1, "文件下装成功！"},
        {"one file refused",
         {"refuse-open"},
         INetWorker::kDownloadFile,
         local.string(),
         0,
         "文件下装失败，详见监视窗口！"},
        {"one file missing",
         {},
         INetWorker::kDownloadFile,
         (tmp.Path() / "无").string(),
         0,
         "文件下装失败，详见监视窗口！"},
    };
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path caseStore = tmp.Path() / ("box-" + std::to_string(&c - cases.data()));
        testsupport::CopyTree(store, caseStore);
        FakeUnit unit(caseStore, c.faults);
        Make(unit, &doc);
        worker->SetPollInterval(std::chrono::milliseconds(20));
        QElapsedTimer t;
        t.start();
        while (link->PasswordState() != CDeviceLink::kPasswordVerified && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!c.file.empty())
            worker->SetDownloadFile(c.file, "one.bin", 0);
        const std::size_t before = prompt.Count();
        EXPECT_EQ(RunEvent(c.event), c.result);
        const auto texts = prompt.Texts();
        EXPECT_EQ(std::vector<std::string>(texts.begin() + static_cast<std::ptrdiff_t>(before), texts.end()),
                  std::vector<std::string>{c.box});
        EXPECT_EQ(host->monitorShown.load() > 0, c.result == 0);
        TearDown();
    }
}

// A download sends the document as it stands but saves nothing: the saved version keeps its bytes,
// the document its time (工程属性) and its unmodified state, whether the download succeeds or fails.
TEST_F(WorkerThreadTest, ADownloadLeavesTheSavedVersionAndTheDocumentAsSaved) {
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    ASSERT_FALSE(doc.IsModified());
    const auto saved = Tree(version);
    const projectmodel::CProjectTime time = doc.m_projectTime;
    FakeUnit unit(store);
    Make(unit, &doc);
    worker->SetPollInterval(std::chrono::milliseconds(5));
    ASSERT_EQ(RunEvent(INetWorker::kDownloadConfig), 1);
    EXPECT_EQ(Tree(version), saved);
    EXPECT_EQ(doc.m_projectTime, time);
    EXPECT_FALSE(doc.IsModified());
    // The unit got the stamped copy.
    EXPECT_EQ(ReadBytes(store / "QXM7740.ini"), ReadBytes(sent / "QXM7740.ini"));
    EXPECT_NE(ReadBytes(sent / "QXM7740.ini"), ReadBytes(mainFile));

    // A disk full under the copy's writing: the download fails, nothing saved is touched.
    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Write, 1,
                        [&](const fs::path& p) { return p.filename() == "QXM7740.ini"; });
        EXPECT_EQ(RunEvent(INetWorker::kDownloadConfig), 0);
        EXPECT_GT(faults.Failed(platform::FileStep::Write), 0);
    }
    EXPECT_EQ(prompt.LastText(), "组态下装失败，详见监视窗口！");
    EXPECT_EQ(Tree(version), saved);
    EXPECT_EQ(doc.m_projectTime, time);
    EXPECT_FALSE(doc.IsModified());
}

// A library or version file that cannot be listed or read while the download copies and packs
// them stops the download with a line naming it: the unit never gets a partial archive announced
// as the project.
TEST_F(WorkerThreadTest, AFileThatCannotBeListedOrReadStopsTheDownloadNamingIt) {
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    const fs::path library = project / "Ini";
    const fs::path model = library / "二次装置" / "QXE300.cfg";
    const fs::path packedModel = root / "Project" / "DownTemp" / "Demo" / "ini" / "二次装置" / "QXE300.cfg";
    struct Case {
        std::string what;
        platform::FileStep step;
        fs::path path;
        int error;
        std::string line; // a line that starts so and holds the path
        int nth = 1;      // the call on that path that fails
    };
    const std::vector<Case> cases = {
        {"a library folder not listed", platform::FileStep::List, library / "二次装置", EACCES,
         "拷贝配置文件失败！从"},
        {"a library file not read", platform::FileStep::Read, model, EIO, "拷贝配置文件失败！从"},
        {"the saved version not listed", platform::FileStep::List, version, EMFILE, "拷贝工程文件失败！从"},
        {"the copy not listed for sending", platform::FileStep::List, sent, EIO, "无法读取文件夹"},
        {"a copied file not read for packing", platform::FileStep::Read, packedModel, EIO, "无法读取文件："},
        // Opened first when it is written as the copy, then when it is packed.
        {"a copied file not opened for packing", platform::FileStep::Open, packedModel, EACCES,
         "无法读取文件：", 2},
        {"a packed folder not listed", platform::FileStep::List, packedModel.parent_path(), EACCES,
         "无法读取文件："},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path caseStore = tmp.Path() / ("pack-" + std::to_string(&c - cases.data()));
        fs::create_directories(caseStore);
        FakeUnit unit(caseStore);
        Make(unit, &doc);
        worker->SetPollInterval(std::chrono::milliseconds(5));
        const fs::path target = c.path;
        platform::CFileFaults faults;
        faults.FailNth(
            c.step, c.nth, [&](const fs::path& p) { return p == target; }, c.error);
        EXPECT_EQ(RunEvent(INetWorker::kDownloadConfig), 0);
        EXPECT_EQ(faults.Failed(c.step), 1);
        std::vector<std::string> lines;
        {
            std::lock_guard lock(host->mutex);
            lines = host->lines;
        }
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return platform::StartsWith(l, c.line) && l.find(c.path.string()) != std::string::npos &&
                   l.find(platform::ErrorText(c.error)) != std::string::npos;
        })) << testing::PrintToString(lines);
        EXPECT_EQ(prompt.LastText(), "组态下装失败，详见监视窗口！");
        EXPECT_FALSE(fs::exists(caseStore / "Demo.zip"));
        TearDown();
    }
}

// Removes every plain file of a folder but the first by name.
void TrimToOneFile(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (std::size_t i = 1; i < files.size(); ++i)
        fs::remove(files[i]);
}

// Leaves one file in each folder of a library: every kind of step of copying and packing it is
// still there, in a road short enough to fail call by call.
void TrimLibrary(const fs::path& library) {
    for (const auto& e : fs::recursive_directory_iterator(library))
        if (e.is_directory())
            TrimToOneFile(e.path());
    TrimToOneFile(library);
}

// The download swept: each seam call of a whole download (its copy, its sending, its packing) fails
// in turn with each errno it can give. Every failure is told and leaves the saved project as it
// was; a download that still succeeds gave the unit the whole copy and its whole archive.
TEST_F(WorkerThreadTest, EveryFailedFileStepOfADownloadIsToldAndLosesNothing) {
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    FakeUnit unit(store);
    Make(unit, &doc);
    worker->SetPollInterval(std::chrono::milliseconds(1));
    // Once the project is open, its library keeps one file of each folder.
    TrimLibrary(project / "Ini");
    const fs::path downTemp = root / "Project" / "DownTemp";
    testsupport::SweepRoad road;
    road.setup = [&] {
        std::error_code ec;
        fs::remove_all(downTemp, ec);
        fs::remove(store / "Demo.zip", ec);
    };
    road.run = [&] { return JobOutcome(INetWorker::kDownloadConfig, kSuccess); };
    road.kept = {project};
    road.whole = [&]() -> std::string {
        if (ReadBytes(store / "QXM7740.ini") != ReadBytes(sent / "QXM7740.ini"))
            return "the unit's main file is not the copy's";
        if (ReadBytes(store / "Demo.zip") != ReadBytes(downTemp / "Demo.zip"))
            return "the unit's archive is not the one packed";
        std::string listing;
        Shell("unzip -Z1 '" + (store / "Demo.zip").string() + "'", &listing);
        const auto files = Tree(downTemp / "Demo");
        if (static_cast<std::size_t>(std::count(listing.begin(), listing.end(), '\n')) < files.size())
            return "the archive lacks files of the copy";
        return {};
    };
    const testsupport::SweepResult sweep = testsupport::RunFaultSweep(road);
    std::printf("download sweep: %s\n", sweep.Summary().c_str());
    EXPECT_GT(sweep.calls, 50);
    EXPECT_TRUE(sweep.faults.empty()) << testing::PrintToString(sweep.faults);
    EXPECT_GT(sweep.told, 0);
}

// The upload swept: each seam call of a whole upload (fetching, unpacking, copying the library,
// putting it in place of the last one) fails in turn with each errno it can give. Every failure is
// told and leaves the last good upload as it was; an upload that still succeeds is whole.
TEST_F(WorkerThreadTest, EveryFailedFileStepOfAnUploadIsToldAndKeepsTheLastGoodOne) {
    projectmodel::CConfigDoc doc;
    doc.MakeCurrent();
    ASSERT_TRUE(doc.OpenProject(mainFile));
    TrimLibrary(project / "Ini");
    FakeUnit unit(store);
    Make(unit, &doc);
    worker->SetPollInterval(std::chrono::milliseconds(1));
    ASSERT_EQ(RunEvent(INetWorker::kDownloadConfig), 1);
    ASSERT_EQ(RunEvent(INetWorker::kUploadConfig), 1);
    const fs::path projects = root / "Project";
    const fs::path upTemp = projects / "UpTemp";
    const testsupport::TreeBytes good = testsupport::SnapshotTree(upTemp);
    ASSERT_TRUE(good.count("Project/QXM7740.ini"));
    ASSERT_TRUE(good.count("Demo.zip"));
    const auto packedLibrary = Tree(projects / "DownTemp" / "Demo" / "ini");

    testsupport::SweepRoad road;
    road.setup = [&] {
        testsupport::RestoreTree(upTemp, good);
        std::error_code ec;
        fs::remove_all(projects / "UpTemp.incoming", ec);
        fs::remove_all(projects / "UpTemp.replaced", ec);
    };
    road.run = [&] { return JobOutcome(INetWorker::kUploadConfig, "组态上装成功！"); };
    road.kept = {upTemp};
    road.whole = [&]() -> std::string {
        if (ReadBytes(upTemp / "Project" / "QXM7740.ini") != ReadBytes(store / "QXM7740.ini"))
            return "the main file is not the unit's";
        if (Tree(upTemp / "ini") != packedLibrary)
            return "the library is not the archive's";
        // The last upload, when it could not be removed after the swap, is removed before the
        // next upload starts: it may stay beside the new one.
        return {};
    };
    const testsupport::SweepResult sweep = testsupport::RunFaultSweep(road);
    std::printf("upload sweep: %s\n", sweep.Summary().c_str());
    EXPECT_GT(sweep.calls, 30);
    EXPECT_TRUE(sweep.faults.empty()) << testing::PrintToString(sweep.faults);
    EXPECT_GT(sweep.told, 0);
}

} // namespace
} // namespace workertest
