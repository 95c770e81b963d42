// The worker thread: posted messages, downloads and uploads are carried over to the link's
// thread (here the test's own thread, pumping jobs) and sent there, none lost, in order.
#include "tests/debugger/core/QuorvexTestSupport.h"

#include "debugger/core/DeviceRequests.h"
#include "debugger/core/NetMagThread.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>

using namespace quorvex;
using qtest::Bytes;
using qtest::LinkRig;

namespace {

// Jobs handed to the "link thread" wait until that thread pumps them.
class JobPump {
public:
    void Run(const std::function<void()>& fn) {
        std::promise<void> done;
        auto finished = done.get_future();
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back({fn, &done});
        }
        cv_.notify_all();
        finished.wait();
    }
    // Runs the jobs that are waiting; true when there was one.
    bool PumpOnce() {
        std::unique_lock lock(mutex_);
        if (jobs_.empty())
            return false;
        auto job = jobs_.front();
        jobs_.pop_front();
        lock.unlock();
        job.first();
        job.second->set_value();
        return true;
    }
    bool PumpUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            if (!PumpOnce()) {
                std::unique_lock lock(mutex_);
                cv_.wait_for(lock, std::chrono::milliseconds(5));
            }
        }
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::pair<std::function<void()>, std::promise<void>*>> jobs_;
};

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig.Connect();
        worker = std::make_unique<CNetMagThread>([this] { return link; },
                                                 [this](const std::function<void()>& fn) { pump.Run(fn); });
        ASSERT_TRUE(worker->Start());
    }
    void TearDown() override {
        worker->Stop([this] { pump.PumpOnce(); });
    }

    testsupport::PromptRecorder prompts;
    LinkRig rig;
    CDeviceLink* link = rig.link.get();
    JobPump pump;
    std::unique_ptr<CNetMagThread> worker;
};

} // namespace

TEST_F(WorkerTest, EveryPostedMessageIsSentInOrder) {
    for (std::uint8_t board = 0; board < 5; ++board)
        worker->PostSendMessage(requests::Restart(board));
    ASSERT_TRUE(pump.PumpUntil([&] { return rig.transport->Sent().size() == 5; }));
    const auto sent = rig.transport->Sent();
    for (std::uint8_t i = 0; i < 5; ++i) {
        EXPECT_EQ(sent[i][26], i);
        EXPECT_EQ(unitlink::GetU16(sent[i].data() + 16), i);
    }
}

TEST_F(WorkerTest, DownloadAndUploadStartOnTheLinkThread) {
    testsupport::WriteBytes(rig.dir / "f.bin", "abc");
    worker->PostDownloadFile((rig.dir / "f.bin").string(), "/f.bin", 3);
    ASSERT_TRUE(pump.PumpUntil([&] { return rig.transport->Sent().size() == 1; }));
    EXPECT_EQ(rig.transport->Sent()[0][26], 3);
    EXPECT_EQ(rig.transport->Bodies()[0][0], 4);
    EXPECT_EQ(rig.link->TransferDirection(), CDeviceLink::kDownload);
    EXPECT_EQ(rig.shell.timers[kTimerTransfer], 4000);

    worker->PostUploadFile("/g.txt");
    ASSERT_TRUE(pump.PumpUntil([&] { return rig.transport->Sent().size() == 2; }));
    EXPECT_EQ(rig.transport->Sent()[1][26], 0);
    EXPECT_EQ(rig.transport->Bodies()[1][1], 1);
    EXPECT_EQ(rig.link->TransferDirection(), CDeviceLink::kUpload);
}

TEST_F(WorkerTest, StoppingWhileAJobWaitsAndWithoutALink) {
    worker->PostSendMessage(requests::CommStatusDevices());
    // A job that is being handed over when the worker is told to stop still runs: no deadlock.
    worker->Stop([this] { pump.PumpOnce(); });
    EXPECT_FALSE(worker->IsRunning());
    worker->Stop();

    link = nullptr;
    worker = std::make_unique<CNetMagThread>([this] { return link; },
                                             [this](const std::function<void()>& fn) { pump.Run(fn); });
    ASSERT_TRUE(worker->Start());
    worker->PostSendMessage(requests::CommStatusPorts());
    ASSERT_TRUE(pump.PumpUntil([&] { return !worker->Events().IsSet(CNetMagThread::kSendMessage); }));
    EXPECT_LE(rig.transport->Sent().size(), 1u);
    EXPECT_TRUE(prompts.Texts().empty());
}

// A message that cannot go (the link refuses it, or there is none) is reported to its poster on
// the link's thread; one that goes is not.
TEST_F(WorkerTest, AMessageThatCannotGoIsReported) {
    int notSent = 0;
    worker->PostSendMessage(requests::CommStatusPorts(), [&] { ++notSent; });
    ASSERT_TRUE(pump.PumpUntil([&] { return rig.transport->Sent().size() == 1; }));
    rig.transport->sendOk = false;
    worker->PostSendMessage(requests::CommStatusPorts(), [&] { ++notSent; });
    ASSERT_TRUE(pump.PumpUntil([&] { return notSent == 1; }));
    link = nullptr;
    worker->PostSendMessage(requests::CommStatusPorts(), [&] { ++notSent; });
    ASSERT_TRUE(pump.PumpUntil([&] { return notSent == 2; }));
    EXPECT_EQ(rig.transport->Sent().size(), 1u);
}
