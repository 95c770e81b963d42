// The bounds of the SCD import: look-ups among an instance's children, the texts a point carries,
// the absolute ceilings whatever a file declares or how it is ordered, and the group numbers an
// IED's points take.
#include "points/SCDImport.h"

#include "platform/Archive.h"
#include "platform/FileFaults.h"

#include "projectmodel/ConfigDoc.h"
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ScdCacheBound.h"
#include "projectmodel/TextHelpers.h"
#include "tests/support/CpuTime.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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

// The ceilings weigh every text a point carries, as the classification library does: a control of
// 1,000 leaves whose DOI holds a 60 KB ctlModel (each point, its device model and the cache once
// held a copy: 60 MB here, 481 MB for 8,000 leaves), and a data object type whose CDC text is 30 KB
// (copied into every leaf and point), are refused at once naming the IED and the ceiling; the same
// files with short texts are imported.
TEST_F(ScdImportBounds, TheTextsAPointCarriesWeighOnTheBudget) {
    const struct {
        std::string text;
        std::size_t points; // with short texts
        const char* refusal;
    } cases[] = {
        // 1,000 points weighing 235 each.
        {ControlOfManyLeaves(10, 60'000), 1000, "导入SCD失败：装置(R)的测点超出上限(每个装置至多60000个)!"},
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

namespace {

// Padding of about `bytes` that no walk reaches: empty data attribute types among the types, and a
// logical node of a type the file lacks holding empty SDIs.
std::string Padded(std::string text, std::size_t bytes) {
    std::string types, sdis;
    for (std::size_t k = 0; types.size() < bytes / 2; ++k)
        types += "<DAType id=\"Pk" + std::to_string(k) + "\"/>";
    while (sdis.size() < bytes / 2)
        sdis += "<SDI/>";
    text.insert(text.find("<LDevice inst=\"LD\">") + 19,
                "<LN lnClass=\"GGIO\" inst=\"9\" lnType=\"Missing\">" + sdis + "</LN>");
    text.insert(text.find("<DataTypeTemplates>") + 19, types);
    return text;
}

} // namespace

// The ceilings are absolute and only what is walked for points counts: a recorder of 30 objects of
// 729 leaves each (21,870 points from 2 KB) is imported, and 1 MB of empty types and of empty SDIs
// under a node of a missing type walk nothing more and give nothing more; one of 90 such objects
// (65,610 points) is beyond an IED's ceiling and refused alike with the padding (which once
// raised the budget and let such files through).
TEST_F(ScdImportBounds, PaddingCostsNothingAndBuysNothing) {
    std::vector<std::pair<std::size_t, std::uint64_t>> walked; // points, nodes
    for (const std::size_t padding : {std::size_t{0}, std::size_t{1} << 20}) {
        SCOPED_TRACE(padding);
        CConfigDoc doc;
        CSCDImport import;
        ASSERT_EQ(Load(doc, import, Padded(RecorderFanOut(30, 6, 3, 0), padding)), 1);
        EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
        walked.emplace_back(import.PointsRead(), import.NodesWalked());

        CConfigDoc refused;
        EXPECT_EQ(Load(refused, import, Padded(RecorderFanOut(90, 6, 3, 0), padding)), 0);
        EXPECT_EQ(prompts.Texts(),
                  std::vector<std::string>{"导入SCD失败：装置(R)的测点超出上限(每个装置至多60000个)!"});
        EXPECT_TRUE(refused.m_infoModels.empty());
    }
    ASSERT_EQ(walked.size(), 2u);
    EXPECT_EQ(walked[0].first, 21'870u);
    EXPECT_GT(walked[0].second, walked[0].first);
    EXPECT_EQ(walked[1], walked[0]);
}

namespace {

// A station of `lean` measurement IEDs, whose 38 nodes carry no DOIs and whose data set names whole
// data objects (18 points per node from one FCDA per object: a WYE named so is 8 points), and
// `rich` IEDs of 40 indication nodes each with a described DOI, the lean ones first or last.
std::string LeanStation(int lean, int rich, bool leanFirst) {
    std::vector<std::string> names;
    for (int i = 0; i < lean; ++i)
        names.push_back("L" + std::to_string(i));
    for (int i = 0; i < rich; ++i)
        names.insert(leanFirst ? names.end() : names.begin() + i, "R" + std::to_string(i));
    std::string text = "<?xml version=\"1.0\"?>\n<SCL><Communication><SubNetwork name=\"N\" type=\"8-MMS\">";
    for (const std::string& name : names)
        text += "<ConnectedAP iedName=\"" + name + "\" apName=\"S1\"/>";
    text += "</SubNetwork></Communication>";
    std::string leanLns, richLns, leanSet, richSet;
    for (int k = 1; k <= 38; ++k) {
        leanLns += "<LN lnClass=\"MMXU\" inst=\"" + std::to_string(k) + "\" lnType=\"M\"/>";
        for (const char* object : {"PhV", "A", "Hz", "TotW"})
            leanSet += "<FCDA ldInst=\"LD\" lnClass=\"MMXU\" lnInst=\"" + std::to_string(k) +
                       "\" fc=\"MX\" doName=\"" + object + "\"/>";
    }
    for (int k = 1; k <= 40; ++k) {
        richLns += "<LN lnClass=\"GGIO\" inst=\"" + std::to_string(k) +
                   "\" lnType=\"G\"><DOI name=\"Ind\" desc=\"开入" + std::to_string(k) +
                   "\"><SDI name=\"x\"/><DAI name=\"stVal\"/></DOI></LN>";
        richSet += "<FCDA ldInst=\"LD\" lnClass=\"GGIO\" lnInst=\"" + std::to_string(k) +
                   "\" fc=\"ST\" doName=\"Ind\"/>";
    }
    for (const std::string& name : names) {
        const bool isLean = name[0] == 'L';
        text += "<IED name=\"" + name +
                "\" type=\"T\"><AccessPoint name=\"S1\"><Server><LDevice inst=\"LD\">" +
                "<LN0 lnClass=\"LLN0\" inst=\"\" lnType=\"Z\"><DataSet name=\"ds\">" +
                (isLean ? leanSet : richSet) + "</DataSet></LN0>" + (isLean ? leanLns : richLns) +
                "</LDevice></Server></AccessPoint></IED>";
    }
    return text + "<DataTypeTemplates><LNodeType id=\"Z\" lnClass=\"LLN0\"/>"
                  "<LNodeType id=\"M\" lnClass=\"MMXU\"><DO name=\"PhV\" type=\"W\"/><DO name=\"A\" "
                  "type=\"W\"/><DO name=\"Hz\" type=\"V\"/><DO name=\"TotW\" type=\"V\"/></LNodeType>"
                  "<LNodeType id=\"G\" lnClass=\"GGIO\"><DO name=\"Ind\" type=\"S\"/></LNodeType>"
                  "<DOType id=\"W\" cdc=\"WYE\"><SDO name=\"phsA\" type=\"C\"/><SDO name=\"phsB\" "
                  "type=\"C\"/><SDO name=\"phsC\" type=\"C\"/><SDO name=\"neut\" type=\"C\"/></DOType>"
                  "<DOType id=\"C\" cdc=\"CMV\"><DA name=\"cVal\" bType=\"Struct\" type=\"Vec\" fc=\"MX\"/>"
                  "</DOType><DOType id=\"V\" cdc=\"MV\"><DA name=\"mag\" bType=\"Struct\" type=\"AV\" "
                  "fc=\"MX\"/></DOType><DOType id=\"S\" cdc=\"SPS\"><DA name=\"stVal\" bType=\"BOOLEAN\" "
                  "fc=\"ST\"/></DOType><DAType id=\"Vec\"><BDA name=\"mag\" bType=\"Struct\" type=\"AV\"/>"
                  "<BDA name=\"ang\" bType=\"Struct\" type=\"AV\"/></DAType><DAType id=\"AV\"><BDA "
                  "name=\"f\" bType=\"FLOAT32\"/></DAType></DataTypeTemplates></SCL>\n";
}

} // namespace

// A station of 300 lean IEDs (684 points from 40 nodes each, far more than ten points per element
// it declares) and 100 rich ones is imported whole whichever come first, with the same models:
// the order of a file decides nothing (lean IEDs first were once refused part way).
TEST_F(ScdImportBounds, LeanStationsImportWholeInEitherOrder) {
    std::map<std::string, std::string> first;
    for (const bool leanFirst : {true, false}) {
        SCOPED_TRACE(leanFirst);
        CConfigDoc doc;
        CSCDImport import;
        testsupport::WriteBytes(tmp / "lean.scd", LeanStation(300, 100, leanFirst));
        prompts.Clear();
        import.ImportSCD(doc, (tmp / "lean.scd").string());
        EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
        EXPECT_EQ(import.PointsRead(), std::size_t{300 * 38 * 18 + 100 * 40});
        ASSERT_EQ(doc.m_deviceModels.GetSize(), 400);
        std::map<std::string, std::string> models;
        for (const CDeviceTemplate& model : doc.m_deviceModels) {
            platform::CArchive ar;
            model.Store(ar);
            models[model.m_strName] = ar.Bytes();
        }
        if (leanFirst)
            first = std::move(models);
        else
            EXPECT_TRUE(models == first);
    }
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
    for (const bool extra : {false, true}) {
        CConfigDoc doc;
        CSCDImport import;
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

namespace {

// The device models an import filed, each stored as the cache stores it, by name.
std::map<std::string, std::string> StoredModels(const CConfigDoc& doc) {
    std::map<std::string, std::string> models;
    for (const CDeviceTemplate& model : doc.m_deviceModels) {
        platform::CArchive ar;
        model.Store(ar);
        models[model.m_strName] = ar.Bytes();
    }
    return models;
}

} // namespace

// Eight threads walking IEDs of thousands of points each hold no more at once than the walks' ceiling
// allows (twice the ceiling, the first IED's points and a batch per thread), where unchecked they
// would hold eight IEDs' points; the models are the same as one thread's. An IED refused for its
// group numbers stops the walks of the IEDs after it, so that a file of a few KB cannot make the
// threads hold one huge IED each.
TEST_F(ScdImportBounds, ThreadsWalkingHugeIedsHoldNoMoreThanTheCeiling) {
    constexpr std::uint64_t kCeiling = 4096;
    constexpr std::uint64_t kIedPoints = 40 * 200;
    std::vector<std::string> names;
    for (int i = 0; i < 16; ++i)
        names.push_back("R" + std::to_string(i));
    testsupport::WriteBytes(tmp / "huge.scd", IndicationStation(names, 40, 200, false));
    std::map<std::string, std::string> oneThread;
    for (const std::size_t threads : {std::size_t{1}, std::size_t{8}}) {
        SCOPED_TRACE(threads);
        CConfigDoc doc;
        CSCDImport import;
        import.SetThreads(threads);
        import.SetHeldCeiling(kCeiling);
        prompts.Clear();
        import.ImportSCD(doc, (tmp / "huge.scd").string());
        EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
        EXPECT_EQ(import.PointsRead(), 16 * kIedPoints);
        EXPECT_LE(import.MostHeld(), 2 * kCeiling + kIedPoints + threads * 1024);
        if (threads == 1)
            oneThread = StoredModels(doc);
        else
            EXPECT_TRUE(StoredModels(doc) == oneThread);
    }

    // The first IED needs a group 255: the file is refused for it, and the walks after it stop
    // instead of each going on to its end.
    CConfigDoc doc;
    CSCDImport import;
    import.SetThreads(8);
    import.SetHeldCeiling(kCeiling);
    testsupport::WriteBytes(tmp / "refused.scd", IndicationStation(names, 255, 200, false));
    prompts.Clear();
    import.ImportSCD(doc, (tmp / "refused.scd").string());
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"导入SCD失败：装置(R0)的测点需要编号至255的信息组，"
                                                        "超出信息组号的范围(1-254)!"});
    EXPECT_EQ(doc.m_deviceModels.GetSize(), 0);
    EXPECT_LE(import.MostHeld(), 2 * kCeiling + 255 * 200 + 8 * 1024);
}

// A cache of a few MB is read a piece at a time and gives back the very models the import filed;
// a piece past the first that cannot be read is told as the file's failed read (not as a damaged
// cache), and nothing is taken from it.
TEST_F(ScdImportBounds, ABigCacheIsReadInPiecesAndAFailedPieceIsTold) {
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i)
        names.push_back("R" + std::to_string(i));
    testsupport::WriteBytes(tmp / "big.scd", IndicationStation(names, 40, 200, false));
    CConfigDoc doc;
    CSCDImport import;
    import.ImportSCD(doc, (tmp / "big.scd").string());
    ASSERT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
    const fs::path file = CSCDImport::CacheFilePath();
    const std::string cache = testsupport::ReadBytes(file);
    ASSERT_GT(cache.size(), std::size_t{2} << 20);

    CConfigDoc reopened;
    EXPECT_EQ(reopened.LoadIEDListFromSCD(), 1);
    EXPECT_TRUE(StoredModels(reopened) == StoredModels(doc));

    // The tail is read first, then the pieces: the third read is the second piece.
    prompts.Clear();
    CConfigDoc cut;
    projectmodel::CUnreadFiles unread;
    {
        platform::CFileFaults faults;
        faults.FailNth(
            platform::FileStep::Read, 3, [&](const fs::path& p) { return p == file; }, EIO);
        EXPECT_EQ(cut.LoadIEDListFromSCD(), 0);
        EXPECT_EQ(faults.Failed(platform::FileStep::Read), 1);
    }
    EXPECT_EQ(unread.Count(), 1);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"读取文件 " + file.string() + " 失败!\n" + platform::ErrorText(EIO)});
    EXPECT_EQ(cut.m_deviceModels.GetSize(), 0);
    EXPECT_EQ(testsupport::ReadBytes(file), cache);
}

// IEDs whose logical devices hold a node of a missing type padded with 64,000 empty SDIs each: the
// tree of each is parsed only while the trees and points the other walks hold leave room for it,
// so that eight threads parse one such tree at a time here instead of six at once; the models are
// those of one thread.
TEST_F(ScdImportBounds, ThreadsParseHugeIedTreesOneAfterAnotherWithinTheCeiling) {
    std::vector<std::string> names;
    for (int i = 0; i < 6; ++i)
        names.push_back("R" + std::to_string(i));
    std::string text = IndicationStation(names, 2, 3, false);
    std::string sdis;
    for (int k = 0; k < 64'000; ++k)
        sdis += "<SDI/>";
    // Kept in the tree: the SDIs of a DOI of a node of a defined type are what the walk reads.
    const std::string padding =
        "<LN lnClass=\"GGIO\" inst=\"99\" lnType=\"G\"><DOI name=\"Spare\">" + sdis + "</DOI></LN>";
    for (std::size_t at = text.find("<LDevice inst=\"LD\">"); at != std::string::npos;
         at = text.find("<LDevice inst=\"LD\">", at + padding.size()))
        text.insert(at + 19, padding);
    testsupport::WriteBytes(tmp / "trees.scd", text);
    // A tree of 64,000 elements weighs 8,000 points; the rest of an IED's tags weigh a few more.
    constexpr std::uint64_t kTree = 64'000 / 8;
    constexpr std::uint64_t kTreeAndTheRest = kTree + 8;
    std::map<std::string, std::string> oneThread;
    for (const std::size_t threads : {std::size_t{1}, std::size_t{8}}) {
        SCOPED_TRACE(threads);
        CConfigDoc doc;
        CSCDImport import;
        import.SetThreads(threads);
        import.SetHeldCeiling(4096);
        prompts.Clear();
        import.ImportSCD(doc, (tmp / "trees.scd").string());
        EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
        ASSERT_EQ(doc.m_deviceModels.GetSize(), 6);
        EXPECT_GE(import.MostHeld(), kTree);
        EXPECT_LT(import.MostHeld(), 2 * kTreeAndTheRest);
        if (threads == 1)
            oneThread = StoredModels(doc);
        else
            EXPECT_TRUE(StoredModels(doc) == oneThread);
    }
}

namespace {

// The station with text inserted after the start tag of every logical device.
std::string IntoEachDevice(std::string text, const std::string& insert) {
    for (std::size_t at = text.find("<LDevice inst=\"LD\">"); at != std::string::npos;
         at = text.find("<LDevice inst=\"LD\">", at + insert.size()))
        text.insert(at + 19, insert);
    return text;
}

std::string Repeated(const std::string& piece, int times) {
    std::string text;
    text.reserve(piece.size() * static_cast<std::size_t>(times));
    for (int k = 0; k < times; ++k)
        text += piece;
    return text;
}

} // namespace

// Padding the walk never reads is left out of each IED's tree before it is parsed: a node of a
// missing type padded with 64,000 SDIs (directly or in a DOI), elements of no interest below the
// logical device, and a megabyte of data types nothing refers to. The trees weigh next to nothing
// (parsed whole, each weighed 8,000 points), and the models and the cache are those of the station
// without the padding. Padding that does not parse refuses the file as it did.
TEST_F(ScdImportBounds, PaddingTheWalkNeverReadsIsLeftOutOfTheTrees) {
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i)
        names.push_back("R" + std::to_string(i));
    const std::string plain = IndicationStation(names, 2, 3, false);
    const std::string sdis = Repeated("<SDI/>", 64'000);
    std::string padded = IntoEachDevice(
        plain, "<LN lnClass=\"GGIO\" inst=\"8\" lnType=\"Missing\">" + sdis + "</LN>" +
                   "<LN lnClass=\"GGIO\" inst=\"9\" lnType=\"Missing\"><DOI name=\"Ind1\">" + sdis +
                   "</DOI></LN><Private type=\"x\">" + Repeated("<P a=\"1\">t</P>\n", 20'000) + "</Private>");
    padded.insert(padded.find("<DataTypeTemplates>") + 19, Repeated("<DAType id=\"Pk\"/>", 60'000));

    const auto import = [&](const std::string& text, std::size_t threads, std::string* cache) {
        testsupport::WriteBytes(tmp / "padded.scd", text);
        CConfigDoc doc;
        CSCDImport scd;
        scd.SetThreads(threads);
        prompts.Clear();
        scd.ImportSCD(doc, (tmp / "padded.scd").string());
        if (cache)
            *cache = testsupport::ReadBytes(CSCDImport::CacheFilePath());
        EXPECT_LT(scd.MostHeld(), std::uint64_t{1000});
        return StoredModels(doc);
    };
    std::string plainCache;
    const std::map<std::string, std::string> expected = import(plain, 1, &plainCache);
    ASSERT_EQ(expected.size(), names.size());
    for (const std::size_t threads : {std::size_t{1}, std::size_t{8}}) {
        SCOPED_TRACE(threads);
        std::string cache;
        EXPECT_TRUE(import(padded, threads, &cache) == expected);
        EXPECT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
        // The cache records the size of the file it was made from in its trailer.
        constexpr std::size_t kTrailer = CScdCacheBound::kTrailerBytes;
        ASSERT_GT(cache.size(), kTrailer);
        ASSERT_GT(plainCache.size(), kTrailer);
        EXPECT_TRUE(cache.substr(0, cache.size() - kTrailer) ==
                    plainCache.substr(0, plainCache.size() - kTrailer));
    }

    // A malformed element deep in padding that is left out, in an IED or among the unused types.
    for (const std::string& bad : {std::string("<SDI a=1/>"), std::string("<SDI></SDO>")}) {
        for (const bool inTypes : {false, true}) {
            SCOPED_TRACE(bad + (inTypes ? " among the types" : " in an IED"));
            std::string broken = padded;
            if (inTypes)
                broken.insert(broken.find("<DAType id=\"Pk\"/>") + 17 * 30'000,
                              "<DAType id=\"Pk\">" + bad + "</DAType>");
            else
                broken.insert(broken.find("<SDI/>", broken.find("lnType=\"Missing\"")) + 6 * 50'000, bad);
            CConfigDoc doc;
            CSCDImport scd;
            testsupport::WriteBytes(tmp / "broken.scd", broken);
            prompts.Clear();
            scd.ImportSCD(doc, (tmp / "broken.scd").string());
            EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"导入SCD失败：解析文件失败!"});
            EXPECT_EQ(doc.m_deviceModels.GetSize(), 0);
        }
    }
}

// An IED of 18,000 points, whose model is stored into the cache file a piece at a time when it is
// filed: the cache reads back as the models imported, on one thread or eight.
TEST_F(ScdImportBounds, AModelOfManyPointsIsStoredIntoTheCacheAsItIsFiled) {
    testsupport::WriteBytes(tmp / "many.scd", IndicationStation({"R0", "R1"}, 90, 200, false));
    std::string oneThread;
    for (const std::size_t threads : {std::size_t{1}, std::size_t{8}}) {
        SCOPED_TRACE(threads);
        CConfigDoc doc;
        CSCDImport import;
        import.SetThreads(threads);
        prompts.Clear();
        import.ImportSCD(doc, (tmp / "many.scd").string());
        ASSERT_TRUE(prompts.Texts().empty()) << prompts.Texts()[0];
        ASSERT_EQ(doc.m_deviceModels.GetSize(), 2);
        CConfigDoc reopened;
        EXPECT_EQ(reopened.LoadIEDListFromSCD(), 1);
        EXPECT_TRUE(StoredModels(reopened) == StoredModels(doc));
        const std::string cache = testsupport::ReadBytes(CSCDImport::CacheFilePath());
        if (threads == 1)
            oneThread = cache;
        else
            EXPECT_EQ(cache, oneThread);
    }
}
