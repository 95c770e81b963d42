#pragma once
// The base of every monitor window: its kind and key as the window manager finds it, and the
// count of open monitor windows that it lowers when it goes.
#include <cstdint>
#include <QWidget>
#include <string>

class QLabel;

namespace marindle {

class CMarindleApp;

// The window kinds of the window manager.
enum WindowKind {
    kCataWindow = 0,
    kLogWindow = 1,
    kDebugWindow = 2,
    kCmdWindow = 3,
    kCommWindow = 4,
    kTraceWindow = 5,
    kProcWindow = 6,
    kYaoWindow = 7,
    kProtWindow = 8,
    kWaveWindow = 9,
    kTabWindow = 10,
    kInfoWindow = 11,
    kEventWindow = 12,
    kRmtWindow = 13,
    kStatWindow = 14,
    kWindowKinds = 15
};

// What identifies a window of a kind: the main flag (trace windows), the device flag and the key.
struct WindowKey {
    int mainFlag = 0;
    int deviceFlag = 0;
    std::uint16_t key = 0;
    bool operator==(const WindowKey&) const = default;
};

class CMonitorForm : public QWidget {
    Q_OBJECT
public:
    CMonitorForm(CMarindleApp& app, int kind, const WindowKey& key, QWidget* parent = nullptr);
    ~CMonitorForm() override;

    int Kind() const { return kind_; }
    const WindowKey& Key() const { return key_; }
    const std::string& Title() const { return title_; }
    // Called once the window is placed: takes the title and starts (requests, timers).
    virtual void Initialise(const std::string& title) { title_ = title; }
    // The command this window sent and still waits for the unit to answer ("" when none): told
    // when the window closes for a lost connection.
    virtual std::string CommandInFlight() const { return {}; }

protected:
    // The caption static (1024) at the top of the form, shared by most forms.
    QLabel* MakeCaption();
    // Tells that the command was not sent. Takes the application, not the window: a window may be
    // gone by the time its dialog returns.
    static void TellNotSent(CMarindleApp& app, const std::string& command);
    CMarindleApp& app_;
    std::string title_;

private:
    int kind_;
    WindowKey key_;
};

} // namespace marindle
