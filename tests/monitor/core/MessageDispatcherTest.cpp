#include "MonitorTestSupport.h"
#include "tests/support/Found.h"

#include "monitor/core/DevTime.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace marindle;
using namespace montest;

namespace {

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        now_ = MakeLocalTime(2024, 3, 15, 10, 30, 0);
        SetNowFunction([this] { return now_; });
        rig.windows.open["trace:main"] = true;
        rig.windows.open["tree"] = true;
        rig.windows.open["warn"] = true;
        rig.Login(SamplePortInfo());
        rig.windows.frames.clear();
        rig.windows.traceTargets.clear();
    }
    void TearDown() override { SetNowFunction(nullptr); }

    // Feeds one frame and returns the caption the frame log shows for it.
    std::string Caption(const Bytes& frame) {
        rig.windows.frames.clear();
        rig.Feed(frame);
        if (rig.windows.frames.empty())
            return "<not logged>";
        const std::string& h = rig.windows.frames.back().headerText;
        return h.substr(20, h.rfind(' ') - 20);
    }
    CDeviceRecord& Device(std::uint16_t address) {
        return *testsupport::Found(rig.model.FindDevice(address));
    }

    std::time_t now_ = 0;
    testsupport::PromptRecorder prompt;
    Rig rig;
};

Bytes Cp56(int year, int month, int day, int hour, int minute, int ms) {
    return {static_cast<std::uint8_t>(ms),         static_cast<std::uint8_t>(ms >> 8),
            static_cast<std::uint8_t>(minute),     static_cast<std::uint8_t>(hour),
            static_cast<std::uint8_t>(day),        static_cast<std::uint8_t>(month),
            static_cast<std::uint8_t>(year - 2000)};
}

} // namespace

TEST_F(DispatcherTest, PortInformationBuildsTheModel) {
    const CDevModel& m = rig.model;
    ASSERT_EQ(m.Ports().size(), 2u);
    const CPortRecord& serial = *m.Ports()[0];
    EXPECT_EQ(serial.kind, CPortRecord::kSerial);
    EXPECT_EQ(serial.number, 1);
    EXPECT_EQ(serial.name, "COM1");
    EXPECT_EQ(serial.key, 0);
    EXPECT_EQ(serial.contentKind, 1);
    ASSERT_EQ(serial.Devices().size(), 2u);
    EXPECT_EQ(serial.Devices()[1]->address, 6);
    EXPECT_EQ(serial.Devices()[1]->key, 1);
    EXPECT_EQ(serial.Devices()[1]->name, "装置(6)");
    ASSERT_EQ(serial.Tables().size(), 1u);
    EXPECT_EQ(serial.Tables()[0]->name, "TAB1");
    EXPECT_EQ(serial.Tables()[0]->type, 1);
    EXPECT_EQ(m.FindTableByKey(0), serial.Tables()[0].get());
    const CPortRecord& net = *m.Ports()[1];
    EXPECT_EQ(net.kind, CPortRecord::kNetwork);
    EXPECT_EQ(net.key, 1);
    EXPECT_EQ(testsupport::Found(m.FindDeviceByKey(2))->address, 7);
    EXPECT_EQ(testsupport::Found(m.FindDevice(7))->portKey, 1);
    EXPECT_EQ(m.Boards(), (std::vector<std::uint8_t>{0}));
    EXPECT_EQ(m.FindPort(0, 1, 1), nullptr);
}

// A port information that cannot be taken whole: nothing of it stays, the start-up is not finished,
// the link is dropped and the user is told, after the frame's handling.
TEST_F(DispatcherTest, CutPortInformationDisconnectsAndTellsWhy) {
    rig.link->Disconnect();
    rig.Connect();
    rig.Feed(Dsdu({14, 1, 2, 3, 4}));
    rig.Feed(Dsdu({15, 1}));
    Bytes body = Cat({17}, SamplePortInfo());
    body.resize(body.size() - 5); // the network port's record is cut
    rig.host.calls.clear();
    rig.windows.calls.clear();
    rig.ClearSent();
    EXPECT_EQ(Caption(Dsdu(body)), std::string("端口信息") + kTruncatedMark);
    EXPECT_TRUE(rig.model.Ports().empty());
    EXPECT_TRUE(rig.model.Boards().empty());
    EXPECT_FALSE(rig.link->IsConnected());
    EXPECT_FALSE(rig.link->Timers().IsRunning(CDeviceLink::kKeepAliveTimer));
    EXPECT_FALSE(rig.link->Timers().IsRunning(CDeviceLink::kPortInfoTimer));
    EXPECT_TRUE(rig.SentBodies().empty()); // no heartbeat, no follow-up requests
    EXPECT_TRUE(rig.windows.Has("BuildTree:1"));
    EXPECT_EQ(rig.host.calls, (std::vector<std::string>{"CloseNotice", "LinkDown", "Post"}));
    EXPECT_EQ(prompt.Count(), 0u);
    rig.host.RunPosted();
    EXPECT_EQ(prompt.Texts(), (std::vector<std::string>{kPortInfoIncomplete}));
}

TEST_F(DispatcherTest, DuplicateDeviceRefusesThePortInformation) {
    Bytes info = {1, 0, 1, 1};
    info = Cat(info, Text("COM1", 10));
    info.push_back(2);
    Le(info, 5, 2);
    Le(info, 5, 2); // twice
    info.push_back(0);
    info.push_back(0);
    Caption(Dsdu(Cat({17}, info)));
    EXPECT_TRUE(rig.model.Ports().empty());
    EXPECT_FALSE(rig.link->IsConnected());
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), kPortInfoIncomplete);
}

TEST_F(DispatcherTest, FrameMonitorRoutesToPortAndDeviceWindows) {
    rig.windows.open["trace:port:0"] = true;
    rig.windows.open["trace:dev:0"] = true;
    Bytes body = {1};
    Le(body, 2, 2);
    // Record 1: serial port 1, device 5, received, frame 01 02.
    body = Cat(body, {0, 1, 5, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 2, 0, 0x01, 0x02});
    // Record 2: TCP on network port 1, which does not exist.
    body = Cat(body, {2, 1, 5, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    rig.windows.frames.clear();
    rig.Feed(Dsdu(body));
    // frames: the record twice (port and device window), then the log of the frame itself.
    ASSERT_EQ(rig.windows.frames.size(), 3u);
    EXPECT_EQ(rig.windows.traceTargets[0], "trace:port:0");
    EXPECT_EQ(rig.windows.traceTargets[1], "trace:dev:0");
    const TraceItem& item = rig.windows.frames[0];
    EXPECT_EQ(item.headerText, "2024-03-15 10:30:00 装置:装置(5) 地址:5 \r\n");
    EXPECT_EQ(item.frameText, "01 02 ");
    EXPECT_EQ(item.deviceIp, 0x04030201u);
    EXPECT_EQ(item.direction, 0);
    EXPECT_EQ(rig.windows.frames[2].headerText.substr(20), "通讯报文 DSDU\r\n");
}

TEST_F(DispatcherTest, FrameMonitorStopsAtACutRecord) {
    rig.windows.open["trace:port:1"] = true;
    Bytes body = {1, 2, 0, 2, 2, 7, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0xAA, 0xBB, 0xCC, 2, 2, 7, 0, 1};
    EXPECT_EQ(Caption(Dsdu(body)), std::string("通讯报文") + kTruncatedMark);
    ASSERT_EQ(rig.windows.frames.size(), 2u);
    EXPECT_EQ(rig.windows.frames[0].headerText, "2024-03-15 10:30:00 装置:装置(7) 地址:7 TCP\r\n");
    EXPECT_EQ(rig.windows.frames[0].frameText, "aa bb cc ");
}

TEST_F(DispatcherTest, TextMessages) {
    rig.windows.open["debug"] = true;
    rig.windows.open["cmd"] = true;
    rig.windows.open["proto:1"] = true;
    EXPECT_EQ(Caption(Dsdu(Cat({2, 45}, Text("调试")))), "调试信息");
    EXPECT_TRUE(rig.windows.Has("DebugText:00ff80:调试"));
    EXPECT_EQ(Caption(Dsdu({3})), "字符串命令");
    EXPECT_EQ(rig.windows.Count("Answer:"), 0);
    Caption(Dsdu({3, 'o', 'k'}));
    EXPECT_TRUE(rig.windows.Has("Answer:ok"));
    EXPECT_EQ(Caption(Dsdu(Cat({16, 1, 2}, Text("proto")))), "规约信息");
    EXPECT_TRUE(rig.windows.Has("ProtoText:proto"));
    EXPECT_EQ(Caption(Dsdu({2})), std::string("调试信息") + kTruncatedMark);
    // A frame that ends inside a double-byte character: the broken byte is dropped, not shown as "?".
    Bytes cut = Cat({2, 45}, Text("调试"));
    cut.pop_back();
    Caption(Dsdu(cut));
    EXPECT_TRUE(rig.windows.Has("DebugText:00ff80:调"));
    // A version text cut by its 128-byte field likewise.
    Bytes version = {33};
    version.insert(version.end(), 127, 'v');
    version.push_back(0xD6);
    version.push_back(0xD0);
    Caption(Dsdu(version));
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), "通讯装置版本号 : " + std::string(127, 'v'));
}

TEST_F(DispatcherTest, FileTransferMessagesFollowTheCatalogueDirection) {
    rig.windows.open["cata"] = true;
    EXPECT_EQ(Caption(Dsdu({4, 1, 0x00, 0x04, 0, 0, 7, 0, 0, 0})), "文件打开");
    EXPECT_TRUE(rig.windows.Has("OpenReply:1:1024:7"));
    Caption(Dsdu({4, 1, 0, 4}));
    EXPECT_EQ(rig.windows.Count("OpenReply"), 1);
    rig.windows.catalogueDirection = 0;
    EXPECT_EQ(Caption(Dsdu({6, 7, 0, 0, 0, 1, 3, 0})), "文件传输");
    EXPECT_TRUE(rig.windows.Has("ChunkAnswer:7:1:3"));
    rig.windows.catalogueDirection = 1;
    Caption(Dsdu({6, 7, 0, 0, 0, 0, 4, 0, 'x', 'y'}));
    EXPECT_TRUE(rig.windows.Has("Chunk:7:0:4:xy"));
    rig.windows.catalogueDirection = 5;
    rig.windows.calls.clear();
    Caption(Dsdu({6, 7, 0, 0, 0, 0, 4, 0}));
    EXPECT_TRUE(rig.windows.calls.empty());
}

TEST_F(DispatcherTest, DirectoryInPartsShowsOnTheLast) {
    rig.windows.open["cata"] = true;
    auto entry = [](const std::string& name, std::uint8_t type) {
        Bytes e;
        Le(e, 100, 4);
        Le(e, 1700000000, 4);
        e.push_back(type);
        e.push_back(static_cast<std::uint8_t>(name.size()));
        return Cat(e, Text(name));
    };
    Caption(Dsdu(Cat(Cat({8, 0, 1, 1, 0}, entry("a.txt", 1)), {})));
    EXPECT_TRUE(rig.windows.Has("Entry:a.txt:1:100:1700000000"));
    EXPECT_FALSE(rig.windows.Has("ShowEntries"));
    Bytes last = Cat(Cat({8, 0, 0, 2, 0}, entry("dir", 2)), entry("cut", 1));
    last.resize(last.size() - 2);
    EXPECT_EQ(Caption(Dsdu(last)), std::string("文件目录") + kTruncatedMark);
    EXPECT_TRUE(rig.windows.Has("Entry:dir:2:100:1700000000"));
    EXPECT_EQ(rig.windows.Count("Entry:"), 2);
    EXPECT_TRUE(rig.windows.Has("ShowEntries"));
}

TEST_F(DispatcherTest, ReferenceTableAnswers) {
    // Without the table's window the message is ignored, caption included.
    EXPECT_EQ(Caption(Dsdu({12, 0, 3, 0, 1, 3, 0, 0, 0, 0})), "");
    rig.windows.open["tab:0"] = true;
    CDeviceRecord& d5 = Device(5);
    CGroupRecord* g = d5.AddGroup(1);
    g->AddEntry(0x0201)->description = "开关";
    // Descriptions: start 40, count 2.
    Bytes desc = {12, 0, 3, 0, 1, 3, 40, 0, 2, 0};
    desc = Cat(desc, {5, 0, 0x01, 0x02, 0, 1, 1, 4, 'A', 'B', 'C', 'D'});
    desc = Cat(desc, {6, 0, 0x01, 0x03, 0, 1, 1, 0});
    rig.ClearSent();
    EXPECT_EQ(Caption(Dsdu(desc, 0)), "引用表监视 描述");
    EXPECT_TRUE(rig.windows.Has("Row:5:0201:ABCD"));
    EXPECT_TRUE(rig.windows.Has("Row:6:0301:"));
    EXPECT_TRUE(rig.windows.Has("RowsComplete"));
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0], (Bytes{12, 2, 0, 1, 0, 1, 3, 40, 0, 2, 0}));
    // Actual values: an entry being edited keeps its text.
    Bytes values = {12, 0, 2, 0, 1, 3, 40, 0, 1, 0, 5, 0, 0x01, 0x02, 0, 9, 1, 1, 2};
    EXPECT_EQ(Caption(Dsdu(values)), "引用表监视 实际值");
    EXPECT_EQ(testsupport::Found(d5.FindEntry(0x0201))->actualValue, "合");
    EXPECT_EQ(testsupport::Found(d5.FindEntry(0x0201))->dataType, 9);
    EXPECT_TRUE(rig.windows.Has("ValuesComplete"));
    testsupport::Found(d5.FindEntry(0x0201))->editFlag = 1;
    values.back() = 1;
    Caption(Dsdu(values));
    EXPECT_EQ(testsupport::Found(d5.FindEntry(0x0201))->actualValue, "合");
    // A device not in the model ends the message: no refresh.
    rig.windows.calls.clear();
    Caption(Dsdu({12, 0, 2, 0, 1, 3, 40, 0, 1, 0, 99, 0, 0x01, 0x02, 0, 9, 1, 1, 2}));
    EXPECT_FALSE(rig.windows.Has("ValuesComplete"));
    // Events: the warning view and the window's one value.
    Bytes ev = {12, 0, 1, 0, 1, 3, 0, 0, 1, 0, 5, 0, 0x01, 0x02, 0, 203, 8, 1, 2};
    ev = Cat(ev, Cp56(2024, 3, 15, 9, 8, 7123));
    EXPECT_EQ(Caption(Dsdu(ev)), "遥信事件(引用表)");
    ASSERT_EQ(rig.windows.events.size(), 1u);
    const Event& e = rig.windows.events[0];
    EXPECT_EQ(e.kind, 0);
    EXPECT_EQ(e.time, MakeLocalTime(2024, 3, 15, 9, 8, 7));
    EXPECT_EQ(e.ms, 123);
    EXPECT_EQ(e.name, "装置(5)");
    EXPECT_EQ(e.description, "开关");
    EXPECT_EQ(e.state, "合");
    EXPECT_TRUE(rig.windows.Has("TabValue:5:0201:合"));
}

TEST_F(DispatcherTest, RemoteCommandsWithSources) {
    rig.windows.open["rmt:0"] = true;
    auto record = [](std::uint8_t board, std::uint8_t source, std::uint8_t port, const std::string& self) {
        Bytes r = {board, source, port, 2, 5, 0, 0x01, 0x04, 9, 1, 1, 1};
        r = Cat(r, Cp56(2024, 3, 15, 8, 0, 0));
        r.push_back(static_cast<std::uint8_t>(self.size()));
        return Cat(r, Text(self));
    };
    Bytes body = {18, 0, 3, 0, 0, 0};
    body = Cat(body, record(0, 4, 9, "local"));
    body = Cat(body, record(0, 1, 2, ""));
    body = Cat(body, record(0, 7, 2, "x"));
    EXPECT_EQ(Caption(Dsdu(body)), "远方命令");
    const std::string t = std::to_string(MakeLocalTime(2024, 3, 15, 8, 0, 0));
    EXPECT_TRUE(rig.windows.Has("Rmt:组1条目4:2:当地:" + t + ":0401:分:local"));
    EXPECT_TRUE(rig.windows.Has("Rmt:组1条目4:2:板卡1NET2:" + t + ":0401:分:"));
    EXPECT_TRUE(rig.windows.Has("Rmt:组1条目4:2::" + t + ":0401:分:x"));
    EXPECT_TRUE(rig.windows.Has("RemoteCmdComplete:0"));
    // A count far beyond the body reads only what is there.
    EXPECT_EQ(Caption(Dsdu({18, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0, 1})), std::string("远方命令") + kTruncatedMark);
}

TEST_F(DispatcherTest, HistoryEventsNotifyEveryPart) {
    rig.windows.open["evt:0"] = true;
    auto record = [](std::uint8_t type) {
        Bytes r = {5, 0, 0x02, 0x01, 0, 0, type};
        r = Cat(r, Cp56(2024, 3, 14, 23, 59, 59000));
        return Cat(r, {3, 2, 1, 0x10, 0x00});
    };
    Caption(Dsdu(Cat({19, 1, 1, 0}, record(13))));
    EXPECT_TRUE(rig.windows.Has("HistoryComplete:0:0"));
    EXPECT_EQ(rig.windows.Count("Event:组2条目1:13:"), 1);
    Caption(Dsdu(Cat({19, 0, 1, 0}, record(1))));
    EXPECT_TRUE(rig.windows.Has("HistoryComplete:1:0"));
    EXPECT_TRUE(rig.windows.Has("Event:组2条目1:1:" + std::to_string(MakeLocalTime(2024, 3, 14, 23, 59, 59)) +
                                ":0102:16"));
    // An empty part names no device; a part of devices not in the model concerns no window.
    Caption(Dsdu({19, 0, 0, 0}));
    EXPECT_TRUE(rig.windows.Has("HistoryComplete:1:"));
    rig.windows.calls.clear();
    Bytes unknown = record(1);
    unknown[0] = 99;
    Caption(Dsdu(Cat({19, 0, 1, 0}, unknown)));
    EXPECT_EQ(rig.windows.Count("HistoryComplete"), 0);
}

TEST_F(DispatcherTest, ManualSettingReplies) {
    CDeviceRecord& d5 = Device(5);
    CEntryRecord* e = d5.AddGroup(1)->AddEntry(0x0101);
    e->editFlag = 1;
    // Entry done, entry refused, entry unknown.
    Bytes set = {20, 3, 5, 0, 0x01, 0x01, 0, 1, 5, 0, 0x01, 0x01, 0, 0, 5, 0, 0x09, 0x01, 0, 1};
    EXPECT_EQ(Caption(Dsdu(set)), "人工置数");
    EXPECT_EQ(e->manualSet, 1);
    EXPECT_EQ(e->editFlag, 0);
    EXPECT_TRUE(rig.windows.Has("ManualSetDone:5/0101"));
    e->editFlag = 1;
    EXPECT_EQ(Caption(Dsdu({21, 1, 5, 0, 0x01, 0x01, 0, 1})), "取消置数");
    EXPECT_EQ(e->manualSet, 0);
    EXPECT_EQ(e->editFlag, 1);
    EXPECT_TRUE(rig.windows.Has("ManualSetCancelled:5/0101"));
    rig.windows.calls.clear();
    Caption(Dsdu({21, 1, 5, 0, 0x01, 0x01, 0, 0}));
    EXPECT_TRUE(rig.windows.calls.empty());
    EXPECT_EQ(Caption(Dsdu({22, 0})), "取消全部置数");
    EXPECT_EQ(prompt.Count(), 0u);
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), "取消置数失败。");
}

TEST_F(DispatcherTest, DeviceStatesBringDevicesUpAndAskForTheirStructure) {
    rig.windows.open["comm"] = true;
    Bytes body = {25, 0, 0, 3, 0, 5, 0, 0x21, 6, 0, 0x30, 9, 0, 0x20};
    rig.ClearSent();
    EXPECT_EQ(Caption(Dsdu(body)), "装置通讯状态");
    EXPECT_EQ(Device(5).communicating, 1);
    EXPECT_EQ(Device(5).commState, 0x21);
    EXPECT_EQ(Device(6).communicating, 0);
    EXPECT_TRUE(rig.windows.Has("NodeState:1:1:0:1"));
    EXPECT_EQ(rig.windows.Count("NodeState"), 1);
    ASSERT_EQ(rig.windows.events.size(), 1u);
    EXPECT_EQ(rig.windows.events[0].kind, 2);
    EXPECT_EQ(rig.windows.events[0].state, "通");
    EXPECT_EQ(rig.windows.events[0].time, now_);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0], (Bytes{21, 0x81, 42, 0, 254, 240, 0, 0}));
    EXPECT_EQ(U16(rig.transport->sent[0], 14), 5);
    EXPECT_TRUE(rig.windows.Has("UpdateStates:1"));
    // The same state again changes nothing; going down is reported.
    rig.windows.events.clear();
    Caption(Dsdu({25, 1, 0, 1, 0, 5, 0, 0xA0}));
    EXPECT_TRUE(rig.windows.events.empty());
    Caption(Dsdu({25, 0, 0, 1, 0, 5, 0, 0x10}));
    ASSERT_EQ(rig.windows.events.size(), 1u);
    EXPECT_EQ(rig.windows.events[0].state, "断");
}

TEST_F(DispatcherTest, LinkStates) {
    rig.windows.open["comm"] = true;
    EXPECT_EQ(Caption(Dsdu({26, 0, 0, 2, 0, 1, 2, 2, 0, 0, 1, 3})), "连接通讯状态");
    EXPECT_EQ(rig.model.Ports()[1]->up, 1);
    EXPECT_EQ(rig.model.Ports()[0]->up, 0);
    EXPECT_EQ(rig.model.Ports()[0]->commState, 3);
    EXPECT_TRUE(rig.windows.Has("NodeState:1:0:1:1"));
    EXPECT_TRUE(rig.windows.Has("NodeState:2:0:1:1"));
    EXPECT_EQ(rig.windows.events[0].name, "NET2");
    EXPECT_TRUE(rig.windows.Has("UpdateStates:0"));
}

TEST_F(DispatcherTest, WaveformRecordsWithAndWithoutSource) {
    rig.windows.open["wave:2"] = true;
    Bytes rec = {7, 0, 9, 0};
    rec = Cat(rec, Cp56(2024, 1, 2, 3, 4, 5000));
    rec.push_back(3);
    rec = Cat(rec, Text("w.c"));
    EXPECT_EQ(Caption(Dsdu(Cat({27, 0, 1, 0}, rec))), "波形记录");
    const std::string t = std::to_string(MakeLocalTime(2024, 1, 2, 3, 4, 5));
    EXPECT_TRUE(rig.windows.Has("Wave:w.c::" + t + ":9"));
    EXPECT_EQ(rig.windows.Count("WaveComplete:2"), 1);
    Caption(Dsdu(Cat(Cat({34, 0, 1, 0}, rec), Cat({2}, Text("s1")))));
    EXPECT_TRUE(rig.windows.Has("Wave:w.c:s1:" + t + ":9"));
    EXPECT_EQ(Caption(Dsdu(Cat(Cat({34, 0, 1, 0}, rec), {5, 's'}))),
              std::string("波形记录") + kTruncatedMark);
}

TEST_F(DispatcherTest, DeviceAndPortNamesThenDescriptions) {
    Bytes info = {29, 0, 1, 5, 0};
    info = Cat(info, Text("线路保护", 40));
    info = Cat(info, Text("L1", 40));
    rig.ClearSent();
    EXPECT_EQ(Caption(Dsdu(info)), "监视装置信息");
    EXPECT_EQ(Device(5).name, "L1");
    EXPECT_EQ(Device(5).description, "线路保护");
    EXPECT_EQ(rig.SentBodies(), (std::vector<Bytes>{{30}}));
    Bytes ports = {30, 0, 1, 0, 1, 2};
    ports = Cat(ports, Text("上行网口", 40));
    EXPECT_EQ(Caption(Dsdu(ports)), "监视端口信息");
    EXPECT_EQ(rig.model.Ports()[1]->description, "上行网口");
    EXPECT_TRUE(rig.windows.Has("RefreshNodeTexts:1"));
    EXPECT_TRUE(rig.windows.Has("RefreshNodeTexts:2"));
}

TEST_F(DispatcherTest, LogClockStatisticsAndVersion) {
    rig.windows.open["log:0:0"] = true;
    rig.windows.open["log:1:2"] = true;
    rig.windows.open["clock"] = true;
    rig.windows.open["stat:0"] = true;
    Bytes log = {31, 3, 0};
    log = Cat(log, Cat({4, 0, 0}, Cp56(2024, 2, 1, 0, 0, 0)));
    log = Cat(log, Cat({5, 7, 0}, Cp56(2024, 2, 1, 0, 0, 0)));
    log = Cat(log, Cat({6, 8, 0}, Cp56(2024, 2, 1, 0, 0, 0))); // no such device
    EXPECT_EQ(Caption(Dsdu(log)), "日志");
    EXPECT_EQ(rig.windows.Count("Log:4:"), 1);
    EXPECT_EQ(rig.windows.Count("Log:5:"), 1);
    EXPECT_EQ(rig.windows.Count("Log:6:"), 0);

    EXPECT_EQ(Caption(Dsdu(Cat({28}, Cp56(2024, 1, 1, 0, 0, 0x42)), 3)), "装置时钟");
    EXPECT_TRUE(rig.windows.Has("Clock:3:42"));

    Bytes stat = {32, 0, 2, 0, 5, 0, 9, 0};
    stat = Cat(stat, Text("温度", 32));
    stat.resize(48, 0);
    for (float v : {1.5f, 2.5f}) {
        Bytes s(4);
        std::memcpy(s.data(), &v, 4);
        for (int i = 0; i < 3; ++i)
            s = Cat(s, Cp56(2024, 1, 1, 0, 0, 0));
        stat = Cat(stat, s);
    }
    EXPECT_EQ(Caption(Dsdu(stat)), "统计数据");
    EXPECT_EQ(rig.windows.Count("Sample:1.50:"), 1);
    EXPECT_EQ(rig.windows.Count("Sample:2.50:"), 1);
    EXPECT_TRUE(rig.windows.Has("StatEntry:9:温度:1"));

    Bytes version = Cat({33}, Text("V2.04", 128));
    // The version box opens after the frame's handling, never inside it.
    EXPECT_EQ(Caption(Dsdu(version)), "装置版本号");
    EXPECT_EQ(prompt.Count(), 0u);
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), "通讯装置版本号 : V2.04");
    Caption(Dsdu({33, 'V', '1'})); // shorter than the field: read to the end of the body
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), "通讯装置版本号 : V1");
}

// Every management code reaches its handler and gives its caption, also when the body is only the
// code: the handler then reads nothing and marks the caption (the port information, which drops
// the link then, has its own tests).
TEST_F(DispatcherTest, EveryMessageCodeHasItsHandlerAndCaption) {
    const std::pair<std::uint8_t, std::string> codes[] = {
        {1, "通讯报文"},
        {2, "调试信息"},
        {3, "字符串命令"},
        {4, "文件打开"},
        {6, "文件传输"},
        {8, "文件目录"},
        {12, ""},
        {14, "口令验证"},
        {15, "口令应答"},
        {16, "规约信息"},
        {18, "远方命令"},
        {19, "历史事件"},
        {20, "人工置数"},
        {21, "取消置数"},
        {22, "取消全部置数"},
        {25, "装置通讯状态"},
        {26, "连接通讯状态"},
        {27, "波形记录"},
        {28, "装置时钟"},
        {29, "监视装置信息"},
        {30, "监视端口信息"},
        {31, "日志"},
        {32, "统计数据"},
        {33, "装置版本号"},
        {34, "波形记录"},
    };
    for (const auto& [code, caption] : codes) {
        const std::string shown = Caption(Dsdu({code}));
        EXPECT_EQ(shown.substr(0, caption.size()), caption) << int(code);
        const std::string rest = shown.substr(std::min(caption.size(), shown.size()));
        EXPECT_TRUE(rest.empty() || rest == kTruncatedMark) << int(code) << " " << shown;
    }
    EXPECT_TRUE(rig.link->IsConnected());
    rig.host.RunPosted();
    EXPECT_EQ(prompt.LastText(), "通讯装置版本号 : ");
}

TEST_F(DispatcherTest, UnknownCodesAreLoggedWithoutCaption) {
    for (std::uint8_t code : {0, 5, 7, 9, 10, 11, 13, 23, 24, 35, 255})
        EXPECT_EQ(Caption(Dsdu({code, 1, 2})), "") << int(code);
}

// ---- generic-service ASDUs ----

namespace {
Bytes Title(std::uint8_t group, const std::string& title) {
    const Bytes t = Text(title);
    return DataSet(group, 10, 1, 1, static_cast<std::uint8_t>(t.size()), t);
}
} // namespace

TEST_F(DispatcherTest, AsduFromUnknownDeviceOrOtherTypeIsIgnored) {
    EXPECT_EQ(Caption(Asdu(99, Cat(AsduHead(42, 240, 0), {}))), "");
    EXPECT_EQ(Caption(Asdu(5, {10, 0x81, 42, 0, 253, 240, 0, 0})), "");
    EXPECT_EQ(Caption(Asdu(5, {10, 0x81, 42})), "");
    EXPECT_EQ(Caption(Asdu(5, Cat(AsduHead(42, 242, 0), {}))), "");
}

TEST_F(DispatcherTest, GroupTitlesGiveKindsAndStartTheDescriptions) {
    CDeviceRecord& d = Device(5);
    Bytes asdu = AsduHead(42, 240, 4);
    asdu = Cat(asdu, Title(1, "遥信/开入"));
    asdu = Cat(asdu, Title(2, "保护定值"));
    asdu = Cat(asdu, Title(3, "遥测统计数据"));
    asdu = Cat(asdu, Title(4, "/遥信"));
    rig.ClearSent();
    EXPECT_EQ(Caption(Asdu(5, asdu)), "组标题");
    ASSERT_EQ(d.Groups().size(), 4u);
    EXPECT_EQ(testsupport::Found(d.FindGroup(1))->kind, 1);
    EXPECT_EQ(testsupport::Found(d.FindGroup(1))->title, "遥信/开入");
    EXPECT_EQ(testsupport::Found(d.FindGroup(2))->kind, 2);
    EXPECT_EQ(testsupport::Found(d.FindGroup(3))->kind, 3);
    EXPECT_EQ(testsupport::Found(d.FindGroup(4))->kind, 2);
    // Descriptions of the first group.
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0], (Bytes{21, 0x81, 42, 0, 254, 241, 0, 1, 1, 0, 10}));
    EXPECT_EQ(d.readState, CDeviceRecord::kDescriptions);
    // A repeated title keeps the first one.
    Caption(Asdu(5, Cat(AsduHead(42, 240, 0x81), Title(1, "遥测/x"))));
    EXPECT_EQ(testsupport::Found(d.FindGroup(1))->title, "遥信/开入");
    // A title set with another KOD ends the answer at once.
    Caption(Asdu(5, Cat(AsduHead(42, 240, 1), DataSet(9, 5, 1, 1, 1, {'x'}))));
    EXPECT_EQ(d.FindGroup(9), nullptr);
}

TEST_F(DispatcherTest, StructureIsReadStepByStep) {
    CDeviceRecord& d = Device(5);
    Caption(Asdu(5, Cat(Cat(AsduHead(42, 240, 2), Title(1, "遥信/开入")), Title(2, "定值"))));
    rig.ClearSent();
    // Descriptions of group 1 in two answers; the first has the continuation bit.
    Caption(Asdu(5, Cat(AsduHead(42, 241, 0x81), DataSet(0x0101, 10, 1, 1, 2, Text("K1")))));
    EXPECT_TRUE(rig.SentBodies().empty());
    EXPECT_EQ(Caption(Asdu(5, Cat(AsduHead(42, 241, 0x01), DataSet(0x0201, 10, 1, 1, 2, Text("K2"))))),
              "描述");
    EXPECT_EQ(testsupport::Found(d.FindEntry(0x0101))->description, "K1");
    EXPECT_EQ(testsupport::Found(d.FindEntry(0x0201))->address, 5);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    ASSERT_GT(rig.SentBodies()[0].size(), 8u);
    EXPECT_EQ(rig.SentBodies()[0][8], 2); // next group
    // Group 2's descriptions complete the structure; dimensions follow for the setting group only.
    rig.ClearSent();
    Caption(Asdu(5, Cat(AsduHead(42, 241, 1), DataSet(0x0102, 10, 1, 1, 2, Text("I1")))));
    EXPECT_EQ(d.structureComplete, 1);
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[0], (Bytes{21, 0x81, 42, 0, 254, 241, 2, 1, 2, 0, 9}));
    EXPECT_EQ(d.readState, CDeviceRecord::kDimensions);
    rig.ClearSent();
    EXPECT_EQ(Caption(Asdu(5, Cat(AsduHead(42, 241, 1), DataSet(0x0102, 9, 1, 1, 1, Text("A"))))), "量纲");
    EXPECT_EQ(testsupport::Found(d.FindEntry(0x0102))->dimension, "A");
    ASSERT_GT(rig.SentBodies().size(), 0u);
    ASSERT_GT(rig.SentBodies()[0].size(), 10u);
    EXPECT_EQ(rig.SentBodies()[0][10], 5);
    // Precision: two one-byte elements.
    rig.ClearSent();
    EXPECT_EQ(Caption(Asdu(5, Cat(AsduHead(42, 241, 1), DataSet(0x0102, 5, 3, 1, 2, {4, 2})))), "精度");
    EXPECT_EQ(testsupport::Found(d.FindEntry(0x0102))->precision1, "4");
    EXPECT_EQ(testsupport::Found(d.FindEntry(0x0102))->precision2, "2");
    ASSERT_GT(rig.SentBodies().size(), 0u);
    ASSERT_GT(rig.SentBodies()[0].size(), 10u);
    EXPECT_EQ(rig.SentBodies()[0][10], 3);
    // Ranges: three two-byte elements; then the reading ends.
    rig.ClearSent();
    EXPECT_EQ(Caption(Asdu(5, Cat(AsduHead(42, 241, 1), DataSet(0x0102, 3, 3, 2, 3, {0, 0, 100, 0, 5, 0})))),
              "量程");
    EXPECT_EQ(testsupport::Found(d.FindEntry(0x0102))->rangeMax, "100");
    EXPECT_EQ(testsupport::Found(d.FindEntry(0x0102))->rangeStep, "5");
    EXPECT_TRUE(rig.SentBodies().empty());
    EXPECT_EQ(d.readState, CDeviceRecord::kIdle);

    // Actual values of group 2 with two decimals from the precision.
    rig.windows.open["set:0"] = true;
    rig.link->RequestGroupValues(d, 2);
    float v = 1.23456f;
    Bytes fv(4);
    std::memcpy(fv.data(), &v, 4);
    EXPECT_EQ(Caption(Asdu(5, Cat(AsduHead(42, 241, 1), DataSet(0x0102, 1, 7, 4, 1, fv)))), "实际值");
    EXPECT_EQ(testsupport::Found(d.FindEntry(0x0102))->actualValue, "1.23");
    EXPECT_TRUE(rig.windows.Has("SetGroupValues:2"));
    EXPECT_EQ(d.readState, CDeviceRecord::kIdle);
}

TEST_F(DispatcherTest, EmptyDescriptionAnswerMovesTheReadingOn) {
    CDeviceRecord& d = Device(5);
    Caption(Asdu(5, Cat(Cat(AsduHead(42, 240, 2), Title(1, "定值")), Title(2, "定值2"))));
    rig.ClearSent();
    Caption(Asdu(5, AsduHead(42, 241, 0))); // no data sets for group 1
    ASSERT_EQ(rig.SentBodies().size(), 1u);
    ASSERT_GT(rig.SentBodies()[0].size(), 8u);
    EXPECT_EQ(rig.SentBodies()[0][8], 2);
    EXPECT_EQ(testsupport::Found(d.FindGroup(1))->hasDescriptions, 1);
}

TEST_F(DispatcherTest, UnexpectedKodOrInvalidAnswerEndsTheChain) {
    CDeviceRecord& d = Device(5);
    Caption(Asdu(5, Cat(AsduHead(42, 240, 1), Title(1, "定值"))));
    rig.ClearSent();
    Caption(Asdu(5, Cat(AsduHead(42, 241, 1), DataSet(0x0101, 9, 1, 1, 1, {'x'}))));
    EXPECT_TRUE(rig.SentBodies().empty());
    EXPECT_EQ(testsupport::Found(d.FindGroup(1))->hasDescriptions, 0);
    // Invalid dimensions answer: the group counts as read, nothing is asked.
    Caption(Asdu(5, Cat(AsduHead(42, 241, 1), DataSet(0x0101, 10, 1, 1, 1, {'x'}))));
    rig.ClearSent();
    ASSERT_EQ(d.readState, CDeviceRecord::kDimensions);
    EXPECT_EQ(Caption(Asdu(5, Cat(AsduHead(43, 241, 1), DataSet(0x0001, 9, 0, 0, 0, {})))), "量纲无效");
    EXPECT_EQ(testsupport::Found(d.FindGroup(1))->hasDimensions, 1);
    EXPECT_TRUE(rig.SentBodies().empty());
}

TEST_F(DispatcherTest, CutDataSetIsNotReadPastTheEnd) {
    CDeviceRecord& d = Device(5);
    Caption(Asdu(5, Cat(AsduHead(42, 240, 1), Title(1, "定值"))));
    Bytes asdu = Cat(AsduHead(42, 241, 1), DataSet(0x0101, 10, 1, 1, 40, Text("short")));
    EXPECT_EQ(Caption(Asdu(5, asdu)), std::string("描述") + kTruncatedMark);
    EXPECT_EQ(d.FindEntry(0x0101), nullptr);
}

TEST_F(DispatcherTest, SpontaneousAndInterrogationValues) {
    rig.windows.open["tele:0"] = true;
    CDeviceRecord& d = Device(5);
    CEntryRecord* e = d.AddGroup(1)->AddEntry(0x0301);
    e->description = "断路器";
    Bytes dpi = {2};
    dpi = Cat(dpi, {0x98, 0x3A, 7, 13}); // type 18: state then the device time
    EXPECT_EQ(Caption(Asdu(5, Cat(AsduHead(1, 244, 1), DataSet(0x0301, 1, 18, 5, 1, dpi)))), "遥信事件");
    EXPECT_EQ(e->actualValue, "合");
    ASSERT_EQ(rig.windows.events.size(), 1u);
    EXPECT_EQ(rig.windows.events[0].time, MakeLocalTime(2024, 3, 15, 13, 7, 15));
    EXPECT_EQ(rig.windows.events[0].description, "断路器");
    EXPECT_EQ(rig.windows.events[0].address, 5);
    EXPECT_TRUE(rig.windows.Has("TeleValue:0301:合"));

    e->editFlag = 1;
    EXPECT_EQ(Caption(Asdu(5, Cat(AsduHead(9, 245, 1), DataSet(0x0301, 1, 9, 1, 1, {1})))), "总查询返回");
    EXPECT_EQ(e->actualValue, "合");
    EXPECT_EQ(e->dataType, 9);
    EXPECT_TRUE(rig.windows.Has("TeleGroupValues"));
    EXPECT_EQ(Caption(Asdu(5, AsduHead(1, 245, 0))), "");
}

TEST_F(DispatcherTest, WriteAcknowledgementsGoToTelecontrolOrSettings) {
    rig.windows.open["tele:0"] = true;
    rig.windows.open["set:0"] = true;
    CDeviceRecord& d = Device(5);
    d.writeState = 1;
    EXPECT_EQ(Caption(Asdu(5, AsduHead(44, 249, 0))), "写确认");
    EXPECT_EQ(Caption(Asdu(5, AsduHead(40, 250, 0))), "执行写肯定");
    EXPECT_EQ(Caption(Asdu(5, AsduHead(40, 251, 0))), "撤销写肯定");
    EXPECT_EQ(Caption(Asdu(5, AsduHead(41, 249, 0))), "确认写否定");
    EXPECT_EQ(Caption(Asdu(5, AsduHead(41, 250, 0))), "执行写否定");
    EXPECT_EQ(Caption(Asdu(5, AsduHead(41, 251, 0))), "撤销写否定");
    EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"TeleAck:0:1", "TeleAck:1:1", "TeleAck:2:1",
                                                           "TeleAck:0:0", "TeleAck:1:0", "TeleAck:2:0"}));
    rig.windows.calls.clear();
    d.writeState = 2;
    for (auto [cot, inf] : {std::pair{44, 249}, {40, 250}, {40, 251}, {41, 249}, {41, 250}, {41, 251}})
        Caption(Asdu(5, AsduHead(static_cast<std::uint8_t>(cot), static_cast<std::uint8_t>(inf), 0)));
    EXPECT_EQ(rig.windows.calls,
              (std::vector<std::string>{"WriteAck:1:1", "WriteAck:0:1", "WriteAck:1:0", "WriteAck:0:0"}));
    EXPECT_EQ(Caption(Asdu(5, AsduHead(40, 249, 0))), "");
}

TEST_F(DispatcherTest, DeviceCommandsNeedACommunicatingDevice) {
    CDeviceRecord& d = Device(5);
    rig.ClearSent();
    EXPECT_EQ(rig.dispatcher->SignalReset(d), 0);
    EXPECT_EQ(prompt.LastText(), "装置未连通。");
    EXPECT_EQ(rig.dispatcher->ReinitialiseDevice(d), 0);
    EXPECT_TRUE(rig.SentBodies().empty());
    d.communicating = 1;
    d.AddGroup(1);
    d.structureComplete = 1;
    EXPECT_EQ(rig.dispatcher->SignalReset(d), 1);
    EXPECT_EQ(rig.dispatcher->ReinitialiseDevice(d), 1);
    EXPECT_TRUE(d.Groups().empty());
    EXPECT_EQ(d.structureComplete, 0);
    ASSERT_EQ(rig.SentBodies().size(), 2u);
    EXPECT_EQ(rig.SentBodies()[0], (Bytes{20, 0x81, 20, 0, 255, 19, 2, 0}));
    ASSERT_GT(rig.SentBodies().size(), 1u);
    EXPECT_EQ(rig.SentBodies()[1], (Bytes{21, 0x81, 42, 0, 254, 240, 1, 0})); // RII counts on
}
