#include "iedinterface/views/ConfigView.h"
#include "iedinterface/views/IcdInterface.h"
#include "iedinterface/views/MainFrame.h"
#include "iedinterface/views/PointListView.h"
#include "platform/ui/WidgetPrompt.h"
#include "tests/iedinterface/IedTestUtil.h"
#include "tests/support/PromptRecorder.h"

#include <functional>
#include <gtest/gtest.h>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

using namespace iedinterface;
using platform::Qs;

namespace {

int Cat(const char* name) {
    return CategoryIndexFromName(name);
}

QStringList Column(QTableWidget* list, int column) {
    QStringList texts;
    for (int r = 0; r < list->rowCount(); ++r)
        texts << list->item(r, column)->text();
    return texts;
}

void SelectRows(QTableWidget* list, std::initializer_list<QString> refs) {
    list->clearSelection();
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const QString& ref : refs)
        for (int r = 0; r < list->rowCount(); ++r)
            if (list->item(r, 0)->text() == ref)
                list->selectRow(r);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
}

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : "(灰)"));
    return texts;
}

class ClassificationWindow : public ::testing::Test {
protected:
    void SetUp() override {
        app.LoadDoNameDesTable(iedtest::NameTableFile());
        cid = iedtest::CopySample(iedtest::SclFile("QXB610.cid"), dir.Path(), "QXB610.cid");
        ASSERT_EQ(app.ReadICDFile(cid), 1);
        frame = std::make_unique<CMainFrame>(app, &host);
        config = frame->ConfigView();
        dataSet = frame->DataSetView();
        lndata = frame->LndataView();
    }
    void TearDown() override { platform::SetDialogRunner(nullptr); }
    QTabBar* Tab(QWidget* pane) { return pane->findChild<QTabBar*>("tab"); }

    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    CIcdInterfaceApp app;
    std::string cid;
    QWidget host;
    std::unique_ptr<CMainFrame> frame;
    CConfigView* config = nullptr;
    CPointListView* dataSet = nullptr;
    CPointListView* lndata = nullptr;
};

} // namespace

TEST_F(ClassificationWindow, LayoutCaptionsAndFirstFill) {
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("IEC61850装置测点配置——IEC61850_QXB610"));
    EXPECT_EQ(frame->size(), QSize(800, 600));
    EXPECT_EQ(frame->Splitter()->count(), 3);
    EXPECT_FALSE(frame->findChild<QMainWindow*>()->isWindow()); // panes and tool bar inside the frame
    EXPECT_EQ(frame->Splitter()->sizes().at(2), 0);
    EXPECT_EQ(Tab(config)->count(), 15);
    EXPECT_EQ(Tab(config)->tabText(10), QStringLiteral("遥调"));
    EXPECT_EQ(Tab(dataSet)->count(), 6);
    EXPECT_EQ(Tab(lndata)->tabText(3), QStringLiteral("控制类"));
    EXPECT_EQ(config->findChild<QLabel*>("caption")->text(), QStringLiteral("装置测点分类信息："));
    EXPECT_EQ(lndata->findChild<QLabel*>("caption")->text(), QStringLiteral("IEC61850-非引入DataSet数据："));
    EXPECT_EQ(Column(dataSet->List(), 0),
              (QStringList{"PROT/PTOC1$ST$Op$general", "PROT/PTOC1$ST$Op$phsA", "PROT/PTOC2$ST$Op$general",
                           "CTRL/Q0XCBR1$ST$Pos$stVal"}));
    EXPECT_EQ(dataSet->List()->columnCount(), 4);
    EXPECT_EQ(config->List()->columnCount(), 3);
}

TEST_F(ClassificationWindow, TabsOfThePanesFollowEachOther) {
    Tab(config)->setCurrentIndex(Cat("遥控"));
    EXPECT_EQ(Tab(dataSet)->currentIndex(), 3);
    EXPECT_EQ(Tab(lndata)->currentIndex(), 3);
    EXPECT_EQ(config->List()->columnCount(), 4);
    EXPECT_EQ(lndata->List()->columnCount(), 5);
    EXPECT_EQ(Column(lndata->List(), 4), QStringList{"sbo-with-normal-security"});

    Tab(lndata)->setCurrentIndex(2); // 测量类
    EXPECT_EQ(Tab(dataSet)->currentIndex(), 2);
    EXPECT_EQ(Tab(config)->currentIndex(), Cat("遥测"));
    EXPECT_EQ(Column(dataSet->List(), 0), QStringList{"PROT/MMXU1$MX$A$phsA$cVal$mag$f"});
}

TEST_F(ClassificationWindow, AddAndDeleteThroughTheMenus) {
    QMenu* menu = dataSet->CreateContextMenu();
    EXPECT_EQ(MenuTexts(menu), QStringList{"<<添加(灰)"});
    delete menu;
    SelectRows(dataSet->List(), {"PROT/PTOC1$ST$Op$general", "CTRL/Q0XCBR1$ST$Pos$stVal"});
    menu = dataSet->CreateContextMenu();
    menu->actions().front()->trigger();
    delete menu;
    EXPECT_EQ(Column(config->List(), 0),
              (QStringList{"PROT/PTOC1$ST$Op$general", "CTRL/Q0XCBR1$ST$Pos$stVal"}));
    EXPECT_EQ(dataSet->List()->rowCount(), 2);

    // A measurement cannot go into 遥信: refused with its message, the point stays in its pane.
    Tab(config)->setCurrentIndex(Cat("遥信"));
    Tab(dataSet)->setCurrentIndex(2);
    EXPECT_EQ(Tab(config)->currentIndex(), Cat("遥测"));
    Tab(config)->setCurrentIndex(Cat("遥信"));
    EXPECT_EQ(Tab(dataSet)->currentIndex(), 0);

    Tab(config)->setCurrentIndex(Cat("遥信"));
    menu = config->CreateContextMenu();
    EXPECT_EQ(MenuTexts(menu), QStringList{"删除>>(灰)"}); // no copy items outside 遥调
    delete menu;
    SelectRows(config->List(), {"PROT/PTOC1$ST$Op$general"});
    QTest::keyClick(config->List(), Qt::Key_Delete);
    EXPECT_EQ(Column(config->List(), 0), QStringList{"CTRL/Q0XCBR1$ST$Pos$stVal"});
    EXPECT_EQ(dataSet->List()->rowCount(), 3);

    // Ctrl+C and Ctrl+V do nothing outside 遥调.
    SelectRows(config->List(), {"CTRL/Q0XCBR1$ST$Pos$stVal"});
    QTest::keyClick(config->List(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(config->List(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(config->List()->rowCount(), 1);
}

TEST_F(ClassificationWindow, WrongClassIsRefused) {
    Tab(dataSet)->setCurrentIndex(2);
    frame->ConfigView()->SelectCategory(Cat("遥信"));
    SelectRows(dataSet->List(), {"PROT/MMXU1$MX$A$phsA$cVal$mag$f"});
    dataSet->OnAdd();
    EXPECT_EQ(prompts.LastText(), "测点：PROT/MMXU1$MX$A$phsA$cVal$mag$f，类型不对应，不能添加！");
    EXPECT_EQ(dataSet->List()->rowCount(), 1);
    EXPECT_EQ(config->List()->rowCount(), 0);
}

TEST_F(ClassificationWindow, TapChangerEditingCopyAndPaste) {
    Tab(config)->setCurrentIndex(Cat("遥调"));
    EXPECT_EQ(config->List()->columnCount(), 5);
    SelectRows(lndata->List(), {"CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal"});
    lndata->OnAdd();
    ASSERT_EQ(config->List()->rowCount(), 1);
    EXPECT_EQ(config->List()->item(0, 4)->text(), QStringLiteral("UPDOWN"));

    SelectRows(config->List(), {"CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal"});
    QMenu* menu = config->CreateContextMenu();
    EXPECT_EQ(MenuTexts(menu), (QStringList{"删除>>", "-", "复制\tCtrl+C", "粘贴\tCtrl+V(灰)"}));
    delete menu;
    QTest::keyClick(config->List(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(config->List(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(config->List()->rowCount(), 2);

    config->BeginEdit(1, 4);
    EXPECT_FALSE(config->Combo()->isHidden());
    config->Combo()->setCurrentIndex(1);
    config->BeginEdit(1, 1); // moving on commits the direction and opens the description
    EXPECT_EQ(config->List()->item(1, 4)->text(), QStringLiteral("STOP"));
    config->Edit()->setText(QStringLiteral(" 停止调档 "));
    config->CommitEdits();
    EXPECT_EQ(config->List()->item(1, 1)->text(), QStringLiteral("停止调档"));
    const CSCDPointRefList& yt = *app.CategoryList(CODE_YT);
    EXPECT_EQ(yt[1].TapChgDir, "STOP");
    EXPECT_EQ(yt[1].Description, "停止调档");
    EXPECT_EQ(yt[0].TapChgDir, "UPDOWN");
}

TEST(ClassificationExports, NullParentAndCancelWriteNothingOkWritesThePair) {
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    const std::string cid = iedtest::CopySample(iedtest::SclFile("QXB610.cid"), dir.Path(), "dev1.CID");
    ASSERT_EQ(ReadICDFile(cid.c_str()), 1);
    const QRect rect(0, 0, 600, 800);
    EXPECT_EQ(OpenCIDSpy(nullptr, &rect), 0);

    QWidget host;
    std::vector<std::string> seen;
    std::function<int(QDialog&)> respond = [](QDialog& d) {
        d.reject();
        return d.result();
    };
    platform::SetDialogRunner([&](QDialog& d) {
        seen.push_back(platform::Ss(d.objectName()));
        EXPECT_TRUE(d.windowState() & Qt::WindowMaximized);
        return respond(d);
    });
    EXPECT_EQ(OpenCIDSpy(&host, &rect), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "IEC61850_dev1.txt"));

    respond = [](QDialog& d) {
        auto* frame = static_cast<CMainFrame*>(&d);
        SelectRows(frame->DataSetView()->List(), {"PROT/PTOC1$ST$Op$general"});
        frame->DataSetView()->OnAdd();
        frame->findChild<QAction*>("actionOk")->trigger();
        return d.result();
    };
    EXPECT_EQ(OpenCIDSpy(&host, &rect), 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"cidSpyFrame", "cidSpyFrame"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "IEC61850_dev1.cfg"));
    EXPECT_NE(
        testsupport::ReadGbkText(dir / "IEC61850_dev1.txt").find("[遥信]\n1,1,1,充电过流Ⅰ段动作,,,合,分,"),
        std::string::npos);
    platform::SetDialogRunner(nullptr);

    // The file dialog entry point: cancelled, nothing read.
    platform::SetDialogRunner([](QDialog& d) {
        d.reject();
        return d.result();
    });
    EXPECT_EQ(InputICDFile(""), 0);
    // Chosen and accepted: read like ReadICDFile, the base name from the chosen file.
    const std::string icd = iedtest::CopySample(iedtest::SclFile("QXB610.cid"), dir.Path(), "dev2.ICD");
    platform::SetDialogRunner([&](QDialog& d) {
        auto& files = static_cast<QFileDialog&>(d);
        EXPECT_EQ(files.nameFilters(), (QStringList{"CID文件 (*.CID)", "ICD文件 (*.ICD)"}));
        files.selectFile(Qs(icd));
        QMetaObject::invokeMethod(&files, "accept", Qt::DirectConnection);
        return d.result();
    });
    EXPECT_EQ(InputICDFile(""), 1);
    platform::SetDialogRunner(nullptr);
    EXPECT_EQ(TheIcdInterfaceApp().BaseName, "IEC61850_dev2");
    EXPECT_EQ(TheIcdInterfaceApp().OutputFolder, dir.Path().string());
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST_F(ClassificationWindow, AboutDialogAndCloseBox) {
    std::vector<QString> titles;
    platform::SetDialogRunner([&](QDialog& d) {
        titles.push_back(d.windowTitle());
        EXPECT_EQ(d.findChild<QLabel*>("aboutText")->text(),
                  QStringLiteral("61850装置配置文本生成工具  1.00 版"));
        d.accept();
        return d.result();
    });
    frame->findChild<QAction*>("actionAbout")->trigger();
    EXPECT_EQ(titles, std::vector<QString>{QStringLiteral("装置配置文件生成工具")});
    platform::SetDialogRunner([](QDialog& d) {
        d.close(); // the close box
        return d.result();
    });
    EXPECT_EQ(frame->RunPointConfig(), 0);
}

namespace {

// Every column of a list at least as wide as its title with the header's label margins, and as
// its widest cell with the cell's own margins (the style's focus-frame margin plus one a side).
void ExpectColumnsFitTheirTexts(QTableWidget* list, const char* pane) {
    const QFontMetrics cells(list->font());
    const QFontMetrics titles(list->horizontalHeader()->font());
    const int cellMargin = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    const int titleMargin = 2 * list->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, list);
    for (int c = 0; c < list->columnCount(); ++c) {
        const int title = titles.horizontalAdvance(list->horizontalHeaderItem(c)->text());
        EXPECT_GE(list->columnWidth(c), title + titleMargin) << pane << " column " << c;
        int widest = 0;
        for (int r = 0; r < list->rowCount(); ++r)
            if (QTableWidgetItem* item = list->item(r, c))
                widest = std::max(widest, cells.horizontalAdvance(item->text()));
        if (widest > 0) {
            EXPECT_GE(list->columnWidth(c), widest + cellMargin) << pane << " column " << c;
        }
    }
}

} // namespace

// The window opens with its columns sized to titles and contents, not squeezed to a default, and
// keeps them so when the user switches tabs and adds points.
TEST_F(ClassificationWindow, ColumnsOpenWideEnoughForTitlesAndTexts) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get(), 5000));
    ExpectColumnsFitTheirTexts(config->List(), "classification");
    ExpectColumnsFitTheirTexts(dataSet->List(), "data sets");
    ExpectColumnsFitTheirTexts(lndata->List(), "other points");
    EXPECT_GE(dataSet->List()->columnWidth(0),
              QFontMetrics(dataSet->List()->font()).horizontalAdvance("CTRL/Q0XCBR1$ST$Pos$stVal"));

    Tab(config)->setCurrentIndex(Cat("遥控"));
    SelectRows(lndata->List(), {"CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal"});
    lndata->OnAdd();
    ASSERT_EQ(config->List()->rowCount(), 1);
    ExpectColumnsFitTheirTexts(config->List(), "classification 遥控");
    ExpectColumnsFitTheirTexts(lndata->List(), "other points 控制类");
    frame->hide();
}

// The exports are found by their plain names, as the main tool looks them up.
TEST(ClassificationExports, EntryPointsHaveUndecoratedNames) {
    const QString library = QStringLiteral(QXM_PROGRAM_DIR "/libQXM7740_Interface.so");
    QLibrary lib(library);
    ASSERT_TRUE(lib.load()) << platform::Ss(lib.errorString());
    EXPECT_EQ(reinterpret_cast<void*>(lib.resolve("ReadICDFile")), reinterpret_cast<void*>(&ReadICDFile));
    EXPECT_EQ(reinterpret_cast<void*>(lib.resolve("OpenCIDSpy")), reinterpret_cast<void*>(&OpenCIDSpy));
    EXPECT_EQ(reinterpret_cast<void*>(lib.resolve("InputICDFile")), reinterpret_cast<void*>(&InputICDFile));
}

TEST(ClassificationExports, AfterAFailedReadNothingIsShownOrWritten) {
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    const std::string bad = iedtest::CopySample(iedtest::SclFile("NoTemplates.icd"), dir.Path(), "bad.ICD");
    // An earlier classification of the file is kept.
    testsupport::WriteBytes(dir / "IEC61850_bad.txt", "earlier");
    ASSERT_EQ(ReadICDFile(bad.c_str()), 0);
    QWidget host;
    int shown = 0;
    platform::SetDialogRunner([&](QDialog& d) {
        ++shown;
        static_cast<CMainFrame&>(d).findChild<QAction*>("actionOk")->trigger();
        return d.result();
    });
    const QRect rect(0, 0, 600, 800);
    EXPECT_EQ(OpenCIDSpy(&host, &rect), 0);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(testsupport::ReadBytes(dir / "IEC61850_bad.txt"), "earlier");
    EXPECT_FALSE(std::filesystem::exists(dir / "IEC61850_bad.cfg"));

    // A good file read after it is classified again.
    const std::string good = iedtest::CopySample(iedtest::SclFile("QXB610.cid"), dir.Path(), "good.CID");
    ASSERT_EQ(ReadICDFile(good.c_str()), 1);
    EXPECT_EQ(OpenCIDSpy(&host, &rect), 1);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "IEC61850_good.cfg"));
    platform::SetDialogRunner(nullptr);
}
