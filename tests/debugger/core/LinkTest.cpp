// The link over an in-memory transport with a scripted unit: connecting, the login sequence, the
// frame header, receiving whole, split, invalid and oversized frames, supervision and the other
// link timers, and the file download and upload.
#include "tests/debugger/core/QuorvexTestSupport.h"

#include "debugger/core/DeviceRequests.h"
#include "debugger/core/NetCfg.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "tests/support/FaultSweep.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"
#include "unitlink/FrameLayout.h"

#include <gtest/gtest.h>

using namespace quorvex;
using qtest::Bytes;
using qtest::LinkRig;

namespace {

// Fields read past the end of what was sent throw, which fails the test instead of the program.
std::uint16_t U16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

// Port information: one board (index 1) with one serial port holding devices 3 and 7 and one
// reference table, and one network port without devices.
Bytes PortInfo() {
    Bytes b = {17, 1, 1, 1, 0};
    const std::string name = platform::ToGbk("串口 1");
    Bytes field(10, ' ');
    std::copy(name.begin(), name.end(), field.begin());
    b.insert(b.end(), field.begin(), field.end());
    b.push_back(2);
    qtest::Le(b, 3, 2);
    qtest::Le(b, 7, 2);
    b.push_back(1);
    b.push_back(4); // table number
    b.push_back(3); // table kind
    const Bytes tname = {'T', ' ', 'a', 'b', 0, 0, 0, 0, 0, 0};
    b.insert(b.end(), tname.begin(), tname.end());
    b.push_back(1); // one network port
    b.push_back(0);
    const Bytes nname = {'N', 'e', 't', 0, 0, 0, 0, 0, 0, 0};
    b.insert(b.end(), nname.begin(), nname.end());
    b.push_back(0);
    b.push_back(0);
    return b;
}

} // namespace

TEST(DeviceLinkTest, AddressComesFromTheSettingsFile) {
    testsupport::TempDir dir;
    EXPECT_EQ(CDeviceLink::ReadAddress(dir / "CFG_TOOL.INI"), CDeviceLink::kDefaultAddress);
    WriteUnitAddress(dir / "CFG_TOOL.INI", "10.1.2.3");
    EXPECT_EQ(CDeviceLink::ReadAddress(dir / "CFG_TOOL.INI"), "10.1.2.3");
    // The section's other keys are kept apart by the one owner of the section.
    CNetCfg(dir / "CFG_TOOL.INI").Save(0x0A000001, 0x0A000002);
    EXPECT_EQ(CDeviceLink::ReadAddress(dir / "CFG_TOOL.INI"), "10.1.2.3");
    EXPECT_EQ(CNetCfg(dir / "CFG_TOOL.INI").DestIpText(), "10.0.0.2");
    LinkRig rig;
    EXPECT_EQ(rig.link->Port(), 7001);
}

TEST(DeviceLinkTest, ConnectRetriesUntilTheUserGivesUp) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.transport->failConnects = 2;
    prompts.Script({platform::Answer::Yes, platform::Answer::No});
    EXPECT_EQ(rig.link->Connect(), 0);
    EXPECT_EQ(rig.transport->attempts, 2);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>(2, "连接TCP/IP通讯装置失败!\n重试吗?"));
    EXPECT_FALSE(rig.link->IsConnected());
    EXPECT_EQ(testsupport::Back(rig.shell.notices), "-");
    EXPECT_FALSE(rig.shell.Running(kTimerLogin));

    rig.transport->failConnects = 1;
    prompts.Script({platform::Answer::Yes});
    rig.link->SetAddress("10.0.0.9", 7001);
    rig.shell.notices.clear();
    EXPECT_EQ(rig.link->Connect(), 1);
    EXPECT_EQ(rig.shell.notices, (std::vector<std::string>{"正在连接通讯装置，IP地址:10.0.0.9  端口号:7001",
                                                           "-", "正在进行验证和配置..."}));
    EXPECT_EQ(rig.shell.timers[kTimerLogin], 6000);

    rig.transport->createOk = false;
    rig.link->Disconnect();
    EXPECT_EQ(rig.link->Connect(), 0);
    EXPECT_EQ(prompts.LastText(), "创建TCP/IP槽失败!");
}

TEST(DeviceLinkTest, FramesCarryTheHeaderAndTheSequenceNumber) {
    LinkRig rig;
    EXPECT_EQ(rig.link->SendMessage(requests::Restart(2)), 0); // not connected: nothing leaves
    rig.Connect();
    rig.link->SendPoll();
    rig.link->SendMessage(CDeviceMessage(1, 3, 0x1234, {2}));
    rig.link->SendMessage(CDeviceMessage(0, 4, 0x1234, {21, 0x81}));
    const auto sent = rig.transport->Sent();
    ASSERT_EQ(sent.size(), 3u);
    const Bytes heartbeat = {0x90, 0xEB, 20, 0, 0, 0, 0x90, 0xEB, 0, 0, 0, 0, 0, 0,
                             0xFF, 0xFF, 0,  0, 1, 0, 16,   0,    0, 0, 0, 0, 0, 0};
    EXPECT_EQ(sent[0], heartbeat);
    ASSERT_EQ(sent[1].size(), 29u);
    ASSERT_EQ(sent[2].size(), 30u);
    EXPECT_EQ(U16(sent[1], 14), 0); // kind 1: no device address
    EXPECT_EQ(U16(sent[1], 16), 1);
    EXPECT_EQ(sent[1][26], 3);
    EXPECT_EQ(sent[1][27], 1);
    EXPECT_EQ(U32(sent[1], 2), 21u);
    EXPECT_EQ(U16(sent[2], 14), 0x1234);
    EXPECT_EQ(U16(sent[2], 16), 2);

    rig.transport->sendOk = false;
    rig.link->SendPoll();
    EXPECT_EQ(testsupport::Back(rig.shell.debug), "\nD发送数据出错\n");
    EXPECT_EQ(rig.link->Sequence(), 3); // a failed send does not count
    rig.transport->sendOk = true;
    rig.link->Disconnect();
    rig.Connect();
    rig.link->SendPoll();
    ASSERT_EQ(rig.transport->Sent().size(), 1u);
    EXPECT_EQ(U16(rig.transport->Sent()[0], 16), 0); // a new connection starts again at 0
}

TEST(DeviceLinkTest, LoginSequenceEndsWithTheLinkRunning) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.data.m_loginKey = 30517;
    rig.Connect();
    const std::uint8_t challenge[4] = {0x12, 0x34, 0x56, 0x78};
    rig.Unit({14, 0x12, 0x34, 0x56, 0x78});
    auto bodies = rig.transport->Bodies();
    ASSERT_EQ(bodies.size(), 1u);
    ASSERT_EQ(bodies[0].size(), 5u);
    EXPECT_EQ(bodies[0][0], 14);
    EXPECT_EQ(U32(bodies[0], 1), unitlink::ComputeChallengeAnswer(challenge, 30517));
    ASSERT_EQ(rig.transport->Sent().size(), 1u);
    EXPECT_EQ(rig.transport->Sent()[0][26], 255);
    EXPECT_EQ(rig.shell.timers[kTimerLogin], 6000);

    rig.Unit({15, 1});
    EXPECT_FALSE(rig.shell.Running(kTimerLogin));
    ASSERT_FALSE(rig.transport->Bodies().empty());
    EXPECT_EQ(testsupport::Back(rig.transport->Bodies()), Bytes{17});
    EXPECT_EQ(rig.shell.timers[kTimerPortInfo], 6000);

    rig.Clear();
    rig.Unit(PortInfo(), 1);
    EXPECT_FALSE(rig.shell.Running(kTimerPortInfo));
    EXPECT_EQ(rig.shell.timers[kTimerHeartbeat], 10000);
    EXPECT_EQ(rig.shell.timers[kTimerSupervision], 30000);
    EXPECT_EQ(rig.shell.notices, std::vector<std::string>{"-"});
    ASSERT_FALSE(rig.transport->Sent().empty());
    EXPECT_EQ(testsupport::Back(rig.transport->Sent()).size(), 28u); // the heartbeat
    ASSERT_EQ(rig.data.m_boards.GetSize(), 1);
    const CUnitBoard& b = rig.data.m_boards[0];
    EXPECT_EQ(b.m_boardNumber, 2);
    ASSERT_EQ(b.m_serialPorts.GetSize(), 1);
    EXPECT_EQ(b.m_serialPorts[0].m_name, "串口1");
    ASSERT_EQ(b.m_serialPorts[0].m_addresses.GetSize(), 2);
    ASSERT_EQ(b.m_serialPorts[0].m_tables.GetSize(), 1);
    ASSERT_EQ(b.m_netPorts.GetSize(), 1);
    EXPECT_EQ(b.m_serialPorts[0].m_addresses[1].m_address, 7);
    EXPECT_EQ(b.m_serialPorts[0].m_tables[0].m_name, "Tab");
    EXPECT_EQ(b.m_serialPorts[0].m_tables[0].m_board, 1);
    EXPECT_EQ(b.m_serialPorts[0].m_tables[0].m_tableKind, 3);
    EXPECT_EQ(b.m_netPorts[0].m_name, "Net");
    EXPECT_EQ(b.m_netPorts[0].m_portNumber, 1);
    EXPECT_TRUE(prompts.Texts().empty());

    // Dropping the link leaves no board in use.
    rig.link->DisconnectCommand();
    EXPECT_EQ(rig.data.m_boards.GetSize(), 0);
    EXPECT_FALSE(rig.shell.Running(kTimerHeartbeat));
    EXPECT_FALSE(rig.shell.Running(kTimerSupervision));
}

TEST(DeviceLinkTest, RefusedLoginAndBadPortInformationDisconnect) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.Connect();
    rig.Unit({15, 0});
    EXPECT_FALSE(rig.link->IsConnected());
    EXPECT_EQ(prompts.LastText(), "身份验证出错\n请尝试重新连接");

    for (std::size_t cut : {std::size_t{1}, std::size_t{20}}) {
        rig.Connect();
        Bytes info = PortInfo();
        info.resize(info.size() - cut);
        rig.Unit(info);
        EXPECT_FALSE(rig.link->IsConnected());
        EXPECT_EQ(prompts.LastText(), "信息上送长度有误");
        EXPECT_EQ(rig.data.m_boards.GetSize(), 0);
    }
    rig.Connect();
    Bytes longer = PortInfo();
    longer.push_back(0);
    rig.Unit(longer);
    EXPECT_FALSE(rig.link->IsConnected());
    rig.Connect();
    rig.Unit({17, 0});
    EXPECT_TRUE(rig.link->IsConnected());
    EXPECT_TRUE(rig.shell.Running(kTimerHeartbeat));
}

TEST(DeviceLinkTest, ReceivingWholeSplitInvalidAndOversizedFrames) {
    LinkRig rig;
    rig.Connect();
    // Two answers in one read, the second split over two reads.
    Bytes a = qtest::UnitFrame(1, {28, 1, 0, 2, 3, 4, 5, 107});
    Bytes b = qtest::UnitFrame(1, {28, 2, 0, 2, 3, 4, 5, 107});
    Bytes chunk = a;
    chunk.insert(chunk.end(), b.begin(), b.begin() + 10);
    rig.link->AppendData(chunk.data(), chunk.size());
    EXPECT_EQ(rig.shell.other, std::vector<std::string>{"time:1"});
    rig.link->AppendData(b.data() + 10, b.size() - 10);
    EXPECT_EQ(rig.shell.other, (std::vector<std::string>{"time:1", "time:2"}));

    // Invalid frames (direction word, bit 7, kind 2) are dropped; the answer behind them is handled.
    rig.shell.other.clear();
    Bytes stream;
    for (Bytes bad : {qtest::UnitFrame(1, {28, 9, 0, 0, 0, 0, 0, 0}, 0, 0, 42),
                      qtest::UnitFrame(1, {28, 9, 0, 0, 0, 0, 0, 0}, 0, 0, 43, 0x01),
                      qtest::UnitFrame(1, {28, 9, 0, 0, 0, 0, 0, 0}, 0, 0, 43, 0x82)})
        stream.insert(stream.end(), bad.begin(), bad.end());
    stream.insert(stream.end(), a.begin(), a.end());
    rig.link->AppendData(stream.data(), stream.size());
    EXPECT_EQ(rig.shell.other, std::vector<std::string>{"time:1"});
    EXPECT_EQ(rig.shell.debug, std::vector<std::string>(3, "\nD收到无效报文\n"));

    // A frame announcing more than the ring holds is skipped whole, in 900-byte reads, and the
    // answer behind it is handled.
    rig.shell.other.clear();
    rig.shell.debug.clear();
    Bytes huge = qtest::UnitFrame(1, Bytes(32768 - 20, 28));
    huge.insert(huge.end(), a.begin(), a.end());
    for (std::size_t at = 0; at < huge.size(); at += 900)
        rig.link->AppendData(huge.data() + at, std::min<std::size_t>(900, huge.size() - at));
    EXPECT_EQ(rig.shell.other, std::vector<std::string>{"time:1"});
    EXPECT_EQ(rig.shell.debug, std::vector<std::string>{"\nD报文长度越限，已丢弃\n"});
    EXPECT_EQ(rig.link->Cutter().SkipPending(), 0u);
}

TEST(DeviceLinkTest, SupervisionIsRestartedByEveryValidFrameButAnEmptyKindOne) {
    LinkRig rig;
    rig.Connect();
    rig.Receive(qtest::UnitFrame(0, {}));
    EXPECT_EQ(rig.shell.timers[kTimerSupervision], 30000);
    rig.shell.StopTimer(kTimerSupervision);
    rig.Receive(qtest::UnitFrame(1, {}));
    EXPECT_FALSE(rig.shell.Running(kTimerSupervision));
    rig.Unit({99}); // a type nobody handles still shows the unit is alive
    EXPECT_TRUE(rig.shell.Running(kTimerSupervision));
    rig.shell.StopTimer(kTimerSupervision);
    // Frames behind a heartbeat are handled in the same read.
    Bytes two = qtest::UnitFrame(0, {});
    Bytes t = qtest::UnitFrame(1, {28, 5, 0, 0, 0, 0, 0, 0});
    two.insert(two.end(), t.begin(), t.end());
    rig.link->AppendData(two.data(), two.size());
    EXPECT_EQ(rig.shell.other, std::vector<std::string>{"time:5"});
}

// Where the unit's frames once waited behind an invalid one for the next data, they are handled in
// the read that brought them: a valid answer is never held back.
TEST(DeviceLinkTest, FrameBehindAnInvalidFrameIsHandledAtOnceNotAtTheNextData) {
    LinkRig rig;
    rig.Connect();
    const Bytes bad = qtest::UnitFrame(1, {3, 'v', 0}, 0, 0, 42); // direction word other than 43
    Bytes all = bad;
    for (const Bytes& f : {qtest::UnitFrame(1, {3, 'a', 0}), bad, qtest::UnitFrame(1, {3, 'b', 0})})
        all.insert(all.end(), f.begin(), f.end());
    rig.link->AppendData(all.data(), all.size());
    // No further byte has come: both answers are there, and nothing waits in the ring.
    EXPECT_EQ(rig.shell.other, (std::vector<std::string>{"answer:a", "answer:b"}));
    EXPECT_EQ(rig.link->Cutter().Ring().Count(), 0);
}

TEST(DeviceLinkTest, JunkInFrontOfAnAnswerIsSkippedAndTheAnswerTaken) {
    LinkRig rig;
    rig.Connect();
    rig.shell.debugOpen = true;
    // Junk with a stray mark and a length read from junk, then the answer, all in one read and
    // byte by byte.
    const Bytes junk = {0x90, 0xEB, 0x33, 0x00, 0x00, 0x00, 0x11, 0x22, 0x90, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    Bytes all = junk;
    const Bytes answer = qtest::UnitFrame(1, {3, 'o', 'k', 0});
    all.insert(all.end(), answer.begin(), answer.end());
    EXPECT_EQ(rig.link->AppendData(all.data(), all.size()), 0); // not all of it was a frame
    for (std::uint8_t b : all)
        rig.link->AppendData(&b, 1);
    EXPECT_EQ(rig.shell.other, (std::vector<std::string>{"answer:ok", "answer:ok"}));
    // The debug window says that something that was no frame came.
    ASSERT_FALSE(rig.shell.debug.empty());
    EXPECT_EQ(testsupport::Front(rig.shell.debug), "\nD收到无效报文\n");
}

TEST(DeviceLinkTest, FramesWaitingUnreadAtTheSupervisionKeepTheLinkAndAreHandled) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.Connect();
    // The thread was busy when the supervision expired; a heartbeat of the unit waits unread.
    rig.transport->unread = qtest::UnitFrame(0, {}, 0, 0);
    const std::uint64_t before = rig.link->FramesReceived();
    rig.link->OnTimer(kTimerSupervision);
    EXPECT_EQ(rig.link->FramesReceived(), before + 1);
    EXPECT_TRUE(rig.link->IsConnected());
    EXPECT_EQ(rig.transport->closes, 0);
    EXPECT_TRUE(rig.shell.debug.empty());
    EXPECT_TRUE(rig.shell.Running(kTimerSupervision));
}

TEST(DeviceLinkTest, LinkTimers) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.Connect();
    rig.link->OnTimer(kTimerHeartbeat);
    EXPECT_EQ(rig.transport->Sent().size(), 1u);

    // Supervision: disconnect, grey line, connect again.
    rig.Clear();
    rig.link->OnTimer(kTimerSupervision);
    EXPECT_TRUE(rig.link->IsConnected());
    ASSERT_GE(rig.shell.log.size(), 5u);
    EXPECT_EQ(rig.shell.log[0], "stop0");
    EXPECT_EQ(rig.shell.log[1], "stop1");
    EXPECT_EQ(rig.shell.log[4], "disconnected");
    EXPECT_EQ(rig.shell.debug, std::vector<std::string>{"\nD心跳超时，重新连接\n"});
    EXPECT_EQ(testsupport::Back(rig.shell.log), "connected");
    EXPECT_EQ(rig.transport->closes, 1);

    rig.link->OnTimer(kTimerLogin);
    EXPECT_FALSE(rig.link->IsConnected());
    EXPECT_EQ(prompts.LastText(), "等待身份验证超时\n请尝试重新连接");
    EXPECT_FALSE(rig.shell.Running(kTimerLogin));
    EXPECT_EQ(testsupport::Back(rig.shell.notices), "-");
    rig.Connect();
    rig.link->OnTimer(kTimerPortInfo);
    EXPECT_EQ(prompts.LastText(), "等待端口信息超时\n请尝试重新连接");

    // Waits of the pages: each ends its own exchange only.
    rig.shell.dbSheets.push_back(std::make_unique<qtest::RecordingDbSheet>(1, 5));
    rig.shell.dbSheets.push_back(std::make_unique<qtest::RecordingDbSheet>(1, 6));
    rig.shell.tabSheets.push_back(std::make_unique<qtest::RecordingTabSheet>(1, 0, 2, 4));
    rig.link->SetManualWaitKey(5);
    rig.link->SetManualSettingFlag(CDeviceLink::kDbSetting, true);
    rig.link->SetManualSettingFlag(CDeviceLink::kTabSetting, true);
    rig.link->SetTableWaitKey({1, 0, 2, 4});
    rig.shell.StartTimer(kTimerTabSet, 5000);
    rig.link->OnTimer(kTimerDbCancel);
    EXPECT_EQ(prompts.LastText(), "装置取消置数等待返回超时\n取消置数失败!");
    EXPECT_EQ(rig.shell.dbSheets[0]->calls, std::vector<std::string>{"cancelAll0"});
    EXPECT_TRUE(rig.shell.dbSheets[1]->calls.empty());
    EXPECT_TRUE(rig.shell.Running(kTimerTabSet));
    EXPECT_EQ(rig.link->ManualSettingFlags(), CDeviceLink::kTabSetting);
    rig.link->OnTimer(kTimerTabSet);
    EXPECT_EQ(prompts.LastText(), "引用表人工置数等待返回超时\n人工置数失败!");
    EXPECT_EQ(rig.shell.tabSheets[0]->calls, std::vector<std::string>{"failPending"});
    rig.link->SetSettingsWaitKey(6);
    rig.link->OnTimer(kTimerSettings);
    EXPECT_EQ(prompts.LastText(), "下装定值等待返回超时\n定值下装失败!");
    EXPECT_EQ(rig.shell.dbSheets[1]->calls, std::vector<std::string>{"downloadFailed"});
    EXPECT_EQ(testsupport::Back(prompts.Messages()).caption, "错误");
    rig.link->OnTimer(kTimerCancelAll);
    EXPECT_EQ(prompts.LastText(), "取消置数等待返回超时\n取消置数失败!");
}

TEST(DeviceLinkTest, DownloadGoesOutInChunksOfTenThousandTwoHundredFourBytes) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    Bytes file(25000);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i * 7);
    testsupport::WriteBytes(rig.dir / "f.bin", std::string(file.begin(), file.end()));
    rig.Connect();
    rig.shell.progressOpen = true;
    ASSERT_EQ(rig.link->StartDownload((rig.dir / "f.bin").string(), "/cfg/f.bin", 2), 1);
    EXPECT_EQ(rig.shell.timers[kTimerTransfer], 4000);
    ASSERT_EQ(rig.transport->Bodies().size(), 1u);
    Bytes open = rig.transport->Bodies()[0];
    Bytes expected = {4, 0};
    qtest::Le(expected, 25000, 4);
    for (char c : std::string("/cfg/f.bin"))
        expected.push_back(static_cast<std::uint8_t>(c));
    expected.push_back(0);
    EXPECT_EQ(open, expected);
    ASSERT_EQ(rig.transport->Sent().size(), 1u);
    ASSERT_GE(rig.transport->Sent()[0].size(), 28u);
    EXPECT_EQ(rig.transport->Sent()[0][26], 2);

    Bytes answer = {4, 1};
    qtest::Le(answer, 25000, 4);
    qtest::Le(answer, 0xAABBCCDD, 4);
    rig.Unit(answer, 2);
    Bytes ack = {6};
    qtest::Le(ack, 0xAABBCCDD, 4);
    for (std::uint16_t chunk = 0; chunk < 3; ++chunk) {
        ASSERT_FALSE(rig.transport->Bodies().empty());
        const Bytes c = testsupport::Back(rig.transport->Bodies());
        const std::size_t n = chunk < 2 ? 10204 : 25000 - 2 * 10204;
        ASSERT_EQ(c.size(), 8 + n);
        EXPECT_EQ(U32(c, 1), 0xAABBCCDDu);
        EXPECT_EQ(c[5], chunk < 2 ? 1 : 0);
        EXPECT_EQ(U16(c, 6), chunk);
        EXPECT_TRUE(std::equal(c.begin() + 8, c.end(), file.begin() + chunk * 10204));
        Bytes a = ack;
        a.push_back(1);
        qtest::Le(a, chunk, 2);
        rig.Unit(a, 2);
    }
    const Bytes close = testsupport::Back(rig.transport->Bodies());
    ASSERT_FALSE(close.empty());
    EXPECT_EQ(close[0], 7);
    EXPECT_EQ(std::string(close.begin() + 1, close.end()), std::string("/cfg/f.bin") + '\0');
    EXPECT_EQ(rig.shell.progress, (std::vector<int>{0, 0, 40, 81, 100}));
    EXPECT_EQ(testsupport::Back(rig.shell.log), "closeProgress2000");
    EXPECT_EQ(rig.link->TransferSize(), 0u);
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST(DeviceLinkTest, DownloadEdgesAndFailures) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.Connect();
    // 10204 bytes: one chunk, nothing follows.
    testsupport::WriteBytes(rig.dir / "one.bin", std::string(10204, 'x'));
    rig.link->StartDownload((rig.dir / "one.bin").string(), "one", 0);
    Bytes answer = {4, 1};
    qtest::Le(answer, 10204, 4);
    qtest::Le(answer, 1, 4);
    rig.Unit(answer);
    ASSERT_FALSE(rig.transport->Bodies().empty());
    ASSERT_GE(testsupport::Back(rig.transport->Bodies()).size(), 6u);
    EXPECT_EQ(testsupport::Back(rig.transport->Bodies())[5], 0);
    // Three refusals of the unit end the download.
    for (int i = 0; i < 3; ++i)
        rig.Unit({6, 1, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"文件发送失败."});
    EXPECT_EQ(rig.transport->Bodies().size(), 4u); // open, chunk, two repeats
    EXPECT_EQ(rig.link->TransferDirection(), CDeviceLink::kNoTransfer);

    // 10205 bytes: two chunks, the first says more follow.
    testsupport::WriteBytes(rig.dir / "two.bin", std::string(10205, 'y'));
    rig.link->StartDownload((rig.dir / "two.bin").string(), "two", 0);
    answer = {4, 1};
    qtest::Le(answer, 10205, 4);
    qtest::Le(answer, 1, 4);
    rig.Unit(answer);
    ASSERT_FALSE(rig.transport->Bodies().empty());
    ASSERT_GE(testsupport::Back(rig.transport->Bodies()).size(), 6u);
    EXPECT_EQ(testsupport::Back(rig.transport->Bodies())[5], 1);

    // The announced size is checked.
    prompts.Clear();
    for (std::uint32_t size : {104857601u, 104857600u, 0u}) {
        rig.link->StartDownload((rig.dir / "two.bin").string(), "two", 0);
        answer = {4, 1};
        qtest::Le(answer, size, 4);
        qtest::Le(answer, 1, 4);
        rig.Unit(answer);
    }
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"文件大小有误.", "文件大小有误."}));
    rig.Unit({4, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(prompts.LastText(), "文件打开失败.");
    rig.Unit({4, 1, 0});
    EXPECT_EQ(prompts.LastText(), "文件打开失败."); // a cut answer is not taken for a yes

    prompts.Clear();
    EXPECT_EQ(rig.link->StartDownload((rig.dir / "missing.bin").string(), "x", 0), 0);
    ASSERT_FALSE(prompts.Messages().empty());
    EXPECT_EQ(testsupport::Back(prompts.Messages()).text, "打开文件出错");
    EXPECT_EQ(testsupport::Back(prompts.Messages()).caption, "错误信息");
    // One that is there but cannot be looked at or read is told with its name and the reason,
    // and nothing is announced to the unit.
    const std::filesystem::path one = rig.dir / "one.bin";
    for (platform::FileStep step :
         {platform::FileStep::Stat, platform::FileStep::Open, platform::FileStep::Read}) {
        SCOPED_TRACE(platform::FileStepName(step));
        prompts.Clear();
        const std::size_t framesBefore = rig.transport->Bodies().size();
        platform::CFileFaults faults;
        faults.FailNth(
            step, 1, [&](const std::filesystem::path& p) { return p == one; }, EIO);
        EXPECT_EQ(rig.link->StartDownload(one.string(), "one", 0), 0);
        EXPECT_EQ(faults.Failed(step), 1);
        ASSERT_FALSE(prompts.Messages().empty());
        EXPECT_EQ(testsupport::Back(prompts.Messages()).text,
                  "打开文件 " + one.string() + " 出错（" + platform::ErrorText(EIO) + "）");
        EXPECT_EQ(rig.transport->Bodies().size(), framesBefore);
    }

    // The answer wait ends the transfer.
    rig.shell.progressOpen = true;
    rig.link->StartDownload((rig.dir / "one.bin").string(), "one", 0);
    rig.link->OnTimer(kTimerTransfer);
    EXPECT_EQ(prompts.LastText(), "装置应答超时，停止发送!");
    EXPECT_FALSE(rig.shell.Running(kTimerTransfer));
    EXPECT_EQ(rig.link->TransferDirection(), CDeviceLink::kNoTransfer);
}

TEST(DeviceLinkTest, UploadCollectsTheDataAndSavesIt) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.Connect();
    rig.shell.progressOpen = true;
    rig.shell.savePath = (rig.dir / "saved.bin").string();
    testsupport::WriteBytes(rig.dir / "saved.bin", std::string(50, 'z')); // an older, longer file
    rig.link->StartUpload("/log/run.txt", 0);
    ASSERT_EQ(rig.transport->Bodies().size(), 1u);
    EXPECT_EQ(rig.transport->Bodies()[0],
              (Bytes{4, 1, 0, 0, 0, 0, '/', 'l', 'o', 'g', '/', 'r', 'u', 'n', '.', 't', 'x', 't', 0}));
    Bytes answer = {4, 1};
    qtest::Le(answer, 10, 4);
    qtest::Le(answer, 77, 4);
    rig.Unit(answer, 3);
    EXPECT_EQ(testsupport::Back(rig.transport->Bodies()), (Bytes{5, 77, 0, 0, 0, 1}));
    rig.Unit({6, 77, 0, 0, 0, 1, 0, 0, 'a', 'b', 'c', 'd', 'e', 'f'}, 3);
    EXPECT_EQ(testsupport::Back(rig.transport->Bodies()), (Bytes{6, 77, 0, 0, 0, 1, 0, 0}));
    EXPECT_TRUE(rig.shell.Running(kTimerTransfer));
    // The last block carries more than was announced: only the announced size is kept.
    rig.Unit({6, 77, 0, 0, 0, 0, 1, 0, 'g', 'h', 'i', 'j', 'X', 'Y'}, 3);
    const auto bodies = rig.transport->Bodies();
    ASSERT_GE(bodies.size(), 2u);
    ASSERT_FALSE(bodies.back().empty());
    EXPECT_EQ(bodies[bodies.size() - 2], (Bytes{6, 77, 0, 0, 0, 1, 1, 0}));
    EXPECT_EQ(bodies.back()[0], 7);
    ASSERT_GE(testsupport::Back(rig.transport->Sent()).size(), 28u);
    EXPECT_EQ(testsupport::Back(rig.transport->Sent())[26], 3);
    EXPECT_EQ(rig.shell.saveName, "run.txt");
    EXPECT_EQ(testsupport::ReadBytes(rig.dir / "saved.bin"), "abcdefghij");
    EXPECT_FALSE(rig.shell.Running(kTimerTransfer));
    EXPECT_EQ(rig.link->TransferSize(), 0u);
}

// The unit's file is saved over an earlier one only by replacing it whole: a write in place would
// change what a second name of the earlier file (a hard link) shows, and any step that fails
// leaves the earlier file as it was, with the box that says so.
// The unit sends the six bytes "abcdef" of "/log/run.txt", saved at target.
void UploadSixBytes(LinkRig& rig, const std::filesystem::path& target) {
    rig.shell.progressOpen = true;
    rig.shell.savePath = target.string();
    rig.link->StartUpload("/log/run.txt", 0);
    Bytes answer = {4, 1};
    qtest::Le(answer, 6, 4);
    qtest::Le(answer, 77, 4);
    rig.Unit(answer, 3);
    rig.Unit({6, 77, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c', 'd', 'e', 'f'}, 3);
}

TEST(DeviceLinkTest, AnUploadedFileReplacesTheEarlierOneWholeOrNotAtAll) {
    const std::string earlier(50, 'z');
    auto upload = [&](LinkRig& rig, const std::filesystem::path& target) {
        rig.Connect();
        UploadSixBytes(rig, target);
    };
    {
        testsupport::PromptRecorder prompts;
        LinkRig rig;
        const auto target = rig.dir / "saved.bin";
        testsupport::WriteBytes(target, earlier);
        std::filesystem::create_hard_link(target, rig.dir / "second-name.bin");
        upload(rig, target);
        EXPECT_EQ(testsupport::ReadBytes(target), "abcdef");
        EXPECT_EQ(testsupport::ReadBytes(rig.dir / "second-name.bin"), earlier);
        EXPECT_TRUE(prompts.Texts().empty());
    }
    using platform::FileStep;
    for (const FileStep step : {FileStep::Open, FileStep::Write, FileStep::Sync, FileStep::Rename}) {
        SCOPED_TRACE(static_cast<int>(step));
        testsupport::PromptRecorder prompts;
        LinkRig rig;
        const auto target = rig.dir / "saved.bin";
        testsupport::WriteBytes(target, earlier);
        {
            platform::CFileFaults faults;
            faults.FailFrom(step, 1);
            upload(rig, target);
            EXPECT_GE(faults.Failed(step), 1);
        }
        EXPECT_EQ(prompts.LastText(), quorvex::kSaveFailedText + target.string());
        EXPECT_EQ(testsupport::ReadBytes(target), earlier);
        std::vector<std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(rig.dir.Path()))
            if (e.is_regular_file())
                files.push_back(e.path().filename().string());
        EXPECT_EQ(files, std::vector<std::string>{"saved.bin"}); // no temporary file left beside it
    }
}

// Quorvex's files swept: the unit's uploaded file saved over an earlier one, the link address and
// the port monitor's addresses. Each file-system call fails in turn: the failure is told (the box,
// or false to the dialog that tells it) and the files are as they were, or the write is whole.
TEST(DeviceLinkTest, EveryFailedStepOfQuorvexsFileWritesLeavesTheFilesAsTheyWere) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    const std::filesystem::path folder = rig.dir / "files";
    const testsupport::TreeBytes start = {{"saved.bin", std::string(50, 'z')},
                                          {"CFG_TOOL.INI", "[TCP Config]\r\nIP_ADDR=10.9.9.9\r\n"},
                                          {"NetCfg.ini", "[TCP Config]\r\nMAST_IP=1.1.1.1\r\n"}};
    rig.Connect();
    struct Road {
        const char* what;
        std::function<bool()> write;
        std::function<std::string()> whole;
    };
    const std::vector<Road> roads = {
        {"uploaded file",
         [&] {
             const std::size_t before = prompts.Count();
             UploadSixBytes(rig, folder / "saved.bin");
             return prompts.Count() == before;
         },
         [&] { return testsupport::ReadBytes(folder / "saved.bin") == "abcdef" ? "" : "file not whole"; }},
        {"link address", [&] { return quorvex::WriteUnitAddress(folder / "CFG_TOOL.INI", "10.1.2.3"); },
         [&] {
             return quorvex::ReadUnitAddress(folder / "CFG_TOOL.INI", "") == "10.1.2.3" ? ""
                                                                                        : "address missing";
         }},
        {"monitor addresses",
         [&] { return quorvex::CNetCfg(folder / "NetCfg.ini").Save(0x0A000001, 0x0A000002); },
         [&]() -> std::string {
             const quorvex::CNetCfg cfg(folder / "NetCfg.ini");
             return cfg.UnitIpText() == "10.0.0.1" && cfg.DestIpText() == "10.0.0.2" ? ""
                                                                                     : "addresses missing";
         }},
    };
    for (const Road& r : roads) {
        SCOPED_TRACE(r.what);
        testsupport::SweepRoad road;
        road.setup = [&] {
            testsupport::RestoreTree(folder, start);
            platform::FlushProfileCache();
        };
        road.run = [&] {
            const bool ok = r.write();
            return testsupport::RoadOutcome{ok, !ok};
        };
        road.kept = {folder};
        road.whole = r.whole;
        const testsupport::SweepResult sweep = testsupport::RunFaultSweep(road);
        std::printf("quorvex %s sweep: %s\n", r.what, sweep.Summary().c_str());
        EXPECT_GT(sweep.calls, 0);
        EXPECT_TRUE(sweep.faults.empty()) << testing::PrintToString(sweep.faults);
        EXPECT_GT(sweep.told, 0);
    }
}

TEST(DeviceLinkTest, ARepeatedChunkAcknowledgementIsIgnored) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    Bytes file(25000);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i * 13 + 1);
    testsupport::WriteBytes(rig.dir / "f.bin", std::string(file.begin(), file.end()));
    rig.Connect();
    ASSERT_EQ(rig.link->StartDownload((rig.dir / "f.bin").string(), "/cfg/f.bin", 0), 1);
    Bytes answer = {4, 1};
    qtest::Le(answer, 25000, 4);
    qtest::Le(answer, 9, 4);
    rig.Unit(answer);
    const auto acknowledge = [&](std::uint16_t chunk, std::uint8_t verdict) {
        Bytes a = {6, 9, 0, 0, 0, verdict};
        qtest::Le(a, chunk, 2);
        rig.Unit(a);
    };
    acknowledge(0, 1);
    const std::size_t sent = rig.transport->Bodies().size();
    // The unit repeats its answer to chunk 0: nothing moves and nothing is sent.
    acknowledge(0, 1);
    EXPECT_EQ(rig.transport->Bodies().size(), sent);
    EXPECT_EQ(rig.link->TransferPosition(), 10204u);
    // A negative answer to a chunk long gone does not send anything either.
    acknowledge(0, 0);
    EXPECT_EQ(rig.transport->Bodies().size(), sent);
    acknowledge(1, 1);
    ASSERT_FALSE(rig.transport->Bodies().empty());
    const Bytes last = testsupport::Back(rig.transport->Bodies());
    ASSERT_EQ(last.size(), 8u + 25000 - 2 * 10204);
    EXPECT_EQ(U16(last, 6), 2);
    EXPECT_TRUE(std::equal(last.begin() + 8, last.end(), file.begin() + 2 * 10204));
    acknowledge(2, 1);
    ASSERT_FALSE(testsupport::Back(rig.transport->Bodies()).empty());
    EXPECT_EQ(testsupport::Back(rig.transport->Bodies())[0], 7);
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST(DeviceLinkTest, AnUploadCutShortIsNotSaved) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.Connect();
    rig.shell.holdLater = true;
    rig.shell.progressOpen = true;
    rig.shell.savePath = (rig.dir / "cut.bin").string();
    rig.link->StartUpload("/log/cut.bin", 0);
    Bytes answer = {4, 1};
    qtest::Le(answer, 10, 4);
    qtest::Le(answer, 5, 4);
    rig.Unit(answer);
    // 3 of the 10 announced bytes, and the unit says that was all.
    rig.Unit({6, 5, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c'});
    ASSERT_FALSE(testsupport::Back(rig.transport->Bodies()).empty());
    EXPECT_EQ(testsupport::Back(rig.transport->Bodies())[0], 7); // the unit's file is closed all the same
    EXPECT_EQ(prompts.Count(), 0u);                              // no box inside the receive path
    rig.shell.RunLater();
    EXPECT_EQ(prompts.LastText(), "文件上装不完整(收到3字节，应为10字节)，文件未保存.");
    EXPECT_EQ(rig.shell.saveName, "");
    EXPECT_FALSE(std::filesystem::exists(rig.dir / "cut.bin"));
    EXPECT_EQ(rig.link->TransferDirection(), CDeviceLink::kNoTransfer);
    EXPECT_FALSE(rig.shell.Running(kTimerTransfer));
}

TEST(DeviceLinkTest, ARepeatedUploadBlockIsStoredOnceAndTheSaveDialogComesAfterTheFrame) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.Connect();
    rig.shell.holdLater = true;
    rig.shell.progressOpen = true;
    rig.shell.savePath = (rig.dir / "got.bin").string();
    rig.link->StartUpload("/a/b.c.d", 0);
    Bytes answer = {4, 1};
    qtest::Le(answer, 6, 4);
    qtest::Le(answer, 5, 4);
    rig.Unit(answer);
    rig.Unit({6, 5, 0, 0, 0, 1, 0, 0, 'a', 'b', 'c'});
    rig.Unit({6, 5, 0, 0, 0, 1, 0, 0, 'a', 'b', 'c'}); // the unit missed the acknowledgement
    EXPECT_EQ(testsupport::Back(rig.transport->Bodies()), (Bytes{6, 5, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(rig.link->TransferPosition(), 3u);
    rig.Unit({6, 5, 0, 0, 0, 0, 1, 0, 'd', 'e', 'f'});
    EXPECT_EQ(rig.shell.saveName, ""); // not asked inside the receive path
    rig.shell.RunLater();
    EXPECT_EQ(rig.shell.saveName, "b.c.d");
    EXPECT_EQ(testsupport::ReadBytes(rig.dir / "got.bin"), "abcdef");
    EXPECT_FALSE(std::filesystem::exists(rig.dir / "got.bin.part"));
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST(DeviceLinkTest, DisconnectDuringTheLoginEndsItsWaitsAndNotice) {
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    rig.link->ConnectCommand();
    ASSERT_TRUE(rig.shell.Running(kTimerLogin));
    ASSERT_EQ(testsupport::Back(rig.shell.notices), "正在进行验证和配置...");
    rig.link->DisconnectCommand();
    EXPECT_FALSE(rig.shell.Running(kTimerLogin));
    EXPECT_FALSE(rig.shell.Running(kTimerPortInfo));
    EXPECT_EQ(testsupport::Back(rig.shell.notices), "-");
    // The same after the challenge was answered, while the port information is awaited.
    rig.link->ConnectCommand();
    rig.shell.StartTimer(kTimerPortInfo, 6000);
    rig.link->DisconnectCommand();
    EXPECT_TRUE(rig.shell.timers.empty());
    EXPECT_TRUE(prompts.Texts().empty());
}

// The unit closes or resets the connection: once the event is handled the link goes down with the
// 断开连接 command (timers stopped, notice closed, state told). A link under supervision (a valid
// frame came) is connected again at once; one still waiting for its first frame is left down.
TEST(DeviceLinkTest, AConnectionTheUnitEndsGoesDownAndASupervisedOneIsConnectedAgain) {
    for (const bool supervised : {false, true}) {
        SCOPED_TRACE(supervised ? "under supervision" : "waiting for the challenge");
        testsupport::PromptRecorder prompts;
        LinkRig rig;
        rig.link->ConnectCommand();
        ASSERT_TRUE(rig.link->IsConnected());
        if (supervised)
            rig.Unit({2, 'o', 'k', 0});
        EXPECT_EQ(rig.shell.Running(kTimerSupervision), supervised);
        rig.Clear();
        rig.transport->events->OnPeerClosed();
        rig.transport->events->OnPeerClosed(); // the same end, told again: taken once
        EXPECT_TRUE(rig.link->IsConnected());  // not inside the socket's event
        rig.transport->RunPosted();
        EXPECT_EQ(rig.transport->attempts, supervised ? 2 : 1);
        EXPECT_EQ(rig.link->IsConnected(), supervised);
        std::vector<std::string> states;
        for (const std::string& call : rig.shell.log)
            if (call == "connected" || call == "disconnected")
                states.push_back(call);
        EXPECT_EQ(states, supervised ? (std::vector<std::string>{"disconnected", "connected"})
                                     : (std::vector<std::string>{"disconnected"}));
        EXPECT_FALSE(rig.shell.Running(kTimerSupervision));
        EXPECT_EQ(rig.shell.Running(kTimerLogin), supervised); // the new connection's login wait
        EXPECT_EQ(prompts.Count(), 0u);
    }
}
