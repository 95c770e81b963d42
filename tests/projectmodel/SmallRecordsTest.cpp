// Time sources, point references, option items, reference tables and protocol definitions.
#include "projectmodel/Expression.h"
#include "projectmodel/ItemRecord.h"
#include "projectmodel/OptionItem.h"
#include "projectmodel/PointRef.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/ProtocolDef.h"
#include "projectmodel/RefTable.h"
#include "projectmodel/TimeSource.h"
#include "tests/support/CpuTime.h"
#include "tests/support/Found.h"

#include <gtest/gtest.h>

using namespace projectmodel;
using L = CStringArray;

namespace {
class ContextTest : public ::testing::Test {
protected:
    void SetUp() override { CProjectContext::Reset(); }
    void TearDown() override { CProjectContext::Reset(); }
};

CProtocolDef Protocol(const std::string& name, int number, const std::string& mode) {
    CProtocolDef p;
    p.m_strName = name;
    p.m_nNumber = number;
    p.m_strCommMode = mode;
    return p;
}

CRefTableEntry Entry(int board, int address, int group, int entry) {
    CRefTableEntry e;
    e.m_nBoard = board;
    e.m_nAddress = address;
    e.m_nGroup = group;
    e.m_nEntry = entry;
    return e;
}

std::vector<int> Entries(const CRefTableEntryArray& a) {
    std::vector<int> out;
    for (const CRefTableEntry& e : a)
        out.push_back(e.m_nEntry);
    return out;
}
} // namespace

// The operand counts the expression editors require of each operator.
TEST(Expression, EachOperatorNeedsItsOperands) {
    const std::vector<std::pair<int, int>> table = {
        {7, 1},  {8, 2},  {9, 2},  {10, 2}, {11, 2}, {12, 2}, {13, 2}, {14, 2},
        {15, 1}, {22, 1}, {23, 1}, {24, 2}, {25, 1}, {26, 2}, {28, 1}, {0, 1},
    };
    for (const auto& [op, needed] : table) {
        SCOPED_TRACE(op);
        EXPECT_EQ(MinOperandCount(static_cast<std::uint8_t>(op)), needed);
        CExpression expr;
        expr.m_nOperator = static_cast<std::uint8_t>(op);
        expr.m_operands.resize(static_cast<std::size_t>(needed - 1));
        EXPECT_TRUE(HasTooFewOperands(expr));
        expr.m_operands.resize(static_cast<std::size_t>(needed));
        EXPECT_FALSE(HasTooFewOperands(expr));
    }
}

TEST(TimeSource, DefaultsAndSlotCopy) {
    CTimeSourceArray a;
    a.SetSize(2);
    EXPECT_EQ(a[1], (CTimeSource{0, 1, 0, 255}));
    a[0] = CTimeSource{2, 2, 3, 7};
    EXPECT_EQ(a[0], (CTimeSource{2, 2, 3, 7}));
    a.SetSize(1);
    EXPECT_EQ(a.GetSize(), 1);
}

TEST(PointRef, FindFirstAndBulkCopy) {
    CPointRefArray a;
    a.Add(CPointRef(0, 1, 2));
    a.Add(CPointRef(1, 2, 3));
    a.Add(CPointRef(1, 2, 3));
    EXPECT_EQ(a.Find(1, 2, 3), 1);
    EXPECT_EQ(a.Find(3, 2, 1), -1);
    EXPECT_EQ(CPointRef(), CPointRef(-1, -1, -1));

    // 100,000 references are cheap to build, copy and search.
    const double start = testsupport::ProcessCpuSeconds();
    CPointRefArray big;
    big.Reserve(100000);
    for (int i = 0; i < 100000; ++i)
        big.Add(CPointRef(i / 1000, i % 1000, i));
    CPointRefArray copy = big;
    EXPECT_EQ(copy.Find(99, 999, 99999), 99999);
    EXPECT_LT(testsupport::ProcessCpuSeconds() - start, 4.0);
}

TEST_F(ContextTest, OptionItemParsing) {
    COptionItem o;
    ASSERT_EQ(o.ParseDefinition("波特率,ENUM,9600(1200,2400,4800,9600)"), 1);
    EXPECT_EQ(o.m_strName, "波特率");
    EXPECT_EQ(o.m_strKind, "ENUM");
    EXPECT_EQ(o.m_strDefault, "9600");
    EXPECT_EQ(o.m_choices, (L{"1200", "2400", "4800", "9600"}));

    ASSERT_EQ(o.ParseDefinition("a,WORD,0(0-65535)"), 1);
    EXPECT_EQ(o.m_choices, (L{"0", "65535"}));
    // A range wider than its kind stores is kept within the kind.
    ASSERT_EQ(o.ParseDefinition("召唤周期,WORD,900(0-86400)"), 1);
    EXPECT_EQ(o.m_choices, (L{"0", "65535"}));
    ASSERT_EQ(o.ParseDefinition("a,BYTE,1(0-300)"), 1);
    EXPECT_EQ(o.m_choices, (L{"0", "255"}));
    ASSERT_EQ(o.ParseDefinition(" 地址 , word , 1(1-254) "), 1);
    EXPECT_EQ(o.m_strName, "地址");
    EXPECT_EQ(o.m_strDefault, "1");
    EXPECT_EQ(o.m_choices, (L{"1", "254"}));
    ASSERT_EQ(o.ParseDefinition("a,ENUM,2"), 1);
    EXPECT_TRUE(o.m_choices.empty());
    ASSERT_EQ(o.ParseDefinition("a,YC,1(1,2)"), 1); // point kinds keep the list
    EXPECT_EQ(o.m_choices, (L{"1", "2"}));
    ASSERT_EQ(o.ParseDefinition("a,INT,3(1,5)"), 1); // numeric with two choices: no range step
    EXPECT_EQ(o.m_choices, (L{"1", "5"}));

    // Refusals: a range that is not two values keeps name, kind and default set.
    EXPECT_EQ(o.ParseDefinition("b,WORD,7(5)"), 0);
    EXPECT_EQ(o.m_strName, "b");
    EXPECT_EQ(o.m_strDefault, "7");
    // Not three fields: the item is unchanged.
    COptionItem before = o;
    EXPECT_EQ(o.ParseDefinition("a,ENUM"), 0);
    EXPECT_EQ(o.ParseDefinition("a,ENUM,1,2"), 0);
    EXPECT_EQ(o, before);
}

TEST_F(ContextTest, OptionItemProtocolChoicesFromCurrentDocument) {
    COptionItem o;
    ASSERT_EQ(o.ParseDefinition("规约,PRTC,未用(串口)"), 1);
    EXPECT_EQ(o.m_choices, (L{"串口"})); // no current document

    CProjectModel doc;
    doc.m_protocolLibrary.Add(Protocol("P1", 1, "串口"));
    doc.m_protocolLibrary.Add(Protocol("P2", 2, "网络"));
    doc.m_protocolLibrary.Add(Protocol("P3", 3, "串口"));
    doc.MakeCurrent();
    ASSERT_EQ(o.ParseDefinition("规约,PRTC,未用(串口)"), 1);
    EXPECT_EQ(o.m_choices, (L{"未用", "P1", "P3"}));
    ASSERT_EQ(o.ParseDefinition("规约,PRTC,未用"), 1);
    EXPECT_TRUE(o.m_choices.empty());
}

TEST(OptionItem, AppliesToPrefix) {
    struct Case {
        const char* name;
        const char* context;
        int applies;
        const char* title;
    };
    const Case cases[] = {
        {"k", "YC", 1, "k"},        {"[YC/YX]k", "YC", 1, "k"},     {"[YC/YX]k", "yx", 1, "k"},
        {"[YC/YX]k", "YM", 0, "k"}, {"[#/YC]x", "YC", 0, "x"},      {"[YC/#]x", "YC", 1, "x"},
        {"[YC/#]x", "YX", 0, "x"},  {"[*]x", "any", 1, "x"},        {"[]x", "", 0, "x"},
        {"[YC]x", "", 1, "x"},      {"[ YC / YX ]k", "YX", 1, "k"}, {"[YC k", "YM", 1, "[YC k"},
    };
    for (const Case& c : cases) {
        COptionItem o;
        o.m_strName = c.name;
        std::string title;
        EXPECT_EQ(o.AppliesTo(c.context, title), c.applies) << c.name << " / " << c.context;
        EXPECT_EQ(title, c.title) << c.name;
    }
}

TEST(OptionItem, DefaultValues) {
    COptionItemArray items;
    items.SetSize(2);
    items[0].m_strDefault = "9600";
    items[1].m_strDefault = "1";
    L values{"old", "old", "old"};
    items.GetDefaultValues(values);
    EXPECT_EQ(values, (L{"9600", "1"}));
}

TEST(RefTable, SortMoveReplaceFind) {
    CRefTableEntryArray a;
    a.Add(Entry(1, 3, 0, 0));
    a.Add(Entry(1, 2, 1, 5));
    a.Add(Entry(0, 9, 9, 9));
    a.Sort();
    EXPECT_EQ(Entries(a), (std::vector<int>{9, 5, 0}));
    EXPECT_EQ(a.Find(2, 1, 5), &a[1]);
    // Numbers compared field by field: entry 15 of group 1 comes before entry 0 of group 2.
    CRefTableEntryArray wide;
    wide.Add(Entry(0, 1, 2, 0));
    wide.Add(Entry(0, 1, 1, 15));
    wide.Add(Entry(0, 0, 99, 99));
    wide.Add(Entry(0, 2, 0, 0));
    wide.Sort();
    EXPECT_EQ(Entries(wide), (std::vector<int>{99, 15, 0, 0}));
    EXPECT_EQ(wide[2].m_nGroup, 2);
    EXPECT_EQ(a.Find(2, 1, 6), nullptr);

    auto moved = [](int from, int to) {
        CRefTableEntryArray b;
        for (int i = 0; i < 4; ++i)
            b.Add(Entry(0, 0, 0, i)); // A B C D as 0 1 2 3
        b.MoveItem(from, to);
        return Entries(b);
    };
    EXPECT_EQ(moved(0, 3), (std::vector<int>{1, 2, 0, 3}));
    EXPECT_EQ(moved(3, 0), (std::vector<int>{3, 0, 1, 2}));
    EXPECT_EQ(moved(1, 4), (std::vector<int>{0, 2, 3, 1}));
    EXPECT_EQ(moved(1, 1), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(moved(4, 0), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(moved(0, 5), (std::vector<int>{0, 1, 2, 3}));

    CRefTableEntryArray c;
    c.Add(Entry(0, 5, 1, 1));
    c.Add(Entry(0, 6, 1, 2));
    c.Add(Entry(0, 5, 1, 3));
    c.Add(Entry(0, 7, 1, 4));
    CRefTableEntryArray d = c;
    c.ReplaceDeviceAddress(5, 7, true);
    EXPECT_EQ(Entries(c), (std::vector<int>{2, 4}));
    d.ReplaceDeviceAddress(5, 8, false);
    EXPECT_EQ(d[0].m_nAddress, 8);
    EXPECT_EQ(d[2].m_nAddress, 8);
    EXPECT_EQ(d[1].m_nAddress, 6);
}

TEST(RefTable, DevicesAndTables) {
    CRefTableDeviceArray devs;
    for (int addr : {4, 2, 4, 1}) {
        CRefTableDevice d;
        d.m_nAddress = addr;
        devs.Add(d);
    }
    EXPECT_EQ(devs.FindIndexByAddress(4), 0);
    EXPECT_EQ(devs.FindByAddress(3), nullptr);
    devs.SortByAddress();
    EXPECT_EQ(devs[0].m_nAddress, 1);
    EXPECT_EQ(devs[3].m_nAddress, 4);

    CRefTableArray tables;
    tables.SetSize(2);
    tables[0].m_strName = "Yc表";
    tables[1].m_strName = "yx表";
    tables[0].m_entries.SetSize(3);
    tables[1].m_entries.SetSize(2);
    EXPECT_EQ(tables.FindIndexByName("YX表"), 1);
    EXPECT_EQ(tables.FindByName("none"), nullptr);
    EXPECT_EQ(tables.CountEntries(), 5);
    EXPECT_EQ(CRefTable().m_nType, 7);
}

TEST(ProtocolDef, LookupsByNameNumberAndMode) {
    CProtocolDefArray lib;
    lib.Add(Protocol("IEC103", 3, "串口"));
    lib.Add(Protocol("Modbus", 5, "网络"));
    lib.Add(Protocol("iec103", 9, "串口"));
    EXPECT_EQ(lib.GetByName("IEC103").m_nNumber, 3);
    CProtocolDef unknown = lib.GetByName("xx");
    EXPECT_EQ(unknown.m_strName, "未用");
    EXPECT_EQ(unknown.m_nNumber, 0);
    EXPECT_TRUE(unknown.m_tables.IsEmpty());
    EXPECT_TRUE(unknown.m_deviceAddresses.empty());
    ASSERT_NE(lib.FindByNumber(5), nullptr);
    EXPECT_EQ(testsupport::Found(lib.FindByNumber(5))->m_strName, "Modbus");
    EXPECT_EQ(lib.FindByNumber(4), nullptr);
    L names{"未用"};
    lib.GetNamesByMode("串口", names);
    EXPECT_EQ(names, (L{"未用", "IEC103", "iec103"}));

    // A protocol copy is deep.
    CProtocolDef p = lib[0];
    p.m_tables.SetSize(1);
    p.m_configs.m_configs.SetSize(1);
    CProtocolDef q = p;
    q.m_tables[0].m_strName = "changed";
    EXPECT_EQ(p.m_tables[0].m_strName, "");
    EXPECT_EQ(q.m_configs.m_configs.GetSize(), 1);
}

TEST(ItemRecord, ProtocolRegion) {
    CItemRecordArray groups;
    groups.SetSize(2);
    groups[0].m_strName = "基本";
    groups[0].m_items.SetSize(1);
    groups[0].m_items[0].m_strName = "波特率";
    groups[0].m_rows.push_back({"9600"});
    groups[1].m_items.SetSize(2);
    groups[1].m_items[0].m_strName = "x";
    groups[1].m_items[1].m_strName = "[YC]规约适用地区";
    EXPECT_EQ(groups.GetProtocolRegion(), ""); // no value row
    groups[1].m_rows.push_back({"a", "江苏"});
    EXPECT_EQ(groups.GetProtocolRegion(), "江苏");
    groups[1].m_items[1].m_strName = "规约适用地区";
    EXPECT_EQ(groups.GetProtocolRegion(), "江苏");
    EXPECT_EQ(groups.FindByName("基本"), &groups[0]);
    EXPECT_EQ(groups.FindByName("无"), nullptr);
}
