// The bounds of the SCD import that follow what a file declares: look-ups among an instance's
// children, the texts a point carries, the elements a file's budget is for, and the group numbers
// an IED's points take.
#include "points/SCDImport.h"

#include "projectmodel/ConfigDoc.h"
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/ProjectContext.h"
#include "tests/support/CpuTime.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace points;
using namespace projectmodel;
namespace fs = std::filesystem;

namespace {

class ScdImportBounds : public ::testing::Test {
protected:
    void SetUp() override {
        CProjectContext::Reset();
        CProjectContext::Instance().SetLibraryFolder(tmp.Path());
    }
    void TearDown() override { CProjectContext::Reset(); }

    // Writes the text as an SCD file and loads it.
    int Load(CConfigDoc& doc, CSCDImport& import, const std::string& text) {
        const fs::path scd = tmp / "bounds.scd";
        testsupport::WriteBytes(scd, text);
        prompts.Clear();
        return import.LoadSCDFile(doc, scd.string());
    }

    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
};

// One IED "R" reached through an MMS subnetwork, its logical device "LD" holding lns, and the
// data type templates.
std::string OneIedScd(const std::string& lns, const std::string& templates, const std::string& name = "R") {
    return "<?xml version=\"1.0\"?>\n<SCL><Communication><SubNetwork name=\"N\" type=\"8-MMS\">"
           "<ConnectedAP iedName=\"" +
           name + "\" apName=\"S1\"/></SubNetwork></Communication><IED name=\"" + name +
           "\" type=\"T\"><AccessPoint name=\"S1\"><Server><LDevice inst=\"LD\">" + lns +
           "</LDevice></Server></AccessPoint></IED><DataTypeTemplates>" + templates +
           "</DataTypeTemplates></SCL>\n";
}

} // namespace

// Logical nodes whose DOI holds 5,000 SDI and DAI children, below a data object of 1,000
// attributes: each point's description is looked up among the children of its DOI, which are read
// once per DOI (a scan per point took seconds). The child named as the point, found without
// regard to case as the last child, gives that point its description.
TEST_F(ScdImportBounds, DescriptionsAmongManyInstanceChildrenAreLookedUpOnce) {
    constexpr int kLns = 16, kChildren = 2500, kLeaves = 1000;
    std::string doi = "<DOI name=\"Rcd\" desc=\"rcd\">";
    for (int k = 0; k < kChildren; ++k)
        doi += "<SDI name=\"s" + std::to_string(k) + "\"/><DAI name=\"d" + std::to_string(k) + "\"/>";
    doi += "<SDI name=\"V999\" desc=\"last\"/></DOI>";
    std::string lns;
    for (int i = 1; i <= kLns; ++i)
        lns += "<LN lnClass=\"RDRE\" inst=\"" + std::to_string(i) + "\" lnType=\"R\">" + doi +
               "<DataSet name=\"ds\"><FCDA ldInst=\"LD\" lnClass=\"RDRE\" lnInst=\"" + std::to_string(i) +
               "\" fc=\"ST\"/></DataSet></LN>";
    std::string type = "<LNodeType id=\"R\" lnClass=\"RDRE\"><DO name=\"Rcd\" type=\"D\"/></LNodeType>"
                       "<DOType id=\"D\" cdc=\"SPS\">";
    for (int k = 0; k < kLeaves; ++k)
        type += "<DA name=\"v" + std::to_string(k) + "\" bType=\"BOOLEAN\" fc=\"ST\"/>";
    type += "</DOType>";

    CConfigDoc doc;
    CSCDImport import;
    const double before = testsupport::ProcessCpuSeconds();
    ASSERT_EQ(Load(doc, import, OneIedScd(lns, type)), 1);
    // Under a second with the sanitizers; a scan of the children per point took over twenty.
    EXPECT_LT(testsupport::ProcessCpuSeconds() - before, 6.0);
    EXPECT_TRUE(prompts.Texts().empty());
    ASSERT_EQ(doc.m_infoModels.size(), 1u);
    const auto& points = doc.m_infoModels[0]->m_allPoints;
    ASSERT_EQ(points.size(), std::size_t(kLns * kLeaves));
    EXPECT_EQ(points[0]->m_strDesc, "rcd");
    EXPECT_EQ(points[999]->m_strReference, "LD/RDRE1$ST$Rcd$v999");
    EXPECT_EQ(points[999]->m_strDesc, "last");
}

namespace {

// A breaker control whose Oper.ctlVal is a structure of `fanOut` x `fanOut` x `fanOut` leaves, and
// the DOI of the control holding a ctlModel of ctlModelBytes.
std::string ControlOfManyLeaves(int fanOut, std::size_t ctlModelBytes) {
    std::string types =
        "<LNodeType id=\"C\" lnClass=\"CSWI\"><DO name=\"Pos\" type=\"DPC\"/></LNodeType>"
        "<DOType id=\"DPC\" cdc=\"DPC\"><DA name=\"Oper\" bType=\"Struct\" type=\"Op\" fc=\"CO\"/>"
        "</DOType><DAType id=\"Op\"><BDA name=\"ctlVal\" bType=\"Struct\" type=\"A\"/></DAType>";
    for (const auto& [id, next] : {std::pair{"A", "B"}, std::pair{"B", "C"}}) {
        types += std::string("<DAType id=\"") + id + "\">";
        for (int k = 0; k < fanOut; ++k)
            types += "<BDA name=\"" + std::string(id) + std::to_string(k) + "\" bType=\"Struct\" type=\"" +
                     next + "\"/>";
        types += "</DAType>";
    }
    types += "<DAType id=\"C\">";
    for (int k = 0; k < fanOut; ++k)
        types += "<BDA name=\"c" + std::to_string(k) + "\" bType=\"BOOLEAN\"/>";
    types += "</DAType>";
    return OneIedScd(
        "<LN lnClass=\"CSWI\" inst=\"1\" lnType=\"C\"><DOI name=\"Pos\"><DAI name=\"ctlModel\"><Val>" +
            std::string(ctlModelBytes, 'x') + "</Val></DAI></DOI></LN>",
        types);
}

// A recorder node of `objects` data objects of a CDC text of cdcBytes, each a threefold fan-out
// `depth` levels deep, and a comment of paddingBytes before the IED.
std::string RecorderFanOut(int objects, int depth, std::size_t cdcBytes, std::size_t paddingBytes) {
    std::string types = "<LNodeType id=\"R\" lnClass=\"RDRE\">";
    for (int k = 0; k < objects; ++k)
        types += "<DO name=\"D" + std::to_string(k) + "\" type=\"D\"/>";
    types += "</LNodeType><DOType id=\"D\" cdc=\"" + std::string(cdcBytes, 'S') +
             "\"><DA name=\"x\" bType=\"Struct\" type=\"F0\" fc=\"ST\"/></DOType>";
    for (int i = 0; i < depth; ++i) {
        types += "<DAType id=\"F" + std::to_string(i) + "\">";
        for (const char* n : {"a", "b", "c"})
            types += std::string("<BDA name=\"") + n + "\" bType=\"Struct\" type=\"F" +
                     std::to_string(i + 1) + "\"/>";
        types += "</DAType>";
    }
    types += "<DAType id=\"F" + std::to_string(depth) + "\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>";
    std::string text =
        OneIedScd("<LN lnClass=\"RDRE\" inst=\"1\" lnType=\"R\"><DataSet name=\"ds\"><FCDA ldInst=\"LD\" "
                  "lnClass=\"RDRE\" lnInst=\"1\" fc=\"ST\"/></DataSet></LN>",
                  types);
    const std::size_t ied = text.find("<IED ");
    text.insert(ied, "<!--" + std::string(paddingBytes, ' ') + "-->");
    return text;
}

} // namespace

// The budget weighs every text a point carries, as the classification library does: a control of
// 1,000 leaves whose DOI holds a 60 KB ctlModel (each point, its device model and the cache once
// held a copy: 60 MB here, 481 MB for 8,000 leaves), and a data object type whose CDC text is 30 KB
// (copied into every leaf and point), are refused at once naming the IED and the budget; the same
// files with short texts are imported.
TEST_F(ScdImportBounds, TheTextsAPointCarriesWeighOnTheBudget) {
    const struct {
        std::string text;
        std::size_t points; // with short texts
        const char* refusal;
    } cases[] = {
        // 44 elements: the IED, its device, node, DOI and DAI, the node type and its object, the
        // object type and its attribute, and 4 structures of 31 parts.
        {ControlOfManyLeaves(10, 60'000), 1000,
         "导入SCD失败：装置(R)的测点超出上限(声明44个元素的文件至多20440个)!"},
        {RecorderFanOut(10, 5, 30'000, 0), 2430,
         "导入SCD失败：装置(R)的数据类型(F5)展开的数据超出上限(每个数据对象至多10000个节点)!"},
    };
    for (const auto& c : cases) {
        CConfigDoc doc;
        CSCDImport import;
        EXPECT_EQ(Load(doc, import, c.text), 0);
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.refusal});
        EXPECT_TRUE(doc.m_infoModels.empty());
    }
    for (const auto& [text, points] :
         {std::pair{ControlOfManyLeaves(10, 10), 1000u}, std::pair{RecorderFanOut(10, 5, 3, 0), 2430u}}) {
        CConfigDoc doc;
        CSCDImport import;
        ASSERT_EQ(Load(doc, import, text), 1);
        EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
        ASSERT_EQ(doc.m_infoModels.size(), 1u);
        EXPECT_EQ(doc.m_infoModels[0]->m_allPoints.size(), points);
    }
}

// The file's budget is what its elements justify, not its size: a recorder of 30 objects of
// 729 leaves each (21,870 points from 2 KB) is refused alike with and without a comment of 100 KB
// before its IED (which once raised the budget by 5,000 points and let it through).
TEST_F(ScdImportBounds, PaddingJustifiesNothing) {
    std::vector<std::string> refusals;
    for (const std::size_t padding : {std::size_t{0}, std::size_t{100'000}}) {
        CConfigDoc doc;
        CSCDImport import;
        EXPECT_EQ(Load(doc, import, RecorderFanOut(30, 6, 3, padding)), 0) << padding;
        ASSERT_EQ(prompts.Count(), 1u) << padding;
        refusals.push_back(prompts.Texts()[0]);
        EXPECT_TRUE(doc.m_infoModels.empty());
    }
    // The IED, its logical device and node, the node type and its 30 objects, the object type and
    // its attribute, and 7 structures of 19 parts: 62 elements.
    EXPECT_EQ(refusals[0], "导入SCD失败：装置(R)的测点超出上限(声明62个元素的文件至多20620个)!");
    EXPECT_EQ(refusals[1], refusals[0]);
}

namespace {

// IEDs of the given names, each with `lns` indication nodes of `objects` single-point objects
// under one data set, and one more node of a single object when `extra`.
std::string IndicationStation(const std::vector<std::string>& names, int lns, int objects, bool extra) {
    std::string text = "<?xml version=\"1.0\"?>\n<SCL><Communication><SubNetwork name=\"N\" type=\"8-MMS\">";
    for (const std::string& name : names)
        text += "<ConnectedAP iedName=\"" + name + "\" apName=\"S1\"/>";
    text += "</SubNetwork></Communication>";
    std::string nodes;
    for (int i = 1; i <= lns + (extra ? 1 : 0); ++i)
        nodes += "<LN lnClass=\"GGIO\" inst=\"" + std::to_string(i) + "\" lnType=\"" + (i > lns ? "H" : "G") +
                 "\"><DataSet name=\"ds\"><FCDA ldInst=\"LD\" lnClass=\"GGIO\" lnInst=\"" +
                 std::to_string(i) + "\" fc=\"ST\"/></DataSet></LN>";
    for (const std::string& name : names)
        text += "<IED name=\"" + name +
                "\" type=\"T\"><AccessPoint name=\"S1\"><Server><LDevice inst=\"LD\">" + nodes +
                "</LDevice></Server></AccessPoint></IED>";
    text += "<DataTypeTemplates><LNodeType id=\"G\" lnClass=\"GGIO\">";
    for (int k = 1; k <= objects; ++k)
        text += "<DO name=\"Ind" + std::to_string(k) + "\" type=\"S\"/>";
    return text +
           "</LNodeType><LNodeType id=\"H\" lnClass=\"GGIO\"><DO name=\"Ind1\" type=\"S\"/></LNodeType>"
           "<DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" fc=\"ST\"/></DOType>"
           "</DataTypeTemplates></SCL>\n";
}

} // namespace

// Groups of 200 indications take the numbers 1 to 254; 255 is the special indications' group. An
// IED of 50,800 indications fills 254 groups and is imported; one more indication would need a
// group 255 (once a second group 255, and 52,000 indications groups up to 260), and the file is
// refused naming the IED and the numbers.
TEST_F(ScdImportBounds, GroupNumbersStayBelowTheSpecialGroup) {
    platform::scl::TypeWalkLimits limits;
    limits.pointsBase = 200'000;
    for (const bool extra : {false, true}) {
        CConfigDoc doc;
        CSCDImport import;
        import.SetWalkLimits(limits);
        testsupport::WriteBytes(tmp / "groups.scd", IndicationStation({"R"}, 254, 200, extra));
        prompts.Clear();
        import.ImportSCD(doc, (tmp / "groups.scd").string());
        if (extra) {
            EXPECT_EQ(prompts.Texts(),
                      std::vector<std::string>{"导入SCD失败：装置(R)的测点需要编号至255的信息组，"
                                               "超出信息组号的范围(1-254)!"});
            EXPECT_EQ(doc.m_deviceModels.GetSize(), 0);
            continue;
        }
        EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
        ASSERT_EQ(doc.m_deviceModels.GetSize(), 1);
        const CDeviceTemplate& model = doc.m_deviceModels[0];
        ASSERT_EQ(model.m_groups.GetSize(), 255);
        EXPECT_EQ(model.m_groups[253].m_nGroupNo, 254);
        EXPECT_EQ(model.m_groups[253].m_entries.GetSize(), 200);
        EXPECT_EQ(model.m_groups[254].m_nGroupNo, 255);
        EXPECT_EQ(model.m_groups[254].m_strName, "特殊遥信");
    }
}

// IEDs whose names differ only in case would become one device model, the later ones' points
// replacing the first's: the first is imported, the others are left out and named in one box.
TEST_F(ScdImportBounds, NamesakeIedsAreLeftOutAndNamedInOneBox) {
    CConfigDoc doc;
    CSCDImport import;
    testsupport::WriteBytes(tmp / "names.scd", IndicationStation({"R", "S", "r", "R"}, 1, 2, false));
    import.ImportSCD(doc, (tmp / "names.scd").string());
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"SCD文件中有2个装置与前面的装置同名(不分大小写)，"
                                                        "只导入了前面的装置，未导入：r、R"});
    ASSERT_EQ(doc.m_infoModels.size(), 2u);
    EXPECT_EQ(doc.m_infoModels[0]->m_strName, "R");
    EXPECT_EQ(doc.m_infoModels[1]->m_strName, "S");
    EXPECT_EQ(doc.m_deviceModels.GetSize(), 2);
    EXPECT_EQ(doc.m_devices.GetSize(), 2);

    // The same models come back from the cache.
    CConfigDoc reopened;
    EXPECT_EQ(reopened.LoadIEDListFromSCD(), 1);
    EXPECT_EQ(reopened.m_deviceModels.GetSize(), 2);
}
