// Drives the project document and the communication worker from the command line for tests and
// scripts:
//   projecttool resave MAINFILE OUTROOT VERSION
//       opens the project of a main configuration file and saves it as that version below OUTROOT
//       (OUTROOT/<project name>/ProjectV<version>/).
//   projecttool download MAINFILE HOST PORT
//       opens the project of a main configuration file and downloads its configuration to the unit
//       at HOST:PORT with the tool's worker job.
//   projecttool upload HOST PORT ROOT
//       uploads the unit's configuration into ROOT/Project/UpTemp with the worker job and opens it.
// Every message-box text and every monitor line is printed on standard output (questions are
// answered Yes, except the offer to retry a failed connection). The exit code is 0 on success, 1
// when opening failed, 2 when saving or the job failed, 3 when the unit could not be reached, 4
// when the job did not end in time and 64 for a wrong command line.
#include "configtool/applog/ArchiveOperations.h"
#include "configtool/applog/OperatorLog.h"
#include "configtool/link/DeviceLink.h"
#include "configtool/worker/NetMagThread.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <string>
#include <vector>

using namespace qxm7740;

using namespace projectmodel;
namespace fs = std::filesystem;

namespace {

std::mutex g_printMutex;

void Print(const std::string& text) {
    std::lock_guard lock(g_printMutex);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

class PrintingPrompt : public platform::IPrompt {
public:
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons buttons) override {
        Print(text);
        // A run without a user does not retry a connection for ever.
        if (platform::StartsWith(text, "连接TCP/IP服务器"))
            return platform::Answer::No;
        switch (buttons) {
        case platform::Buttons::YesNo:
        case platform::Buttons::YesNoCancel:
            return platform::Answer::Yes;
        case platform::Buttons::RetryCancel:
            return platform::Answer::Cancel;
        case platform::Buttons::AbortRetryIgnore:
            return platform::Answer::Ignore;
        default:
            return platform::Answer::Ok;
        }
    }
};

// The shell of a tool run: administrator, and the version given on the command line.
class ToolShell : public IProjectShell {
public:
    std::string version;
    bool IsAdministrator() override { return true; }
    bool AskSaveVersion(const fs::path&, std::string& text) override {
        text = version;
        return true;
    }
};

using Verb = std::function<int(const std::vector<std::string>&)>;

int Resave(const std::vector<std::string>& args) {
    const fs::path mainFile = fs::absolute(args[0]);
    const fs::path outRoot = fs::absolute(args[1]);
    ToolShell shell;
    shell.version = args[2];
    CProjectContext& context = CProjectContext::Instance();
    context.SetShell(&shell);

    CConfigDoc doc;
    doc.MakeCurrent();
    if (!doc.OpenProject(mainFile))
        return 1;
    std::error_code ec;
    fs::create_directories(outRoot, ec);
    context.SetProjectsFolder(outRoot);
    const int saved = doc.SaveProject(false);
    context.SetShell(nullptr);
    return saved ? 0 : 2;
}

// The application side of a headless worker run: monitor lines and boxes on standard output, the
// operator log below the root folder, the wait dialog only as its flag.
class ToolHost : public INetMagHost, public ILinkReport {
public:
    ToolHost(fs::path root, fs::path projects, fs::path ini, projectmodel::CConfigDoc* doc)
        : root_(std::move(root)), projects_(std::move(projects)), ini_(std::move(ini)), doc_(doc),
          log_(root_), archive_(log_, ini_.string()) {}

    CDeviceLink* GetLink() override { return link; }
    ILinkReport& Report() override { return *this; }
    ILogSink& Log() override { return log_; }
    CArchiveOperations& Archive() override { return archive_; }
    projectmodel::CConfigDoc* CurrentDoc() override { return doc_; }
    fs::path RootFolder() override { return root_; }
    fs::path ProjectsFolder() override { return projects_; }
    fs::path IniFolder() override { return ini_; }
    std::atomic<int>& IdleFlag() override { return idle_; }
    std::atomic<int>& WaitDialogFlag() override { return waitDialog_; }
    void PostOpenProject(const std::string& mainFile) override {
        std::lock_guard lock(g_printMutex);
        posted = mainFile;
    }
    void JobDone(int, int r) override {
        result = r;
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    }

    void OpenWait(int, const std::string&) override { waitDialog_ = 1; }
    void CloseWait() override { waitDialog_ = 0; }
    void Progress(int, std::uint32_t) override {}
    void WaitText(const std::string&) override {}
    void MonitorText(LinkColour, const std::string& text) override { Print(text); }
    void MonitorBytes(LinkColour, const std::uint8_t* data, std::size_t size) override {
        Print(platform::HexDump(data, size));
    }

    CDeviceLink* link = nullptr;
    std::atomic<int> result{-1};
    std::string posted;

private:
    fs::path root_, projects_, ini_;
    projectmodel::CConfigDoc* doc_;
    COperatorLog log_;
    CArchiveOperations archive_;
    std::atomic<int> idle_{1};
    std::atomic<int> waitDialog_{0};
};

struct JobOutcome {
    int rc = 2;
    std::string posted; // the main file an upload asked to open
};

// Connects to the unit and runs one worker job while this thread carries the socket.
JobOutcome RunJob(std::unique_ptr<ToolHost> owned, int event, const std::string& address,
                  const std::string& port) {
    static int argc = 1;
    static char name[] = "projecttool";
    static char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    ToolHost* host = owned.get();
    std::unique_ptr<CDeviceLink> link = MakeDeviceLink(host);
    link->SetAddress(platform::AtoI(port), address);
    if (!link->Connect())
        return {3, {}};
    host->link = link.get();
    CNetMagThread worker(std::move(owned));
    if (!worker.Start())
        return {2, {}};
    worker.Events().Set(event);
    bool late = false;
    QTimer::singleShot(180000, &application, [&] {
        late = true;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    worker.RequestStop();
    // A worker that does not stop within the bound ends the run as timed out: an unattended
    // run must never hang.
    QElapsedTimer stopping;
    stopping.start();
    while (!worker.WaitStopped(std::chrono::milliseconds(50))) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (stopping.elapsed() > 30000) {
            std::fprintf(stderr, "projecttool: the communication worker did not stop\n");
            std::fflush(nullptr);
            std::_Exit(4);
        }
    }
    const int result = host->result;
    const std::string posted = host->posted;
    link->Close();
    host->link = nullptr;
    link.reset();
    if (late)
        return {4, posted};
    return {result == 1 ? 0 : 2, posted};
}

int Download(const std::vector<std::string>& args) {
    const fs::path mainFile = fs::absolute(args[0]);
    CProjectContext& context = CProjectContext::Instance();
    CConfigDoc doc;
    doc.MakeCurrent();
    if (!doc.OpenProject(mainFile))
        return 1;
    const fs::path projects = context.ProjectsFolder();
    auto host = std::make_unique<ToolHost>(projects.parent_path(), projects, context.LibraryFolder(), &doc);
    return RunJob(std::move(host), INetWorker::kDownloadConfig, args[1], args[2]).rc;
}

int Upload(const std::vector<std::string>& args) {
    const fs::path root = fs::absolute(args[2]);
    const fs::path projects = platform::FindNoCase(root, "Project");
    auto host = std::make_unique<ToolHost>(root, projects, platform::FindNoCase(root, "Ini"), nullptr);
    const JobOutcome outcome = RunJob(std::move(host), INetWorker::kUploadConfig, args[0], args[1]);
    if (outcome.rc != 0)
        return outcome.rc;
    if (outcome.posted.empty())
        return 2;
    const std::string& posted = outcome.posted;
    CConfigDoc doc;
    doc.MakeCurrent();
    if (!doc.OpenProject(posted))
        return 1;
    Print("打开工程 " + posted + "，工程名：" + doc.m_strProjectName);
    return 0;
}

struct VerbInfo {
    std::size_t arguments;
    const char* usage;
    Verb run;
};

const std::map<std::string, VerbInfo>& Verbs() {
    static const std::map<std::string, VerbInfo> verbs = {
        {"resave", {3, "resave MAINFILE OUTROOT VERSION", Resave}},
        {"download", {3, "download MAINFILE HOST PORT", Download}},
        {"upload", {3, "upload HOST PORT ROOT", Upload}},
    };
    return verbs;
}

int Usage() {
    std::fprintf(stderr, "usage:\n");
    for (const auto& [name, info] : Verbs())
        std::fprintf(stderr, "  projecttool %s\n", info.usage);
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const auto verb = Verbs().find(argv[1]);
    std::vector<std::string> args(argv + 2, argv + argc);
    if (verb == Verbs().end() || args.size() != verb->second.arguments)
        return Usage();
    PrintingPrompt prompt;
    platform::SetPrompt(&prompt);
    const int rc = verb->second.run(args);
    platform::SetPrompt(nullptr);
    return rc;
}
