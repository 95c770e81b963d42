#pragma once
// The text monitor windows of the debugging program: a read-only coloured text view with a
// pending list that a one-second timer flushes (and may save to a rotating file), pause, clear,
// find and the saving switch on its context menu. Port monitor windows also hold what the opener
// chose (the document), from which the stop request is built when the window closes.
#include "debugger/model/AppRules.h"

#include "debugger/core/QuorvexShell.h"

#include <QDialog>
#include <QTextEdit>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QMenu;
class QTimer;

namespace quorvex {

// What a port frame monitor (kind 1) or protocol-information monitor (kind 2) remembers.
struct CComDataDoc {
    std::uint8_t m_kind = 1;
    bool m_sentFrames = false;
    PortMonitorDoc m_port;
    ProtocolMonitorDoc m_protocol;
};

class COutputView : public QTextEdit {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 3000;

    explicit COutputView(QWidget* parent = nullptr);
    ~COutputView() override;

    void AppendText(const std::string& text, const QColor& colour, bool newline);
    void QueueLine(bool sent, const std::string& text);
    // Draws the pending lines (and saves them when saving is on), then frees them.
    void Flush();
    void StartFlushTimer(int ms);
    int PendingCount() const { return static_cast<int>(pending_.size()); }
    int LineCount() const;

    void SetPaused(bool paused) { paused_ = paused; }
    bool IsPaused() const { return paused_; }
    COutputLog& Log() { return log_; }
    void Clear();

    // The context menu for the current state; the caller shows and deletes it.
    QMenu* CreateContextMenu();
    // 查找: the find dialog, then the first match.
    void FindCommand();
    // F3: the next match, or the find dialog when no search is active.
    void FindNextCommand();
    bool FindNext();

    std::optional<CComDataDoc> m_doc;
    // Run when the window goes (stop request, registry).
    std::function<void()> m_onClose;

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    struct PendingLine {
        bool sent;
        std::string text;
    };
    bool paused_ = false;
    COutputLog log_;
    std::vector<PendingLine> pending_;
    QTimer* flushTimer_ = nullptr;
    bool searchActive_ = false;
    QString searchText_;
    bool matchCase_ = false;
    bool wholeWord_ = false;
};

// The find dialog of the output views.
class CFindTextDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFindTextDlg(QWidget* parent = nullptr);
    QLineEdit* m_text;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWord;
};

} // namespace quorvex
