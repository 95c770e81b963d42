#pragma once
// "字符串命令": the console whose lines go to the unit's command interpreter and whose answers are
// printed below them, with a history of the sent commands.
#include "platform/CommandHistory.h"

#include <QDialog>
#include <QTextEdit>

#include <string>

namespace quorvex {

class CQuorvexApp;

class CCommandEdit : public QTextEdit {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 3000;
    explicit CCommandEdit(QWidget* parent = nullptr);
    void ShowAnswer(const std::string& text);
    std::string LastLine() const;
    void ReplaceLastLine(const std::string& text);
    platform::CCommandHistory& History() { return history_; }
    // The last line as it is sent: at most 255 characters without CR and LF.
    std::function<void(const std::string&)> m_onLine;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void SetTypingFormat();
    platform::CCommandHistory history_;
};

class CStringCmdDlg : public QDialog {
    Q_OBJECT
public:
    CStringCmdDlg(CQuorvexApp& app, QWidget* parent = nullptr);
    void ShowAnswer(const std::string& text) { edit_->ShowAnswer(text); }
    // A line ended with Enter: "clear", "close" or a command for the unit.
    void SendLine(const std::string& line);
    CCommandEdit* Edit() const { return edit_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    CQuorvexApp& app_;
    CCommandEdit* edit_;
};

} // namespace quorvex
