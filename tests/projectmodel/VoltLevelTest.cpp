// Voltage levels, bays and primary equipment.
#include "projectmodel/VoltLevel.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"
#include "tests/support/Found.h"

#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using namespace projectmodel;

namespace {
class VoltLevelTest : public ::testing::Test {
protected:
    void SetUp() override { CProjectContext::Reset(); }
    void TearDown() override { CProjectContext::Reset(); }
    testsupport::PromptRecorder prompts;
};

template <class List> std::vector<int> Keys(const List& list) {
    std::vector<int> out;
    for (const auto& r : list)
        out.push_back(r.Key());
    return out;
}

CRefTableEntry Ref(int address, int group, int entry) {
    CRefTableEntry e;
    e.m_nAddress = address;
    e.m_nGroup = group;
    e.m_nEntry = entry;
    return e;
}
} // namespace

TEST_F(VoltLevelTest, CodesAndNewLevel) {
    EXPECT_EQ(VoltLevelCodeFromName("220KV"), 5);
    EXPECT_EQ(VoltLevelCodeFromName("6kv"), 0);
    EXPECT_EQ(VoltLevelCodeFromName("20kV"), -1);
    EXPECT_EQ(CVoltLevel("110kV").m_nCode, 4);
    EXPECT_EQ(CVoltLevel().m_strName, "220kV");

    CVoltLevelList levels;
    levels.Insert(CVoltLevel("35kV"));
    levels.Insert(CVoltLevel("6kV"));
    CVoltLevel level;
    EXPECT_FALSE(levels.NewVoltLevel(level)); // no current document
    CProjectModel doc;
    doc.m_voltLevelConfig.m_strName = "电压等级配置";
    doc.MakeCurrent();
    ASSERT_TRUE(levels.NewVoltLevel(level));
    EXPECT_EQ(level.m_strName, "10kV");
    EXPECT_EQ(level.m_nCode, 1);
    EXPECT_EQ(level.m_settings.m_strName, "电压等级配置");
    EXPECT_EQ(levels.FindByName("35KV"), 1);
    for (auto name : VoltLevelNames)
        levels.Insert(CVoltLevel(name));
    EXPECT_EQ(levels.GetSize(), 8);
    EXPECT_FALSE(levels.NewVoltLevel(level));
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(VoltLevelTest, BaysAndEquipmentIds) {
    CPrjBayList bays;
    for (int id : {3, 0, 1}) {
        CPrjBay b;
        b.m_nId = id;
        EXPECT_GE(bays.Insert(b), 0);
    }
    CPrjBay dup;
    dup.m_nId = 1;
    dup.m_strName = "dup";
    EXPECT_EQ(bays.Insert(dup), -1);
    EXPECT_EQ(bays.GetById(1)->m_strName, "间隔0");
    CPrjBay bay;
    EXPECT_FALSE(bays.NewBay(bay));
    CProjectModel doc;
    doc.m_bayConfig.m_strType = "bay";
    doc.MakeCurrent();
    ASSERT_TRUE(bays.NewBay(bay));
    EXPECT_EQ(bay.m_nId, 2);
    EXPECT_EQ(bay.m_strName, "间隔2");
    EXPECT_EQ(bay.m_settings.m_strType, "bay");
    bays.RemoveById(0);
    bays.RemoveById(7);
    EXPECT_EQ(Keys(bays), (std::vector<int>{1, 3}));
    EXPECT_EQ(bays.NextFreeId(), 0);

    CPrjDeviceList equipment;
    for (int id : {5, 2, 9}) {
        CPrjDevice d;
        d.m_nId = id;
        equipment.Insert(d);
    }
    EXPECT_EQ(Keys(equipment), (std::vector<int>{2, 5, 9}));
    CPrjDevice five;
    five.m_nId = 5;
    EXPECT_EQ(equipment.Insert(five), -1);
    EXPECT_EQ(equipment.FindIndexById(9), 2);
    EXPECT_EQ(equipment.FindIndexById(4), -1);

    CPrjDevice fresh;
    EXPECT_FALSE(equipment.NewDevice(fresh)); // empty equipment library
    EXPECT_EQ(prompts.LastText(), "初始化失败：系统没有提供一次设备类型!");
    EXPECT_EQ(fresh.m_nId, 0);
    EXPECT_EQ(fresh.m_strName, "设备0");
    doc.m_equipmentLibrary.SetSize(2);
    doc.m_equipmentLibrary[0].m_strName = "断路器";
    ASSERT_TRUE(equipment.NewDevice(fresh));
    EXPECT_EQ(fresh.m_settings.m_strName, "断路器");

    equipment.RemoveByIds({2, 7, 9});
    EXPECT_EQ(Keys(equipment), (std::vector<int>{5}));
}

TEST_F(VoltLevelTest, EquipmentReferencesToDevices) {
    CPrjDeviceList list;
    CPrjDevice a;
    a.m_nId = 4;
    a.m_settings.m_tables.SetSize(1);
    for (int addr : {7, 7, 8})
        a.m_settings.m_tables[0].m_entries.Add(Ref(addr, 1, addr));
    a.m_linkedDevices = {3, 7, 7};
    CPrjDevice b;
    b.m_nId = 1;
    b.m_settings.m_tables.SetSize(2);
    b.m_settings.m_tables[1].m_entries.Add(Ref(8, 1, 8));
    list.Insert(a);
    list.Insert(b);
    EXPECT_EQ(testsupport::Found(list.FindByPointRef(8, 1, 8))->m_nId, 1); // first in id order
    EXPECT_EQ(testsupport::Found(list.FindByPointRef(7, 1, 7))->m_nId, 4);
    EXPECT_EQ(list.FindByPointRef(7, 2, 7), nullptr);

    CPrjDevice& d = *list.GetById(4);
    CPrjDevice copy = d;
    d.ReplaceRefDeviceAddress(7, 0, true);
    ASSERT_EQ(d.m_settings.m_tables[0].m_entries.GetSize(), 1);
    EXPECT_EQ(d.m_settings.m_tables[0].m_entries[0].m_nAddress, 8);
    copy.ReplaceRefDeviceAddress(7, 9, false);
    EXPECT_EQ(copy.m_settings.m_tables[0].m_entries[1].m_nAddress, 9);

    EXPECT_TRUE(d.ReplaceLinkedDeviceAddress(7, 12, false));
    EXPECT_EQ(d.m_linkedDevices, (CIntArray{3, 12, 7}));
    EXPECT_TRUE(d.ReplaceLinkedDeviceAddress(7, 0, true));
    EXPECT_EQ(d.m_linkedDevices, (CIntArray{3, 12}));
    EXPECT_FALSE(d.ReplaceLinkedDeviceAddress(7, 0, true));
}
