// The classifier of imported data attributes and the information model of one IED.
#include "projectmodel/InfoModel.h"

#include <gtest/gtest.h>

using namespace projectmodel;

TEST(ClassifyDataAttribute, FirstMatchingRowWins) {
    EXPECT_EQ(ClassifyDataAttribute("ST$SPS$stVal"), 10);
    EXPECT_EQ(ClassifyDataAttribute("ST$INS$stVal"), 10);
    EXPECT_EQ(ClassifyDataAttribute("ST$BCR$actVal"), 11);
    EXPECT_EQ(ClassifyDataAttribute("MX$MV$mag$f"), 12);
    EXPECT_EQ(ClassifyDataAttribute("MX$SEQ$c2$cVal$ang$i"), 12);
    EXPECT_EQ(ClassifyDataAttribute("MX$SEQ$C2$cVal$ang$i"), 0); // case-sensitive
    EXPECT_EQ(ClassifyDataAttribute("CO$DPC$Oper$ctlVal"), 13);
    EXPECT_EQ(ClassifyDataAttribute("SP$SGCB$ActSG"), 14);
    EXPECT_EQ(ClassifyDataAttribute("SG$ASG$setMag$f"), 15); // contains the pattern
    EXPECT_EQ(ClassifyDataAttribute("SP$ING$setVal"), 16);
    EXPECT_EQ(ClassifyDataAttribute("MX$MV"), 1); // only the beginning of a pattern
    EXPECT_EQ(ClassifyDataAttribute("MX$WYE"), 1);
    EXPECT_EQ(ClassifyDataAttribute(""), 1);
    EXPECT_EQ(ClassifyDataAttribute("ST$XYZ$q"), 0);
}

TEST(PointCategories, MasksAndTable) {
    EXPECT_EQ(CategoryMaskForClass(10, 0xFFFF), 0x3Fu);
    EXPECT_EQ(CategoryMaskForClass(11, 0xFFFF), 0x4940u);
    EXPECT_EQ(CategoryMaskForClass(12, 0x0080), 0x0080u);
    EXPECT_EQ(CategoryMaskForClass(13, 0xFFFF), 0x600u);
    EXPECT_EQ(CategoryMaskForClass(14, 0xFFFF), 0u);
    EXPECT_EQ(CategoryMaskForClass(15, 0xFFFF), 0x1000u);
    EXPECT_EQ(CategoryMaskForClass(16, 0xFFFF), 0u);
    std::string name = "x";
    EXPECT_EQ(GetPointCategory(0, name), 101);
    EXPECT_EQ(name, "遥信");
    EXPECT_EQ(GetPointCategory(8, name), 102);
    EXPECT_EQ(name, "遥脉");
    EXPECT_EQ(GetPointCategory(14, name), 106);
    EXPECT_EQ(name, "故障信息");
    EXPECT_EQ(GetPointCategory(15, name), 0xFFFF);
    EXPECT_EQ(name, "");
    EXPECT_EQ(GetPointCategory(-1, name), 0xFFFF);
}

namespace {
std::unique_ptr<CSCDPoint> Point(int cls, const char* ref, const char* desc, const char* cdc = "",
                                 const char* ctl = "") {
    auto p = std::make_unique<CSCDPoint>();
    p->m_nClass = static_cast<std::uint8_t>(cls);
    p->m_strReference = ref;
    p->m_strDesc = desc;
    p->m_strCDC = cdc;
    p->m_strCtlModel = ctl;
    return p;
}
} // namespace

TEST(InfoModel, AddPointFilesByClass) {
    CInfoModel m;
    m.AddPoint(nullptr);
    m.AddPoint(Point(10, "LD/XCBR1$ST$Pos$stVal", "断路器;位置,合(A", "DPC"));
    m.AddPoint(Point(11, "LD/MMTR1$ST$TotWh$actVal", "电度"));
    m.AddPoint(Point(13, "LD/CSWI1$CO$Pos$Oper$ctlVal", "遥控", "DPC", "sbo-with-enhanced-security"));
    m.AddPoint(Point(16, "LD/LLN0$SP$x", "参数"));
    m.AddPoint(Point(0, "LD/X$ST$q", "none"));
    ASSERT_EQ(m.m_allPoints.size(), 5u);
    EXPECT_EQ(m.m_allPoints[0]->m_strDesc, "断路器 位置 合(A)");
    ASSERT_EQ(m.m_indications.size(), 1u);
    const CSCDPointRef& yx = *m.m_indications[0];
    EXPECT_EQ(yx.m_nKind, 101);
    EXPECT_EQ(yx.m_strCategory, "遥信");
    EXPECT_EQ(yx.m_strOnText, "合");
    EXPECT_EQ(yx.m_strOffText, "分");
    EXPECT_EQ(yx.m_strDesc, "断路器 位置 合(A)");
    EXPECT_EQ(yx.m_strRefText, "FCDA=LD/XCBR1$ST$Pos$stVal;CDC=DPC");
    ASSERT_EQ(m.m_measurands.size(), 1u);
    EXPECT_EQ(m.m_measurands[0]->m_nKind, 100);
    EXPECT_EQ(m.m_measurands[0]->m_strRefText, "FCDA=LD/MMTR1$ST$TotWh$actVal");
    ASSERT_EQ(m.m_controls.size(), 1u);
    EXPECT_EQ(m.m_controls[0]->m_strRefText,
              "FCDA=LD/CSWI1$CO$Pos$Oper$ctlVal;CDC=DPC;ctlModel=sbo-with-enhanced-security");
    ASSERT_EQ(m.m_others.size(), 1u);
    EXPECT_EQ(m.m_others[0]->m_strCategory, "装置参数");
    EXPECT_EQ(m.m_others[0]->m_nKind, 106);
    EXPECT_EQ(m.m_others[0]->m_nMatchCount, -1);

    m.m_allPoints[0]->m_nAssign1 = 3;
    m.m_allPoints[0]->m_nAssign2 = 4;
    CSCDPoint* released = m.ReleasePoint("ld/xcbr1$st$pos$stval");
    ASSERT_EQ(released, m.m_allPoints[0].get());
    EXPECT_EQ(released->m_nAssign1, 255);
    EXPECT_EQ(released->m_nAssign2, 255);
    EXPECT_EQ(m.ReleasePoint("none"), nullptr);

    m.Clear();
    EXPECT_TRUE(m.m_allPoints.empty());
    EXPECT_TRUE(m.m_indications.empty());
}

TEST(InfoModel, LookupConfiguredRef) {
    CInfoModel m;
    auto a = std::make_unique<CSCDPointRef>("LD/A", "SPS", "");
    a->m_strDesc = "first";
    a->m_nKind = 101;
    a->m_strCategory = "遥信";
    m.m_configured.push_back(std::move(a));
    m.m_configured.push_back(std::make_unique<CSCDPointRef>("ld/a", "", ""));
    m.m_configured.push_back(std::make_unique<CSCDPointRef>("LD/B", "", ""));

    CSCDPointRef ref("LD/A", "", "");
    m.LookupConfiguredRef(ref);
    EXPECT_EQ(ref.m_nMatchCount, 2);
    EXPECT_EQ(ref.m_strDesc, "first");
    EXPECT_EQ(ref.m_nKind, 101);
    EXPECT_EQ(ref.m_strCategory, "遥信");

    CSCDPointRef none("LD/C", "", "");
    none.m_strDesc = "mine";
    m.LookupConfiguredRef(none);
    EXPECT_EQ(none.m_nMatchCount, 0);
    EXPECT_EQ(none.m_strDesc, "mine");
}
