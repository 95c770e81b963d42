#include "debugger/model/AppRules.h"
#include "debugger/core/NetCfg.h"
#include "debugger/model/CommStatus.h"
#include "platform/FileFaults.h"

#include "debugger/core/LogFiles.h"
#include "tests/support/TestFiles.h"

#include "platform/Gbk.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

using namespace quorvex;

TEST(AppRules, TypedNumbersAllowDigitsPointAndLeadingMinusOnly) {
    EXPECT_TRUE(IsValidNumberText("-12.5"));
    EXPECT_TRUE(IsValidNumberText("0"));
    EXPECT_FALSE(IsValidNumberText("1-2"));
    EXPECT_FALSE(IsValidNumberText("1e3"));
    EXPECT_FALSE(IsValidNumberText("1 "));
    EXPECT_EQ(ShownValue(1.5), "1.5");
    EXPECT_EQ(ShownValue(2), "2");
    EXPECT_EQ(ShownValue(-0.25), "-0.25");
    EXPECT_EQ(DoublePointValue("合"), 1);
    EXPECT_EQ(DoublePointValue("分"), 0);
    EXPECT_EQ(DoublePointValue("x"), -1);
    EXPECT_EQ(DoublePointFromNumber("1"), "合");
    EXPECT_EQ(DoublePointFromNumber("0"), "分");
    EXPECT_EQ(DoublePointFromNumber("-1"), "数据错");
}

TEST(AppRules, TypedValuesMustBeWholeNumbersOfTheFieldsType) {
    double v = -7;
    // Texts that are no number are refused, whatever the type.
    for (const char* text : {"", "-", ".", "-.", "1.2.3", "1-", "1e3"})
        for (std::uint8_t type : {0, 3, 7})
            EXPECT_EQ(CheckValueText(text, type, v), ValueCheck::kInvalid) << text << " type " << int(type);
    EXPECT_EQ(v, -7); // nothing was taken
    EXPECT_EQ(CheckValueText("-12.5", 7, v), ValueCheck::kOk);
    EXPECT_EQ(v, -12.5);
    EXPECT_EQ(CheckValueText("5.", 0, v), ValueCheck::kOk);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(CheckValueText(".5", 7, v), ValueCheck::kOk);
    // Integer types take no fraction; a whole number written with a point is still whole.
    EXPECT_EQ(CheckValueText("45.5", 3, v), ValueCheck::kFraction);
    EXPECT_EQ(CheckValueText("0.5", 19, v), ValueCheck::kFraction);
    EXPECT_EQ(CheckValueText("45.0", 3, v), ValueCheck::kOk);
    EXPECT_EQ(v, 45);
    EXPECT_STREQ(ValueCheckMessage(ValueCheck::kInvalid), "输入数值无效!");
}

TEST(AppRules, PendingValueKeepsFirstOldTextAndStopsAt63) {
    CPendingList list;
    EXPECT_EQ(list.Add(0, 0x0101, 5, 1.5), CPendingList::kAdded);
    EXPECT_EQ(list.Add(0, 0x0101, 7, 5), CPendingList::kReplaced);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items()[0].m_newValue, 7);
    EXPECT_EQ(list.Items()[0].m_oldText, "1.5");
    // Entries of two devices with the same key are two values.
    EXPECT_EQ(list.Add(9, 0x0101, 1, 0), CPendingList::kAdded);
    for (int i = 2; list.Count() < CPendingList::kMax; ++i)
        ASSERT_EQ(list.Add(0, static_cast<std::uint16_t>(i), 1, 0), CPendingList::kAdded);
    EXPECT_EQ(list.Add(0, 0x7777, 1, 0), CPendingList::kFull);
    EXPECT_EQ(list.Count(), 63);
    list.Remove(9, 0x0101);
    EXPECT_FALSE(list.Has(9, 0x0101));
    EXPECT_TRUE(list.Has(0, 0x0101));
}

TEST(AppRules, TimesAreMaskedToTheirFieldsAndTheirYearsRoundTrip) {
    const CDeviceTime t = MakeDeviceTime(2030, 13, 31, 23, 75, 59);
    EXPECT_EQ(t.month, 13);
    EXPECT_EQ(t.minute, 11);
    EXPECT_EQ(t.ms, 59000);
    // Up to 2027 the year byte counts from 1900 (what units read today); later years go as their
    // year within the century, and every reader of the debugger reads them back.
    const std::pair<int, std::uint8_t> years[] = {
        {2007, 107}, {2027, 127}, {2028, 28}, {2031, 31}, {2099, 99}};
    for (const auto& [year, byte] : years) {
        std::uint8_t raw[7] = {};
        MakeDeviceTime(year, 3, 4, 5, 6, 59).ToBytes(raw);
        EXPECT_EQ(raw[6], byte) << year;
        const CDeviceTime r = CDeviceTime::FromBytes(raw);
        EXPECT_EQ(r.year, year);
        EXPECT_EQ(ClockText(r), std::to_string(year) + "-03-04 05:06:59");
        EXPECT_EQ(RecordTimeText(r), std::to_string(year) + "-03-04 05:06:59.000");
    }
    // Years before 2000 have bytes, but they read back as years of this century.
    EXPECT_FALSE(IsUnitYear(1900));
    EXPECT_FALSE(IsUnitYear(1999));
    EXPECT_TRUE(IsUnitYear(2000));
    EXPECT_TRUE(IsUnitYear(2099));
    EXPECT_FALSE(IsUnitYear(1899));
    EXPECT_FALSE(IsUnitYear(2100));
}

TEST(AppRules, DirectoryRows) {
    EXPECT_EQ(SizeText(0), "0");
    EXPECT_EQ(SizeText(999), "999");
    EXPECT_EQ(SizeText(1000), "1,000");
    EXPECT_EQ(SizeText(1234567), "1,234,567");
    EXPECT_EQ(EntryTypeText(1), "文件");
    EXPECT_EQ(EntryTypeText(2), "文件夹");
    EXPECT_EQ(EntryTypeText(7), "未知");
    EXPECT_EQ(EntryTimeText(-1), "时间有误");
    // Below the unit's 8 hours ahead of UTC there is no date (not one in 1969).
    EXPECT_EQ(EntryTimeText(0), "时间有误");
    EXPECT_EQ(EntryTimeText(28799), "时间有误");
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(EntryTimeText(28800), "1970-01-01 00:00");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(ChildPath("/a/", "b"), "/a///b");
}

TEST(AppRules, CommunicationStateTexts) {
    EXPECT_EQ(RunStateText(0x21 & 0x0F), "投运");
    EXPECT_EQ(NetStateText(0x21 >> 4 & 3), "通");
    EXPECT_EQ(NetStateText(0x21 >> 6 & 3), "其他");
    EXPECT_EQ(RunStateText(5), "其他");
    EXPECT_EQ(PortStateText(2), "通");
    EXPECT_EQ(PortStateText(3), "断");
    EXPECT_EQ(PortStateText(0), "其他");
    std::uint8_t kind = 9;
    int number = 0;
    EXPECT_TRUE(ParseStatusPortName("串口3", kind, number));
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(number, 3);
    EXPECT_TRUE(ParseStatusPortName("连接号12", kind, number));
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(number, 12);
    EXPECT_FALSE(ParseStatusPortName("以太网1", kind, number));
}

TEST(AppRules, CommandEnabling) {
    MenuState s;
    EXPECT_TRUE(CommandEnabled(kCmdConnectParam, s));
    EXPECT_TRUE(CommandEnabled(kCmdConnect, s));
    EXPECT_FALSE(CommandEnabled(kCmdDisconnect, s));
    EXPECT_FALSE(CommandEnabled(kCmdRealTimeDb, s));
    EXPECT_TRUE(CommandEnabled(kCmdDebugInfo, s));
    EXPECT_TRUE(CommandEnabled(kCmdAbout, s));
    s.connected = true;
    EXPECT_FALSE(CommandEnabled(kCmdConnectParam, s));
    EXPECT_FALSE(CommandEnabled(kCmdConnect, s));
    EXPECT_TRUE(CommandEnabled(kCmdDisconnect, s));
    EXPECT_TRUE(CommandEnabled(kCmdCancelAll, s));
    EXPECT_TRUE(CommandEnabled(kCmdHistoryEvents, s));
    s.historyOpen = s.consoleOpen = s.debugOpen = true;
    EXPECT_FALSE(CommandEnabled(kCmdHistoryEvents, s));
    EXPECT_FALSE(CommandEnabled(kCmdStringCommand, s));
    EXPECT_FALSE(CommandEnabled(kCmdDebugInfo, s));
    EXPECT_TRUE(CommandEnabled(kCmdWaveRecords, s));
}

TEST(AppRules, SaveFilesRotateByNumber) {
    EXPECT_EQ(NextRotationPath("/x/Ser1_2_0.qv"), "/x/Ser1_2_1.qv");
    EXPECT_EQ(NextRotationPath("/x/Ser1_2_9.qv"), "/x/Ser1_2_10.qv");
    EXPECT_EQ(NextRotationPath("/x/Debug.qv"), "");
    EXPECT_EQ(NextRotationPath("/x/a.b_c"), "");
    EXPECT_EQ(NextRotationPath("_.qv"), "");

    testsupport::TempDir dir;
    COutputLog log;
    log.m_path = (dir / "Ser1_5_0.qv").string();
    const std::time_t start = 1000000;
    log.m_lastRotation = start;
    const auto write = [&](bool sent, const std::string& text, std::time_t now) {
        log.AddLine(sent, text, now);
        EXPECT_TRUE(log.Flush(now));
    };
    write(true, "90 eb 01", start);
    write(false, "接收", start + 10);
    write(false, "两行\r\n", start + 20);
    EXPECT_EQ(log.m_path, (dir / "Ser1_5_0.qv").string());
    const std::string bytes = testsupport::ReadBytes(dir / "Ser1_5_0.qv");
    EXPECT_NE(bytes.find(platform::ToGbk("数据发：90 eb 01\r\n")), std::string::npos);
    EXPECT_NE(bytes.find(platform::ToGbk("数据收：接收\r\n")), std::string::npos);
    EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
    // A line end already in the text is not doubled.
    EXPECT_NE(bytes.find(platform::ToGbk("数据收：两行\r\n\r\n")), std::string::npos);
    EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
    // An hour after the last rotation the next line goes to the next file.
    write(true, "later", start + 3600);
    EXPECT_EQ(log.m_path, (dir / "Ser1_5_1.qv").string());
    EXPECT_TRUE(std::filesystem::exists(dir / "Ser1_5_1.qv"));
    // A full file moves on at once.
    {
        std::ofstream big(dir / "Ser1_5_1.qv", std::ios::binary | std::ios::app);
        big << std::string(COutputLog::kMaxSize, 'x');
    }
    write(true, "next", start + 3601);
    EXPECT_EQ(log.m_path, (dir / "Ser1_5_2.qv").string());
}

namespace {

// A saved frame line as the file must hold it, built apart from the log's own formatting.
std::string ExpectedLine(bool sent, const std::string& text, std::time_t now) {
    std::tm tm{};
    localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%m-%d %H:%M:%S\t", &tm);
    return platform::ToGbk(stamp + std::string(sent ? "数据发：" : "数据收：") + text) + "\r\n";
}

// The log writing through the real file, counting its openings and failing them on demand.
struct CountedLog {
    COutputLog log;
    int opens = 0;
    bool fail = false;
    std::vector<std::string> told;
    explicit CountedLog(const std::filesystem::path& file) {
        log.m_path = file.string();
        log.m_append = [this](const std::string& path, std::string_view bytes) {
            ++opens;
            return !fail && AppendFileBytes(path, bytes);
        };
        log.m_onFailure = [this](const std::string& path) { told.push_back(path); };
        log.SetSaving(true);
    }
};

} // namespace

TEST(OutputLog, EveryLineGoesToTheFileInOrderInAFewBatches) {
    testsupport::TempDir dir;
    CountedLog c(dir / "Net1_3232235876_0.qv");
    const std::time_t start = 1700000000;
    c.log.m_lastRotation = start;
    std::string expected;
    // 60,000 frame lines within three seconds, ticks one second apart.
    int n = 0;
    for (int second = 0; second < 3; ++second) {
        for (int i = 0; i < 20000; ++i, ++n) {
            const bool sent = n % 3 == 0;
            const std::string text = "[ 装置    5 TCP ] 68 " + std::to_string(n) + " 16";
            c.log.AddLine(sent, text, start + second);
            expected += ExpectedLine(sent, text, start + second);
            ASSERT_LE(c.log.PendingBytes(), COutputLog::kBatchBytes + 100);
        }
        EXPECT_TRUE(c.log.Flush(start + second));
    }
    EXPECT_EQ(testsupport::ReadBytes(dir / "Net1_3232235876_0.qv"), expected);
    // About 3 MB: a batch per tick and one per MB collected, never one per line.
    EXPECT_GE(c.opens, 3);
    EXPECT_LE(c.opens, 3 + static_cast<int>(expected.size() / COutputLog::kBatchBytes));
    EXPECT_TRUE(c.told.empty());
    // A tick with nothing recorded opens nothing.
    EXPECT_TRUE(c.log.Flush(start + 4));
    EXPECT_LE(c.opens, 3 + static_cast<int>(expected.size() / COutputLog::kBatchBytes));
}

TEST(OutputLog, FailedBatchesAreToldOnceDroppedAndCountedInTheFile) {
    testsupport::TempDir dir;
    const auto file = dir / "Ser2_65535_0.qv";
    CountedLog c(file);
    const std::time_t t = 1700000000;
    c.log.m_lastRotation = t;
    c.log.AddLine(true, "01", t);
    ASSERT_TRUE(c.log.Flush(t));
    // The file cannot be written for three ticks: nothing is held back beyond a batch.
    c.fail = true;
    for (int tick = 0; tick < 3; ++tick) {
        c.log.AddLine(false, "lost a", t);
        c.log.AddLine(false, "lost b", t);
        EXPECT_FALSE(c.log.Flush(t));
        EXPECT_EQ(c.log.PendingBytes(), 0u);
    }
    EXPECT_EQ(c.log.Omitted(), 6u);
    ASSERT_EQ(c.told.size(), 1u);
    EXPECT_EQ(c.told[0], file.string());
    // Writable again: the omission line, then the new lines.
    c.fail = false;
    c.log.AddLine(true, "02", t + 1);
    EXPECT_TRUE(c.log.Flush(t + 1));
    EXPECT_EQ(testsupport::ReadBytes(file), ExpectedLine(true, "01", t) +
                                                ExpectedLine(false, "……省略6条……", t + 1) +
                                                ExpectedLine(true, "02", t + 1));
    EXPECT_EQ(c.told.size(), 1u);
    // Saving switched on again tells a new failure.
    c.fail = true;
    c.log.AddLine(true, "03", t + 2);
    c.log.Flush(t + 2);
    EXPECT_EQ(c.told.size(), 1u);
    c.log.SetSaving(false);
    c.log.SetSaving(true);
    c.log.AddLine(true, "04", t + 3);
    c.log.Flush(t + 3);
    EXPECT_EQ(c.told.size(), 2u);
}

TEST(OutputLog, AWriteFailingPartWayLeavesNoTornLine) {
    testsupport::TempDir dir;
    const auto file = dir / kDebugLogName;
    COutputLog log;
    log.m_kind = COutputLog::Kind::kPlainText;
    log.m_path = file.string();
    int told = 0;
    log.m_onFailure = [&](const std::string&) { ++told; };
    log.SetSaving(true);
    log.AddText("第一行\n", 0);
    log.AddText("\r\n二\r\n", 0);
    ASSERT_TRUE(log.Flush(0));
    {
        platform::CFileFaults faults;
        faults.FailFrom(platform::FileStep::Write, 1);
        log.AddText("丢失的一行\n", 0);
        EXPECT_FALSE(log.Flush(0));
    }
    EXPECT_EQ(testsupport::ReadBytes(file), platform::ToGbk("第一行\r\n\r\n二\r\n"));
    log.AddText("三\n", 0);
    EXPECT_TRUE(log.Flush(0));
    EXPECT_EQ(testsupport::ReadBytes(file), platform::ToGbk("第一行\r\n\r\n二\r\n……省略1条……\r\n三\r\n"));
    EXPECT_EQ(told, 1);
    // A plain file keeps its name however big it grows.
    EXPECT_EQ(log.m_path, file.string());
}

TEST(AppRules, AddressesRoundTrip) {
    EXPECT_EQ(platform::DottedIPv4(0xC0A80164), "192.168.1.100");
    EXPECT_EQ(ParseDottedAddress("192.168.1.100"), 0xC0A80164u);
    EXPECT_EQ(ParseDottedAddress("10.0.0.1"), 0x0A000001u);
}

TEST(NetCfg, DefaultsUntilSavedThenTheDottedAddresses) {
    testsupport::TempDir dir;
    const CNetCfg cfg(dir / "NetCfg.ini");
    EXPECT_EQ(cfg.UnitIpText(), "192.168.1.100");
    EXPECT_EQ(cfg.DestIpText(), "192.168.1.200");
    cfg.Save(ParseDottedAddress("10.1.2.3"), ParseDottedAddress("10.1.2.300"));
    EXPECT_EQ(cfg.UnitIpText(), "10.1.2.3");
    EXPECT_EQ(cfg.DestIpText(), "10.1.2.44"); // each part is cut to a byte
    EXPECT_NE(testsupport::ReadBytes(dir / "NetCfg.ini").find("[TCP Config]"), std::string::npos);
}
