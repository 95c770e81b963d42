#include "iedinterface/model/DeviceModelFile.h"
#include "iedinterface/model/PointClassifier.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/InfoGroup.h"
#include "projectmodel/ProjectContext.h"
#include "tests/iedinterface/IedTestUtil.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"

#include <optional>

#include <gtest/gtest.h>

using namespace iedinterface;
using testsupport::ReadBytes;

namespace {

const char* const kFixedBlock = "[特殊遥信] \r\n"
                                "1,255,1,网络状态1,,5,通,断,FUN=255;INF=1 \r\n"
                                "2,255,2,网络状态2,,5,通,断,FUN=255;INF=2  \r\n"
                                "3,255,3,装置通讯状态,,5,通,断,FUN=255;INF=3  \r\n"
                                "4,255,4,检修状态,,5,合,分,FUN=255;INF=4";

int Cat(const char* name) {
    return CategoryIndexFromName(name);
}

// Reads a point text file the way the main tool's device-model loader does, with its own entry
// parser: every section other than the name and type is one group of entries.
struct LoadedModel {
    std::vector<projectmodel::CInfoGroup> groups;
    std::string type;
    bool ok = true;
};

LoadedModel LoadLikeTheMainTool(const std::filesystem::path& txt) {
    LoadedModel model;
    std::string text = testsupport::ReadGbkText(txt);
    std::string section;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line =
            platform::Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? text.size() + 1 : end + 1;
        if (line.empty())
            continue;
        bool open = line.find('[') != std::string::npos, close = line.find(']') != std::string::npos;
        if (open && close) {
            section = platform::Trim(line.substr(line.find('[') + 1, line.find(']') - line.find('[') - 1));
            if (section != "名称" && section != "类型") {
                model.groups.emplace_back();
                model.groups.back().m_strName = section;
            }
        } else if (open || close || section.empty()) {
            model.ok = false;
        } else if (section == "类型") {
            model.type = line;
        } else if (section != "名称") {
            if (!model.groups.back().AddEntryFromText(line)) {
                ADD_FAILURE() << "refused: " << line;
                model.ok = false;
            }
        }
    }
    return model;
}

class DeviceModelFile : public ::testing::Test {
protected:
    void SetUp() override {
        app.LoadDoNameDesTable(iedtest::NameTableFile());
        cid = iedtest::CopySample(iedtest::SclFile("QXB610.cid"), dir.Path(), "QXB610.cid");
    }
    // Reads the sample and sorts some of its points as a user would.
    void Classify(CIcdInterfaceApp& target) {
        ASSERT_EQ(target.ReadICDFile(cid), 1);
        CPointClassifier c(target);
        EXPECT_EQ(c.AddPoints(0, Cat("遥信"), {"CTRL/Q0XCBR1$ST$Pos$stVal"}).size(), 1u);
        EXPECT_EQ(
            c.AddPoints(0, Cat("动作元件"), {"PROT/PTOC1$ST$Op$general", "PROT/PTOC2$ST$Op$general"}).size(),
            2u);
        EXPECT_EQ(c.AddPoints(0, Cat("保护测量"), {"PROT/MMXU1$MX$A$phsA$cVal$mag$f"}).size(), 1u);
        EXPECT_EQ(c.AddPoints(1, Cat("遥控"), {"CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal"}).size(), 1u);
        EXPECT_EQ(c.AddPoints(1, Cat("定值区号"), {"PROT/LLN0$SP$SGCB$ActSG"}).size(), 1u);
    }
    std::string TxtPath() const { return (dir / "IEC61850_QXB610.txt").string(); }
    std::string CfgPath() const { return (dir / "IEC61850_QXB610.cfg").string(); }

    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    CIcdInterfaceApp app;
    std::string cid;
};

const std::string kExpectedTxt =
    std::string("[名称]\r\nPB1101QXB610\r\n\r\n[类型]\r\nIEC61850装置\r\n"
                "\r\n[遥信]\r\n"
                "1,1,1,母联断路器位置,,,合,分,FCDA=CTRL/Q0XCBR1$ST$Pos$stVal;CDC=DPS\r\n"
                "\r\n[动作元件]\r\n"
                "1,2,1,充电过流Ⅰ段动作,,,动作,返回,FCDA=PROT/PTOC1$ST$Op$general;CDC=ACT\r\n"
                "2,2,2,充电过流Ⅱ段动作,,,动作,返回,FCDA=PROT/PTOC2$ST$Op$general;CDC=ACT\r\n"
                "\r\n[保护测量]\r\n"
                "1,3,1,电流值幅值,,,,,FCDA=PROT/MMXU1$MX$A$phsA$cVal$mag$f;CDC=CMV\r\n"
                "\r\n[遥控]\r\n"
                "1,4,1,母联断路器遥控,,,,,FCDA=CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal;CDC=DPC;"
                "ctlModel=sbo-with-normal-security\r\n"
                "\r\n[定值区号]\r\n"
                "1,5,1,定值区号0,,,,,FCDA=PROT/LLN0$SP$SGCB$ActSG\r\n"
                "\r\n") +
    kFixedBlock;
const std::string kExpectedCfg =
    "[属性]\r\n名称=QXB610\r\n\r\n[数据分类]\r\n遥信=YX\r\n动作元件=YX\r\n保护测量=YC\r\n"
    "遥控=YK\r\n定值区号=OTHER\r\n特殊遥信=YX";

} // namespace

TEST_F(DeviceModelFile, WritesThePairByteForByte) {
    Classify(app);
    ASSERT_TRUE(app.WriteOutputs());
    EXPECT_EQ(ReadBytes(TxtPath()), platform::ToGbk(kExpectedTxt));
    EXPECT_EQ(ReadBytes(CfgPath()), platform::ToGbk(kExpectedCfg));
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(DeviceModelFile, TheMainToolReadsTheWrittenPair) {
    Classify(app);
    ASSERT_TRUE(app.WriteOutputs());
    LoadedModel model = LoadLikeTheMainTool(TxtPath());
    EXPECT_TRUE(model.ok);
    EXPECT_EQ(model.type, "IEC61850装置");
    ASSERT_EQ(model.groups.size(), 6u);
    EXPECT_EQ(model.groups[1].m_strName, "动作元件");
    EXPECT_EQ(model.groups[1].m_nGroupNo, 2);
    ASSERT_EQ(model.groups[1].m_entries.GetSize(), 2);
    EXPECT_EQ(model.groups[1].m_entries[1].m_strReference, "PROT/PTOC2$ST$Op$general");
    EXPECT_EQ(model.groups[1].m_entries[1].m_strField7, "动作");
    EXPECT_EQ(model.groups[5].m_strName, "特殊遥信");
    for (const auto& group : model.groups) {
        std::string kind = platform::GetPrivateProfileString("数据分类", group.m_strName, "", 20, CfgPath());
        EXPECT_FALSE(kind.empty()) << group.m_strName;
    }
}

TEST_F(DeviceModelFile, ReimportRestoresChoicesAndRewritesTheSameFile) {
    Classify(app);
    CPointClassifier(app).CommitDescription(Cat("遥信"), "CTRL/Q0XCBR1$ST$Pos$stVal", -1, "断路器");
    ASSERT_TRUE(app.WriteOutputs());
    const std::string first = ReadBytes(TxtPath());

    CIcdInterfaceApp again;
    again.LoadDoNameDesTable(iedtest::NameTableFile());
    ASSERT_EQ(again.ReadICDFile(cid), 1);
    const CSCDPointRefList& yx = *again.CategoryList(CODE_YX);
    ASSERT_EQ(yx.size(), 3u);
    EXPECT_EQ(yx[0].Description, "断路器");
    EXPECT_EQ(yx[0].CategoryName, "遥信");
    EXPECT_EQ(yx[0].Source, 0);
    EXPECT_EQ(yx[1].CategoryName, "动作元件");
    const CSCDPointRef& yk = again.CategoryList(CODE_YK)->front();
    EXPECT_EQ(yk.Source, 1);
    EXPECT_EQ(yk.CtlModel, "sbo-with-normal-security");
    EXPECT_TRUE(testsupport::Found(again.FindDataSetPoint("CTRL/Q0XCBR1$ST$Pos$stVal"))->Configured);
    EXPECT_EQ(testsupport::Found(again.FindDataSetPoint("CTRL/Q0XCBR1$ST$Pos$stVal"))->Description, "断路器");
    EXPECT_FALSE(testsupport::Found(again.FindOtherPoint("CTRL/Q0CSWI1$ST$Pos$stVal"))->Configured);
    EXPECT_TRUE(again.CategoryList(CODE_YT)->empty());

    ASSERT_TRUE(again.WriteOutputs());
    EXPECT_EQ(ReadBytes(TxtPath()), first);
    EXPECT_EQ(ReadBytes(CfgPath()), platform::ToGbk(kExpectedCfg));
}

TEST_F(DeviceModelFile, ASecondWriteKeepsEveryPoint) {
    Classify(app);
    ASSERT_TRUE(app.WriteOutputs());
    ASSERT_TRUE(app.WriteOutputs());
    EXPECT_EQ(ReadBytes(TxtPath()), platform::ToGbk(kExpectedTxt));
    EXPECT_EQ(ReadBytes(CfgPath()), platform::ToGbk(kExpectedCfg));
}

TEST_F(DeviceModelFile, UnitsStandBeforeTheReferenceAndAreDroppedOnReload) {
    testsupport::WriteGbkText(dir / "量纲.ini", "[量纲]\n保护测量=A\n遥测=kV\n");
    Classify(app);
    ASSERT_TRUE(app.WriteOutputs());
    const std::string txt = testsupport::ReadGbkText(TxtPath());
    EXPECT_NE(txt.find("1,3,1,电流值幅值,,,,,A;FCDA=PROT/MMXU1$MX$A$phsA$cVal$mag$f;CDC=CMV\n"),
              std::string::npos);
    EXPECT_TRUE(LoadLikeTheMainTool(TxtPath()).ok);

    // An earlier file with the unit run into the reference is read as well.
    testsupport::WriteGbkText(
        TxtPath(), "[名称]\nX\n[遥测]\n1,1,1,有功,,,,,kVFCDA=PROT/MMXU1$MX$A$phsB$cVal$mag$f;CDC=CMV\n"
                   "2,1,2,说明,,,,,A;FCDA=PROT/MMXU1$MX$A$phsB$cVal$ang$f\n");
    CIcdInterfaceApp again;
    ASSERT_EQ(again.ReadICDFile(cid), 1);
    const CSCDPointRefList& yc = *again.CategoryList(CODE_YC);
    ASSERT_EQ(yc.size(), 2u);
    EXPECT_EQ(yc[0].Reference, "PROT/MMXU1$MX$A$phsB$cVal$mag$f");
    EXPECT_EQ(yc[0].Attributes, "FCDA=PROT/MMXU1$MX$A$phsB$cVal$mag$f;CDC=CMV");
    EXPECT_EQ(yc[1].Description, "说明");
    EXPECT_EQ(again.DeviceName, "X");
}

TEST_F(DeviceModelFile, SectionsSplitAfter200Lines) {
    app.DeviceName = "D";
    app.DeviceType = "IEC61850装置";
    for (int i = 1; i <= 201; ++i) {
        CSCDPointRef rec;
        rec.Reference = platform::StrFormat("LD/GGIO1$MX$AnIn%d$mag$f", i);
        rec.Attributes = "FCDA=" + rec.Reference;
        rec.Code = CODE_YC;
        rec.CategoryName = "遥测";
        rec.Description = platform::StrFormat("量%d", i);
        app.CategoryList(CODE_YC)->push_back(rec);
    }
    CSCDPointRef pulse;
    pulse.Reference = "LD/MMTR1$ST$SupWh$actVal";
    pulse.Attributes = "FCDA=" + pulse.Reference;
    pulse.Code = CODE_YM;
    pulse.CategoryName = "遥脉";
    pulse.Description = "电度";
    app.CategoryList(CODE_YM)->push_back(pulse);
    CSCDPointRef stray = pulse;
    stray.CategoryName = "没有的类";
    app.CategoryList(CODE_YM)->push_back(stray);

    const std::string text = CDeviceModelFile(app).BuildDeviceTxt({{"遥测", "kV"}});
    EXPECT_NE(text.find("200,1,200,量200,,,,,kV;FCDA=LD/GGIO1$MX$AnIn200$mag$f\n\n[遥测]\n"
                        "1,2,1,量201,,,,,kV;FCDA=LD/GGIO1$MX$AnIn201$mag$f\n\n[遥脉]\n1,3,1,电度,,,,,"),
              std::string::npos);
    EXPECT_EQ(text.find("没有的类"), std::string::npos);
    EXPECT_EQ(app.ClassificationEntries, (std::vector<std::string>{"遥测=YC", "遥脉=YM"}));
    EXPECT_EQ(CDeviceModelFile(app).BuildDeviceCfg(),
              "[属性]\n名称=\n\n[数据分类]\n遥测=YC\n遥脉=YM\n特殊遥信=YX");
}

TEST_F(DeviceModelFile, DescriptionsWithSeparatorsStayReadable) {
    Classify(app);
    CPointClassifier(app).CommitDescription(Cat("遥信"), "CTRL/Q0XCBR1$ST$Pos$stVal", -1,
                                            "位置=合,分;状态[1]");
    ASSERT_TRUE(app.WriteOutputs());
    EXPECT_NE(testsupport::ReadGbkText(TxtPath()).find("1,1,1,位置 合 分 状态 1,,,合,分,FCDA="),
              std::string::npos);
    EXPECT_TRUE(LoadLikeTheMainTool(TxtPath()).ok);
}

TEST_F(DeviceModelFile, ReloadSkipsWhatItCannotPlaceAndStopsAtABrokenHeader) {
    testsupport::WriteGbkText(
        TxtPath(),
        "[装置名称]\n旧名\n[装置类型]\n旧类型\n"
        "[遥调]\n"
        "1,1,1,档位调节,,,,,FCDA=CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal;CDC=X;ctlModel=Y;TapChgDir=STOP;K=V\n"
        "2,1,2,档位停,,,,,FCDA=ctrl/q0cswi1$co$pos$oper$ctlval;TapChgDir=UPDOWN\n"
        "3,1,3,无引用,,,,,CDC=DPC\n"
        "4,1,4,少逗号,,,FCDA=PROT/PTOC2$ST$Op$phsA\n"
        "5,1,5,未知点,,,,,FCDA=NO/SUCH$ST$x$y\n"
        "[特殊遥信]\n"
        "1,255,1,网络状态1,,5,通,断,FCDA=PROT/PTOC2$ST$Op$phsA\n"
        "[遥信]\n"
        "1,2,1,过流,,,动作,返回,FCDA=PROT/PTOC2$ST$Op$phsA\n"
        "[遥测\n"
        "1,3,1,频率,,,,,FCDA=PROT/MMXU1$MX$A$phsB$cVal$mag$f\n");
    ASSERT_EQ(app.ReadICDFile(cid), 1);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{platform::StrFormat("文件:%s第%d行格式错误", TxtPath().c_str(), 15)});
    EXPECT_EQ(app.DeviceName, "旧名");
    EXPECT_EQ(app.DeviceType, "旧类型");
    const CSCDPointRefList& yt = *app.CategoryList(CODE_YT);
    ASSERT_EQ(yt.size(), 2u);
    EXPECT_EQ(yt[0].TapChgDir, "STOP");
    EXPECT_EQ(yt[0].CopyIndex, -1);
    EXPECT_EQ(yt[0].Cdc, "DPC"); // the point's own class, not the line's
    EXPECT_EQ(yt[0].Attributes,
              "FCDA=CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal;CDC=DPC;ctlModel=sbo-with-normal-security;K=V");
    EXPECT_EQ(yt[1].CopyIndex, 1);
    EXPECT_EQ(yt[1].Reference, "CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal");
    const CSCDPointRefList& yx = *app.CategoryList(CODE_YX);
    ASSERT_EQ(yx.size(), 1u); // the special-signal section restores nothing
    EXPECT_EQ(yx[0].OnText, "动作");
    EXPECT_EQ(yx[0].Source, 1);
    EXPECT_TRUE(app.CategoryList(CODE_YC)->empty());
}

TEST_F(DeviceModelFile, AFileThatCannotBeWrittenIsReported) {
    Classify(app);
    app.OutputFolder = (dir / "missing" / "folder").string();
    EXPECT_FALSE(app.WriteOutputs());
    EXPECT_EQ(prompts.Count(), 2u);
    EXPECT_NE(prompts.LastText().find("写入失败"), std::string::npos);
}

TEST_F(DeviceModelFile, AWriteThatFailsPartWayKeepsTheEarlierPair) {
    Classify(app);
    ASSERT_TRUE(app.WriteOutputs());
    CPointClassifier(app).RemoveRows(Cat("遥信"), {"CTRL/Q0XCBR1$ST$Pos$stVal"});
    std::optional<platform::CFileFaults> faults;
    faults.emplace().FailFrom(platform::FileStep::Write, 1);
    const bool written = app.WriteOutputs();
    faults.reset();
    EXPECT_FALSE(written);
    EXPECT_EQ(prompts.Count(), 2u);
    EXPECT_EQ(ReadBytes(TxtPath()), platform::ToGbk(kExpectedTxt));
    EXPECT_EQ(ReadBytes(CfgPath()), platform::ToGbk(kExpectedCfg));
    EXPECT_FALSE(std::filesystem::exists(TxtPath() + ".tmp"));
}

// Texts that the main tool's entry parser or the reload would misread (a quote opening a group, a
// lone parenthesis joining the fields behind it, brackets making a header, the line's separators)
// are written blanked by the main tool's own line rule, so both readers keep every point.
TEST_F(DeviceModelFile, TroublesomeTextsReadBackInTheMainToolAndTheReload) {
    Classify(app);
    CSCDPointRef& yx = app.CategoryList(CODE_YX)->front();
    ASSERT_EQ(yx.Reference, "CTRL/Q0XCBR1$ST$Pos$stVal");
    yx.Description = "位\"置(合,分=1;[状态]'A'线(1)";
    yx.OnText = "合(";
    yx.OffText = "分\"";
    yx.Field5 = ")";
    CSCDPointRef& yk = app.CategoryList(CODE_YK)->front();
    yk.Description = "遥控\"(";
    app.DeviceName = "[装置]";
    ASSERT_TRUE(app.WriteOutputs());
    const std::string written = ReadBytes(TxtPath());

    // The main tool's own loader with its entry parser.
    projectmodel::CProjectContext::Reset();
    projectmodel::CProjectContext::Instance().SetLibraryFolder(dir.Path());
    std::filesystem::create_directories(dir / "二次装置");
    std::filesystem::copy_file(TxtPath(), dir / "二次装置" / "IEC61850_QXB610.txt");
    std::filesystem::copy_file(CfgPath(), dir / "二次装置" / "IEC61850_QXB610.cfg");
    projectmodel::CConfigDoc doc;
    projectmodel::CDeviceTemplate model;
    ASSERT_EQ(doc.LoadDeviceModelFile("IEC61850_QXB610", model), 1);
    EXPECT_EQ(prompts.Count(), 0u);
    const projectmodel::CInfoEntry* pos = model.FindEntry(1, 1);
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(pos->m_strDesc, "位 置 合 分 1  状态  A 线(1)");
    EXPECT_EQ(pos->m_strField5, "");
    EXPECT_EQ(pos->m_strField7, "合");
    EXPECT_EQ(pos->m_strField8, "分");
    EXPECT_EQ(pos->m_strReference, "CTRL/Q0XCBR1$ST$Pos$stVal");
    const projectmodel::CInfoEntry* control = model.FindEntry(4, 1);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->m_strDesc, "遥控");
    EXPECT_EQ(control->m_strReference, "CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal");
    int entries = 0;
    for (const auto& group : model.m_groups)
        entries += group.m_entries.GetSize();
    EXPECT_EQ(entries, 6 + 4);
    projectmodel::CProjectContext::Reset();

    // The library's own reload keeps the classification and writes the same file again.
    CIcdInterfaceApp again;
    again.LoadDoNameDesTable(iedtest::NameTableFile());
    ASSERT_EQ(again.ReadICDFile(cid), 1);
    EXPECT_EQ(prompts.Count(), 0u);
    ASSERT_EQ(again.CategoryList(CODE_YX)->size(), 3u);
    EXPECT_EQ(again.CategoryList(CODE_YX)->front().Description, "位 置 合 分 1  状态  A 线(1)");
    EXPECT_EQ(again.CategoryList(CODE_YX)->front().CategoryName, "遥信");
    ASSERT_EQ(again.CategoryList(CODE_YK)->size(), 1u);
    EXPECT_EQ(again.CategoryList(CODE_YK)->front().Description, "遥控");
    EXPECT_TRUE(testsupport::Found(again.FindOtherPoint("CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal"))->Configured);
    EXPECT_EQ(again.CategoryList(CODE_YC)->size(), 1u);
    EXPECT_EQ(again.CategoryList(CODE_OTHER)->size(), 1u);
    EXPECT_EQ(again.DeviceName, "装置");
    ASSERT_TRUE(again.WriteOutputs());
    EXPECT_EQ(ReadBytes(TxtPath()), written);
}

// What the user types into the classification pane is stored as the file will carry it.
TEST_F(DeviceModelFile, TypedDescriptionsAreStoredByTheLineRule) {
    Classify(app);
    CPointClassifier c(app);
    EXPECT_TRUE(c.CommitDescription(Cat("遥信"), "CTRL/Q0XCBR1$ST$Pos$stVal", -1, " 开关\"(甲 "));
    EXPECT_EQ(app.CategoryList(CODE_YX)->front().Description, "开关  甲");
}
