// Request bodies the pages and commands send, byte for byte.
#include "debugger/core/DeviceRequests.h"

#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::requests;
using Bytes = std::vector<std::uint8_t>;

TEST(RequestsTest, ManualSettingAndSettingsValueBytes) {
    EXPECT_EQ(ManualSetBytes({0, 0, 18, 1, 1, 1.0f}), Bytes{2});
    EXPECT_EQ(ManualSetBytes({0, 0, 19, 1, 1, 0.0f}), Bytes{1});
    EXPECT_EQ(ManualSetBytes({0, 0, 18, 1, 1, 3.0f}), Bytes{0});
    EXPECT_EQ(ManualSetBytes({0, 0, 202, 2, 1, 1234.0f}), (Bytes{0x34, 0x12}));
    EXPECT_EQ(ManualSetBytes({0, 0, 12, 2, 1, -5.7f}), (Bytes{0xD8, 0xFF}));
    EXPECT_EQ(ManualSetBytes({0, 0, 3, 2, 1, 300.9f}), (Bytes{0x2C, 0x01}));
    EXPECT_EQ(ManualSetBytes({0, 0, 201, 4, 1, -1.0f}), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ManualSetBytes({0, 0, 99, 3, 1, 7.0f}), (Bytes{0, 0, 0}));
    EXPECT_EQ(SettingBytes({0, 0, 9, 1, 1, 1.0f}), Bytes{2});
    EXPECT_EQ(SettingBytes({0, 0, 7, 4, 1, 1.5f}), (Bytes{0, 0, 0xC0, 0x3F}));
    EXPECT_EQ(SettingBytes({0, 0, 202, 2, 1, 12.0f}), (Bytes{0, 0}));

    const CDeviceMessage set = ManualSet(1, {{7, 0x0201, 18, 1, 1, 1.0f}, {8, 0x0302, 7, 4, 1, 1.5f}});
    EXPECT_EQ(set.Bytes(),
              (Bytes{20, 2, 7, 0, 1, 2, 1, 18, 1, 1, 2, 8, 0, 2, 3, 1, 7, 4, 1, 0, 0, 0xC0, 0x3F}));
    EXPECT_EQ(set.GetKind(), 1);
    const CDeviceMessage write = SettingsWrite(2, 9, {{0, 0x0104, 7, 4, 1, 1.5f}});
    EXPECT_EQ(write.Bytes(), (Bytes{10, 0x81, 40, 0, 254, 249, 0, 1, 4, 1, 1, 7, 4, 1, 0, 0, 0xC0, 0x3F}));
    EXPECT_EQ(write.GetKind(), 0);
    EXPECT_EQ(write.GetAddress(), 9);
}

TEST(RequestsTest, CommandRequests) {
    CDeviceTime t{1500, 2, 3, 4, 5, 2007};
    EXPECT_EQ(HistoryEvents(1, 0xFFFF, t, t, 6).Bytes(),
              (Bytes{19, 0xFF, 0xFF, 0xDC, 5, 2, 3, 4, 5, 107, 0xDC, 5, 2, 3, 4, 5, 107, 6}));
    EXPECT_EQ(RemoteCommands(0, 7, t, t, 255, 255, 255, 2).Bytes().size(), 21u);
    EXPECT_EQ(WaveformRecords(7, 1, t, t, 300).Bytes().size(), 20u);
    EXPECT_EQ(PortMonitor(1, 2, 2, 0, 5, 0x0A000001, 0xFFFFFFFF).Bytes(),
              (Bytes{1, 0, 2, 2, 0, 5, 0, 1, 0, 0, 10, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(RefTableContents(1, 1, 2, 3, 50, 100).Bytes(), (Bytes{12, 3, 0, 10, 1, 2, 3, 50, 0, 100, 0}));
    EXPECT_EQ(RefTableStop(1, 1, 2, 3, 50, 100).Bytes(), (Bytes{12, 2, 1, 1, 1, 2, 3, 50, 0, 100, 0}));
    EXPECT_EQ(CancelDevice(300).Bytes(), (Bytes{23, 44, 1}));
    EXPECT_EQ(CancelDevice(300).GetBoard(), 0);
    EXPECT_EQ(CancelEntry(2, 7, 0x0301).Bytes(), (Bytes{21, 1, 7, 0, 1, 3, 1}));
    EXPECT_EQ(TimeSync(3, t).Bytes(), (Bytes{6, 0x81, 8, 255, 255, 255, 0xDC, 5, 2, 3, 4, 5, 107}));
    EXPECT_EQ(TimeSync(3, t).GetAddress(), 0xFFFF);
    EXPECT_EQ(Directory("/a").Bytes(), (Bytes{8, 2, '/', 'a'}));
    EXPECT_EQ(StringCommand("ls").Bytes(), (Bytes{3, 'l', 's'}));
    EXPECT_EQ(StringCommand("ls").GetBoard(), 255);
    EXPECT_EQ(Directory(std::string(300, 'x')).Bytes().size(), 2u + 255u);
    // Whether a path goes whole is counted in the GBK bytes the request carries.
    EXPECT_TRUE(DirectoryPathFits(std::string(255, 'x')));
    EXPECT_FALSE(DirectoryPathFits(std::string(256, 'x')));
    std::string chinese;
    for (int i = 0; i < 127; ++i)
        chinese += "目"; // 3 bytes in UTF-8, 2 in GBK
    EXPECT_TRUE(DirectoryPathFits(chinese + "x"));
    EXPECT_FALSE(DirectoryPathFits(chinese + "目"));
}

TEST(RequestsTest, DirectoryPathNormalisation) {
    EXPECT_EQ(NormaliseDirectoryPath("/a/b/../c/."), "/a/c");
    EXPECT_EQ(NormaliseDirectoryPath("a/.."), "<root>");
    EXPECT_EQ(NormaliseDirectoryPath("//x//y"), "/x/y");
    // Dot components resolve as in any path; names that merely begin with a dot stay.
    EXPECT_EQ(NormaliseDirectoryPath("/a/.."), "/");
    EXPECT_EQ(NormaliseDirectoryPath("/.."), "/");
    EXPECT_EQ(NormaliseDirectoryPath("/../a"), "/a");
    EXPECT_EQ(NormaliseDirectoryPath("/mnt/.cfg"), "/mnt/.cfg");
    EXPECT_EQ(NormaliseDirectoryPath("/mnt/..cfg/x.."), "/mnt/..cfg/x..");
    EXPECT_EQ(NormaliseDirectoryPath("/a/b/c/../../d"), "/a/d");
    EXPECT_EQ(NormaliseDirectoryPath("/a/./b/./"), "/a/b/");
    EXPECT_EQ(NormaliseDirectoryPath("a/../../b"), "../b");
    // Plain paths reach the unit as typed.
    for (const char* plain : {"/", "/mnt", "/mnt/cfg/", "cfg/sub", ""})
        EXPECT_EQ(NormaliseDirectoryPath(plain), plain);
}

TEST(RequestsTest, MessageBodyAllocation) {
    CDeviceMessage m;
    EXPECT_EQ(m.GetKind(), 2);
    EXPECT_EQ(m.GetBoard(), 255);
    EXPECT_EQ(m.GetAddress(), 0xFFFF);
    EXPECT_TRUE(m.Allocate(3));
    EXPECT_FALSE(m.Allocate(65001));
    EXPECT_EQ(m.GetLength(), 3u);
    const std::uint8_t five[] = {1, 2, 3, 4, 5};
    m.CopyBody(five, 2);
    EXPECT_EQ(m.Bytes(), (Bytes{1, 2, 0}));
    m.CopyBody(five, 5);
    EXPECT_EQ(m.Bytes(), (Bytes{1, 2, 3, 4, 5}));
}

TEST(RequestsTest, ValuesOutsideTheirFieldAreRefusedByBothPages) {
    using requests::SetItem;
    // A measurand with quality bits: 13 value bits in two bytes.
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 12, 2, 1, 10000.0f}), "输入数值越限!");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 12, 2, 1, 4095.0f}), "");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 12, 2, 1, -4096.0f}), "");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 12, 2, 1, -4097.0f}), "输入数值越限!");
    // Type 3 is unsigned and shown in 16 bits, the whole part counted; 201 is signed.
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 3, 2, 1, 70000.0f}), "输入数值越限!");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 3, 2, 1, 65535.9f}), "");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 3, 2, 1, -1.0f}), "输入数值越限!");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 201, 4, 1, 3e9f}), "输入数值越限!");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 201, 4, 1, -2e9f}), "");
    // Binary-coded decimal: two digits a byte, no sign.
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 202, 2, 1, 9999.0f}), "");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 202, 2, 1, 10000.0f}), "输入数值越限!");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 202, 2, 1, -5.0f}), "输入数值越限!");
    // A float needs its four bytes.
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 7, 4, 1, 1e30f}), "");
    EXPECT_EQ(requests::ManualSetRefusal(SetItem{5, 1, 7, 2, 1, 1.0f}), "输入数值越限!");
    // The settings page applies the same rule.
    EXPECT_EQ(requests::SettingRefusal(SetItem{0, 1, 3, 2, 1, 70000.0f}), "输入数值越限!");
    EXPECT_EQ(requests::SettingRefusal(SetItem{0, 1, 3, 2, 1, -32768.0f}), "输入数值越限!");
    EXPECT_EQ(requests::SettingRefusal(SetItem{0, 1, 3, 2, 1, 65535.0f}), "");
}

TEST(RequestsTest, SettingValuesAsSentAndRefused) {
    using requests::SetItem;
    // An integer setting carries its whole part: the echo is compared with that.
    const SetItem whole{0, 0x0104, 3, 2, 1, 45.0f};
    EXPECT_EQ(requests::SentSettingValue(whole), 45.0f);
    EXPECT_EQ(requests::SettingRefusal(whole), "");
    const SetItem fraction{0, 0x0104, 3, 2, 1, 45.5f};
    EXPECT_EQ(requests::SentSettingValue(fraction), 45.0f);
    EXPECT_EQ(requests::SettingRefusal(fraction), "只能输入整数");
    // -3 in one unsigned byte would reach the device as 253.
    const SetItem negative{0, 0x0104, 3, 1, 1, -3.0f};
    EXPECT_EQ(requests::SentSettingValue(negative), 253.0f);
    EXPECT_EQ(requests::SettingRefusal(negative), "输入数值越限!");
    EXPECT_EQ(requests::SettingRefusal(SetItem{0, 1, 3, 1, 1, 200.0f}), "");
    EXPECT_EQ(requests::SettingRefusal(SetItem{0, 1, 3, 1, 1, 256.0f}), "输入数值越限!");
    EXPECT_EQ(requests::SentSettingValue(SetItem{0, 1, 7, 4, 1, 1.25f}), 1.25f);
    // A double point is 0 or 1; 2 has no byte and is refused, not sent as 0.
    EXPECT_EQ(requests::SentSettingValue(SetItem{0, 1, 9, 1, 1, 1.0f}), 1.0f);
    EXPECT_EQ(requests::SettingRefusal(SetItem{0, 1, 9, 1, 1, 1.0f}), "");
    EXPECT_EQ(requests::SettingRefusal(SetItem{0, 1, 9, 1, 1, 2.0f}), "只能为0或1");
    EXPECT_EQ(requests::SettingRefusal(SetItem{0, 1, 19, 1, 1, -1.0f}), "只能为0或1");
}

// The edges of each field by the bytes that go out: a value is refused unless its bytes read back
// as the value typed, and a whole number travels without a float's rounding.
TEST(RequestsTest, EdgesOfEachFieldByTheBytesSent) {
    struct Case {
        std::uint8_t type, size;
        double value;
        Bytes sent; // empty: refused by both pages
    };
    const Case cases[] = {
        {3, 1, 255, {0xFF}},
        {3, 1, 256, {}},
        {3, 1, -1, {}},
        {3, 2, 65535, {0xFF, 0xFF}},
        {3, 2, 65536, {}},
        {3, 2, -32768, {}},
        // The texts show 16 bits of a wider field: what they cannot show is refused.
        {3, 4, 65535, {0xFF, 0xFF, 0x00, 0x00}},
        {3, 4, 70000, {}},
        {3, 4, 16777217, {}},
        {3, 4, 2147483647, {}},
        {3, 4, 4294967296.0, {}},
        {3, 8, 65535, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {3, 8, 9223372036854775808.0, {}},
        {7, 4, 1e39, {}},
        {7, 4, 16777216, {0x00, 0x00, 0x80, 0x4B}},
        {7, 4, 16777217, {}},
        {7, 4, 2147483647, {}},
    };
    for (const Case& c : cases) {
        const SetItem item{0, 0x0104, c.type, c.size, 1, c.value};
        const std::string manual = ManualSetRefusal(item);
        const std::string setting = SettingRefusal(item);
        if (c.sent.empty()) {
            EXPECT_EQ(manual, c.type == 7 && c.value < 1e38 ? "输入数值超出浮点数的精度!" : "输入数值越限!")
                << c.value;
            EXPECT_EQ(setting, manual) << c.value;
            continue;
        }
        EXPECT_EQ(manual, "") << c.value;
        EXPECT_EQ(setting, "") << c.value;
        const Bytes set = ManualSet(1, {item}).Bytes();
        EXPECT_EQ(Bytes(set.begin() + 10, set.end()), c.sent) << c.value;
        const Bytes write = SettingsWrite(2, 9, {item}).Bytes();
        EXPECT_EQ(Bytes(write.begin() + 14, write.end()), c.sent) << c.value;
        EXPECT_EQ(SentSettingValue(item), c.value);
    }
    // The manual setting's other integer fields.
    const Case manualOnly[] = {
        {201, 4, 2147483647, {0xFF, 0xFF, 0xFF, 0x7F}},
        {201, 4, 2147483648.0, {}},
        {12, 2, 4095, {0xF8, 0x7F}},
        {12, 2, 4096, {}},
        {12, 2, -4096, {0x00, 0x80}},
        {12, 2, -4097, {}},
        {202, 3, 999999, {0x99, 0x99, 0x99}},
        {202, 3, 1000000, {}},
        // Six digits in three bytes; the fourth is the quality byte, sent as 0.
        {202, 4, 123456, {0x56, 0x34, 0x12, 0x00}},
        {202, 4, 1234567, {}},
        {202, 4, 12345678, {}},
        {202, 2, -5, {}},
    };
    for (const Case& c : manualOnly) {
        const SetItem item{5, 0x0104, c.type, c.size, 1, c.value};
        EXPECT_EQ(ManualSetRefusal(item), c.sent.empty() ? "输入数值越限!" : "")
            << int(c.type) << " " << c.value;
        if (!c.sent.empty()) {
            const Bytes set = ManualSet(1, {item}).Bytes();
            EXPECT_EQ(Bytes(set.begin() + 10, set.end()), c.sent) << c.value;
        }
    }
}
