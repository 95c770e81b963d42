// The program against a scripted unit on 127.0.0.1 over a real socket: login and port
// information fill the trees, a console line goes out and its answer comes back, the main
// frame-trace window logs the frames, and a result box held open does not stop the reception. A
// unit that goes quiet is connected again without a false error, and a box posted before a
// connection attempt does not open inside it. A unit that is killed is noticed at once.
#include "AppTestRig.h"
#include "HeldPrompt.h"
#include "LoopbackUnit.h"

#include "monitor/app/CmdForm.h"
#include "monitor/app/OverallView.h"
#include "monitor/app/TextMonitorForm.h"
#include "monitor/app/ValueForms.h"
#include "unitlink/LinkTexts.h"
#include "unitlink/NetSocket.h"

#include <gtest/gtest.h>
#include <QPointer>
#include <QTcpServer>
#include <QTest>

using namespace marindle;
using namespace montest;

TEST(EndToEndTest, LoginConsoleAndFrameTraceOverTcp) {
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    LoopbackUnit unit;
    CMarindleApp app(dir.Path(), std::make_unique<unitlink::CNetSocket>());
    ASSERT_TRUE(app.InitInstance("4321", false));
    EXPECT_EQ(app.link.LoginKey(), 4321);
    app.link.SetAddress("127.0.0.1", unit.Port());
    ASSERT_EQ(app.OnConnect(), 1);
    app.OnMainTrace();

    unit.Send(Dsdu({14, 1, 2, 3, 4}));
    ASSERT_TRUE(unit.WaitFor([&] { return !unit.bodies.empty(); }));
    EXPECT_EQ(unit.bodies[0][0], 14);
    unit.Send(Dsdu({15, 1}));
    unit.Send(Dsdu(Cat({17}, SamplePortInfo())));
    ASSERT_TRUE(unit.WaitFor([&] { return app.model.Ports().size() == 2; }));
    COverallView* tree = app.Frame()->TreeView(1);
    ASSERT_TRUE(unit.WaitFor([&] { return tree->topLevelItem(0)->childCount() == 6; }));

    auto* console = dynamic_cast<CCmdForm*>(app.windows.OpenCommand());
    ASSERT_NE(console, nullptr);
    QTest::keyClicks(console->Edit(), "ver");
    QTest::keyClick(console->Edit(), Qt::Key_Return);
    ASSERT_TRUE(unit.WaitFor([&] {
        return !unit.bodies.empty() && unit.bodies.back() == (Bytes{3, 'v', 'e', 'r'});
    }));
    unit.Send(Dsdu(Cat({3}, Text("V2.04 正常"))));
    ASSERT_TRUE(unit.WaitFor(
        [&] { return console->Edit()->toPlainText().contains(QString::fromUtf8("V2.04 正常")); }));

    auto* trace = dynamic_cast<CTraceForm*>(app.windows.FindTrace(1, 0, 0));
    ASSERT_NE(trace, nullptr);
    ASSERT_TRUE(unit.WaitFor([&] { return trace->PlainText().find("字符串命令") != std::string::npos; }));
    EXPECT_TRUE(prompts.Texts().empty());
    app.OnDisconnect();
    EXPECT_FALSE(app.IsConnected());
}

namespace {
// Logs the program in over the socket with the sample port information.
void LoginOverTcp(LoopbackUnit& unit, CMarindleApp& app) {
    ASSERT_EQ(app.OnConnect(), 1);
    unit.Send(Dsdu({14, 1, 2, 3, 4}));
    ASSERT_TRUE(unit.WaitFor([&] { return !unit.bodies.empty(); }));
    unit.Send(Dsdu({15, 1}));
    unit.Send(Dsdu(Cat({17}, SamplePortInfo())));
    ASSERT_TRUE(unit.WaitFor([&] { return app.model.Ports().size() == 2; }));
}

// The last frame the unit received whose ASDU has that INF, or null.
const Bytes* WriteRequest(const LoopbackUnit& unit, std::uint8_t inf) {
    for (auto it = unit.bodies.rbegin(); it != unit.bodies.rend(); ++it)
        if (it->size() > 7 && (*it)[0] == 10 && (*it)[5] == inf)
            return &*it;
    return nullptr;
}
} // namespace

// A settings download whose result box stays open for longer than the silence watch (31 ticks of
// timer 1, moved on through the timers' hook) while the unit keeps sending: its frames are handled
// all the while, the link is not rebuilt, the window that asked stays, and no time-out of the same
// download follows when the box is answered.
TEST(EndToEndTest, SettingsResultBoxHeldOpenWhileTheUnitKeepsSending) {
    testsupport::TempDir dir;
    HeldPrompt prompts;
    LoopbackUnit unit;
    CMarindleApp app(dir.Path(), std::make_unique<unitlink::CNetSocket>());
    ASSERT_TRUE(app.InitInstance("", false));
    app.rightCheck = [](int) { return true; };
    app.link.SetAddress("127.0.0.1", unit.Port());
    LoginOverTcp(unit, app);
    if (HasFatalFailure())
        return;

    CDeviceRecord* d = app.model.FindDevice(5);
    ASSERT_NE(d, nullptr);
    d->communicating = 1;
    d->structureComplete = 1;
    CGroupRecord* g = d->AddGroup(2);
    g->title = "保护定值";
    g->kind = 2;
    CEntryRecord* e = g->AddEntry(0x0102);
    e->address = 5;
    e->description = "过流定值";
    e->dataType = 7;
    e->dataSize = 4;
    e->number = 1;
    e->actualValue = "1.5";
    QPointer<CProtForm> form = dynamic_cast<CProtForm*>(app.windows.OpenSettings(d->key));
    ASSERT_NE(form, nullptr);
    form->GroupValuesArrived(2);
    form->CommitEdit(0, "2.5");
    form->Download();
    ASSERT_TRUE(unit.WaitFor([&] { return WriteRequest(unit, 249) != nullptr; }));
    unit.Send(Asdu(5, AsduHead(44, 249, 0)));
    ASSERT_TRUE(unit.WaitFor([&] { return WriteRequest(unit, 250) != nullptr; }));

    // While the result box is open: one unit heartbeat per tick, each handled before the next tick.
    const Bytes unitHeartbeat = UnitFrame(0, {});
    const std::size_t framesBefore = unit.frames.size();
    int ticks = 0;
    bool waitedTooLong = false;
    bool timerStoppedFirst = false;
    QElapsedTimer sinceSent;
    prompts.whileOpen = [&](const std::string& text) {
        if (text != "下装成功。")
            return true;
        if (ticks == 0 && !sinceSent.isValid())
            timerStoppedFirst = form && !form->Waiting() && form->State() == 0;
        if (ticks >= 40)
            return true;
        if (!sinceSent.isValid() || app.link.SilenceTicks() == 0) {
            if (sinceSent.isValid()) {
                app.link.AdvanceTime(1000); // timer 1's tick
                ++ticks;
            }
            unit.Send(unitHeartbeat);
            sinceSent.start();
            return false;
        }
        unit.Spin(1);
        if (sinceSent.elapsed() > 5000) {
            waitedTooLong = true; // the frame was not handled while the box is open
            return true;
        }
        return false;
    };
    unit.Send(Asdu(5, AsduHead(40, 250, 0)));
    ASSERT_TRUE(unit.WaitFor([&] { return !prompts.closed.empty(); }));

    EXPECT_FALSE(prompts.timedOut);
    EXPECT_FALSE(waitedTooLong);
    EXPECT_EQ(ticks, 40);
    EXPECT_TRUE(timerStoppedFirst);
    EXPECT_EQ(prompts.texts, (std::vector<std::string>{"下装成功。"}));
    // The link stayed up and its window with it; the program kept sending its heartbeats.
    EXPECT_TRUE(app.IsConnected());
    ASSERT_FALSE(form.isNull());
    EXPECT_EQ(app.Frame()->LinkText(), "通讯装置网络连接");
    std::size_t heartbeats = 0;
    for (std::size_t i = framesBefore; i < unit.frames.size(); ++i)
        heartbeats += unit.frames[i].size() == 28;
    EXPECT_GE(heartbeats, 3u);
    EXPECT_TRUE(form->Pending().Empty());
    EXPECT_FALSE(form->Waiting());
    app.OnDisconnect();
}

TEST(EndToEndTest, AQuietUnitIsConnectedAgainWithoutAFalseReceiveError) {
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    LoopbackUnit unit;
    CMarindleApp app(dir.Path(), std::make_unique<unitlink::CNetSocket>());
    ASSERT_TRUE(app.InitInstance("", false));
    app.link.SetAddress("127.0.0.1", unit.Port());
    LoginOverTcp(unit, app);
    if (HasFatalFailure())
        return;
    // Not a frame for 31 ticks: the silence watch looks at the socket, finds nothing, and
    // re-establishes the link at once, without a box that would wait for someone to answer it.
    for (int tick = 0; tick <= CDeviceLink::kSilenceTicks; ++tick)
        app.link.AdvanceTime(CDeviceLink::kKeepAliveMs);
    ASSERT_TRUE(unit.WaitFor([&] { return unit.connections == 2; }));
    EXPECT_TRUE(app.IsConnected());
    unit.Spin(50);
    EXPECT_TRUE(prompts.Texts().empty());
    app.OnDisconnect();
}

namespace {

// Keeps the retry question open for a while as a real box does (the event loop runs inside it),
// then answers No.
class SpinningPrompt : public platform::IPrompt {
public:
    SpinningPrompt() : previous_(platform::CurrentPrompt()) { platform::SetPrompt(this); }
    ~SpinningPrompt() override { platform::SetPrompt(previous_); }
    SpinningPrompt(const SpinningPrompt&) = delete;
    SpinningPrompt& operator=(const SpinningPrompt&) = delete;
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons buttons) override {
        texts.push_back(text);
        ++open;
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        --open;
        return buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Ok;
    }
    std::vector<std::string> texts;
    int open = 0;

private:
    platform::IPrompt* previous_;
};

} // namespace

TEST(EndToEndTest, ABoxPostedBeforeAConnectionAttemptOpensOnlyAfterIt) {
    testsupport::TempDir dir;
    SpinningPrompt prompts;
    int port = 0;
    {
        QTcpServer gone; // a port where nothing listens any more: the attempt fails at once
        ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
        port = gone.serverPort();
    }
    CMarindleApp app(dir.Path(), std::make_unique<unitlink::CNetSocket>());
    ASSERT_TRUE(app.InitInstance("", false));
    app.link.SetAddress("127.0.0.1", port);
    bool ran = false;
    bool ranInsideTheQuestion = false;
    app.Post([&] {
        ran = true;
        ranInsideTheQuestion = prompts.open > 0;
    });
    EXPECT_EQ(app.OnConnect(), 0);
    EXPECT_EQ(prompts.texts, std::vector<std::string>{"连接TCP/IP通讯装置失败！\n重试吗？"});
    EXPECT_FALSE(ran);
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(ranInsideTheQuestion);
}

// A unit process that is killed: its end closes or resets and nobody listens any more. The
// program notices at once, not after the silence watch: the link goes down, the status bar says
// so, the silence watch's reconnect runs and asks whether to try again (No here), and the program
// stays down.
TEST(EndToEndTest, AUnitThatIsKilledIsNoticedAtOnceAndTheReconnectAsks) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "the unit resets" : "the unit closes");
        testsupport::TempDir dir;
        testsupport::PromptRecorder prompts;
        prompts.SetDefaultAnswer(platform::Answer::No);
        LoopbackUnit unit;
        CMarindleApp app(dir.Path(), std::make_unique<unitlink::CNetSocket>());
        ASSERT_TRUE(app.InitInstance("", false));
        app.link.SetAddress("127.0.0.1", unit.Port());
        LoginOverTcp(unit, app);
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(unit.WaitFor(
            [&] { return app.link.Timers().IsRunning(marindle::CDeviceLink::kKeepAliveTimer); }));
        EXPECT_EQ(app.Frame()->LinkText(), unitlink::text::kLinkUp);

        unit.StopListening();
        unit.Hangup(reset);
        ASSERT_TRUE(unit.WaitFor([&] { return !app.IsConnected() && prompts.Count() > 0; }));
        unit.Spin(50);
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"连接TCP/IP通讯装置失败！\n重试吗？"});
        EXPECT_EQ(app.Frame()->LinkText(), unitlink::text::kLinkDown);
        EXPECT_EQ(unit.connections, 1);
    }
}
