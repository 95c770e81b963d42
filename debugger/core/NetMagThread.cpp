#include "debugger/core/NetMagThread.h"

#include "debugger/core/DeviceLink.h"

#include "platform/Prompt.h"

#include <chrono>
#include <system_error>

namespace quorvex {

CNetMagThread::CNetMagThread(std::function<CDeviceLink*()> currentLink, RunOnLinkThread runOnLinkThread)
    : currentLink_(std::move(currentLink)), runOnLinkThread_(std::move(runOnLinkThread)) {}

CNetMagThread::~CNetMagThread() {
    Stop();
}

bool CNetMagThread::Start() {
    if (thread_.joinable())
        return false;
    stop_ = false;
    try {
        running_ = true;
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        running_ = false;
        return false;
    }
    return true;
}

void CNetMagThread::Stop(const std::function<void()>& idle) {
    if (!thread_.joinable())
        return;
    stop_ = true;
    events_.Set(kWake);
    while (running_) {
        if (idle)
            idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    thread_.join();
}

void CNetMagThread::PostSendMessage(const CDeviceMessage& message, std::function<void()> notSent) {
    {
        std::lock_guard lock(mutex_);
        pending_.emplace_back(message, std::move(notSent));
    }
    events_.Set(kSendMessage);
}

void CNetMagThread::PostDownloadFile(const std::string& path, const std::string& targetName,
                                     std::uint8_t board) {
    {
        std::lock_guard lock(mutex_);
        path_ = path;
        targetName_ = targetName;
        board_ = board;
    }
    events_.Set(kDownload);
}

void CNetMagThread::PostUploadFile(const std::string& fileName) {
    {
        std::lock_guard lock(mutex_);
        uploadName_ = fileName;
    }
    events_.Set(kUpload);
}

void CNetMagThread::OnLink(const std::function<void(CDeviceLink&)>& job) {
    runOnLinkThread_([&] {
        if (CDeviceLink* link = currentLink_())
            job(*link);
    });
}

void CNetMagThread::Run() {
    while (!stop_) {
        const int index = events_.WaitAny(std::chrono::milliseconds(kWaitMs));
        if (stop_)
            break;
        if (index == platform::CEventSet::kTimeout)
            continue;
        switch (index) {
        case kSendMessage: {
            events_.Reset(kSendMessage);
            for (;;) {
                std::pair<CDeviceMessage, std::function<void()>> job;
                {
                    std::lock_guard lock(mutex_);
                    if (pending_.empty())
                        break;
                    job = std::move(pending_.front());
                    pending_.pop_front();
                }
                runOnLinkThread_([&] {
                    CDeviceLink* link = currentLink_();
                    if ((!link || link->SendMessage(job.first) != 1) && job.second)
                        job.second();
                });
            }
            break;
        }
        case kWake:
            events_.Reset(kWake);
            break;
        case kDownload: {
            events_.Reset(kDownload);
            std::string path, name;
            std::uint8_t board;
            {
                std::lock_guard lock(mutex_);
                path = path_;
                name = targetName_;
                board = board_;
            }
            OnLink([&](CDeviceLink& link) { link.StartDownload(path, name, board); });
            break;
        }
        case kUpload: {
            events_.Reset(kUpload);
            std::string name;
            {
                std::lock_guard lock(mutex_);
                name = uploadName_;
            }
            OnLink([&](CDeviceLink& link) { link.StartUpload(name, 0); });
            break;
        }
        default:
            runOnLinkThread_([] { platform::MessageBox("通讯线程发生严重错误!"); });
            running_ = false;
            return;
        }
    }
    running_ = false;
}

} // namespace quorvex
