#pragma once
// The debugging program's worker thread. The menu commands post to it: a message to send, a file
// to download or upload; it waits on four manual-reset events (send, wake, download, upload) and
// carries each job over to the link's thread, where the link does the work. Posted messages are
// copied and queued, so none is lost and the poster need not keep them.
#include "debugger/core/DeviceMessage.h"

#include "platform/EventSet.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace quorvex {

class CDeviceLink;

class CNetMagThread {
public:
    enum Event { kSendMessage = 0, kWake = 1, kDownload = 2, kUpload = 3 };
    static constexpr int kWaitMs = 1000;

    using RunOnLinkThread = std::function<void(const std::function<void()>&)>;

    // currentLink is asked on the link's thread for the link of the moment (the program replaces
    // it when the connection parameters change; it may be null). runOnLinkThread runs a job there
    // and waits for it.
    CNetMagThread(std::function<CDeviceLink*()> currentLink, RunOnLinkThread runOnLinkThread);
    ~CNetMagThread();
    CNetMagThread(const CNetMagThread&) = delete;
    CNetMagThread& operator=(const CNetMagThread&) = delete;

    // Starts the thread; false when it cannot be started.
    bool Start();
    // Ends the thread and waits for it. While waiting, idle() runs now and then on the calling
    // thread, so that a job the worker is handing over to that thread can still run.
    void Stop(const std::function<void()>& idle = {});
    bool IsRunning() const { return running_; }

    // notSent runs on the link's thread when the message could not go (no link, or the link was
    // down or lost at the send).
    void PostSendMessage(const CDeviceMessage& message, std::function<void()> notSent = {});
    void PostDownloadFile(const std::string& path, const std::string& targetName, std::uint8_t board);
    void PostUploadFile(const std::string& fileName);

    // The events, for tests that fail the wait.
    platform::CEventSet& Events() { return events_; }

private:
    void Run();
    void OnLink(const std::function<void(CDeviceLink&)>& job);

    std::function<CDeviceLink*()> currentLink_;
    RunOnLinkThread runOnLinkThread_;
    platform::CEventSet events_{4};
    std::mutex mutex_;
    std::deque<std::pair<CDeviceMessage, std::function<void()>>> pending_;
    std::string path_, targetName_, uploadName_;
    std::uint8_t board_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
};

} // namespace quorvex
