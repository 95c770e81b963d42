#include "iedinterface/model/PointTyping.h"
#include "iedinterface/model/DataSetRefSet.h"
#include "iedinterface/model/DoNameDes.h"
#include "iedinterface/model/FieldText.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace iedinterface;

TEST(PointTyping, ClassifyDataAttributeFollowsTheFirstMatchingPattern) {
    EXPECT_EQ(ClassifyDataAttribute("ST$SPS$stVal"), 10);
    EXPECT_EQ(ClassifyDataAttribute("ST$SPS$stVal$x"), 10); // the key contains the pattern
    EXPECT_EQ(ClassifyDataAttribute("ST$SPS"), 1);          // the pattern contains the key
    EXPECT_EQ(ClassifyDataAttribute("XX$YY$zz"), 0);
    EXPECT_EQ(ClassifyDataAttribute("ST$INS$stVal"), 10);
    EXPECT_EQ(ClassifyDataAttribute("ST$INC$stVal"), 11);
    EXPECT_EQ(ClassifyDataAttribute("ST$BSC$valWTr$posVal"), 11);
    EXPECT_EQ(ClassifyDataAttribute("MX$WYE$phsA$cVal$mag$f"), 12);
    EXPECT_EQ(ClassifyDataAttribute("MX$WYE$phsA$cVal"), 1);
    EXPECT_EQ(ClassifyDataAttribute("MX$SEQ$c3$cVal$ang$i"), 12);
    EXPECT_EQ(ClassifyDataAttribute("MX$SEQ$C3$cVal$ang$i"), 0); // patterns are case-sensitive
    EXPECT_EQ(ClassifyDataAttribute("CO$BSC$Oper$ctlVal"), 13);
    EXPECT_EQ(ClassifyDataAttribute("SP$SPG$setVal"), 15);
    EXPECT_EQ(ClassifyDataAttribute("SP$STG$setVal"), 15);
    EXPECT_EQ(ClassifyDataAttribute("WYE"), 1);
    EXPECT_EQ(ClassifyDataAttribute("QXSTAT"), 0);
}

TEST(PointTyping, CategoryMasksAndTable) {
    EXPECT_EQ(CategoryMaskForClass(10, 0x7FFF), 0x003F);
    EXPECT_EQ(CategoryMaskForClass(11, 0x7FFF), 0x4940);
    EXPECT_EQ(CategoryMaskForClass(12, 0x7FFF), 0x49C0);
    EXPECT_EQ(CategoryMaskForClass(13, 0x7FFF), 0x0600);
    EXPECT_EQ(CategoryMaskForClass(14, 0x7FFF), 0x2000);
    EXPECT_EQ(CategoryMaskForClass(15, 0x7FFF), 0x1000);
    EXPECT_EQ(CategoryMaskForClass(1, 0x7FFF), 0);
    EXPECT_EQ(CategoryMaskForClass(0, 0x7FFF), 0);
    EXPECT_EQ(CategoryMaskForClass(12, CategoryBit(0)), 0); // a measurement is no 遥信

    std::string name;
    EXPECT_EQ(GetPointCategory(0, name), CODE_YX);
    EXPECT_EQ(name, "遥信");
    EXPECT_EQ(GetPointCategory(10, name), CODE_YT);
    EXPECT_EQ(name, "遥调");
    EXPECT_EQ(GetPointCategory(14, name), CODE_OTHER);
    EXPECT_EQ(name, "故障信息");
    EXPECT_EQ(std::uint16_t(GetPointCategory(15, name)), 0xFFFF);
    EXPECT_EQ(name, "");
    EXPECT_EQ(CategoryFromName("遥测"), CODE_YC);
    EXPECT_EQ(CategoryFromName("保护测量"), CODE_YC);
    EXPECT_EQ(CategoryFromName("特殊遥信"), -1);
    EXPECT_EQ(CategoryBit(14), 0x4000);
    EXPECT_STREQ(CodeText(CODE_YP), "YP");
    EXPECT_STREQ(ClassTabCaption(14), "定值区号类");
}

TEST(FieldText, SplitQuotedKeepsGroupedSeparators) {
    std::vector<std::string> items;
    SplitQuoted("a,b", items, ',');
    EXPECT_EQ(items, (std::vector<std::string>{"a", "b"}));
    items.clear();
    SplitQuoted(" f(a,b) , 'x,y' ,\"p,q\", ,", items, ',');
    EXPECT_EQ(items, (std::vector<std::string>{"f(a,b)", "'x,y'", "\"p,q\"", "", ""}));
}

TEST(FieldText, CleanFieldTextRemovesLineSeparators) {
    EXPECT_EQ(CleanFieldText("I=0,跳闸;返回[1]\r\n"), "I 0 跳闸 返回 1");
    EXPECT_EQ(CleanFieldText("\"开关(1)\" (甲"), "开关(1)   甲");
}

// A member names whole parts of a reference: the logical device, node, data object and
// attribute path line up; a member that only lies somewhere inside a reference does not count.
TEST(DataSetRefSet, MembersMatchWholeReferences) {
    CDataSetRefSet set;
    EXPECT_FALSE(set.Matches("LD/LLN0$ST$Mod$stVal"));
    set.Add("PROT/PTOC1$ST$Op$");
    set.Add("MEAS/MMXU1$MX$TotW$mag");
    set.Add("CTRL/XCBR1$ST$Pos$stVal");
    set.Add("ROT/GGIO1$ST$Ind3$stVal");
    EXPECT_EQ(set.References().size(), 4u);
    EXPECT_TRUE(set.Matches("PROT/PTOC1$ST$Op$general"));
    EXPECT_TRUE(set.Matches("MEAS/MMXU1$MX$TotW$mag$f"));
    EXPECT_TRUE(set.Matches("ctrl/xcbr1$st$pos$stval"));
    EXPECT_FALSE(set.Matches("prot/ptoc1$st$op$general"));
    EXPECT_FALSE(set.Matches("PROT/PTOC2$ST$Op$general"));
    EXPECT_FALSE(set.Matches("XPROT/PTOC1$ST$Op$general"));
    EXPECT_FALSE(set.Matches("PROT/GGIO1$ST$Ind3$stVal"));  // "ROT/..." inside "PROT/..."
    EXPECT_FALSE(set.Matches("MEAS/MMXU1$MX$TotW$magX$f")); // a longer attribute name
    EXPECT_FALSE(set.Matches("CTRL/XCBR1$ST$Pos$stValX"));
    EXPECT_TRUE(set.Matches("ROT/GGIO1$ST$Ind3$stVal"));
    set.Clear();
    EXPECT_FALSE(set.Matches("PROT/PTOC1$ST$Op$general"));
    EXPECT_TRUE(set.References().empty());
}

TEST(DoNameDesTable, EntriesNeedFiveItemsAndTheFirstOfEqualKeysWins) {
    testsupport::TempDir dir;
    testsupport::WriteGbkText(dir / "QXMDONameDes.ini", "[QXMDONameDes]\nNumber=5\n"
                                                        "Option1=MMXU,MV,TotW,mag$f\n"
                                                        "Option2= MMXU , MV , TotW , mag$f , 有功 , 多余\n"
                                                        "Option3=mmxu,mv,totw,MAG$F,第二个\n"
                                                        "Option4=GGIO,SPS,Ind,stVal,开入\n"
                                                        "Option6=GGIO,SPS,Out,stVal,超出数目\n");
    CDoNameDesTable table;
    table.Load(dir / "QXMDONameDes.ini");
    ASSERT_EQ(table.Entries().size(), 3u);
    EXPECT_EQ(table.Find("mmxu", "MV", "TOTW", "mag$f"), "有功");
    EXPECT_EQ(table.Find("GGIO", "SPS", "Ind", "stVal"), "开入");
    EXPECT_EQ(table.Find("GGIO", "SPS", "Out", "stVal"), "");
    table.Load(dir / "missing.ini");
    EXPECT_TRUE(table.Entries().empty());
}
