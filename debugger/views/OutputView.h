#pragma once
// The text monitor windows of the debugging program: a read-only coloured text view that keeps its
// last lines, fed by a queue that its timer flushes in one insertion per tick. The queue holds at
// most a tick's budget, the newest items; what it leaves out is counted and said in the view.
// While saving is on, every port line (or, in the debug window, every text recorded) goes to the
// view's save file in order, whatever the display leaves out, written in one batch per tick. Pause, clear,
// find and the saving switch are on its context menu. Port monitor windows also hold what the opener chose
// (the document), from which the stop request is built when the window closes.
#include "debugger/model/AppRules.h"

#include "debugger/core/QuorvexShell.h"

#include "platform/TextBatch.h"

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
    // The lines the view keeps; the queue's budget per tick in lines and bytes; the tick.
    static constexpr int kMaxLines = 3000;
    static constexpr std::size_t kTickLines = 500;
    static constexpr std::size_t kTickBytes = 1 << 20;
    static constexpr int kTickMs = 200;

    explicit COutputView(QWidget* parent = nullptr);
    ~COutputView() override;

    // Queues text (with a line break after it with newline) for the next tick; nothing while
    // paused.
    void AppendText(const std::string& text, const QColor& colour, bool newline);
    // Queues a frame line of a port monitor; recorded in the save file when saving is on.
    void QueueLine(bool sent, const std::string& text);
    // Records text as it stands in the save file when saving is on (the debug information).
    void RecordText(const std::string& text);
    // Writes what was recorded since the last tick, then draws what is queued in one insertion.
    void Flush();
    // The tick (kTickMs from the start).
    void StartFlushTimer(int ms);
    int PendingCount() const { return static_cast<int>(pending_.Size()); }
    std::uint64_t OmittedCount() const { return pending_.TotalOmitted(); }
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
        std::string text;
        std::uint32_t rgb = 0;
        bool portLine = false; // a frame line, ended by a line break when drawn
    };
    bool paused_ = false;
    COutputLog log_;
    platform::CTextBatch<PendingLine> pending_{kTickLines, kTickBytes};
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
