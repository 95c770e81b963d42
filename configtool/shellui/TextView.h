#pragma once
// The read-only text views of the main tool: CTextView appends coloured text, lines and
// hexadecimal dumps and marks matches; CDebugTextView is the monitor pane with its context menu
// (pause, continue, clear, copy, mark); CConfigTextView adds nothing.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <QColor>
#include <QTextEdit>
#include <string>

class QMenu;
class CTextMatchDlg;

class CTextView : public QTextEdit {
    Q_OBJECT
public:
    explicit CTextView(QWidget* parent = nullptr);
    ~CTextView() override;

    // Appends the text in the colour at the end, in the control's default format otherwise.
    // Nothing happens while output is paused.
    void AppendColorText(const std::string& text, const QColor& colour);
    // The text and, with newline, a line break.
    void AppendLine(const std::string& text, const QColor& colour, bool newline = true);
    // "%02x " per byte with a line break every bytesPerLine bytes (none when 0) and one more at
    // the end with newline. Nothing for no bytes.
    void AppendHex(const std::uint8_t* bytes, std::size_t count, const QColor& colour, bool newline = true,
                   int bytesPerLine = 16);
    void ClearAll();
    void CopySelection();
    // Colours every occurrence of text red, from the start; nothing for an empty text.
    void MarkAll(const std::string& text, bool matchCase, bool wholeWord);

    bool IsOutputOn() const { return m_bOutput != 0; }
    void SetOutput(bool on) { m_bOutput = on ? 1 : 0; }

    static const QColor kBackground; // 0xDFDFDF
    static const QColor kMarkColour; // RGB(255, 0, 0)

private:
    int m_bOutput = 1;
};

class CDebugTextView : public CTextView {
    Q_OBJECT
public:
    // The context menu's command ids (kept as each action's data).
    enum Command {
        ID_PAUSE = 32840,
        ID_CONTINUE = 32841,
        ID_CLEAR = 32842,
        ID_COPY = 32843,
        ID_MARK = 32844
    };

    explicit CDebugTextView(QWidget* parent = nullptr);
    ~CDebugTextView() override;

    // The "命令" menu: "暂停", "继续", "清除", "复制", "标记", a separator and "刷新", with the
    // enabled states of this moment. The caller owns it.
    std::unique_ptr<QMenu> BuildContextMenu();

    void OnPause() { SetOutput(false); }
    void OnContinue() { SetOutput(true); }
    // Runs the text-match dialog; on OK marks every occurrence of its text.
    void OnMark();

    CTextMatchDlg& MatchDialog() { return *m_pMatchDlg; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    std::unique_ptr<CTextMatchDlg> m_pMatchDlg;
};

class CConfigTextView : public CTextView {
    Q_OBJECT
public:
    using CTextView::CTextView;
};
