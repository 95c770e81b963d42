#include "monitor/core/DeviceMessage.h"

#include "unitlink/RequestBodies.h"

#include "platform/Gbk.h"

#include <algorithm>

namespace marindle {

namespace {
constexpr std::uint8_t kFunGeneric = 254;
constexpr std::uint8_t kVsq = 0x81;
} // namespace

bool CDeviceMessage::Allocate(std::size_t n) {
    if (n > kMaxBody)
        return false;
    body_.assign(n, 0);
    return true;
}

void CDeviceMessage::Put16(std::uint16_t v) {
    body_.push_back(static_cast<std::uint8_t>(v));
    body_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void CDeviceMessage::Put32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        body_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void CDeviceMessage::PutGenericHead(std::uint8_t type, std::uint8_t cot, std::uint8_t inf, std::uint8_t rii) {
    for (std::uint8_t v : {type, kVsq, cot, std::uint8_t{0}, kFunGeneric, inf, rii})
        Put8(v);
}

void CDeviceMessage::PutValueItem(std::uint16_t entryKey, const Gdd& gdd,
                                  const std::vector<std::uint8_t>& value) {
    Put16(entryKey);
    Put8(1);
    Put8(gdd.type);
    Put8(gdd.size);
    Put8(gdd.number);
    PutBytes(value.data(), value.size());
}

CFrameMonitorMsg::CFrameMonitorMsg(std::uint8_t b, bool on, bool networkPort, std::uint8_t port,
                                   std::uint16_t device) {
    kind = kDsdu;
    board = b;
    caption = "报文监视";
    Put8(1);
    // The unit reads 0 as "start monitoring" and 1 as "stop".
    Put8(on ? 0 : 1);
    Put8(2);
    Put8(networkPort ? 3 : 0);
    Put8(port);
    Put16(device);
    Put32(0xFFFFFFFF);
    Put32(0xFFFFFFFF);
}

CRemoteResetMsg::CRemoteResetMsg(std::uint8_t b) {
    kind = kDsdu;
    board = b;
    caption = "远程复位";
    body_ = unitlink::body::Restart();
}

CStringCommandMsg::CStringCommandMsg(std::string_view command) {
    kind = kDsdu;
    caption = "字符串命令";
    body_ = unitlink::body::StringCommand(command);
}

CFileOpenMsg::CFileOpenMsg(std::uint8_t b, std::uint8_t mode, std::uint32_t length,
                           std::string_view fileName) {
    kind = kDsdu;
    board = b;
    caption = "文件打开";
    body_ = unitlink::body::FileOpen(mode, length, fileName);
}

CFileReadyMsg::CFileReadyMsg(std::uint32_t fileId) {
    kind = kDsdu;
    caption = "文件就绪";
    body_ = unitlink::body::FileReady(fileId);
}

CFileDataMsg::CFileDataMsg(std::uint8_t b, std::uint32_t fileId, std::uint8_t more, std::uint16_t packet,
                           const std::uint8_t* data, std::size_t size) {
    kind = kDsdu;
    board = b;
    caption = "文件数据";
    body_ = unitlink::body::FileData(fileId, more, packet, data, size);
}

CFileAnswerMsg::CFileAnswerMsg(std::uint32_t fileId, std::uint8_t result, std::uint16_t packet) {
    kind = kDsdu;
    caption = "文件回答";
    body_ = unitlink::body::FileData(fileId, result, packet);
}

CFileCloseMsg::CFileCloseMsg(std::uint8_t b, std::string_view fileName) {
    kind = kDsdu;
    board = b;
    caption = "文件关闭";
    body_ = unitlink::body::FileClose(fileName);
}

CFileDirMsg::CFileDirMsg(std::string_view path) {
    kind = kDsdu;
    caption = "文件目录";
    const std::string gbk = platform::TruncateGbkBytes(platform::ToGbk(path), 255);
    Put8(8);
    Put8(static_cast<std::uint8_t>(gbk.size()));
    PutText(gbk);
}

CRefTableMonitorMsg::CRefTableMonitorMsg(std::uint8_t b, Mode mode, std::uint8_t portKind, std::uint8_t port,
                                         std::uint8_t table, std::uint16_t start, std::uint16_t count) {
    kind = kDsdu;
    board = b;
    caption = "监视引用表";
    Put8(12);
    Put8(mode.a);
    Put8(mode.b);
    Put8(mode.c);
    Put8(portKind);
    Put8(port);
    Put8(table);
    Put16(start);
    Put16(count);
}

CLoginAnswerMsg::CLoginAnswerMsg(std::uint32_t answer) {
    kind = kDsdu;
    caption = "口令验证";
    body_ = unitlink::body::ChallengeAnswer(answer);
}

CProtocolMonitorMsg::CProtocolMonitorMsg(std::uint8_t b, std::uint8_t onOff, std::uint8_t portKind,
                                         std::uint8_t port) {
    kind = kDsdu;
    board = b;
    caption = "规约信息监视";
    Put8(16);
    Put8(onOff);
    Put8(portKind);
    Put8(port);
}

CSimpleRequestMsg::CSimpleRequestMsg(std::uint8_t code, std::uint8_t b, std::string c) {
    kind = kDsdu;
    board = b;
    caption = std::move(c);
    Put8(code);
}

CRemoteCmdQueryMsg::CRemoteCmdQueryMsg(std::uint8_t b, std::uint16_t device, const Cp56Time& start,
                                       const Cp56Time& end, std::uint8_t srcBoard, std::uint8_t srcKind,
                                       std::uint8_t srcPort, std::uint8_t cmdType) {
    kind = kDsdu;
    board = b;
    caption = "查看远方命令";
    Put8(18);
    Put16(device);
    PutTime(start);
    PutTime(end);
    Put8(srcBoard);
    Put8(srcKind);
    Put8(srcPort);
    Put8(cmdType);
}

CEventQueryMsg::CEventQueryMsg(std::uint8_t b, std::uint16_t device, const Cp56Time& start,
                               const Cp56Time& end, std::uint8_t eventType) {
    kind = kDsdu;
    board = b;
    caption = "查看历史事件";
    Put8(19);
    Put16(device);
    PutTime(start);
    PutTime(end);
    Put8(eventType);
}

CManualSetMsg::CManualSetMsg(const std::vector<ManualValue>& values) {
    kind = kDsdu;
    caption = "人工置数";
    const std::size_t n = std::min<std::size_t>(values.size(), 255);
    Put8(20);
    Put8(static_cast<std::uint8_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const ManualValue& v = values[i];
        Put16(v.device);
        PutValueItem(v.entryKey, v.gdd, ParseGenericValue(v.text, v.gdd.type, v.gdd.size, v.gdd.number));
    }
}

CManualCancelMsg::CManualCancelMsg(const std::vector<EntryRef>& entries) {
    kind = kDsdu;
    caption = "取消置数";
    const std::size_t n = std::min<std::size_t>(entries.size(), 255);
    Put8(21);
    Put8(static_cast<std::uint8_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        Put16(entries[i].device);
        Put16(entries[i].entryKey);
        Put8(1);
    }
}

CCommStateQueryMsg::CCommStateQueryMsg(bool devices, std::uint8_t mode) {
    kind = kDsdu;
    caption = devices ? "查看装置通讯状态" : "查看连接通讯状态";
    Put8(devices ? 25 : 26);
    Put8(mode);
}

CWaveQueryMsg::CWaveQueryMsg(std::uint8_t b, std::uint16_t device, std::uint8_t mode, const Cp56Time& start,
                             const Cp56Time& end, std::uint16_t nof) {
    kind = kDsdu;
    board = b;
    caption = "查询波形记录";
    Put8(27);
    Put16(device);
    Put8(mode);
    PutTime(start);
    PutTime(end);
    Put16(nof);
}

CStatQueryMsg::CStatQueryMsg(std::uint8_t b, std::uint16_t device, std::uint16_t entryId,
                             const Cp56Time& start, const Cp56Time& end) {
    kind = kDsdu;
    board = b;
    caption = "查询统计数据";
    Put8(32);
    Put16(device);
    Put16(entryId);
    PutTime(start);
    PutTime(end);
    Put8(0);
}

CHeartbeatMsg::CHeartbeatMsg() {
    kind = kAsdu;
    board = 0;
    deviceAddress = 0xFFFF;
    caption = "心跳";
}

CGroupTitlesMsg::CGroupTitlesMsg(std::uint8_t b, std::uint16_t device, std::uint8_t rii) {
    kind = kAsdu;
    board = b;
    deviceAddress = device;
    caption = "召唤组标题";
    PutGenericHead(21, 42, 240, rii);
    Put8(0);
}

CGroupReadMsg::CGroupReadMsg(std::uint8_t b, std::uint16_t device, std::uint8_t rii, std::uint8_t group,
                             std::uint8_t kod) {
    kind = kAsdu;
    board = b;
    deviceAddress = device;
    switch (kod) {
    case 10:
        caption = "召唤描述";
        break;
    case 5:
        caption = "召唤精度";
        break;
    case 3:
        caption = "召唤量程";
        break;
    case 9:
        caption = "召唤量纲";
        break;
    case 1:
        caption = "召唤实际值";
        break;
    default:
        break;
    }
    PutGenericHead(21, 42, 241, rii);
    for (std::uint8_t v : {std::uint8_t{1}, group, std::uint8_t{0}, kod})
        Put8(v);
}

CGeneralReadMsg::CGeneralReadMsg(std::uint8_t b, std::uint16_t device, std::uint8_t rii, std::uint8_t cot) {
    kind = kAsdu;
    board = b;
    deviceAddress = device;
    caption = "总召唤实际值";
    PutGenericHead(21, cot, 245, rii);
    Put8(0);
}

CSettingsWriteMsg::CSettingsWriteMsg(std::uint8_t b, std::uint16_t device, std::uint8_t inf, std::uint8_t rii,
                                     const std::vector<WriteItem>& items) {
    kind = kAsdu;
    board = b;
    deviceAddress = device;
    caption = "下装定值";
    // NGD holds the count in its low six bits.
    const std::size_t n = std::min<std::size_t>(items.size(), 63);
    PutGenericHead(10, 40, inf, rii);
    Put8(static_cast<std::uint8_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const WriteItem& it = items[i];
        PutValueItem(it.entryKey, it.gdd,
                     ParseGenericValue(it.text, it.gdd.type, it.gdd.size, it.gdd.number));
    }
}

CTelecontrolMsg::CTelecontrolMsg(std::uint8_t b, std::uint16_t device, std::uint8_t inf, std::uint8_t rii,
                                 std::uint16_t entryKey, Gdd gdd, int value) {
    kind = kAsdu;
    board = b;
    deviceAddress = device;
    caption = "遥控";
    if (gdd.type == 0 && gdd.size == 0 && gdd.number == 0)
        gdd = Gdd{9, 1, 1};
    PutGenericHead(10, 40, inf, rii);
    Put8(1);
    std::vector<std::uint8_t> v(GenericValueLength(gdd.type, gdd.size, gdd.number), 0);
    if (!v.empty())
        v[0] = static_cast<std::uint8_t>(gdd.type == 10 ? (value ? 1 : 0) : (value ? 2 : 1));
    PutValueItem(entryKey, gdd, v);
}

CSetClockMsg::CSetClockMsg(const Cp56Time& time) {
    kind = kAsdu;
    board = 255;
    deviceAddress = 0;
    caption = "设置时钟";
    for (std::uint8_t v :
         {std::uint8_t{6}, kVsq, std::uint8_t{8}, std::uint8_t{0}, std::uint8_t{255}, std::uint8_t{255}})
        Put8(v);
    PutTime(time);
}

CSignalResetMsg::CSignalResetMsg(std::uint8_t b, std::uint16_t device, std::uint8_t rii) {
    kind = kAsdu;
    board = b;
    deviceAddress = device;
    caption = "信号复归";
    for (std::uint8_t v : {std::uint8_t{20}, kVsq, std::uint8_t{20}, std::uint8_t{0}, std::uint8_t{255},
                           std::uint8_t{19}, std::uint8_t{2}, rii})
        Put8(v);
}

} // namespace marindle
