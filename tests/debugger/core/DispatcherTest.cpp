// The answers of the unit: where each kind goes, what it shows and logs, and answers that end
// before their records do.
#include "tests/debugger/core/QuorvexTestSupport.h"

#include "debugger/core/AnswerDispatcher.h"
#include "debugger/core/DeviceRequests.h"
#include "platform/Gbk.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using namespace quorvex;
using qtest::Bytes;
using qtest::LinkRig;

namespace {

void Append(Bytes& b, const std::string& utf8) {
    const std::string gbk = platform::ToGbk(utf8);
    b.insert(b.end(), gbk.begin(), gbk.end());
}

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override { rig.Connect(); }
    testsupport::PromptRecorder prompts;
    LinkRig rig;
};

} // namespace

TEST_F(DispatcherTest, PortFramesGoToTheMatchingMonitor) {
    PortMonitorDoc serial;
    serial.board = 2;
    serial.port = 3;
    serial.direction = 2;
    serial.linePrefix = "> ";
    rig.shell.monitors[kSlotReceive] = serial;
    PortMonitorDoc net;
    net.board = 2;
    net.port = 1;
    net.messageType = 3;
    net.direction = 1;
    net.unitAddress = 0x0A000001;
    rig.shell.monitors[kSlotSend] = net;

    Bytes b = {1, 2, 0};
    Bytes serialRecord = {0, 2, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0xAB, 0x01};
    b.insert(b.end(), serialRecord.begin(), serialRecord.end());
    Bytes udp = {1, 0, 7, 0, 1};
    qtest::Le(udp, 0x0A000001, 4);
    qtest::Le(udp, 0xC0A80102, 4);
    qtest::Le(udp, 1, 2);
    udp.push_back(0x55);
    b.insert(b.end(), udp.begin(), udp.end());
    rig.Unit(b, 1);
    EXPECT_EQ(rig.shell.portLines, (std::vector<std::string>{"2R Ser3_7 [ 装置    7 ] > ab 01 ",
                                                             "3S Net1_192.168.1.2 [ 装置    7 UDP ] 55 "}));

    // A record without a matching window is skipped; the records behind it are still shown.
    rig.shell.portLines.clear();
    Bytes other = {1, 2, 0};
    Bytes wrongPort = serialRecord;
    wrongPort[1] = 5;
    other.insert(other.end(), wrongPort.begin(), wrongPort.end());
    other.insert(other.end(), serialRecord.begin(), serialRecord.end());
    rig.Unit(other, 1);
    EXPECT_EQ(rig.shell.portLines, std::vector<std::string>{"2R Ser3_7 [ 装置    7 ] > ab 01 "});
    rig.shell.portLines.clear();

    // A record cut short: the whole ones before it are shown, nothing is read past the end.
    Bytes cut = {1, 2, 0};
    cut.insert(cut.end(), serialRecord.begin(), serialRecord.end());
    cut.insert(cut.end(), serialRecord.begin(), serialRecord.end() - 1);
    rig.Unit(cut, 1);
    EXPECT_EQ(rig.shell.portLines.size(), 1u);
    EXPECT_EQ(rig.shell.debug.back(), "\nD报文长度有误(类型1)\n");
}

TEST_F(DispatcherTest, DebugTextStringAnswerAndProtocolText) {
    Bytes debug = {2, 50};
    Append(debug, "调试");
    debug.push_back('!');
    rig.Unit(debug);
    // Each message of the unit is a line of its own.
    EXPECT_EQ(rig.shell.debug.back(), "调试\n");
    EXPECT_EQ(rig.shell.debugColours.back(), (Rgb{128, 255, 0}));
    EXPECT_EQ(DebugTextColour(0), (Rgb{200, 200, 200}));
    EXPECT_EQ(DebugTextColour(20), (Rgb{200, 200, 200}));
    EXPECT_EQ(DebugTextColour(21), (Rgb{128, 128, 128}));
    EXPECT_EQ(DebugTextColour(255), (Rgb{128, 0, 0}));
    EXPECT_TRUE(rig.shell.recorded.empty());
    rig.shell.recording = true;
    rig.Unit(debug);
    EXPECT_EQ(rig.shell.recorded, std::vector<std::string>{"调试\n"});
    rig.Unit({2});
    rig.Unit({2, 1});

    rig.Unit({3});
    rig.Unit({3, 'o', 'k', 0});
    EXPECT_EQ(rig.shell.other, std::vector<std::string>{"answer:ok"});

    rig.shell.protocol = ProtocolMonitorDoc{1, 1, 3};
    rig.Unit({16, 1, 2, 'x', 'y'});
    rig.Unit({16, 1, 1, 'n', 'o'});
    rig.Unit({16, 0, 2, 'n', 'o'});
    EXPECT_EQ(rig.shell.protocolText, std::vector<std::string>{"xy"});
}

TEST_F(DispatcherTest, DirectoryStatusWaveformsAndTime) {
    Bytes dir = {8, 1, 0, 2, 0};
    qtest::Le(dir, 1234, 4);
    qtest::Le(dir, 0, 4);
    dir.push_back(1);
    dir.push_back(3);
    Append(dir, "a.c");
    qtest::Le(dir, 0, 4);
    qtest::Le(dir, 0, 4);
    dir.push_back(2);
    dir.push_back(9); // the name is cut short
    dir.push_back('b');
    rig.Unit(dir);
    rig.Unit({8, 0});
    rig.Unit({25, 0, 0, 2, 0, 5, 0, 1, 6, 0, 0});
    rig.Unit({26, 0, 0, 1, 0, 1, 2, 1});
    Bytes wave = {27, 0, 1, 0, 9, 0, 3, 0};
    wave.insert(wave.end(), 7, 0);
    wave.push_back(2);
    wave.push_back('w');
    wave.push_back('1');
    rig.Unit(wave);
    rig.Unit({28, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(rig.shell.other, (std::vector<std::string>{"dir:a.c,1234,1", "nodir", "dev:5,1", "dev:6,0",
                                                         "port:0,1,2,1", "wave:w1,9,3"}));
}

TEST_F(DispatcherTest, RemoteCommandsAndHistoryEventsAreShownAndLogged) {
    Bytes rc = {18, 0};
    qtest::Le(rc, 2, 4);
    for (std::uint8_t dp : {1, 3}) {
        Bytes r = {0, 1, 2, 1, 7, 0, 3, 4, 9, 1, 0x81, dp};
        r.insert(r.end(), {0x60, 0xEA, 5, 6, 7, 8, 107});
        r.push_back(2);
        r.push_back('d');
        r.push_back('s');
        rc.insert(rc.end(), r.begin(), r.end());
    }
    rig.Unit(rc);
    EXPECT_EQ(rig.shell.other, (std::vector<std::string>{"rmt:分", "rmt:"}));
    EXPECT_EQ(testsupport::ReadBytes(rig.data.SavFolder() / "rmtcomm.qv"),
              platform::ToGbk("遥控选择 命令源板卡1网口2装置7 组号3 条目号4 分 2007-08-07 06:05:60 ds\r\n"
                              "遥控选择 命令源板卡1网口2装置7 组号3 条目号4  2007-08-07 06:05:60 ds\r\n"));

    rig.shell.other.clear();
    Bytes he = {19, 0, 2, 0};
    Bytes r = {7, 0, 1, 2, 254, 244, 3, 0, 0, 0, 0, 1, 1, 100, 18, 1, 1, 0x82};
    he.insert(he.end(), r.begin(), r.end());
    he.insert(he.end(), r.begin(), r.end() - 1); // the second record ends early
    rig.Unit(he);
    EXPECT_EQ(rig.shell.other, std::vector<std::string>{"his:合|无效"});
    EXPECT_EQ(testsupport::ReadBytes(rig.data.SavFolder() / "hisevt.qv"),
              platform::ToGbk("装置7 组号1 条目号2 FUN254 INF244 运行告警 合|无效 2000-01-01 00:00:00\r\n"));
    EXPECT_EQ(rig.shell.debug.back(), "\nD报文长度有误(类型19)\n");
}

TEST_F(DispatcherTest, ManualSettingAnswersReachTheWaitingPages) {
    auto* db5 = rig.shell.dbSheets.emplace_back(std::make_unique<qtest::RecordingDbSheet>(1, 5)).get();
    auto* db6 = rig.shell.dbSheets.emplace_back(std::make_unique<qtest::RecordingDbSheet>(1, 6)).get();
    auto* tab =
        rig.shell.tabSheets.emplace_back(std::make_unique<qtest::RecordingTabSheet>(2, 1, 3, 4)).get();
    db5->sentSet = 2;
    rig.link->SetManualWaitKey(5);
    rig.link->SetManualSettingFlag(CDeviceLink::kDbSetting, true);
    rig.shell.StartTimer(kTimerDbSet, 5000);
    // One record fewer than sent: the setting fails with the count message.
    rig.Unit({20, 1, 5, 0, 1, 0, 1, 1});
    EXPECT_FALSE(rig.shell.Running(kTimerDbSet));
    EXPECT_EQ(prompts.LastText(), "返校条目数有误\n人工置数失败!");
    EXPECT_EQ(db5->calls, std::vector<std::string>{"failPending"});
    EXPECT_TRUE(db6->calls.empty());

    rig.link->SetManualSettingFlag(CDeviceLink::kDbSetting, true);
    rig.Unit({20, 2, 5, 0, 1, 0, 1, 1, 5, 0, 1, 1, 0, 0}); // a flag other than 1 drops the message
    ASSERT_EQ(db5->calls.size(), 1u);
    rig.Unit({20, 2, 5, 0, 1, 0, 1, 1, 5, 0, 1, 1, 1, 0});
    EXPECT_EQ(db5->calls.back(), "set2");
    EXPECT_EQ(rig.link->ManualSettingFlags(), 0);

    rig.link->SetManualSettingFlag(CDeviceLink::kDbSetting, true);
    rig.Unit({21, 1, 5, 0, 1, 0, 1, 1}); // cancel answers have no count check
    EXPECT_EQ(db5->calls.back(), "cancel1");

    rig.link->SetManualSettingFlag(CDeviceLink::kTabSetting, true);
    rig.link->SetTableWaitKey({2, 1, 3, 4});
    tab->sentSet = 1;
    rig.Unit({20, 1, 9, 0, 1, 0, 1, 1});
    EXPECT_EQ(tab->calls.back(), "set1");
    rig.Unit({24, 1, 2, 4, 1}, 1);
    EXPECT_EQ(tab->calls.back(), "cancelAll1");
    rig.Unit({24, 1, 2, 5, 1}, 1); // another table
    EXPECT_EQ(tab->calls.size(), 2u);

    rig.Unit({23, 6, 0, 1}); // not the awaited device
    EXPECT_TRUE(db6->calls.empty());
    rig.Unit({23, 5, 0, 1});
    EXPECT_EQ(db5->calls.back(), "cancelAll1");

    prompts.Clear();
    rig.Unit({22, 0});
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"取消置数失败"});
    EXPECT_EQ(db6->calls, std::vector<std::string>{"cancelAll0"});
    EXPECT_EQ(tab->calls.back(), "cancelAll0");
}

TEST_F(DispatcherTest, ReferenceTableContentsValuesAndEvents) {
    auto* tab =
        rig.shell.tabSheets.emplace_back(std::make_unique<qtest::RecordingTabSheet>(2, 0, 3, 4)).get();
    auto contents = [](std::uint8_t more, std::uint16_t address, const std::string& name) {
        Bytes b = {12, more, 3, 0, 2, 4, 0, 0, 1, 0};
        qtest::Le(b, address, 2);
        b.insert(b.end(), {1, 2, 10, 1, static_cast<std::uint8_t>(name.size()), 1});
        b.insert(b.end(), name.begin(), name.end());
        return b;
    };
    rig.Unit(contents(1, 7, "ua"), 1);
    rig.Unit(contents(1, 7, "ua"), 1); // already there
    EXPECT_TRUE(rig.transport->Sent().empty());
    rig.Unit(contents(0, 8, "ub"), 1);
    ASSERT_EQ(rig.data.m_tabEntries.size(), 2u);
    EXPECT_EQ(rig.data.m_tabEntries[1].m_name, "ub");
    EXPECT_EQ(rig.data.m_tabEntries[1].m_portNumber, 3);
    EXPECT_EQ(tab->calls, std::vector<std::string>{"fill"});
    EXPECT_EQ(rig.transport->Bodies().back(), (Bytes{12, 2, 0, 1, 0, 2, 4, 50, 0, 20, 0}));
    EXPECT_EQ(rig.transport->Sent().back()[26], 1);

    Bytes values = {12, 0, 2, 0, 2, 4, 0, 0, 2, 0};
    values.insert(values.end(), {8, 0, 1, 2, 1, 12, 1, 1, 0x10});
    values.insert(values.end(), {7, 0, 1, 2, 0, 3, 2, 1, 5, 0});
    rig.Unit(values, 1);
    EXPECT_EQ(tab->values, std::vector<std::string>{"8:ub=2"}); // the invalid record ends the message
    EXPECT_EQ(rig.data.m_tabEntries[1].m_dataType, 12);

    Bytes ev = {12, 0, 1, 0, 2, 4, 0, 0, 1, 0, 7, 0, 1, 2, 1, 18, 1, 5, 0x02};
    ev.insert(ev.end(), {0x52, 0x1C, 5, 10}); // 7250 ms, 5 min, 10 h
    rig.Unit(ev, 1);
    EXPECT_EQ(tab->values.back(), "7:ua=合");
    EXPECT_EQ(tab->events, std::vector<std::string>{"合 10时5分7秒250毫秒"});
    EXPECT_EQ(rig.data.m_tabEntries[1].m_value, "2"); // the other device's entry is untouched
    EXPECT_EQ(testsupport::ReadBytes(rig.data.SavFolder() / "TabEvt.qv"),
              platform::ToGbk("事件:SOE 地址:7 组号:1 条目号:2 动作:合 时间:10时5分7秒250毫秒\r\n"));

    Bytes contentsBadKod = contents(0, 9, "x");
    contentsBadKod[14] = 1;
    rig.Unit(contentsBadKod, 1);
    EXPECT_EQ(rig.data.m_tabEntries.size(), 2u);
}

TEST(UploadSaveName, TheUnitsOwnFileNameDotsAndAll) {
    EXPECT_EQ(UploadSaveName("/etc/big.cfg"), "big.cfg");
    EXPECT_EQ(UploadSaveName("/a/b.tar.gz"), "b.tar.gz");
    EXPECT_EQ(UploadSaveName("run.log"), "run.log");
    EXPECT_EQ(UploadSaveName("/etc/"), "");
    EXPECT_EQ(UploadSaveName("/etc/.."), "");
}

TEST_F(DispatcherTest, TheMixedMonitorShowsBothDirections) {
    // "混合显示": one window of both directions in the receive slot, none in the send slot.
    PortMonitorDoc mixed;
    mixed.board = 1;
    mixed.port = 1;
    mixed.direction = 2;
    rig.shell.monitors[kSlotReceive] = mixed;
    const auto record = [](std::uint8_t direction, std::uint8_t byte) {
        return Bytes{0, 0, 5, 0, direction, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, byte};
    };
    Bytes b = {1, 3, 0};
    for (const Bytes& r : {record(1, 0x11), record(0, 0x22), record(1, 0x33)})
        b.insert(b.end(), r.begin(), r.end());
    rig.Unit(b, 0);
    EXPECT_EQ(rig.shell.portLines,
              (std::vector<std::string>{"2S Ser1_5 [ 装置    5 ] 11 ", "2R Ser1_5 [ 装置    5 ] 22 ",
                                        "2S Ser1_5 [ 装置    5 ] 33 "}));
    // With split display the frames the unit sent go to the send window.
    rig.shell.portLines.clear();
    PortMonitorDoc sent = mixed;
    sent.direction = 1;
    rig.shell.monitors[kSlotSend] = sent;
    rig.shell.monitors[kSlotReceive].direction = 0;
    rig.Unit(b, 0);
    EXPECT_EQ(rig.shell.portLines,
              (std::vector<std::string>{"3S Ser1_5 [ 装置    5 ] 11 ", "2R Ser1_5 [ 装置    5 ] 22 ",
                                        "3S Ser1_5 [ 装置    5 ] 33 "}));
}

TEST_F(DispatcherTest, EachTypeGoesToItsHandlerAndOnlyAShortBodyOfARoutedTypeIsNoted) {
    rig.shell.debugOpen = true;
    rig.shell.debug.clear();
    // Types the program does not handle are passed over without a note.
    rig.Unit({5, 1, 2});
    rig.Unit({99});
    EXPECT_TRUE(rig.shell.debug.empty());
    // A clock answer cut short shows nothing and is noted as its type.
    rig.Unit({28, 1, 2});
    EXPECT_EQ(rig.shell.debug, std::vector<std::string>{"\nD报文长度有误(类型28)\n"});
    rig.shell.debug.clear();
    rig.Unit({12, 0, 2});
    EXPECT_EQ(rig.shell.debug, std::vector<std::string>{"\nD报文长度有误(类型12)\n"});
    // Types 20 and 21 share a handler, set and cancel apart; 25 and 26 the status handler.
    rig.shell.debug.clear();
    rig.Unit({21});
    rig.Unit({26});
    EXPECT_EQ(rig.shell.debug,
              (std::vector<std::string>{"\nD报文长度有误(类型21)\n", "\nD报文长度有误(类型26)\n"}));
    EXPECT_TRUE(rig.shell.other.empty());
}
