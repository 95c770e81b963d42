#pragma once
// The monitor program's main window: the monitor windows as tabs of the MDI area, the toolbar with
// the clock drop-down, the status bar with address, link text and time, the "Workspace" bar with
// the two structure trees and the "Warnspace" bar with the warning view, the notice window of the
// link, and the timer that drives the link's time-outs and keep-alive.
#include <functional>
#include <map>
#include <memory>
#include <QElapsedTimer>
#include <QMainWindow>
#include <string>
#include <utility>

class QAction;
class QDialog;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
class QTabWidget;
class QTimer;

namespace marindle {

class CMarindleApp;
class COverallView;
class CWarnView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CMarindleApp& app);
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return mdi_; }
    // The structure tree of the mode (1 "对下", 2 "对上"). The "对上" tree is hidden behind its tab at
    // first; it is built the first time it is shown or asked for, from the model as it is then.
    COverallView* TreeView(int mode);
    CWarnView* Warn() const { return warn_; }
    QDockWidget* WorkspaceBar() const { return workspace_; }
    QDockWidget* WarnspaceBar() const { return warnspace_; }

    void SetAddressText(const std::string& text);
    void SetLinkText(const std::string& text);
    std::string AddressText() const;
    std::string LinkText() const;

    // Message 0x401: a notice (a notice already up keeps its text); 0x402 closes it.
    void ShowNotice(const std::string& text);
    void CloseNotice();
    // The notice's text, empty when none is up.
    std::string NoticeText() const;

    // Enables the commands by the link state (down = only while disconnected, up = only while
    // connected).
    void UpdateCommands();
    QAction* Action(int id) const;
    // Shows the event bar (a new warning event arrived).
    void ShowWarnspace();
    // Switches the Workspace bar between the two trees.
    void SwitchTree();
    // Selects the node in both trees (communication state window).
    void SelectNode(int kind, int deviceFlag, std::uint16_t key);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // A command of the menus and toolbars; handler (when given) runs when it is triggered.
    QAction* AddCommand(QMenu* menu, int id, const char* caption, std::function<void()> handler);
    // The parts of the frame, built in this order by the constructor.
    void CreateClientArea();
    // The menus and the tool bar; the view menu and the tool bar take the docks' commands.
    std::pair<QMenu*, QToolBar*> CreateMenusAndToolBar();
    void CreateStatusBar();
    void CreateDocks(QMenu* view, QToolBar* tools);
    void StartTimers();
    void OnLinkTimer();

    CMarindleApp& app_;
    QMdiArea* mdi_ = nullptr;
    QDockWidget* workspace_ = nullptr;
    QDockWidget* warnspace_ = nullptr;
    QTabWidget* treeTabs_ = nullptr;
    COverallView* down_ = nullptr;
    // The "对上" tab's page and, once built, its tree.
    QWidget* upPage_ = nullptr;
    COverallView* up_ = nullptr;
    CWarnView* warn_ = nullptr;
    QLabel* address_ = nullptr;
    QLabel* link_ = nullptr;
    QLabel* time_ = nullptr;
    std::unique_ptr<QDialog> notice_;
    QTimer* linkTimer_ = nullptr;
    QTimer* timer0_ = nullptr;
    QElapsedTimer elapsed_;
    std::map<int, QAction*> actions_;
};

} // namespace marindle
