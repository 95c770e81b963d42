#include "iedinterface/model/PointClassifier.h"
#include "tests/iedinterface/IedTestUtil.h"
#include "tests/support/Found.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>

using namespace iedinterface;

namespace {

int Cat(const char* name) {
    return CategoryIndexFromName(name);
}

class PointClassifier : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(
            app.ReadICDFile(iedtest::CopySample(iedtest::SclFile("QXB610.cid"), dir.Path(), "QXB610.cid")),
            1);
    }
    std::vector<std::string> Refs(const std::vector<CPointRow>& rows) {
        std::vector<std::string> refs;
        for (const auto& r : rows)
            refs.push_back(r.Reference);
        return refs;
    }
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    CIcdInterfaceApp app;
    CPointClassifier c{app};
};

} // namespace

TEST_F(PointClassifier, AddingChecksConfigurationAndClass) {
    EXPECT_TRUE(c.AddPoints(0, Cat("遥信"), {"PROT/MMXU1$MX$A$phsA$cVal$mag$f"}).empty());
    EXPECT_EQ(prompts.LastText(), "测点：PROT/MMXU1$MX$A$phsA$cVal$mag$f，类型不对应，不能添加！");
    EXPECT_EQ(prompts.Messages().back().caption, "错误");
    EXPECT_EQ(prompts.Messages().back().icon, platform::Icon::Error);
    EXPECT_EQ(c.PointRows(0, 12).size(), 1u);

    EXPECT_EQ(c.AddPoints(0, Cat("遥信"), {"PROT/PTOC1$ST$Op$general", "PROT/PTOC1$ST$Op$general"}).size(),
              1u);
    EXPECT_EQ(prompts.LastText(), "测点：PROT/PTOC1$ST$Op$general 已经被添加到组态类型中！");
    EXPECT_EQ(Refs(c.PointRows(0, 10)),
              (std::vector<std::string>{"PROT/PTOC1$ST$Op$phsA", "PROT/PTOC2$ST$Op$general",
                                        "CTRL/Q0XCBR1$ST$Pos$stVal"}));
    const auto rows = c.ConfigRows(Cat("遥信"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Description, "充电过流Ⅰ段动作");
    EXPECT_EQ(rows[0].Cdc, "ACT");
    EXPECT_TRUE(c.ConfigRows(Cat("动作元件")).empty()); // same code, other category
}

TEST_F(PointClassifier, EmptyDescriptionsAreNumberedByTheRowsShown) {
    const std::vector<std::string> refs = {"PROT/PTOC2$SP$StrVal$setMag$f"};
    CSCDPointRefList& other = *app.CategoryList(CODE_OTHER);
    auto record = [](const std::string& ref, const char* category) {
        CSCDPointRef r;
        r.Reference = ref;
        r.CategoryName = category;
        return r;
    };
    for (int i = 0; i < 3; ++i)
        other.push_back(record("X" + std::to_string(i), "定值"));
    other.push_back(record("Y", "故障信息"));
    ASSERT_EQ(c.AddPoints(1, Cat("定值"), refs).size(), 1u);
    EXPECT_EQ(other.back().Description, "定值3");
    EXPECT_EQ(other.back().Source, 1);
}

TEST_F(PointClassifier, RemovingGivesThePointBackToItsOwnPane) {
    ASSERT_EQ(c.AddPoints(1, Cat("动作元件"), {"PROT/PTOC2$ST$Op$phsA"}).size(), 1u);
    ASSERT_EQ(c.AddPoints(0, Cat("动作元件"), {"PROT/PTOC1$ST$Op$phsA"}).size(), 1u);
    EXPECT_TRUE(c.CommitDescription(Cat("动作元件"), "prot/ptoc2$st$op$phsa", -1, "  改过的  "));
    EXPECT_FALSE(c.CommitDescription(Cat("动作元件"), "PROT/PTOC2$ST$Op$phsA", -1, "改过的"));
    c.RemoveRows(Cat("动作元件"), {"PROT/PTOC2$ST$Op$phsA"});
    EXPECT_EQ(c.ConfigRows(Cat("动作元件")).size(), 1u);
    const CCidPoint* p = app.FindOtherPoint("PROT/PTOC2$ST$Op$phsA");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Configured, 0);
    EXPECT_EQ(p->Description, "改过的");
    ASSERT_FALSE(c.PointRows(1, 10).empty());
    EXPECT_EQ(c.PointRows(1, 10).front().Reference, "PROT/PTOC2$ST$Op$phsA");
    EXPECT_EQ(c.PointRows(0, 10).size(), 3u); // nothing came back to the DataSet pane
}

TEST_F(PointClassifier, TapChangersAreCopiedPastedAndRemovedTogether) {
    const std::string ref = "CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal";
    ASSERT_EQ(c.AddPoints(1, Cat("遥调"), {ref}).size(), 1u);
    EXPECT_EQ(app.CategoryList(CODE_YT)->front().TapChgDir, "UPDOWN");
    c.Copy({ref});
    EXPECT_EQ(c.Paste(), 1);
    auto rows = c.ConfigRows(Cat("遥调"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].CopyIndex, 1);
    EXPECT_EQ(rows[1].CtlModel, "sbo-with-normal-security");
    EXPECT_TRUE(c.CommitDirection(Cat("遥调"), ref, 1, "STOP"));
    EXPECT_TRUE(c.CommitDescription(Cat("遥调"), ref, 1, "停"));
    rows = c.ConfigRows(Cat("遥调"));
    EXPECT_EQ(rows[0].TapChgDir, "UPDOWN");
    EXPECT_EQ(rows[1].TapChgDir, "STOP");
    EXPECT_EQ(rows[1].Description, "停");
    EXPECT_NE(rows[0].Description, "停");

    c.RemoveRows(Cat("遥调"), {ref});
    EXPECT_TRUE(c.ConfigRows(Cat("遥调")).empty());
    EXPECT_TRUE(c.CopyBuffer().empty());
    EXPECT_EQ(c.Paste(), 0);
    EXPECT_EQ(testsupport::Found(app.FindOtherPoint(ref))->Configured, 0);
}

TEST_F(PointClassifier, TabsFollowTheClassesThatTakeACategory) {
    // 遥控 while a pane shows 状态类: the pane goes to 控制类.
    EXPECT_EQ(CPointClassifier::AlignClassTab(0, Cat("遥控")), 3);
    EXPECT_EQ(CPointClassifier::AlignClassTab(2, Cat("遥测")), 2);
    EXPECT_EQ(CPointClassifier::AlignClassTab(2, Cat("遥信")), 0);
    EXPECT_EQ(CPointClassifier::AlignClassTab(0, Cat("定值区号")), 4);
    EXPECT_EQ(CPointClassifier::AlignCategoryTab(Cat("遥信"), 2), Cat("遥测"));
    EXPECT_EQ(CPointClassifier::AlignCategoryTab(Cat("故障信息"), 2), Cat("故障信息"));
    EXPECT_EQ(CPointClassifier::AlignCategoryTab(Cat("遥测"), 5), Cat("定值"));
}

TEST_F(PointClassifier, ASelectionRefusedForOneReasonIsToldInOneBox) {
    const std::vector<std::string> measurands = Refs(c.PointRows(0, 12));
    const std::vector<std::string> indications = Refs(c.PointRows(0, 10));
    ASSERT_GE(measurands.size(), 1u);
    ASSERT_GE(indications.size(), 4u);
    ASSERT_EQ(c.AddPoints(0, Cat("遥信"), {indications[0], indications[1]}).size(), 2u);
    ASSERT_EQ(prompts.Count(), 0u);

    // Two already configured: one box naming the first and the count.
    EXPECT_TRUE(c.AddPoints(0, Cat("遥信"), {indications[0], indications[1]}).empty());
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"测点：" + indications[0] + "等2个测点已经被添加到组态类型中！"});
    // Two of the wrong class among one that goes in.
    prompts.Clear();
    EXPECT_EQ(c.AddPoints(0, Cat("遥测"), {indications[2], measurands[0], indications[3]}),
              std::vector<std::string>{measurands[0]});
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"测点：" + indications[2] + "等2个测点类型不对应，不能添加！"});
    EXPECT_EQ(prompts.Messages().back().caption, "错误");
    EXPECT_EQ(prompts.Messages().back().icon, platform::Icon::Error);
    EXPECT_EQ(Refs(c.PointRows(0, 10)), (std::vector<std::string>{indications[2], indications[3]}));
}
