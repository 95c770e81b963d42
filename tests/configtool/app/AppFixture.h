#pragma once
// A started main tool for widget tests: a root folder with "Bin/Password.dat" (the administrator,
// 张三 with the upload/download right and 李四 without it), a scripted login, an in-memory link,
// a recording worker and a recording project template.
#include "configtool/app/AppProjectShell.h"
#include "configtool/app/ConfigDocTemplate.h"
#include "configtool/app/ConfigToolApp.h"
#include "configtool/app/MainFrame.h"
#include "configtool/app/ProjectTemplate.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <QDialog>
#include <QSplitter>
#include <QWidget>
#include <string>
#include <vector>

// The tests reach the main tool's classes by their short names.
using namespace qxm7740;

namespace apptest {

// The transport under the link: connects when told to, keeps what was sent.
class FakeTransport : public unitlink::ILinkTransport {
public:
    explicit FakeTransport(bool* connectOk) : connectOk_(connectOk) {}
    void SetEvents(unitlink::ILinkTransportEvents* events) override { events_ = events; }
    bool Create() override { return true; }
    bool Connect(const std::string&, int) override { return *connectOk_; }
    bool Send(const std::uint8_t* data, std::size_t size) override {
        sent.emplace_back(data, data + size);
        return true;
    }
    void Close() override {}
    void RunOnLinkThread(const std::function<void()>& fn) override { fn(); }
    std::vector<std::vector<std::uint8_t>> sent;

private:
    bool* connectOk_;
    unitlink::ILinkTransportEvents* events_ = nullptr;
};

class FakeWorker : public INetWorker {
public:
    platform::CEventSet& Events() override { return events_; }
    void SetDownloadFile(const std::string& local, const std::string& remote, std::uint8_t board) override {
        localPath = local;
        remoteName = remote;
        this->board = board;
    }
    bool Start() override { return startOk; }
    void RequestStop() override {
        if (onStop)
            onStop();
    }
    bool WaitStopped(std::chrono::milliseconds) override { return true; }

    bool startOk = true;
    std::function<void()> onStop;
    std::string localPath;
    std::string remoteName;
    int board = -1;

private:
    platform::CEventSet events_{kEventCount};
};

// One fake project document.
struct FakeDoc {
    std::string name;
    std::string title;
    bool saved = false;
};

class FakeTemplate : public IProjectTemplate {
public:
    explicit FakeTemplate(CConfigToolApp& app) : app_(app) {}
    // The fake documents travel through the shell's document pointers without being documents.
    static CConfigDoc* Doc(FakeDoc* d) { return reinterpret_cast<CConfigDoc*>(d); }
    static FakeDoc* Fake(const CConfigDoc* d) {
        return reinterpret_cast<FakeDoc*>(const_cast<CConfigDoc*>(d));
    }

    std::vector<CConfigDoc*> GetDocuments() const override {
        std::vector<CConfigDoc*> docs;
        for (const auto& d : docs_)
            docs.push_back(Doc(d.get()));
        return docs;
    }
    std::vector<QWidget*> GetViews(const CConfigDoc*) const override {
        return pane ? std::vector<QWidget*>{pane} : std::vector<QWidget*>{};
    }
    CConfigDoc* NewProject(const std::string& folder, const std::string& name) override {
        calls.push_back("new " + folder + " " + name);
        docs_.push_back(std::make_unique<FakeDoc>(FakeDoc{name, "", false}));
        return Doc(docs_.back().get());
    }
    CConfigDoc* OpenProject(const std::string& path) override {
        calls.push_back("open " + path);
        if (!openOk)
            return nullptr;
        docs_.push_back(std::make_unique<FakeDoc>(FakeDoc{"opened", "", true}));
        return Doc(docs_.back().get());
    }
    void CloseAllDocuments() override {
        calls.push_back("closeAll");
        docs_.clear();
    }
    QMdiSubWindow* GetFrame(CConfigDoc*) const override { return nullptr; }
    void SetTitle(CConfigDoc* doc, const std::string& title) override { Fake(doc)->title = title; }
    bool IsModified(const CConfigDoc* doc) const override { return !Fake(doc)->saved; }
    std::string GetProjectName(const CConfigDoc* doc) const override { return Fake(doc)->name; }
    void SetProjectName(CConfigDoc* doc, const std::string& name) override { Fake(doc)->name = name; }
    // Saving asks for the rights the way the project document does.
    int SaveProject(CConfigDoc* doc, bool asNew) override {
        calls.push_back(asNew ? "saveAsNew" : "save");
        if (!app_.CheckRights() || !saveOk)
            return 0;
        Fake(doc)->saved = true;
        return 1;
    }
    void SetProjectScd(CConfigDoc*, const std::string& path) override {
        calls.push_back("projectScd " + path);
    }
    void ImportScd(CConfigDoc*, const std::string& path) override { calls.push_back("importScd " + path); }
    void SortDevices(CConfigDoc* doc) override { calls.push_back("sort " + Fake(doc)->name); }

    std::vector<std::string> calls;
    bool openOk = true;
    bool saveOk = true;
    QWidget* pane = nullptr;

private:
    CConfigToolApp& app_;
    std::vector<std::unique_ptr<FakeDoc>> docs_;
};

// The login dialog's users as it listed them, and which dialogs ran.
struct DialogRecord {
    std::string name;
    std::vector<std::string> users;
};

class AppTest : public ::testing::Test {
protected:
    using Script = std::function<int(QDialog&)>;

    AppTest();
    ~AppTest() override;

    // Starts the tool with a login as the user; true when start-up succeeded.
    bool Start(const std::string& user, const std::string& password,
               const std::vector<std::string>& arguments = {});
    // Plugs the fakes into a new application object.
    void MakeApp();
    void Queue(Script script) { scripts_.push_back(std::move(script)); }
    // A login: picks the user, types the password and presses OK.
    static Script Login(const std::string& user, const std::string& password);
    static Script Cancel();
    // Accepts the connection settings dialog as it stands.
    static Script AcceptParams();
    void Trigger(const std::string& caption);
    // The lines of this month's log file, UTF-8, without their time stamps.
    std::vector<std::string> LogLines() const;
    // Names of the password dialogs run since the last call, with the users each listed.
    std::vector<DialogRecord> TakeDialogs();
    // The new-project wizard answered with the root's Project folder and the name.
    Script Wizard(const std::string& name) const;
    // Makes a current project through the new-project command.
    FakeDoc* NewProject(const std::string& name);

    testsupport::TempDir root_;
    testsupport::PromptRecorder prompt_;
    bool connectOk_ = true;
    FakeTransport* transport_ = nullptr;
    FakeWorker* worker_ = nullptr;
    std::unique_ptr<CConfigToolApp> app_;
    std::unique_ptr<FakeTemplate> template_;
    // Set before Start: the real project documents, with the shell services of the program and
    // the definition library in the root's Ini folder.
    bool realProjects_ = false;
    // Set before Start: the TCP link and the program's communication worker.
    bool realLink_ = false;
    std::unique_ptr<CConfigDocTemplate> realTemplate_;
    std::unique_ptr<CAppProjectShell> shell_;

private:
    std::deque<Script> scripts_;
    std::vector<DialogRecord> dialogs_;
};

} // namespace apptest
