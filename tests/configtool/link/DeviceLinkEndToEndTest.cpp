// The real device link with its TCP transport against the fake unit on 127.0.0.1. Jobs run on a
// worker thread the way the tool's worker runs them, while this thread carries the socket.
#include "configtool/link/DeviceLink.h"
#include "LinkTestSupport.h"
#include "platform/Text.h"
#include "tests/support/FakeUnit.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/ServeEvents.h"
#include "tests/support/TestFiles.h"
#include "unitlink/SocketFaults.h"

#include <atomic>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <random>
#include <thread>

using namespace qxm7740;

using namespace linktest;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(gen());
    return s;
}

// The fake unit with a store folder of its own.
struct UnitStore {
    TempDir store;
};
class FakeUnit : public UnitStore, public testsupport::FakeUnit {
public:
    explicit FakeUnit(const QStringList& faults, const QString& lifetime = "120")
        : testsupport::FakeUnit(store.Path(), faults, lifetime) {}
};

// Runs job on a worker thread while this thread handles the socket and the calls carried over.
template <class Job> void RunOnWorker(Job job) {
    testsupport::RunOnWorkerServing(job);
}

class EndToEnd : public ::testing::Test {
protected:
    void Start(const QStringList& faults = {}, const QString& lifetime = "120") {
        unit = std::make_unique<FakeUnit>(faults, lifetime);
        ASSERT_NE(0, unit->port) << "the fake unit did not start";
        link = MakeDeviceLink(&report);
        link->SetAddress(unit->port, "127.0.0.1");
        ASSERT_EQ(1, link->Connect());
    }
    void TearDown() override {
        if (link)
            link->Close();
        link.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        unit.reset();
    }

    // What the tool's worker does: wait for the password, start, then wait while the file is open.
    bool Transfer(bool download, const std::string& local, const std::string& remote,
                  std::uint8_t board = 0) {
        bool ok = false;
        RunOnWorker([&] {
            for (int i = 0; i < 20 && link->PasswordState() != CDeviceLink::kPasswordVerified; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            link->SetTransferOk(1);
            link->SetProgress(0, 100);
            if (!(download ? link->DownloadFile(local, remote, board) : link->UploadFile(local, remote)))
                return;
            for (int i = 0; i < 6000 && link->IsTransferOpen(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                link->CheckStepWait();
            }
            ok = !link->IsTransferOpen() && link->TransferOk() == 1;
        });
        return ok;
    }

    // The text lines from the first line of the last transfer on.
    std::vector<std::string> TransferLines() {
        auto t = report.Texts();
        auto it = std::find_if(t.rbegin(), t.rend(), [](const std::string& s) {
            return s.rfind("S:下载本地文件 ", 0) == 0 || s.rfind("S:上载远端文件 ", 0) == 0;
        });
        return it == t.rend() ? t : std::vector<std::string>(it.base() - 1, t.end());
    }

    testsupport::PromptRecorder prompt;
    RecordingReport report;
    std::unique_ptr<FakeUnit> unit;
    std::unique_ptr<CDeviceLink> link;
    TempDir local;
};

} // namespace

TEST_F(EndToEnd, DownloadsArriveByteIdentical) {
    Start();
    for (std::size_t size : {0u, 10140u, 10141u, 250000u}) {
        const std::string name = platform::StrFormat("d%zu.bin", size);
        const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
        WriteBytes(local / name, bytes);
        ASSERT_TRUE(Transfer(true, (local / name).string(), name)) << size;
        EXPECT_EQ(bytes, ReadBytes(unit->store / name)) << size;
    }
    EXPECT_EQ(0u, unit->Log().find("PORT"));
    EXPECT_EQ(std::string::npos, unit->Log().find("PROTOCOL")) << unit->Log();
    const auto texts = report.Texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"E:通讯建立!", "S:发送口令校验报文", "E:口令验证成功!"}),
              std::vector<std::string>(texts.begin(), texts.begin() + 3));
    EXPECT_EQ(25, std::count_if(texts.begin(), texts.end(), [](const std::string& s) {
                      return s.rfind("S:发送文件数据包", 0) == 0;
                  }) - 4); // 1 + 1 + 2 packets for the smaller files
    EXPECT_EQ(100u, report.progress.back());

    // Exact lines of a two-packet file, with a Chinese remote name.
    report.Clear();
    const std::string bytes = RandomBytes(10141, 7);
    WriteBytes(local / "两包.bin", bytes);
    ASSERT_TRUE(Transfer(true, (local / "两包.bin").string(), "远端文件.cfg", 2));
    EXPECT_EQ(bytes, ReadBytes(unit->store / "远端文件.cfg"));
    EXPECT_EQ((std::vector<std::string>{
                  "S:下载本地文件 " + (local / "两包.bin").string() + " 远端保存为 远端文件.cfg",
                  "S:发送文件打开报文，写操作", "S:发送文件数据包0, 续包标志=1",
                  "S:发送文件数据包1, 续包标志=0", "S:关闭远端文件，长度为10141字节", "E:两包.bin传输成功"}),
              report.Texts());
    EXPECT_NE(std::string::npos, unit->Log().find("OPEN WRITE 远端文件.cfg 10141"));
}

TEST_F(EndToEnd, UploadsArriveByteIdentical) {
    Start();
    for (std::size_t size : {0u, 10140u, 10141u, 250000u}) {
        const std::string name = platform::StrFormat("u%zu.bin", size);
        const std::string bytes = RandomBytes(size, static_cast<unsigned>(size) + 1);
        WriteBytes(unit->store / name, bytes);
        ASSERT_TRUE(Transfer(false, (local / name).string(), name)) << size;
        EXPECT_EQ(bytes, ReadBytes(local / name)) << size;
    }
    EXPECT_EQ((std::vector<std::string>{
                  "S:上载远端文件 u10141.bin 本地保存为 " + (local / "u10141.bin").string(),
                  "S:发送文件打开报文，读操作", "S:发送文件就绪报文", "R:接收文件数据包0, 续包标志=1",
                  "S:发送文件接收成功报文", "R:接收文件数据包1, 续包标志=0", "S:发送文件接收成功报文",
                  "S:关闭远端文件，长度为10141字节", "E:u10141.bin传输成功"}),
              [&] {
                  auto t = report.Texts();
                  auto from =
                      std::find(t.begin(), t.end(),
                                "S:上载远端文件 u10141.bin 本地保存为 " + (local / "u10141.bin").string());
                  auto to = std::find(from, t.end(), "E:u10141.bin传输成功");
                  return std::vector<std::string>(from, to == t.end() ? to : to + 1);
              }());
    EXPECT_EQ(std::string::npos, unit->Log().find("PROTOCOL")) << unit->Log();
}

// The unit a newcomer starts by hand (lifetime 0) runs until it is stopped: it takes a connection
// and a whole transfer.
TEST_F(EndToEnd, AUnitWithoutALifetimeRunsUntilStopped) {
    Start({}, "0");
    WriteBytes(local / "a.bin", RandomBytes(30000, 3));
    EXPECT_TRUE(Transfer(true, (local / "a.bin").string(), "a.bin"));
    EXPECT_EQ(ReadBytes(unit->store / "a.bin"), ReadBytes(local / "a.bin"));
    EXPECT_TRUE(unit->process.state() == QProcess::Running);
}

TEST_F(EndToEnd, PasswordNotConfirmed) {
    for (const char* fault : {"no-verify", "wrong-answer"}) {
        report.Clear();
        Start({fault});
        WriteBytes(local / "a.bin", "abc");
        EXPECT_FALSE(Transfer(true, (local / "a.bin").string(), "a.bin"));
        EXPECT_TRUE(report.Has("E:口令验证失败, 不能下载文件!")) << fault;
        EXPECT_FALSE(Transfer(false, (local / "b.bin").string(), "a.bin"));
        EXPECT_TRUE(report.Has("E:口令验证失败, 不能上载文件!")) << fault;
        EXPECT_FALSE(report.Has("E:口令验证成功!"));
        TearDown();
    }
}

TEST_F(EndToEnd, UnitRefusals) {
    WriteBytes(local / "big.bin", RandomBytes(25000, 1));
    WriteBytes(local / "one.bin", RandomBytes(100, 2));

    Start({"refuse-open"});
    EXPECT_FALSE(Transfer(true, (local / "big.bin").string(), "big.bin"));
    EXPECT_EQ("E:打开远程文件失败!", TransferLines().back());
    EXPECT_FALSE(Transfer(false, (local / "up.bin").string(), "big.bin"));
    EXPECT_EQ("E:打开远程文件失败!", TransferLines().back());
    TearDown();

    Start({"refuse-packet"});
    for (const char* name : {"big.bin", "one.bin"}) {
        EXPECT_FALSE(Transfer(true, (local / name).string(), name));
        EXPECT_EQ("E:下装过程中装置应答失败!", TransferLines().back()) << name;
    }
    // A file the unit does not have.
    EXPECT_FALSE(Transfer(false, (local / "none.bin").string(), "none.bin"));
    EXPECT_EQ("E:打开远程文件失败!", TransferLines().back());
}

TEST_F(EndToEnd, UploadFaults) {
    const std::string bytes = RandomBytes(35000, 3);
    Start({"gap"});
    WriteBytes(unit->store / "g.bin", bytes);
    EXPECT_TRUE(Transfer(false, (local / "g.bin").string(), "g.bin"));
    EXPECT_EQ(bytes, ReadBytes(local / "g.bin"));
    auto lines = TransferLines();
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "E:数据包序号不连续!"));
    EXPECT_EQ("E:g.bin传输成功", lines.back());
    TearDown();

    Start({"bad-length"});
    WriteBytes(unit->store / "g.bin", bytes);
    EXPECT_FALSE(Transfer(false, (local / "g2.bin").string(), "g.bin"));
    EXPECT_EQ("E:接收文件长度错误，远端文件长度为35001字节，实际接收35000字节!", TransferLines().back());
}

TEST_F(EndToEnd, UnitThatSendsMoreThanItAnnouncedIsStoppedAtOnce) {
    Start({"over-send"});
    const std::string bytes = RandomBytes(60000, 7);
    WriteBytes(unit->store / "o.bin", bytes);
    EXPECT_FALSE(Transfer(false, (local / "o.bin").string(), "o.bin"));
    // Stopped at the packet that ran past the 30000 announced bytes, not at the end.
    EXPECT_EQ("E:接收文件长度错误，远端文件长度为30000字节，实际接收30420字节!", TransferLines().back());
    EXPECT_FALSE(std::filesystem::exists(local / "o.bin"));
    EXPECT_FALSE(report.Has("E:o.bin传输成功"));
}

TEST_F(EndToEnd, UploadAnnouncedAboveTheSharedBoundIsRefusedBeforeAnyByte) {
    Start({"huge-length"});
    WriteBytes(unit->store / "h.bin", RandomBytes(20000, 9));
    EXPECT_FALSE(Transfer(false, (local / "h.bin").string(), "h.bin"));
    EXPECT_EQ("E:远程文件长度2147483647字节，超过上限104857600字节，不能上载!", TransferLines().back());
    // Nothing kept, and the unit was never told to start sending.
    EXPECT_FALSE(std::filesystem::exists(local / "h.bin"));
    EXPECT_FALSE(report.Has("S:发送文件就绪报文"));
}

TEST_F(EndToEnd, CloseTheUnitNeverAnswersFailsAfterTheStepWait) {
    Start({"no-close-reply"});
    link->SetStepWait(std::chrono::milliseconds(1000));
    WriteBytes(local / "c.bin", "never closed");
    EXPECT_FALSE(Transfer(true, (local / "c.bin").string(), "c.bin"));
    // The link's step wait of one second ended it (the line names the wait), not the default one.
    ASSERT_FALSE(TransferLines().empty());
    EXPECT_EQ("E:等待装置应答超时(1秒)，文件传输失败!", TransferLines().back());
    EXPECT_FALSE(report.Has("E:c.bin传输成功"));
    EXPECT_TRUE(link->IsConnected());
}

namespace {

// A prompt whose box stays open (a nested event loop, as a real box runs) until `until` holds or
// the bound runs out; records whether the condition or the bound closed it.
class HeldPrompt : public platform::IPrompt {
public:
    explicit HeldPrompt(std::function<bool()> until)
        : until_(std::move(until)), previous_(platform::CurrentPrompt()) {
        platform::SetPrompt(this);
    }
    ~HeldPrompt() override { platform::SetPrompt(previous_); }
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons) override {
        texts.push_back(text);
        QElapsedTimer t;
        t.start();
        while (!until_() && t.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        closedByCondition = until_();
        return platform::Answer::Ok;
    }
    std::vector<std::string> texts;
    bool closedByCondition = false;

private:
    std::function<bool()> until_;
    platform::IPrompt* previous_;
};

} // namespace

TEST_F(EndToEnd, FramesKeepFlowingWhileABoxIsHeldOpen) {
    Start({"split"});
    const std::string bytes = RandomBytes(200000, 11);
    WriteBytes(unit->store / "h.bin", bytes);
    std::atomic<bool> started{false};
    HeldPrompt held([&] { return started && !link->IsTransferOpen(); });
    // A box opens on the user-interface thread while the transfer runs and stays open until the
    // transfer has ended: every packet is received and acknowledged under it.
    QTimer::singleShot(0, [&] { platform::MessageBox("held open"); });
    bool ok = false;
    RunOnWorker([&] {
        for (int i = 0; i < 20 && link->PasswordState() != CDeviceLink::kPasswordVerified; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        link->SetTransferOk(1);
        if (!link->UploadFile((local / "h.bin").string(), "h.bin"))
            return;
        started = true;
        for (int i = 0; i < 4000 && link->IsTransferOpen(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ok = !link->IsTransferOpen() && link->TransferOk() == 1;
    });
    // The box was up while the transfer ran, and the transfer's end closed it.
    QElapsedTimer t;
    t.start();
    while (held.texts.empty() && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(std::vector<std::string>{"held open"}, held.texts);
    EXPECT_TRUE(held.closedByCondition);
    EXPECT_TRUE(ok);
    EXPECT_EQ(bytes, ReadBytes(local / "h.bin"));
    EXPECT_TRUE(link->IsConnected());
    EXPECT_EQ("E:h.bin传输成功", TransferLines().back());
}

TEST_F(EndToEnd, GarbageAndSplitFrames) {
    Start({"garbage", "split"});
    const std::string bytes = RandomBytes(25000, 4);
    WriteBytes(local / "s.bin", bytes);
    ASSERT_TRUE(Transfer(true, (local / "s.bin").string(), "s.bin"));
    EXPECT_EQ(bytes, ReadBytes(unit->store / "s.bin"));
    ASSERT_TRUE(Transfer(false, (local / "back.bin").string(), "s.bin"));
    EXPECT_EQ(bytes, ReadBytes(local / "back.bin"));
    // Junk never reaches the frame handler as a frame.
    for (const auto& t : report.Texts())
        EXPECT_EQ(std::string::npos, t.find("接收到")) << t;
}

TEST_F(EndToEnd, RestartSendsBoardAndDropsTheLink) {
    Start();
    int result = 0;
    RunOnWorker([&] { result = link->SendRestart(4); });
    EXPECT_EQ(1, result);
    EXPECT_FALSE(link->IsConnected());
    QElapsedTimer t;
    t.start();
    while (unit->Log().find("RESTART") == std::string::npos && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_NE(std::string::npos, unit->Log().find("RESTART board=4"));
    // The link connects again afterwards.
    ASSERT_EQ(1, link->Connect());
    WriteBytes(local / "a.bin", "after restart");
    EXPECT_TRUE(Transfer(true, (local / "a.bin").string(), "a.bin"));
}

TEST_F(EndToEnd, UnitGoneWhileTransferring) {
    Start();
    WriteBytes(unit->store / "g.bin", RandomBytes(5000000, 5));
    bool ok = true;
    RunOnWorker([&] {
        for (int i = 0; i < 30 && link->PasswordState() != CDeviceLink::kPasswordVerified; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        link->SetTransferOk(1);
        if (link->UploadFile((local / "g.bin").string(), "g.bin"))
            unit->process.kill();
        for (int i = 0; i < 600 && link->IsTransferOpen(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ok = link->IsTransferOpen() || link->TransferOk() == 1;
    });
    // The transfer fails visibly instead of staying open for ever.
    EXPECT_FALSE(ok);
    EXPECT_FALSE(link->IsConnected());
    const auto texts = report.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ((std::vector<std::string>{"E:通讯中断，文件传输失败!", "E:通讯中断!"}),
              std::vector<std::string>(texts.end() - 2, texts.end()));
}

TEST_F(EndToEnd, DownloadWhoseSendsTheSystemTakesInPartsArrivesByteIdentical) {
    Start();
    const std::string bytes = RandomBytes(25000, 11);
    WriteBytes(local / "p.bin", bytes);
    unitlink::CSocketFaults faults;
    faults.LimitSendsFrom(1, 1000); // every send of a frame takes at most 1000 bytes at a time
    ASSERT_TRUE(Transfer(true, (local / "p.bin").string(), "p.bin"));
    EXPECT_GT(faults.Limited(), 0);
    EXPECT_EQ(bytes, ReadBytes(unit->store / "p.bin"));
    EXPECT_EQ(std::string::npos, unit->Log().find("PROTOCOL")) << unit->Log();
}

TEST_F(EndToEnd, DownloadWhoseSendFailsIsToldAndTheLinkIsClosed) {
    for (int err : {EPIPE, ECONNRESET}) {
        SCOPED_TRACE(err);
        Start();
        report.Clear();
        const std::string bytes = RandomBytes(25000, 12);
        WriteBytes(local / "f.bin", bytes);
        unitlink::CSocketFaults faults;
        // The open request goes; the first data packet's send fails as if the unit were gone.
        faults.FailNth(unitlink::SocketStep::Send, 2, err);
        EXPECT_FALSE(Transfer(true, (local / "f.bin").string(), "f.bin"));
        EXPECT_EQ(faults.Failed(unitlink::SocketStep::Send), 1);
        EXPECT_FALSE(link->IsConnected());
        const auto texts = report.Texts();
        EXPECT_NE(std::find(texts.begin(), texts.end(), "E:发送数据出错，关闭端口!"), texts.end());
        // The local file is untouched, and the unit did not take a frame of it for another.
        EXPECT_EQ(bytes, ReadBytes(local / "f.bin"));
        EXPECT_EQ(std::string::npos, unit->Log().find("PROTOCOL")) << unit->Log();
        link.reset();
        unit.reset();
    }
}

TEST(LinkProbe, ExitCodeTellsSuccess) {
    TempDir local;
    const std::string bytes = RandomBytes(30000, 6);
    WriteBytes(local / "p.bin", bytes);
    auto run = [&](FakeUnit& unit, QStringList args, std::string* out = nullptr) {
        QProcess probe;
        args.prepend(QString::number(unit.port));
        args.prepend("127.0.0.1");
        probe.start(QString::fromStdString((testsupport::TestToolsDir() / "linkprobe").string()), args);
        EXPECT_TRUE(probe.waitForFinished(30000));
        if (out)
            *out = probe.readAllStandardOutput().toStdString();
        return probe.exitStatus() == QProcess::NormalExit ? probe.exitCode() : -1;
    };
    {
        FakeUnit unit({});
        ASSERT_NE(0, unit.port);
        std::string out;
        EXPECT_EQ(0, run(unit, {"download", QString::fromStdString((local / "p.bin").string()), "p.bin", "3"},
                         &out));
        EXPECT_NE(std::string::npos, out.find("[error] p.bin传输成功\n")) << out;
        EXPECT_NE(std::string::npos, out.find("[sent] 发送文件数据包2, 续包标志=0\n"));
        EXPECT_NE(std::string::npos, out.find("[received] 90 eb ")); // frames as hex dumps
        EXPECT_EQ(bytes, ReadBytes(unit.store / "p.bin"));
        EXPECT_EQ(0, run(unit, {"upload", "p.bin", QString::fromStdString((local / "back.bin").string())}));
        EXPECT_EQ(bytes, ReadBytes(local / "back.bin"));
        EXPECT_EQ(0, run(unit, {"restart", "9"}));
        EXPECT_NE(std::string::npos, unit.Log().find("RESTART board=9"));
        EXPECT_EQ(2, run(unit, {"restart"}));
    }
    {
        // A long transfer: the first and the last entries, a line counting those between, and
        // the summary; --frames, wherever it stands, prints every packet.
        FakeUnit unit({});
        const std::string big = RandomBytes(40 * 10140 + 5, 7);
        WriteBytes(local / "big.bin", big);
        const QString path = QString::fromStdString((local / "big.bin").string());
        std::string out;
        EXPECT_EQ(0, run(unit, {"download", path, "big.bin"}, &out));
        EXPECT_EQ(big, ReadBytes(unit.store / "big.bin"));
        EXPECT_NE(std::string::npos, out.find("[sent] 发送文件数据包0, 续包标志=1\n")) << out;
        EXPECT_EQ(std::string::npos, out.find("[sent] 发送文件数据包20, 续包标志=1\n")) << out;
        EXPECT_NE(std::string::npos, out.find("[sent] 发送文件数据包40, 续包标志=0\n")) << out;
        EXPECT_NE(std::string::npos, out.find("not shown\n[")) << out;
        EXPECT_NE(std::string::npos, out.find("[error] big.bin传输成功\n"));
        EXPECT_NE(std::string::npos, out.find("[probe] 405605 bytes in "));
        EXPECT_NE(std::string::npos, out.find(" not shown (--frames shows each)\n"));
        std::string each;
        EXPECT_EQ(0, run(unit, {"download", path, "big.bin", "--frames"}, &each));
        for (int packet = 0; packet <= 40; ++packet)
            EXPECT_NE(std::string::npos,
                      each.find(platform::StrFormat("[sent] 发送文件数据包%d, 续包标志=%d\n", packet,
                                                    packet < 40 ? 1 : 0)))
                << packet;
        EXPECT_EQ(std::string::npos, each.find("not shown"));
        EXPECT_GT(each.size(), out.size());
        EXPECT_EQ(
            0, run(unit, {"--frames", "upload", "big.bin", QString::fromStdString((local / "b2").string())}));
        EXPECT_EQ(big, ReadBytes(local / "b2"));
    }
    {
        FakeUnit unit({"refuse-packet"});
        std::string out;
        EXPECT_EQ(1,
                  run(unit, {"download", QString::fromStdString((local / "p.bin").string()), "p.bin"}, &out));
        EXPECT_NE(std::string::npos, out.find("[error] 下装过程中装置应答失败!\n")) << out;
    }
}
