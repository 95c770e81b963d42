// Entry-line parser, groups, device models and their cache form.
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/InfoGroup.h"
#include "tests/support/Found.h"

#include "platform/Archive.h"
#include "platform/Gbk.h"

#include <gtest/gtest.h>

using namespace projectmodel;

TEST(InfoEntry, ParsesFieldsAndKeepsExtraOptions) {
    CInfoEntry e;
    ASSERT_EQ(e.ParseReference("1,255,1,网络状态1,,5,通,断,FUN=255;INF=1"), 1);
    EXPECT_EQ(e.m_nSeq, 1);
    EXPECT_EQ(e.m_nGroup, 255);
    EXPECT_EQ(e.m_nEntry, 1);
    EXPECT_EQ(e.m_strDesc, "网络状态1");
    EXPECT_EQ(e.m_strField5, "");
    EXPECT_EQ(e.m_strField6, "5");
    EXPECT_EQ(e.m_strField7, "通");
    EXPECT_EQ(e.m_strField8, "断");
    EXPECT_EQ(e.m_nFun, 255);
    EXPECT_EQ(e.m_nInf, 1);
    EXPECT_EQ(e.m_strExtra, ",FUN=255;INF=1");

    CInfoEntry f;
    ASSERT_EQ(f.ParseReference(" 3 , 2 , 7 ,开关,a,b,合,分 "), 1); // eight fields, no option
    EXPECT_EQ(f.m_nEntry, 7);
    EXPECT_EQ(f.m_strField8, "分");
    EXPECT_EQ(f.m_strExtra, "");
}

TEST(InfoEntry, OptionsWithFieldsOfTheirOwn) {
    CInfoEntry e;
    ASSERT_EQ(e.ParseReference("1,3,1,k,,,合,分,合规则=a;分规则=b;遥信=7,1,2;设备=1,2,3,4,5;fcda=LD/X$ST$Pos;"
                               "CDC=DPC;单位;ctlModel=1"),
              1);
    EXPECT_EQ(e.m_strCloseRule, "a");
    EXPECT_EQ(e.m_strOpenRule, "b");
    EXPECT_EQ(e.m_yx[0], 7);
    EXPECT_EQ(e.m_yx[2], 2);
    EXPECT_EQ(e.m_equip[4], 5);
    EXPECT_EQ(e.m_strReference, "LD/X$ST$Pos");
    // A part without "=" is dropped; unknown keys are kept in line order.
    EXPECT_EQ(e.m_strExtra, ",CDC=DPC;ctlModel=1");

    CInfoEntry g;
    ASSERT_EQ(g.ParseReference("1,3,1,k,,,,,规则=x;遥信=4"), 1);
    EXPECT_EQ(g.m_strCloseRule, "x");
    EXPECT_EQ(g.m_yx[0], 4);
    EXPECT_EQ(g.m_yx[1], -1); // numbers missing from the option keep their defaults
    // The check rule written for non-telecontrol groups reads back into the same field.
    CInfoEntry h;
    ASSERT_EQ(h.ParseReference("1,3,1,k,,,,,;校验规则=y"), 1);
    EXPECT_EQ(h.m_strCloseRule, "y");
    EXPECT_EQ(h.m_strExtra, "");
}

TEST(InfoEntry, RefusedLines) {
    const char* refused[] = {
        "1,2,3,a,b,c,d",           // seven fields
        "1,2,3,a,b=1,c,d,e",       // "=" before the seventh comma
        "1,2,3,a,b;c,d,e,f",       // ";" before the seventh comma
        "1,2,3,a,b,c,d,e=1,FUN=2", // "=" before the eighth comma
        "1,2,3,a,b,c,d,FUN=1",     // an option without an eighth comma
        "",
    };
    for (const char* line : refused) {
        CInfoEntry e;
        EXPECT_EQ(e.ParseReference(line), 0) << line;
    }
    // The seven-comma step is not aware of parentheses; the part stays whole afterwards.
    CInfoEntry p;
    ASSERT_EQ(p.ParseReference("1,2,3,I(a,b),x,y,z,w"), 1);
    EXPECT_EQ(p.m_strDesc, "I(a;b)");
    EXPECT_EQ(p.m_strField7, "z");
    EXPECT_EQ(p.m_strField8, "w");
    EXPECT_EQ(p.m_strExtra, "");
    // A field that opens more parentheses than it closes swallows the rest of the line; the
    // cutting comma inside it reads as ";".
    CInfoEntry q;
    ASSERT_EQ(q.ParseReference("1,2,3,d,,5,on,off)x,FCDA=r"), 1);
    EXPECT_EQ(q.m_strField8, "off)x;FCDA=r");
    EXPECT_EQ(q.m_strReference, "");
    EXPECT_EQ(q.m_strExtra, "");
}

TEST(InfoEntry, OptionsCutOutsideParenthesesAndQuotes) {
    CInfoEntry e;
    ASSERT_EQ(e.ParseReference("1,2,3,d,,5,on,off,K=(a;b);Q='x;y'=z;M=a=b;N=( 1 ); FUN= 7 ;CDC=SPS"), 1);
    // "Q" and "M" hold two "=" at the top level and are dropped; blanks around an option go.
    EXPECT_EQ(e.m_strExtra, ",K=(a;b);N=( 1 );FUN= 7;CDC=SPS");
    EXPECT_EQ(e.m_nFun, 7);
    EXPECT_EQ(e.m_strField6, "5");
    EXPECT_EQ(e.m_strField8, "off");
}

// The SCD import fills most entries from their texts without writing the line: the entry is the
// one the line gives, and texts the line would cut or group otherwise are left to the parser.
TEST(InfoEntry, PlainTextsFillTheEntryAsTheirLine) {
    struct Case {
        std::string_view texts[5];
        std::string_view options;
    };
    const Case plain[] = {
        {{"过流1段动作", "", "", "合", "分"}, "FCDA=PROT/PTOC1$ST$Op$general;CDC=ACT"},
        {{" 开关 1 ", "a b", "\t5", "on ", " off"}, " FCDA = LD/X$CO$Pos$Oper ;CDC=DPC; ctlModel=sbo "},
        {{"d", "", "", "", ""}, ""},
        {{"d", "", "", "", ""}, "FUN=255;INF=3;合规则=r;遥信=1 2;;M=a=b;单位"},
        {{"零序", "", "", "", ""}, "FCDA="},
    };
    for (const Case& c : plain) {
        std::string line = "4,2,4";
        for (const std::string_view text : c.texts)
            (line += ',') += text;
        (line += ',') += c.options;
        CInfoEntry parsed;
        ASSERT_EQ(parsed.ParseReference(line), 1) << line;
        CInfoEntry filled;
        filled.m_strExtra = "left over";
        ASSERT_EQ(filled.AssignPlain(4, 2, 4, c.texts, c.options), 1) << line;
        EXPECT_TRUE(filled == parsed) << line << "\n"
                                      << filled.m_strDesc << "|" << filled.m_strField6 << "|"
                                      << filled.m_strExtra << "|" << filled.m_strReference;
    }

    const Case unplain[] = {
        {{"I(a)", "", "", "", ""}, "FCDA=x"}, {{"a,b", "", "", "", ""}, "FCDA=x"},
        {{"d", "", "", "a;b", ""}, "FCDA=x"}, {{"d", "", "", "", "x=1"}, "FCDA=x"},
        {{"d", "'q'", "", "", ""}, "FCDA=x"}, {{"d", "", "\"", "", ""}, "FCDA=x"},
        {{"d", "", "", "", ""}, "FCDA=x,y"},  {{"d", "", "", "", ""}, "K=(a;b)"},
        {{"d", "", "", "", ""}, "Q='x;y'"},
    };
    for (const Case& c : unplain) {
        CInfoEntry e;
        e.m_strDesc = "kept";
        EXPECT_EQ(e.AssignPlain(4, 2, 4, c.texts, c.options), 0) << c.texts[0] << " " << c.options;
        EXPECT_TRUE(e == [] {
            CInfoEntry k;
            k.m_strDesc = "kept";
            return k;
        }()) << c.options;
    }
}

// Points filled one after another share the texts they repeat with the point before, and a
// description that is the reference shares its block: each entry is still the one filled alone,
// keeps its texts when the others change or go, and comes back whole from the cache form.
TEST(InfoEntry, TextsSharedWithThePreviousEntryStayTheEntrysOwn) {
    const std::string longRef = "LD0/MMXU1$MX$PhV$phsA$cVal$mag$f";
    struct Case {
        std::string_view texts[5];
        std::string options;
    };
    const Case cases[] = {
        {{longRef, "", "5", "合", "分"}, "FCDA=" + longRef + ";CDC=CMV"},
        {{longRef, "", "5", "合", "分"}, "FCDA=" + longRef + ";CDC=CMV"},
        {{"LD0/MMXU1$MX$PhV$phsB$cVal$mag$f", "", "5", "合闸位置", "分"}, "FCDA=LD0/X;CDC=CMV"},
        {{"A相电压幅值", "一段长的第五字段", "", "", "分闸位置"}, "FCDA=LD0/X;CDC=CMV;M=1"},
        {{"A相电压幅值", "一段长的第五字段", "", "", "分闸位置"}, "CDC=CMV;M=1"},
        {{"", "", "", "", ""}, ""},
        {{"x", "", "", "", ""}, "FCDA=x;FUN=1;INF=2"},
    };
    CInfoGroup shared;
    shared.m_strName = "特殊遥信";
    std::vector<CInfoEntry> alone;
    for (const Case& c : cases) {
        const int n = static_cast<int>(alone.size()) + 1;
        CInfoEntry a;
        ASSERT_EQ(a.AssignPlain(n, 3, n, c.texts, c.options), 1) << c.options;
        alone.push_back(a);
        const CInfoEntry* previous = shared.m_entries.IsEmpty() ? nullptr : &shared.m_entries[n - 2];
        CInfoEntry e;
        ASSERT_EQ(e.AssignPlain(n, 3, n, c.texts, c.options, previous), 1) << c.options;
        ASSERT_TRUE(shared.AddEntry(std::move(e)));
    }
    ASSERT_EQ(shared.m_entries.GetSize(), static_cast<int>(alone.size()));
    EXPECT_EQ(shared.m_entries[0].m_strDesc.c_str(), shared.m_entries[0].m_strReference.c_str());
    EXPECT_EQ(shared.m_entries[1].m_strExtra.c_str(), shared.m_entries[0].m_strExtra.c_str());
    for (int i = 0; i < shared.m_entries.GetSize(); ++i) {
        CInfoEntry want = alone[static_cast<std::size_t>(i)];
        want.m_strGroupName = shared.m_strName;
        EXPECT_TRUE(shared.m_entries[i] == want) << i;
    }

    // The cache form of every entry, and the entries loaded from it, whatever they share.
    platform::CArchive out;
    for (const CInfoEntry& e : shared.m_entries)
        e.Store(out);
    platform::CArchive expected;
    for (CInfoEntry e : alone) {
        e.m_strGroupName = shared.m_strName;
        e.Store(expected);
    }
    ASSERT_EQ(out.Bytes(), expected.Bytes());
    platform::CArchive in(out.Bytes());
    std::vector<CInfoEntry> loaded(alone.size());
    for (CInfoEntry& e : loaded)
        e.Serialize(in);
    for (std::size_t i = 0; i < loaded.size(); ++i)
        EXPECT_TRUE(loaded[i] == shared.m_entries[static_cast<int>(i)]) << i;

    // Changed, copied, moved and dropped: each entry keeps its own texts.
    CInfoGroup copy = shared;
    shared.m_entries[0].m_strReference = "other";
    shared.m_entries[0].m_strExtra += ";Q=1";
    shared.m_entries[3].m_strField5.clear();
    CInfoEntry moved = std::move(shared.m_entries[1]);
    shared = CInfoGroup();
    EXPECT_EQ(moved.m_strDesc, longRef);
    EXPECT_EQ(moved.m_strExtra, ",CDC=CMV");
    ASSERT_EQ(copy.m_entries.GetSize(), static_cast<int>(alone.size()));
    EXPECT_EQ(copy.m_entries[0].m_strReference, longRef);
    EXPECT_EQ(copy.m_entries[0].m_strDesc, longRef);
    EXPECT_EQ(copy.m_entries[4].m_strField5, "一段长的第五字段");
    EXPECT_EQ(copy.m_entries[4].m_strExtra, ",CDC=CMV;M=1");
    EXPECT_EQ(copy.m_entries[2].m_strField7, "合闸位置");
}

TEST(InfoGroup, AddEntryFromTextAndRemoveRenumbers) {
    CInfoGroup g;
    g.m_strName = "遥信";
    ASSERT_EQ(g.AddEntryFromText("1,2,3,c,,,,"), 1);
    EXPECT_EQ(g.m_nGroupNo, 2);
    EXPECT_EQ(g.m_entries[0].m_strGroupName, "遥信");
    ASSERT_EQ(g.AddEntryFromText("2,2,1,a,,,,"), 1);
    ASSERT_EQ(g.AddEntryFromText("3,2,2,b,,,,"), 1);
    EXPECT_EQ(g.AddEntryFromText("4,5,4,other group,,,,"), 0);
    EXPECT_EQ(g.AddEntryFromText("bad"), 0);
    EXPECT_EQ(g.AddEntryFromText("9,2,1,duplicate,,,,"), 1); // kept the first
    ASSERT_EQ(g.m_entries.GetSize(), 3);
    EXPECT_EQ(g.m_entries[0].m_strDesc, "a");
    EXPECT_EQ(g.m_entries[2].m_strDesc, "c");

    g.m_entries[1].m_bEnabled = 0;
    EXPECT_EQ(g.CountDisabled(), 1);
    g.RemoveEntryAt(0);
    ASSERT_EQ(g.m_entries.GetSize(), 2);
    EXPECT_EQ(g.m_entries[0].m_nEntry, 1);
    EXPECT_EQ(g.m_entries[0].m_nSeq, 2);
    EXPECT_EQ(g.m_entries[1].m_nEntry, 2);
    g.RemoveEntryAt(-1);
    g.RemoveEntryAt(2);
    EXPECT_EQ(g.m_entries.GetSize(), 2);
}

TEST(InfoEntryArray, SortedInsertAndFreeNumbers) {
    CInfoEntryArray a;
    for (int n : {5, 2, 9, 1}) {
        CInfoEntry e;
        e.m_nEntry = n;
        EXPECT_GE(a.InsertSorted(e), 0);
    }
    CInfoEntry dup;
    dup.m_nEntry = 5;
    dup.m_strDesc = "dup";
    EXPECT_EQ(a.InsertSorted(dup), -1);
    EXPECT_EQ(a.GetSize(), 4);
    EXPECT_EQ(a.FindIndexByEntryNo(9), 3);
    EXPECT_EQ(a.GetByEntryNo(5)->m_strDesc, "");
    EXPECT_EQ(a.FindIndexByEntryNo(3), -1);
    EXPECT_EQ(a.NextFreeEntryNo(), 3);
    a.RemoveByEntryNo(1);
    EXPECT_EQ(a.NextFreeEntryNo(), 1);
    EXPECT_EQ(CInfoEntryArray().NextFreeEntryNo(), 1);
}

namespace {
CInfoGroup Group(const char* name, int no, std::initializer_list<const char*> lines) {
    CInfoGroup g;
    g.m_strName = name;
    for (const char* l : lines)
        EXPECT_EQ(g.AddEntryFromText(l), 1) << l;
    g.m_nGroupNo = no;
    return g;
}
} // namespace

TEST(DeviceTemplate, UpdateFromPairsByGroupNameAndReference) {
    CDeviceTemplate mine;
    mine.m_groups.Add(Group(
        "遥信", 1,
        {"1,1,1,新描述A,,,合,分,FCDA=LD/A", "2,1,2,新B,,,合,分,FCDA=LD/B", "3,1,3,新C,,,合,分,FCDA=LD/A"}));
    CDeviceTemplate old;
    old.m_nPortGroup = 1;
    old.m_nPortIndex = 2;
    old.m_relatedInfo = {"r"};
    old.m_optionGroups.SetSize(1);
    old.m_groups.Add(Group(
        "遥信", 4,
        {"1,4,1,用户A,x,y,动作,返回,FCDA=ld/a;合规则=R;设备=1,2,3,4,5", "2,4,2,LD/B,,,通,断,FCDA=LD/B"}));
    old.m_groups.Add(Group("遥测", 5, {"1,5,1,不配对,,,,,FCDA=LD/B"}));

    mine.UpdateFrom(old);
    EXPECT_EQ(mine.m_nPortGroup, 1);
    EXPECT_EQ(mine.m_nPortIndex, 2);
    EXPECT_EQ(mine.m_relatedInfo, CStringArray{"r"});
    EXPECT_EQ(mine.m_optionGroups.GetSize(), 1);
    const CInfoEntryArray& e = mine.m_groups[0].m_entries;
    EXPECT_EQ(e[0].m_strDesc, "用户A");
    EXPECT_EQ(e[0].m_strField7, "动作");
    EXPECT_EQ(e[0].m_strCloseRule, "R");
    EXPECT_EQ(e[0].m_equip[4], 5);
    EXPECT_EQ(e[0].m_strExtra, "");
    // A description equal to the partner's reference is not taken.
    EXPECT_EQ(e[1].m_strDesc, "新B");
    EXPECT_EQ(e[1].m_strField7, "通");
    // Each partner serves once: the second LD/A entry finds none.
    EXPECT_EQ(e[2].m_strField7, "合");
    EXPECT_EQ(e[2].m_strDesc, "新C");

    CDeviceTemplate imported = mine;
    imported.m_nFlag = 1;
    imported.UpdateFrom(old);
    EXPECT_EQ(imported.m_groups[0].m_entries[0].m_strDesc, "用户A"); // taken before, unchanged
    imported.m_groups[0].m_entries[0].m_strDesc = "保留";
    imported.UpdateFrom(old);
    EXPECT_EQ(imported.m_groups[0].m_entries[0].m_strDesc, "保留");
}

TEST(DeviceTemplate, LookupsAndCacheRoundTrip) {
    CDeviceTemplate t;
    t.m_strName = "IED1_PCS";
    t.m_strType = "测控";
    t.m_strVersion = "V1";
    t.m_nFlag = 1;
    t.m_groups.Add(Group("遥信", 1, {"1,1,1,断路器,,,合,分,FCDA=LD/XCBR1$ST$Pos;CDC=DPC"}));
    t.m_groups.Add(Group("特殊遥信", 255, {"1,255,1,网络状态1,,5,通,断,FUN=255;INF=1"}));
    EXPECT_EQ(testsupport::Found(t.FindEntry(255, 1))->m_nInf, 1);
    EXPECT_EQ(t.FindEntry(255, 2), nullptr);
    EXPECT_EQ(t.FindEntry(3, 1), nullptr);
    EXPECT_EQ(testsupport::Found(t.FindEntryByReference("遥信", "ld/xcbr1$st$pos"))->m_strDesc, "断路器");
    EXPECT_EQ(t.FindEntryByReference("遥测", "LD/XCBR1$ST$Pos"), nullptr);

    platform::CArchive out;
    t.Serialize(out);
    const std::string& b = out.Bytes();
    // name, type, version as GBK length-prefixed texts, then the flag and the group count.
    std::string head;
    for (const char* s : {"IED1_PCS", "测控", "V1"}) {
        std::string g = platform::ToGbk(s);
        head += static_cast<char>(g.size());
        head += g;
    }
    head += std::string("\x01\0\0\0\x02\0\0\0", 8);
    head += std::string("\x01\0\0\0\x06\0\0\0", 8); // group number 1, type 6
    EXPECT_EQ(b.substr(0, head.size()), head);

    platform::CArchive in(b);
    CDeviceTemplate back;
    back.m_strProtocol = "kept";
    back.Serialize(in);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back.m_strProtocol, "kept");
    EXPECT_EQ(back.m_strType, "测控");
    ASSERT_EQ(back.m_groups.GetSize(), 2);
    const CInfoEntry& e = back.m_groups[0].m_entries[0];
    EXPECT_EQ(e.m_strReference, "LD/XCBR1$ST$Pos");
    EXPECT_EQ(e.m_strExtra, ",CDC=DPC");
    EXPECT_EQ(e.m_strGroupName, "遥信");
    EXPECT_EQ(back.m_groups[1].m_entries[0].m_nFun, 255);

    // A truncated cache throws the archive's exception instead of reading past the end.
    platform::CArchive cut(b.substr(0, b.size() - 3));
    CDeviceTemplate broken;
    EXPECT_THROW(broken.Serialize(cut), platform::CArchiveException);

    CDeviceTemplateArray lib;
    lib.Add(t);
    lib.Add(CDeviceTemplate());
    EXPECT_EQ(lib.FindIndexByName("ied1_pcs"), 0);
    EXPECT_EQ(lib.FindByName("none"), nullptr);
}

// Entries store their texts in GBK whatever their mix of recurring and changing texts: more short
// texts than the converter keeps, revisited, still come out as their own bytes.
TEST(InfoEntry, StoredTextsAreTheirGbkBytes) {
    const char* names[] = {"遥信",     "遥测",     "遥控",     "定值", "定值区号", "装置参数", "故障信息",
                           "特殊遥信", "动作元件", "运行告警", "遥信", "软压板",   "遥测"};
    for (int round = 0; round < 2; ++round) {
        for (const char* name : names) {
            CInfoEntry e;
            e.m_strGroupName = name;
            e.m_strDesc = std::string(name) + "的一个相当长的描述文字";
            e.m_strField7 = round ? "合" : "通";
            platform::CArchive ar;
            e.Serialize(ar);
            std::string bytes = ar.Bytes().substr(20);
            std::string want;
            for (const std::string_view t :
                 {std::string_view(e.m_strDesc), e.m_strField5.View(), e.m_strField6.View(),
                  e.m_strField7.View(), e.m_strField8.View(), e.m_strGroupName.View(), e.m_strExtra.View(),
                  std::string_view(e.m_strReference)}) {
                const std::string gbk = platform::ToGbk(t);
                want += static_cast<char>(gbk.size());
                want += gbk;
            }
            EXPECT_EQ(bytes, want) << name;
        }
    }
}
