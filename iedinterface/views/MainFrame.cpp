#include "iedinterface/views/MainFrame.h"

#include "iedinterface/model/IcdInterfaceApp.h"
#include "iedinterface/model/PointClassifier.h"
#include "iedinterface/views/ConfigView.h"
#include "iedinterface/views/PointListView.h"
#include "platform/ui/WidgetPrompt.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace iedinterface {

using platform::Qs;

CMainFrame::CMainFrame(CIcdInterfaceApp& app, QWidget* owner)
    : QDialog(owner), m_classifier(std::make_unique<CPointClassifier>(app)) {
    setObjectName("cidSpyFrame");
    setWindowTitle(Qs("IEC61850装置测点配置——" + app.BaseName));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);

    // A main window inside the dialog gives the dockable tool bar and the status bar.
    m_frame = new QMainWindow(this);
    m_frame->setWindowFlags(Qt::Widget); // the constructor always makes a window of it
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);

    QToolBar* toolBar = m_frame->addToolBar(QStringLiteral("工具栏"));
    toolBar->setObjectName("toolBar");
    QAction* ok = toolBar->addAction(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("确定"),
                                     this, &CMainFrame::OnOK);
    ok->setObjectName("actionOk");
    ok->setToolTip(QStringLiteral("确定"));
    ok->setStatusTip(QStringLiteral("取消按当前配置生成TXT文本"));
    QAction* cancel = toolBar->addAction(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                         QStringLiteral("取消"), this, &CMainFrame::OnCancel);
    cancel->setObjectName("actionCancel");
    cancel->setToolTip(QStringLiteral("取消"));
    cancel->setStatusTip(QStringLiteral("取消生成TXT文本"));
    toolBar->addSeparator();
    QAction* about = toolBar->addAction(style()->standardIcon(QStyle::SP_MessageBoxInformation),
                                        QStringLiteral("关于"), this, &CMainFrame::OnAbout);
    about->setObjectName("actionAbout");
    m_frame->statusBar()->setObjectName("statusBar");

    m_splitter = new QSplitter(Qt::Horizontal, m_frame);
    m_splitter->setObjectName("splitter");
    m_configView = new CConfigView(*m_classifier, m_splitter);
    m_dataSetView = new CDataSetView(*m_classifier, m_splitter);
    m_lndataView = new CLndataView(*m_classifier, m_splitter);
    m_splitter->addWidget(m_configView);
    m_splitter->addWidget(m_dataSetView);
    m_splitter->addWidget(m_lndataView);
    m_frame->setCentralWidget(m_splitter);

    for (CPointListView* pane :
         {static_cast<CPointListView*>(m_dataSetView), static_cast<CPointListView*>(m_lndataView)}) {
        pane->CurrentCategory = [this] { return m_configView->Category(); };
        connect(pane, &CPointListView::ClassTabChanged, this,
                [this, pane](int tab) { OnClassTabChanged(pane, tab); });
        connect(pane, &CPointListView::PointsAdded, m_configView, &CConfigView::Refill);
        pane->Refill();
    }
    connect(m_configView, &CConfigView::CategoryChanged, this, &CMainFrame::OnCategoryChanged);
    connect(m_configView, &CConfigView::PointsReturned, this, [this] {
        m_dataSetView->Refill();
        m_lndataView->Refill();
    });

    resize(800, 600);
    m_splitter->setSizes({400, 400, 0});
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        const int half = m_splitter->width() / 2;
        m_splitter->setSizes({half, m_splitter->width() - half, 0});
    }
}

int CMainFrame::RunPointConfig() {
    QWidget* owner = parentWidget();
    const bool ownerActive = owner && owner->isActiveWindow();
    setWindowState(windowState() | Qt::WindowMaximized);
    int result = 0;
    try {
        result = platform::RunDialog(*this);
    } catch (...) {
        result = -1;
    }
    if (owner && ownerActive)
        owner->activateWindow();
    return result;
}

void CMainFrame::OnCategoryChanged(int index) {
    for (CPointListView* pane :
         {static_cast<CPointListView*>(m_dataSetView), static_cast<CPointListView*>(m_lndataView)})
        pane->SelectClassTab(CPointClassifier::AlignClassTab(pane->ClassTab(), index));
}

void CMainFrame::OnClassTabChanged(CPointListView* from, int tab) {
    CPointListView* other = from == m_dataSetView ? static_cast<CPointListView*>(m_lndataView)
                                                  : static_cast<CPointListView*>(m_dataSetView);
    other->SelectClassTab(tab);
    m_configView->SelectCategory(CPointClassifier::AlignCategoryTab(m_configView->Category(), tab));
}

void CMainFrame::OnAbout() {
    QDialog about(this);
    about.setObjectName("aboutDlg");
    about.setWindowTitle(QStringLiteral("装置配置文件生成工具"));
    auto* layout = new QVBoxLayout(&about);
    auto* text = new QLabel(QStringLiteral("61850装置配置文本生成工具  1.00 版"), &about);
    text->setObjectName("aboutText");
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(buttons);
    platform::RunDialog(about);
}

} // namespace iedinterface
