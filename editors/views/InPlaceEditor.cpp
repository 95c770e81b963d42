#include "editors/views/InPlaceEditor.h"

#include "editors/views/GridListCtrl.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

using platform::Qs;
using platform::Ss;

namespace editors {

namespace {
// The keys and the wheel with which a closed combo box moves from entry to entry.
bool IsBrowsing(QEvent* event) {
    if (event->type() == QEvent::Wheel)
        return true;
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        // A typed letter selects the next entry that starts with it.
        return !key->text().isEmpty() && key->text().at(0).isPrint() && key->key() != Qt::Key_Space;
    }
}
} // namespace

CInPlaceEditor::CInPlaceEditor(CGridListCtrl* list, int height)
    : QObject(list), m_pList(list), m_nHeight(height) {
    m_pEdit = new QLineEdit(list->viewport());
    m_pEdit->setObjectName("cellEdit");
    m_pEdit->setFrame(false);
    m_pEdit->hide();
    m_pCombo = new QComboBox(list->viewport());
    m_pCombo->setObjectName("cellCombo");
    // Its size hint follows its choices, so that it can be laid over a narrow cell as wide as
    // its longest choice.
    m_pCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_pCombo->hide();
    m_pEdit->installEventFilter(this);
    m_pCombo->installEventFilter(this);
    // An entry taken from the open list ends the edit as the focus loss would; an entry reached by
    // browsing (arrow keys, typed letters, the wheel) does not: the combo also reports those as
    // activated, and an edit that may delete data must not be written while the user browses.
    connect(m_pCombo, QOverload<int>::of(&QComboBox::activated), this, [this](int) {
        if (m_pCombo->isVisible() && !m_bBrowsing)
            WriteBack(m_pCombo);
    });
    connect(m_pEdit, &QLineEdit::returnPressed, this, [this] {
        if (m_pEdit->isVisible())
            WriteBack(m_pEdit);
    });
}

bool CInPlaceEditor::Place(QWidget* editor, int row, int column) {
    const QRect cell = m_pList->SubItemRect(row, column, m_pList->viewport());
    int left = cell.left();
    int width = cell.width();
    if (editor == m_pCombo) {
        // A combo is never narrower than its longest choice: over a narrow column it reaches into
        // the next ones, and it is moved left rather than cut at the list's right edge.
        width = std::max(width, m_pCombo->sizeHint().width());
        const int room = m_pList->viewport()->width();
        if (left + width > room)
            left = std::max(0, room - width);
    }
    editor->setGeometry(left, cell.top() - 1, width, std::max(m_nHeight, cell.height() + 1));
    editor->show();
    editor->raise();
    editor->setFocus(Qt::OtherFocusReason);
    return true;
}

bool CInPlaceEditor::OpenEdit(int row, int column) {
    if (!m_bReady || row < 0 || row >= m_pList->GetItemCount())
        return false;
    HideEditors();
    m_nRow = row;
    m_nColumn = column;
    m_pEdit->setText(Qs(m_pList->GetItemText(row, column)));
    return Place(m_pEdit, row, column);
}

bool CInPlaceEditor::OpenCombo(int row, int column, const std::vector<std::string>& choices) {
    if (!m_bReady || row < 0 || row >= m_pList->GetItemCount())
        return false;
    HideEditors();
    m_nRow = row;
    m_nColumn = column;
    const std::string current = m_pList->GetItemText(row, column);
    m_pCombo->clear();
    int selected = -1;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        m_pCombo->addItem(Qs(choices[i]));
        if (selected < 0 && platform::EqualsNoCase(choices[i], current))
            selected = static_cast<int>(i);
    }
    m_pCombo->setCurrentIndex(selected);
    return Place(m_pCombo, row, column);
}

void CInPlaceEditor::HideEditors() {
    m_bWriting = true;
    m_pEdit->hide();
    m_pCombo->hide();
    m_bWriting = false;
}

int CommitOpenEditors() {
    // A write-back may refill lists or ask a question (an event loop): the editors are held by
    // guarded pointers, so one deleted meanwhile is passed over.
    std::vector<QPointer<CInPlaceEditor>> editors;
    for (QWidget* top : QApplication::topLevelWidgets())
        for (CInPlaceEditor* editor : top->findChildren<CInPlaceEditor*>())
            editors.emplace_back(editor);
    int open = 0;
    for (const QPointer<CInPlaceEditor>& editor : editors)
        if (editor && (editor->Edit()->isVisible() || editor->Combo()->isVisible())) {
            ++open;
            editor->CommitOpen();
        }
    return open;
}

void CInPlaceEditor::CommitOpen() {
    if (m_pEdit->isVisible())
        WriteBack(m_pEdit);
    else if (m_pCombo->isVisible())
        WriteBack(m_pCombo);
}

void CInPlaceEditor::WriteBack(QWidget* editor) {
    if (m_bWriting)
        return;
    m_bWriting = true;
    const std::string oldText = m_pList->GetItemText(m_nRow, m_nColumn);
    const QString typed = editor == m_pEdit ? m_pEdit->text() : m_pCombo->currentText();
    const std::string newText = platform::Trim(Ss(typed));
    m_nChosen = editor == m_pCombo ? m_pCombo->currentIndex() : -1;
    editor->hide();
    m_bWriting = false;
    if (m_commit)
        m_commit(m_nRow, m_nColumn, oldText, newText);
    m_bReady = true;
}

bool CInPlaceEditor::eventFilter(QObject* watched, QEvent* event) {
    const bool input = event->type() == QEvent::KeyPress || event->type() == QEvent::Wheel;
    if (input && watched == m_pCombo && !m_bWriting && m_pCombo->isVisible() &&
        !(m_pCombo->view() && m_pCombo->view()->isVisible())) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                WriteBack(m_pCombo);
                return true;
            }
            if (key == Qt::Key_Escape) {
                HideEditors();
                m_bReady = true;
                return true;
            }
        }
        if (IsBrowsing(event)) {
            // The combo moves its entry itself, with its activation marked as browsing.
            m_bBrowsing = true;
            static_cast<QObject*>(m_pCombo)->event(event);
            m_bBrowsing = false;
            return true;
        }
    }
    // Return ends the cell's edit and goes no further: in a dialog it would also press the
    // default button and close the dialog.
    if (watched == m_pEdit && event->type() == QEvent::KeyPress && m_pEdit->isVisible()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (!m_bWriting)
                WriteBack(m_pEdit);
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut && !m_bWriting) {
        auto* w = static_cast<QWidget*>(watched);
        // The combo's own popup takes the focus while the user chooses; that is no focus loss.
        if (w == m_pCombo && m_pCombo->view() && m_pCombo->view()->isVisible())
            return false;
        if (w->isVisible())
            WriteBack(w);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace editors
