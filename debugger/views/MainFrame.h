#pragma once
// The debugging program's main window: the MDI area of the monitor windows, the menus and tool
// bar of the commands, the status panes (link state and clock), the notice window and every
// timer of the program, whose expiry goes to the link.
#include <QDialog>
#include <QMainWindow>

#include <array>
#include <map>
#include <string>

class QAction;
class QLabel;
class QMdiArea;
class QTimer;

namespace quorvex {

class CQuorvexApp;

// The one-line notice shown while the program waits for the unit.
class CNoticeDlg : public QDialog {
    Q_OBJECT
public:
    CNoticeDlg(const std::string& text, QWidget* parent = nullptr);
    QLabel* m_text;
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kTimerCount = 11;

    explicit CMainFrame(CQuorvexApp& app);
    ~CMainFrame() override;

    void AddMonitor(QWidget* view);
    void SetMonitorTitle(QWidget* view, const std::string& title);
    void BringToTop(QWidget* view);
    void CloseAllMonitors();

    void StartTimer(int id, int ms);
    void StopTimer(int id);
    bool TimerActive(int id) const;
    int TimerInterval(int id) const;
    // A timer expired (also called by tests).
    void OnTimer(int id);

    void SetLinkStatus(const std::string& text);
    std::string LinkStatus() const;
    std::string ClockText() const;

    void ShowNotice(const std::string& text);
    void CloseNotice();
    CNoticeDlg* Notice() const { return notice_; }

    QAction* Action(int id) const;
    // The enabled state of every command action from the application's rules.
    void UpdateCommands();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildMenus();
    QAction* AddCommand(QMenu* menu, int id, const char* caption);
    void Tick();

    CQuorvexApp& app_;
    QMdiArea* mdi_;
    QLabel* linkStatus_;
    QLabel* clock_;
    QTimer* clockTimer_;
    std::array<QTimer*, kTimerCount> timers_{};
    std::map<int, QAction*> actions_;
    CNoticeDlg* notice_ = nullptr;
};

} // namespace quorvex
