#include "iedinterface/model/CidExtractor.h"
#include "iedinterface/model/ImportProgress.h"
#include "platform/Gbk.h"
#include "tests/iedinterface/IedTestUtil.h"
#include "tests/support/CpuTime.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using namespace iedinterface;
using iedtest::References;

namespace {

class ProgressRecorder : public IImportProgress {
public:
    void Open(const std::string& caption, int, int) override {
        captions.push_back(caption);
        open = true;
    }
    void SetPos(int pos) override { positions.push_back(pos); }
    void Close() override { open = false; }
    std::vector<std::string> captions;
    std::vector<int> positions;
    bool open = false;
};

class Extraction : public ::testing::Test {
protected:
    void SetUp() override {
        app.LoadDoNameDesTable(iedtest::NameTableFile());
        app.SetProgress(&progress);
    }
    const CCidPoint& Point(const std::string& ref) {
        const CCidPoint* p = app.DataSetPoints.Find(ref);
        if (!p)
            p = app.OtherPoints.Find(ref);
        EXPECT_NE(p, nullptr) << ref;
        static CCidPoint none;
        return p ? *p : none;
    }
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    ProgressRecorder progress;
    CIcdInterfaceApp app;
};

} // namespace

TEST_F(Extraction, SampleCidSplitsPointsIntoDataSetAndOthers) {
    const std::string path = iedtest::CopySample(iedtest::SclFile("QXB610.cid"), dir.Path(), "QXB610.cid");
    ASSERT_EQ(app.ReadICDFile(path), 1);
    EXPECT_EQ(prompts.Count(), 0u);
    EXPECT_EQ(app.DeviceName, "PB1101QXB610");
    EXPECT_EQ(app.IedType, "QXB610");
    EXPECT_EQ(app.DeviceType, "IEC61850装置");
    EXPECT_EQ(app.BaseName, "IEC61850_QXB610");
    EXPECT_EQ(app.OutputFolder, dir.Path().string());

    EXPECT_EQ(References(app.DataSetPoints),
              (std::vector<std::string>{"PROT/PTOC1$ST$Op$general", "PROT/PTOC1$ST$Op$phsA",
                                        "PROT/PTOC2$ST$Op$general", "PROT/MMXU1$MX$A$phsA$cVal$mag$f",
                                        "CTRL/Q0XCBR1$ST$Pos$stVal"}));
    EXPECT_EQ(References(app.OtherPoints),
              (std::vector<std::string>{"PROT/LLN0$SP$SGCB$ActSG", "PROT/LLN0$SP$SGCB$EditSG",
                                        "PROT/LLN0$ST$Mod$stVal", "PROT/PTOC1$SP$StrVal$setMag$f",
                                        "PROT/PTOC2$ST$Op$phsA", "PROT/PTOC2$SP$StrVal$setMag$f",
                                        "PROT/MMXU1$MX$A$phsA$cVal$ang$f", "PROT/MMXU1$MX$A$phsB$cVal$mag$f",
                                        "PROT/MMXU1$MX$A$phsB$cVal$ang$f", "CTRL/LLN0$ST$Mod$stVal",
                                        "CTRL/Q0CSWI1$ST$Pos$stVal", "CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal"}));
    EXPECT_EQ(progress.captions, std::vector<std::string>{"正在载入，请稍候......"});
    EXPECT_FALSE(progress.open);
    EXPECT_EQ(progress.positions.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
}

TEST_F(Extraction, PointFieldsDescriptionsAndControlModel) {
    ASSERT_EQ(app.ReadICDFile(iedtest::CopySample(iedtest::SclFile("QXB610.cid"), dir.Path(), "QXB610.cid")),
              1);
    const CCidPoint& general = Point("PROT/PTOC1$ST$Op$general");
    EXPECT_EQ(general.Description, "充电过流Ⅰ段动作");
    EXPECT_EQ(general.Class, 10);
    EXPECT_EQ(general.Cdc, "ACT");
    EXPECT_EQ(general.Fc, "ST");
    EXPECT_EQ(general.DoName, "Op");
    EXPECT_EQ(general.DaName, "general");
    EXPECT_EQ(general.LnClass, "PTOC");
    EXPECT_EQ(general.LnInst, "1");
    // A phase attribute puts the phase in front; the dU value wins over the desc attribute.
    EXPECT_EQ(Point("PROT/PTOC1$ST$Op$phsA").Description, "A相充电过流Ⅰ段动作");
    EXPECT_EQ(Point("PROT/PTOC2$ST$Op$general").Description, "充电过流Ⅱ段动作");
    // Below a sub-data-object the deepest instance description is taken, with magnitude/angle.
    const CCidPoint& phsA = Point("PROT/MMXU1$MX$A$phsA$cVal$mag$f");
    EXPECT_EQ(phsA.Description, "电流值幅值");
    EXPECT_EQ(phsA.DoName, "phsA");
    EXPECT_EQ(phsA.Cdc, "CMV");
    EXPECT_EQ(phsA.Class, 12);
    EXPECT_EQ(Point("PROT/MMXU1$MX$A$phsB$cVal$ang$f").Description, "B相保护电流相角");
    EXPECT_EQ(Point("PROT/PTOC1$SP$StrVal$setMag$f").Description, "充电过流Ⅰ段电流定值");
    EXPECT_EQ(Point("PROT/PTOC1$SP$StrVal$setMag$f").Class, 15);
    // No instance description: the name table, with the logical-node instance appended.
    EXPECT_EQ(Point("CTRL/LLN0$ST$Mod$stVal").Description, "运行模式");
    EXPECT_EQ(Point("PROT/PTOC2$SP$StrVal$setMag$f").Description, "");
    const CCidPoint& oper = Point("CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal");
    EXPECT_EQ(oper.Class, 13);
    EXPECT_EQ(oper.CtlModel, "sbo-with-normal-security");
    EXPECT_EQ(oper.Description, "母联断路器遥控");
    const CCidPoint& act = Point("PROT/LLN0$SP$SGCB$ActSG");
    EXPECT_EQ(act.Class, 14);
    EXPECT_EQ(act.Cdc, "");
    EXPECT_EQ(act.DoName, "SGCB");
}

TEST_F(Extraction, NameTableKeepsTheDigitsOfTheDataObjectName) {
    testsupport::WriteGbkText(dir / "ggio.cid", R"(<?xml version="1.0" encoding="UTF-8"?>
<SCL xmlns="http://www.iec.ch/61850/2003/SCL">
  <IED name="IO1" type="IO">
    <AccessPoint name="S1"><Server><LDevice inst="LD0">
      <LN lnClass="GGIO" inst="3" prefix="" lnType="G"/>
    </LDevice></Server></AccessPoint>
  </IED>
  <DataTypeTemplates>
    <LNodeType id="G" lnClass="GGIO"><DO name="Ind12" type="S"/><DO name="Ind" type="S"/></LNodeType>
    <DOType id="S" cdc="SPS"><DA name="stVal" bType="BOOLEAN" fc="ST"/></DOType>
  </DataTypeTemplates>
</SCL>
)");
    ASSERT_EQ(app.ReadICDFile((dir / "ggio.cid").string()), 1);
    EXPECT_EQ(Point("LD0/GGIO3$ST$Ind12$stVal").Description, "开入3-12");
    EXPECT_EQ(Point("LD0/GGIO3$ST$Ind$stVal").Description, "开入3");
}

TEST_F(Extraction, FilesWithoutTemplatesOrUnreadableFail) {
    EXPECT_EQ(app.ReadICDFile(iedtest::SclFile("NoTemplates.icd").string()), 0);
    EXPECT_EQ(prompts.Count(), 0u);
    EXPECT_FALSE(progress.open);

    testsupport::WriteBytes(dir / "broken.cid", "<SCL><IED name=");
    EXPECT_EQ(app.ReadICDFile((dir / "broken.cid").string()), 0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"导入CID失败：解析文件失败!"});
    EXPECT_TRUE(app.DataSetPoints.empty());
    EXPECT_TRUE(app.OtherPoints.empty());

    // Bytes valid in no encoding the file may be in: refused with their line.
    const std::filesystem::path bytes = dir / "bytes.cid";
    testsupport::WriteBytes(bytes, "<SCL>\n<IED name=\"\xFF\"/></SCL>");
    prompts.Clear();
    EXPECT_EQ(app.ReadICDFile(bytes.string()), 0);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Texts()[0].rfind("导入CID失败：文件(" + bytes.string() + ")第2行", 0), 0u)
        << prompts.Texts()[0];
}

TEST_F(Extraction, OutputNamesFromThePath) {
    app.ReadICDFile("D:\\a\\dev1.CID");
    EXPECT_EQ(app.OutputFolder, "D:\\a");
    EXPECT_EQ(app.BaseName, "IEC61850_dev1");
    app.ReadICDFile("/x/y/dev1.xml");
    EXPECT_EQ(app.OutputFolder, "/x/y");
    EXPECT_EQ(app.BaseName, "IEC61850_dev1.xml");
    EXPECT_EQ(app.OutputPath("a.txt"), "/x/y/a.txt");
    app.ReadICDFile("dev2.icd");
    EXPECT_EQ(app.BaseName, "IEC61850_dev2");
    EXPECT_EQ(app.OutputPath("a.txt"), "a.txt");
}

TEST_F(Extraction, CyclicTypesEndTheWalk) {
    testsupport::WriteGbkText(dir / "cycle.cid", R"(<?xml version="1.0" encoding="UTF-8"?>
<SCL xmlns="http://www.iec.ch/61850/2003/SCL">
  <IED name="C" type="T"><AccessPoint name="S1"><Server><LDevice inst="LD0">
      <LN lnClass="MMXU" inst="1" prefix="" lnType="M"/>
  </LDevice></Server></AccessPoint></IED>
  <DataTypeTemplates>
    <LNodeType id="M" lnClass="MMXU"><DO name="TotW" type="MV"/></LNodeType>
    <DOType id="MV" cdc="MV"><DA name="mag" bType="Struct" type="Loop" fc="MX"/></DOType>
    <DAType id="Loop"><BDA name="mag" bType="Struct" type="Loop"/></DAType>
  </DataTypeTemplates>
</SCL>
)");
    EXPECT_EQ(app.ReadICDFile((dir / "cycle.cid").string()), 1);
    EXPECT_TRUE(app.OtherPoints.empty());
}

// A device description of some ten thousand attributes, every one named by a DataSet, is read in
// well under the time the old quadratic lookups needed.
TEST_F(Extraction, LargeFileIsReadInLinearTime) {
    std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<SCL xmlns="http://www.iec.ch/61850/2003/SCL"><IED name="BIG" type="B"><AccessPoint name="S1"><Server>
<LDevice inst="LD0"><LN0 lnClass="LLN0" inst="" lnType="L0"><DataSet name="ds">)";
    const int lns = 500, dos = 20;
    for (int l = 1; l <= lns; ++l)
        for (int d = 1; d <= dos; ++d)
            xml += "<FCDA ldInst=\"LD0\" prefix=\"\" lnClass=\"GGIO\" lnInst=\"" + std::to_string(l) +
                   "\" doName=\"Ind" + std::to_string(d) + "\" daName=\"stVal\" fc=\"ST\"/>";
    xml += "</DataSet></LN0>";
    for (int l = 1; l <= lns; ++l) {
        xml += "<LN lnClass=\"GGIO\" prefix=\"\" inst=\"" + std::to_string(l) + "\" lnType=\"G\">";
        for (int d = 1; d <= dos; ++d)
            xml += "<DOI name=\"Ind" + std::to_string(d) + "\" desc=\"开入" + std::to_string(d) + "\"/>";
        xml += "</LN>";
    }
    xml += "</LDevice></Server></AccessPoint></IED><DataTypeTemplates><LNodeType id=\"L0\" lnClass=\"LLN0\"/>"
           "<LNodeType id=\"G\" lnClass=\"GGIO\">";
    for (int d = 1; d <= dos; ++d)
        xml += "<DO name=\"Ind" + std::to_string(d) + "\" type=\"S\"/>";
    xml += "</LNodeType><DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" fc=\"ST\"/>"
           "<DA name=\"q\" bType=\"Quality\" fc=\"ST\"/></DOType></DataTypeTemplates></SCL>";
    testsupport::WriteBytes(dir / "big.cid", xml);
    auto start = testsupport::ProcessCpuSeconds();
    ASSERT_EQ(app.ReadICDFile((dir / "big.cid").string()), 1);
    auto seconds = testsupport::ProcessCpuSeconds() - start;
    ASSERT_EQ(app.DataSetPoints.size(), std::size_t(lns * dos));
    EXPECT_TRUE(app.OtherPoints.empty());
    EXPECT_EQ(app.DataSetPoints[0].Description, "开入1");
    EXPECT_LT(seconds, 40.0) << "CPU seconds";
    // With more than 70 logical nodes the step is 0 and the bar stays at 10 until the end.
    EXPECT_EQ(std::count(progress.positions.begin(), progress.positions.end(), 11), 0);
}

namespace {

// A CID whose data-object type holds one attribute of a structure type with the given BDAs.
std::string CidWithTypes(const std::string& daTypes) {
    return "<?xml version=\"1.0\"?>\n<SCL><IED name=\"L\" type=\"T\"><AccessPoint name=\"S1\"><Server>"
           "<LDevice inst=\"LD\"><LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"N0\"/>"
           "<LN lnClass=\"GGIO\" inst=\"1\" lnType=\"G\"/></LDevice></Server></AccessPoint></IED>"
           "<DataTypeTemplates><LNodeType id=\"N0\" lnClass=\"LLN0\"/>"
           "<LNodeType id=\"G\" lnClass=\"GGIO\"><DO name=\"Ind\" type=\"S\"/></LNodeType>"
           "<DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"Struct\" type=\"T0\" fc=\"ST\"/>"
           "</DOType>" +
           daTypes + "</DataTypeTemplates></SCL>\n";
}

} // namespace

// A GB2312-declared CID whose texts hold character references among GBK bytes: the IED type and
// the point's description come out as the characters the references name.
TEST_F(Extraction, ReferencesInAGbkCidComeOutAsTheCharactersTheyName) {
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<SCL><IED name=\"L\" type=\"&#x7EBF;" +
        platform::ToGbk("路保护") +
        "\"><AccessPoint name=\"S1\"><Server><LDevice inst=\"LD\"><LN0 lnClass=\"LLN0\" inst=\"\" "
        "lnType=\"N0\"/><LN lnClass=\"GGIO\" inst=\"1\" lnType=\"G\"><DOI name=\"Ind\" desc=\"" +
        platform::ToGbk("开入") +
        "&#x4E8C;\"/></LN></LDevice></Server></AccessPoint></IED><DataTypeTemplates>"
        "<LNodeType id=\"N0\" lnClass=\"LLN0\"/><LNodeType id=\"G\" lnClass=\"GGIO\"><DO name=\"Ind\" "
        "type=\"S\"/></LNodeType><DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" "
        "fc=\"ST\"/></DOType></DataTypeTemplates></SCL>\n";
    testsupport::WriteBytes(dir / "gbk.cid", text);
    ASSERT_EQ(app.ReadICDFile((dir / "gbk.cid").string()), 1);
    EXPECT_EQ(app.IedType, "线路保护");
    EXPECT_EQ(Point("LD/GGIO1$ST$Ind$stVal").Description, "开入二");
}

// A 1 KB CID whose type holds three references to itself is refused at once, naming the type.
TEST_F(Extraction, SelfReferencingTypeIsRefusedNamingIt) {
    const std::string text = CidWithTypes("<DAType id=\"T0\"><BDA name=\"a\" bType=\"Struct\" type=\"T0\"/>"
                                          "<BDA name=\"b\" bType=\"Struct\" type=\"T0\"/>"
                                          "<BDA name=\"c\" bType=\"Struct\" type=\"T0\"/></DAType>");
    ASSERT_LT(text.size(), 1100u);
    testsupport::WriteBytes(dir / "loop.cid", text);
    const auto start = testsupport::ProcessCpuSeconds();
    EXPECT_EQ(app.ReadICDFile((dir / "loop.cid").string()), 0);
    EXPECT_LT(testsupport::ProcessCpuSeconds() - start, 8.0) << "CPU seconds";
    ASSERT_FALSE(prompts.Texts().empty());
    EXPECT_EQ(prompts.Texts().front(), "导入CID失败：装置(L)的数据类型(T0)引用自身!");
    EXPECT_EQ(app.DataSetPoints.size() + app.OtherPoints.size(), 0u);
    EXPECT_FALSE(progress.open);

    // A sound file read afterwards by the same module object is extracted as usual.
    prompts.Clear();
    const std::string path = iedtest::CopySample(iedtest::SclFile("QXB610.cid"), dir.Path(), "QXB610.cid");
    EXPECT_EQ(app.ReadICDFile(path), 1);
    EXPECT_GT(app.DataSetPoints.size(), 0u);
}

// Types that fan out without a loop (3^12 leaves) stop at the walk's budget, naming the type
// where it ran out; a type used twice side by side is no loop.
TEST_F(Extraction, TypeFanOutStopsAtTheBudget) {
    std::string types;
    for (int i = 0; i < 12; ++i) {
        const std::string next = "T" + std::to_string(i + 1);
        types += "<DAType id=\"T" + std::to_string(i) + "\">";
        for (const char* n : {"a", "b", "c"})
            types += std::string("<BDA name=\"") + n + "\" bType=\"Struct\" type=\"" + next + "\"/>";
        types += "</DAType>";
    }
    types += "<DAType id=\"T12\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>";
    testsupport::WriteBytes(dir / "fan.cid", CidWithTypes(types));
    CCidExtractor extractor(app);
    platform::scl::TypeWalkLimits limits;
    limits.nodesPerIed = 2000;
    extractor.SetWalkLimits(limits);
    EXPECT_EQ(extractor.ParseCidFile((dir / "fan.cid").string()), 0);
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_NE(prompts.Texts()[0].find("展开的数据超出上限"), std::string::npos) << prompts.Texts()[0];
    EXPECT_EQ(prompts.Texts()[0].rfind("导入CID失败：装置(L)的数据类型(T", 0), 0u) << prompts.Texts()[0];
    EXPECT_EQ(app.OtherPoints.size(), 0u);

    // Within the budget the same types give every leaf once.
    prompts.Clear();
    limits.nodesPerIed = 10'000'000;
    extractor.SetWalkLimits(limits);
    types = "<DAType id=\"T0\"><BDA name=\"a\" bType=\"Struct\" type=\"T1\"/>"
            "<BDA name=\"b\" bType=\"Struct\" type=\"T1\"/></DAType>"
            "<DAType id=\"T1\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>";
    testsupport::WriteBytes(dir / "pair.cid", CidWithTypes(types));
    EXPECT_EQ(extractor.ParseCidFile((dir / "pair.cid").string()), 1);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_NE(app.OtherPoints.Find("LD/GGIO1$ST$Ind$stVal$a$v"), nullptr);
    EXPECT_NE(app.OtherPoints.Find("LD/GGIO1$ST$Ind$stVal$b$v"), nullptr);
}

// The same fan-out at the default budget, as a structure and as sub-data-objects (3^12 leaves):
// refused within a second or two and without making half a million points first.
TEST_F(Extraction, TypeFanOutAtTheDefaultBudgetEndsQuickly) {
    std::string structures, objects;
    for (int i = 0; i < 12; ++i) {
        const std::string next = std::to_string(i + 1);
        structures += "<DAType id=\"T" + std::to_string(i) + "\">";
        objects += "<DOType id=\"D" + std::to_string(i) + "\" cdc=\"WYE\">";
        for (const char* n : {"phsA", "phsB", "phsC"}) {
            structures += std::string("<BDA name=\"") + n + "\" bType=\"Struct\" type=\"T" + next + "\"/>";
            objects += std::string("<SDO name=\"") + n + "\" type=\"D" + next + "\"/>";
        }
        structures += "</DAType>";
        objects += "</DOType>";
    }
    structures += "<DAType id=\"T12\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>";
    objects += "<DOType id=\"D12\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" fc=\"ST\"/></DOType>";
    std::string sdoFile = CidWithTypes(objects);
    const std::string top = "<DO name=\"Ind\" type=\"S\"/>";
    sdoFile.replace(sdoFile.find(top), top.size(), "<DO name=\"Ind\" type=\"D0\"/>");
    for (const std::string& text : {CidWithTypes(structures), sdoFile}) {
        testsupport::WriteBytes(dir / "fan.cid", text);
        prompts.Clear();
        CCidExtractor extractor(app);
        const long before = testsupport::PeakRssMb();
        const auto start = testsupport::ProcessCpuSeconds();
        EXPECT_EQ(extractor.ParseCidFile((dir / "fan.cid").string()), 0);
        const double seconds = testsupport::ProcessCpuSeconds() - start;
        const long grown = testsupport::PeakRssMb() - before;
        EXPECT_LT(seconds, 8.0) << "CPU seconds";
        EXPECT_LT(grown, 200) << "MB";
        ASSERT_EQ(prompts.Texts().size(), 1u);
        EXPECT_EQ(prompts.Texts()[0].rfind("导入CID失败：装置(L)的数据类型(", 0), 0u) << prompts.Texts()[0];
        EXPECT_NE(prompts.Texts()[0].find("展开的数据超出上限"), std::string::npos) << prompts.Texts()[0];
        EXPECT_EQ(app.DataSetPoints.size() + app.OtherPoints.size(), 0u);
    }

    // The data objects of one node type have a budget each: a type of many objects whose nodes
    // add up beyond one object's budget is extracted whole.
    std::string text = CidWithTypes("<DAType id=\"T0\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>");
    const std::string one = "<DO name=\"Ind\" type=\"S\"/>";
    std::string many;
    for (int i = 0; i < 6000; ++i)
        many += "<DO name=\"Ind" + std::to_string(i) + "\" type=\"S\"/>";
    text.replace(text.find(one), one.size(), many);
    testsupport::WriteBytes(dir / "many.cid", text);
    prompts.Clear();
    CCidExtractor extractor(app);
    EXPECT_EQ(extractor.ParseCidFile((dir / "many.cid").string()), 1);
    EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
    EXPECT_EQ(app.OtherPoints.size(), 6000u);
}

namespace {

// A CID of sixty logical nodes (or as many as given) of one type of forty data objects, each a
// structure whose types fan out three ways seven levels deep (2,187 leaves): each object within its
// own budget, together 5,248,800 points from 5 KB. Names of the given length, and a description of
// the first node's first object, make the same fan-out weigh more.
std::string SmallFileOfManyFanOuts(int nodes = 60, std::size_t nameBytes = 1,
                                   const std::string& description = {}) {
    std::string lns, objects, types;
    for (int k = 1; k <= nodes; ++k) {
        lns += "<LN lnClass=\"GGIO\" inst=\"" + std::to_string(k) + "\" lnType=\"G\"";
        lns +=
            k == 1 && !description.empty() ? "><DOI name=\"Ind1\" desc=\"" + description + "\"/></LN>" : "/>";
    }
    for (int k = 1; k <= 40; ++k)
        objects += "<DO name=\"Ind" + std::to_string(k) + "\" type=\"S\"/>";
    for (int i = 0; i < 7; ++i) {
        types += "<DAType id=\"F" + std::to_string(i) + "\">";
        for (char n : {'a', 'b', 'c'})
            types += "<BDA name=\"" + std::string(nameBytes, n) + "\" bType=\"Struct\" type=\"F" +
                     std::to_string(i + 1) + "\"/>";
        types += "</DAType>";
    }
    types += "<DAType id=\"F7\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>";
    return "<?xml version=\"1.0\"?>\n<SCL><IED name=\"L\" type=\"T\"><AccessPoint name=\"S1\"><Server>"
           "<LDevice inst=\"LD\"><LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"N0\"/>" +
           lns +
           "</LDevice></Server></AccessPoint></IED><DataTypeTemplates><LNodeType id=\"N0\" lnClass=\"LLN0\"/>"
           "<LNodeType id=\"G\" lnClass=\"GGIO\">" +
           objects +
           "</LNodeType><DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"Struct\" type=\"F0\" "
           "fc=\"ST\"/></DOType>" +
           types + "</DataTypeTemplates></SCL>\n";
}

} // namespace

// A few KB of small fan-outs, each within the ceiling of a data object and together millions of
// points, are refused at an IED's ceiling, naming the IED, the type and the ceiling. Long names
// weigh more: with names of 150 bytes and a long description one data object's expansion is
// already beyond its ceiling.
TEST_F(Extraction, SmallFileOfManyFanOutsIsRefusedAtTheCeiling) {
    const std::string plain = SmallFileOfManyFanOuts();
    const std::size_t kb = (plain.size() + 1023) / 1024;
    ASSERT_LE(kb, 5u);
    const std::pair<std::string, std::string> cases[] = {
        {plain, "导入CID失败：装置(L)的数据类型(F7)测点超出上限(每个装置至多60000个)!"},
        {SmallFileOfManyFanOuts(60, 150, std::string(600, 'd')),
         "导入CID失败：装置(L)的数据类型(F6)展开的数据超出上限(每个数据对象至多10000个节点)!"}};
    for (const auto& [text, refusal] : cases) {
        ASSERT_LT(text.size(), 10'000u);
        testsupport::WriteBytes(dir / "fan.cid", text);
        prompts.Clear();
        const long before = testsupport::PeakRssMb();
        const auto start = testsupport::ProcessCpuSeconds();
        EXPECT_EQ(app.ReadICDFile((dir / "fan.cid").string()), 0);
        const double seconds = testsupport::ProcessCpuSeconds() - start;
        EXPECT_LT(seconds, 8.0) << "CPU seconds";
        // 60,000 points with the sanitizers; the 5,248,800 points took gigabytes.
        EXPECT_LT(testsupport::PeakRssMb() - before, 400) << "MB";
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{refusal});
        EXPECT_EQ(app.DataSetPoints.size() + app.OtherPoints.size(), 0u);
        EXPECT_FALSE(progress.open);
    }

    // The same types used by one logical node of one data object (2,187 points) are well within
    // the ceilings.
    std::string text = SmallFileOfManyFanOuts(1);
    const std::string first = "<DO name=\"Ind1\" type=\"S\"/>";
    const std::size_t objects = text.find(first) + first.size();
    text.erase(objects, text.find("</LNodeType>", objects) - objects);
    testsupport::WriteBytes(dir / "one.cid", text);
    prompts.Clear();
    CCidExtractor extractor(app);
    EXPECT_EQ(extractor.ParseCidFile((dir / "one.cid").string()), 1);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(app.OtherPoints.size(), 2187u);
}
