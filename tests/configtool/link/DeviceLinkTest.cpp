#include "configtool/link/DeviceLink.h"
#include "LinkTestSupport.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace qxm7740;

using namespace linktest;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

class DeviceLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto t = std::make_unique<MemoryTransport>();
        transport = t.get();
        link = std::make_unique<CDeviceLink>(std::move(t), &report);
        link->SetAddress(7000, "127.0.0.1");
    }

    void Feed(const Bytes& b) { link->OnData(b.data(), b.size()); }

    void ConnectAndVerify() {
        ASSERT_EQ(1, link->Connect());
        Feed(UnitFrame(14, {1, 2, 3, 4}));
        Feed(UnitFrame(15, {1}));
        ASSERT_EQ(CDeviceLink::kPasswordVerified, link->PasswordState());
        report.Clear();
        transport->sent.clear();
        link->SetTransferOk(1);
    }

    std::string Local(const std::string& name) { return (dir / name).string(); }

    testsupport::PromptRecorder prompt;
    testsupport::TempDir dir;
    RecordingReport report;
    MemoryTransport* transport = nullptr;
    std::unique_ptr<CDeviceLink> link;
};

} // namespace

TEST_F(DeviceLinkTest, ConnectAsksToRetryAndGivesUp) {
    transport->failConnects = 2;
    prompt.Script({platform::Answer::Yes, platform::Answer::No});
    EXPECT_EQ(0, link->Connect());
    EXPECT_FALSE(link->IsConnected());
    ASSERT_EQ(2u, prompt.Count());
    EXPECT_EQ("连接TCP/IP服务器(管理机)失败!\n重试吗?", prompt.LastText());
    ASSERT_EQ(1u, report.waits.size());
    EXPECT_EQ("1:正在连接服务器\nIP地址:127.0.0.1  端口号:7000", report.waits[0]);
    EXPECT_EQ(1, report.closes);
    EXPECT_EQ(1, transport->closes);

    transport->failConnects = 1;
    prompt.Script({platform::Answer::Yes});
    EXPECT_EQ(1, link->Connect());
    EXPECT_TRUE(link->IsConnected());
    EXPECT_EQ(std::vector<std::string>{"E:通讯建立!"}, report.Texts());
    EXPECT_EQ(0, link->PasswordState());
}

TEST_F(DeviceLinkTest, ChallengeIsAnsweredAndVerificationRecorded) {
    ASSERT_EQ(1, link->Connect());
    report.Clear();
    Feed(UnitFrame(14, {0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(1, link->PasswordState());
    ASSERT_EQ(1u, transport->sent.size());
    const Bytes& answer = transport->sent[0];
    ASSERT_EQ(33u, answer.size());
    EXPECT_EQ(25u, U32(answer, 2));
    EXPECT_EQ(1, answer[27]);
    EXPECT_EQ(14, answer[28]);
    EXPECT_EQ(0x007dedb7u, U32(answer, 29));
    EXPECT_EQ((std::vector<std::string>{"R#", "S:发送口令校验报文", "S#"}), report.All());

    Feed(UnitFrame(15, {0})); // not confirmed: nothing changes
    EXPECT_EQ(1, link->PasswordState());
    Feed(UnitFrame(15, {1}));
    EXPECT_EQ(CDeviceLink::kPasswordVerified, link->PasswordState());
    EXPECT_TRUE(report.Has("E:口令验证成功!"));
}

TEST_F(DeviceLinkTest, GarbageAndFalseSyncMarksAreSkipped) {
    ASSERT_EQ(1, link->Connect());
    report.Clear();
    // Junk, a sync mark whose length is below 20, one whose frame could never fit the ring (it
    // would otherwise hold the link until 32 KB more arrive), a negative one, then a challenge.
    Bytes stream = {0x01, 0x90, 0x33, 0x90, 0xEB, 0x90, 0xEB, 0x05, 0, 0, 0, 0x90, 0xEB, 0x90, 0xEB,
                    0xFF, 0xFF, 0x00, 0x00, 0x90, 0xEB, 0x90, 0xEB, 0, 0, 0, 0x80, 0x90, 0xEB};
    const Bytes challenge = UnitFrame(14, {9, 9, 9, 9});
    stream.insert(stream.end(), challenge.begin(), challenge.end());
    Feed(stream);
    EXPECT_EQ(1, link->PasswordState());
    EXPECT_EQ(1u, transport->sent.size());
    EXPECT_EQ((std::vector<std::string>{"R#", "S:发送口令校验报文", "S#"}), report.All());
}

TEST_F(DeviceLinkTest, SplitFrameIsHandledOnceWhenComplete) {
    const Bytes text = UnitFrame(2, {0, 'o', 'k'});
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        Feed(Bytes{text[i]});
        ASSERT_TRUE(report.lines.empty()) << "after byte " << i;
    }
    Feed(Bytes{text.back()});
    EXPECT_EQ((std::vector<std::string>{"R#", "R:ok"}), report.All());

    // Several frames in one read are handled in order.
    report.Clear();
    Bytes two = UnitFrame(2, {0, 'a'});
    const Bytes b = UnitFrame(2, {0, 'b', 0, 'x'}); // text ends at its zero
    two.insert(two.end(), b.begin(), b.end());
    Feed(two);
    EXPECT_EQ((std::vector<std::string>{"R:a", "R:b"}), report.Texts());
}

// One read several times larger than the ring's free room (as a socket delivers after a pause)
// loses no frame: every text arrives, in order.
TEST_F(DeviceLinkTest, OneReadLargerThanTheRingLosesNoFrame) {
    Bytes stream;
    std::vector<std::string> expected;
    for (int i = 0; stream.size() < 4 * 32768; ++i) {
        const std::string text = "frame" + std::to_string(i);
        Bytes body(1 + text.size(), 0); // the text after its leading zero
        std::copy(text.begin(), text.end(), body.begin() + 1);
        const Bytes f = UnitFrame(2, body);
        stream.insert(stream.end(), f.begin(), f.end());
        expected.push_back("R:" + text);
    }
    Feed(stream);
    EXPECT_EQ(expected, report.Texts());
}

TEST_F(DeviceLinkTest, FramesThatCannotBeHandled) {
    Bytes gbk = {0};
    const std::string text = platform::ToGbk("装置重启");
    gbk.insert(gbk.end(), text.begin(), text.end());
    Feed(UnitFrame(2, gbk, 0x01)); // no bit 7: not from the unit
    EXPECT_EQ((std::vector<std::string>{"R#", "E:...........接收到的报文不是监视方向的DSDU报文!"}),
              report.All());
    report.Clear();
    Feed(UnitFrame(2, gbk));
    EXPECT_EQ((std::vector<std::string>{"R#", "R:装置重启"}), report.All());
    report.Clear();
    Feed(UnitFrame(9, {}));
    EXPECT_EQ((std::vector<std::string>{"R#", "E:......接收到错误的报文类型9"}), report.All());

    // Too short for their type: shown and otherwise ignored.
    report.Clear();
    ASSERT_EQ(1, link->Connect());
    report.Clear();
    Feed(UnitFrame(14, {1, 2}));
    Feed(UnitFrame(4, {1, 0, 0}));
    Feed(UnitFrame(6, {1, 0, 0, 0, 1}));
    Bytes headerOnly = UnitFrame(2, {});
    headerOnly.pop_back();
    headerOnly[2] = 20;
    Feed(headerOnly);
    EXPECT_EQ((std::vector<std::string>{"R#", "R#", "R#", "R#"}), report.All());
    EXPECT_EQ(0, link->PasswordState());
    EXPECT_TRUE(transport->sent.empty());
}

TEST_F(DeviceLinkTest, DownloadOfEmptyFile) {
    ConnectAndVerify();
    WriteBytes(dir / "empty.bin", "");
    link->SetProgress(5, 30);
    ASSERT_EQ(1, link->DownloadFile(Local("empty.bin"), "目标.bin", 5));
    EXPECT_TRUE(link->IsTransferOpen());
    ASSERT_EQ(1u, transport->sent.size());
    const Bytes& open = transport->sent[0];
    const std::string name = platform::ToGbk("目标.bin");
    ASSERT_EQ(34 + name.size() + 1, open.size());
    EXPECT_EQ(4, open[28]);
    EXPECT_EQ(0, open[29]);
    EXPECT_EQ(0u, U32(open, 30));
    EXPECT_EQ(name, std::string(open.begin() + 34, open.end() - 1));
    EXPECT_EQ(0, open.back());
    EXPECT_EQ(5, open[26]);

    Feed(UnitFrame(4, OpenReply(true, 0, 77)));
    ASSERT_EQ(2u, transport->sent.size());
    const Bytes& packet = transport->sent[1];
    ASSERT_EQ(36u, packet.size());
    EXPECT_EQ(6, packet[28]);
    EXPECT_EQ(77u, U32(packet, 29));
    EXPECT_EQ(0, packet[33]);
    EXPECT_EQ(0, U16(packet, 34));
    EXPECT_EQ(5, packet[26]);

    Feed(UnitFrame(6, Packet(77, 1, 0)));
    ASSERT_EQ(3u, transport->sent.size());
    EXPECT_EQ(7, transport->sent[2][28]);
    EXPECT_EQ(5, transport->sent[2][26]);
    Feed(UnitFrame(11, {}));
    EXPECT_FALSE(link->IsTransferOpen());
    EXPECT_EQ(1, link->TransferOk());
    EXPECT_EQ(
        (std::vector<std::string>{"S:下载本地文件 " + Local("empty.bin") + " 远端保存为 目标.bin",
                                  "S:发送文件打开报文，写操作", "S#", "R#", "S:发送文件数据包0, 续包标志=0",
                                  "R#", "S:关闭远端文件，长度为0字节", "S#", "R#", "E:empty.bin传输成功"}),
        report.All());
    EXPECT_EQ((std::vector<std::uint32_t>{35, 35}), report.progress);
}

TEST_F(DeviceLinkTest, DownloadFailures) {
    WriteBytes(dir / "a.bin", std::string(20000, 'a'));
    EXPECT_EQ(0, link->DownloadFile(Local("a.bin"), "a.bin", 0));
    EXPECT_TRUE(report.Has("E:通讯尚未连接, 不能下载文件!"));
    ASSERT_EQ(1, link->Connect());
    EXPECT_EQ(0, link->DownloadFile(Local("a.bin"), "a.bin", 0));
    EXPECT_TRUE(report.Has("E:口令验证失败, 不能下载文件!"));
    EXPECT_EQ(0, link->UploadFile(Local("b.bin"), "b.bin"));
    EXPECT_TRUE(report.Has("E:口令验证失败, 不能上载文件!"));
    EXPECT_FALSE(std::filesystem::exists(dir / "b.bin"));

    ConnectAndVerify();
    EXPECT_EQ(0, link->DownloadFile(Local("missing.bin"), "x", 0));
    EXPECT_TRUE(report.Has("E:打开文件 " + Local("missing.bin") + " 失败!"));

    // A remote name without a GBK form would name another file: refused, nothing sent.
    const std::size_t framesBefore = transport->sent.size();
    EXPECT_EQ(0, link->DownloadFile(Local("a.bin"), "a\xF0\x9F\x98\x80.bin", 0));
    EXPECT_TRUE(report.Has("E:下载文件 a\xF0\x9F\x98\x80.bin: 路径含有无法转换的字符!"));
    EXPECT_EQ(transport->sent.size(), framesBefore);
    EXPECT_FALSE(link->IsTransferOpen());

    // Refused open.
    link->SetTransferOk(1);
    ASSERT_EQ(1, link->DownloadFile(Local("a.bin"), "a.bin", 0));
    Feed(UnitFrame(4, OpenReply(false, 0, 0)));
    EXPECT_TRUE(report.Has("E:打开远程文件失败!"));
    EXPECT_FALSE(link->IsTransferOpen());
    EXPECT_EQ(0, link->TransferOk());

    // Refused packet, and an acknowledgement for another file.
    for (auto [flag, id, text] :
         {std::tuple{0, 5u, "E:下装过程中装置应答失败!"}, std::tuple{1, 6u, "E:文件标识不匹配!"}}) {
        link->SetTransferOk(1);
        ASSERT_EQ(1, link->DownloadFile(Local("a.bin"), "a.bin", 0));
        Feed(UnitFrame(4, OpenReply(true, 20000, 5)));
        Feed(UnitFrame(6, Packet(id, static_cast<std::uint8_t>(flag), 0)));
        EXPECT_TRUE(report.Has(text));
        EXPECT_FALSE(link->IsTransferOpen());
        EXPECT_EQ(0, link->TransferOk());
    }

    // A close reply before the close request.
    link->SetTransferOk(1);
    ASSERT_EQ(1, link->DownloadFile(Local("a.bin"), "a.bin", 0));
    Feed(UnitFrame(4, OpenReply(true, 20000, 5)));
    Feed(UnitFrame(11, {}));
    EXPECT_TRUE(report.Has("E:文件状态错误，不处于关闭状态!"));
    EXPECT_EQ(0, link->TransferOk());
    // An open reply nobody asked for.
    Feed(UnitFrame(4, OpenReply(true, 1, 1)));
    EXPECT_TRUE(report.Has("E:远程文件状态错误，不处于打开状态!"));
}

// A file to send that is there but cannot be looked at, opened or read is told with its name and
// the reason; nothing is announced to the unit for one that cannot be opened, and a read that
// fails part way ends the transfer instead of sending a short file.
TEST_F(DeviceLinkTest, FileToSendThatCannotBeReadIsToldWithTheReason) {
    WriteBytes(dir / "a.bin", std::string(20000, 'a'));
    const std::filesystem::path file = Local("a.bin");
    const auto isFile = [&](const std::filesystem::path& p) { return p == file; };
    ConnectAndVerify();
    for (platform::FileStep step : {platform::FileStep::Stat, platform::FileStep::Open}) {
        SCOPED_TRACE(platform::FileStepName(step));
        const std::size_t framesBefore = transport->sent.size();
        platform::CFileFaults faults;
        faults.FailNth(step, 1, isFile, EACCES);
        EXPECT_EQ(0, link->DownloadFile(Local("a.bin"), "a.bin", 0));
        EXPECT_EQ(faults.Failed(step), 1);
        EXPECT_TRUE(
            report.Has("E:打开文件 " + Local("a.bin") + " 失败!（" + platform::ErrorText(EACCES) + "）"));
        EXPECT_EQ(transport->sent.size(), framesBefore);
        EXPECT_FALSE(link->IsTransferOpen());
    }

    link->SetTransferOk(1);
    platform::CFileFaults faults;
    faults.FailNth(platform::FileStep::Read, 1, isFile, EIO);
    ASSERT_EQ(1, link->DownloadFile(Local("a.bin"), "a.bin", 0));
    Feed(UnitFrame(4, OpenReply(true, 20000, 5)));
    EXPECT_EQ(faults.Failed(platform::FileStep::Read), 1);
    EXPECT_TRUE(report.Has("E:读文件 " + Local("a.bin") + " 失败!（" + platform::ErrorText(EIO) + "）"));
    EXPECT_FALSE(link->IsTransferOpen());
    EXPECT_EQ(0, link->TransferOk());
}

TEST_F(DeviceLinkTest, SendErrorClosesTheLink) {
    ConnectAndVerify();
    WriteBytes(dir / "a.bin", "abc");
    transport->sendOk = false;
    EXPECT_EQ(0, link->DownloadFile(Local("a.bin"), "a.bin", 0));
    EXPECT_FALSE(link->IsConnected());
    EXPECT_FALSE(link->IsTransferOpen());
    EXPECT_EQ(0, link->TransferOk());
    EXPECT_EQ((std::vector<std::string>{"S:下载本地文件 " + Local("a.bin") + " 远端保存为 a.bin",
                                        "E:发送数据出错，关闭端口!", "E:下载文件 a.bin错误!"}),
              report.Texts());
    report.Clear();
    CLinkFrame frame;
    frame.BuildHeader(1);
    EXPECT_EQ(0, link->SendFrame(frame, "x"));
    EXPECT_EQ(std::vector<std::string>{"E:网络未连接!"}, report.Texts());
}

TEST_F(DeviceLinkTest, UploadWithPacketGapAndLengthCheck) {
    ConnectAndVerify();
    ASSERT_EQ(1, link->UploadFile(Local("up.bin"), "远端.cfg"));
    const Bytes& open = transport->sent.back();
    EXPECT_EQ(1, open[29]);
    EXPECT_EQ(0, open[26]);
    Feed(UnitFrame(4, OpenReply(true, 12, 9)));
    EXPECT_EQ(5, transport->sent.back()[28]);
    EXPECT_EQ(9u, U32(transport->sent.back(), 29));
    EXPECT_EQ(1, transport->sent.back()[33]);
    Feed(UnitFrame(6, Packet(9, 1, 0, {'h', 'e', 'l', 'l', 'o'})));
    EXPECT_EQ(6, transport->sent.back()[28]);
    EXPECT_EQ(1, transport->sent.back()[33]);
    Feed(UnitFrame(6, Packet(9, 0, 2, {' ', 'w', 'o', 'r', 'l', 'd', '!'})));
    EXPECT_EQ(2, U16(transport->sent[transport->sent.size() - 2], 34)); // acknowledged with its number
    EXPECT_EQ(7, transport->sent.back()[28]);
    Feed(UnitFrame(11, {}));
    EXPECT_EQ("hello world!", ReadBytes(dir / "up.bin"));
    EXPECT_EQ(1, link->TransferOk());
    EXPECT_EQ((std::vector<std::string>{
                  "S:上载远端文件 远端.cfg 本地保存为 " + Local("up.bin"), "S:发送文件打开报文，读操作",
                  "S:发送文件就绪报文", "R:接收文件数据包0, 续包标志=1", "S:发送文件接收成功报文",
                  "R:接收文件数据包2, 续包标志=0", "E:数据包序号不连续!", "S:发送文件接收成功报文",
                  "S:关闭远端文件，长度为12字节", "E:up.bin传输成功"}),
              report.Texts());
    EXPECT_EQ((std::vector<std::uint32_t>{41, 100}), report.progress);

    // The unit announced more than it sent: not a success.
    report.Clear();
    link->SetTransferOk(1);
    ASSERT_EQ(1, link->UploadFile(Local("short.bin"), "x"));
    Feed(UnitFrame(4, OpenReply(true, 13, 10)));
    Feed(UnitFrame(6, Packet(10, 0, 0, {'1', '2'})));
    Feed(UnitFrame(11, {}));
    EXPECT_EQ(0, link->TransferOk());
    EXPECT_TRUE(report.Has("E:接收文件长度错误，远端文件长度为13字节，实际接收2字节!"));
    EXPECT_FALSE(report.Has("E:short.bin传输成功"));
}

TEST_F(DeviceLinkTest, UploadStopsAsSoonAsMoreArrivesThanAnnounced) {
    ConnectAndVerify();
    ASSERT_EQ(1, link->UploadFile(Local("up.bin"), "x"));
    Feed(UnitFrame(4, OpenReply(true, 10, 3)));
    Feed(UnitFrame(6, Packet(3, 1, 0, {'1', '2', '3', '4', '5'})));
    EXPECT_TRUE(link->IsTransferOpen());
    // 5 more bytes than announced: refused at once, the partial file removed.
    Feed(UnitFrame(6, Packet(3, 1, 1, Bytes(10, 'x'))));
    EXPECT_FALSE(link->IsTransferOpen());
    EXPECT_EQ(0, link->TransferOk());
    const Bytes& ack = transport->sent.back();
    EXPECT_EQ(6, ack[28]);
    EXPECT_EQ(0, ack[33]); // packet not taken
    EXPECT_EQ(1, U16(ack, 34));
    EXPECT_EQ("E:接收文件长度错误，远端文件长度为10字节，实际接收15字节!", testsupport::Back(report.Texts()));
    EXPECT_FALSE(std::filesystem::exists(dir / "up.bin"));
    // What keeps coming is not written anywhere and never counts as a success.
    const auto sent = transport->sent.size();
    Feed(UnitFrame(6, Packet(3, 0, 2, Bytes(100, 'y'))));
    Feed(UnitFrame(11, {}));
    EXPECT_EQ(sent, transport->sent.size());
    EXPECT_FALSE(std::filesystem::exists(dir / "up.bin"));
    EXPECT_FALSE(report.Has("E:up.bin传输成功"));
}

TEST_F(DeviceLinkTest, StepTheUnitNeverAnswersEndsAfterTheWait) {
    ConnectAndVerify();
    WriteBytes(dir / "d.bin", "data");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(1, link->DownloadFile(Local("d.bin"), "d.bin", 1));
    // The open is answered, the packet acknowledged; the close never is.
    Feed(UnitFrame(4, OpenReply(true, 0, 5)));
    Feed(UnitFrame(6, Packet(5, 1, 0)));
    ASSERT_EQ(7, transport->sent.back()[28]);
    const auto closeSent = std::chrono::steady_clock::now();
    EXPECT_TRUE(link->CheckStepWait(closeSent + CDeviceLink::kStepWait - std::chrono::seconds(1)));
    EXPECT_TRUE(link->IsTransferOpen());
    EXPECT_FALSE(link->CheckStepWait(closeSent + CDeviceLink::kStepWait + std::chrono::seconds(1)));
    EXPECT_FALSE(link->IsTransferOpen());
    EXPECT_EQ(0, link->TransferOk());
    EXPECT_EQ("E:等待装置应答超时(30秒)，文件传输失败!", testsupport::Back(report.Texts()));
    EXPECT_FALSE(report.Has("E:d.bin传输成功"));
    // A late close reply changes nothing; without a transfer there is nothing to wait for.
    Feed(UnitFrame(11, {}));
    EXPECT_EQ(0, link->TransferOk());
    EXPECT_FALSE(link->CheckStepWait(start + std::chrono::hours(1)));
    EXPECT_EQ(0, link->TransferOk());

    // An open that is never answered, with a short wait.
    link->SetTransferOk(1);
    link->SetStepWait(std::chrono::milliseconds(2000));
    ASSERT_EQ(1, link->UploadFile(Local("u.bin"), "u.bin"));
    EXPECT_FALSE(link->CheckStepWait(std::chrono::steady_clock::now() + std::chrono::seconds(3)));
    EXPECT_EQ("E:等待装置应答超时(2秒)，文件传输失败!", testsupport::Back(report.Texts()));
    EXPECT_FALSE(std::filesystem::exists(dir / "u.bin"));
}

TEST_F(DeviceLinkTest, BrokenLinkEndsTheTransfer) {
    ConnectAndVerify();
    ASSERT_EQ(1, link->UploadFile(Local("up.bin"), "x"));
    link->OnPeerClosed();
    EXPECT_FALSE(link->IsConnected());
    EXPECT_FALSE(link->IsTransferOpen());
    EXPECT_EQ(0, link->TransferOk());
    EXPECT_EQ(0, link->PasswordState());
    EXPECT_TRUE(report.Has("E:通讯中断，文件传输失败!"));

    ConnectAndVerify();
    ASSERT_EQ(1, link->UploadFile(Local("up2.bin"), "x"));
    const auto boxes = prompt.Count();
    link->OnReceiveError();
    EXPECT_FALSE(link->IsConnected());
    EXPECT_FALSE(link->IsTransferOpen());
    EXPECT_EQ(0, link->TransferOk());
    // The box comes after the socket's event, not inside it.
    EXPECT_EQ(boxes, prompt.Count());
    transport->RunPosted();
    EXPECT_EQ("接收数据出错!", prompt.LastText());
}

TEST_F(DeviceLinkTest, RestartSendsBoardAndCloses) {
    ASSERT_EQ(1, link->Connect());
    EXPECT_EQ(1, link->SendRestart(3));
    ASSERT_EQ(1u, transport->sent.size());
    ASSERT_EQ(29u, transport->sent[0].size());
    EXPECT_EQ(3, transport->sent[0][26]);
    EXPECT_EQ(2, transport->sent[0][28]);
    EXPECT_FALSE(link->IsConnected());
    EXPECT_EQ(0, link->SendRestart(3));
    EXPECT_TRUE(report.Has("E:发送重启命令失败"));
}

TEST_F(DeviceLinkTest, ProgressOfLargeFileDoesNotOverflow) {
    ConnectAndVerify();
    // 45 MB: 100 x bytes done passes 2^32 near the end.
    const auto path = dir / "big.bin";
    { std::ofstream f(path, std::ios::binary); }
    std::filesystem::resize_file(path, 45u * 1024 * 1024);
    ASSERT_EQ(1, link->DownloadFile(path.string(), "big.bin", 0));
    Feed(UnitFrame(4, OpenReply(true, 0, 1)));
    std::uint16_t n = 0;
    // Bounded: a link that never ends the transfer fails here instead of spinning.
    while (transport->sent.back()[28] == 6 && n < 10000) {
        transport->sent.erase(transport->sent.begin(), transport->sent.end() - 1);
        report.lines.clear();
        Feed(UnitFrame(6, Packet(1, 1, n++)));
    }
    EXPECT_EQ(4654, n);
    ASSERT_FALSE(report.progress.empty());
    EXPECT_TRUE(std::is_sorted(report.progress.begin(), report.progress.end()));
    EXPECT_EQ(100u, report.progress.back());
    EXPECT_EQ(99u, report.progress[report.progress.size() - 3]);
}

TEST_F(DeviceLinkTest, APacketsAnswerGoesOutBeforeItsMonitorLinesWhichKeepTheirOrder) {
    // Counts, for every line the report gets, the frames the unit had been sent by then.
    struct SendCounter : RecordingReport {
        void MonitorText(LinkColour colour, const std::string& text) override {
            sentBefore.push_back(transport->sent.size());
            RecordingReport::MonitorText(colour, text);
        }
        void MonitorBytes(LinkColour colour, const std::uint8_t* data, std::size_t size) override {
            sentBefore.push_back(transport->sent.size());
            RecordingReport::MonitorBytes(colour, data, size);
        }
        MemoryTransport* transport = nullptr;
        std::vector<std::size_t> sentBefore;
    };
    for (const bool sendFails : {false, true}) {
        SCOPED_TRACE(sendFails);
        SendCounter counter;
        auto owned = std::make_unique<MemoryTransport>();
        MemoryTransport* t = owned.get();
        link = std::make_unique<CDeviceLink>(std::move(owned), &counter);
        counter.transport = t;
        ASSERT_EQ(1, link->Connect());
        auto feed = [&](const Bytes& b) { link->OnData(b.data(), b.size()); };
        feed(UnitFrame(14, {1, 2, 3, 4}));
        feed(UnitFrame(15, {1}));
        link->SetTransferOk(1);
        ASSERT_EQ(1, link->UploadFile(Local("order.bin"), "o.cfg"));
        feed(UnitFrame(4, OpenReply(true, 10, 3)));
        counter.Clear();
        counter.sentBefore.clear();
        const std::size_t sent = t->sent.size();
        t->sendOk = !sendFails;
        feed(UnitFrame(6, Packet(3, 1, 0, {'a', 'b', 'c', 'd', 'e'})));
        if (!sendFails) {
            ASSERT_EQ(sent + 1, t->sent.size());
            EXPECT_EQ(6, t->sent.back()[28]);
            EXPECT_EQ((std::vector<std::string>{"R#", "R:接收文件数据包0, 续包标志=1",
                                                "S:发送文件接收成功报文", "S#"}),
                      counter.All());
        } else {
            EXPECT_EQ((std::vector<std::string>{"R#", "R:接收文件数据包0, 续包标志=1",
                                                "E:发送数据出错，关闭端口!", "E:发送文件接收成功报文失败!"}),
                      counter.All());
            EXPECT_FALSE(link->IsConnected());
        }
        // Every line came once the answer had been handed to the socket (or refused by it).
        ASSERT_FALSE(counter.sentBefore.empty());
        for (const std::size_t n : counter.sentBefore)
            EXPECT_EQ(sendFails ? sent : sent + 1, n);
        link.reset();
    }
}

TEST_F(DeviceLinkTest, AnUploadsFileBufferIsWrittenOutWholeAfterTheAnswerToThePacketThatFillsIt) {
    // The file's size when each packet's answer line comes (the answer has gone to the socket).
    struct SizeAtAnswer : RecordingReport {
        void MonitorText(LinkColour colour, const std::string& text) override {
            if (text == "发送文件接收成功报文") {
                std::error_code ec;
                sizes.push_back(std::filesystem::file_size(path, ec));
            }
            RecordingReport::MonitorText(colour, text);
        }
        std::filesystem::path path;
        std::vector<std::uintmax_t> sizes;
    };
    SizeAtAnswer sizes;
    sizes.path = dir / "big.bin";
    auto owned = std::make_unique<MemoryTransport>();
    MemoryTransport* t = owned.get();
    link = std::make_unique<CDeviceLink>(std::move(owned), &sizes);
    ASSERT_EQ(1, link->Connect());
    Feed(UnitFrame(14, {1, 2, 3, 4}));
    Feed(UnitFrame(15, {1}));
    link->SetTransferOk(1);
    const std::size_t packet = CDeviceLink::kPacketData;
    const std::size_t buffer = CDeviceLink::kFileBuffer;
    // Past two buffers, the last packet short.
    const std::size_t count = 2 * buffer / packet + 2;
    std::string all;
    for (std::size_t i = 0; i < count; ++i)
        all += std::string(i + 1 < count ? packet : 77, static_cast<char>('a' + i % 26));
    ASSERT_EQ(1, link->UploadFile(Local("big.bin"), "big.cfg"));
    Feed(UnitFrame(4, OpenReply(true, static_cast<std::uint32_t>(all.size()), 5)));
    std::size_t fed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t size = i + 1 < count ? packet : 77;
        const Bytes data(all.begin() + static_cast<std::ptrdiff_t>(fed),
                         all.begin() + static_cast<std::ptrdiff_t>(fed + size));
        const std::size_t before = fed / buffer * buffer; // in the file before this packet
        fed += size;
        Feed(UnitFrame(6, Packet(5, i + 1 < count ? 1 : 0, static_cast<std::uint16_t>(i), data)));
        ASSERT_EQ(1, t->sent[t->sent.size() - (i + 1 < count ? 1 : 2)][33]) << i; // taken
        // At the answer the file is as it was; after it, the buffers this packet filled are in it.
        ASSERT_EQ(i + 1, sizes.sizes.size());
        EXPECT_EQ(before, sizes.sizes.back()) << i;
        if (i + 1 < count) {
            EXPECT_EQ(fed / buffer * buffer, std::filesystem::file_size(dir / "big.bin")) << i;
        }
    }
    Feed(UnitFrame(11, {}));
    EXPECT_EQ(1, link->TransferOk());
    EXPECT_EQ(all, ReadBytes(dir / "big.bin"));
    link.reset();
}
