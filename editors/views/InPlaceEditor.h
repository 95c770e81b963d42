#pragma once
// In-place editing of a grid list's cells: a click on an editable cell lays an edit box or a combo
// box exactly over that cell; when the editor loses the focus or is confirmed (Return, an entry
// clicked in the combo's open list; not the arrow keys that browse a closed combo) its trimmed
// text is handed to the owner together with the cell's old text, and the owner checks it, stores
// it in the project record and fills the list again. Clicks open nothing until the owner declares itself
// ready (at the end of its initial update); the flag is set again after each completed edit.
#include <functional>
#include <QObject>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QWidget;

namespace editors {

class CGridListCtrl;

class CInPlaceEditor : public QObject {
    Q_OBJECT
public:
    // row, column, old cell text, new trimmed text.
    using CommitFn = std::function<void(int, int, const std::string&, const std::string&)>;

    // The editors are made as hidden children of the list's viewport; height is the editor's
    // height in pixels (14 in most views).
    explicit CInPlaceEditor(CGridListCtrl* list, int height = 14);

    void SetCommit(CommitFn fn) { m_commit = std::move(fn); }
    void SetReady(bool ready) { m_bReady = ready; }
    bool IsReady() const { return m_bReady; }

    // Opens the edit box over the cell with the cell's text; false when not ready or no row.
    bool OpenEdit(int row, int column);
    // Opens the combo box over the cell with the choices, the one equal to the cell's text (without
    // regard to case) selected.
    bool OpenCombo(int row, int column, const std::vector<std::string>& choices);
    // Hides both editors without writing anything.
    void HideEditors();
    // Writes back the open editor as its focus loss does (used by tests and before refills).
    void CommitOpen();

    // The entry of the combo box that the last write-back took (-1: the edit box or no entry).
    int ChosenIndex() const { return m_nChosen; }
    QLineEdit* Edit() const { return m_pEdit; }
    QComboBox* Combo() const { return m_pCombo; }
    CGridListCtrl* List() const { return m_pList; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Place(QWidget* editor, int row, int column);
    void WriteBack(QWidget* editor);

    CGridListCtrl* m_pList;
    QLineEdit* m_pEdit;
    QComboBox* m_pCombo;
    int m_nHeight;
    int m_nRow = -1;
    int m_nColumn = -1;
    int m_nChosen = -1;
    bool m_bReady = false;
    bool m_bWriting = false;
    bool m_bBrowsing = false;
    CommitFn m_commit;
};

// Writes back every open in-place editor of the program's windows, as their focus loss would: a
// road that closes or replaces the project (new, open, upload, exit, download) calls it first, so
// that a typed value reaches the project before the project is asked about or replaced. How
// many were open.
int CommitOpenEditors();

} // namespace editors
