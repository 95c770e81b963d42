#pragma once
// Outgoing requests of the monitor program. CDeviceMessage holds a body, its kind (1 a management
// message of the unit, 0 an IEC 60870-5-103 ASDU for the device at the header's address), the
// board, the device address and the caption shown in the frame log; each request kind is a small
// subclass whose constructor fills them. Texts are given in UTF-8 and sent as GBK.
#include "monitor/core/DevTime.h"
#include "monitor/core/GenericValue.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marindle {

class CDeviceMessage {
public:
    static constexpr std::size_t kMaxBody = 65000;
    enum Kind { kAsdu = 0, kDsdu = 1, kUnset = 2 };

    CDeviceMessage() = default;
    virtual ~CDeviceMessage() = default;

    // n zeroed bytes in place of any earlier body; above 65000 nothing changes. False then.
    bool Allocate(std::size_t n);

    const std::vector<std::uint8_t>& Body() const { return body_; }
    std::uint32_t BodyLength() const { return static_cast<std::uint32_t>(body_.size()); }

    int kind = kUnset;
    std::uint8_t board = 0;
    std::uint16_t deviceAddress = 0;
    std::string caption;

protected:
    // Appends little-endian fields to the body.
    void Put8(std::uint8_t v) { body_.push_back(v); }
    void Put16(std::uint16_t v);
    void Put32(std::uint32_t v);
    void PutBytes(const std::uint8_t* p, std::size_t n) { body_.insert(body_.end(), p, p + n); }
    void PutTime(const Cp56Time& t) { PutBytes(t.data(), t.size()); }
    void PutText(const std::string& gbk) {
        PutBytes(reinterpret_cast<const std::uint8_t*>(gbk.data()), gbk.size());
    }
    // The head of a generic-service ASDU up to its RII: type, VSQ, cause, common address 0, the
    // generic function type, the information number and the RII.
    void PutGenericHead(std::uint8_t type, std::uint8_t cot, std::uint8_t inf, std::uint8_t rii);
    // One data item of a generic write: entry key, kind of description 1 (actual value), the GDD
    // and the value of text in that form.
    void PutValueItem(std::uint16_t entryKey, const Gdd& gdd, const std::vector<std::uint8_t>& value);

    std::vector<std::uint8_t> body_;
};

// ---- management requests (kind 1) ----

// 1 "报文监视": frame monitoring of a port (device 0xFFFF) or of one device on it.
class CFrameMonitorMsg : public CDeviceMessage {
public:
    CFrameMonitorMsg(std::uint8_t board, bool on, bool networkPort, std::uint8_t port, std::uint16_t device);
};
// 2 "远程复位" of a board (255 the whole unit).
class CRemoteResetMsg : public CDeviceMessage {
public:
    explicit CRemoteResetMsg(std::uint8_t board = 255);
};
// 3 "字符串命令".
class CStringCommandMsg : public CDeviceMessage {
public:
    explicit CStringCommandMsg(std::string_view command);
};
// 4 "文件打开": mode 0 download to the unit (length of the local file), 1 upload (length 0).
class CFileOpenMsg : public CDeviceMessage {
public:
    CFileOpenMsg(std::uint8_t board, std::uint8_t mode, std::uint32_t length, std::string_view fileName);
};
// 5 "文件就绪".
class CFileReadyMsg : public CDeviceMessage {
public:
    explicit CFileReadyMsg(std::uint32_t fileId);
};
// 6 "文件数据": one chunk of a download.
class CFileDataMsg : public CDeviceMessage {
public:
    CFileDataMsg(std::uint8_t board, std::uint32_t fileId, std::uint8_t more, std::uint16_t packet,
                 const std::uint8_t* data, std::size_t size);
};
// 6 "文件回答": acknowledgement of an upload chunk.
class CFileAnswerMsg : public CDeviceMessage {
public:
    CFileAnswerMsg(std::uint32_t fileId, std::uint8_t result, std::uint16_t packet);
};
// 7 "文件关闭".
class CFileCloseMsg : public CDeviceMessage {
public:
    CFileCloseMsg(std::uint8_t board, std::string_view fileName);
};
// 8 "文件目录" (a path of more than 255 bytes is cut, the length being one byte).
class CFileDirMsg : public CDeviceMessage {
public:
    explicit CFileDirMsg(std::string_view path);
};
// 12 "监视引用表": mode bytes 3,0,10 start, 2,1,1 stop, 2,0,1 actual values after the descriptions.
class CRefTableMonitorMsg : public CDeviceMessage {
public:
    struct Mode {
        std::uint8_t a, b, c;
    };
    static constexpr Mode kStart{3, 0, 10};
    static constexpr Mode kStop{2, 1, 1};
    static constexpr Mode kValues{2, 0, 1};
    CRefTableMonitorMsg(std::uint8_t board, Mode mode, std::uint8_t portKind, std::uint8_t port,
                        std::uint8_t table, std::uint16_t start, std::uint16_t count);
};
// 14 "口令验证": the answer to the challenge, low byte first.
class CLoginAnswerMsg : public CDeviceMessage {
public:
    explicit CLoginAnswerMsg(std::uint32_t answer);
};
// 16 "规约信息监视".
class CProtocolMonitorMsg : public CDeviceMessage {
public:
    CProtocolMonitorMsg(std::uint8_t board, std::uint8_t onOff, std::uint8_t portKind, std::uint8_t port);
};
// A request of one code byte: 17 "召唤端口信息", 28 (clock of a board), 29 "召唤装置信息",
// 30 "召唤端口描述", 33 "召唤版本号", 22 "取消全部置数".
class CSimpleRequestMsg : public CDeviceMessage {
public:
    CSimpleRequestMsg(std::uint8_t code, std::uint8_t board, std::string caption);
    static CSimpleRequestMsg PortInfo() { return {17, 0, "召唤端口信息"}; }
    static CSimpleRequestMsg BoardClock(std::uint8_t board) { return {28, board, ""}; }
    static CSimpleRequestMsg DeviceInfo() { return {29, 0, "召唤装置信息"}; }
    static CSimpleRequestMsg PortDescriptions() { return {30, 0, "召唤端口描述"}; }
    static CSimpleRequestMsg Version() { return {33, 255, "召唤版本号"}; }
    static CSimpleRequestMsg CancelAllManual() { return {22, 255, "取消全部置数"}; }
};
// 18 "查看远方命令": source port board, kind and number and the command type (255 = all).
class CRemoteCmdQueryMsg : public CDeviceMessage {
public:
    CRemoteCmdQueryMsg(std::uint8_t board, std::uint16_t device, const Cp56Time& start, const Cp56Time& end,
                       std::uint8_t srcBoard, std::uint8_t srcKind, std::uint8_t srcPort,
                       std::uint8_t cmdType);
};
// 19 "查看历史事件": event type (255 = all).
class CEventQueryMsg : public CDeviceMessage {
public:
    CEventQueryMsg(std::uint8_t board, std::uint16_t device, const Cp56Time& start, const Cp56Time& end,
                   std::uint8_t eventType);
};
// One entry of a manual setting: the value is encoded from its text by the data type.
struct ManualValue {
    std::uint16_t device = 0;
    std::uint16_t entryKey = 0;
    Gdd gdd;
    std::string text;
};
// One entry named by (device, entry key).
struct EntryRef {
    std::uint16_t device = 0;
    std::uint16_t entryKey = 0;
    bool operator==(const EntryRef&) const = default;
};
// 20 "人工置数" (at most 255 entries; the windows send at most 63).
class CManualSetMsg : public CDeviceMessage {
public:
    explicit CManualSetMsg(const std::vector<ManualValue>& values);
};
// 21 "取消置数".
class CManualCancelMsg : public CDeviceMessage {
public:
    explicit CManualCancelMsg(const std::vector<EntryRef>& entries);
};
// 25 "查看装置通讯状态" and 26 "查看连接通讯状态".
class CCommStateQueryMsg : public CDeviceMessage {
public:
    CCommStateQueryMsg(bool devices, std::uint8_t mode);
};
// 27 "查询波形记录": mode 0 by time, 1 by NOF.
class CWaveQueryMsg : public CDeviceMessage {
public:
    CWaveQueryMsg(std::uint8_t board, std::uint16_t device, std::uint8_t mode, const Cp56Time& start,
                  const Cp56Time& end, std::uint16_t nof);
};
// 32 "查询统计数据".
class CStatQueryMsg : public CDeviceMessage {
public:
    CStatQueryMsg(std::uint8_t board, std::uint16_t device, std::uint16_t entryId, const Cp56Time& start,
                  const Cp56Time& end);
};

// ---- IEC 60870-5-103 requests (kind 0, to one device) ----

// "心跳": no body, all devices, board 0.
class CHeartbeatMsg : public CDeviceMessage {
public:
    CHeartbeatMsg();
};
// "召唤组标题" (INF 240).
class CGroupTitlesMsg : public CDeviceMessage {
public:
    CGroupTitlesMsg(std::uint8_t board, std::uint16_t device, std::uint8_t rii);
};
// Generic read of one group (INF 241) by KOD: 10 "召唤描述", 5 "召唤精度", 3 "召唤量程",
// 9 "召唤量纲", 1 "召唤实际值".
class CGroupReadMsg : public CDeviceMessage {
public:
    CGroupReadMsg(std::uint8_t board, std::uint16_t device, std::uint8_t rii, std::uint8_t group,
                  std::uint8_t kod);
};
// "总召唤实际值" (INF 245) with the caller's COT (9 start, 10 end).
class CGeneralReadMsg : public CDeviceMessage {
public:
    CGeneralReadMsg(std::uint8_t board, std::uint16_t device, std::uint8_t rii, std::uint8_t cot);
};
// One data set of a generic write: KOD 1 and the value encoded from its text.
struct WriteItem {
    std::uint16_t entryKey = 0;
    Gdd gdd;
    std::string text;
};
// "下装定值": INF 249 write with confirmation, 250 write with execution. NGD counts data sets in six
// bits, so at most 63 items go (the settings window refuses more before it sends).
class CSettingsWriteMsg : public CDeviceMessage {
public:
    CSettingsWriteMsg(std::uint8_t board, std::uint16_t device, std::uint8_t inf, std::uint8_t rii,
                      const std::vector<WriteItem>& items);
};
// "遥控": INF 249 select, 250 execute, 251 cancel; value 0 "分", 1 "合" (type 10: bytes 0 and 1,
// otherwise 1 and 2). An entry without a description goes as type 9, size 1, one element.
class CTelecontrolMsg : public CDeviceMessage {
public:
    CTelecontrolMsg(std::uint8_t board, std::uint16_t device, std::uint8_t inf, std::uint8_t rii,
                    std::uint16_t entryKey, Gdd gdd, int value);
};
// "设置时钟": to board 255, device 0.
class CSetClockMsg : public CDeviceMessage {
public:
    explicit CSetClockMsg(const Cp56Time& time);
};
// "信号复归".
class CSignalResetMsg : public CDeviceMessage {
public:
    CSignalResetMsg(std::uint8_t board, std::uint16_t device, std::uint8_t rii);
};

} // namespace marindle
