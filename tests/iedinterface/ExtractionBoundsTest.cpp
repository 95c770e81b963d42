// The bounds of the CID extraction that follow what a file declares: look-ups among an
// instance's children and the texts a point carries, weighed by the rule the SCD import uses.
#include "iedinterface/model/CidExtractor.h"
#include "iedinterface/model/ImportProgress.h"
#include "tests/iedinterface/IedTestUtil.h"
#include "tests/support/CpuTime.h"
#include "tests/support/PromptRecorder.h"

#include "platform/Gbk.h"

#include <gtest/gtest.h>

using namespace iedinterface;

namespace {

class ExtractionBounds : public ::testing::Test {
protected:
    void SetUp() override { app.LoadDoNameDesTable(iedtest::NameTableFile()); }
    // Writes the text as a CID file and reads it.
    int Read(const std::string& text) {
        testsupport::WriteBytes(dir / "bounds.cid", text);
        prompts.Clear();
        return app.ReadICDFile((dir / "bounds.cid").string());
    }
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    CIcdInterfaceApp app;
};

// One IED "L" whose logical device "LD" holds lns, and the data type templates.
std::string OneIedCid(const std::string& lns, const std::string& templates) {
    return "<?xml version=\"1.0\"?>\n<SCL><IED name=\"L\" type=\"T\"><AccessPoint name=\"S1\"><Server>"
           "<LDevice inst=\"LD\">" +
           lns + "</LDevice></Server></AccessPoint></IED><DataTypeTemplates>" + templates +
           "</DataTypeTemplates></SCL>\n";
}

} // namespace

// Logical nodes whose DOI, and the SDI of its attribute, hold 5,000 SDI and DAI children each,
// below an attribute of 1,000 parts: each point's instance is looked up among those children,
// which are read once per element. The last child, named as the point, gives its description.
TEST_F(ExtractionBounds, InstancesAmongManyChildrenAreLookedUpOnce) {
    constexpr int kLns = 16, kChildren = 2500, kLeaves = 1000;
    std::string children;
    for (int k = 0; k < kChildren; ++k)
        children += "<SDI name=\"s" + std::to_string(k) + "\"/><DAI name=\"d" + std::to_string(k) + "\"/>";
    const std::string doi = "<DOI name=\"Ind\" desc=\"ind\">" + children + "<SDI name=\"stVal\">" + children +
                            "<SDI name=\"v999\" desc=\"last\"/></SDI></DOI>";
    std::string lns;
    for (int i = 1; i <= kLns; ++i)
        lns += "<LN lnClass=\"GGIO\" inst=\"" + std::to_string(i) + "\" lnType=\"G\">" + doi + "</LN>";
    std::string types =
        "<LNodeType id=\"G\" lnClass=\"GGIO\"><DO name=\"Ind\" type=\"S\"/></LNodeType>"
        "<DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"Struct\" type=\"T0\" fc=\"ST\"/>"
        "</DOType><DAType id=\"T0\">";
    for (int k = 0; k < kLeaves; ++k)
        types += "<BDA name=\"v" + std::to_string(k) + "\" bType=\"BOOLEAN\"/>";
    types += "</DAType>";

    const double before = testsupport::ProcessCpuSeconds();
    ASSERT_EQ(Read(OneIedCid(lns, types)), 1);
    // Under a second with the sanitizers; a scan of the children per point took over twenty.
    EXPECT_LT(testsupport::ProcessCpuSeconds() - before, 6.0);
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(app.DataSetPoints.size() + app.OtherPoints.size(), std::size_t(kLns * kLeaves));
    const CCidPoint* last = app.OtherPoints.Find("LD/GGIO1$ST$Ind$stVal$v999");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Description, "last");
    const CCidPoint* first = app.OtherPoints.Find("LD/GGIO1$ST$Ind$stVal$v0");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Description, "ind");
}

namespace {

// A node of 30 indications whose stVal is a threefold fan-out six levels deep (21,870 points from
// 2 KB), with a comment of paddingBytes before the IED, and a control whose DOI holds a ctlModel
// of ctlModelBytes.
std::string FanOutCid(std::size_t paddingBytes, std::size_t ctlModelBytes) {
    std::string types = "<LNodeType id=\"G\" lnClass=\"GGIO\">";
    for (int k = 1; k <= 30; ++k)
        types += "<DO name=\"Ind" + std::to_string(k) + "\" type=\"S\"/>";
    types +=
        "</LNodeType><LNodeType id=\"C\" lnClass=\"CSWI\"><DO name=\"Pos\" type=\"DPC\"/></LNodeType>"
        "<DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"Struct\" type=\"F0\" fc=\"ST\"/></DOType>"
        "<DOType id=\"DPC\" cdc=\"DPC\"><DA name=\"Oper\" bType=\"Struct\" type=\"Op\" fc=\"CO\"/></DOType>"
        "<DAType id=\"Op\"><BDA name=\"ctlVal\" bType=\"BOOLEAN\"/></DAType>";
    for (int i = 0; i < 6; ++i) {
        types += "<DAType id=\"F" + std::to_string(i) + "\">";
        for (const char* n : {"a", "b", "c"})
            types += std::string("<BDA name=\"") + n + "\" bType=\"Struct\" type=\"F" +
                     std::to_string(i + 1) + "\"/>";
        types += "</DAType>";
    }
    types += "<DAType id=\"F6\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>";
    std::string text = OneIedCid("<LN lnClass=\"CSWI\" inst=\"1\" lnType=\"C\"><DOI name=\"Pos\"><DAI "
                                 "name=\"ctlModel\"><Val>" +
                                     std::string(ctlModelBytes, 'x') +
                                     "</Val></DAI></DOI></LN><LN lnClass=\"GGIO\" inst=\"1\" lnType=\"G\"/>",
                                 types);
    text.insert(text.find("<IED "), "<!--" + std::string(paddingBytes, ' ') + "-->");
    return text;
}

} // namespace

// The extraction has the SCD import's absolute ceilings: what a file declares, or a comment of
// 100 KB, neither raises nor lowers them (the comment once let 21,870 points through, while the
// same file without it was refused), and the file gives the same points either way.
TEST_F(ExtractionBounds, PaddingChangesNothing) {
    std::vector<std::size_t> points;
    for (const std::size_t padding : {std::size_t{0}, std::size_t{100'000}}) {
        EXPECT_EQ(Read(FanOutCid(padding, 10)), 1) << padding;
        EXPECT_TRUE(prompts.Texts().empty()) << padding;
        points.push_back(app.DataSetPoints.size() + app.OtherPoints.size());
    }
    ASSERT_EQ(points.size(), 2u);
    EXPECT_GE(points[0], 21'870u);
    EXPECT_EQ(points[1], points[0]);
}

// A CID file declared GBK is read with the GB18030 decoder: a pair of the user-defined area (which
// the GBK converter turned into "?", losing the next character) and a four-byte character come
// through into the points; bytes it still cannot read refuse the file with their line and column.
TEST_F(ExtractionBounds, GbkFilesAreReadWithTheGb18030Decoder) {
    const std::string types = "<LNodeType id=\"G\" lnClass=\"GGIO\"><DO name=\"Ind\" type=\"S\"/></LNodeType>"
                              "<DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" "
                              "fc=\"ST\"/></DOType>";
    const auto cid = [&types](const std::string& desc) {
        std::string text = OneIedCid(
            "<LN lnClass=\"GGIO\" inst=\"1\" lnType=\"G\">\n<DOI name=\"Ind\" desc=\"" + desc + "\"/></LN>",
            types);
        text.replace(0, text.find("?>"), "<?xml version=\"1.0\" encoding=\"GBK\"");
        return text;
    };
    ASSERT_EQ(Read(cid("\xA1\x40" + platform::ToGbk("开入") + "\x95\x32\x82\x36")), 1);
    EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
    const CCidPoint* point = app.OtherPoints.Find("LD/GGIO1$ST$Ind$stVal");
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->Description, "\xEE\x93\x86开入\xF0\xA0\x80\x80");

    EXPECT_EQ(Read(cid(platform::ToGbk("开入") + "\x81\x20")), 0);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_NE(prompts.Texts()[0].find("第3行第27列"), std::string::npos) << prompts.Texts()[0];
}
