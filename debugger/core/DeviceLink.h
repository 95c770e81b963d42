#pragma once
// The debugging program's connection to the communication unit: the frame codec shared with the
// other programs, sending from either thread, the receive ring, connect and disconnect, the
// heartbeat and supervision timers, the file download and upload, and the debug log. Received
// messages of the unit go to the answer dispatcher, IEC 103 ASDUs to the IEC 103 handler.
#include "debugger/core/DeviceMessage.h"
#include "debugger/core/LogFiles.h"
#include "debugger/core/QuorvexData.h"
#include "debugger/core/QuorvexShell.h"

#include "platform/Prompt.h"
#include "unitlink/FrameCutter.h"
#include "unitlink/FrameLayout.h"
#include "unitlink/LinkDrop.h"
#include "unitlink/LinkTransport.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quorvex {

class CAnswerDispatcher;
class CIec103Handler;

class CDeviceLink : public unitlink::ILinkTransportEvents {
public:
    static constexpr int kRingSize = 30720;
    static constexpr int kDefaultPort = 7001;
    static constexpr std::uint32_t kChunkSize = 10204;
    static constexpr std::uint32_t kMaxDownload = 100000000;
    static constexpr std::uint32_t kMaxAnnounced = unitlink::kMaxTransferLength;
    static constexpr int kTransferWaitMs = 4000;
    static constexpr const char* kDefaultAddress = "192.168.1.100";

    enum Direction : std::uint8_t { kNoTransfer = 0, kUpload = 1, kDownload = 2 };
    enum ManualFlags : std::uint8_t { kDbSetting = 1, kTabSetting = 2 };
    enum GroupReadState : std::uint16_t { kReadIdle = 0, kReadDescriptions = 1, kReadValues = 2 };

    // The reference table whose manual setting or cancel is awaited.
    struct TableKey {
        std::uint8_t board = 0; // from 1
        std::uint8_t portType = 0;
        std::uint8_t port = 0; // from 1
        std::uint8_t table = 0;
        bool operator==(const TableKey&) const = default;
    };

    // shell and data are observed and must outlive the link. The unit's address comes from key
    // IP_ADDR of section "TCP Config" in settingsFile ("CFG_TOOL.INI").
    CDeviceLink(std::unique_ptr<unitlink::ILinkTransport> transport, IQuorvexShell* shell, CQuorvexData* data,
                const std::filesystem::path& settingsFile);
    ~CDeviceLink() override;
    CDeviceLink(const CDeviceLink&) = delete;
    CDeviceLink& operator=(const CDeviceLink&) = delete;

    static std::string ReadAddress(const std::filesystem::path& settingsFile);

    void SetAddress(const std::string& address, int port);
    const std::string& Address() const { return address_; }
    int Port() const { return port_; }

    int Connect();
    int Disconnect();
    // The application's 建立连接 and 断开连接 commands as the link's timers and answers run them.
    void ConnectCommand();
    void DisconnectCommand();

    bool IsConnected() const { return connected_; }
    std::uint16_t Sequence() const { return sequence_; }

    // 1 sent, 0 not connected or the send failed. Any thread; frames never interleave. A failed
    // send loses the connection (see OnPeerClosed) and is noted once for it.
    int SendMessage(const CDeviceMessage& message);
    // The heartbeat (timer 0).
    void SendPoll();
    // Received bytes: into the ring, then every whole frame is handled. 1 when all was handled.
    int AppendData(const std::uint8_t* data, std::size_t size);
    std::uint32_t ComputeAuthAnswer(const std::uint8_t challenge[4]) const;

    // File transfer (started by the worker). 1 started, 0 refused (the reason shown).
    int StartDownload(const std::string& localPath, const std::string& targetName, std::uint8_t board);
    int StartUpload(const std::string& fileName, std::uint8_t board);
    // 1 sent, 0 the whole file has gone, -1 failure (shown).
    int SendFileChunk(std::uint32_t handle, std::uint16_t chunk, std::uint8_t board);

    // A main-frame timer expired.
    void OnTimer(int id);

    // A message box for what an answer of the unit brought: shown once the frame has been handled
    // (through the shell's queued call), never inside the receive path.
    void ShowLater(const std::string& text, const std::string& caption = {},
                   platform::Icon icon = platform::Icon::None);
    // Appends grey text to the debug information window when it is open.
    void DebugNote(const std::string& text);
    void ReleaseBoards();

    // State the pages and the answers share.
    std::uint8_t TransferDirection() const { return direction_; }
    const std::string& TransferName() const { return transferName_; }
    // The group-read state of one device: descriptions and values of several devices may be read
    // at the same time.
    std::uint16_t GroupReadState(std::uint16_t device) const;
    void SetGroupReadState(std::uint16_t device, std::uint16_t s);
    std::uint8_t ManualSettingFlags() const { return manualFlags_; }
    void SetManualSettingFlag(std::uint8_t bit, bool on);
    std::uint16_t ManualWaitKey() const { return manualWaitKey_; }
    void SetManualWaitKey(std::uint16_t address) { manualWaitKey_ = address; }
    const TableKey& TableWaitKey() const { return tableWaitKey_; }
    void SetTableWaitKey(const TableKey& key) { tableWaitKey_ = key; }
    std::uint16_t SettingsWaitKey() const { return settingsWaitKey_; }
    void SetSettingsWaitKey(std::uint16_t address) { settingsWaitKey_ = address; }
    // The file's size: the local file's (download) or the one the unit announced (upload).
    std::uint32_t TransferSize() const { return size_; }
    std::uint32_t TransferPosition() const { return position_; }

    IQuorvexShell& Shell() { return *shell_; }
    CQuorvexData& Data() { return *data_; }
    const CLogFiles& Logs() const { return logs_; }
    const unitlink::CFrameCutter& Cutter() const { return cutter_; }
    std::uint64_t FramesReceived() const { return framesReceived_; }

    // Transport events.
    void OnReceive(const std::uint8_t* data, std::size_t size) override { AppendData(data, size); }
    void OnReceiveError() override;
    // The unit closed or reset the connection: the link goes down once the event is handled, and a
    // link under supervision is connected again as the supervision does it.
    void OnPeerClosed() override;

private:
    // A wait of the data sheets for the unit's answer that ran out: their state, then the boxes.
    void SheetWaitEnded(int id);
    friend class CAnswerDispatcher;
    friend class CIec103Handler;

    void HandleFrame(const std::uint8_t* frame, std::size_t size);
    // The queued handling of a lost connection.
    void ConnectionLost();
    // Ends a transfer: buffer released, progress window closed.
    void EndTransfer(int closeDelayMs = 0);

    std::unique_ptr<unitlink::ILinkTransport> transport_;
    IQuorvexShell* shell_;
    CQuorvexData* data_;
    CLogFiles logs_;
    std::unique_ptr<CAnswerDispatcher> dispatcher_;
    std::unique_ptr<CIec103Handler> handler_;
    std::recursive_mutex mutex_;

    bool connected_ = false;
    // Valid frames received since the link was made (the supervision's measure).
    std::uint64_t framesReceived_ = 0;
    // framesReceived_ when the connection was made: a valid frame since has started the supervision.
    std::uint64_t framesAtConnect_ = 0;
    std::uint16_t sequence_ = 0;
    std::uint8_t direction_ = kNoTransfer;
    std::map<std::uint16_t, std::uint16_t> groupRead_;
    std::uint8_t manualFlags_ = 0;
    std::uint16_t manualWaitKey_ = 0;
    TableKey tableWaitKey_;
    std::uint16_t settingsWaitKey_ = 0;
    // Bytes in front of a frame start are skipped up to the next header, so an answer behind junk
    // is still taken.
    unitlink::CFrameCutter cutter_{kRingSize, kRingSize, unitlink::CFrameCutter::Start::SearchSync};
    std::string address_;
    int port_ = kDefaultPort;
    std::string transferName_;
    std::uint8_t retries_ = 0;
    // Download: the number of the chunk last sent. Upload: the number of the block last taken.
    std::uint16_t chunk_ = 0;
    std::uint32_t chunksTaken_ = 0;
    // Download: the whole file. Upload: the data received so far (grown as it comes).
    std::vector<std::uint8_t> buffer_;
    std::uint32_t size_ = 0;
    std::uint32_t position_ = 0;
    unitlink::CLinkDrop drop_{[this] { ConnectionLost(); }};
};

} // namespace quorvex
