// Board records and their arrays, the group queue, the login key, the value texts of the IEC 103
// data and the log files.
#include "debugger/core/DbEntry.h"
#include "debugger/core/LogFiles.h"
#include "debugger/core/QuorvexData.h"
#include "debugger/core/UnitBoard.h"
#include "debugger/core/ValueText.h"
#include "tests/support/Found.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvex;

namespace {

CUnitPort Port(std::uint8_t number, std::initializer_list<std::uint16_t> addresses) {
    CUnitPort p;
    p.m_portNumber = number;
    for (auto a : addresses)
        p.m_addresses.Add(CUnitAddress(a));
    return p;
}

std::string Actual(std::uint8_t type, std::vector<std::uint8_t> data, bool any12 = false) {
    std::string text = "old";
    ActualValueText(type, static_cast<std::uint8_t>(data.size()), data.data(), data.size(), text, any12);
    return text;
}

} // namespace

TEST(UnitBoardTest, ArraysGrowAndCopyByValue) {
    CUnitAddressArray a;
    a.SetAtGrow(5, CUnitAddress(7));
    EXPECT_EQ(a.GetSize(), 6);
    EXPECT_EQ(a.GetAt(5).m_address, 7);
    EXPECT_EQ(a.GetAt(2).m_address, 0);
    EXPECT_EQ(a.GetAt(99).m_address, 0); // outside: a default record, no read past the end
    a.SetSize(2);
    EXPECT_EQ(a.GetSize(), 2);
    a.SetSize(0);
    EXPECT_TRUE(a.IsEmpty());

    CUnitBoard b;
    b.m_serialPorts.Add(Port(1, {3}));
    CUnitBoard copy = b;
    b.m_serialPorts[0].m_addresses[0].m_address = 9;
    EXPECT_EQ(copy.m_serialPorts[0].m_addresses[0].m_address, 3);
}

TEST(UnitBoardTest, CombinedPortPositionsAndLookups) {
    CUnitBoardArray boards;
    CUnitBoard netOnly;
    netOnly.m_boardNumber = 1;
    netOnly.m_netPorts.Add(Port(4, {20, 21}));
    boards.Add(netOnly);
    CUnitBoard both;
    both.m_boardNumber = 3;
    both.m_serialPorts.Add(Port(1, {5}));
    both.m_netPorts.Add(Port(2, {21}));
    boards.Add(both);

    std::uint8_t type = 9;
    ASSERT_NE(netOnly.PortAt(0, &type), nullptr);
    EXPECT_EQ(netOnly.PortAt(0)->m_portNumber, 4);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(both.PortAt(1, &type)->m_portNumber, 2);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(both.PortAt(0, &type)->m_portNumber, 1);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(both.PortAt(2), nullptr);

    EXPECT_EQ(FindBoard(boards, 3), &boards[1]);
    EXPECT_EQ(FindBoard(boards, 2), nullptr);
    EXPECT_EQ(testsupport::Found(FindBoardOfAddress(boards, 21))->m_boardNumber,
              1); // the first board that lists it
    EXPECT_EQ(testsupport::Found(FindBoardOfAddress(boards, 5))->m_boardNumber, 3);
    EXPECT_EQ(FindBoardOfAddress(boards, 6), nullptr);
}

TEST(UnitBoardTest, ABoardIsStillReachableOnlyOnAnUpLinkThatStillHasIt) {
    CUnitBoardArray boards;
    CUnitBoard b;
    b.m_boardNumber = 3;
    boards.Add(b);
    struct Case {
        bool connected;
        int board;
        bool reachable;
    };
    const Case cases[] = {
        {true, 3, true},     {true, 2, false},         {true, 0, false},
        {true, 255, true},   {true, kNoBoard, true},   {false, 3, false},
        {false, 255, false}, {false, kNoBoard, false}, {true, 256, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BoardStillReachable(c.connected, boards, c.board), c.reachable)
            << c.connected << " " << c.board;
    // The link dropped: its boards are gone, and no board is reachable any more.
    EXPECT_FALSE(BoardStillReachable(true, CUnitBoardArray(), 3));
}

TEST(UnitBoardTest, PortNamesLoseTheirSpaces) {
    const std::string field = platform::ToGbk("串 口1  ") + std::string("\0\0\0", 3);
    EXPECT_EQ(PortNameFromField(reinterpret_cast<const std::uint8_t*>(field.data()), 10), "串口1");
    const std::uint8_t full[12] = {'A', ' ', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K'};
    EXPECT_EQ(PortNameFromField(full, 12), "ABCDEFGHI"); // cut at 10 bytes
}

TEST(GroupQueueTest, NextGroupWalksTheQueue) {
    CGroupQueue q;
    EXPECT_EQ(q.NextGroup(), CGroupQueue::kNone);
    q.Add(5);
    EXPECT_EQ(q.NextGroup(), CGroupQueue::kEnd);
    EXPECT_EQ(q.NextGroup(), CGroupQueue::kEnd);
    q.Clear();
    q.Add(1);
    q.Add(2);
    q.Add(3);
    EXPECT_EQ(q.First(), 1);
    EXPECT_EQ(q.NextGroup(), 2);
    EXPECT_EQ(q.NextGroup(), 3);
    EXPECT_EQ(q.NextGroup(), CGroupQueue::kEnd);
    q.Clear();
    for (int i = 0; i < CGroupQueue::kCapacity; ++i)
        EXPECT_TRUE(q.Add(static_cast<std::uint16_t>(i)));
    EXPECT_FALSE(q.Add(1)); // full
}

TEST(GroupQueueTest, LoginKeyFromCommandLine) {
    EXPECT_EQ(LoginKeyFromCommandLine("12345"), 12345);
    EXPECT_EQ(LoginKeyFromCommandLine("70000"), 4464);
    EXPECT_EQ(LoginKeyFromCommandLine(""), 30517);
    EXPECT_EQ(LoginKeyFromCommandLine("abc"), 0);
}

TEST(ValueTextTest, ActualValues) {
    EXPECT_EQ(Actual(0, {}), "无数据");
    EXPECT_EQ(Actual(3, {0x34, 0x12, 0xFF, 0xFF}), "4660");
    EXPECT_EQ(Actual(7, {0x00, 0x00, 0xC0, 0x3F}), "1.500000");
    EXPECT_EQ(Actual(7, {0x00, 0x00}), "old"); // too short for a float
    // -5 x 8 with the invalid and overflow bits.
    EXPECT_EQ(Actual(12, {0xDB, 0xFF}), "-5|无效|溢出");
    EXPECT_EQ(Actual(12, {0x08}), "old");
    EXPECT_EQ(Actual(12, {0x10}, true), "2");
    EXPECT_EQ(Actual(18, {0x81}), "分|无效");
    EXPECT_EQ(Actual(19, {0x02}), "合");
    EXPECT_EQ(Actual(18, {0x03}), "数据错");
    EXPECT_EQ(Actual(201, {0xFF, 0xFF, 0xFF, 0xFF, 0xE0}), "-1|溢出|被调整|无效");
    EXPECT_EQ(Actual(202, {0x56, 0x34, 0x12, 0x30}), "123456|闭锁|取代");
    EXPECT_EQ(Actual(206, {0x08}), "不允许");
    EXPECT_EQ(Actual(206, {0x09}), "选择同期工作方式遥控分执行");
    EXPECT_EQ(Actual(206, {0x92}), "无效方式遥控合选择");
    EXPECT_EQ(Actual(206, {0xD1}), "选择同期工作方式遥控合撤消");
    EXPECT_EQ(Actual(206, {0x19}), "不允许");
    EXPECT_EQ(Actual(99, {1}), "old");
}

TEST(ValueTextTest, TrimNumber) {
    EXPECT_EQ(TrimNumber("1.500"), "1.5");
    EXPECT_EQ(TrimNumber("2.000000"), "2");
    EXPECT_EQ(TrimNumber("100"), "100");
    EXPECT_EQ(TrimNumber("-0.250"), "-0.25");
}

TEST(ValueTextTest, GroupValues) {
    auto group = [](std::uint8_t type, std::uint8_t size, std::uint8_t number, std::vector<std::uint8_t> d) {
        std::string t = "old";
        GroupValueText(type, size, number, d.data(), d.size(), t);
        return t;
    };
    EXPECT_EQ(group(2, 12, 1, {0x05, 0x0A}), "101000000101(0a05)");
    EXPECT_EQ(group(1, 6, 1, {'a', 'b', 'c', 0, 'x', 'y'}), "abc");
    EXPECT_EQ(group(17, 2, 1, {0xFF, 0x7F}), "32767");
    EXPECT_EQ(group(9, 1, 1, {1}), "0");
    EXPECT_EQ(group(9, 1, 1, {2}), "1");
    EXPECT_EQ(group(19, 1, 1, {0x83}), "数据错|无效");
    EXPECT_EQ(group(23, 0, 0, {}), "未定义");
    EXPECT_EQ(group(12, 2, 1, {1, 2}), "old");
}

TEST(ValueTextTest, CommandAndHistoryValuesAndEchoes) {
    const std::uint8_t three[] = {3};
    EXPECT_EQ(RemoteCommandValueText(9, 1, three, 1), "");
    const std::uint8_t one[] = {1};
    EXPECT_EQ(RemoteCommandValueText(19, 1, one, 1), "分");
    EXPECT_EQ(RemoteCommandValueText(0, 0, nullptr, 0), "无数据");
    const std::uint8_t big[] = {0x10, 0x27, 0x01, 0x00};
    EXPECT_EQ(RemoteCommandValueText(3, 4, big, 4), "10000");
    const std::uint8_t bad[] = {0x80};
    EXPECT_EQ(HistoryEventValueText(18, 1, bad, 1), "数据错|无效");
    EXPECT_EQ(HistoryEventValueText(23, 0, nullptr, 0), "未定义");
    EXPECT_EQ(HistoryEventValueText(4, 1, one, 1), "");

    // Type 3 is unsigned, as its texts show it.
    const std::uint8_t allOnes[] = {0xFF, 0xFF};
    EXPECT_EQ(EchoValue(3, 2, allOnes, 2), 65535.0f);
    const std::uint8_t f[] = {0x00, 0x00, 0xC0, 0x3F};
    EXPECT_EQ(EchoValue(7, 4, f, 4), 1.5f);
    const std::uint8_t dp2[] = {2};
    EXPECT_EQ(EchoValue(9, 1, dp2, 1), 1.0f);
    EXPECT_EQ(EchoValue(19, 1, one, 1), 0.0f);
    EXPECT_EQ(EchoValue(1, 1, one, 1), 0.0f);
}

// A log line that cannot be written leaves no torn entry; the failure is told once, and again only
// after a write succeeded.
TEST(LogFilesTest, AFailedAppendKeepsNoTornEntryAndIsToldOnce) {
    testsupport::TempDir dir;
    CLogFiles logs(dir.Path());
    std::vector<std::string> told;
    logs.m_onFailure = [&](const std::string& path) { told.push_back(path); };
    CEventRecord ev{"SOE", 7, 3, 12, "合", "10时5分7秒250毫秒"};
    const std::string line =
        platform::ToGbk("事件:SOE 地址:7 组号:3 条目号:12 动作:合 时间:10时5分7秒250毫秒\r\n");
    logs.SaveEventFile(ev, CLogFiles::kDeviceEvent);
    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Write, 1);
        logs.SaveEventFile(ev, CLogFiles::kDeviceEvent);
        logs.SaveEventFile(ev, CLogFiles::kDeviceEvent);
        EXPECT_EQ(faults.Failed(platform::FileStep::Write), 2);
    }
    EXPECT_EQ(told, (std::vector<std::string>{(dir / "DevEvt.qv").string()}));
    EXPECT_EQ(testsupport::ReadBytes(dir / "DevEvt.qv"), line);
    logs.SaveEventFile(ev, CLogFiles::kDeviceEvent);
    EXPECT_EQ(testsupport::ReadBytes(dir / "DevEvt.qv"), line + line);
    {
        platform::CFileFaults faults;
        faults.FailNth(platform::FileStep::Open, 1);
        logs.SaveEventFile(ev, CLogFiles::kDeviceEvent);
    }
    EXPECT_EQ(told.size(), 2u);
}

TEST(LogFilesTest, LinesAreAppendedInGbkWithCrLf) {
    testsupport::TempDir dir;
    CLogFiles logs(dir.Path());
    CEventRecord ev{"SOE", 7, 3, 12, "合", "10时5分7秒250毫秒"};
    logs.SaveEventFile(ev, CLogFiles::kDeviceEvent);
    logs.SaveEventFile(ev, CLogFiles::kDeviceEvent);
    logs.SaveEventFile(ev, CLogFiles::kTableEvent);
    const std::string line = "事件:SOE 地址:7 组号:3 条目号:12 动作:合 时间:10时5分7秒250毫秒\r\n";
    EXPECT_EQ(testsupport::ReadBytes(dir / "DevEvt.qv"), platform::ToGbk(line + line));
    EXPECT_EQ(testsupport::ReadBytes(dir / "TabEvt.qv"), platform::ToGbk(line));

    CRemoteCommandRecord rc;
    rc.m_sourceBoard = 1;
    rc.m_sourceClass = 2;
    rc.m_sourcePort = 4;
    rc.m_commandType = 13;
    rc.m_address = 9;
    rc.m_group = 1;
    rc.m_entry = 2;
    rc.m_value = "分";
    rc.m_time = CDeviceTime{59999, 7, 8, 3, 11, 2007};
    rc.m_description = "描述";
    logs.SaveRemoteCommand(rc);
    EXPECT_EQ(testsupport::ReadBytes(dir / "rmtcomm.qv"),
              platform::ToGbk(
                  "未定义命令 命令源板卡2未知命令源4装置9 组号1 条目号2 分 2007-11-03 08:07:59 描述\r\n"));

    CHistoryEventRecord he;
    he.m_address = 300;
    he.m_group = 4;
    he.m_entry = 5;
    he.m_fun = 254;
    he.m_inf = 244;
    he.m_eventType = 12;
    he.m_value = "合";
    he.m_time = CDeviceTime{1000, 0, 23, 31, 12, 2020};
    logs.SaveHistoryEvent(he);
    he.m_eventType = 0;
    logs.SaveHistoryEvent(he);
    EXPECT_EQ(testsupport::ReadBytes(dir / "hisevt.qv"),
              platform::ToGbk("装置300 组号4 条目号5 FUN254 INF244 其它故障信息 合 2020-12-31 23:00:01\r\n"
                              "装置300 组号4 条目号5 FUN254 INF244 未定义事件 合 2020-12-31 23:00:01\r\n"));

    EXPECT_EQ(CLogFiles::CommandTypeText(1), "遥控选择");
    EXPECT_EQ(CLogFiles::CommandTypeText(12), "写定值撤销");
    EXPECT_EQ(CLogFiles::EventTypeText(7), "档位");
}

TEST(LogFilesTest, MissingFolderIsSkippedSilently) {
    testsupport::TempDir dir;
    CLogFiles logs(dir / "nowhere");
    logs.SaveEventFile(CEventRecord{}, CLogFiles::kDeviceEvent);
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
}

// A full log moves aside to the first number not taken and starts again under its own name: no file
// passes the limit by more than a line, every line is kept once and an earlier file stays as it was.
TEST(LogFilesTest, FullLogsMoveAsideToTheFirstFreeNumber) {
    testsupport::TempDir dir;
    CLogFiles logs(dir.Path());
    std::vector<std::string> told;
    logs.m_onFailure = [&](const std::string& path) { told.push_back(path); };
    const CEventRecord ev{"SOE", 7, 3, 12, "合", "10时5分7秒250毫秒"};
    const std::string line = platform::ToGbk(CLogFiles::EventLine(ev));
    logs.m_rotateSize = 5 * (line.size() + 1); // + 1: the CR of each line
    testsupport::WriteBytes(dir / "DevEvt_1.qv", "earlier");
    for (int i = 0; i < 23; ++i)
        logs.SaveEventFile(ev, CLogFiles::kDeviceEvent);
    for (int i = 0; i < 12; ++i)
        logs.SaveEventFile(ev, CLogFiles::kTableEvent);
    const auto lines = [&](const char* name) {
        const std::string bytes = testsupport::ReadBytes(dir / name);
        return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
    };
    EXPECT_EQ(testsupport::ReadBytes(dir / "DevEvt_1.qv"), "earlier");
    for (const char* name : {"DevEvt_2.qv", "DevEvt_3.qv", "DevEvt_4.qv", "DevEvt_5.qv"})
        EXPECT_EQ(lines(name), 5) << name;
    EXPECT_EQ(lines("DevEvt.qv"), 3);
    EXPECT_FALSE(std::filesystem::exists(dir / "DevEvt_6.qv"));
    EXPECT_EQ(lines("TabEvt_1.qv"), 5);
    EXPECT_EQ(lines("TabEvt_2.qv"), 5);
    EXPECT_EQ(lines("TabEvt.qv"), 2);
    EXPECT_TRUE(told.empty());

    // A log that cannot move aside keeps taking lines, and that is told once.
    for (int i = 0; i < 3; ++i)
        logs.SaveEventFile(ev, CLogFiles::kTableEvent);
    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Rename, 1);
        for (int i = 0; i < 2; ++i)
            logs.SaveEventFile(ev, CLogFiles::kTableEvent);
        EXPECT_EQ(faults.Failed(platform::FileStep::Rename), 2);
    }
    EXPECT_EQ(told, (std::vector<std::string>{(dir / "TabEvt.qv").string()}));
    EXPECT_EQ(lines("TabEvt.qv"), 7);
    logs.SaveEventFile(ev, CLogFiles::kTableEvent);
    EXPECT_EQ(lines("TabEvt_3.qv"), 7);
    EXPECT_EQ(lines("TabEvt.qv"), 1);
}
