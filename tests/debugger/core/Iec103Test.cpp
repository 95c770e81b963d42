// The IEC 60870-5-103 answers of the devices: spontaneous events, general interrogation, the
// generic read of headings, descriptions and group values, and the settings write confirmation.
#include "tests/debugger/core/QuorvexTestSupport.h"

#include "debugger/core/DeviceRequests.h"
#include "debugger/core/Iec103Handler.h"
#include "platform/Gbk.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvex;
using qtest::Bytes;
using qtest::LinkRig;

namespace {

Bytes Asdu(std::uint8_t cot, std::uint8_t inf, std::uint8_t ngd, std::initializer_list<Bytes> sets) {
    Bytes b = {10, 0x81, cot, 0, 254, inf, 0, ngd};
    for (const Bytes& s : sets)
        b.insert(b.end(), s.begin(), s.end());
    return b;
}

Bytes Set(std::uint8_t group, std::uint8_t entry, std::uint8_t kod, std::uint8_t type, Bytes data,
          std::uint8_t size = 0) {
    // Sized once and filled in place: an insert behind a six-byte list trips GCC 12's bounds
    // check at -O2 on code that is correct.
    Bytes b(6 + data.size());
    b[0] = group;
    b[1] = entry;
    b[2] = kod;
    b[3] = type;
    b[4] = size ? size : static_cast<std::uint8_t>(data.size());
    b[5] = 1;
    std::copy(data.begin(), data.end(), b.begin() + 6);
    return b;
}

Bytes Text(const std::string& utf8) {
    const std::string g = platform::ToGbk(utf8);
    return Bytes(g.begin(), g.end());
}

class Iec103Test : public ::testing::Test {
protected:
    void SetUp() override {
        rig.Connect();
        sheet = rig.shell.dbSheets.emplace_back(std::make_unique<qtest::RecordingDbSheet>(1, 9)).get();
    }
    void AddEntry(std::uint8_t group, std::uint8_t entry, const std::string& name) {
        CDbEntry e;
        e.m_address = 9;
        e.m_key = MakeKey(group, entry);
        e.m_name = name;
        rig.data.m_entries.push_back(e);
    }
    testsupport::PromptRecorder prompts;
    LinkRig rig;
    qtest::RecordingDbSheet* sheet = nullptr;
};

} // namespace

TEST_F(Iec103Test, SpontaneousEventIsShownAndLogged) {
    AddEntry(2, 3, "开关");
    rig.Asdu(Asdu(1, 244, 1, {Set(2, 3, 1, 18, {0x02, 0x52, 0x1C, 5, 10})}), 9); // 7250 ms
    EXPECT_EQ(sheet->values, std::vector<std::string>{"开关=合"});
    EXPECT_EQ(sheet->events, std::vector<std::string>{"合 10时5分7秒250毫秒"});
    EXPECT_EQ(testsupport::ReadBytes(rig.data.SavFolder() / "DevEvt.qv"),
              platform::ToGbk("事件:SOE 地址:9 组号:2 条目号:3 动作:合 时间:10时5分7秒250毫秒\r\n"));
    // Type 19 keeps its time further on; another device or FUN is not ours.
    rig.Asdu(Asdu(1, 244, 1, {Set(2, 3, 1, 19, {0x01, 0, 0, 0, 0, 0x10, 0x27, 0xC1, 0x8B})}), 9);
    EXPECT_EQ(sheet->events.back(), "分 11时1分10秒0毫秒");
    rig.Asdu(Asdu(1, 244, 1, {Set(2, 3, 1, 18, {0x02, 0, 0, 0, 0})}), 8);
    Bytes otherFun = Asdu(1, 244, 1, {Set(2, 3, 1, 18, {0x02, 0, 0, 0, 0})});
    otherFun[4] = 253;
    rig.Asdu(otherFun, 9);
    rig.Asdu(Asdu(1, 244, 1, {Set(2, 3, 1, 18, {0x02, 0})}), 9); // too short for its time
    EXPECT_EQ(sheet->events.size(), 2u);
}

TEST_F(Iec103Test, GeneralInterrogationStopsAtAnUnexpectedKod) {
    AddEntry(1, 1, "a");
    AddEntry(1, 2, "b");
    AddEntry(1, 3, "c");
    rig.Asdu(
        Asdu(9, 245, 3,
             {Set(1, 1, 1, 3, {0x05, 0x00}), Set(1, 2, 1, 7, {0, 0, 0x20, 0x41}), Set(1, 3, 10, 3, {1, 0})}),
        9);
    EXPECT_EQ(sheet->values, (std::vector<std::string>{"a=5", "b=10.000000"}));
    EXPECT_EQ(rig.data.m_entries[1].m_dataType, 7);
    EXPECT_EQ(rig.data.m_entries[2].m_value, "");
}

TEST_F(Iec103Test, HeadingsDescriptionsAndTheReadChain) {
    rig.data.m_groupQueues[9].Clear();
    // Headings in two answers: nothing is read before the second.
    rig.Asdu(Asdu(42, 240, 0x82, {Set(1, 0, 10, 1, Text("遥测")), Set(2, 0, 10, 1, Text("定值"))}), 9, 1);
    EXPECT_TRUE(rig.transport->Sent().empty());
    rig.Asdu(Asdu(42, 240, 1, {Set(3, 0, 10, 1, Text("遥信"))}), 9, 1);
    ASSERT_EQ(rig.transport->Sent().size(), 1u);
    EXPECT_EQ(rig.transport->Bodies()[0], (Bytes{21, 0x81, 42, 0, 254, 241, 0, 1, 1, 0, 10}));
    EXPECT_EQ(rig.transport->Sent()[0][26], 1);
    EXPECT_EQ(unitlink::GetU16(rig.transport->Sent()[0].data() + 14), 9);
    EXPECT_EQ(rig.link->GroupReadState(9), CDeviceLink::kReadDescriptions);

    rig.Asdu(Asdu(42, 241, 3,
                  {Set(1, 0, 10, 1, Text("遥测量")), Set(1, 1, 10, 1, Text("Ua")), Set(1, 2, 10, 0, {})}),
             9, 1);
    EXPECT_EQ(sheet->dbGroups, std::vector<std::string>{"1遥测量"});
    EXPECT_EQ(rig.transport->Bodies().back(), (Bytes{21, 0x81, 42, 0, 254, 241, 0, 1, 2, 0, 10}));
    rig.Asdu(Asdu(42, 241, 2, {Set(2, 0, 10, 1, Text("定值")), Set(2, 1, 10, 1, Text("Ua"))}), 9, 1);
    rig.Asdu(Asdu(42, 241, 1, {Set(1, 1, 10, 1, Text("again"))}), 9, 1); // known entry: not added twice
    EXPECT_EQ(sheet->settingGroups, std::vector<std::string>{"2定值"});
    EXPECT_EQ(rig.transport->Bodies().back(), (Bytes{21, 0x81, 9, 0, 254, 245, 0, 0}));
    EXPECT_EQ(sheet->calls, (std::vector<std::string>{"page0", "fill"}));
    ASSERT_EQ(rig.data.m_entries.size(), 3u);
    EXPECT_EQ(rig.data.m_entries[0].m_name, "Ua");
    EXPECT_EQ(rig.data.m_entries[1].m_name, "");
    EXPECT_EQ(rig.data.m_entries[2].m_key, MakeKey(2, 1));

    EXPECT_TRUE(CIec103Handler::IsTeleCategory("档位一"));
    EXPECT_FALSE(CIec103Handler::IsTeleCategory("保护"));
}

TEST_F(Iec103Test, GroupValuesForTheSettingsPage) {
    AddEntry(4, 1, "压板");
    AddEntry(4, 2, "字");
    rig.Asdu(Asdu(42, 241, 1, {Set(4, 1, 1, 9, {2})}), 9); // idle: ignored
    EXPECT_TRUE(sheet->settingValues.empty());
    rig.link->SetGroupReadState(9, CDeviceLink::kReadValues);
    rig.Asdu(Asdu(42, 241, 2, {Set(4, 1, 1, 9, {2}), Set(4, 2, 1, 2, {0x05, 0x0A}, 12)}), 9);
    EXPECT_EQ(sheet->settingValues, (std::vector<std::string>{"压板=1", "字=101000000101(0a05)"}));
}

TEST_F(Iec103Test, SettingsDownloadConfirmations) {
    rig.link->SetSettingsWaitKey(9);
    rig.shell.StartTimer(kTimerSettings, 10000);
    sheet->sentSettings = 2;
    // One entry fewer than sent: no execution.
    rig.Asdu(Asdu(44, 249, 1, {Set(4, 1, 1, 7, {0, 0, 0xC0, 0x3F})}), 9, 1);
    EXPECT_EQ(prompts.LastText(), "返校条目数有误\n定值下装失败!");
    EXPECT_EQ(sheet->calls, std::vector<std::string>{"downloadFailed"});
    EXPECT_TRUE(rig.transport->Sent().empty());
    EXPECT_FALSE(rig.shell.Running(kTimerSettings));

    rig.link->SetSettingsWaitKey(9);
    rig.Asdu(Asdu(44, 249, 2, {Set(4, 1, 1, 7, {0, 0, 0xC0, 0x3F}), Set(4, 2, 1, 3, {0xFE, 0xFF})}), 8, 1);
    EXPECT_TRUE(rig.transport->Sent().empty()); // another device
    rig.Asdu(Asdu(44, 249, 2, {Set(4, 1, 1, 7, {0, 0, 0xC0, 0x3F}), Set(4, 2, 1, 3, {0xFE, 0xFF})}), 9, 1);
    ASSERT_EQ(sheet->echo.size(), 2u);
    EXPECT_EQ(sheet->echo[0].value, 1.5f);
    EXPECT_EQ(sheet->echo[1].value, 65534.0f); // type 3 is unsigned
    EXPECT_EQ(sheet->echo[1].key, MakeKey(4, 2));
    EXPECT_EQ(rig.transport->Bodies().back(), (Bytes{10, 0x81, 40, 0, 254, 250, 0, 0x40}));
    EXPECT_EQ(rig.shell.timers[kTimerSettings], 10000);
    rig.Asdu(Asdu(40, 250, 0, {}), 9, 1);
    EXPECT_EQ(sheet->calls.back(), "downloadOk");
    EXPECT_EQ(rig.link->SettingsWaitKey(), 0);

    rig.link->SetSettingsWaitKey(9);
    sheet->echoOk = false;
    rig.Asdu(Asdu(44, 249, 2, {Set(4, 1, 1, 7, {0, 0, 0xC0, 0x3F}), Set(4, 2, 1, 3, {0xFE, 0xFF})}), 9, 1);
    EXPECT_EQ(prompts.LastText(), "校验未通过\n定值下装失败!");
    rig.link->SetSettingsWaitKey(9);
    sheet->echoOk = true;
    rig.Asdu(Asdu(44, 249, 2, {Set(4, 1, 1, 7, {0, 0, 0xC0, 0x3F}), Set(4, 2, 1, 3, {0xFE})}), 9, 1);
    EXPECT_EQ(prompts.LastText(), "校验未通过\n定值下装失败!"); // a cut echo does not pass
    rig.link->SetSettingsWaitKey(9);
    rig.Asdu(Asdu(41, 250, 0, {}), 9, 1);
    EXPECT_EQ(prompts.LastText(), "装置否定应答\n定值下装失败!");
    EXPECT_EQ(prompts.Messages().back().caption, "错误");
}

TEST_F(Iec103Test, SheetsOfTwoDevicesOpenedTogetherEachReadEveryGroup) {
    rig.shell.dbSheets.emplace_back(std::make_unique<qtest::RecordingDbSheet>(1, 8));
    const auto headings = [](std::uint8_t first) {
        return Asdu(42, 240, 2, {Set(first, 0, 10, 1, Text("遥测")), Set(first + 1, 0, 10, 1, Text("遥信"))});
    };
    const auto description = [](std::uint8_t group, const char* title) {
        return Asdu(42, 241, 1, {Set(group, 0, 10, 1, Text(title))});
    };
    // Both sheets ask for their headings before either device has answered its first read.
    rig.Asdu(headings(1), 9);
    rig.Asdu(headings(1), 8);
    rig.Asdu(description(1, "遥测"), 9);
    rig.Asdu(description(1, "遥测"), 8);
    rig.Asdu(description(2, "遥信"), 9);
    rig.Asdu(description(2, "遥信"), 8);
    std::vector<std::string> reads;
    for (const Bytes& f : rig.transport->Sent()) {
        const unsigned device = unitlink::GetU16(f.data() + 14);
        const Bytes body(f.begin() + 28, f.end());
        reads.push_back("dev" + std::to_string(device) +
                        (body[5] == 241 ? " g" + std::to_string(body[8]) : std::string(" GI")));
    }
    EXPECT_EQ(reads,
              (std::vector<std::string>{"dev9 g1", "dev8 g1", "dev9 g2", "dev8 g2", "dev9 GI", "dev8 GI"}));
    EXPECT_EQ(sheet->dbGroups, (std::vector<std::string>{"1遥测", "2遥信"}));
    EXPECT_EQ(rig.shell.dbSheets[1]->dbGroups, (std::vector<std::string>{"1遥测", "2遥信"}));
    // The read state is kept per device: values asked for by one device's settings page do not
    // turn another device's descriptions into values.
    rig.link->SetGroupReadState(8, CDeviceLink::kReadValues);
    EXPECT_EQ(rig.link->GroupReadState(9), CDeviceLink::kReadDescriptions);
}

TEST_F(Iec103Test, BoxesOfTheConfirmationComeAfterTheFrame) {
    rig.shell.holdLater = true;
    rig.link->SetSettingsWaitKey(9);
    sheet->sentSettings = 2;
    rig.Asdu(Asdu(44, 249, 1, {Set(4, 1, 1, 7, {0, 0, 0xC0, 0x3F})}), 9, 1);
    // The page is done with the download before any box; the box waits for the queued call.
    EXPECT_EQ(sheet->calls, std::vector<std::string>{"downloadFailed"});
    EXPECT_EQ(prompts.Count(), 0u);
    rig.shell.RunLater();
    EXPECT_EQ(prompts.LastText(), "返校条目数有误\n定值下装失败!");
}
