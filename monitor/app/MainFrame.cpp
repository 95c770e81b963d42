#include "monitor/app/MainFrame.h"

#include "monitor/app/CommandIds.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/OverallView.h"
#include "monitor/app/WarnView.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <ctime>
#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

using platform::Qs;
using platform::Ss;

namespace marindle {

namespace {
// How often the link's timers are moved on.
constexpr int kLinkTickMs = 100;

// A tab's page whose contents are built when it is first shown: a page behind another tab costs
// the main window's first layout and paint nothing.
class CLaterPage : public QWidget {
public:
    CLaterPage(QWidget* parent, std::function<void()> build) : QWidget(parent), build_(std::move(build)) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (build_)
            std::exchange(build_, nullptr)();
    }

private:
    std::function<void()> build_;
};
} // namespace

CMainFrame::CMainFrame(CMarindleApp& app) : app_(app) {
    setObjectName("CMainFrame");
    setWindowTitle(Qs(CMarindleApp::kTitle));
    CreateClientArea();
    const auto [view, tools] = CreateMenusAndToolBar();
    CreateStatusBar();
    CreateDocks(view, tools);
    StartTimers();
    UpdateCommands();
    resize(1024, 720);
}

void CMainFrame::CreateClientArea() {
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("mdiArea");
    // The tabs over the client area: one per open monitor window; a click activates it.
    mdi_->setViewMode(QMdiArea::TabbedView);
    mdi_->setTabsClosable(true);
    mdi_->setTabsMovable(true);
    setCentralWidget(mdi_);
    // Every window shows maximised when its tab is activated. The area restores the window it
    // activates after the active one was closed (a reconnect closes the link-bound windows), and
    // from then on every tab would open restored.
    connect(mdi_, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* sub) {
        if (sub && !sub->isMaximized())
            sub->showMaximized();
    });
    // A double click on the selected tab closes its window.
    if (auto* tabs = mdi_->findChild<QTabBar*>())
        connect(tabs, &QTabBar::tabBarDoubleClicked, this, [this, tabs](int index) {
            if (index >= 0 && index == tabs->currentIndex() && mdi_->activeSubWindow())
                mdi_->activeSubWindow()->close();
        });
}

std::pair<QMenu*, QToolBar*> CMainFrame::CreateMenusAndToolBar() {
    QMenu* comm = menuBar()->addMenu(Qs("通讯(&C)"));
    AddCommand(comm, kCmdCommParams, "通讯参数(&P)", [this] { app_.OnCommParams(); });
    AddCommand(comm, kCmdConnect, "建立连接(&C)", [this] { app_.OnConnect(); });
    AddCommand(comm, kCmdDisconnect, "断开连接(&D)", [this] { app_.OnDisconnect(); });
    comm->addSeparator();
    AddCommand(comm, kCmdMainTrace, "通讯报文(&M)", [this] { app_.OnMainTrace(); });
    comm->addSeparator();
    AddCommand(comm, kCmdRemoteReset, "复位并重新启动通讯装置", [this] { app_.OnRemoteReset(); });
    AddCommand(comm, kCmdCancelAllManual, "取消所有置数", [this] { app_.OnCancelAllManual(); });
    QAction* clock = AddCommand(comm, kCmdDeviceClock, "查看或设置装置时钟", nullptr);
    AddCommand(comm, kCmdViewClocks, "查看时钟", [this] { app_.OnViewClocks(); });
    AddCommand(comm, kCmdSystemClock, "系统时钟", [this] { app_.OnSystemClock(); });
    AddCommand(comm, kCmdCustomClock, "自定义时钟", [this] { app_.OnCustomClock(); });
    AddCommand(comm, kCmdVersion, "查看装置版本", [this] { app_.OnVersion(); });
    comm->addSeparator();
    QAction* quit = comm->addAction(Qs("退出(&X)"));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(Qs("查看(&V)"));
    QMenu* help = menuBar()->addMenu(Qs("帮助(&H)"));
    AddCommand(help, kCmdAbout, "关于组态调试工具(&A)...", [this] { app_.OnAbout(); });

    auto* tools = addToolBar(Qs("工具栏"));
    tools->setObjectName("toolBar128");
    for (int id :
         {kCmdCommParams, kCmdConnect, kCmdDisconnect, kCmdMainTrace, kCmdRemoteReset, kCmdCancelAllManual})
        tools->addAction(actions_[id]);
    auto* clockButton = new QToolButton(tools);
    clockButton->setObjectName("clockButton");
    clockButton->setText(Qs("装置时钟"));
    clockButton->setToolTip(Qs("查看或设置装置时钟"));
    clockButton->setPopupMode(QToolButton::InstantPopup);
    auto* clockMenu = new QMenu(clockButton);
    for (int id : {kCmdViewClocks, kCmdSystemClock, kCmdCustomClock})
        clockMenu->addAction(actions_[id]);
    clockButton->setMenu(clockMenu);
    tools->addWidget(clockButton);
    connect(clock, &QAction::triggered, clockButton, &QToolButton::showMenu);
    tools->addAction(actions_[kCmdVersion]);
    return {view, tools};
}

void CMainFrame::CreateStatusBar() {
    // The status bar: message, address, link text, local time.
    address_ = new QLabel(Qs("000.000.000.000"), this);
    address_->setObjectName("pane59145");
    link_ = new QLabel(this);
    link_->setObjectName("pane59143");
    time_ = new QLabel(Qs("时间信息"), this);
    time_->setObjectName("pane59144");
    statusBar()->addPermanentWidget(address_);
    statusBar()->addPermanentWidget(link_);
    statusBar()->addPermanentWidget(time_);
}

void CMainFrame::CreateDocks(QMenu* view, QToolBar* tools) {
    workspace_ = new QDockWidget(Qs("结构图"), this);
    workspace_->setObjectName("bar32776");
    treeTabs_ = new QTabWidget(workspace_);
    treeTabs_->setTabPosition(QTabWidget::South);
    down_ = new COverallView(app_, 1, treeTabs_);
    upPage_ = new CLaterPage(treeTabs_, [this] { TreeView(2); });
    treeTabs_->addTab(down_, Qs("对下"));
    treeTabs_->addTab(upPage_, Qs("对上"));
    workspace_->setWidget(treeTabs_);
    workspace_->resize(220, 200);
    addDockWidget(Qt::LeftDockWidgetArea, workspace_);

    warnspace_ = new QDockWidget(Qs("事件"), this);
    warnspace_->setObjectName("bar32777");
    auto* warnTabs = new QTabWidget(warnspace_);
    warnTabs->setTabPosition(QTabWidget::South);
    warn_ = new CWarnView(warnTabs);
    warn_->onEvent = [this] { ShowWarnspace(); };
    warnTabs->addTab(warn_, Qs("告警事件"));
    warnspace_->setWidget(warnTabs);
    addDockWidget(Qt::BottomDockWidgetArea, warnspace_);

    QAction* showWork = workspace_->toggleViewAction();
    showWork->setText(Qs("结构图栏(&W)"));
    showWork->setData(kCmdShowWorkspace);
    actions_[kCmdShowWorkspace] = showWork;
    QAction* showWarn = warnspace_->toggleViewAction();
    showWarn->setText(Qs("事件栏(&E)"));
    showWarn->setData(kCmdShowWarnspace);
    actions_[kCmdShowWarnspace] = showWarn;
    view->addAction(showWork);
    view->addAction(showWarn);
    QAction* switchTree = view->addAction(Qs("切换结构图"));
    switchTree->setData(kCmdSwitchTree);
    actions_[kCmdSwitchTree] = switchTree;
    connect(switchTree, &QAction::triggered, this, [this] { SwitchTree(); });
    // The unit's system log collects the log entries the unit reports while it is open.
    QAction* log = view->addAction(Qs("系统日志"));
    log->setObjectName("actionSystemLog");
    connect(log, &QAction::triggered, this, [this] { app_.windows.OpenLog(0, 0); });
    tools->addAction(switchTree);

    down_->BuildTree();
}

COverallView* CMainFrame::TreeView(int mode) {
    if (mode == 1)
        return down_;
    if (mode != 2)
        return nullptr;
    if (!up_) {
        up_ = new COverallView(app_, 2, upPage_);
        upPage_->layout()->addWidget(up_);
        up_->BuildTree();
        if (upPage_->isVisible()) {
            // Shown from the page's show event: laid out and shown before the page is painted.
            up_->show();
            upPage_->layout()->activate();
        }
    }
    return up_;
}

void CMainFrame::StartTimers() {
    linkTimer_ = new QTimer(this);
    connect(linkTimer_, &QTimer::timeout, this, [this] { OnLinkTimer(); });
    elapsed_.start();
    linkTimer_->start(kLinkTickMs);
    timer0_ = new QTimer(this);
    connect(timer0_, &QTimer::timeout, this, [this] {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        if (localtime_r(&now, &tm))
            time_->setText(Qs(platform::StrFormat("%02u:%02u:%02u", tm.tm_hour, tm.tm_min, tm.tm_sec)));
        UpdateCommands();
    });
    timer0_->start(500);
}

CMainFrame::~CMainFrame() {
    // The monitor windows go before the frame's other parts: they reach the application.
    app_.windows.CloseAll();
    app_.windows.SetMdiArea(nullptr);
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const char* caption, std::function<void()> handler) {
    QAction* a = menu->addAction(Qs(caption));
    a->setData(id);
    a->setObjectName(QString("action%1").arg(id));
    actions_[id] = a;
    if (handler)
        connect(a, &QAction::triggered, this, std::move(handler));
    return a;
}

QAction* CMainFrame::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::UpdateCommands() {
    const bool up = app_.IsConnected();
    for (int id : {kCmdCommParams, kCmdConnect})
        actions_[id]->setEnabled(!up);
    for (int id : {kCmdDisconnect, kCmdRemoteReset, kCmdCancelAllManual, kCmdDeviceClock, kCmdViewClocks,
                   kCmdSystemClock, kCmdCustomClock, kCmdVersion})
        actions_[id]->setEnabled(up);
    if (auto* b = findChild<QToolButton*>("clockButton"))
        b->setEnabled(up);
}

void CMainFrame::OnLinkTimer() {
    const qint64 ms = elapsed_.restart();
    app_.link.AdvanceTime(static_cast<int>(ms));
}

void CMainFrame::SetAddressText(const std::string& text) {
    address_->setText(Qs(text));
}
void CMainFrame::SetLinkText(const std::string& text) {
    link_->setText(Qs(text));
}
std::string CMainFrame::AddressText() const {
    return Ss(address_->text());
}
std::string CMainFrame::LinkText() const {
    return Ss(link_->text());
}

void CMainFrame::ShowNotice(const std::string& text) {
    if (notice_)
        return;
    notice_ = std::make_unique<QDialog>(this);
    notice_->setObjectName("noticeWindow");
    notice_->setWindowTitle(Qs(CMarindleApp::kTitle));
    auto* label = new QLabel(Qs(text), notice_.get());
    label->setObjectName("static1001");
    auto* layout = new QVBoxLayout(notice_.get());
    layout->addWidget(label);
    notice_->setModal(false);
    notice_->show();
}

void CMainFrame::CloseNotice() {
    notice_.reset();
}

std::string CMainFrame::NoticeText() const {
    if (!notice_)
        return {};
    return Ss(notice_->findChild<QLabel*>("static1001")->text());
}

void CMainFrame::ShowWarnspace() {
    warnspace_->show();
}

void CMainFrame::SwitchTree() {
    treeTabs_->setCurrentIndex(treeTabs_->currentIndex() == 0 ? 1 : 0);
}

void CMainFrame::SelectNode(int kind, int deviceFlag, std::uint16_t key) {
    down_->SelectNode(kind, deviceFlag, key);
    TreeView(2)->SelectNode(kind, deviceFlag, key);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    app_.OnDisconnect();
    app_.CloseStartWindow();
    timer0_->stop();
    QMainWindow::closeEvent(event);
}

} // namespace marindle
