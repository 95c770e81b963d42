#include "debugger/views/MainFrame.h"

#include "debugger/model/AppRules.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/QuorvexApp.h"

#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace quorvex {

using platform::Qs;
using platform::Ss;

CNoticeDlg::CNoticeDlg(const std::string& text, QWidget* parent) : QDialog(parent) {
    setObjectName("CNoticeDlg");
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(Qs(text), this);
    m_text->setObjectName("text");
    layout->addWidget(m_text);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move((s.width() - width()) / 2, (s.height() - height()) / 2);
    }
}

CMainFrame::CMainFrame(CQuorvexApp& app) : app_(app) {
    setObjectName("CMainFrame");
    setWindowTitle("装置调试工具");
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("mdiArea");
    setCentralWidget(mdi_);
    for (int i = 0; i < kTimerCount; ++i) {
        auto* t = new QTimer(this);
        t->setObjectName(QString("timer%1").arg(i));
        connect(t, &QTimer::timeout, this, [this, i] { OnTimer(i); });
        timers_[static_cast<std::size_t>(i)] = t;
    }
    linkStatus_ = new QLabel(unitlink::text::kLinkDown, this);
    linkStatus_->setObjectName("linkStatus");
    clock_ = new QLabel(this);
    clock_->setObjectName("clock");
    statusBar()->addPermanentWidget(linkStatus_);
    statusBar()->addPermanentWidget(clock_);
    clockTimer_ = new QTimer(this);
    connect(clockTimer_, &QTimer::timeout, this, &CMainFrame::Tick);
    clockTimer_->start(1000);
    BuildMenus();
    Tick();
}

CMainFrame::~CMainFrame() {
    CloseNotice();
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const char* caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString("cmd%1").arg(id));
    connect(a, &QAction::triggered, this, [this, id] { app_.RunCommand(id); });
    actions_[id] = a;
    return a;
}

void CMainFrame::BuildMenus() {
    QMenu* file = menuBar()->addMenu("文件(&F)");
    file->addAction("退出(&X)", this, &QWidget::close)->setObjectName("exit");
    QMenu* link = menuBar()->addMenu("通讯(&L)");
    AddCommand(link, kCmdConnectParam, "通讯参数(&P)");
    AddCommand(link, kCmdConnect, "建立连接(&C)");
    AddCommand(link, kCmdDisconnect, "断开连接(&D)");
    QMenu* ops = menuBar()->addMenu("操作(&A)");
    AddCommand(ops, kCmdRemoteStart, "远程启动");
    AddCommand(ops, kCmdStringCommand, "字符串命令");
    AddCommand(ops, kCmdDebugInfo, "调试信息");
    AddCommand(ops, kCmdDownloadFile, "下装文件");
    AddCommand(ops, kCmdUploadFile, "上装文件");
    AddCommand(ops, kCmdSetTime, "装置对时");
    QMenu* view = menuBar()->addMenu("查看(&W)");
    AddCommand(view, kCmdFileDirectory, "文件目录");
    AddCommand(view, kCmdProtocolInfo, "规约信息");
    AddCommand(view, kCmdHistoryEvents, "历史事件");
    AddCommand(view, kCmdRemoteCommands, "远方命令");
    AddCommand(view, kCmdWaveRecords, "波形记录");
    AddCommand(view, kCmdCommStatus, "通讯状态");
    AddCommand(view, kCmdDeviceTime, "装置时间");
    QMenu* monitor = menuBar()->addMenu("监视(&M)");
    AddCommand(monitor, kCmdSerialMonitor, "串口");
    AddCommand(monitor, kCmdNetMonitor, "网络口");
    AddCommand(monitor, kCmdRealTimeDb, "实时库");
    AddCommand(monitor, kCmdRefTable, "引用表");
    AddCommand(monitor, kCmdCancelAll, "取消置数");
    QToolBar* tools = addToolBar("工具栏");
    tools->setObjectName("toolBar");
    for (int id : {kCmdConnect, kCmdDisconnect, kCmdDebugInfo, kCmdSerialMonitor, kCmdNetMonitor,
                   kCmdRealTimeDb, kCmdRefTable})
        tools->addAction(actions_[id]);
    QMenu* show = menuBar()->addMenu("显示(V)");
    QAction* toolSwitch = tools->toggleViewAction();
    toolSwitch->setText("工具栏(&T)");
    show->addAction(toolSwitch);
    QAction* statusSwitch = show->addAction("状态栏(&S)");
    statusSwitch->setCheckable(true);
    statusSwitch->setChecked(true);
    connect(statusSwitch, &QAction::toggled, statusBar(), &QWidget::setVisible);
    QMenu* help = menuBar()->addMenu("帮助(&H)");
    AddCommand(help, kCmdAbout, "关于组态调试工具(&A)...");
    for (QMenu* m : {link, ops, view, monitor})
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
    UpdateCommands();
}

QAction* CMainFrame::Action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::UpdateCommands() {
    for (auto& [id, a] : actions_)
        a->setEnabled(app_.CommandEnabled(id));
}

void CMainFrame::Tick() {
    clock_->setText(Qs(ClockText()));
    UpdateCommands();
}

std::string CMainFrame::ClockText() const {
    const QTime now = QTime::currentTime();
    return platform::StrFormat("%d:%d:%d", now.hour(), now.minute(), now.second());
}

void CMainFrame::AddMonitor(QWidget* view) {
    QMdiSubWindow* sub = mdi_->addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(640, 400);
    sub->show();
}

void CMainFrame::SetMonitorTitle(QWidget* view, const std::string& title) {
    if (QWidget* w = view->parentWidget())
        w->setWindowTitle(Qs(title));
    view->setWindowTitle(Qs(title));
}

void CMainFrame::BringToTop(QWidget* view) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(view->parentWidget()))
        mdi_->setActiveSubWindow(sub);
}

void CMainFrame::CloseAllMonitors() {
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        delete sub;
}

void CMainFrame::StartTimer(int id, int ms) {
    if (id >= 0 && id < kTimerCount)
        timers_[static_cast<std::size_t>(id)]->start(ms);
}

void CMainFrame::StopTimer(int id) {
    if (id >= 0 && id < kTimerCount)
        timers_[static_cast<std::size_t>(id)]->stop();
}

bool CMainFrame::TimerActive(int id) const {
    return id >= 0 && id < kTimerCount && timers_[static_cast<std::size_t>(id)]->isActive();
}

int CMainFrame::TimerInterval(int id) const {
    return id >= 0 && id < kTimerCount ? timers_[static_cast<std::size_t>(id)]->interval() : 0;
}

void CMainFrame::OnTimer(int id) {
    if (CDeviceLink* link = app_.Link())
        link->OnTimer(id);
    UpdateCommands();
}

void CMainFrame::SetLinkStatus(const std::string& text) {
    linkStatus_->setText(Qs(text));
}

std::string CMainFrame::LinkStatus() const {
    return Ss(linkStatus_->text());
}

void CMainFrame::ShowNotice(const std::string& text) {
    if (notice_)
        return;
    notice_ = new CNoticeDlg(text, this);
    notice_->show();
    // The connect that follows blocks; the notice paints itself before it, without running the
    // event loop: no timer, queued call or worker job may run in the middle of connecting.
    notice_->repaint();
}

void CMainFrame::CloseNotice() {
    delete notice_;
    notice_ = nullptr;
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    app_.OnDisconnect();
    e->accept();
    // Open sheets and dialogs do not keep the program running.
    QCoreApplication::quit();
}

} // namespace quorvex
