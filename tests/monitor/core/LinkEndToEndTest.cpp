// The monitor link with its TCP transport against a scripted unit on 127.0.0.1: login, port
// information and the first requests, as they go over a real socket.
#include "LoopbackUnit.h"
#include "MonitorTestSupport.h"

#include "tests/support/PromptRecorder.h"
#include "unitlink/FrameLayout.h"
#include "unitlink/NetSocket.h"

#include <gtest/gtest.h>

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
