#pragma once
// "字符串命令": a console that sends each typed line as a string command and inserts the unit's
// answers at the caret, with a history recalled by the arrow keys.
#include "monitor/app/MonitorForm.h"
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/TextMonitor.h"
#include "platform/CommandHistory.h"

#include <functional>
#include <QTextEdit>

namespace marindle {

// The console's edit control: it handles the keys of the console and swallows mouse clicks.
class CCmdEdit : public QTextEdit {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 3000;
    explicit CCmdEdit(QWidget* parent = nullptr);
    platform::CCommandHistory& History() { return history_; }
    // A line was entered (already judged: not empty, not "clear").
    std::function<void(const std::string&)> onCommand;
    std::string CurrentLine() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent*) override {}
    void mouseDoubleClickEvent(QMouseEvent*) override {}

private:
    void ReplaceCurrentLine(const std::string& text);
    platform::CCommandHistory history_;
};

class CCmdForm : public CMonitorForm, public ICommandWindow {
    Q_OBJECT
public:
    explicit CCmdForm(CMarindleApp& app);
    void Initialise(const std::string& title) override;
    void ShowAnswer(const std::string& text) override;
    CCmdEdit* Edit() const { return edit_; }

private:
    CCmdEdit* edit_;
};

} // namespace marindle
