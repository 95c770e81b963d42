#pragma once
// The main tool's frame window: menu, toolbar and status bar, the docking "Workspace" bar with the
// project tree and the docking monitor bar with the communication monitor, the project commands
// (new, open, save, save as, close), the view commands, the SCD entry points, and the receiving
// end of what the link and the worker report: the wait dialog with its progress bar, coloured
// monitor lines, and the request to open an uploaded project. The reports may come from the
// worker thread; they run on the user-interface thread while the worker waits, as sent messages
// did. No widget is touched from the worker.
#include "configtool/link/LinkInterfaces.h"
#include "configtool/model/RecentFileList.h"
#include "configtool/shellui/DownloadProgressDlg.h"
#include "configtool/shellui/TextView.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <QMainWindow>
#include <QPointer>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;

namespace qxm7740 {

class CConfigDoc;
class CConfigToolApp;
class CMainTabBar;
class IProjectTemplate;

class CMainFrame : public QMainWindow, public ILinkReport {
    Q_OBJECT
public:
    explicit CMainFrame(CConfigToolApp& app);
    ~CMainFrame() override;

    // The action of a menu command by its caption (null when there is none).
    QAction* Action(const std::string& caption) const;
    QMdiArea* MdiArea() const { return m_pMdiArea; }
    CMainTabBar* WorkspaceBar() const { return m_pWorkspaceBar; }
    CMainTabBar* MonitorBar() const { return m_pMonitorBar; }
    CDebugTextView* MonitorView() const { return m_pMonitorView; }
    CDownloadProgressDlg* WaitDialog() const { return m_pWaitDlg; }

    // Link-status text of its status pane.
    const std::string& GetLinkStatus() const { return m_strLinkStatus; }
    void SetLinkStatus(const std::string& text);
    // The link-status pane's text as it is shown now.
    std::string LinkPaneText() const;

    // Name of the last project the wizard made.
    const std::string& GetNewProjectName() const { return m_strNewProjectName; }

    // The reports of the link and the worker (callable from any thread).
    void OpenWait(int mode, const std::string& text) override;
    void CloseWait() override;
    void Progress(int what, std::uint32_t position) override;
    void WaitText(const std::string& text) override;
    void MonitorText(LinkColour colour, const std::string& text) override;
    void MonitorBytes(LinkColour colour, const std::uint8_t* data, std::size_t size) override;
    // The uploaded project to open, handled later on the user-interface thread (a posted request),
    // once no box or dialog is open.
    void PostOpenProject(const std::string& path);
    // Brings the monitor bar into view (callable from any thread).
    void ShowMonitorBar();

    // Project commands.
    void OnNewProject();
    void OnOpenProject();
    // Opens a project's main configuration file and makes it the current project; 1 on success.
    int OpenProjectPath(const std::string& path);
    // "保存工程": 1 when the project was saved.
    int OnSaveProject();
    int OnSaveProjectAs();
    void OnViewMonitor();
    void OnViewWorkspace();
    void OnAutoSort();
    void OnGenerateText();
    void OnProjectScd();
    void OnImportScd();
    // "IEC61850装置测点配置": a CID file read and classified by the classification library.
    void OnCidConfig();

    const CRecentFileList& RecentFiles() const { return m_recent; }
    // The recent-project entry i of the File menu (null beyond the list).
    QAction* RecentAction(std::size_t i) const;

    // Refreshes the enabled and checked states of the commands and the status panes.
    void UpdateCommandUI();
    // Shows the current project in the workspace bar.
    void RebuildTree();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // How long a posted project opening waits before it looks again for an open box or dialog.
    static constexpr int kOpenRetryMs = 100;
    void OpenProjectWhenFree(const std::string& path);
    void CreateMenus();
    void CreateBars();
    void LoadRecentFiles();
    void SaveRecentFiles();
    void UpdateRecentMenu();
    void OnOpenRecent(std::size_t i);
    QAction* AddCommand(QMenu* menu, const std::string& caption, void (CMainFrame::*handler)());
    QAction* AddAppCommand(QMenu* menu, const std::string& caption, std::function<void()> handler);
    // The commands that neither read nor change the project (views, about): they run during a job.
    static bool IsApartFromProject(const std::string& caption);
    IProjectTemplate* Template() const;
    CConfigDoc* CurrentDoc() const;
    // Asks "是否先保存当前的组态信息?" (是/否/取消) when the current project holds unsaved changes,
    // saves on Yes, then closes every project. False on 取消 or when the save was refused or failed
    // (nothing is closed).
    bool CloseCurrentProject();
    // The question and the save of CloseCurrentProject alone. False when the save was refused or
    // failed.
    bool SaveBeforeClosing();
    // Saves through the template and puts the saved main file at the head of the recent-file
    // list; the template's result.
    int SaveAndRemember(CConfigDoc* doc, bool asNew);
    // Closes every project without a question.
    void CloseProjects();
    void MakeCurrent(CConfigDoc* doc, const std::string& title);
    // An open-file dialog with one filter; "" on Cancel.
    std::string AskOpenFile(const std::string& filter, const std::string& folder);
    // Shown on the user-interface thread (the handlers of the sent reports).
    void DoOpenWait(int mode, const std::string& text);
    void DoCloseWait();
    void DoMonitor(LinkColour colour, const std::string& text, const std::uint8_t* data, std::size_t size);

    CConfigToolApp& m_app;
    QMdiArea* m_pMdiArea = nullptr;
    CMainTabBar* m_pWorkspaceBar = nullptr;
    CMainTabBar* m_pMonitorBar = nullptr;
    // Guarded: a report arriving while the frame closes must not touch a deleted window.
    QPointer<CDebugTextView> m_pMonitorView;
    QPointer<CDownloadProgressDlg> m_pWaitDlg;
    QLabel* m_pLinkPane = nullptr;
    QLabel* m_pClockPane = nullptr;
    QTimer* m_pTimer = nullptr;
    std::map<std::string, QAction*> m_actions;
    CRecentFileList m_recent;
    std::vector<QAction*> m_recentActions;
    std::string m_strLinkStatus = "通讯中断";
    std::string m_strNewProjectFolder;
    std::string m_strNewProjectName;
};

} // namespace qxm7740
