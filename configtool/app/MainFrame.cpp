#include "configtool/app/MainFrame.h"

#include "configtool/app/ConfigToolApp.h"
#include "configtool/app/ProjectTemplate.h"
#include "configtool/link/views/LinkColours.h"
#include "configtool/model/TextExport.h"
#include "configtool/shellui/DownloadProgressDlg.h"
#include "configtool/shellui/MainTabBar.h"
#include "configtool/shellui/SaveConfigDlg.h"
#include "configtool/shellui/TextView.h"
#include "configtool/shellui/WizardSheet.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/InPlaceEditor.h"
#include "platform/FileFaults.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QToolBar>

namespace qxm7740 {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using platform::Qs;
using platform::Ss;

namespace {
// The program's icon, drawn here: the main frame, its project windows and its dialogs show it
// (without one every sub-window shows Qt's own logo).
QIcon ProgramIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1F, 0x5F, 0xA8));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(20);
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("Q"));
    painter.end();
    return QIcon(pixmap);
}
} // namespace

CMainFrame::CMainFrame(CConfigToolApp& app) : m_app(app) {
    setObjectName("mainFrame");
    setWindowTitle("QXM7740组态工具");
    const QIcon icon = ProgramIcon();
    setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setObjectName("mdiArea");
    setCentralWidget(m_pMdiArea);
    CreateMenus();
    CreateBars();
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(500);
    connect(m_pTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    m_pTimer->start();
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    m_app.m_bWaitDlg = 0;
    CDocTemplateRef& ref = m_app.DocRef();
    ref.m_pDebugView = nullptr;
    ref.m_pOverView = nullptr;
    ref.m_pConfigDoc = nullptr;
    ref.m_pConfigFrame = nullptr;
}

QAction* CMainFrame::AddCommand(QMenu* menu, const std::string& caption, void (CMainFrame::*handler)()) {
    return AddAppCommand(menu, caption, [this, handler] { (this->*handler)(); });
}

QAction* CMainFrame::AddAppCommand(QMenu* menu, const std::string& caption, std::function<void()> handler) {
    // "标题\tCtrl+N": the part after the tab is the shortcut.
    const std::size_t tab = caption.find('\t');
    auto* action = new QAction(Qs(caption.substr(0, tab)), this);
    if (tab != std::string::npos)
        action->setShortcut(QKeySequence(Qs(caption.substr(tab + 1))));
    // While a job holds the project (an SCD import) only the commands that leave it alone run.
    const bool apart = IsApartFromProject(caption);
    connect(action, &QAction::triggered, this, [this, apart, handler = std::move(handler)] {
        if (apart || m_app.RefuseWhileJob())
            handler();
    });
    menu->addAction(action);
    m_actions[caption] = action;
    return action;
}

bool CMainFrame::IsApartFromProject(const std::string& caption) {
    return caption == "监视窗(&D)" || caption == "结构图" || caption == "关于 QXM7740(&A)...";
}

QAction* CMainFrame::Action(const std::string& caption) const {
    auto it = m_actions.find(caption);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateMenus() {
    CConfigToolApp& app = m_app;
    QMenu* file = menuBar()->addMenu("文件(&F)");
    AddCommand(file, "新建工程(&N)\tCtrl+N", &CMainFrame::OnNewProject);
    AddCommand(file, "打开工程(&O)...\tCtrl+O", &CMainFrame::OnOpenProject);
    AddAppCommand(file, "保存工程(&S)\tCtrl+S", [this] { OnSaveProject(); });
    AddAppCommand(file, "工程另存为(&A)...", [this] { OnSaveProjectAs(); });
    file->addSeparator();
    // The recent projects, shown while the list holds them.
    for (std::size_t i = 0; i < CRecentFileList::kSize; ++i) {
        auto* recent = new QAction(this);
        recent->setObjectName(Qs(platform::StrFormat("recentFile%zu", i + 1)));
        connect(recent, &QAction::triggered, this, [this, i] { OnOpenRecent(i); });
        file->addAction(recent);
        m_recentActions.push_back(recent);
    }
    file->addSeparator();
    AddAppCommand(file, "退出(&X)", [this] { close(); });
    LoadRecentFiles();

    QMenu* view = menuBar()->addMenu("查看(&V)");
    AddCommand(view, "监视窗(&D)", &CMainFrame::OnViewMonitor)->setCheckable(true);
    AddCommand(view, "结构图", &CMainFrame::OnViewWorkspace)->setCheckable(true);

    QMenu* project = menuBar()->addMenu("工程(&P)");
    AddCommand(project, "自动排序", &CMainFrame::OnAutoSort)->setCheckable(true);
    AddCommand(project, "生成文本", &CMainFrame::OnGenerateText);
    project->addSeparator();
    AddCommand(project, "工程配置", &CMainFrame::OnProjectScd);
    AddCommand(project, "导入SCD文件", &CMainFrame::OnImportScd);
    AddCommand(project, "IEC61850装置测点配置", &CMainFrame::OnCidConfig);

    QMenu* link = menuBar()->addMenu("通讯(&C)");
    AddAppCommand(link, "参数设置", [&app] { app.SetCommParam(); });
    AddAppCommand(link, "建立连接", [&app] { app.ConnectDevice(); });
    AddAppCommand(link, "断开连接", [&app] { app.OnDisconnect(); });
    link->addSeparator();
    // A download sends the project and an upload replaces it: an open cell edit is written first.
    AddAppCommand(link, "下装组态", [&app] {
        editors::CommitOpenEditors();
        app.OnDownloadConfig();
    });
    AddAppCommand(link, "上装组态", [&app] {
        editors::CommitOpenEditors();
        app.OnUploadConfig();
    });
    AddAppCommand(link, "下装文件", [&app] { app.OnDownloadFile(); });
    AddAppCommand(link, "重启动", [&app] { app.OnRestart(); });
    link->addSeparator();
    // The manager address and clock operations have no command behind them, so they show disabled.
    for (const char* caption : {"上装IP", "下装IP", "召唤时间", "设置时间"}) {
        QAction* item = link->addAction(caption);
        item->setEnabled(false);
        m_actions[caption] = item;
    }
    connect(link, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    connect(file, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    connect(view, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    connect(project, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);

    QMenu* tools = menuBar()->addMenu("工具(&T)");
    AddAppCommand(tools, "调试(&D)", [&app] { app.OnDebug(); });
    AddAppCommand(tools, "人员管理", [&app] { app.OnUserManage(); });

    QMenu* help = menuBar()->addMenu("帮助(&H)");
    AddAppCommand(help, "关于 QXM7740(&A)...", [&app] { app.OnAppAbout(); });

    QToolBar* toolbar = addToolBar("工具栏");
    toolbar->setObjectName("toolBar");
    toolbar->setMovable(true);
    Action("新建工程(&N)\tCtrl+N")->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    Action("打开工程(&O)...\tCtrl+O")->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    Action("保存工程(&S)\tCtrl+S")->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    Action("关于 QXM7740(&A)...")->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    toolbar->addAction(Action("新建工程(&N)\tCtrl+N"));
    toolbar->addAction(Action("打开工程(&O)...\tCtrl+O"));
    toolbar->addAction(Action("保存工程(&S)\tCtrl+S"));
    toolbar->addSeparator();
    toolbar->addAction(Action("关于 QXM7740(&A)..."));

    m_pLinkPane = new QLabel(this);
    m_pLinkPane->setObjectName("linkPane");
    m_pLinkPane->setMinimumWidth(
        m_pLinkPane->fontMetrics().horizontalAdvance("通讯中断    IP:000.000.000.000"));
    m_pClockPane = new QLabel(this);
    m_pClockPane->setObjectName("clockPane");
    statusBar()->showMessage("就绪");
    statusBar()->addPermanentWidget(m_pLinkPane);
    statusBar()->addPermanentWidget(m_pClockPane);
}

void CMainFrame::CreateBars() {
    m_pWorkspaceBar = new CMainTabBar("结构图", this);
    m_pWorkspaceBar->setObjectName("workspaceBar");
    auto* tree = new editors::CConfigOverView;
    tree->OnInitialUpdate();
    m_app.DocRef().m_pOverView = tree;
    m_pWorkspaceBar->AddView("组态", tree, style()->standardIcon(QStyle::SP_DirIcon));
    m_pWorkspaceBar->resize(220, 200);
    addDockWidget(Qt::LeftDockWidgetArea, m_pWorkspaceBar);
    resizeDocks({m_pWorkspaceBar}, {220}, Qt::Horizontal);

    m_pMonitorBar = new CMainTabBar("监视窗口", this);
    m_pMonitorBar->setObjectName("monitorBar");
    m_pMonitorView = new CDebugTextView;
    m_pMonitorView->setObjectName("monitorView");
    m_pMonitorBar->AddView("监视", m_pMonitorView);
    m_pMonitorBar->resize(220, 100);
    addDockWidget(Qt::BottomDockWidgetArea, m_pMonitorBar);
    m_pMonitorBar->hide();
    m_app.DocRef().m_pDebugView = m_pMonitorView;
}

IProjectTemplate* CMainFrame::Template() const {
    return m_app.GetProjectTemplate();
}

CConfigDoc* CMainFrame::CurrentDoc() const {
    return m_app.DocRef().m_pConfigDoc;
}

void CMainFrame::SetLinkStatus(const std::string& text) {
    m_strLinkStatus = text;
    m_pLinkPane->setText(Qs(m_strLinkStatus));
}

std::string CMainFrame::LinkPaneText() const {
    return Ss(m_pLinkPane->text());
}

void CMainFrame::UpdateCommandUI() {
    const bool project = CurrentDoc() != nullptr;
    const bool connected = m_app.IsLinkConnected();
    // A running job disables every command that could touch the project; without one each follows
    // its own state.
    const bool free = m_app.RunningJob().empty();
    for (const auto& [caption, action] : m_actions)
        if (!IsApartFromProject(caption) && caption != "上装IP" && caption != "下装IP" &&
            caption != "召唤时间" && caption != "设置时间")
            action->setEnabled(free);
    for (QAction* recent : m_recentActions)
        recent->setEnabled(free);
    if (free) {
        Action("保存工程(&S)\tCtrl+S")->setEnabled(project);
        Action("工程另存为(&A)...")->setEnabled(project);
        Action("工程配置")->setEnabled(project && Template());
        Action("导入SCD文件")->setEnabled(project && Template());
        Action("建立连接")->setEnabled(!connected);
        Action("断开连接")->setEnabled(connected);
        Action("下装文件")->setEnabled(connected);
        Action("重启动")->setEnabled(connected);
    }
    Action("监视窗(&D)")->setChecked(!m_pMonitorBar->isHidden());
    Action("结构图")->setChecked(!m_pWorkspaceBar->isHidden());
    Action("自动排序")->setChecked(projectmodel::CProjectContext::Instance().IsDeviceTableSorted());

    m_pLinkPane->setText(Qs(m_strLinkStatus));
    const QTime now = QTime::currentTime();
    m_pClockPane->setText(Qs(platform::StrFormat("%d:%d:%d", now.hour(), now.minute(), now.second())));
}

// ---- Recent projects ----------------------------------------------------------------------------

namespace {

constexpr const char* kRecentGroup = "Recent File List";

} // namespace

void CMainFrame::LoadRecentFiles() {
    QSettings settings;
    settings.beginGroup(kRecentGroup);
    std::vector<std::string> paths;
    for (std::size_t i = 1; i <= CRecentFileList::kSize; ++i) {
        const QString path = settings.value(QString("File%1").arg(i)).toString();
        if (!path.isEmpty())
            paths.push_back(Ss(path));
    }
    m_recent.SetPaths(paths);
    UpdateRecentMenu();
}

void CMainFrame::SaveRecentFiles() {
    QSettings settings;
    settings.beginGroup(kRecentGroup);
    const std::vector<std::string>& paths = m_recent.GetPaths();
    for (std::size_t i = 0; i < CRecentFileList::kSize; ++i) {
        const QString key = QString("File%1").arg(i + 1);
        if (i < paths.size())
            settings.setValue(key, Qs(paths[i]));
        else
            settings.remove(key);
    }
}

void CMainFrame::UpdateRecentMenu() {
    for (std::size_t i = 0; i < m_recentActions.size(); ++i) {
        const std::string text = m_recent.MenuText(i);
        m_recentActions[i]->setText(Qs(text));
        m_recentActions[i]->setVisible(!text.empty());
    }
}

QAction* CMainFrame::RecentAction(std::size_t i) const {
    return i < m_recent.GetPaths().size() ? m_recentActions[i] : nullptr;
}

void CMainFrame::OnOpenRecent(std::size_t i) {
    if (i >= m_recent.GetPaths().size() || !m_app.RefuseWhileJob())
        return;
    const std::string path = m_recent.GetPaths()[i];
    if (!OpenProjectPath(path) && !platform::StatPath(path).exists && !platform::StatPath(path).Failed()) {
        // A project that is gone leaves the list, as it did with the class library; one that
        // could not be looked at stays.
        m_recent.Remove(path);
        SaveRecentFiles();
        UpdateRecentMenu();
    }
}

// ---- Reports of the link and the worker -------------------------------------------------------

void CMainFrame::OpenWait(int mode, const std::string& text) {
    platform::RunOnUiThread([&] { DoOpenWait(mode, text); });
}

void CMainFrame::CloseWait() {
    platform::RunOnUiThread([&] { DoCloseWait(); });
}

void CMainFrame::Progress(int, std::uint32_t position) {
    platform::RunOnUiThread([&] {
        if (m_pWaitDlg)
            m_pWaitDlg->SetPos(static_cast<int>(std::min<std::uint32_t>(position, 100)));
    });
}

void CMainFrame::WaitText(const std::string& text) {
    platform::RunOnUiThread([&] {
        if (m_pWaitDlg) {
            m_pWaitDlg->SetText(text);
            m_pWaitDlg->update();
        }
    });
}

void CMainFrame::MonitorText(LinkColour colour, const std::string& text) {
    platform::RunOnUiThread([&] { DoMonitor(colour, text, nullptr, 0); });
}

void CMainFrame::MonitorBytes(LinkColour colour, const std::uint8_t* data, std::size_t size) {
    platform::RunOnUiThread([&] { DoMonitor(colour, {}, data, size); });
}

void CMainFrame::ShowMonitorBar() {
    platform::RunOnUiThread([this] {
        if (m_pMonitorBar && m_pMonitorBar->isHidden())
            m_pMonitorBar->show();
    });
}

void CMainFrame::PostOpenProject(const std::string& path) {
    QMetaObject::invokeMethod(
        this, [this, path] { OpenProjectWhenFree(path); }, Qt::QueuedConnection);
}

void CMainFrame::OpenProjectWhenFree(const std::string& path) {
    // Opening a project frees the current document and its views. An open box or dialog runs its
    // own event loop, and the code waiting for its answer may still hold them: the opening waits
    // until no box or dialog is open and no job holds the project; nothing opens once the program
    // ends. It waits, too, until the link job that posted it has ended: the job's ending box comes
    // after the post, and the opening's own question must not stand beside it.
    if (m_app.IsExiting())
        return;
    if (QApplication::activeModalWidget() || !m_app.RunningJob().empty() || !m_app.m_bIdle) {
        QTimer::singleShot(kOpenRetryMs, this, [this, path] { OpenProjectWhenFree(path); });
        return;
    }
    OpenProjectPath(path);
}

void CMainFrame::DoOpenWait(int mode, const std::string& text) {
    if (m_pWaitDlg)
        return;
    m_app.m_bWaitDlg = 1;
    m_pWaitDlg = new CDownloadProgressDlg(this);
    m_pWaitDlg->SetCloseHandler([this] {
        m_app.m_bWaitDlg = 0;
        UpdateCommandUI();
    });
    // The configuration must not change while a job runs; closing the dialog still ends the job.
    m_pWaitDlg->setWindowModality(Qt::ApplicationModal);
    m_pWaitDlg->SetProgressMode(mode == 0);
    m_pWaitDlg->SetText(text);
    m_pWaitDlg->show();
    UpdateCommandUI();
}

void CMainFrame::DoCloseWait() {
    delete m_pWaitDlg;
    m_pWaitDlg = nullptr;
    m_app.m_bWaitDlg = 0;
    UpdateCommandUI();
}

void CMainFrame::DoMonitor(LinkColour colour, const std::string& text, const std::uint8_t* data,
                           std::size_t size) {
    if (!m_pMonitorView)
        return;
    // Queued: the pane appends once per event-loop turn, so the link's frame handling never waits.
    if (data)
        m_pMonitorView->FeedHex(data, size, LinkLineColour(colour));
    else
        m_pMonitorView->FeedLine(text, LinkLineColour(colour));
}

// ---- Projects ----------------------------------------------------------------------------------

bool CMainFrame::CloseCurrentProject() {
    if (!SaveBeforeClosing())
        return false;
    CloseProjects();
    return true;
}

bool CMainFrame::SaveBeforeClosing() {
    // A cell still being edited (a toolbar button or a shortcut leaves its editor open) is written
    // back before the project is asked about, so that its value counts as a change.
    editors::CommitOpenEditors();
    CConfigDoc* doc = CurrentDoc();
    IProjectTemplate* t = Template();
    if (!doc || !t)
        return true;
    if (!t->IsModified(doc))
        return true;
    // 取消 (Escape, the close button) keeps the project open as it is.
    const Answer answer =
        platform::MessageBox("是否先保存当前的组态信息?", {}, Icon::Question, Buttons::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    // A save that was refused or failed keeps the project open: nothing unsaved is lost.
    return answer != Answer::Yes || OnSaveProject();
}

void CMainFrame::CloseProjects() {
    IProjectTemplate* t = Template();
    if (!CurrentDoc() || !t)
        return;
    t->CloseAllDocuments();
    m_app.DocRef().m_pConfigDoc = nullptr;
    m_app.DocRef().m_pConfigFrame = nullptr;
    RebuildTree();
}

void CMainFrame::MakeCurrent(CConfigDoc* doc, const std::string& title) {
    IProjectTemplate* t = Template();
    CDocTemplateRef& ref = m_app.DocRef();
    ref.m_pConfigDoc = doc;
    ref.m_pConfigFrame = t->GetFrame(doc);
    if (ref.m_pConfigFrame && !ref.m_bNoMaximize)
        ref.m_pConfigFrame->showMaximized();
    t->SetTitle(doc, title);
    RebuildTree();
}

void CMainFrame::OnNewProject() {
    // The question comes before the wizard, and the project closes only once the wizard was
    // accepted: a cancelled wizard leaves the current project open as it was.
    if (!SaveBeforeClosing())
        return;
    // A new project is made below the program's own root, whatever folder the open one uses.
    const std::filesystem::path root =
        CurrentDoc() ? platform::RootFolderFrom(m_app.GetProgramFolder()) : m_app.GetRootFolder();
    CWizardSheet sheet(root.string(), this);
    if (platform::RunDialog(sheet) != QDialog::Accepted)
        return;
    if (CurrentDoc()) {
        CloseProjects();
        m_app.SetFoldersFrom(m_app.GetProgramFolder());
    }
    m_strNewProjectFolder = sheet.GetFolder();
    m_strNewProjectName = sheet.GetName();
    IProjectTemplate* t = Template();
    if (m_strNewProjectName.empty() || !t)
        return;
    CConfigDoc* doc = t->NewProject(m_strNewProjectFolder, m_strNewProjectName);
    if (!doc) {
        RebuildTree();
        return;
    }
    MakeCurrent(doc, platform::StrFormat("新建组态，工程名：%s", m_strNewProjectName.c_str()));
}

std::string CMainFrame::AskOpenFile(const std::string& filter, const std::string& folder) {
    QFileDialog dlg(this, QString(), Qs(folder), Qs(filter));
    dlg.setObjectName("openFileDialog");
    platform::PrepareFileDialog(dlg);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    if (platform::RunDialog(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return Ss(dlg.selectedFiles().front());
}

void CMainFrame::OnOpenProject() {
    const std::string path = AskOpenFile("组态文件 (*.ini)", m_app.GetProjectsFolder().string());
    if (!path.empty())
        OpenProjectPath(path);
}

int CMainFrame::OpenProjectPath(const std::string& path) {
    if (!CloseCurrentProject())
        return 0;
    IProjectTemplate* t = Template();
    if (!t)
        return 0;
    CConfigDoc* doc = t->OpenProject(path);
    if (!doc) {
        RebuildTree();
        return 0;
    }
    MakeCurrent(doc, path);
    m_recent.Add(path);
    SaveRecentFiles();
    UpdateRecentMenu();
    return 1;
}

int CMainFrame::OnSaveProject() {
    CConfigDoc* doc = CurrentDoc();
    IProjectTemplate* t = Template();
    if (!doc || !t)
        return 0;
    if (platform::MessageBox("是否保存为新的组态文件？", "确认", Icon::Question, Buttons::YesNo) ==
        Answer::Yes)
        return OnSaveProjectAs();
    // The question ran an event loop: the document is looked up again.
    doc = CurrentDoc();
    return doc ? SaveAndRemember(doc, false) : 0;
}

int CMainFrame::SaveAndRemember(CConfigDoc* doc, bool asNew) {
    IProjectTemplate* t = Template();
    if (!t || !t->SaveProject(doc, asNew))
        return 0;
    // The saved version is the one to open again: it heads the recent-file list.
    if (CConfigDoc* saved = CurrentDoc()) {
        const std::string path = t->GetSavedPath(saved);
        if (!path.empty()) {
            m_recent.Add(path);
            SaveRecentFiles();
            UpdateRecentMenu();
        }
    }
    return 1;
}

int CMainFrame::OnSaveProjectAs() {
    CConfigDoc* doc = CurrentDoc();
    IProjectTemplate* t = Template();
    if (!doc || !t)
        return 0;
    const std::string oldName = t->GetProjectName(doc);
    const std::string oldFolder = m_app.GetProjectsFolder().string();
    CSaveConfigDlg dlg(oldName, oldFolder, this);
    // The dialogs and questions run event loops: the document is looked up again after each.
    if (platform::RunDialog(dlg) != QDialog::Accepted || !(doc = CurrentDoc()))
        return 0;
    if (!platform::EqualsNoCase(dlg.GetProjectName(), oldName) ||
        !platform::EqualsNoCase(dlg.GetPath(), oldFolder)) {
        m_app.SetProjectsFolder(dlg.GetPath());
        t->SetProjectName(doc, dlg.GetProjectName());
        if (SaveAndRemember(doc, true))
            return 1;
        // A refused or failed save leaves the project where it was, so that a later save in place
        // does not write it under the name that was never saved.
        m_app.SetProjectsFolder(oldFolder);
        if ((doc = CurrentDoc()))
            t->SetProjectName(doc, oldName);
        return 0;
    }
    return SaveAndRemember(doc, false);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_app.RefuseWhileJob()) {
        event->ignore();
        return;
    }
    editors::CommitOpenEditors();
    CConfigDoc* doc = CurrentDoc();
    IProjectTemplate* t = Template();
    if (doc && t) {
        const Answer answer =
            platform::MessageBox("保存当前组态信息吗?", {}, Icon::Question, Buttons::YesNoCancel);
        if (answer == Answer::Cancel) {
            event->ignore();
            return;
        }
        // A save that fails or is cancelled keeps the program open: nothing unsaved is lost. The
        // question ran an event loop: the document is looked up again.
        doc = CurrentDoc();
        if (answer == Answer::Yes && doc && !SaveAndRemember(doc, false)) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void CMainFrame::RebuildTree() {
    if (editors::CConfigOverView* tree = m_app.DocRef().m_pOverView)
        tree->RebuildTree();
}

// ---- View commands ------------------------------------------------------------------------------

void CMainFrame::OnViewMonitor() {
    m_pMonitorBar->setVisible(m_pMonitorBar->isHidden());
    UpdateCommandUI();
}

void CMainFrame::OnViewWorkspace() {
    m_pWorkspaceBar->setVisible(m_pWorkspaceBar->isHidden());
    UpdateCommandUI();
}

void CMainFrame::OnAutoSort() {
    projectmodel::CProjectContext& context = projectmodel::CProjectContext::Instance();
    const bool on = !context.IsDeviceTableSorted();
    context.SetDeviceTableSorted(on);
    if (on && CurrentDoc() && Template())
        Template()->SortDevices(CurrentDoc());
    UpdateCommandUI();
}

void CMainFrame::OnGenerateText() {
    CConfigDoc* doc = CurrentDoc();
    IProjectTemplate* t = Template();
    QWidget* view = m_app.DocRef().GetFirstView();
    if (!doc || !t || !view)
        return;
    auto* splitter = qobject_cast<QSplitter*>(view->parentWidget());
    if (!splitter || splitter->count() < 1)
        return;
    QWidget* pane = splitter->widget(0);
    const auto* source = dynamic_cast<const editors::ITextExportSource*>(pane);
    if (!source || !CTextExport::IsListView(pane->metaObject()->className()))
        return;
    const editors::CTextExportList list = source->GetTextExport();
    const std::string name = CTextExport::DefaultName(list.title, list.tabCaption);
    const std::filesystem::path folder =
        CTextExport::InitialFolder(m_app.GetProjectsFolder(), t->GetProjectName(doc));

    // "(*)", not "(*.*)": with "*.*" Qt's save dialog replaces the extension of the proposed name.
    QFileDialog dlg(this, QString(), Qs((folder / "").string()), "所有文件 (*)");
    dlg.setObjectName("saveFileDialog");
    platform::PrepareFileDialog(dlg);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.selectFile(Qs(name));
    if (platform::RunDialog(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    const std::string path = Ss(dlg.selectedFiles().front());
    const std::string bytes = CTextExport::Build(name, list.columns, list.rows);
    if (!platform::WriteFileBytes(std::filesystem::path(path), bytes))
        platform::MessageBox("打开文件 " + path + " 失败!", {}, Icon::Warning);
}

void CMainFrame::OnProjectScd() {
    CConfigDoc* doc = CurrentDoc();
    IProjectTemplate* t = Template();
    if (!doc || !t)
        return;
    const std::string path = AskOpenFile("配置文件 (*.scd)", {});
    // The file dialog ran an event loop: the document is looked up again.
    if (path.empty() || !(doc = CurrentDoc()))
        return;
    const CConfigToolApp::CProjectJob job(m_app, "导入SCD文件");
    t->SetProjectScd(doc, path);
}

void CMainFrame::OnCidConfig() {
    const std::string path = AskOpenFile("CID文件 (*.CID)", m_app.GetIniFolder().string());
    if (path.empty())
        return;
    projectmodel::IClassificationLibrary& library = projectmodel::CProjectContext::Instance().Classifier();
    if (library.ReadICDFile(path))
        library.OpenCIDSpy(0, 0, 600, 800);
}

void CMainFrame::OnImportScd() {
    CConfigDoc* doc = CurrentDoc();
    IProjectTemplate* t = Template();
    if (!doc || !t)
        return;
    const std::string path = AskOpenFile("配置文件 (*.scd)", {});
    // The file dialog ran an event loop: the document is looked up again.
    if (path.empty() || !(doc = CurrentDoc()))
        return;
    const CConfigToolApp::CProjectJob job(m_app, "导入SCD文件");
    t->ImportScd(doc, path);
}

} // namespace qxm7740
