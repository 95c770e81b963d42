#include "MonitorTestSupport.h"

#include "tests/support/PromptRecorder.h"
#include "unitlink/FrameLayout.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace marindle;
using namespace montest;
using platform::Answer;

namespace {

class DeviceLinkTest : public ::testing::Test {
protected:
    testsupport::PromptRecorder prompt;
    Rig rig;
};

} // namespace

TEST_F(DeviceLinkTest, RequestFramesCarryTheMonitorHeader) {
    rig.Connect();
    ASSERT_EQ(rig.link->SendRequest(CGroupTitlesMsg(3, 0x1234, 9)), 1);
    ASSERT_EQ(rig.link->SendRequest(CFrameMonitorMsg(2, true, true, 4, 0x1234)), 1);
    ASSERT_EQ(rig.transport->sent.size(), 2u);
    const Bytes expectAsdu = {0x90, 0xEB, 28, 0, 0, 0, 0x90, 0xEB, 0, 0, 0,  0,    0,  0, 0x34, 0x12, 0, 0,
                              1,    0,    16, 0, 0, 0, 0,    0,    3, 0, 21, 0x81, 42, 0, 254,  240,  9, 0};
    EXPECT_EQ(rig.transport->sent[0], expectAsdu);
    // A kind-1 message carries 0 at offset 14 whatever its device address, and the next sequence.
    const Bytes expectDsdu = {0x90, 0xEB, 35, 0,    0,    0,    0x90, 0xEB, 0,    0,    0,    0,    0,   0, 0,
                              0,    1,    0,  1,    0,    16,   0,    0,    0,    0,    0,    2,    1,   1, 0,
                              2,    3,    4,  0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(rig.transport->sent[1], expectDsdu);
}

TEST_F(DeviceLinkTest, HeartbeatIsAnEmptyKindZeroFrameToAllDevices) {
    rig.Connect();
    rig.link->SendHeartbeat();
    ASSERT_EQ(rig.transport->sent.size(), 1u);
    const Bytes& f = rig.transport->sent[0];
    ASSERT_EQ(f.size(), 28u);
    EXPECT_EQ(U32(f, 2), 20u);
    EXPECT_EQ(U16(f, 14), 0xFFFF);
    EXPECT_EQ(f[26], 0);
    EXPECT_EQ(f[27], 0);
}

TEST_F(DeviceLinkTest, SequenceStartsAtZeroAndSkipsFailedSends) {
    EXPECT_EQ(rig.link->SendRequest(CRemoteResetMsg()), 0); // not connected: nothing goes, nothing logged
    EXPECT_TRUE(rig.transport->sent.empty());
    rig.Connect();
    rig.link->SendRequest(CRemoteResetMsg());
    rig.transport->sendOk = false;
    rig.windows.open["trace:main"] = true;
    EXPECT_EQ(rig.link->SendRequest(CRemoteResetMsg()), 0);
    EXPECT_EQ(rig.windows.frames.size(), 1u);   // a failed send is still in the frame log
    EXPECT_EQ(rig.link->SequenceCounter(), 1u); // and does not count
    // The refused send lost the connection: nothing more goes out on it, and once the event is
    // handled the link, lost during its login, is connected again and the loss is said.
    rig.transport->sendOk = true;
    EXPECT_EQ(rig.link->SendRequest(CRemoteResetMsg()), 0);
    ASSERT_EQ(rig.transport->sent.size(), 1u);
    EXPECT_EQ(U16(rig.transport->sent[0], 16), 0);
    EXPECT_TRUE(rig.link->IsConnected());
    rig.transport->RunPosted();
    EXPECT_EQ(std::count(rig.host.calls.begin(), rig.host.calls.end(), "Reconnect"), 1);
    EXPECT_EQ(std::count(rig.host.calls.begin(), rig.host.calls.end(), "LinkDown"), 1);
    EXPECT_TRUE(rig.link->IsConnected());
    // The new connection counts from 0 again.
    rig.transport->sent.clear();
    rig.link->SendRequest(CRemoteResetMsg());
    ASSERT_EQ(rig.transport->sent.size(), 1u);
    EXPECT_EQ(U16(rig.transport->sent[0], 16), 0);
}

// A connection the unit cuts during the login is said and made again; cut again straight away it
// is said and left to the user, so that the program does not connect in a loop. A login that got
// as far as the keep-alive starts the count again.
TEST_F(DeviceLinkTest, ALoginCutIsSaidAndConnectedAgainOnce) {
    const auto reconnects = [&] {
        return std::count(rig.host.calls.begin(), rig.host.calls.end(), "Reconnect");
    };
    rig.Connect();
    rig.link->OnPeerClosed();
    rig.transport->RunPosted();
    EXPECT_EQ(reconnects(), 1);
    EXPECT_TRUE(rig.link->IsConnected());
    rig.host.RunPosted();
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{CDeviceLink::kLoginDropped});

    rig.link->OnPeerClosed();
    rig.transport->RunPosted();
    EXPECT_EQ(reconnects(), 1);
    EXPECT_FALSE(rig.link->IsConnected());
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), CDeviceLink::kLoginDroppedAgain);

    rig.Connect();
    rig.link->OnTick();
    rig.link->OnPeerClosed();
    rig.transport->RunPosted();
    EXPECT_EQ(reconnects(), 2);
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), CDeviceLink::kLoginDropped);
}

TEST_F(DeviceLinkTest, ConnectShowsNoticesAndArmsTheLoginWait) {
    EXPECT_EQ(rig.link->Connect(), 1);
    EXPECT_EQ(rig.host.calls,
              (std::vector<std::string>{"Notice:正在连接通讯装置, IP地址:192.168.1.10  端口号:7001",
                                        "CloseNotice", "Notice:正在进行验证和配置..."}));
    EXPECT_TRUE(rig.link->IsConnected());
    EXPECT_EQ(rig.link->Timers().Period(CDeviceLink::kLoginTimer), 6000);
    EXPECT_EQ(rig.link->Connect(), 0); // already connected
}

TEST_F(DeviceLinkTest, ConnectRetriesWhileTheUserSaysYes) {
    rig.transport->failConnects = 2;
    prompt.Script({Answer::Yes, Answer::Yes});
    EXPECT_EQ(rig.link->Connect(), 1);
    EXPECT_EQ(rig.transport->attempts, 3);
    EXPECT_EQ(prompt.Count(), 2u);
    EXPECT_EQ(prompt.LastText(), "连接TCP/IP通讯装置失败！\n重试吗？");
}

TEST_F(DeviceLinkTest, ConnectGivesUpOnNo) {
    rig.transport->failConnects = 5;
    prompt.Script({Answer::No});
    EXPECT_EQ(rig.link->Connect(), 0);
    EXPECT_FALSE(rig.link->IsConnected());
    EXPECT_EQ(rig.transport->closes, 1);
    EXPECT_EQ(rig.host.calls.back(), "CloseNotice");
    EXPECT_FALSE(rig.link->Timers().IsRunning(CDeviceLink::kLoginTimer));

    rig.transport->createOk = false;
    EXPECT_EQ(rig.link->Connect(), 0);
    EXPECT_EQ(prompt.LastText(), "创建TCP/IP槽失败!");
}

TEST_F(DeviceLinkTest, LoginWaitExpiresWithoutChallenge) {
    rig.Connect();
    rig.link->AdvanceTime(5999);
    EXPECT_TRUE(rig.link->IsConnected());
    rig.link->AdvanceTime(1);
    EXPECT_FALSE(rig.link->IsConnected());
    // The box waits until the timers' handling is over; the notice is gone before it shows.
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_EQ(rig.host.calls.back(), "Post");
    EXPECT_EQ(rig.host.RunPosted(), 1);
    EXPECT_EQ(prompt.Texts(), (std::vector<std::string>{"等待身份验证超时，请尝试重新连接。"}));
    EXPECT_TRUE(rig.host.calls.end()[-2] == "CloseNotice");
    rig.link->AdvanceTime(60000); // shown once only
    EXPECT_EQ(rig.host.RunPosted(), 0);
    EXPECT_EQ(prompt.Count(), 1u);
}

TEST_F(DeviceLinkTest, LoginSequenceAnswersChallengeThenAsksForPorts) {
    rig.Connect();
    rig.link->AdvanceTime(5000);
    // Challenge 01 02 03 04 with the default key 30517.
    rig.Feed(Dsdu({14, 1, 2, 3, 4}));
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    const Bytes answer = rig.SentBodies()[0];
    ASSERT_EQ(answer.size(), 5u);
    EXPECT_EQ(answer[0], 14);
    const std::uint8_t challenge[4] = {1, 2, 3, 4};
    EXPECT_EQ(U32(answer, 1), unitlink::ComputeChallengeAnswer(challenge, 30517));
    // The wait was re-armed: 5 more seconds do not expire it.
    rig.link->AdvanceTime(5000);
    EXPECT_TRUE(rig.link->IsConnected());
    rig.Feed(Dsdu({15, 1}));
    ASSERT_EQ(rig.SentBodies().size(), 2u);
    EXPECT_EQ(rig.SentBodies()[1], (Bytes{17}));
    EXPECT_FALSE(rig.link->Timers().IsRunning(CDeviceLink::kLoginTimer));
    // Port information never comes.
    rig.link->AdvanceTime(6000);
    EXPECT_FALSE(rig.link->IsConnected());
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), "等待端口信息超时，请尝试重新连接。");
}

TEST_F(DeviceLinkTest, LoginKeyFromTheCommandLineIsUsed) {
    rig.link->SetLoginKey(1234);
    rig.Connect();
    rig.Feed(Dsdu({14, 0xFF, 0xFF, 0xFF, 0xFF}));
    const std::uint8_t challenge[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_GT(rig.SentBodies().size(), 0u);
    ASSERT_GE(rig.SentBodies()[0].size(), 5u);
    EXPECT_EQ(U32(rig.SentBodies()[0], 1), unitlink::ComputeChallengeAnswer(challenge, 1234));
}

TEST_F(DeviceLinkTest, RefusedLoginDisconnects) {
    rig.Connect();
    rig.Feed(Dsdu({14, 1, 2, 3, 4}));
    rig.Feed(Dsdu({15, 0}));
    EXPECT_FALSE(rig.link->IsConnected());
    // Not shown from inside the frame's handling.
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_EQ(rig.host.calls.end()[-2], "CloseNotice");
    EXPECT_EQ(rig.host.RunPosted(), 1);
    EXPECT_EQ(prompt.Texts(), (std::vector<std::string>{"身份验证出错\n请尝试重新连接"}));
    rig.link->AdvanceTime(20000); // no stale time-out message afterwards
    rig.host.RunPosted();
    EXPECT_EQ(prompt.Count(), 1u);
}

TEST_F(DeviceLinkTest, PortInformationStartsTheKeepAlive) {
    rig.windows.open["tree"] = true;
    rig.Connect();
    rig.Feed(Dsdu({14, 1, 2, 3, 4}));
    rig.Feed(Dsdu({15, 1}));
    rig.ClearSent();
    rig.host.calls.clear();
    rig.Feed(Dsdu(Cat({17}, SamplePortInfo())));
    EXPECT_EQ(rig.host.calls, (std::vector<std::string>{"CloseNotice"}));
    EXPECT_TRUE(rig.windows.Has("BuildTree:1"));
    EXPECT_TRUE(rig.windows.Has("BuildTree:2"));
    EXPECT_FALSE(rig.link->Timers().IsRunning(CDeviceLink::kPortInfoTimer));
    EXPECT_EQ(rig.link->Timers().Period(CDeviceLink::kKeepAliveTimer), 1000);
    const auto sent = rig.transport->sent;
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].size(), 28u); // heartbeat
    EXPECT_EQ(BodyOf(sent[1]), (Bytes{25, 0}));
    EXPECT_EQ(BodyOf(sent[2]), (Bytes{26, 0}));
    EXPECT_EQ(BodyOf(sent[3]), (Bytes{29}));
}

TEST_F(DeviceLinkTest, SilentLinkSendsHeartbeatsAndReconnectsAtTick31) {
    rig.Login(SamplePortInfo());
    std::vector<int> heartbeatTicks;
    for (int tick = 1; tick <= 30; ++tick) {
        const std::size_t before = rig.transport->sent.size();
        rig.link->AdvanceTime(1000);
        if (rig.transport->sent.size() > before)
            heartbeatTicks.push_back(tick);
    }
    EXPECT_EQ(heartbeatTicks, (std::vector<int>{11, 22}));
    EXPECT_TRUE(rig.host.calls.empty());
    rig.link->AdvanceTime(1000);
    EXPECT_EQ(rig.host.calls.front(), "Reconnect");
    EXPECT_TRUE(std::find(rig.host.calls.begin(), rig.host.calls.end(), "LinkDown") != rig.host.calls.end());
    EXPECT_TRUE(rig.link->IsConnected()); // connected again, waiting for the challenge
    EXPECT_FALSE(rig.link->Timers().IsRunning(CDeviceLink::kKeepAliveTimer));
    EXPECT_TRUE(rig.link->Timers().IsRunning(CDeviceLink::kLoginTimer));
}

TEST_F(DeviceLinkTest, AnyValidFrameResetsTheSilenceWatch) {
    rig.Login(SamplePortInfo());
    rig.link->AdvanceTime(25000);
    rig.Feed(Asdu(0, {})); // the unit's heartbeat
    EXPECT_EQ(rig.link->SilenceTicks(), 0);
    rig.link->AdvanceTime(30000);
    EXPECT_TRUE(rig.host.calls.empty());
    rig.link->AdvanceTime(1000);
    EXPECT_EQ(rig.host.calls.front(), "Reconnect");
}

TEST_F(DeviceLinkTest, FramesWaitingUnreadKeepTheLinkAndAreHandledBeforeAnyReconnect) {
    rig.Login(SamplePortInfo());
    rig.windows.open["cmd"] = true;
    // The thread was busy for 31 ticks while frames came: they wait unread in the socket.
    rig.transport->unread = Cat(Dsdu({3, 'a'}), Dsdu({3, 'b'}));
    rig.link->AdvanceTime(31000);
    EXPECT_TRUE(rig.host.calls.empty()) << rig.host.calls.front();
    EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"Answer:a", "Answer:b"}));
    EXPECT_EQ(rig.link->SilenceTicks(), 0);
    // Really silent: the link is re-established, after what was received has been handled.
    rig.windows.calls.clear();
    rig.link->AdvanceTime(30000);
    const Bytes half = Dsdu({3, 'c'});
    rig.transport->unread = Bytes(half.begin(), half.begin() + 20);
    rig.link->AdvanceTime(1000);
    EXPECT_EQ(rig.host.calls.front(), "Reconnect");
}

TEST_F(DeviceLinkTest, UnitHeartbeatIsLoggedAsSuch) {
    rig.windows.open["trace:main"] = true;
    rig.Connect();
    rig.Feed(Asdu(0, {}));
    ASSERT_EQ(rig.windows.frames.size(), 1u);
    const TraceItem& item = rig.windows.frames[0];
    EXPECT_EQ(item.direction, 0);
    EXPECT_EQ(item.transport, 2);
    EXPECT_NE(item.headerText.find(" 心跳报文 ASDU\r\n"), std::string::npos);
    EXPECT_EQ(item.headerText.size(),
              std::string("2024-01-01 00:00:00 ").size() + std::string("心跳报文 ASDU\r\n").size());
    EXPECT_EQ(item.frameText.substr(0, 12), "90 eb 14 00 ");
    EXPECT_EQ(item.frameText.find("▍"), std::string::npos); // nothing after the header
}

TEST_F(DeviceLinkTest, FrameLogMarksTheBody) {
    rig.windows.open["trace:main"] = true;
    rig.Connect();
    rig.link->SendRequest(CSimpleRequestMsg::Version());
    ASSERT_EQ(rig.windows.frames.size(), 1u);
    EXPECT_EQ(rig.windows.frames[0].direction, 1);
    EXPECT_NE(rig.windows.frames[0].headerText.find(" 召唤版本号 DSDU\r\n"), std::string::npos);
    const std::string& hex = rig.windows.frames[0].frameText;
    EXPECT_EQ(hex.size(), 29 * 3 + std::string("▍").size());
    EXPECT_EQ(hex.substr(hex.size() - 3 - std::string("▍").size()), "▍21 ");
}

// Where the unit's frames once waited behind an invalid one for the next data, they are handled in
// the read that brought them: a valid answer is never held back.
TEST_F(DeviceLinkTest, FrameBehindAnInvalidFrameIsHandledAtOnceNotAtTheNextData) {
    rig.Connect();
    rig.windows.open["cmd"] = true;
    Bytes bad = Dsdu({3, 'v'});
    bad[18] = 42; // direction word other than 43
    const Bytes all = Cat(Cat(bad, Dsdu({3, 'a'})), Cat(bad, Dsdu({3, 'b'})));
    rig.link->OnData(all.data(), all.size());
    // No further byte has come: both answers are there, and nothing waits in the ring.
    EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"Answer:a", "Answer:b"}));
    EXPECT_EQ(rig.link->Ring().Count(), 0);
}

TEST_F(DeviceLinkTest, InvalidFramesAreLoggedAndTheFramesBehindThemHandled) {
    rig.windows.open["trace:main"] = true;
    rig.Connect();
    Bytes bad = Dsdu({33, 'v'});
    bad[18] = 42;                     // direction word other than 43
    Bytes good = Dsdu({3, 'o', 'k'}); // a string-command answer
    rig.windows.open["cmd"] = true;
    EXPECT_EQ(rig.link->OnData(Cat(bad, good).data(), bad.size() + good.size()), 0);
    ASSERT_EQ(rig.windows.frames.size(), 2u);
    EXPECT_EQ(rig.windows.frames[0].headerText.substr(19), "  \r\n"); // kind 2: no caption, no kind
    EXPECT_EQ(rig.windows.frames[0].frameText.find("▍"), std::string::npos);
    EXPECT_TRUE(rig.windows.Has("Answer:ok"));

    for (std::uint8_t kindByte : {0x01, 0x82}) {
        rig.windows.frames.clear();
        Bytes f = Dsdu({3, 'x'});
        f[27] = kindByte;
        rig.Feed(f);
        ASSERT_EQ(rig.windows.frames.size(), 1u);
        EXPECT_EQ(rig.windows.frames[0].headerText.substr(19), "  \r\n");
    }
}

TEST_F(DeviceLinkTest, SplitAndBatchedFrames) {
    rig.windows.open["cmd"] = true;
    rig.Connect();
    const Bytes f1 = Dsdu({3, 'a'}), f2 = Dsdu({3, 'b'}), f3 = Dsdu({3, 'c'});
    const Bytes all = Cat(Cat(f1, f2), f3);
    // Byte by byte: each frame is handled once its last byte arrives.
    for (std::size_t i = 0; i < f1.size(); ++i) {
        rig.Feed({all[i]});
        EXPECT_EQ(rig.windows.calls.size(), i + 1 == f1.size() ? 1u : 0u);
    }
    rig.Feed(Bytes(all.begin() + static_cast<long>(f1.size()), all.end()));
    EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"Answer:a", "Answer:b", "Answer:c"}));
}

TEST_F(DeviceLinkTest, OversizedFramesAreSkippedWholeAndShortPiecesDropped) {
    rig.windows.open["cmd"] = true;
    rig.Connect();
    // Announces 30721 bytes: the whole frame is skipped as it arrives in 900-byte reads, and the
    // frame behind it is handled.
    const Bytes big = Dsdu(Cat({3}, Bytes(30721 - 28 - 1, 'x')));
    ASSERT_EQ(big.size(), 30721u);
    const Bytes all = Cat(Cat(big, Dsdu({3, 'n'})), Cat(big, Dsdu({3, 'm'})));
    for (std::size_t at = 0; at < all.size(); at += 900)
        rig.Feed(Bytes(all.begin() + static_cast<long>(at),
                       all.begin() + static_cast<long>(std::min(all.size(), at + 900))));
    EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"Answer:n", "Answer:m"}));
    EXPECT_EQ(rig.link->Ring().Count(), 0);
    EXPECT_EQ(rig.link->Cutter().SkipPending(), 0u);
    rig.windows.calls.clear();
    // A length near 4 GB must not wrap into a small frame, nor be taken for a frame's: nothing is
    // skipped on its word, and the frame behind it is handled in the same read.
    Bytes huge = Dsdu({3, 'y'});
    huge[2] = huge[3] = huge[4] = huge[5] = 0xFF;
    rig.Feed(Cat(huge, Dsdu({3, 'w'})));
    EXPECT_EQ(rig.windows.calls, std::vector<std::string>{"Answer:w"});
    EXPECT_EQ(rig.link->Ring().Count(), 0);
    EXPECT_EQ(rig.link->Cutter().SkipPending(), 0u);
    rig.windows.calls.clear();
    rig.link->Disconnect();
    rig.Connect();
    // L below 20: the piece is removed and not handled.
    Bytes tiny = Dsdu({3, 'z'});
    tiny[2] = 4;
    tiny[3] = tiny[4] = tiny[5] = 0;
    EXPECT_EQ(rig.link->OnData(tiny.data(), tiny.size()), 0);
    EXPECT_EQ(rig.link->Ring().Count(), static_cast<int>(tiny.size() - 12));
    EXPECT_TRUE(rig.windows.calls.empty());
    // A frame of exactly the largest size is taken.
    rig.link->Disconnect();
    rig.Connect();
    Bytes text(30720 - 28 - 1, 'q');
    rig.Feed(Dsdu(Cat({3}, text)));
    ASSERT_EQ(rig.windows.calls.size(), 1u);
    EXPECT_EQ(rig.windows.calls[0].size(), std::string("Answer:").size() + text.size());
    // Frames of the largest size in 900-byte reads, each with a frame behind it in the same read:
    // none is lost for want of room in the ring.
    rig.windows.calls.clear();
    const Bytes largest =
        Cat(Cat(Dsdu(Cat({3}, text)), Dsdu({3, 'a'})), Cat(Dsdu(Cat({3}, text)), Dsdu({3, 'b'})));
    for (std::size_t at = 0; at < largest.size(); at += 900)
        rig.Feed(Bytes(largest.begin() + static_cast<long>(at),
                       largest.begin() + static_cast<long>(std::min(largest.size(), at + 900))));
    ASSERT_EQ(rig.windows.calls.size(), 4u);
    EXPECT_EQ(rig.windows.calls[1], "Answer:a");
    EXPECT_EQ(rig.windows.calls[3], "Answer:b");
    // Many frames in one read four times the ring's size.
    rig.windows.calls.clear();
    Bytes many;
    for (int i = 0; i < 400; ++i)
        many = Cat(many, Dsdu(Cat({3}, Bytes(300, static_cast<std::uint8_t>('A' + i % 26)))));
    rig.Feed(many);
    EXPECT_EQ(rig.windows.calls.size(), 400u);
}

TEST_F(DeviceLinkTest, BytesWhileDisconnectedAreDropped) {
    rig.windows.open["cmd"] = true;
    rig.Feed(Dsdu({3, 'a'}));
    EXPECT_TRUE(rig.windows.calls.empty());
    EXPECT_EQ(rig.link->Ring().Count(), 0);
}

TEST_F(DeviceLinkTest, KindOneFrameWithoutBodyIsOnlyLogged) {
    rig.windows.open["trace:main"] = true;
    rig.windows.open["cmd"] = true;
    rig.Connect();
    rig.Feed(Cat(Dsdu({}), Dsdu({3, 'a'})));
    ASSERT_EQ(rig.windows.frames.size(), 2u);
    EXPECT_NE(rig.windows.frames[0].headerText.find("  DSDU\r\n"), std::string::npos);
    EXPECT_TRUE(rig.windows.Has("Answer:a"));
}

TEST_F(DeviceLinkTest, DisconnectStopsTimersAndSendsNothing) {
    EXPECT_EQ(rig.link->Disconnect(), 0);
    rig.Login(SamplePortInfo());
    EXPECT_EQ(rig.link->Disconnect(), 1);
    EXPECT_TRUE(rig.transport->sent.empty());
    EXPECT_EQ(rig.host.calls, (std::vector<std::string>{"LinkDown"}));
    EXPECT_FALSE(rig.link->Timers().IsRunning(CDeviceLink::kKeepAliveTimer));
    rig.link->AdvanceTime(100000);
    EXPECT_TRUE(rig.transport->sent.empty());
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(DeviceLinkTest, CancelAllManualWaitsTenSeconds) {
    rig.Login(SamplePortInfo());
    EXPECT_EQ(rig.link->SendCancelAllManual(), 1);
    EXPECT_EQ(rig.SentBodies().back(), (Bytes{22}));
    EXPECT_EQ(rig.transport->sent.back()[26], 255);
    rig.link->AdvanceTime(9999);
    EXPECT_EQ(prompt.Count(), 0u);
    rig.link->AdvanceTime(1);
    rig.host.RunPosted();
    EXPECT_EQ(prompt.Texts(), (std::vector<std::string>{"等待装置应答超时，取消置数失败。"}));
    // Answered in time: no time-out.
    prompt.Clear();
    rig.link->SendCancelAllManual();
    rig.Feed(Dsdu({22, 1}));
    rig.link->AdvanceTime(20000);
    rig.host.RunPosted();
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_TRUE(rig.windows.Has("AllManualCancelled"));
}

TEST_F(DeviceLinkTest, ReceiveErrorIsShownAndTheLinkStays) {
    rig.Connect();
    rig.link->OnReceiveError();
    EXPECT_EQ(prompt.Count(), 0u); // never from inside the receive notification
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), "接收数据出错");
    EXPECT_TRUE(rig.link->IsConnected());
}

TEST(LinkTimersTest, ExpiriesInTimeOrderAndRepeat) {
    std::vector<int> fired;
    CLinkTimers* self = nullptr;
    CLinkTimers timers([&](int id) {
        fired.push_back(id);
        if (id == 2)
            self->Stop(2);
    });
    self = &timers;
    timers.Start(1, 1000);
    timers.Start(2, 2500);
    timers.Advance(3000);
    EXPECT_EQ(fired, (std::vector<int>{1, 1, 2, 1}));
    EXPECT_FALSE(timers.IsRunning(2));
    timers.Start(1, 1000); // a restart begins a new period
    timers.Advance(999);
    EXPECT_EQ(fired.size(), 4u);
}
