#include "MonitorTestSupport.h"
#include "tests/support/Found.h"

#include "monitor/core/ClockCommands.h"
#include "monitor/core/DevTime.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace marindle;
using namespace montest;

namespace {

const Cp56Time kStart{0x10, 0x27, 1, 2, 3, 4, 124};
const Cp56Time kEnd{0x20, 0x4E, 5, 6, 7, 8, 124};

struct Expect {
    int kind;
    std::uint8_t board;
    std::uint16_t address;
    std::string caption;
    Bytes body;
};

void Check(const CDeviceMessage& m, const Expect& e) {
    EXPECT_EQ(m.kind, e.kind) << e.caption;
    EXPECT_EQ(m.board, e.board) << e.caption;
    EXPECT_EQ(m.deviceAddress, e.address) << e.caption;
    EXPECT_EQ(m.caption, e.caption);
    EXPECT_EQ(m.Body(), e.body) << e.caption;
    EXPECT_EQ(m.BodyLength(), e.body.size());
}

Bytes T(const Cp56Time& t) {
    return Bytes(t.begin(), t.end());
}

} // namespace

TEST(DeviceMessageTest, AllocateKeepsTheBodyAboveTheLimit) {
    CDeviceMessage m;
    EXPECT_EQ(m.kind, CDeviceMessage::kUnset);
    ASSERT_TRUE(m.Allocate(4));
    EXPECT_EQ(m.Body(), (Bytes{0, 0, 0, 0}));
    EXPECT_FALSE(m.Allocate(65001));
    EXPECT_EQ(m.BodyLength(), 4u);
    EXPECT_TRUE(m.Allocate(0));
    EXPECT_TRUE(m.Body().empty());
}

TEST(DeviceMessageTest, ManagementRequests) {
    // Frame monitoring: 0 starts it, 1 stops it.
    Check(CFrameMonitorMsg(2, false, false, 3, 0xFFFF),
          {1, 2, 0, "报文监视", {1, 1, 2, 0, 3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}});
    Check(CFrameMonitorMsg(0, true, true, 1, 5),
          {1, 0, 0, "报文监视", {1, 0, 2, 3, 1, 5, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}});
    Check(CRemoteResetMsg(), {1, 255, 0, "远程复位", {2}});
    Check(CRemoteResetMsg(1), {1, 1, 0, "远程复位", {2}});
    Check(CStringCommandMsg("ls 目录"), {1, 0, 0, "字符串命令", Cat({3}, Text("ls 目录"))});
    Check(CFileOpenMsg(2, 0, 0x01020304, "/a/文件"),
          {1, 2, 0, "文件打开", Cat(Cat({4, 0, 4, 3, 2, 1}, Text("/a/文件")), {0})});
    Check(CFileReadyMsg(0x0A0B0C0D), {1, 0, 0, "文件就绪", {5, 0x0D, 0x0C, 0x0B, 0x0A, 1}});
    const std::uint8_t data[3] = {7, 8, 9};
    Check(CFileDataMsg(3, 1, 1, 0x0102, data, 3), {1, 3, 0, "文件数据", {6, 1, 0, 0, 0, 1, 2, 1, 7, 8, 9}});
    Check(CFileAnswerMsg(1, 1, 0x0203), {1, 0, 0, "文件回答", {6, 1, 0, 0, 0, 1, 3, 2}});
    Check(CFileCloseMsg(3, "x"), {1, 3, 0, "文件关闭", {7, 'x', 0}});
    Check(CFileDirMsg("/usr"), {1, 0, 0, "文件目录", {8, 4, '/', 'u', 's', 'r'}});
    Check(CRefTableMonitorMsg(1, CRefTableMonitorMsg::kStart, 1, 2, 3, 0x0104, 100),
          {1, 1, 0, "监视引用表", {12, 3, 0, 10, 1, 2, 3, 4, 1, 100, 0}});
    Check(CRefTableMonitorMsg(1, CRefTableMonitorMsg::kStop, 0, 2, 3, 0, 100),
          {1, 1, 0, "监视引用表", {12, 2, 1, 1, 0, 2, 3, 0, 0, 100, 0}});
    Check(CLoginAnswerMsg(0x11223344), {1, 0, 0, "口令验证", {14, 0x44, 0x33, 0x22, 0x11}});
    Check(CProtocolMonitorMsg(1, 0, 1, 4), {1, 1, 0, "规约信息监视", {16, 0, 1, 4}});
    Check(CSimpleRequestMsg::PortInfo(), {1, 0, 0, "召唤端口信息", {17}});
    Check(CSimpleRequestMsg::BoardClock(4), {1, 4, 0, "", {28}});
    Check(CSimpleRequestMsg::DeviceInfo(), {1, 0, 0, "召唤装置信息", {29}});
    Check(CSimpleRequestMsg::PortDescriptions(), {1, 0, 0, "召唤端口描述", {30}});
    Check(CSimpleRequestMsg::Version(), {1, 255, 0, "召唤版本号", {33}});
    Check(CSimpleRequestMsg::CancelAllManual(), {1, 255, 0, "取消全部置数", {22}});
    Check(CCommStateQueryMsg(true, 0), {1, 0, 0, "查看装置通讯状态", {25, 0}});
    Check(CCommStateQueryMsg(false, 1), {1, 0, 0, "查看连接通讯状态", {26, 1}});
}

TEST(DeviceMessageTest, LongPathIsCutToWhatItsLengthByteHolds) {
    const std::string path(300, 'p');
    CFileDirMsg m(path);
    EXPECT_EQ(m.Body()[1], 255);
    EXPECT_EQ(m.BodyLength(), 257u);
}

TEST(DeviceMessageTest, QueriesOverAPeriod) {
    Check(CRemoteCmdQueryMsg(2, 0x0105, kStart, kEnd, 255, 255, 255, 255),
          {1, 2, 0, "查看远方命令", Cat(Cat(Cat({18, 5, 1}, T(kStart)), T(kEnd)), {255, 255, 255, 255})});
    EXPECT_EQ(CRemoteCmdQueryMsg(2, 5, kStart, kEnd, 0, 1, 2, 3).BodyLength(), 21u);
    Check(CEventQueryMsg(1, 5, kStart, kEnd, 6),
          {1, 1, 0, "查看历史事件", Cat(Cat(Cat({19, 5, 0}, T(kStart)), T(kEnd)), {6})});
    Check(CWaveQueryMsg(1, 5, 1, kStart, kEnd, 0x0203),
          {1, 1, 0, "查询波形记录", Cat(Cat(Cat({27, 5, 0, 1}, T(kStart)), T(kEnd)), {3, 2})});
    Check(CStatQueryMsg(1, 5, 0x0309, kStart, kEnd),
          {1, 1, 0, "查询统计数据", Cat(Cat(Cat({32, 5, 0, 9, 3}, T(kStart)), T(kEnd)), {0})});
    EXPECT_EQ(CStatQueryMsg(1, 5, 9, kStart, kEnd).BodyLength(), 20u);
}

TEST(DeviceMessageTest, ManualSettings) {
    std::vector<ManualValue> values = {{5, 0x0201, Gdd{9, 1, 1}, "合"}, {6, 0x0102, Gdd{3, 2, 1}, "513"}};
    Check(CManualSetMsg(values),
          {1, 0, 0, "人工置数", {20, 2, 5, 0, 1, 2, 1, 9, 1, 1, 2, 6, 0, 2, 1, 1, 3, 2, 1, 1, 2}});
    Check(CManualCancelMsg({{5, 0x0201}, {6, 0x0102}}),
          {1, 0, 0, "取消置数", {21, 2, 5, 0, 1, 2, 1, 6, 0, 2, 1, 1}});
}

TEST(DeviceMessageTest, GenericServiceRequests) {
    Check(CHeartbeatMsg(), {0, 0, 0xFFFF, "心跳", {}});
    Check(CGroupTitlesMsg(1, 5, 7), {0, 1, 5, "召唤组标题", {21, 0x81, 42, 0, 254, 240, 7, 0}});
    const std::pair<std::uint8_t, const char*> kods[] = {
        {10, "召唤描述"}, {5, "召唤精度"}, {3, "召唤量程"}, {9, "召唤量纲"}, {1, "召唤实际值"}};
    for (auto [kod, caption] : kods)
        Check(CGroupReadMsg(1, 5, 7, 3, kod),
              {0, 1, 5, caption, {21, 0x81, 42, 0, 254, 241, 7, 1, 3, 0, kod}});
    Check(CGeneralReadMsg(1, 5, 7, 9), {0, 1, 5, "总召唤实际值", {21, 0x81, 9, 0, 254, 245, 7, 0}});
    Check(CSetClockMsg(kStart), {0, 255, 0, "设置时钟", Cat({6, 0x81, 8, 0, 255, 255}, T(kStart))});
    Check(CSignalResetMsg(1, 5, 7), {0, 1, 5, "信号复归", {20, 0x81, 20, 0, 255, 19, 2, 7}});
}

TEST(DeviceMessageTest, GenericWrites) {
    float f = 1.5f;
    Bytes fb(4);
    std::memcpy(fb.data(), &f, 4);
    Check(CSettingsWriteMsg(1, 5, 249, 7, {{0x0102, Gdd{7, 4, 1}, "1.5"}, {0x0202, Gdd{3, 1, 1}, "9"}}),
          {0, 1, 5, "下装定值",
           Cat(Cat(Cat({10, 0x81, 40, 0, 254, 249, 7, 2, 2, 1, 1, 7, 4, 1}, fb), {2, 2, 1, 3, 1, 1}), {9})});
    Check(CTelecontrolMsg(1, 5, 250, 7, 0x0301, Gdd{9, 1, 1}, 1),
          {0, 1, 5, "遥控", {10, 0x81, 40, 0, 254, 250, 7, 1, 1, 3, 1, 9, 1, 1, 2}});
    Check(CTelecontrolMsg(1, 5, 249, 7, 0x0301, Gdd{9, 1, 1}, 0),
          {0, 1, 5, "遥控", {10, 0x81, 40, 0, 254, 249, 7, 1, 1, 3, 1, 9, 1, 1, 1}});
    Check(CTelecontrolMsg(1, 5, 251, 7, 0x0301, Gdd{10, 1, 1}, 1),
          {0, 1, 5, "遥控", {10, 0x81, 40, 0, 254, 251, 7, 1, 1, 3, 1, 10, 1, 1, 1}});
    // An entry without a data description goes as a one-byte double point.
    Check(CTelecontrolMsg(1, 5, 249, 7, 0x0301, Gdd{}, 0),
          {0, 1, 5, "遥控", {10, 0x81, 40, 0, 254, 249, 7, 1, 1, 3, 1, 9, 1, 1, 1}});
}

TEST(DeviceMessageTest, LinkOperationsSetTheDeviceStates) {
    testsupport::PromptRecorder prompt;
    Rig rig;
    rig.Login(SamplePortInfo());
    CDeviceRecord& d = *testsupport::Found(rig.model.FindDevice(7));
    rig.link->SendSettingsWrite(d, 249, {});
    EXPECT_EQ(d.writeState, 2);
    rig.link->SendTelecontrol(d, 249, 0x0101, Gdd{9, 1, 1}, 1);
    EXPECT_EQ(d.writeState, 1);
    rig.link->RequestGroupValues(d, 4);
    EXPECT_EQ(d.readState, CDeviceRecord::kValues);
    const auto frames = rig.transport->sent;
    ASSERT_EQ(frames.size(), 3u);
    for (const auto& f : frames) {
        EXPECT_EQ(f[26], 0);      // the device's board
        EXPECT_EQ(U16(f, 14), 7); // its address
        EXPECT_EQ(f[27], 0);
    }
    EXPECT_EQ(BodyOf(frames[0])[6], 0); // RII 0, 1, 2
    EXPECT_EQ(BodyOf(frames[1])[6], 1);
    EXPECT_EQ(BodyOf(frames[2])[6], 2);
}

TEST(ClockCommandsTest, SetAndViewClocks) {
    testsupport::PromptRecorder prompt;
    const std::time_t now = MakeLocalTime(2024, 5, 6, 7, 8, 9);
    SetNowFunction([now] { return now; });
    Rig rig;
    rig.Login(SamplePortInfo());
    prompt.Script({platform::Answer::No});
    EXPECT_EQ(SetUnitClockFromPc(*rig.link), 0);
    EXPECT_EQ(prompt.LastText(), "确定下装当前系统时钟吗？");
    EXPECT_TRUE(rig.transport->sent.empty());
    prompt.Script({platform::Answer::Yes});
    EXPECT_EQ(SetUnitClockFromPc(*rig.link), 1);
    ASSERT_EQ(rig.transport->sent.size(), 1u);
    EXPECT_EQ(rig.transport->sent[0][26], 255);
    EXPECT_EQ(U16(rig.transport->sent[0], 14), 0);
    EXPECT_EQ(BodyOf(rig.transport->sent[0]), (Bytes{6, 0x81, 8, 0, 255, 255, 0x28, 0x23, 8, 7, 6, 5, 124}));

    const std::time_t date = MakeLocalTime(2023, 12, 31, 1, 2, 3);
    const std::time_t time = MakeLocalTime(2020, 1, 1, 22, 33, 44);
    EXPECT_EQ(JoinDateAndTime(date, time), MakeLocalTime(2023, 12, 31, 22, 33, 44));
    rig.ClearSent();
    SetUnitClock(*rig.link, date, time);
    EXPECT_EQ(BodyOf(rig.transport->sent[0]),
              (Bytes{6, 0x81, 8, 0, 255, 255, 0xE0, 0xAB, 33, 22, 31, 12, 123}));

    // A year whose byte would read back as another is refused, from either command, and nothing
    // goes out.
    for (int year : {2100, 1999, 1899}) {
        rig.ClearSent();
        prompt.Clear();
        EXPECT_EQ(SetUnitClock(*rig.link, MakeLocalTime(year, 3, 1, 0, 0, 0), time), 0) << year;
        EXPECT_TRUE(rig.transport->sent.empty()) << year;
        EXPECT_EQ(prompt.LastText(), "年份应在2000至2099之间!") << year;
    }
    SetNowFunction([] { return MakeLocalTime(2100, 1, 1, 0, 0, 0); });
    prompt.Script({platform::Answer::Yes});
    EXPECT_EQ(SetUnitClockFromPc(*rig.link), 0);
    EXPECT_TRUE(rig.transport->sent.empty());
    EXPECT_EQ(prompt.LastText(), "年份应在2000至2099之间!");

    rig.ClearSent();
    rig.model.AddBoard(2);
    EXPECT_EQ(RequestBoardClocks(*rig.link, rig.model), (std::vector<std::uint8_t>{0, 2}));
    ASSERT_EQ(rig.transport->sent.size(), 2u);
    EXPECT_EQ(rig.transport->sent[1][26], 2);
    EXPECT_EQ(BodyOf(rig.transport->sent[1]), (Bytes{28}));
    EXPECT_EQ(BoardLabel(0), "板卡1");
    SetNowFunction(nullptr);
}
