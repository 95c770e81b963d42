// Device records, the device table under both states of the sorted flag, and the document's
// group, entry and expression operations.
#include "projectmodel/Device.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"
#include "tests/support/Found.h"

#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

#include <utility>

using namespace projectmodel;
using platform::Answer;

namespace {

class DeviceTableTest : public ::testing::Test {
protected:
    void SetUp() override { CProjectContext::Reset(); }
    void TearDown() override { CProjectContext::Reset(); }

    static CDevice Dev(int address, DeviceKind kind = kDeviceOrdinary) {
        CDevice d(kind);
        d.m_nAddress = d.m_nMappedAddress = address;
        return d;
    }
    static std::vector<int> Addresses(const CDeviceArray& t) {
        std::vector<int> out;
        for (const CDevice& d : t)
            out.push_back(d.m_nAddress);
        return out;
    }
    static void AddVirtuals(CDeviceArray& t, bool custom = true) {
        t.Insert(CDevice(kDeviceStatus));
        t.Insert(CDevice(kDeviceComposite));
        if (custom)
            t.Insert(CDevice(kDeviceCustom));
    }
    testsupport::PromptRecorder prompts;
};

} // namespace

TEST_F(DeviceTableTest, ConstructorsAndVirtualDevices) {
    CDevice d;
    EXPECT_EQ(d.m_nBoard, -1);
    EXPECT_EQ(d.m_nAddress, 1);
    EXPECT_EQ(d.m_strModelName, "未定义");
    EXPECT_EQ(d.m_nKind, 0);
    EXPECT_EQ(CDevice(kDeviceOrdinary).m_strDescription, "未选型号");

    CDeviceTemplate model;
    model.m_strName = "PCS-931";
    CDevice fromModel = CDevice::CDeviceFromTemplate(model);
    EXPECT_EQ(fromModel.m_strModelName, "PCS-931");
    EXPECT_EQ(fromModel.m_strDescription, "PCS-931");
    EXPECT_EQ(fromModel.m_nKind, 1);
    EXPECT_EQ(fromModel.m_model.m_strVersion, "1.00");
    EXPECT_FALSE(fromModel.IsPlaced());

    struct V {
        DeviceKind kind;
        int address;
        const char* name;
    };
    for (V v : {V{kDeviceStatus, 65530, "状态信号虚装置"}, V{kDeviceComposite, 65531, "复合信号虚装置"},
                V{kDeviceCustom, 65532, "自定义装置"}}) {
        CDevice vd(v.kind);
        EXPECT_EQ(vd.m_nAddress, v.address);
        EXPECT_EQ(vd.m_nMappedAddress, v.address);
        EXPECT_EQ(vd.m_strModelName, v.name);
        EXPECT_EQ(vd.m_strDescription, v.name);
        EXPECT_EQ(vd.m_model.m_strName, v.name);
        EXPECT_EQ(vd.m_model.m_strType, "虚拟装置");
        EXPECT_EQ(vd.m_nKind, v.kind);
        EXPECT_EQ(vd.m_nBoard, -1);
    }
}

TEST_F(DeviceTableTest, SortedInsertByHalving) {
    CDeviceArray t;
    AddVirtuals(t);
    for (int a : {5, 2, 9, 1})
        EXPECT_GE(t.Insert(Dev(a)), 0);
    EXPECT_EQ(Addresses(t), (std::vector<int>{1, 2, 5, 9, 65530, 65531, 65532}));
    CDeviceArray before = t;
    EXPECT_EQ(t.Insert(Dev(5)), -1);
    EXPECT_EQ(t, before);
    EXPECT_EQ(t.FindIndexByAddress(9), 3);
    EXPECT_EQ(t.FindIndexByAddress(3), -1);
    EXPECT_EQ(testsupport::Found(t.FindByAddress(65531))->m_nKind, kDeviceComposite);
}

TEST_F(DeviceTableTest, UnsortedInsertStaysBeforeTrailingVirtualDevices) {
    CProjectContext::Instance().SetDeviceTableSorted(false);
    CDeviceArray t;
    EXPECT_EQ(t.Insert(Dev(7)), 0); // empty table: appended
    EXPECT_EQ(t.Insert(Dev(3)), 1); // no virtual devices: appended
    AddVirtuals(t, false);          // only two virtual devices (no custom model)
    EXPECT_EQ(t.Insert(Dev(1)), 2);
    EXPECT_EQ(Addresses(t), (std::vector<int>{7, 3, 1, 65530, 65531}));
    t.Insert(CDevice(kDeviceCustom));
    EXPECT_EQ(t.Insert(Dev(4)), 3);
    EXPECT_EQ(Addresses(t), (std::vector<int>{7, 3, 1, 4, 65530, 65531, 65532}));
    // Linear lookups while unsorted; Sort does nothing until the flag is set again.
    EXPECT_EQ(t.FindIndexByAddress(4), 3);
    t.Sort();
    EXPECT_EQ(t[0].m_nAddress, 7);
    CProjectContext::Instance().SetDeviceTableSorted(true);
    t.Sort();
    EXPECT_EQ(Addresses(t), (std::vector<int>{1, 3, 4, 7, 65530, 65531, 65532}));
}

TEST_F(DeviceTableTest, FlagFollowsNewDocumentAndReset) {
    CProjectContext::Instance().SetDeviceTableSorted(false);
    CProjectModel doc;
    EXPECT_TRUE(CProjectContext::Instance().IsDeviceTableSorted());
    doc.MakeCurrent();
    EXPECT_EQ(CProjectContext::Instance().CurrentDocument(), &doc);
    CProjectContext::Reset();
    EXPECT_EQ(CProjectContext::Instance().CurrentDocument(), nullptr);
    {
        CProjectModel other;
        other.MakeCurrent();
    }
    EXPECT_EQ(CProjectContext::Instance().CurrentDocument(), nullptr);
}

TEST_F(DeviceTableTest, LowestFreeAddressAndPrepare) {
    CDeviceArray t;
    AddVirtuals(t);
    for (int a : {1, 2, 4})
        t.Insert(Dev(a));
    CDevice d = Dev(99);
    d.m_pointRefs.Add(CPointRef(1, 1, 1));
    EXPECT_EQ(t.PrepareNewDevice(d), 0); // no current document
    CProjectModel doc;
    doc.m_deviceExtItems.SetSize(2);
    doc.m_deviceExtItems[0].m_strDefault = "a";
    doc.m_deviceExtItems[1].m_strDefault = "b";
    doc.MakeCurrent();
    ASSERT_EQ(t.PrepareNewDevice(d), 1);
    EXPECT_EQ(d.m_nAddress, 3);
    EXPECT_EQ(d.m_nMappedAddress, 3);
    EXPECT_TRUE(d.m_pointRefs.IsEmpty());
    EXPECT_EQ(d.m_optionValues, (CStringArray{"a", "b"}));
    t.Insert(d);
    t.Insert(Dev(5));
    EXPECT_EQ(t.LowestFreeAddress(), 6);
}

TEST_F(DeviceTableTest, MoveAndModelName) {
    CDeviceArray t;
    for (int a : {1, 2, 3, 4})
        t.Insert(Dev(a));
    t[2].m_model.m_strName = "Abc";
    EXPECT_EQ(t.FindIndexByModelName("ABC"), 2);
    EXPECT_EQ(t.FindIndexByModelName("x"), -1);
    t.Move(0, 3);
    EXPECT_EQ(Addresses(t), (std::vector<int>{2, 3, 4, 1}));
    t.Move(3, 0);
    t.Move(0, 4); // outside the table: nothing
    EXPECT_EQ(Addresses(t), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(DeviceTableTest, GroupNumbersSkipTen) {
    CProjectModel doc;
    EXPECT_EQ(doc.GetGroupNo(nullptr, "遥信", 1), -1);
    EXPECT_EQ(prompts.LastText(), "未指定装置信号，获取组号失败!");
    EXPECT_EQ(doc.GetEntryNo(nullptr, 1), -1);
    EXPECT_EQ(prompts.LastText(), "未指定装置信号，获取条目号失败!");

    CDeviceTemplate m;
    for (int no = 1; no <= 9; ++no) {
        CInfoGroup g;
        g.m_nGroupNo = no;
        g.m_strName = "遥测";
        g.m_nType = 0;
        m.m_groups.Add(g);
    }
    m.m_groups[2].m_strName = "遥信";
    m.m_groups[2].m_nType = 1;
    EXPECT_EQ(doc.GetGroupNo(&m, "遥信", 1), 3);
    EXPECT_EQ(doc.GetGroupNo(&m, "遥信", 0), 11); // same name, other type
    EXPECT_EQ(doc.GetGroupNo(&m, "新组", 6), 11);
    for (int i = 1; i <= 255; ++i) {
        CInfoEntry e;
        e.m_nEntry = i;
        m.m_groups[2].m_entries.Add(e);
    }
    EXPECT_EQ(doc.GetGroupNo(&m, "遥信", 1), 11); // a full group is not reused
    EXPECT_EQ(doc.GetEntryNo(&m, 3), 256);
    EXPECT_EQ(doc.GetEntryNo(&m, 42), 1);

    CInfoGroup ten;
    ten.m_nGroupNo = 10;
    ten.m_strName = "十";
    m.m_groups.Add(ten);
    EXPECT_EQ(doc.GetGroupNo(&m, "十", 6), 11); // the group numbered 10 is never taken
}

TEST_F(DeviceTableTest, CompositeExpressionsAskBeforeReplacing) {
    CProjectModel doc;
    CInfoEntry e;
    e.m_nGroup = 4;
    e.m_nEntry = 2;
    e.m_strGroupName = "虚遥测";
    e.m_expr.m_nOperator = 1;
    EXPECT_EQ(doc.SetCompositeExpression(4, 0, e), 0); // no composite device yet

    doc.m_devices.Insert(CDevice(kDeviceComposite));
    ASSERT_EQ(doc.SetCompositeExpression(4, 0, e), 1);
    const CInfoGroup* g = testsupport::Found(doc.FindDevice(65531))->m_model.FindGroup(4);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->m_strName, "虚遥测");
    EXPECT_EQ(g->m_nType, 0);
    e.m_nEntry = 1;
    ASSERT_EQ(doc.SetCompositeExpression(4, 0, e), 1);
    EXPECT_EQ(g->m_entries[0].m_nEntry, 1); // inserted in entry order
    EXPECT_EQ(prompts.Count(), 0u);

    e.m_expr.m_nOperator = 9;
    prompts.Script({Answer::No});
    EXPECT_EQ(doc.SetCompositeExpression(4, 0, e), 0);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).text,
              "已有相同(分组|条目)的表达式, 将要替换原有的表达式吗?");
    EXPECT_EQ(testsupport::At(prompts.Messages(), 0).buttons, platform::Buttons::YesNo);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(65531, 4, 1))->m_expr.m_nOperator, 1);
    prompts.Script({Answer::Yes});
    EXPECT_EQ(doc.SetCompositeExpression(4, 0, e), 1);
    EXPECT_EQ(testsupport::Found(doc.FindDeviceInfo(65531, 4, 1))->m_expr.m_nOperator, 9);

    doc.DeleteCompositeExpression(4, 1);
    EXPECT_EQ(doc.FindDeviceInfo(65531, 4, 1), nullptr);
    EXPECT_NE(doc.FindDeviceInfo(65531, 4, 2), nullptr);
    doc.DeleteCompositeExpression(7, 1); // missing group: nothing
    doc.DeleteDeviceExpression(nullptr, 4, 2);
    EXPECT_EQ(doc.SetDeviceExpression(nullptr, 4, 0, e), 0);
}

// A device made as the SCD import makes it holds the model's groups until one of the two changes;
// a change never reaches the other, whichever holder it goes through, and later copies are whole.
TEST_F(DeviceTableTest, ADeviceSharesItsModelsGroupsUntilEitherChanges) {
    CDeviceTemplate model;
    model.m_strName = "IED1";
    CInfoGroup group;
    group.m_strName = "遥信";
    group.m_nGroupNo = 1;
    CInfoEntry entry;
    entry.m_nEntry = 1;
    entry.m_strDesc = "断路器位置";
    group.m_entries.InsertSorted(entry);
    model.m_groups.Add(group);

    CDevice device = CDevice::CDeviceFromTemplate(model);
    ASSERT_TRUE(device.m_model.m_groups.SharesWith(model.m_groups));
    // Reading through either, const or by look-up, keeps them shared.
    const CDevice& reader = device;
    ASSERT_NE(reader.m_model.FindEntry(1, 1), nullptr);
    EXPECT_EQ(std::as_const(model).FindEntry(1, 1)->m_strDesc, "断路器位置");
    EXPECT_TRUE(device.m_model.m_groups.SharesWith(model.m_groups));
    // A later copy of the model is a copy of its own.
    const CDeviceTemplate copy = model;
    EXPECT_FALSE(copy.m_groups.SharesWith(model.m_groups));

    // A change through the device leaves the model as it was, and the other way round.
    device.m_model.FindEntry(1, 1)->m_strDesc = "刀闸位置";
    EXPECT_FALSE(device.m_model.m_groups.SharesWith(model.m_groups));
    EXPECT_EQ(model.FindEntry(1, 1)->m_strDesc, "断路器位置");
    CDevice second = CDevice::CDeviceFromTemplate(model);
    model.m_groups.RemoveAll();
    EXPECT_EQ(second.m_model.FindEntry(1, 1)->m_strDesc, "断路器位置");
    EXPECT_EQ(device.m_model.FindEntry(1, 1)->m_strDesc, "刀闸位置");
    // Equal contents compare equal whether shared or not.
    CDevice third = CDevice::CDeviceFromTemplate(second.m_model);
    EXPECT_EQ(third.m_model.m_groups, second.m_model.m_groups);
    EXPECT_EQ(copy.m_groups, second.m_model.m_groups);
}

// A record reached for writing is never shared by a later copy, even one offered for sharing
// before the write: the holder of the reference would otherwise change both arrays at once.
TEST(SharedRecordArray, AWriteAccessEndsTheSharingOffer) {
    CSharedRecordArray<int> records;
    records.Add(1);
    records.Add(2);

    records.AllowSharing();
    const CSharedRecordArray<int>& reader = records;
    EXPECT_EQ(reader[0], 1); // reading keeps the offer
    int& first = records[0];
    const CSharedRecordArray<int> copy = records;
    EXPECT_FALSE(copy.SharesWith(records));
    first = 7;
    EXPECT_EQ(copy[0], 1);

    // Every other kind of write access ends the offer as well.
    records.AllowSharing();
    *records.GetPtr(1) = 8;
    EXPECT_FALSE(CSharedRecordArray<int>(records).SharesWith(records));
    records.AllowSharing();
    std::vector<int>& items = records.Items();
    const CSharedRecordArray<int> third = records;
    items[1] = 9;
    EXPECT_EQ(third[1], 8);

    // Without a write in between, the offer holds for the next copy only.
    records.AllowSharing();
    const CSharedRecordArray<int> shared = records;
    EXPECT_TRUE(shared.SharesWith(records));
    EXPECT_FALSE(CSharedRecordArray<int>(records).SharesWith(records));
}
