// The device model of an imported IED: groups of at most 200 entries numbered class by class, the
// tap changers' group and its number, the special indications.
#include "points/ScdDeviceModel.h"
#include "tests/support/Found.h"

#include "platform/Archive.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/TextHelpers.h"

#include <gtest/gtest.h>

#include <set>

using namespace points;
using namespace projectmodel;

namespace {

CSCDPointRef Ref(const std::string& fcda, const char* category = "遥信") {
    CSCDPointRef r(fcda, "SPS", "");
    r.m_strDesc = fcda;
    r.m_strCategory = category;
    r.m_strOnText = "合";
    r.m_strOffText = "分";
    return r;
}

} // namespace

TEST(DeviceModelTest, GroupsHoldAtMost200EntriesAndClassesKeepTheirNumbers) {
    CInfoModel info;
    info.m_strName = "A";
    info.m_strType = "B";
    for (int i = 0; i < 450; ++i)
        info.m_indications.push_back(
            std::make_unique<CSCDPointRef>(Ref("LD/GGIO1$ST$Ind" + std::to_string(i) + "$stVal")));
    info.m_measurands.push_back(std::make_unique<CSCDPointRef>(Ref("LD/MMXU1$MX$Hz$mag$f", "遥测")));
    info.m_others.push_back(std::make_unique<CSCDPointRef>(Ref("LD/LLN0$SP$SGCB$ActSG", "定值区号")));
    info.m_others.push_back(std::make_unique<CSCDPointRef>(Ref("LD/PTOC1$SG$StrVal$setMag$f", "定值")));
    info.m_others.back()->m_strDesc = "I>=1A";
    const CDeviceTemplate tpl = BuildDeviceModel(info);
    EXPECT_EQ(tpl.m_strName, "A_B");
    std::vector<std::pair<int, int>> groups;
    for (const CInfoGroup& g : tpl.m_groups)
        groups.emplace_back(g.m_nGroupNo, g.m_entries.GetSize());
    EXPECT_EQ(groups, (std::vector<std::pair<int, int>>{
                          {1, 200}, {2, 200}, {3, 50}, {4, 1}, {6, 1}, {7, 1}, {255, 4}}));
    EXPECT_EQ(testsupport::Found(tpl.FindEntry(2, 1))->m_nSeq, 1);
    EXPECT_EQ(testsupport::Found(tpl.FindEntry(3, 50))->m_strReference, "LD/GGIO1$ST$Ind449$stVal");
    EXPECT_EQ(testsupport::Found(tpl.FindEntry(7, 1))->m_strDesc,
              "I> 1A"); // an "=" would have lost the point
}

TEST(DeviceModelTest, TapChangersFillGroup18InPairs) {
    CInfoModel info;
    info.m_strName = info.m_strType = "T";
    info.m_controls.push_back(std::make_unique<CSCDPointRef>(Ref("LD/ATCC1$CO$TapChg$Oper$ctlVal", "遥控")));
    info.m_controls.push_back(std::make_unique<CSCDPointRef>(Ref("LD/Q0CSWI1$CO$Pos$Oper$ctlVal", "遥控")));
    info.m_controls.push_back(std::make_unique<CSCDPointRef>(Ref("LD/ATCC2$co$tapchg$Oper$ctlVal", "遥控")));
    const CDeviceTemplate tpl = BuildDeviceModel(info);
    ASSERT_EQ(tpl.m_groups.GetSize(), 3);
    EXPECT_EQ(tpl.m_groups[0].m_nGroupNo, 18); // ahead of the ordinary control group
    EXPECT_EQ(tpl.m_groups[1].m_nGroupNo, 3);
    EXPECT_EQ(tpl.m_groups[0].m_entries.GetSize(), 4);
    EXPECT_EQ(testsupport::Found(tpl.FindEntry(18, 3))->m_strDesc, "档位-升降");
    EXPECT_EQ(testsupport::Found(tpl.FindEntry(18, 4))->m_strReference, "LD/ATCC2$co$tapchg$Oper$ctlVal");
    EXPECT_EQ(testsupport::Found(tpl.FindEntry(3, 1))->m_strDesc, "LD/Q0CSWI1$CO$Pos$Oper$ctlVal");

    // A device whose indications fill groups 1..18 files its tap changers under the next free
    // number, never a second group 18.
    CInfoModel many;
    many.m_strName = many.m_strType = "M";
    for (int i = 0; i < 17 * 200 + 1; ++i)
        many.m_indications.push_back(
            std::make_unique<CSCDPointRef>(Ref("LD/GGIO1$ST$Ind" + std::to_string(i) + "$stVal", "遥信")));
    many.m_controls.push_back(std::make_unique<CSCDPointRef>(Ref("LD/ATCC1$CO$TapChg$Oper$ctlVal", "遥控")));
    many.m_controls.push_back(std::make_unique<CSCDPointRef>(Ref("LD/Q0CSWI1$CO$Pos$Oper$ctlVal", "遥控")));
    const CDeviceTemplate big = BuildDeviceModel(many);
    std::set<int> numbers;
    for (const auto& g : big.m_groups)
        EXPECT_TRUE(numbers.insert(g.m_nGroupNo).second) << "group number " << g.m_nGroupNo << " twice";
    ASSERT_EQ(big.m_groups.GetSize(), 18 + 2 + 1);
    const auto& tapGroup = big.m_groups[18];
    EXPECT_EQ(tapGroup.m_nGroupNo, 19);
    EXPECT_EQ(tapGroup.m_strName, "遥控");
    ASSERT_EQ(tapGroup.m_entries.GetSize(), 2);
    ASSERT_NE(big.FindEntry(19, 2), nullptr);
    EXPECT_EQ(testsupport::Found(big.FindEntry(19, 2))->m_strDesc, "档位-停");
    EXPECT_EQ(testsupport::Found(big.FindEntry(18, 1))->m_strReference, "LD/GGIO1$ST$Ind3400$stVal");
    ASSERT_NE(big.FindEntry(20, 1), nullptr);
    EXPECT_EQ(testsupport::Found(big.FindEntry(20, 1))->m_strReference, "LD/Q0CSWI1$CO$Pos$Oper$ctlVal");

    // Indications in groups 1..9, no measurands, ordinary controls in 11..18: the lowest free
    // number would be 10, which is reserved; the tap changers take 19.
    CInfoModel gap;
    gap.m_strName = gap.m_strType = "G";
    for (int i = 0; i < 9 * 200; ++i)
        gap.m_indications.push_back(
            std::make_unique<CSCDPointRef>(Ref("LD/GGIO1$ST$Ind" + std::to_string(i) + "$stVal", "遥信")));
    gap.m_controls.push_back(std::make_unique<CSCDPointRef>(Ref("LD/ATCC1$CO$TapChg$Oper$ctlVal", "遥控")));
    for (int i = 0; i < 8 * 200; ++i)
        gap.m_controls.push_back(std::make_unique<CSCDPointRef>(
            Ref("LD/CSWI" + std::to_string(i) + "$CO$Pos$Oper$ctlVal", "遥控")));
    const CDeviceTemplate gapped = BuildDeviceModel(gap);
    std::set<int> used;
    for (const auto& g : gapped.m_groups) {
        EXPECT_NE(g.m_nGroupNo, 10) << g.m_strName;
        EXPECT_TRUE(used.insert(g.m_nGroupNo).second) << "group number " << g.m_nGroupNo << " twice";
    }
    ASSERT_NE(gapped.FindEntry(18, 200), nullptr);
    ASSERT_NE(gapped.FindEntry(19, 2), nullptr);
    EXPECT_EQ(testsupport::Found(gapped.FindEntry(19, 2))->m_strDesc, "档位-停");
}

TEST(ScdDeviceModelRules, TapChangerReferencesWhateverTheCaseOfTheirClass) {
    const struct {
        const char* fcda;
        bool tap;
    } cases[] = {
        {"LD/ATCC1$CO$TapChg$Oper$ctlVal", true},
        {"X/pATCC3$CO$TapChg", true},
        {"LD/atcc1$CO$TapChg$Oper$ctlVal", true},  // a lower-case class
        {"LD/pAtCc2$co$TAPCHG$Oper$ctlVal", true}, // mixed case throughout
        {"LD/ATCC1$ST$TapChg$stVal", false},       // not a control
        {"LD$CO$TapChg/ATCC", false},              // the class after the "$"
        {"LD/ATC1$CO$TapChg$Oper", false},
        {"LD/ATCC1$CO$TapCh", false}, // cut short
        {"ATCC1$CO$TapChg", false},   // no logical device
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsTapChangerReference(c.fcda), c.tap) << c.fcda;
    // A lower-case tap changer goes to its group 18 like an upper-case one.
    CInfoModel info;
    info.m_strName = "T";
    info.m_controls.push_back(std::make_unique<CSCDPointRef>(Ref("LD/atcc1$CO$TapChg$Oper$ctlVal", "遥控")));
    const CDeviceTemplate tpl = BuildDeviceModel(info);
    ASSERT_NE(tpl.FindEntry(18, 1), nullptr);
    EXPECT_EQ(testsupport::Found(tpl.FindEntry(18, 2))->m_strDesc, "档位-停");
}

// An entry built from a point is the entry its line would give ("n,group,n,desc,texts...,options"),
// whatever its description and reference text hold: options with a field of their own, a
// reference holding "=" or ";", blanks around keys and values, parentheses, quotes and commas.
TEST(ScdDeviceModelRules, EntriesAreWhatTheirLinesRead) {
    const struct {
        const char* desc;
        const char* refText;
    } cases[] = {
        {"开关合位", "FCDA=LD/XCBR1$ST$Pos$stVal;CDC=DPC;ctlModel=sbo-with-enhanced-security"},
        {"plain", "FCDA=LD/GGIO1$ST$Ind1$stVal"},
        {"I>=1A", "FCDA=LD/GGIO1$ST$Ind2$stVal;CDC=SPS"},
        {"a;b,c(d", "FCDA=LD/GGIO1$ST$Ind3$stVal;CDC=SPS"},
        {"x", "FCDA=LD/GGIO1$ST$a=b$stVal;CDC=SPS"},
        {"x", " FCDA = LD/GGIO1$ST$Ind4 ; CDC= SPS ;ctlModel =direct "},
        {"x", "FCDA=LD/X;FUN=3;INF=7"},
        {"x", "FCDA=LD/X;fun=4"},
        {"x", "FCDA=LD/X;规则=1+2;分规则=3"},
        {"x", "FCDA=LD/X;;CDC=SPS"},
        {"x", "fcda=LD/X;CDC="},
        {"x", "FCDA=LD/X(1);CDC=SPS"},
        {"x", "CDC=SPS;FCDA=LD/Y;FCDA=LD/Z"},
        {"x", "=x;FCDA=LD/X;"},
        {"x", "FCDA=LD/X;遥信=1,2,3"},
        {"x", "FCDA=LD/X;设备=1;NAME='a'"},
        {"x", "FCDA"},
        {"x", ""},
    };
    CInfoModel info;
    info.m_strName = info.m_strType = "E";
    for (const auto& c : cases) {
        auto ref = std::make_unique<CSCDPointRef>(Ref("LD/GGIO1$ST$Ind$stVal"));
        ref->m_strDesc = c.desc;
        ref->m_strRefText = c.refText;
        info.m_indications.push_back(std::move(ref));
    }
    const CDeviceTemplate tpl = BuildDeviceModel(info);
    for (int n = 1; n <= static_cast<int>(std::size(cases)); ++n) {
        const auto& c = cases[n - 1];
        CInfoGroup lines;
        lines.m_strName = "遥信"; // the group name its entries carry
        const std::string line = std::to_string(n) + ",1," + std::to_string(n) + "," +
                                 ConfigLineSafeText(c.desc, ConfigTextKind::EntryText) + ",,,合,分," +
                                 c.refText;
        const bool read = lines.AddEntryFromText(line) != 0;
        const CInfoEntry* built = tpl.FindEntry(1, n);
        ASSERT_EQ(built != nullptr, read) << line;
        if (!built)
            continue;
        ASSERT_EQ(lines.m_entries.GetSize(), 1);
        const CInfoEntry& expected = lines.m_entries[0];
        platform::CArchive a, b;
        built->Store(a);
        expected.Store(b);
        EXPECT_EQ(a.Bytes(), b.Bytes()) << line;
        EXPECT_EQ(built->m_strCloseRule.View(), expected.m_strCloseRule.View()) << line;
        EXPECT_EQ(built->m_strOpenRule.View(), expected.m_strOpenRule.View()) << line;
        EXPECT_EQ(std::vector<int>(std::begin(built->m_yx), std::end(built->m_yx)),
                  std::vector<int>(std::begin(expected.m_yx), std::end(expected.m_yx)))
            << line;
        EXPECT_EQ(std::vector<int>(std::begin(built->m_equip), std::end(built->m_equip)),
                  std::vector<int>(std::begin(expected.m_equip), std::end(expected.m_equip)))
            << line;
    }
}

// The entries of a group share the blocks of texts they repeat from the entry before, and a
// description that is the reference shares the reference's block.
TEST(ScdDeviceModelRules, EntriesShareTheTextsTheyRepeat) {
    CInfoModel info;
    info.m_strName = info.m_strType = "S";
    for (int i = 0; i < 3; ++i) {
        const std::string fcda = "LD/CSWI1$CO$Pos" + std::to_string(i) + "$Oper$ctlVal";
        auto ref = std::make_unique<CSCDPointRef>(fcda, "DPC", "sbo-with-enhanced-security");
        ref->m_strDesc = i == 2 ? std::string_view(fcda) : std::string_view("断路器位置控制遥控");
        ref->m_strCategory = "遥控";
        info.m_controls.push_back(std::move(ref));
    }
    const CDeviceTemplate tpl = BuildDeviceModel(info);
    const CInfoEntry* first = tpl.FindEntry(3, 1);
    const CInfoEntry* second = tpl.FindEntry(3, 2);
    const CInfoEntry* third = tpl.FindEntry(3, 3);
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(second->m_strExtra.View(), ",CDC=DPC;ctlModel=sbo-with-enhanced-security");
    EXPECT_EQ(second->m_strExtra.c_str(), first->m_strExtra.c_str());
    EXPECT_EQ(second->m_strDesc.c_str(), first->m_strDesc.c_str());
    EXPECT_EQ(third->m_strExtra.c_str(), second->m_strExtra.c_str());
    EXPECT_EQ(third->m_strDesc.View(), third->m_strReference.View());
    EXPECT_EQ(third->m_strDesc.c_str(), third->m_strReference.c_str());
}

// A device model built from point records is the one built from the reference records AddPoint
// files for the same points: every class, groups past 200 entries, tap changers, descriptions
// the entry line cannot carry as they are, a class without a group.
TEST(ScdDeviceModelRules, RecordsBuildTheModelTheirPointsWould) {
    CInfoModel info;
    info.m_strName = info.m_strType = "R";
    std::vector<ScdPointRecord> records;
    const auto add = [&](const std::string& reference, const std::string& cdc, const std::string& ctlModel,
                         const std::string& desc, int pointClass) {
        auto p = std::make_unique<CSCDPoint>();
        p->m_strReference = reference;
        p->m_strCDC = cdc;
        p->m_strCtlModel = ctlModel;
        p->m_strDesc = desc;
        p->m_nClass = static_cast<std::uint8_t>(pointClass);
        info.AddPoint(std::move(p));
        ScdPointRecord& r = records.emplace_back();
        r.reference = reference;
        r.cdc = cdc;
        r.ctlModel = ctlModel;
        r.SetDesc(desc);
        r.pointClass = pointClass;
    };
    for (int i = 0; i < 230; ++i)
        add("LD/GGIO1$ST$Ind" + std::to_string(i) + "$stVal", "SPS", "", "开入" + std::to_string(i), 10);
    add("LD/MMXU1$MX$A$phsA$cVal$mag$f", "WYE", "", "A相电流(一次;二次", 11);
    add("LD/MMXU1$MX$Hz$mag$f", "MV", "", "频率=50", 12);
    add("LD/ATCC1$CO$TapChg$Oper$ctlVal", "BSC", "direct-with-normal-security", "档位", 13);
    add("LD/CSWI1$CO$Pos$Oper$ctlVal", "DPC", "sbo-with-enhanced-security", "LD/CSWI1$CO$Pos$Oper$ctlVal",
        13);
    add("LD/LLN0$SP$SGCB$ActSG", "", "", "运行区定值区号", 14);
    add("LD/PTOC1$SG$StrVal$setMag$f", "ASG", "", "过流定值,'I段'", 15);
    add("LD/LPHD1$SP$Par$setVal", "ING", "", "参数", 16);
    add("LD/RDRE1$ST$FltNum$stVal", "INS", "", "故障序号", 17);
    add("LD/X1$ST$Y$stVal", "SPS", "", "no class", 3);
    const CDeviceTemplate fromRefs = BuildDeviceModel(info);
    const CDeviceTemplate fromRecords = BuildDeviceModel(info, records);
    platform::CArchive a, b;
    fromRefs.Store(a);
    fromRecords.Store(b);
    EXPECT_EQ(b.Bytes(), a.Bytes());
    EXPECT_TRUE(fromRecords == fromRefs);
    // Indications in two groups, one group for each other class, the tap changers, the special one.
    EXPECT_EQ(fromRecords.m_groups.GetSize(), 10);
}
