#include "platform/Gbk.h"
#include "platform/scl/ChildIndex.h"
#include "platform/scl/SclScan.h"
#include "platform/scl/SCLService.h"
#include "platform/Text.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <thread>

#include <set>
#include <string>
#include <vector>

using platform::CSCLService;
using platform::scl::CtBase;
using platform::scl::CtEleList;
using platform::scl::EleID;
using testsupport::TempDir;
using testsupport::TestDataDir;
using testsupport::WriteBytes;

namespace {

std::string SclFile(const char* name) {
    return (TestDataDir() / "scl" / name).string();
}

std::vector<std::string> Attrs(const CtEleList& list, const char* attr) {
    std::vector<std::string> out;
    for (const CtBase& e : list)
        out.push_back(e.GetAttrValByName(attr));
    return out;
}

// Loads a document given as text; the text is written to a file first.
class SclText {
public:
    explicit SclText(const std::string& bytes) {
        WriteBytes(dir_ / "f.scd", bytes);
        service.SetXmlFileName((dir_ / "f.scd").string());
        result = service.LoadFromXmlFile();
    }
    CSCLService service;
    int result = 0;

private:
    TempDir dir_;
};

class StationScd : public ::testing::Test {
protected:
    void SetUp() override {
        service_.SetXmlFileName(SclFile("station.scd"));
        ASSERT_NE(0, service_.LoadFromXmlFile()) << service_.GetErrorText();
        root_ = service_.GetRoot();
        ASSERT_TRUE(root_);
    }
    CtBase Ied(const char* name) {
        CtEleList ieds;
        root_.FindEleListByID(EleID::IED, ieds, false);
        for (const CtBase& ied : ieds)
            if (ied.GetAttrValByName("name") == name)
                return ied;
        return {};
    }
    CSCLService service_;
    CtBase root_;
};

} // namespace

TEST(SclService, EveryKindHasItsOwnElementName) {
    std::set<std::string> names;
    for (int i = 0; i < static_cast<int>(EleID::Count); ++i) {
        std::string name = platform::scl::EleName(static_cast<EleID>(i));
        EXPECT_FALSE(name.empty()) << i;
        names.insert(name);
    }
    EXPECT_EQ(static_cast<std::size_t>(EleID::Count), names.size());
    EXPECT_STREQ("DataTypeTemplates", platform::scl::EleName(EleID::DataTypeTemplates));
    EXPECT_STREQ("", platform::scl::EleName(EleID::Count));
}

TEST_F(StationScd, IedsAreTheRootsChildrenInFileOrderWithTheirAttributes) {
    EXPECT_EQ("SCL", root_.GetEleName());
    EXPECT_FALSE(service_.IsGbk());
    CtEleList ieds;
    EXPECT_EQ(4, root_.FindEleListByID(EleID::IED, ieds, false));
    EXPECT_EQ((std::vector<std::string>{"PL2201", "CL2201", "CT1", "IL2201"}), Attrs(ieds, "name"));
    EXPECT_EQ((std::vector<std::string>{"QXL811", "QXC901", "", "QXI100"}), Attrs(ieds, "type"));
    EXPECT_EQ((std::vector<std::string>{"IED/PL2201.cid", "IED/CL2201.cid", "", ""}),
              Attrs(ieds, "rScl:uri"));
    EXPECT_EQ("220kV线路一保护", ieds[0].GetAttrValByName("desc"));
    // Attribute names are exact: the prefix belongs to the name.
    EXPECT_EQ("", ieds[0].GetAttrValByName("uri"));
    EXPECT_EQ("", ieds[0].GetAttrValByName("Name"));
    // In one pass, a name asked twice gets the value twice; a null handle gives empty texts.
    const std::string_view names[] = {"type", "Name", "name", "type"};
    std::string values[4];
    ieds[1].GetAttrVals(names, values, 4);
    EXPECT_EQ((std::vector<std::string>{"QXC901", "", "CL2201", "QXC901"}),
              std::vector<std::string>(values, values + 4));
    CtBase().GetAttrVals(names, values, 4);
    EXPECT_EQ((std::vector<std::string>(4)), std::vector<std::string>(values, values + 4));

    // A generic walk of the root's children sees the same IEDs among the other sections.
    std::vector<std::string> children;
    for (const CtBase& child : root_.GetChildEles())
        children.push_back(child.GetEleName());
    EXPECT_EQ((std::vector<std::string>{"Header", "Substation", "Communication", "IED", "IED", "IED", "IED",
                                        "DataTypeTemplates"}),
              children);
}

TEST_F(StationScd, FindOneLooksAtChildrenUnlessRecursive) {
    CtBase templates = root_.FindOneEleByID(EleID::DataTypeTemplates, false);
    ASSERT_TRUE(templates);
    EXPECT_TRUE(root_.FindOneEleByID(EleID::Communication, false));
    // SettingControl lies four levels below the IED.
    CtBase pl = Ied("PL2201");
    EXPECT_FALSE(pl.FindOneEleByID(EleID::SettingControl, false));
    CtBase sg = pl.FindOneEleByID(EleID::SettingControl, true);
    ASSERT_TRUE(sg);
    EXPECT_EQ("4", sg.GetAttrValByName("numOfSGs"));
    // The first in document order: the LN0 of the first logical device.
    CtBase ln0 = pl.FindOneEleByID(EleID::LN0, true);
    ASSERT_TRUE(ln0);
    EXPECT_TRUE(ln0.FindOneEleByID(EleID::SettingControl, false));
    EXPECT_FALSE(CtBase().FindOneEleByID(EleID::IED, true));
    EXPECT_FALSE(Ied("CT1").FindOneEleByID(EleID::SettingControl, true));
}

TEST_F(StationScd, ListsAppendInDocumentOrderAtAnyDepth) {
    CtBase pl = Ied("PL2201");
    CtEleList fcdas;
    EXPECT_EQ(0, pl.FindEleListByID(EleID::FCDA, fcdas, false));
    EXPECT_EQ(5, pl.FindEleListByID(EleID::FCDA, fcdas, true));
    EXPECT_EQ((std::vector<std::string>{"general", "", "general", "cVal.mag.f", "cVal.mag.f"}),
              Attrs(fcdas, "daName"));
    // The list is not emptied: the next IED's members follow.
    EXPECT_EQ(5, Ied("CL2201").FindEleListByID(EleID::FCDA, fcdas, true) - 3);
    EXPECT_EQ(13u, fcdas.size());

    CtEleList aps;
    EXPECT_EQ(2, pl.FindEleListByID(EleID::AccessPoint, aps, false));
    CtEleList lds;
    EXPECT_EQ(2, aps[0].FindEleListByID(EleID::LDevice, lds, true));
    EXPECT_EQ((std::vector<std::string>{"PROT", "RCD"}), Attrs(lds, "inst"));
    CtEleList lns;
    lds[0].FindEleListByID(EleID::LN, lns, true);
    EXPECT_EQ((std::vector<std::string>{"PDIS", "PTOC", "MMXU", "GGIO", "GGIO"}), Attrs(lns, "lnClass"));
    EXPECT_EQ((std::vector<std::string>{"", "", "Prot", "", ""}), Attrs(lns, "prefix"));
    EXPECT_EQ("", lns[3].GetAttrValByName("lnType"));

    // Subnetworks and their access points, as the communication section is read.
    CtBase comm = root_.FindOneEleByID(EleID::Communication, false);
    CtEleList subnets;
    comm.FindEleListByID(EleID::SubNetwork, subnets, false);
    EXPECT_EQ((std::vector<std::string>{"8-MMS", "IECGOOSE"}), Attrs(subnets, "type"));
    CtEleList caps;
    subnets[0].FindEleListByID(EleID::ConnectedAP, caps, false);
    EXPECT_EQ((std::vector<std::string>{"PL2201", "CL2201", "CT1"}), Attrs(caps, "iedName"));
}

TEST_F(StationScd, TypeChildrenByNameAndValuesOfValElements) {
    CtBase templates = root_.FindOneEleByID(EleID::DataTypeTemplates, false);
    EXPECT_EQ(13u, templates.GetEleByName("LNodeType").size());
    CtEleList doTypes = templates.GetEleByName("DOType");
    EXPECT_EQ(15u, doTypes.size());
    EXPECT_EQ(6u, templates.GetEleByName("DAType").size());
    EXPECT_TRUE(templates.GetEleByName("Nothing").empty());

    const CtBase* wye = nullptr;
    for (const CtBase& t : doTypes)
        if (t.GetAttrValByName("id") == "QX_WYE")
            wye = &t;
    ASSERT_NE(nullptr, wye);
    EXPECT_EQ("WYE", wye->GetAttrValByName("cdc"));
    EXPECT_TRUE(wye->GetEleByName("DA").empty());
    EXPECT_EQ((std::vector<std::string>{"phsA", "phsB", "phsC"}), Attrs(wye->GetEleByName("SDO"), "name"));

    // DOI / SDI / DAI / Val: descriptions and control models as the import reads them.
    CtBase pl = Ied("PL2201");
    CtEleList dais;
    pl.FindEleListByID(EleID::DAI, dais, true);
    ASSERT_EQ(3u, dais.size());
    EXPECT_EQ("ctlModel", dais[0].GetAttrValByName("name"));
    EXPECT_EQ("status-only", dais[0].FindOneEleByID(EleID::Val, false).GetValue());
    EXPECT_EQ("接地距离Ⅰ段动作", dais[1].FindOneEleByID(EleID::Val, false).GetValue());
    EXPECT_EQ("保护B相电流", dais[2].FindOneEleByID(EleID::Val, false).GetValue());
    CtEleList sdis;
    pl.FindEleListByID(EleID::SDI, sdis, true);
    EXPECT_EQ((std::vector<std::string>{"保护A相电流", ""}), Attrs(sdis, "desc"));
    EXPECT_EQ("", CtBase().GetValue());
    EXPECT_EQ("", CtBase().GetAttrValByName("name"));

    // A child by the value of an attribute, without regard to case: children only, first match.
    EXPECT_TRUE(wye->FindChildByAttrNoCase(EleID::SDO, "name", "PHSB") == wye->GetEleByName("SDO")[1]);
    EXPECT_FALSE(wye->FindChildByAttrNoCase(EleID::SDO, "name", "phs"));
    EXPECT_FALSE(pl.FindChildByAttrNoCase(EleID::DAI, "name", "ctlModel")); // not a child of the IED
    EXPECT_FALSE(CtBase().FindChildByAttrNoCase(EleID::SDO, "name", ""));
}

TEST(SclService, CidFileNestedSubInstancesAndMissingTemplates) {
    CSCLService service;
    service.SetLoadMode(1);
    service.SetXmlFileName(SclFile("QXB610.cid"));
    ASSERT_EQ(1, service.LoadFromXmlFile());
    EXPECT_EQ(1, service.GetLoadMode());
    CtBase ied = service.GetRoot().FindOneEleByID(EleID::IED, false);
    ASSERT_TRUE(ied);
    EXPECT_EQ("PB1101", ied.GetAttrValByName("name"));
    CtEleList sdis;
    ied.FindEleListByID(EleID::SDI, sdis, true);
    // The SDI inside an SDI is found too, after its parent.
    EXPECT_EQ((std::vector<std::string>{"phsA", "cVal", "phsB"}), Attrs(sdis, "name"));
    EXPECT_EQ(1u, sdis[0].GetEleByName("SDI").size());
    EXPECT_TRUE(service.GetRoot().FindOneEleByID(EleID::DataTypeTemplates, false));

    service.SetXmlFileName(SclFile("NoTemplates.icd"));
    ASSERT_EQ(1, service.LoadFromXmlFile());
    EXPECT_TRUE(service.GetRoot().FindOneEleByID(EleID::IED, false));
    EXPECT_FALSE(service.GetRoot().FindOneEleByID(EleID::DataTypeTemplates, false));
}

TEST(SclService, LoadFailuresLeaveNoRootAndSayWhy) {
    CSCLService service;
    EXPECT_EQ(0, service.LoadFromXmlFile());
    EXPECT_FALSE(service.GetRoot());

    TempDir dir;
    service.SetXmlFileName((dir / "missing.scd").string());
    EXPECT_EQ(0, service.LoadFromXmlFile());
    EXPECT_NE(std::string::npos, service.GetErrorText().find("missing.scd"));

    service.SetXmlFileName(dir.Path().string());
    EXPECT_EQ(0, service.LoadFromXmlFile());

    // A load that fails after a good one drops the old document.
    service.SetXmlFileName(SclFile("station.scd"));
    ASSERT_EQ(1, service.LoadFromXmlFile());
    EXPECT_TRUE(service.GetErrorText().empty());
    WriteBytes(dir / "bad.scd", "<?xml version=\"1.0\"?>\n<SCL>\n  <IED name=\"a\">\n  </LN>\n</SCL>\n");
    service.SetXmlFileName((dir / "bad.scd").string());
    EXPECT_EQ(0, service.LoadFromXmlFile());
    EXPECT_FALSE(service.GetRoot());
    EXPECT_NE(std::string::npos, service.GetErrorText().find("第4行")) << service.GetErrorText();

    for (const char* text : {"", "   ", "<SCL><IED></SCL>", "<SCL>", "<?xml version=\"1.0\"?>",
                             "<SCL/><SCL/>", "<SCL/><!-- x --><IED/>"}) {
        SclText doc(text);
        EXPECT_EQ(0, doc.result) << text;
        EXPECT_FALSE(doc.service.GetRoot()) << text;
        EXPECT_FALSE(doc.service.GetErrorText().empty()) << text;
    }
    // Well-formed XML that is not SCL.
    SclText other("<?xml version=\"1.0\"?><Project><IED name=\"x\"/></Project>");
    EXPECT_EQ(0, other.result);
    EXPECT_NE(std::string::npos, other.service.GetErrorText().find("Project"));
    // A reader of any XML file asks for no particular root.
    other.service.SetRootName("");
    ASSERT_EQ(1, other.service.LoadFromXmlFile());
    EXPECT_EQ("Project", other.service.GetRoot().GetEleName());
    EXPECT_EQ("x", other.service.GetRoot().FindOneEleByID(EleID::IED, false).GetAttrValByName("name"));
    other.service.SetRootName("Project");
    EXPECT_EQ(1, other.service.LoadFromXmlFile());

    service.Clear();
    EXPECT_FALSE(service.GetRoot());
}

TEST(SclService, EncodingsPrefixesEntitiesAndWhitespace) {
    // A GBK file: texts come out as UTF-8.
    std::string gbk = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<SCL><IED name=\"P1\" desc=\"" +
                      platform::ToGbk("线路保护") + "\"><DAI name=\"dU\"><Val>" + platform::ToGbk("距离Ⅰ段") +
                      "</Val></DAI></IED></SCL>";
    SclText g(gbk);
    ASSERT_EQ(1, g.result) << g.service.GetErrorText();
    EXPECT_TRUE(g.service.IsGbk());
    CtBase ied = g.service.GetRoot().FindOneEleByID(EleID::IED, false);
    EXPECT_EQ("线路保护", ied.GetAttrValByName("desc"));
    EXPECT_EQ("距离Ⅰ段", ied.FindOneEleByID(EleID::Val, true).GetValue());
    // Several values in one pass read as one by one: converted, and empty when absent.
    const std::string_view names[] = {"desc", "type", "name"};
    std::string values[3] = {"old", "old", "old"};
    ied.GetAttrVals(names, values, 3);
    EXPECT_EQ((std::vector<std::string>{"线路保护", "", "P1"}), std::vector<std::string>(values, values + 3));
    // As views: a converted value lives in its text, a name asked twice views the same value.
    const std::string_view twice[] = {"desc", "type", "desc", "name"};
    std::string_view views[4];
    std::string texts[4];
    ied.GetAttrViews(twice, views, texts, 4);
    EXPECT_EQ((std::vector<std::string_view>{"线路保护", "", "线路保护", "P1"}),
              std::vector<std::string_view>(views, views + 4));
    EXPECT_EQ(views[0].data(), texts[0].data());
    // GBK values are compared as the UTF-8 texts; an absent attribute matches an empty value.
    const CtBase gbkRoot = g.service.GetRoot();
    EXPECT_TRUE(gbkRoot.FindChildByAttrNoCase(EleID::IED, "desc", "线路保护") == ied);
    EXPECT_TRUE(ied.FindChildByAttrNoCase(EleID::DAI, "name", "DU"));
    EXPECT_TRUE(gbkRoot.FindChildByAttrNoCase(EleID::IED, "type", "") == ied);

    // A byte-order mark, a namespace prefix on every element, entities and padded values.
    SclText p("\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?>\n"
              "<scl:SCL xmlns:scl=\"http://www.iec.ch/61850/2003/SCL\">"
              "<scl:IED name=\"A&amp;B\" desc=\"&lt;1&gt;\"><scl:DAI><scl:Val>\n  on  \n</scl:Val>"
              "</scl:DAI></scl:IED><![CDATA[x]]><!-- note --><IED name=\"second\"/></scl:SCL>");
    ASSERT_EQ(1, p.result) << p.service.GetErrorText();
    EXPECT_FALSE(p.service.IsGbk());
    CtBase root = p.service.GetRoot();
    EXPECT_EQ("scl:SCL", root.GetEleName());
    CtEleList ieds;
    EXPECT_EQ(2, root.FindEleListByID(EleID::IED, ieds, false));
    EXPECT_EQ("A&B", ieds[0].GetAttrValByName("name"));
    EXPECT_EQ("<1>", ieds[0].GetAttrValByName("desc"));
    EXPECT_EQ("on", ieds[0].FindOneEleByID(EleID::Val, true).GetValue());
    // A prefixed name asked for matches only that prefix.
    EXPECT_EQ(1u, root.GetEleByName("scl:IED").size());
    EXPECT_EQ(2u, root.GetEleByName("IED").size());
    EXPECT_EQ(2u, root.GetChildEles().size());
    EXPECT_TRUE(ieds[0].IsNamed("IED") && ieds[0].IsNamed("scl:IED") && ieds[1].IsNamed("IED"));
    EXPECT_FALSE(ieds[1].IsNamed("scl:IED") || ieds[0].IsNamed("ED") || ieds[0].IsNamed(""));

    // Several names found in one pass as one by one; "xIED" and "a:xIED" are not IEDs.
    SclText m("<SCL><a:b:IED><DAI/><xIED><IED/></xIED></a:b:IED><a:xIED/><DAI/></SCL>");
    ASSERT_EQ(1, m.result) << m.service.GetErrorText();
    const std::string_view kinds[] = {"IED", "DAI", ""};
    CtEleList found[3];
    CtEleList* const lists[] = {&found[0], &found[1], &found[2]};
    m.service.GetRoot().FindEleListsByName(kinds, lists, 3, true);
    for (std::size_t k = 0; k < 2; ++k) {
        CtEleList one;
        m.service.GetRoot().FindEleListByName(kinds[k], one, true);
        EXPECT_EQ(one, found[k]) << kinds[k];
    }
    ASSERT_EQ(2u, found[0].size());
    EXPECT_EQ(2u, found[1].size());
    EXPECT_TRUE(found[2].empty());
    EXPECT_EQ("a:b:IED", found[0][0].GetEleName());
}

TEST(SclService, DeepNestingIsWalkedWithoutRecursion) {
    std::string text = "<SCL>";
    for (int i = 0; i < 20000; ++i)
        text += "<Private>";
    text += "<FCDA doName=\"deep\"/>";
    for (int i = 0; i < 20000; ++i)
        text += "</Private>";
    text += "<FCDA doName=\"top\"/></SCL>";
    SclText doc(text);
    ASSERT_EQ(1, doc.result) << doc.service.GetErrorText();
    CtEleList list;
    EXPECT_EQ(2, doc.service.GetRoot().FindEleListByID(EleID::FCDA, list, true));
    EXPECT_EQ((std::vector<std::string>{"deep", "top"}), Attrs(list, "doName"));
    EXPECT_EQ("top", doc.service.GetRoot().FindOneEleByID(EleID::FCDA, false).GetAttrValByName("doName"));
}

TEST(SclService, TheLibrarysIcdFileLoads) {
    CSCLService service;
    service.SetXmlFileName((testsupport::IniDir() / "二次装置" / "QXB610.icd").string());
    ASSERT_EQ(1, service.LoadFromXmlFile()) << service.GetErrorText();
    CtBase ied = service.GetRoot().FindOneEleByID(EleID::IED, false);
    EXPECT_EQ("TEMPLATE", ied.GetAttrValByName("name"));
    EXPECT_EQ("QXB610", ied.GetAttrValByName("type"));
    CtEleList lds;
    EXPECT_EQ(3, ied.FindEleListByID(EleID::LDevice, lds, true));
}

namespace {

// Loads a file with its root's IED children left out, and each of them parsed on its own.
struct Streamed {
    explicit Streamed(const std::string& bytes) {
        WriteBytes(dir / "s.scd", bytes);
        service.SetXmlFileName((dir / "s.scd").string());
        service.SetStreamedElement("IED");
        result = service.LoadFromXmlFile();
    }
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (int i = 0; i < service.GetStreamedCount(); ++i) {
            const CtBase ied = service.LoadStreamed(i);
            CtEleList lns;
            out.push_back(ied ? ied.GetAttrValByName("name") + "/" +
                                    std::to_string(ied.FindEleListByName("LN", lns, true))
                              : "!");
        }
        return out;
    }
    TempDir dir;
    CSCLService service;
    int result = 0;
};

} // namespace

// Comments (also "<!-->" ones), CDATA, processing instructions, quoted ">" and "/>" in values,
// prefixed and self-closing IEDs: the IEDs come out one by one in file order, the rest of the file
// is the document, and the sample station gives the same IEDs either way.
TEST(SclService, StreamedIedsAreCutAtTheirOwnEnds) {
    Streamed s("<?xml version=\"1.0\"?>\n<!DOCTYPE SCL [<!ENTITY x \"y\">]>\n<!-- <IED name=\"no\"/> -->\n"
               "<scl:SCL xmlns:scl=\"u\"><Header id=\"h\"/>"
               "<IED name=\"A\" desc=\"a > b /> c\"><![CDATA[</IED>]]><!-- </IED> --><?pi </IED>?>"
               "<LN/><x><IED name=\"inner\"><LN/></IED></x></IED>"
               "<scl:IED name=\"B\"/>\n<DataTypeTemplates><LNodeType id='t'/></DataTypeTemplates>"
               "<IED name='C'><LN/><LN/></IED></scl:SCL><!-- end --><?pi?>\n");
    ASSERT_EQ(s.result, 1) << s.service.GetErrorText();
    EXPECT_EQ(s.Names(), (std::vector<std::string>{"A/2", "B/0", "C/2"}));
    const CtBase root = s.service.GetRoot();
    ASSERT_TRUE(root);
    CtEleList ieds;
    EXPECT_EQ(root.FindEleListByID(EleID::IED, ieds, true), 0);
    EXPECT_TRUE(root.FindOneEleByID(EleID::DataTypeTemplates, false));
    EXPECT_TRUE(root.FindOneEleByID(EleID::Header, false));

    // "<!-->" and "<!--->" open comments that run on to the next "-->", before the root, between
    // IEDs and inside one, as the parser reads them.
    Streamed dashes(
        "<!--> <x/> --><SCL><!---> <IED name=\"no\"/> --><IED name=\"A\"><LN/>"
        "<!--> </IED><IED name=\"no\"> --><LN/></IED><IED name='B'><!---> </LN> --></IED></SCL>\n");
    ASSERT_EQ(dashes.result, 1) << dashes.service.GetErrorText();
    EXPECT_EQ(dashes.Names(), (std::vector<std::string>{"A/2", "B/0"}));

    Streamed station(testsupport::ReadBytes(SclFile("station.scd")));
    ASSERT_EQ(station.result, 1);
    CSCLService whole;
    whole.SetXmlFileName(SclFile("station.scd"));
    ASSERT_EQ(whole.LoadFromXmlFile(), 1);
    CtEleList all;
    whole.GetRoot().FindEleListByID(EleID::IED, all, false);
    ASSERT_EQ(station.service.GetStreamedCount(), static_cast<int>(all.size()));
    for (int i = 0; i < station.service.GetStreamedCount(); ++i) {
        const CtBase ied = station.service.LoadStreamed(i);
        ASSERT_TRUE(ied);
        EXPECT_EQ(ied.GetAttrValByName("name"), all[i].GetAttrValByName("name"));
        CtEleList a, b;
        EXPECT_EQ(ied.FindEleListByName("DAI", a, true), all[i].FindEleListByName("DAI", b, true));
    }
}

// A GBK-declared file hands out UTF-8 from its streamed IEDs; broken files are refused at load or
// when the broken IED is parsed, with the line of the fault.
TEST(SclService, ReferencesInGbkFilesAreExpandedAfterConversion) {
    // Character and entity references among GBK bytes, in attributes and texts, whole and streamed.
    const std::string file =
        "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<SCL><IED name=\"A&amp;B\" type=\"&#x7EBF;" +
        platform::ToGbk("路保护") + "\" desc=\"" + platform::ToGbk("开入") + "&#20108;\"><DAI><Val>" +
        platform::ToGbk("电度") + "&#x4E00;&lt;&bad;</Val></DAI></IED></SCL>";
    SclText whole(file);
    ASSERT_EQ(1, whole.result) << whole.service.GetErrorText();
    Streamed streamed(file);
    ASSERT_EQ(1, streamed.result) << streamed.service.GetErrorText();
    for (const CtBase& ied :
         {whole.service.GetRoot().FindOneEleByID(EleID::IED, false), streamed.service.LoadStreamed(0)}) {
        ASSERT_TRUE(ied);
        EXPECT_EQ("A&B", ied.GetAttrValByName("name"));
        EXPECT_EQ("线路保护", ied.GetAttrValByName("type"));
        EXPECT_EQ("开入二", ied.GetAttrValByName("desc"));
        EXPECT_EQ("电度一<&bad;", ied.FindOneEleByID(EleID::Val, true).GetValue());
    }
}

TEST(SclService, ValTextSplitByACommentIsReadWhole) {
    SclText utf8("<SCL><Val>脉冲<!--c-->计数<?pi x?><![CDATA[<1>]]></Val></SCL>");
    ASSERT_EQ(1, utf8.result);
    EXPECT_EQ("脉冲计数<1>", utf8.service.GetRoot().FindOneEleByID(EleID::Val, false).GetValue());
    SclText gbk("<?xml version=\"1.0\" encoding=\"GBK\"?><SCL><Val> " + platform::ToGbk("脉冲") + "<!--c-->" +
                platform::ToGbk("计数") + "&#x4E00; </Val></SCL>");
    ASSERT_EQ(1, gbk.result);
    EXPECT_EQ("脉冲计数一", gbk.service.GetRoot().FindOneEleByID(EleID::Val, false).GetValue());
}

TEST(SclService, StreamedLoadKeepsEncodingAndReportsFaults) {
    Streamed gbk("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<SCL><IED name=\"" + platform::ToGbk("主变") +
                 "\"/></SCL>");
    ASSERT_EQ(gbk.result, 1);
    ASSERT_EQ(gbk.service.GetStreamedCount(), 1);
    EXPECT_EQ(gbk.service.LoadStreamed(0).GetAttrValByName("name"), "主变");

    Streamed broken("<SCL>\n<IED name=\"A\"/>\n<IED name=\"B\">\n<LN></LX>\n</IED>\n</SCL>\n");
    ASSERT_EQ(broken.result, 1);
    ASSERT_EQ(broken.service.GetStreamedCount(), 2);
    EXPECT_TRUE(broken.service.LoadStreamed(0));
    EXPECT_FALSE(broken.service.LoadStreamed(1));
    EXPECT_NE(broken.service.GetErrorText().find("第4行"), std::string::npos)
        << broken.service.GetErrorText();
    EXPECT_FALSE(broken.service.LoadStreamed(2));

    for (const char* text : {"<SCL><IED name=\"A\">", "<SCL><IED/></SCL><SCL/>", "<SCL><IED name=\"A/></SCL>",
                             "<Other><IED/></Other>", "", "<!-- only -->", "<SCL><Header></SCL>",
                             "<SCL>\n<IED name=\"B\">\n<LN></IED>\n</SCL>\n"}) {
        Streamed bad(text);
        EXPECT_EQ(bad.result, 0) << text;
        EXPECT_FALSE(bad.service.GetRoot()) << text;
        EXPECT_FALSE(bad.service.GetErrorText().empty()) << text;
        EXPECT_EQ(bad.service.GetStreamedCount(), 0) << text;
    }
}

// Threads each parse the IEDs into parts of their own at once, as the SCD import does: every
// thread sees every IED whole; a broken one is reported to its caller with its line, and the
// service's own error text stays as it was.
TEST(SclService, StreamedIedsParseOnSeveralThreadsAtOnce) {
    std::string text = "<SCL>";
    for (int i = 0; i < 40; ++i) {
        text += "<IED name=\"I" + std::to_string(i) + "\">\n";
        for (int j = 0; j <= i % 5; ++j)
            text += "<LN inst=\"" + std::to_string(j) + "\"/>";
        text += i == 33 ? "<LN inst=x/>" : "";
        text += "</IED>\n";
    }
    text += "</SCL>\n";
    Streamed s(text);
    ASSERT_EQ(s.result, 1) << s.service.GetErrorText();
    ASSERT_EQ(s.service.GetStreamedCount(), 40);
    std::vector<std::vector<std::string>> seen(4);
    std::vector<std::string> errors(4);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&, t] {
            CSCLService::CPart part;
            for (int i = 0; i < 40; ++i) {
                std::string error;
                const CtBase ied = s.service.ParseStreamed(i, part, error);
                CtEleList lns;
                seen[t].push_back(ied ? ied.GetAttrValByName("name") + "/" +
                                            std::to_string(ied.FindEleListByName("LN", lns, true))
                                      : "!");
                if (!ied)
                    errors[t] = error;
            }
        });
    for (std::thread& t : threads)
        t.join();
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i)
        expected.push_back(i == 33 ? "!" : "I" + std::to_string(i) + "/" + std::to_string(i % 5 + 1));
    for (std::size_t t = 0; t < seen.size(); ++t) {
        EXPECT_EQ(seen[t], expected);
        EXPECT_NE(errors[t].find("第68行"), std::string::npos) << errors[t];
    }
    EXPECT_TRUE(s.service.GetErrorText().empty());
}

// A file big enough to be cut on several threads, nearly all of it comments, sections and values
// full of "<": wherever a thread's share of the file starts, the IEDs come out as one thread
// finds them.
TEST(SclService, BigFilesCutOnSeveralThreadsFindTheSameIeds) {
    std::string noise;
    while (noise.size() < 40000)
        noise += "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx<a>";
    std::string text = "<?xml version=\"1.0\"?>\n<SCL>";
    std::vector<std::string> expected;
    int privates = 0;
    for (int i = 0; text.size() < (40u << 20); ++i) {
        const std::string name = "I" + std::to_string(i);
        switch (i % 4) {
        case 0:
            text += "<!-- <IED name=\"no\"> " + noise + " </IED> -->";
            break;
        case 1:
            ++privates;
            text += "<Private><![CDATA[ <IED name=\"no\"><LN/> " + noise + " ]]></Private>";
            break;
        case 2:
            ++privates;
            text += "<Private v=\"<IED name='no'> " + noise + " />\"/>";
            break;
        default:
            text += "<?pi <IED name=\"no\"> " + noise + " ?>";
            break;
        }
        text += "<IED name=\"" + name + "\"><LN a=\"<\"/><LN/></IED>";
        expected.push_back(name + "/2");
    }
    text += "</SCL>\n";
    Streamed s(text);
    ASSERT_EQ(s.result, 1) << s.service.GetErrorText();
    EXPECT_EQ(s.Names(), expected);
    CtEleList kept;
    EXPECT_EQ(s.service.GetRoot().FindEleListByName("Private", kept, false), privates);
}

// An IED of five million empty children (30 MB) among small ones: a thread whose share of the file
// starts among them cannot know their depth and would keep every one; it stops at its bound and its
// share is cut again once the depth is known, and the IEDs come out as one thread finds them.
TEST(SclService, AShareOfTheFileAmongMillionsOfSiblingsKeepsBoundedTags) {
    std::string text = "<SCL><IED name=\"A\"><LN/></IED><IED name=\"P\"><LDevice>";
    text.reserve(std::size_t{31} << 20);
    for (int k = 0; k < 5'000'000; ++k)
        text += "<SDI/>";
    text += "</LDevice></IED><IED name=\"B\"><LN/><LN/></IED></SCL>\n";

    namespace scan = platform::scl::scan;
    const std::vector<scan::CutRun> runs = scan::CutTagsInRuns(text.data(), text.size(), 5, 3);
    ASSERT_EQ(runs.size(), 3u);
    for (const scan::CutRun& run : runs)
        EXPECT_LE(run.tags.size(), scan::CutRun::kMaxRunTags);
    EXPECT_TRUE(runs[1].overflow);

    std::vector<std::vector<std::string>> found;
    for (const std::size_t threads : {std::size_t{1}, std::size_t{3}}) {
        TempDir dir;
        WriteBytes(dir / "s.scd", text);
        CSCLService service;
        service.SetXmlFileName((dir / "s.scd").string());
        service.SetStreamedElement("IED");
        service.SetThreads(threads);
        ASSERT_EQ(service.LoadFromXmlFile(), 1) << service.GetErrorText();
        std::vector<std::string> names;
        for (int i = 0; i < service.GetStreamedCount(); ++i) {
            const CtBase ied = service.LoadStreamed(i);
            CtEleList lns;
            names.push_back(ied ? ied.GetAttrValByName("name") + "/" +
                                      std::to_string(ied.FindEleListByName("LN", lns, true))
                                : "!");
        }
        found.push_back(names);
    }
    EXPECT_EQ(found[0], (std::vector<std::string>{"A/1", "P/0", "B/2"}));
    EXPECT_EQ(found[1], found[0]);
}

// The default thread count follows the cores the process may run on: pinned to one, one thread.
TEST(SclService, WorkThreadsFollowTheCoresTheThreadMayRunOn) {
    cpu_set_t before;
    ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
    EXPECT_GE(platform::CSCLService::WorkThreads(), 1u);
    EXPECT_LE(platform::CSCLService::WorkThreads(), 8u);
    int first = 0;
    while (!CPU_ISSET(first, &before))
        ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(platform::CSCLService::WorkThreads(), 1u);
    ASSERT_EQ(sched_setaffinity(0, sizeof before, &before), 0);
}

// The bytes of a file are checked against its declared encoding before the file is parsed, read
// whole and cut into IEDs alike: GBK bytes in a file declared UTF-8 (or declaring nothing) are
// read as GBK; bytes valid in neither, or invalid in a declared GBK, refuse the file with their
// line; a GBK-family file is read with the GB18030 decoder, and what it still cannot read
// refuses the file with its line and column; a reference to an entity the document type declares,
// which the parser would leave in the text, refuses it too, and so does a character reference to a
// character XML does not allow (it put a NUL or bytes that are no UTF-8 into the models); a CDATA
// section may hold "]>" and "]]" without ending it early.
TEST(SclService, TextNotValidInItsEncodingOrUnexpandedEntitiesRefuseTheFile) {
    const std::string gbkName = platform::ToGbk("主变保护");
    const struct {
        const char* what;
        std::string bytes;
        int loaded;
        bool gbk;         // when loaded
        std::string line; // of the refusal
    } cases[] = {
        {"GBK declared as UTF-8",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SCL><IED name=\"A\" desc=\"" + gbkName + "\"/></SCL>",
         1, true, ""},
        {"GBK declaring nothing", "<SCL>\n<IED name=\"A\" desc=\"" + gbkName + "\"/></SCL>", 1, true, ""},
        {"UTF-8 as declared",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SCL><IED name=\"A\" desc=\"主变保护\"/></SCL>", 1,
         false, ""},
        {"UTF-8 with a stray byte that GBK would take",
         "<SCL>\n<IED name=\"A\" desc=\"主变保护主变保护\"/>\n<Private>\x80</Private></SCL>", 0, false,
         "第3行"},
        {"valid in neither", "<?xml version=\"1.0\"?>\n<SCL>\n<IED name=\"A\" desc=\"\xFF\xFF\"/></SCL>", 0,
         false, "第3行"},
        {"a lead byte followed by no trail in either", "<SCL>\n<IED name=\"A\"/>\n<!-- \xE4\xFF --></SCL>", 0,
         false, "第3行"},
        {"invalid in its declared GBK",
         "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<SCL>\n\n<IED name=\"A\" desc=\"\x81\x20\"/></SCL>", 0,
         false, "第4行第21列"},
        {"a declared entity referred to",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE SCL [<!ENTITY zh \"开入\">]>\n<SCL>\n<IED name=\"A\" "
         "desc=\"&zh;1\"/></SCL>",
         0, false, "第4行"},
        {"a declared entity never referred to",
         "<!DOCTYPE SCL [<!ENTITY zh \"开入\"><!ENTITY % p \"x\">]>\n<SCL><IED name=\"A\" "
         "desc=\"&amp;&#x41;\"/></SCL>",
         1, false, ""},
        {"a reference to U+FFFF", "<SCL>\n<IED name=\"A\" desc=\"x&#xFFFF;\"/></SCL>", 0, false,
         "第2行第22列"},
        {"a reference to a surrogate", "<SCL>\n<IED name=\"A\">\n<Private>&#xD800;</Private></IED></SCL>", 0,
         false, "第3行第10列"},
        {"a reference past U+10FFFF", "<SCL>\n\n<IED name=\"A\" desc=\"&#x110000;\"/></SCL>", 0, false,
         "第3行第21列"},
        {"a reference to NUL", "<SCL><IED name=\"A\" desc=\"a&#0;b\"/></SCL>", 0, false, "第1行第27列"},
        {"forbidden references in a comment, CDATA and an instruction",
         "<SCL><!-- &#0; --><?pi &#xFFFF;?><IED name=\"A\"><Private><![CDATA[&#xD800;]]></Private></IED>"
         "</SCL>",
         1, false, ""},
        {"a four-byte GB18030 character in a declared GB18030",
         "<?xml version=\"1.0\" encoding=\"GB18030\"?>\n<SCL><IED name=\"A\" desc=\"" + gbkName +
             "\"><Private>\x95\x32\x82\x36</Private></IED></SCL>",
         1, true, ""},
        {"CDATA holding ]> and ]]",
         "<SCL><![CDATA[ ]> <IED name=\"no\"/> ]] ]]><IED "
         "name=\"A\"><Private><![CDATA[]>]]></Private></IED></SCL>",
         1, false, ""},
    };
    for (const auto& c : cases) {
        for (const bool streamed : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (streamed ? ", cut into IEDs" : ", read whole"));
            TempDir dir;
            WriteBytes(dir / "f.scd", c.bytes);
            CSCLService service;
            service.SetXmlFileName((dir / "f.scd").string());
            if (streamed)
                service.SetStreamedElement("IED");
            ASSERT_EQ(service.LoadFromXmlFile(), c.loaded) << service.GetErrorText();
            if (!c.loaded) {
                EXPECT_TRUE(service.IsRefusedContent());
                EXPECT_NE(service.GetErrorText().find(c.line), std::string::npos) << service.GetErrorText();
                continue;
            }
            EXPECT_FALSE(service.IsRefusedContent());
            EXPECT_EQ(service.IsGbk(), c.gbk);
            CtBase ied;
            if (streamed) {
                ASSERT_EQ(service.GetStreamedCount(), 1);
                ied = service.LoadStreamed(0);
            } else {
                ied = service.GetRoot().FindOneEleByID(EleID::IED, false);
            }
            ASSERT_TRUE(ied);
            EXPECT_EQ(ied.GetAttrValByName("name"), "A");
            const std::string desc = ied.GetAttrValByName("desc");
            EXPECT_EQ(platform::FirstInvalidUtf8(desc), std::string_view::npos);
            if (c.gbk) {
                EXPECT_EQ(desc, "主变保护");
            }
        }
    }
    // The message names the entity.
    SclText entity("<!DOCTYPE SCL [<!ENTITY zh \"x\">]><SCL desc=\"&zh;\"/>");
    EXPECT_EQ(entity.result, 0);
    EXPECT_NE(entity.service.GetErrorText().find("&zh;"), std::string::npos) << entity.service.GetErrorText();
}

// The UTF-8 check, and the GB18030 decoder that both checks and converts the texts of GBK-family
// files: the first invalid byte of each, and the text the decoder makes.
TEST(SclService, Utf8AndGbkByteChecks) {
    constexpr std::size_t npos = std::string::npos;
    const struct {
        std::string text;
        std::size_t utf8, gbk; // the first invalid byte, npos for none
        std::string decoded;   // from GB18030
    } cases[] = {
        {"", npos, npos, ""},
        {"plain ascii text of more than eight bytes", npos, npos,
         "plain ascii text of more than eight bytes"},
        {"主变", npos, npos, "涓诲彉"},  // its UTF-8 bytes also make GB18030 pairs
        {"ab\xC0\x80", 2, npos, "ab纮"}, // overlong
        // Overlong E0 forms; in GB18030 a pair and a byte alone that is no character.
        {"\xE0\x80\xAF", 0, 2, "鄝?"},
        {"\xE0\x9F\xBF", 0, 2, "\xE9\x85\x82?"},
        {"\xED\xA0\x80", 0, 2, "\xE9\xA0\x8E?"},      // a surrogate
        {"\xF4\x90\x80\x80", 0, 2, "\xE9\xAD\xAB??"}, // past U+10FFFF
        {"12345678\xE4\xB8", 8, npos, "12345678涓"},  // cut short
        {"x\x80", 1, 1, "x?"},                        // a stray continuation; no GB18030 character alone
        {"\xFF", 0, 0, "?"},
        {"abc\x81", 3, 3, "abc?"}, // a lead byte without its trail
        {"\x81\x7F", 0, 0, "?\x7F"},
        // A pair of the user-defined area, which the GBK converter left unmapped (it lost the next
        // character too): read, and the next character kept.
        {"\xA1\x40" + platform::ToGbk("开入"), 0, npos, "\xEE\x93\x86开入"},
        {"\x95\x32\x82\x36", 0, npos, "\xF0\xA0\x80\x80"}, // a four-byte form: U+20000
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(platform::FirstInvalidUtf8(c.text), c.utf8);
        EXPECT_EQ(platform::DecodeGb18030(c.text, nullptr), c.gbk);
        std::string out;
        EXPECT_EQ(platform::DecodeGb18030(c.text, &out), c.gbk);
        EXPECT_EQ(out, c.decoded);
    }
    EXPECT_EQ(platform::FromGb18030(platform::ToGbk("主变保护，开入1")), "主变保护，开入1");
}

// The index of an instance's children finds, of several children of one kind and name, the first
// in the file (the one a scan would find), with or without regard to case, asked once or again.
TEST(SclService, ChildIndexFindsTheFirstOfSameNamedChildren) {
    SclText doc("<SCL><DOI name=\"Pos\"><SDI name=\"x\" desc=\"first\"/><DAI name=\"x\" desc=\"dai\"/>"
                "<SDI name=\"X\" desc=\"upper\"/><SDI name=\"x\" desc=\"again\"/></DOI></SCL>");
    ASSERT_EQ(doc.result, 1) << doc.service.GetErrorText();
    const CtBase doi = doc.service.GetRoot().FindOneEleByID(EleID::DOI, false);
    ASSERT_TRUE(doi);
    const auto desc = [&doi](platform::scl::CChildIndex& index, EleID kind, const char* name) {
        const CtBase found = index.Find(doi, kind, name);
        return found ? found.GetAttrValByName("desc") : std::string("(none)");
    };
    platform::scl::CChildIndex noCase(true), exact(false);
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(desc(noCase, EleID::SDI, "X"), "first");
        EXPECT_EQ(desc(noCase, EleID::SDI, "x"), "first");
        EXPECT_EQ(desc(noCase, EleID::DAI, "X"), "dai");
        EXPECT_EQ(desc(exact, EleID::SDI, "x"), "first");
        EXPECT_EQ(desc(exact, EleID::SDI, "X"), "upper");
        EXPECT_EQ(desc(exact, EleID::DOI, "x"), "(none)");
    }

    // Many children, named out of order and some twice, in two elements asked about in turn.
    std::string many = "<SCL>";
    for (const char* element : {"a", "b"}) {
        many += std::string("<DOI name=\"") + element + "\">";
        for (int i = 19; i >= 0; --i)
            many += "<SDI name=\"n" + std::to_string(i) + "\" desc=\"" + element + std::to_string(i) + "\"/>";
        many += "<SDI name=\"n5\" desc=\"late\"/><SDI name=\"N7\" desc=\"upper\"/><DAI name=\"n5\" "
                "desc=\"dai\"/>";
        many += "</DOI>";
    }
    many += "</SCL>";
    SclText big(many);
    ASSERT_EQ(big.result, 1) << big.service.GetErrorText();
    CtEleList dois;
    big.service.GetRoot().FindEleListByID(EleID::DOI, dois, false);
    ASSERT_EQ(dois.size(), 2u);
    const auto descIn = [](platform::scl::CChildIndex& index, const CtBase& element, EleID kind,
                           const std::string& name) {
        const CtBase found = index.Find(element, kind, name);
        return found ? found.GetAttrValByName("desc") : std::string("(none)");
    };
    platform::scl::CChildIndex manyNoCase(true), manyExact(false);
    for (int i = 0; i < 20; ++i)
        for (std::size_t e = 0; e < dois.size(); ++e) {
            const std::string element = e == 0 ? "a" : "b";
            EXPECT_EQ(descIn(manyNoCase, dois[e], EleID::SDI, "N" + std::to_string(i)),
                      element + std::to_string(i));
            EXPECT_EQ(descIn(manyExact, dois[e], EleID::SDI, "n" + std::to_string(i)),
                      element + std::to_string(i));
        }
    EXPECT_EQ(descIn(manyExact, dois[1], EleID::SDI, "N7"), "upper");
    EXPECT_EQ(descIn(manyExact, dois[0], EleID::DAI, "n5"), "dai");
    EXPECT_EQ(descIn(manyExact, dois[0], EleID::DAI, "n6"), "(none)");
    EXPECT_EQ(descIn(manyExact, dois[1], EleID::SDI, "n20"), "(none)");
}

// With unused types left out, the DOTypes and DATypes no "type" attribute names (ids compared
// without regard to ASCII case) are not in the document; every LNodeType and EnumType, and every
// type named, is. An id or a reference written with a character reference keeps everything it might
// name. The file is accepted or refused as with every type: an unused type that does not parse
// gives the parser's own error, with its line and column.
TEST(SclService, UnusedTypesAreLeftOutAndTheFileIsJudgedAsWithThem) {
    TempDir dir;
    const auto load = [&dir](const std::string& text, bool leftOut, std::string& error) {
        WriteBytes(dir / "t.scd", text);
        CSCLService service;
        service.SetXmlFileName((dir / "t.scd").string());
        service.SetStreamedElement("IED");
        service.SetUnusedTypesLeftOut(leftOut);
        std::vector<std::string> ids;
        if (!service.LoadFromXmlFile()) {
            error = service.GetErrorText();
            return ids;
        }
        error.clear();
        const CtBase templates = service.GetRoot().FindOneEleByID(EleID::DataTypeTemplates, false);
        for (const CtBase& type : templates.GetChildEles())
            ids.push_back(type.GetEleName() + ":" + type.GetAttrValByName("id"));
        return ids;
    };
    std::string padding;
    for (int k = 0; k < 20'000; ++k)
        padding +=
            "<DAType id=\"Pk" + std::to_string(k) + "\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>\n";
    const std::string head =
        "<?xml version=\"1.0\"?>\n<SCL><IED name=\"I\"/><DataTypeTemplates>\n"
        "<LNodeType id=\"L\" lnClass=\"GGIO\"><DO name=\"Ind\" type=\"d\"/></LNodeType>\n"
        "<LNodeType id=\"Unused\" lnClass=\"GGIO\"/>\n"
        "<DOType id=\"D\" cdc=\"SPS\"><DA name=\"q\" bType=\"Struct\" type=\"q\"/></DOType>\n"
        "<DOType id=\"U\" cdc=\"SPS\"/>\n";
    const std::string tail = "<DAType id=\"Q\"><BDA name=\"v\" bType=\"BOOLEAN\"/></DAType>\n"
                             "<EnumType id=\"E\"><EnumVal ord=\"1\">on</EnumVal></EnumType>\n"
                             "<DAType id=\"&#x50;k7\"/>\n</DataTypeTemplates></SCL>\n";
    std::string error;
    const std::vector<std::string> all = load(head + padding + tail, false, error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_EQ(all.size(), 20'007u);
    EXPECT_EQ(load(head + padding + tail, true, error),
              (std::vector<std::string>{"LNodeType:L", "LNodeType:Unused", "DOType:D", "DAType:Q",
                                        "EnumType:E", "DAType:Pk7"}));
    EXPECT_TRUE(error.empty()) << error;
    // A reference that names a type through a character reference: nothing is left out.
    EXPECT_EQ(load(head + "<DAType id=\"W\"><BDA name=\"w\" type=\"P&#x6B;1\"/></DAType>" + padding + tail,
                   true, error)
                  .size(),
              20'008u);

    // A type left out that does not parse, near the end of the padding or as its first child.
    for (const std::string& bad : {std::string("<DAType id=\"Pz\"><BDA name=v/></DAType>\n"),
                                   std::string("<DAType id=\"Pz\"><BDA></BDX></DAType>\n")}) {
        for (const std::size_t at : {std::size_t{0}, padding.size() - 100}) {
            std::string broken = padding;
            broken.insert(broken.find('<', at), bad);
            std::string whole, filtered;
            EXPECT_TRUE(load(head + broken + tail, false, whole).empty());
            EXPECT_TRUE(load(head + broken + tail, true, filtered).empty());
            EXPECT_FALSE(whole.empty());
            EXPECT_EQ(filtered, whole);
        }
    }
}
