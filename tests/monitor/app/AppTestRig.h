#pragma once
// The monitor program over an in-memory link: the application with its main frame (not shown), a
// prompt recorder, a dialog runner that tests script, and the frames of a login.
#include "monitor/app/MainFrame.h"
#include "monitor/app/MarindleApp.h"
#include "MonitorTestSupport.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <deque>
#include <functional>
#include <memory>
#include <QDialog>

namespace apptest {

using montest::Bytes;

struct AppRig {
    AppRig();
    ~AppRig();

    // Connects and runs the login with the sample port information (board 0: serial port 1
    // "COM1" with devices 5 and 6 and table 3, network port 2 "NET2" with device 7).
    void Login();
    void Feed(const Bytes& bytes) { app->link.OnData(bytes.data(), bytes.size()); }
    // Runs the queued calls (the message boxes shown after a frame's handling), as the event loop
    // would; nothing else of the event loop runs.
    void Settle();
    std::vector<Bytes> SentBodies() const;
    void ClearSent() { transport->sent.clear(); }
    // The device marked communicating with its structure read, so that its windows open.
    marindle::CDeviceRecord* Ready(std::uint16_t address);
    // Answers the next dialogs: each handler fills the dialog and returns its result.
    void OnDialog(std::function<int(QDialog&)> handler) { dialogs.push_back(std::move(handler)); }

    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    montest::MemoryTransport* transport = nullptr;
    std::unique_ptr<marindle::CMarindleApp> app;
    std::deque<std::function<int(QDialog&)>> dialogs;
    std::vector<std::string> dialogNames; // objectName of every dialog run
    std::vector<int> rights;              // rights asked
    bool grantRights = true;
};

} // namespace apptest
