// The bounds of the SCD import that follow what a file declares: look-ups among an instance's
// children, the texts a point carries, the elements a file's budget is for, and the group numbers
// an IED's points take.
#include "points/SCDImport.h"

#include "projectmodel/ConfigDoc.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/ProjectContext.h"
#include "tests/support/CpuTime.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
