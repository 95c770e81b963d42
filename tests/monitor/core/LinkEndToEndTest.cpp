// The monitor link with its TCP transport against a scripted unit on 127.0.0.1: login, port
// information and the first requests, as they go over a real socket; a unit that closes or resets
// the connection, or a send the system refuses, gives the link up at once.
#include "LoopbackUnit.h"
#include "MonitorTestSupport.h"

#include "tests/support/FakeUnit.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"
#include "unitlink/FrameLayout.h"
#include "unitlink/NetSocket.h"
#include "unitlink/SocketFaults.h"

#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>

using namespace marindle;
using namespace montest;

TEST(LinkEndToEndTest, LoginAndStartUpOverTcp) {
    testsupport::PromptRecorder prompt;
    LoopbackUnit unit;
    RecordingWindows windows;
    RecordingHost host;
    CDevModel model;
    // NetSocket.h also names the configuration tool's link, so the monitor's is named in full.
    marindle::CDeviceLink monitorLink(std::make_unique<unitlink::CNetSocket>(), &host, &windows);
    CMessageDispatcher dispatcher(monitorLink, model, windows, host);
    monitorLink.SetDispatcher(&dispatcher);
    monitorLink.SetAddress("127.0.0.1", unit.Port());
    ASSERT_EQ(monitorLink.Connect(), 1);

    unit.Send(Dsdu({14, 0xA1, 0xB2, 0xC3, 0xD4}));
    ASSERT_TRUE(unit.WaitFor([&] { return unit.frames.size() >= 1; }));
    const std::uint8_t challenge[4] = {0xA1, 0xB2, 0xC3, 0xD4};
    EXPECT_EQ(U32(unit.frames[0], 29),
              unitlink::ComputeChallengeAnswer(challenge, unitlink::kDeviceLoginKey));

    unit.Send(Dsdu({15, 1}));
    ASSERT_TRUE(unit.WaitFor([&] { return unit.frames.size() >= 2; }));
    EXPECT_EQ(BodyOf(unit.frames[1]), (Bytes{17}));

    // Port information split over two writes.
    const Bytes info = Dsdu(Cat({17}, SamplePortInfo()));
    unit.Send(Bytes(info.begin(), info.begin() + 30));
    unit.Spin(100); // the first part arrives alone
    unit.Send(Bytes(info.begin() + 30, info.end()));
    ASSERT_TRUE(unit.WaitFor([&] { return unit.frames.size() >= 6; }));
    EXPECT_EQ(unit.frames[2].size(), 28u); // heartbeat
    EXPECT_EQ(BodyOf(unit.frames[3]), (Bytes{25, 0}));
    EXPECT_EQ(BodyOf(unit.frames[4]), (Bytes{26, 0}));
    EXPECT_EQ(BodyOf(unit.frames[5]), (Bytes{29}));
    for (std::size_t i = 0; i < unit.frames.size(); ++i)
        EXPECT_EQ(U16(unit.frames[i], 16), i); // sequence numbers from 0
    EXPECT_EQ(model.Ports().size(), 2u);
    EXPECT_TRUE(monitorLink.Timers().IsRunning(marindle::CDeviceLink::kKeepAliveTimer));
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_EQ(monitorLink.Disconnect(), 1);
}

// The fake unit a newcomer starts by hand serves the monitor: the login with the device-login key,
// its port information (one serial port with one device), the communication states of both, the
// device's structure and values, and a debug text every second; the link keeps running and no box
// is shown.
TEST(LinkEndToEndTest, TheFakeUnitServesLoginPortInformationStatesValuesAndDebugTexts) {
    testsupport::PromptRecorder prompt;
    testsupport::TempDir store;
    testsupport::FakeUnit unit(store.Path());
    ASSERT_NE(unit.port, 0);
    RecordingWindows windows;
    windows.open["debug"] = true;
    windows.open["comm"] = true;
    RecordingHost host;
    CDevModel model;
    marindle::CDeviceLink monitorLink(std::make_unique<unitlink::CNetSocket>(), &host, &windows);
    CMessageDispatcher dispatcher(monitorLink, model, windows, host);
    monitorLink.SetDispatcher(&dispatcher);
    monitorLink.SetAddress("127.0.0.1", unit.port);
    ASSERT_EQ(monitorLink.Connect(), 1);

    auto called = [&](const std::string& prefix) {
        return std::any_of(windows.calls.begin(), windows.calls.end(),
                           [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    };
    QElapsedTimer waited;
    waited.start();
    while (!(called("DebugText:") && called("UpdateStates:0")) && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(model.Ports().size(), 1u);
    const CPortRecord& port = *model.Ports().front();
    EXPECT_EQ(port.name, "COM1");
    EXPECT_EQ(port.up, 1);
    CDeviceRecord* device = model.FindDevice(1);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->communicating, 1);
    // The device's structure is read by itself once it communicates; its values when asked.
    waited.restart();
    while (!device->structureComplete && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(device->structureComplete, 1) << unit.Log();
    const std::uint16_t ua = 1 | 1 << 8, ub = 1 | 2 << 8;
    ASSERT_NE(device->FindEntry(ua), nullptr);
    ASSERT_NE(device->FindEntry(ub), nullptr);
    EXPECT_EQ(device->FindEntry(ua)->description, "Ua");
    ASSERT_EQ(monitorLink.RequestGroupValues(*device, 1), 1);
    waited.restart();
    while (device->FindEntry(ub)->actualValue.empty() && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(device->FindEntry(ua)->actualValue, "220.500");
    EXPECT_EQ(device->FindEntry(ub)->actualValue, "219.750");
    EXPECT_TRUE(called("DebugText:")) << unit.Log();
    EXPECT_TRUE(called("UpdateStates:1"));
    EXPECT_TRUE(monitorLink.Timers().IsRunning(marindle::CDeviceLink::kKeepAliveTimer));
    EXPECT_EQ(prompt.Count(), 0u) << (prompt.Count() ? prompt.Texts().front() : "");
    const std::string log = unit.Log();
    EXPECT_NE(log.find("DEVICE TOOL"), std::string::npos) << log;
    EXPECT_NE(log.find("ANSWER OK"), std::string::npos) << log;
    EXPECT_EQ(log.find("PROTOCOL"), std::string::npos) << log;
    EXPECT_EQ(monitorLink.Disconnect(), 1);
}

// The unit's end goes (closed, reset, or a send fails on it): the link goes down once, at once,
// not after the silence watch's 31 ticks, and is connected again as the silence watch does it; a
// login that was cut is said in a box, a running link is made again without one.
TEST(LinkEndToEndTest, AConnectionTheUnitClosesResetsOrRefusesIsGivenUpAtOnce) {
    enum class Drop { Close, Reset, SendFails };
    struct Case {
        const char* what;
        Drop drop;
        bool running; // logged in with the port information: the keep-alive ticks
    };
    const Case cases[] = {
        {"running, the unit closes", Drop::Close, true},
        {"running, the unit resets", Drop::Reset, true},
        {"running, a send fails", Drop::SendFails, true},
        {"in the login, the unit closes", Drop::Close, false},
        {"in the login, a send fails", Drop::SendFails, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        testsupport::PromptRecorder prompt;
        LoopbackUnit unit;
        RecordingWindows windows;
        RecordingHost host;
        CDevModel model;
        marindle::CDeviceLink monitorLink(std::make_unique<unitlink::CNetSocket>(), &host, &windows);
        host.link = &monitorLink;
        CMessageDispatcher dispatcher(monitorLink, model, windows, host);
        monitorLink.SetDispatcher(&dispatcher);
        monitorLink.SetAddress("127.0.0.1", unit.Port());
        ASSERT_EQ(monitorLink.Connect(), 1);
        ASSERT_TRUE(unit.WaitFor([&] { return unit.connections == 1; }));
        if (k.running) {
            unit.Send(Dsdu({14, 1, 2, 3, 4}));
            unit.Send(Dsdu({15, 1}));
            unit.Send(Dsdu(Cat({17}, SamplePortInfo())));
            ASSERT_TRUE(unit.WaitFor(
                [&] { return monitorLink.Timers().IsRunning(marindle::CDeviceLink::kKeepAliveTimer); }));
        }
        host.calls.clear();

        if (k.drop == Drop::SendFails) {
            unitlink::CSocketFaults faults;
            faults.FailFrom(unitlink::SocketStep::Send, 1, EPIPE);
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(monitorLink.SendRequest(CHeartbeatMsg()), 0);
            // Only the first reached the socket: nothing more goes out on a lost connection.
            EXPECT_EQ(faults.Calls(unitlink::SocketStep::Send), 1);
        } else {
            unit.Hangup(k.drop == Drop::Reset);
        }
        // Running or in its login, the link is connected again at once.
        ASSERT_TRUE(unit.WaitFor([&] { return unit.connections == 2; }));
        EXPECT_TRUE(monitorLink.IsConnected());
        unit.Spin(100);
        const auto count = [&](const std::string& call) {
            return std::count(host.calls.begin(), host.calls.end(), call);
        };
        EXPECT_EQ(count("Reconnect"), 1);
        EXPECT_EQ(count("LinkDown"), 1); // the status bar says "通讯装置通讯中断"
        if (!k.running) {                // the new login waits for its answer
            EXPECT_TRUE(monitorLink.Timers().IsRunning(marindle::CDeviceLink::kLoginTimer));
        }
        // A running link is made again without a word; a login that was cut is said.
        host.RunPosted();
        EXPECT_EQ(prompt.Texts(), k.running ? std::vector<std::string>{}
                                            : std::vector<std::string>{marindle::CDeviceLink::kLoginDropped});
        monitorLink.Disconnect();
    }
}
