#pragma once
// The configuration tool's connection to the communication unit ("管理机"): connect and close,
// frames in and out, the password challenge, one file transfer at a time in either direction, and
// the restart command. Every monitor line goes to the report sink. All state lives on the thread
// of the transport; the calls the worker thread makes are carried over to it and wait there.
#include "configtool/link/LinkFrame.h"
#include "configtool/link/LinkInterfaces.h"

#include "unitlink/FrameCutter.h"
#include "unitlink/LinkTransport.h"
#include "unitlink/RequestBodies.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qxm7740 {

class CDeviceLink : public unitlink::ILinkTransportEvents {
public:
    static constexpr int kRingSize = 32768;
    static constexpr int kPacketData = 10140;
    static constexpr int kBufferSize = 10240;
    // The buffer of the transfer's local file: one read or write of the file per 25 packets (an
    // upload writes it whole, at multiples of its size into the file).
    static constexpr std::size_t kFileBuffer = 1 << 18;
    static constexpr std::uint8_t kPasswordVerified = 255;

    enum State { kIdle = -1, kOpenSent = 4, kReadySent = 5, kDataPhase = 6, kCloseSent = 7 };
    enum Direction : std::uint8_t { kDownload = 0, kUpload = 1 };

    // report is observed and must outlive the link.
    CDeviceLink(std::unique_ptr<unitlink::ILinkTransport> transport, ILinkReport* report);
    ~CDeviceLink() override;
    CDeviceLink(const CDeviceLink&) = delete;
    CDeviceLink& operator=(const CDeviceLink&) = delete;

    void SetAddress(int port, const std::string& address);
    int Port() const { return port_; }
    const std::string& Address() const { return address_; }

    // These may be called from any thread; they run on the link's thread.
    int Connect();
    int Close();
    int SendFrame(const CLinkFrame& frame, const std::string& text);
    int DownloadFile(const std::string& localPath, const std::string& remoteName, std::uint8_t board);
    int UploadFile(const std::string& localPath, const std::string& remoteName);
    int SendRestart(std::uint8_t board);

    // State the worker polls.
    bool IsConnected() const { return connected_.load(); }
    int PasswordState() const { return passwordState_.load(); }
    bool IsTransferOpen() const { return fileOpen_.load(); }
    int TransferOk() const { return transferOk_.load(); }
    void SetTransferOk(int ok) { transferOk_ = ok; }
    // Progress reported during a transfer: base + span x done / length (span 0 reads as 100).
    void SetProgress(std::uint16_t base, std::uint16_t span) {
        progressBase_ = base;
        progressSpan_ = span;
    }

    // The most bytes the next upload may announce (never above the bound of every link): a job
    // that fetches several files gives each what is left of its whole. Read when the unit
    // announces the length, before a byte is written.
    void SetUploadLimit(std::uint32_t bytes) { uploadLimit_ = bytes; }
    // The length the unit announced for the last upload; -1 before it has answered the open.
    std::int64_t AnnouncedLength() const { return announced_.load(); }
    // Called on the link's thread each time an open connection closes (by either end), so that
    // whoever shows the link's state follows it.
    void SetClosedHandler(std::function<void()> handler) { closedHandler_ = std::move(handler); }

    // How long one step of a transfer (open, ready, a packet, the close) may wait for the unit.
    static constexpr std::chrono::milliseconds kStepWait{30000};
    void SetStepWait(std::chrono::milliseconds wait) { stepWait_ = wait; }
    // Called by whoever waits for a transfer: ends it with a failure line when the unit has not
    // answered its current step in time. False then (or when no transfer runs), else true.
    bool CheckStepWait(std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());

    // Transport events (on the link's thread).
    void OnReceive(const std::uint8_t* data, std::size_t size) override;
    std::uint8_t* ReceiveSpace(std::size_t& room) override { return cutter_.Space(room); }
    void OnReceivedInPlace(std::size_t size) override;
    void OnReceiveError() override;
    void OnPeerClosed() override;

    // Feeds received bytes through the frame cutter and handles every whole frame.
    void OnData(const std::uint8_t* data, std::size_t size);
    const unitlink::CFrameCutter& Cutter() const { return cutter_; }
    void ProcessFrame(const std::uint8_t* frame, std::size_t size);

    void EndTransfer(const std::string& text);
    void ResetTransfer();

    // Monitor lines. While a received frame is handled they are held back until its answer has
    // gone to the socket (or the handling ended), then handed to the report in their order: the
    // unit gets the answer without waiting for the monitor pane.
    void LogSent(const std::string& text);
    void LogSentBytes(const std::uint8_t* data, std::size_t size);
    void LogReceived(const std::string& text);
    void LogReceivedBytes(const std::uint8_t* data, std::size_t size);
    void LogError(const std::string& text);

private:
    int DoConnect();
    int DoClose();
    int DoSendFrame(const CLinkFrame& frame, const std::string& text);
    int DoDownloadFile(const std::string& localPath, const std::string& remoteName, std::uint8_t board);
    int DoUploadFile(const std::string& localPath, const std::string& remoteName);
    // False (with the reason logged) while the link is down, the password unverified or a file
    // still open; verb names the transfer in the message.
    bool CanStartTransfer(const char* verb);
    // Ends a transfer that could not start with the message; 0.
    int RefuseStart(const std::string& text);
    // Sends the open request once the local file is open: mode 0 writes to the unit, 1 reads.
    int SendOpenRequest(std::uint8_t mode, std::uint8_t board, const std::string& remoteName);
    int DoSendRestart(std::uint8_t board);

    void HandleFrame(const std::uint8_t* frame, std::size_t size);
    void HandleOpenReply(const unitlink::body::FileOpenReply& reply);
    void HandleDataFrame(const unitlink::body::FileDataFrame& data);
    void HandleCloseReply();
    int SendNextDataPacket(std::uint8_t board);
    int ReceiveDataPacket(const unitlink::body::FileDataFrame& data);
    int SendFileReady(std::uint8_t board);
    int SendCloseFile(std::uint8_t board);
    void SendPasswordResponse(const std::uint8_t* challenge);
    // A frame of the configuration tool's header around a body (type byte first); false when the
    // body does not fit.
    static bool BuildBodyFrame(CLinkFrame& frame, const std::vector<std::uint8_t>& body, std::uint8_t board);
    int SendAck(bool taken, std::uint16_t packet, const std::string& text);
    void FailTransfer(const std::string& text);
    // The length-error line of an upload that received `received` bytes.
    std::string LengthErrorText(std::int64_t received) const;
    void ReportProgress(int what);
    // A monitor line or dump held back while a received frame is handled.
    struct HeldLine {
        LinkColour colour = LinkColour::Error;
        bool bytes = false;
        std::string text;
        const std::uint8_t* data = nullptr; // the received frame, where it lies until it is handled
        std::size_t size = 0;
    };
    void Hold(LinkColour colour, const std::string& text);
    void ReleaseHeld();
    void SetFileBuffer();
    void CloseLocalFile();
    std::string LocalFileName() const;

    std::unique_ptr<unitlink::ILinkTransport> transport_;
    ILinkReport* report_;

    int port_ = 7000;
    std::string address_;
    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> fileBuffer_; // outlives every file it serves
    std::string localPath_;
    std::filesystem::path localFsPath_; // the same, made once per transfer for the fault seam
    std::size_t unflushed_ =
        0; // bytes of an upload written to the file's buffer since it was last written out
    bool writeFailed_ = false; // writing the buffer out after an answer failed
    std::uint8_t board_ = 0;
    std::string remoteName_;
    std::int32_t fileLength_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::int32_t fileId_ = 0;
    int state_ = kIdle;
    std::uint16_t packetNo_ = 0;
    std::int64_t bytesDone_ = 0;
    std::uint8_t direction_ = kDownload;
    std::atomic<std::uint16_t> progressSpan_{100};
    std::atomic<std::uint16_t> progressBase_{0};
    std::atomic<std::uint32_t> uploadLimit_{unitlink::kMaxTransferLength};
    std::atomic<std::int64_t> announced_{-1};
    std::function<void()> closedHandler_;
    unitlink::CFrameCutter cutter_{kRingSize, kRingSize, unitlink::CFrameCutter::Start::SearchSync};
    std::atomic<int> passwordState_{0};
    std::atomic<int> transferOk_{0};
    std::atomic<bool> connected_{false};
    std::atomic<bool> fileOpen_{false};
    unsigned closeCount_ = 0;
    std::chrono::milliseconds stepWait_ = kStepWait;
    std::chrono::steady_clock::time_point stepSince_{};
    bool holding_ = false;
    std::vector<HeldLine> held_; // its first heldCount_ entries are held; the rest keep their buffers
    std::size_t heldCount_ = 0;
    CLinkFrame answer_;      // the buffer of the frames a transfer sends, kept from frame to frame
    std::string lineBuffer_; // the monitor line of a received packet, kept from packet to packet
};

// A link on a TCP socket linked into the program, made on the user-interface thread (the program
// itself makes its link on a unitlink::CDeferredSocket, which loads the same socket when first used).
std::unique_ptr<CDeviceLink> MakeDeviceLink(ILinkReport* report);

} // namespace qxm7740
