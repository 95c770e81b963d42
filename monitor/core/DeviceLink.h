#pragma once
// The monitor program's one connection to the communication unit: connecting with a retry prompt,
// the receive ring and the cutting of the byte stream into frames, the header checks, the send
// sequence counter, the heartbeat and the silence watch that re-establishes a quiet link, the
// login and port-information time-outs, the frame log, and the answer to the password challenge.
// Received frames go to the message dispatcher; the socket is behind the transport interface.
#include "monitor/core/DeviceMessage.h"
#include "monitor/core/LinkTimers.h"
#include "monitor/core/MonitorWindows.h"

#include "unitlink/FrameCutter.h"
#include "unitlink/LinkDrop.h"
#include "unitlink/LinkTransport.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace marindle {

class CMessageDispatcher;
class CDeviceRecord;

class CDeviceLink : public unitlink::ILinkTransportEvents {
public:
    static constexpr int kRingSize = 30720;
    static constexpr int kMaxFrame = 30720;
    static constexpr int kDefaultPort = 7001;

    // The main frame's timers that drive the link.
    enum TimerId { kKeepAliveTimer = 1, kLoginTimer = 2, kPortInfoTimer = 3, kCancelAllTimer = 6 };
    static constexpr int kKeepAliveMs = 1000;
    static constexpr int kLoginWaitMs = 6000;
    static constexpr int kPortInfoWaitMs = 6000;
    static constexpr int kCancelAllWaitMs = 10000;
    // Heartbeat on every 11th tick; the 31st tick without a valid frame re-establishes the link,
    // unless a valid frame is among the bytes received but not yet read.
    static constexpr int kHeartbeatTicks = 10;
    static constexpr int kSilenceTicks = 30;
    // A connection lost during the login, the first time (connected again) and straight after.
    static constexpr const char* kLoginDropped = "验证和配置时与通讯装置的连接中断，正在重新连接。";
    static constexpr const char* kLoginDroppedAgain =
        "验证和配置时与通讯装置的连接再次中断，请尝试重新连接。";

    // host and windows are observed and must outlive the link.
    CDeviceLink(std::unique_ptr<unitlink::ILinkTransport> transport, ILinkHost* host,
                IMonitorWindows* windows);
    ~CDeviceLink() override;
    CDeviceLink(const CDeviceLink&) = delete;
    CDeviceLink& operator=(const CDeviceLink&) = delete;

    void SetDispatcher(CMessageDispatcher* dispatcher) { dispatcher_ = dispatcher; }
    void SetAddress(const std::string& address, int port);
    const std::string& Address() const { return address_; }
    int Port() const { return port_; }
    // The device-login key number of the command line (30517 without one).
    void SetLoginKey(std::uint16_t key) { loginKey_ = key; }
    std::uint16_t LoginKey() const { return loginKey_; }
    // The answer to the 4 challenge bytes, as they stand in message 14.
    std::uint32_t MakeLoginAnswer(const std::uint8_t challenge[4]) const;

    // 1 connected; 0 when already connected, the socket cannot be made or the user gave up.
    int Connect();
    // 1 when it was connected. Nothing is sent to the unit.
    int Disconnect();
    bool IsConnected() const { return connected_ != 0; }

    // 1 sent; 0 when not connected, the message has no kind, or the send failed. A failed send
    // loses the connection (see OnPeerClosed).
    int SendRequest(const CDeviceMessage& message);
    void SendHeartbeat();
    // The return information identifier for the next generic-service or command request.
    std::uint8_t NextRii() { return rii_++; }

    // Requests that also change the state of the device record.
    int RequestGroupTitles(const CDeviceRecord& device);
    int RequestGroupRead(CDeviceRecord& device, std::uint8_t group, std::uint8_t kod, int readState);
    // "召唤实际值" of one group (read state 5).
    int RequestGroupValues(CDeviceRecord& device, std::uint8_t group);
    int RequestGeneralRead(const CDeviceRecord& device, std::uint8_t cot);
    // "下装定值" (write state 2) and "遥控" (write state 1).
    int SendSettingsWrite(CDeviceRecord& device, std::uint8_t inf, const std::vector<WriteItem>& items);
    int SendTelecontrol(CDeviceRecord& device, std::uint8_t inf, std::uint16_t entryKey, Gdd gdd, int value);
    int SendSignalReset(const CDeviceRecord& device);
    // "设置时钟" to the whole unit.
    int SendSetClock(std::time_t localTime);
    // "取消全部置数", guarded by timer 6.
    int SendCancelAllManual();

    // Received bytes; every whole frame is handled. 0 when a piece was not a valid frame (it is
    // logged as invalid and the frames behind it are still handled), else 1.
    int OnData(const std::uint8_t* data, std::size_t size);
    // The keep-alive tick of timer 1.
    void OnTick();
    // The main frame's timers: the shell calls Advance with the time that passed.
    CLinkTimers& Timers() { return timers_; }
    void AdvanceTime(int elapsedMs) { timers_.Advance(elapsedMs); }

    // direction 1 sent, 0 received; kind 0, 1, or 2 for an invalid received frame.
    void LogFrame(const std::uint8_t* frame, std::size_t length, int direction, int kind,
                  const std::string& caption);
    // "%02x " of each byte, with "▍" before byte `markAt` (none when markAt is past the end).
    static std::string HexText(const std::uint8_t* data, std::size_t size, std::size_t markAt = SIZE_MAX);

    // ILinkTransportEvents
    void OnReceive(const std::uint8_t* data, std::size_t size) override { OnData(data, size); }
    void OnReceiveError() override;
    // The unit closed or reset the connection: the link goes down once the event is handled, and a
    // link that was running is connected again as the silence watch does it.
    void OnPeerClosed() override;

    std::uint32_t SequenceCounter() const { return sequence_; }
    std::uint16_t HeartbeatTicks() const { return heartbeatTicks_; }
    std::uint16_t SilenceTicks() const { return silenceTicks_; }
    const unitlink::CByteRing& Ring() const { return cutter_.Ring(); }
    const unitlink::CFrameCutter& Cutter() const { return cutter_; }

private:
    void OnTimer(int id);
    // Handles one piece the cutter cut; false when it is not a valid frame.
    bool HandlePiece(const std::uint8_t* frame, std::size_t len);
    void StopLinkTimers();
    // The queued handling of a lost connection.
    void ConnectionLost();
    // A message box shown once the current handling has returned (through the host's queued call).
    void Tell(const std::string& text);

    std::unique_ptr<unitlink::ILinkTransport> transport_;
    ILinkHost* host_;
    IMonitorWindows* windows_;
    CMessageDispatcher* dispatcher_ = nullptr;

    int connected_ = 0;
    unitlink::CFrameCutter cutter_{kRingSize, kMaxFrame, unitlink::CFrameCutter::Start::AtHead};
    std::string address_ = "0.0.0.0";
    int port_ = 0;
    std::uint32_t sequence_ = 0;
    std::uint8_t rii_ = 0;
    std::uint16_t heartbeatTicks_ = 0;
    std::uint16_t silenceTicks_ = 0;
    int loginDrops_ = 0; // connections lost during the login since the last one that got through
    std::uint16_t loginKey_;
    CLinkTimers timers_;
    unitlink::CLinkDrop drop_{[this] { ConnectionLost(); }};
};

} // namespace marindle
