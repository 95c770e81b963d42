#pragma once
// The debugging program's application over the in-memory transport, logged in as the
// administrator, without a worker (posted requests are sent at once), with a scripted prompt.
#include "debugger/views/MainFrame.h"
#include "debugger/views/QuorvexApp.h"

#include "tests/debugger/core/QuorvexTestSupport.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include "platform/ui/WidgetPrompt.h"

#include <QDialog>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <memory>

namespace qtest {

// A message box the user leaves open: while it is up, the event loop runs (frames arrive, the
// test's steps run) until the steps are done, then it is answered.
class HeldPrompt : public platform::IPrompt {
public:
    explicit HeldPrompt(std::function<void()> whileOpen) : whileOpen_(std::move(whileOpen)) {
        previous_ = platform::CurrentPrompt();
        platform::SetPrompt(this);
    }
    ~HeldPrompt() override { platform::SetPrompt(previous_); }
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons) override {
        texts.push_back(text);
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            if (whileOpen_)
                whileOpen_();
            loop.quit();
        });
        loop.exec();
        return platform::Answer::Ok;
    }
    std::vector<std::string> texts;

private:
    std::function<void()> whileOpen_;
    platform::IPrompt* previous_;
};

struct AppRig {
    AppRig() {
        app = std::make_unique<quorvex::CQuorvexApp>(
            [this] {
                auto t = std::make_unique<MemoryTransport>();
                transport = t.get();
                return t;
            },
            dir.Path() / "Bin", dir.Path() / "CFG_TOOL.INI");
        app->m_postWaitMs = 0;
        app->InitInstance("系统管理员", "", false);
    }
    ~AppRig() {
        platform::SetDialogRunner({});
        app.reset();
    }
    void Connect() {
        app->OnConnect();
        transport->sent.clear();
        prompts.Clear();
    }
    // One board (number 1): serial port 1 "串口1" with devices 5 and 6 and a table "表A" (number 2,
    // kind given), network port 1 "连接号1" with device 7.
    void AddBoards(std::uint8_t tableKind = 1) {
        quorvex::CUnitBoard b;
        b.m_boardNumber = 1;
        quorvex::CUnitPort s;
        s.m_portNumber = 1;
        s.m_name = "串口1";
        s.m_addresses.Add(quorvex::CUnitAddress(5));
        s.m_addresses.Add(quorvex::CUnitAddress(6));
        quorvex::CUnitRefTable t;
        t.m_portNumber = 1;
        t.m_tableNumber = 2;
        t.m_tableKind = tableKind;
        t.m_name = "表A";
        s.m_tables.Add(t);
        b.m_serialPorts.Add(s);
        quorvex::CUnitPort n;
        n.m_portNumber = 1;
        n.m_name = "连接号1";
        n.m_addresses.Add(quorvex::CUnitAddress(7));
        b.m_netPorts.Add(n);
        b.m_serialCount = 1;
        b.m_netCount = 1;
        app->Data().m_boards.Add(b);
    }
    // Every dialog run goes to fn, which returns the result (it may fill the dialog first).
    void OnDialog(std::function<int(QDialog&)> fn) { platform::SetDialogRunner(std::move(fn)); }
    std::vector<Bytes> Bodies() { return transport->Bodies(); }
    std::vector<Bytes> Frames() { return transport->Sent(); }
    quorvex::CMainFrame& Frame() { return *app->MainFrame(); }

    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    MemoryTransport* transport = nullptr;
    std::unique_ptr<quorvex::CQuorvexApp> app;
};

} // namespace qtest
