// The user's road through the classification library from the main tool: a project over the
// shipped library whose ICD device has no device-model text yet, the library loaded by name and
// its window driven like a user, an SCD imported, the project saved and opened again in a fresh
// document; and the main tool's messages when the library cannot be used.
#include "configtool/app/AppClassifier.h"
#include "points/SCDImport.h"
#include "projectmodel/ConfigDoc.h"
#include "tests/projectmodel/DocFixture.h"
#include "tests/support/DialogRunnerGuard.h"
#include "tests/support/Found.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QDialog>
#include <QTabBar>
#include <QTableWidget>

using namespace points;

using namespace qxm7740;

using namespace projectmodel;
using platform::Answer;
namespace fs = std::filesystem;

namespace {

class ClassificationJourney : public doctest::DocFixture {};

// Every point of every device of one document is found in the other with its group and texts.
void ExpectSamePoints(const CConfigDoc& saved, CConfigDoc& reopened, int& points) {
    for (const CDevice& device : saved.m_devices) {
        const CDevice* again = reopened.m_devices.FindByAddress(device.m_nAddress);
        ASSERT_NE(again, nullptr) << "device " << device.m_nAddress;
        EXPECT_EQ(again->m_strModelName, device.m_strModelName);
        for (const CInfoGroup& group : device.m_model.m_groups)
            for (const CInfoEntry& entry : group.m_entries) {
                const CInfoEntry* read =
                    reopened.FindDeviceInfo(device.m_nAddress, group.m_nGroupNo, entry.m_nEntry);
                ASSERT_NE(read, nullptr)
                    << device.m_nAddress << "-" << group.m_nGroupNo << "-" << entry.m_nEntry;
                EXPECT_EQ(read->m_strDesc, entry.m_strDesc);
                EXPECT_EQ(read->m_strGroupName, entry.m_strGroupName);
                EXPECT_EQ(read->m_strField7, entry.m_strField7);
                EXPECT_EQ(read->m_strField8, entry.m_strField8);
                EXPECT_EQ(read->m_strReference, entry.m_strReference);
                ++points;
            }
    }
}

} // namespace

TEST_F(ClassificationJourney, ImportClassifySaveAndReopenKeepEveryPoint) {
    // The shipped pair of the ICD device goes, so the project asks to classify it.
    fs::remove(Lib("二次装置/IEC61850_QXB610.txt"));
    fs::remove(Lib("二次装置/IEC61850_QXB610.cfg"));
    QWidget host;
    CAppClassifier classifier([&host]() -> QWidget* { return &host; }, QXM_PROGRAM_DIR);
    CProjectContext::Instance().SetClassifier(&classifier);

    int windows = 0;
    testsupport::DialogRunnerGuard guard([&](QDialog& d) {
        ++windows;
        EXPECT_EQ(d.objectName(), "cidSpyFrame");
        auto* dataSets = d.findChild<QWidget*>("dataSetView")->findChild<QTableWidget*>("list");
        auto* others = d.findChild<QWidget*>("lndataView")->findChild<QTableWidget*>("list");
        auto* categories = d.findChild<QWidget*>("configView")->findChild<QTabBar*>("tab");
        // Every data-set indication into 遥信, then every control into 遥控, by double clicks.
        EXPECT_EQ(categories->tabText(categories->currentIndex()), "遥信");
        dataSets->selectAll();
        EXPECT_GT(dataSets->rowCount(), 0);
        emit dataSets->cellDoubleClicked(0, 0);
        EXPECT_EQ(dataSets->rowCount(), 0);
        for (int i = 0; i < categories->count(); ++i)
            if (categories->tabText(i) == "遥控")
                categories->setCurrentIndex(i);
        others->selectAll();
        EXPECT_GT(others->rowCount(), 0);
        emit others->cellDoubleClicked(0, 0);
        d.findChild<QAction*>("actionOk")->trigger();
        return d.result();
    });
    prompts.Script({Answer::Yes});
    CConfigDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"61850装置:QXB610 的txt文本不存在，是否进行转换？"});
    ASSERT_TRUE(fs::is_regular_file(Lib("二次装置/IEC61850_QXB610.txt")));
    const CDeviceTemplate* model = doc.m_deviceModels.FindByName("IEC61850_QXB610");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->m_groups.GetSize(), 3); // 遥信, 遥控, 特殊遥信
    EXPECT_EQ(model->m_groups[0].m_strName, "遥信");
    EXPECT_EQ(model->m_groups[0].m_nType, kInfoTypeYX);
    EXPECT_EQ(model->m_groups[0].m_entries.GetSize(), 3);
    EXPECT_EQ(model->m_groups[1].m_nType, kInfoTypeYK);
    const CInfoEntry* breaker = model->FindEntry(1, 3);
    ASSERT_NE(breaker, nullptr);
    EXPECT_EQ(breaker->m_strReference, "CTRL/Q0XCBR1$ST$Pos$stVal");

    // The SCD's devices and one device of the classified model.
    CSCDImport import;
    import.ImportSCD(doc, (testsupport::TestDataDir() / "scl" / "station.scd").string());
    const int scdDevices = doc.m_devices.GetSize();
    ASSERT_GE(scdDevices, 4);
    model = doc.m_deviceModels.FindByName("IEC61850_QXB610"); // the import added models
    ASSERT_NE(model, nullptr);
    CDevice device = CDevice::CDeviceFromTemplate(*model);
    doc.m_devices.PrepareNewDevice(device);
    const int address = device.m_nAddress;
    ASSERT_GE(doc.m_devices.Insert(device), 0);
    // A user's rename with characters a configuration line cannot carry.
    CDevice* placed = doc.FindDevice(address);
    ASSERT_NE(placed, nullptr);
    testsupport::Found(placed->m_model.FindEntry(1, 3))->m_strDesc = "母联(断路器";
    EXPECT_EQ(prompts.Count(), 1u);

    ASSERT_EQ(doc.SaveProject(false), 1);
    CProjectContext::Instance().SetLibraryFolder(root / "Ini");
    CConfigDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(root / "Project/Demo/ProjectV1.00/QXM7740.ini"));
    EXPECT_EQ(prompts.Count(), 1u) << prompts.LastText();
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(reopened.m_devices.GetSize(), doc.m_devices.GetSize());
    testsupport::Found(placed->m_model.FindEntry(1, 3))->m_strDesc = "母联 断路器"; // as the file carries it
    int points = 0;
    ExpectSamePoints(doc, reopened, points);
    EXPECT_GT(points, 20);
    const CInfoEntry* control = reopened.FindDeviceInfo(address, 2, 1);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->m_strReference, "CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal");
    CProjectContext::Instance().SetClassifier(nullptr);
}

// Without the library, or with a file that lacks the entry points, the main tool says so and reads
// nothing.
TEST(ClassificationLoading, MissingLibraryOrEntryPointIsReported) {
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    CAppClassifier missing([]() -> QWidget* { return nullptr; }, dir.Path());
    EXPECT_EQ(missing.ReadICDFile("x.cid"), 0);
    EXPECT_EQ(missing.OpenCIDSpy(0, 0, 600, 800), 0);
    ASSERT_EQ(prompts.Count(), 2u);
    EXPECT_EQ(prompts.Texts()[0].rfind(
                  "无法加载IEC61850测点分类库 " + (dir / "libQXM7740_Interface.so").string(), 0),
              0u);
    EXPECT_EQ(prompts.Messages()[0].caption, "错误");

    // Another library of the suite under the name: loaded, but without the entry points.
    fs::create_symlink(fs::path(QXM_PROGRAM_DIR) / "libsclparser.so", dir / "libQXM7740_Interface.so");
    prompts.Clear();
    CAppClassifier wrong([]() -> QWidget* { return nullptr; }, dir.Path());
    EXPECT_EQ(wrong.ReadICDFile("x.cid"), 0);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"IEC61850测点分类库 " + (dir / "libQXM7740_Interface.so").string() +
                                       " 中没有入口 ReadICDFile！"});

    // The real library is found by its names.
    prompts.Clear();
    CAppClassifier real([]() -> QWidget* { return nullptr; }, QXM_PROGRAM_DIR);
    EXPECT_TRUE(real.Load());
    EXPECT_EQ(real.OpenCIDSpy(0, 0, 600, 800), 0); // no owner window: nothing shown or written
    EXPECT_EQ(prompts.Count(), 0u);
}
