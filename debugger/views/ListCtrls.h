#pragma once
// The value grids of the data pages: a table whose actual-value column (col 5) takes an in-place
// edit box or a 分/合 choice box on rows that may be changed, checks what is typed, colours rows
// holding an unsent value and hands committed values to the page. CDbListCtrl serves the
// real-time and reference-table pages, CValListCtrl the settings page.
#include "debugger/core/ValueCodec.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

#include <functional>
#include <string>
#include <unordered_map>

namespace quorvex {

// The edit box over a cell; Esc abandons it.
class CListEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    std::function<void()> m_onEscape;
    std::function<void()> m_onEnter;

protected:
    void keyReleaseEvent(QKeyEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// The choice box over a cell; Esc abandons it.
class CEscComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    std::function<void()> m_onEscape;

protected:
    void keyReleaseEvent(QKeyEvent* e) override;
};

class CValueGrid : public QTableWidget {
    Q_OBJECT
public:
    static const QColor kChanged;
    // A committed value: the page's AddPending (address from col 2, key from cols 3 and 4).
    using PendingSink =
        std::function<void(std::uint16_t address, std::uint16_t key, double newValue, double oldValue)>;

    explicit CValueGrid(QWidget* parent = nullptr);

    std::string Text(int row, int col) const;
    void SetText(int row, int col, const std::string& text);
    int AppendRow();
    std::uint16_t RowKey(int row) const;
    std::uint16_t RowAddress(int row) const;

    void SetRowColour(int row, const QColor& colour);
    void ResetColours(int row, bool all);
    QColor RowColour(int row) const;

    // A left click on a cell: commits an open editor first, then opens one when the cell allows.
    void ClickCell(int row, int col);
    // 1 when an open editor was committed (or none was open), 0 when its text was refused or the
    // grid went while a box was up.
    bool CommitEdit();
    // The row of an entry (address and key), or -1. The type text is no part of it: a table row's
    // type text holds its position, which a refill changes.
    int FindRow(std::uint16_t address, std::uint16_t key) const;
    // Drops an open editor without committing.
    void CancelEdit();
    // Fills the rows anew. An open editor is closed before the rows go and opened again, with
    // what was typed or chosen in it, on its entry's new row; when the entry is gone its loss is
    // told through m_onEditLost. Row colours start over: fill marks the rows it wants coloured.
    void Refill(const std::function<void()>& fill);
    // Shows a value typed or chosen and not yet sent, as its editor would have left it.
    void ShowPendingValue(int row, double value);
    CListEdit* EditBox() const { return edit_; }
    CEscComboBox* ChoiceBox() const { return choice_; }

    PendingSink m_addPending;
    // The value codec of a row's entry (data type 0 when not known), for the check of typed values.
    std::function<CValueCodec(int row)> m_codecOf;
    // Told the name of an entry whose open editor was closed by a refill that dropped the entry.
    std::function<void(const std::string& name)> m_onEditLost;

protected:
    enum EditorKind { kNone, kEdit, kChoice };
    virtual EditorKind EditorFor(int row) const = 0;
    // Checks and takes a typed text; false leaves the editor open.
    virtual bool CommitText(int row, const std::string& text) = 0;
    void CommitChoice();
    // Checks a typed text by the codec of the row's field: it is accepted when its bytes show it as
    // typed. Shows the refusal and returns false.
    bool CheckTyped(int row, const std::string& text, double& value);

    // What an open editor held, kept across a refill by its entry (not its row).
    struct HeldEditor {
        bool open = false;
        std::uint16_t address = 0;
        std::uint16_t key = 0;
        std::string name;
        QString text;
        int choice = 0;
    };
    HeldEditor TakeEditor();
    void OpenEditor(int row, EditorKind kind);

    void mousePressEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

    int editRow_ = -1;
    CListEdit* edit_ = nullptr;
    CEscComboBox* choice_ = nullptr;
    std::unordered_map<int, QColor> colours_;
};

// The grid of the real-time (mode 1) and reference-table (mode 2) pages.
class CDbListCtrl : public CValueGrid {
    Q_OBJECT
public:
    using CValueGrid::CValueGrid;
    std::uint8_t m_mode = 1;
    // Reference tables of kinds 3, 4 and 6 take no values.
    bool m_readOnly = false;

protected:
    EditorKind EditorFor(int row) const override;
    bool CommitText(int row, const std::string& text) override;
};

// The grid of the settings page.
class CValListCtrl : public CValueGrid {
    Q_OBJECT
public:
    using CValueGrid::CValueGrid;

protected:
    EditorKind EditorFor(int row) const override;
    bool CommitText(int row, const std::string& text) override;
};

} // namespace quorvex
