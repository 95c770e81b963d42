#pragma once
// What the application needs of the communication worker thread: its nine manual-reset events,
// the file of a single-file download, and an orderly stop at exit.
#include "platform/EventSet.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace qxm7740 {

class INetWorker {
public:
    // The meaning of each event index.
    enum Event {
        kDownloadConfig = 0,
        kUploadConfig = 1,
        kSendFrame = 2,
        kResetOnly = 3,
        kDownloadFile = 4,
        kEventCount = 9 // 5 to 8 end the thread
    };

    virtual ~INetWorker() = default;
    virtual platform::CEventSet& Events() = 0;
    // The file of the next single-file download (event 4).
    virtual void SetDownloadFile(const std::string& localPath, const std::string& remoteName,
                                 std::uint8_t board) = 0;
    // Starts the thread; false when it cannot run.
    virtual bool Start() = 0;
    // Asks the thread to end after its current step.
    virtual void RequestStop() = 0;
    // Waits up to the time-out for the thread to have ended (and joins it); true when it has.
    virtual bool WaitStopped(std::chrono::milliseconds timeout) = 0;
};

} // namespace qxm7740
