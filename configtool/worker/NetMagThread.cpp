#include "configtool/worker/NetMagThread.h"

#include "configtool/worker/JobFiles.h"
#include "platform/FileFaults.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ConfigFileNames.h"
#include "projectmodel/FolderHelpers.h"
#include "projectmodel/LibraryFileBounds.h"
#include "projectmodel/ProjectContext.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace qxm7740 {

namespace fs = std::filesystem;
using platform::StrFormat;
using namespace jobfiles;

CNetMagThread::CNetMagThread(std::unique_ptr<INetMagHost> host) : m_host(std::move(host)) {}

CNetMagThread::~CNetMagThread() {
    RequestStop();
    if (m_thread.joinable())
        m_thread.join();
    for (std::size_t i = 0; i < kEventCount; ++i)
        m_events.Reset(i);
}

void CNetMagThread::SetDownloadFile(const std::string& localPath, const std::string& remoteName,
                                    std::uint8_t board) {
    std::lock_guard lock(m_mutex);
    m_strLocalPath = localPath;
    m_strRemoteName = remoteName;
    m_board = board;
}

void CNetMagThread::SetHeldFrame(const CLinkFrame& frame) {
    std::lock_guard lock(m_mutex);
    m_heldFrame = frame;
}

bool CNetMagThread::Start() {
    if (m_thread.joinable())
        return true;
    m_stop = false;
    m_done = false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CNetMagThread::RequestStop() {
    m_stop = true;
    // Wakes the wait; the stop flag tells this end from the error events.
    m_events.Set(5);
}

bool CNetMagThread::WaitStopped(std::chrono::milliseconds timeout) {
    if (!m_thread.joinable())
        return true;
    std::unique_lock lock(m_doneMutex);
    if (!m_doneCv.wait_for(lock, timeout, [this] { return m_done; }))
        return false;
    lock.unlock();
    m_thread.join();
    return true;
}

void CNetMagThread::Run() {
    while (!Stopping()) {
        m_pLink = m_host->GetLink();
        const int event = m_events.WaitAny(std::chrono::milliseconds(1000));
        if (Stopping())
            break;
        if (event == platform::CEventSet::kTimeout)
            continue;
        std::atomic<int>& idle = m_host->IdleFlag();
        m_pLink = m_host->GetLink();
        if (event == kDownloadConfig || event == kUploadConfig || event == kDownloadFile) {
            m_events.Reset(static_cast<std::size_t>(event));
            idle = 0;
            const int result = RunJob(event);
            idle = 1;
            m_host->JobDone(event, result);
        } else if (event == kSendFrame) {
            m_events.Reset(kSendFrame);
            idle = 0;
            std::optional<CLinkFrame> frame;
            {
                std::lock_guard lock(m_mutex);
                frame = m_heldFrame;
            }
            const int result = (frame && m_pLink) ? m_pLink->SendFrame(*frame, {}) : 0;
            idle = 1;
            m_host->JobDone(event, result);
        } else if (event == kResetOnly) {
            m_events.Reset(kResetOnly);
        } else {
            platform::MessageBox("通讯线程发生严重错误!");
            break;
        }
    }
    std::lock_guard lock(m_doneMutex);
    m_done = true;
    m_doneCv.notify_all();
}

int CNetMagThread::RunJob(int event) {
    m_boxShown = false;
    int result = 0;
    if (event == kDownloadConfig) {
        result = DownloadConfig();
    } else if (event == kUploadConfig) {
        result = UploadConfig();
        if (!result)
            m_host->Report().CloseWait();
    } else {
        result = DownloadOneFile();
    }
    // A failed job is told in the monitor pane, which must then be in view; every job ends in a
    // box that says how it ended, unless the job showed its own or the program is ending.
    if (!result)
        m_host->ShowMonitor();
    if (!m_boxShown && !Stopping()) {
        const std::string text = EndingText(event, result);
        if (!text.empty())
            platform::MessageBox(text, {}, result ? platform::Icon::None : platform::Icon::Warning);
    }
    return result;
}

std::string CNetMagThread::EndingText(int event, int result) {
    switch (event) {
    case kDownloadConfig:
        return result ? "新组态下装成功，请重启装置!" : "组态下装失败，详见监视窗口！";
    case kUploadConfig:
        return result ? "组态上装成功！" : "组态上装失败，详见监视窗口！";
    case kDownloadFile:
        return result ? "文件下装成功！" : "文件下装失败，详见监视窗口！";
    default:
        return {};
    }
}

void CNetMagThread::JobBox(const char* text, const char* caption, platform::Icon icon) {
    m_boxShown = true;
    platform::MessageBox(text, caption ? caption : "", icon);
}

// ---- Steps ---------------------------------------------------------------------------------------

void CNetMagThread::Step(int span, int limit) {
    m_progress.base = std::min(m_progress.base + m_progress.span, limit - 1);
    // The link reads a span of 0 as 100, so each step keeps at least 1.
    m_progress.span = std::max(1, std::min(span, limit - m_progress.base));
    if (m_pLink)
        m_pLink->SetProgress(static_cast<std::uint16_t>(m_progress.base),
                             static_cast<std::uint16_t>(m_progress.span));
}

void CNetMagThread::EndStep() {
    m_host->Report().Progress(3, static_cast<std::uint32_t>(m_progress.base + m_progress.span));
}

void CNetMagThread::WaitText(const std::string& text) {
    m_host->Report().WaitText(text);
}

void CNetMagThread::ErrorLine(const std::string& text) {
    m_host->ShowMonitor();
    m_host->Report().MonitorText(LinkColour::Error, text);
}

void CNetMagThread::LogLine(const std::string& text) {
    m_host->Log().WriteLog(text);
}

bool CNetMagThread::Sleep() {
    std::this_thread::sleep_for(m_poll);
    ++m_pollSteps;
    return !Stopping();
}

bool CNetMagThread::WaitPassword() {
    for (int i = 0; i < 10; ++i) {
        if (!Sleep())
            return false;
        if (m_pLink && m_pLink->PasswordState() == CDeviceLink::kPasswordVerified)
            return true;
    }
    ErrorLine("口令验证失败!");
    return false;
}

bool CNetMagThread::WaitTransfer() {
    while (m_pLink && m_pLink->IsTransferOpen()) {
        if (!Sleep())
            return false;
        if (m_host->WaitDialogFlag() == 0)
            return false;
        // A step the unit never answers ends the transfer as failed (the link says so).
        m_pLink->CheckStepWait();
    }
    // A dialog closed while a short transfer ran ends the job too.
    return m_host->WaitDialogFlag() != 0 && !Stopping();
}

// ---- One file ----------------------------------------------------------------------------------

int CNetMagThread::DownloadOneFile() {
    std::string local, remote;
    std::uint8_t board = 0;
    {
        std::lock_guard lock(m_mutex);
        local = m_strLocalPath;
        remote = m_strRemoteName;
        board = m_board;
    }
    m_pLink = m_host->GetLink();
    if (!m_pLink)
        return 0;
    m_pLink->SetProgress(0, 100);
    m_host->Report().OpenWait(0, "正在下装文件\n" + local);
    m_pLink->SetTransferOk(1);
    int result = m_pLink->DownloadFile(local, remote, board);
    // The same wait as the configuration jobs: a step the unit never answers ends the transfer.
    result = result && WaitTransfer();
    result = result && !m_pLink->IsTransferOpen() && m_pLink->TransferOk();
    m_host->Report().CloseWait();
    return result;
}

} // namespace qxm7740
