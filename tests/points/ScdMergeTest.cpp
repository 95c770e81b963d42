// The merge of imported device models into the project: the library entry of the model's name
// replaced (without regard to case) or added; a new device at the lowest free address; the device
// of that model refreshed with its placement, addresses, option values and point references kept.
#include "points/ScdMerge.h"

#include "projectmodel/ConfigDoc.h"
#include "projectmodel/Device.h"
#include "projectmodel/ProjectContext.h"

#include <gtest/gtest.h>

using namespace points;
using namespace projectmodel;

namespace {

CDeviceTemplate Model(const std::string& name, const std::string& version = "1") {
    CDeviceTemplate tpl;
    tpl.m_strName = name;
    tpl.m_strVersion = version;
    tpl.m_nFlag = 1;
    return tpl;
}

class ScdMergeTest : public ::testing::Test {
protected:
    void SetUp() override { CProjectContext::Reset(); }
    void TearDown() override { CProjectContext::Reset(); }
};

} // namespace

TEST_F(ScdMergeTest, ModelsReplaceTheirNamesakeAndNewDevicesTakeFreeAddresses) {
    CConfigDoc doc;
    doc.m_deviceModels.Add(Model("A_T", "old"));
    CDevice taken(kDeviceOrdinary);
    taken.m_nAddress = taken.m_nMappedAddress = 1;
    ASSERT_GE(doc.m_devices.Insert(std::move(taken)), 0);

    CImportIndex index;
    index.Build(doc);
    MergeImportedModel(doc, Model("a_t", "new"), "装置A", index);
    MergeImportedModel(doc, Model("B_T"), "装置B", index);
    ASSERT_EQ(doc.m_deviceModels.GetSize(), 2);
    EXPECT_EQ(doc.m_deviceModels[0].m_strVersion, "new");
    EXPECT_EQ(doc.m_deviceModels[1].m_strName, "B_T");
    ASSERT_EQ(doc.m_devices.GetSize(), 3);
    const CDevice* a = doc.m_devices.FindByAddress(2);
    const CDevice* b = doc.m_devices.FindByAddress(3);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->m_strModelName, "a_t");
    EXPECT_EQ(a->m_strDescription, "装置A");
    EXPECT_EQ(b->m_strModelName, "B_T");
    EXPECT_EQ(b->m_nMappedAddress, 3);
}

TEST_F(ScdMergeTest, RefreshedDeviceKeepsWhatTheUserSetAndOtherModelsDevicesStay) {
    CProjectContext::Instance().SetDeviceTableSorted(false);
    CConfigDoc doc;
    MergeImportedModel(doc, Model("A_T"), "first");
    ASSERT_EQ(doc.m_devices.GetSize(), 1);
    CDevice& device = doc.m_devices[0];
    device.m_nBoard = 0;
    device.m_nMappedAddress = 9;
    device.m_optionValues.push_back("x");
    device.m_pointRefs.Add(CPointRef());
    // Another model's device at the same address, ahead of it in the table.
    CDevice other = CDevice::CDeviceFromTemplate(Model("OTHER_T"));
    other.m_nAddress = device.m_nAddress;
    doc.m_devices.InsertAt(0, other);

    MergeImportedModel(doc, Model("A_T", "2"), "second");
    ASSERT_EQ(doc.m_devices.GetSize(), 2);
    EXPECT_EQ(doc.m_devices[0].m_strModelName, "OTHER_T");
    const CDevice& refreshed = doc.m_devices[1];
    EXPECT_EQ(refreshed.m_model.m_strVersion, "2");
    EXPECT_EQ(refreshed.m_nBoard, 0);
    EXPECT_EQ(refreshed.m_nMappedAddress, 9);
    EXPECT_EQ(refreshed.m_optionValues, std::vector<std::string>{"x"});
    EXPECT_EQ(refreshed.m_pointRefs.GetSize(), 1);
    EXPECT_EQ(refreshed.m_strDescription, "second");
}

TEST_F(ScdMergeTest, ReimportRefreshesTheFirstDeviceOfItsModel) {
    // In either table order the device found first for the model's name is refreshed.
    for (const bool sorted : {true, false}) {
        SCOPED_TRACE(sorted ? "sorted table" : "table in entry order");
        CProjectContext::Instance().SetDeviceTableSorted(sorted);
        CConfigDoc doc;
        for (const int address : {7, 3}) {
            CDevice d = CDevice::CDeviceFromTemplate(Model("A_T"));
            d.m_nAddress = d.m_nMappedAddress = address;
            d.m_strDescription = "old";
            ASSERT_GE(doc.m_devices.Insert(std::move(d)), 0);
        }
        const int first = doc.m_devices.FindIndexByModelName("A_T");
        ASSERT_GE(first, 0);
        const int firstAddress = doc.m_devices[first].m_nAddress;

        MergeImportedModel(doc, Model("A_T", "2"), "new");
        ASSERT_EQ(doc.m_devices.GetSize(), 2);
        for (int i = 0; i < doc.m_devices.GetSize(); ++i) {
            const CDevice& d = doc.m_devices[i];
            EXPECT_EQ(d.m_strDescription, d.m_nAddress == firstAddress ? "new" : "old") << d.m_nAddress;
        }
    }
}
