#include "monitor/core/DevModel.h"
#include "tests/support/Found.h"

#include "platform/FileFaults.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace marindle;

TEST(DevModelTest, GroupKindsByTitle) {
    EXPECT_EQ(GroupKindFromTitle("遥信/开入量"), 1);
    EXPECT_EQ(GroupKindFromTitle("档位/"), 1);
    EXPECT_EQ(GroupKindFromTitle("遥信"), 2);          // no "/"
    EXPECT_EQ(GroupKindFromTitle("/遥信"), 2);         // starts with it
    EXPECT_EQ(GroupKindFromTitle("统计数据/遥测"), 3); // not one of the six
    EXPECT_EQ(GroupKindFromTitle("遥测统计数据"), 3);
    EXPECT_EQ(GroupKindFromTitle("遥信 /x"), 2);
    EXPECT_EQ(GroupKindFromTitle(""), 2);
}

TEST(DevModelTest, DuplicatesAreRefused) {
    CDevModel m;
    EXPECT_TRUE(m.AddBoard(1));
    EXPECT_FALSE(m.AddBoard(1));
    CPortRecord* serial = m.AddPort(1, 2, CPortRecord::kSerial);
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(m.AddPort(1, 2, CPortRecord::kSerial), nullptr);
    CPortRecord* net = m.AddPort(1, 2, CPortRecord::kNetwork); // same number, other kind
    ASSERT_NE(net, nullptr);
    net->key = 1;
    CDeviceRecord* d = serial->AddDevice(9);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(serial->AddDevice(9), nullptr);
    CDeviceRecord* other = net->AddDevice(9); // another port may hold the address
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->portKey, 1);
    EXPECT_EQ(m.FindDevice(9), d); // the first wins
    m.SetDeviceKey(*other, 4);
    EXPECT_EQ(m.FindDeviceByKey(4), other);
    EXPECT_EQ(m.FindPortByKey(1), net);
    EXPECT_NE(serial->AddTable(3), nullptr);
    EXPECT_EQ(serial->AddTable(3), nullptr);
    CGroupRecord* g = d->AddGroup(5);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(d->AddGroup(5), nullptr);
    ASSERT_NE(g->AddEntry(0x0105), nullptr);
    EXPECT_EQ(g->AddEntry(0x0105), nullptr);
    EXPECT_EQ(testsupport::Found(d->FindEntry(0x0105))->EntryNumber(), 1);
    EXPECT_EQ(d->FindEntry(0x0106), nullptr);
    m.Clear();
    EXPECT_EQ(m.FindDevice(9), nullptr);
    EXPECT_EQ(m.FindDeviceByKey(4), nullptr);
    EXPECT_TRUE(m.Ports().empty());
}

TEST(DevModelTest, ExportWritesTheDeviceData) {
    testsupport::PromptRecorder prompt;
    testsupport::TempDir dir;
    CDeviceRecord d(5);
    d.name = "L1/线路";
    CGroupRecord* g1 = d.AddGroup(1);
    g1->title = "定值";
    CEntryRecord* e = g1->AddEntry(0x0101);
    e->description = "过流";
    e->dimension = "A";
    e->rangeMin = "0";
    e->rangeMax = "100";
    e->rangeStep = "0.01";
    e->precision1 = "5";
    e->precision2 = "2";
    e->actualValue = "1.50";
    e->dataType = 7;
    e->dataSize = 4;
    g1->AddEntry(0x0201)->description = "时间";
    d.AddGroup(2)->title = "空组";
    CGroupRecord* g3 = d.AddGroup(3);
    g3->title = "定值";
    g3->AddEntry(0x0103)->description = "同名组";
    ASSERT_TRUE(d.ExportText(dir.Path()));
    const auto file = dir / "L1_线路.txt";
    EXPECT_EQ(testsupport::ReadGbkText(file), "[名称]\nL1/线路\n[定值]\n"
                                              "1,1,1,过流,A,量程=0,100,0.01;精度=5,2;实际值=7,4,1.50\n"
                                              "2,1,2,时间,,\n"
                                              "3,3,1,同名组,,\n");
    EXPECT_NE(testsupport::ReadBytes(file).find("\r\n"), std::string::npos);
    EXPECT_EQ(prompt.LastText(), "已成功导出数据为文件\"" + file.string() + "\"");

    prompt.Clear();
    EXPECT_FALSE(d.ExportText(dir / "missing"));
    EXPECT_EQ(prompt.Count(), 0u);

    // A later export that cannot be written leaves the earlier file whole.
    const std::string before = testsupport::ReadBytes(file);
    g3->AddEntry(0x0203)->description = "新条目";
    for (platform::FileStep step :
         {platform::FileStep::Open, platform::FileStep::Write, platform::FileStep::Rename}) {
        {
            platform::CFileFaults faults;
            faults.FailFrom(step, 1);
            EXPECT_FALSE(d.ExportText(dir.Path())) << int(step);
        }
        EXPECT_EQ(testsupport::ReadBytes(file), before) << int(step);
    }
    EXPECT_EQ(prompt.Count(), 0u);
}
