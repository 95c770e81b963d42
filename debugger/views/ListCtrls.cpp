#include "debugger/views/ListCtrls.h"

#include "debugger/model/AppRules.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>

namespace quorvex {

using platform::Qs;
using platform::Ss;

const QColor CValueGrid::kChanged(170, 0, 0);

void CListEdit::keyReleaseEvent(QKeyEvent* e) {
    QLineEdit::keyReleaseEvent(e);
    if (e->key() == Qt::Key_Escape && m_onEscape)
        m_onEscape();
}

void CListEdit::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && m_onEnter) {
        m_onEnter();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void CEscComboBox::keyReleaseEvent(QKeyEvent* e) {
    QComboBox::keyReleaseEvent(e);
    if (e->key() == Qt::Key_Escape && m_onEscape)
        m_onEscape();
}

CValueGrid::CValueGrid(QWidget* parent) : QTableWidget(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    verticalHeader()->hide();
    // A scroll first commits an open editor and does not happen when its text is refused.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        connect(bar, &QScrollBar::actionTriggered, this, [this, bar] {
            // The bar goes with the grid, which a box shown by the commit may outlive.
            const QPointer<QScrollBar> alive(bar);
            if (!CommitEdit() && alive)
                bar->setSliderPosition(bar->value());
        });
}

std::string CValueGrid::Text(int row, int col) const {
    const QTableWidgetItem* it = item(row, col);
    return it ? Ss(it->text()) : std::string();
}

void CValueGrid::SetText(int row, int col, const std::string& text) {
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row, col, it);
    }
    it->setText(Qs(text));
    const auto c = colours_.find(row);
    if (c != colours_.end())
        it->setForeground(c->second);
}

int CValueGrid::AppendRow() {
    const int row = rowCount();
    insertRow(row);
    for (int c = 0; c < columnCount(); ++c)
        setItem(row, c, new QTableWidgetItem);
    return row;
}

std::uint16_t CValueGrid::RowKey(int row) const {
    const int group = platform::AtoI(Text(row, 3));
    const int entry = platform::AtoI(Text(row, 4));
    return static_cast<std::uint16_t>((entry << 8) | (group & 0xFF));
}

std::uint16_t CValueGrid::RowAddress(int row) const {
    return static_cast<std::uint16_t>(platform::AtoI(Text(row, 2)));
}

void CValueGrid::SetRowColour(int row, const QColor& colour) {
    colours_[row] = colour;
    for (int c = 0; c < columnCount(); ++c)
        if (QTableWidgetItem* it = item(row, c))
            it->setForeground(colour);
}

void CValueGrid::ResetColours(int row, bool all) {
    const QColor normal = palette().color(QPalette::Text);
    if (all) {
        for (int r = 0; r < rowCount(); ++r)
            SetRowColour(r, normal);
    } else {
        SetRowColour(row, normal);
    }
}

QColor CValueGrid::RowColour(int row) const {
    const auto c = colours_.find(row);
    return c == colours_.end() ? palette().color(QPalette::Text) : c->second;
}

void CValueGrid::ClickCell(int row, int col) {
    if (row < 0 || col < 0 || row >= rowCount()) {
        CommitEdit();
        return;
    }
    // Committing may show a box, during which frames refill the grid: the clicked row is found
    // again by its entry afterwards.
    const std::uint16_t address = RowAddress(row);
    const std::uint16_t key = RowKey(row);
    if (!CommitEdit())
        return;
    const auto same = [&](int r) { return r < rowCount() && RowKey(r) == key && RowAddress(r) == address; };
    if (!same(row))
        row = FindRow(address, key);
    if (row < 0)
        return;
    selectRow(row);
    if (col != 5 || Text(row, 5).empty())
        return;
    const EditorKind kind = EditorFor(row);
    if (kind == kNone)
        return;
    OpenEditor(row, kind);
}

void CValueGrid::OpenEditor(int row, EditorKind kind) {
    editRow_ = row;
    if (kind == kEdit) {
        edit_ = new CListEdit(this);
        edit_->setObjectName("listEdit");
        edit_->setText(item(row, 5)->text());
        edit_->selectAll();
        edit_->m_onEscape = [this] { CancelEdit(); };
        edit_->m_onEnter = [this] { CommitEdit(); };
        setCellWidget(row, 5, edit_);
        edit_->setFocus();
    } else {
        choice_ = new CEscComboBox(this);
        choice_->setObjectName("choiceBox");
        choice_->addItems({"分", "合"});
        choice_->setCurrentIndex(Text(row, 5) == "合" ? 1 : 0);
        choice_->m_onEscape = [this] { CancelEdit(); };
        setCellWidget(row, 5, choice_);
        choice_->setFocus();
    }
}

CValueGrid::HeldEditor CValueGrid::TakeEditor() {
    HeldEditor held;
    if (editRow_ < 0 || (!edit_ && !choice_))
        return held;
    held.open = true;
    held.address = RowAddress(editRow_);
    held.key = RowKey(editRow_);
    held.name = Text(editRow_, 1);
    if (edit_)
        held.text = edit_->text();
    else
        held.choice = choice_->currentIndex();
    CancelEdit();
    return held;
}

void CValueGrid::Refill(const std::function<void()>& fill) {
    // The editor is a cell widget: emptying the rows would delete it under its pointer.
    const HeldEditor held = TakeEditor();
    setRowCount(0);
    colours_.clear();
    fill();
    if (!held.open)
        return;
    const int row = FindRow(held.address, held.key);
    const EditorKind kind = row < 0 ? kNone : EditorFor(row);
    if (kind == kNone) {
        if (m_onEditLost)
            m_onEditLost(held.name);
        return;
    }
    OpenEditor(row, kind);
    if (edit_) {
        edit_->setText(held.text);
        edit_->selectAll();
    } else if (choice_) {
        choice_->setCurrentIndex(held.choice);
    }
}

void CValueGrid::ShowPendingValue(int row, double value) {
    SetText(row, 5, EditorFor(row) == kChoice ? (value == 1 ? "合" : "分") : ShownValue(value));
    SetRowColour(row, kChanged);
}

bool CValueGrid::CommitEdit() {
    if (choice_) {
        // The full-list box may come up while the choice is taken.
        const QPointer<CValueGrid> self(this);
        CommitChoice();
        return !self.isNull();
    }
    if (!edit_)
        return true;
    // The refusal's box may outlive the grid (its sheet can be closed meanwhile).
    const QPointer<CValueGrid> self(this);
    if (!CommitText(editRow_, Ss(edit_->text()))) {
        if (self && edit_) {
            edit_->setFocus();
            edit_->selectAll();
        }
        return false;
    }
    if (!self)
        return false;
    CancelEdit();
    return true;
}

int CValueGrid::FindRow(std::uint16_t address, std::uint16_t key) const {
    for (int r = 0; r < rowCount(); ++r)
        if (RowKey(r) == key && RowAddress(r) == address)
            return r;
    return -1;
}

bool CValueGrid::CheckTyped(int row, const std::string& text, double& value) {
    const CValueCodec codec = m_codecOf ? m_codecOf(row) : CValueCodec(0, 0);
    const ValueCheck check = CheckValueText(text, codec.Type(), value);
    if (check != ValueCheck::kOk) {
        platform::MessageBox(ValueCheckMessage(check), "错误", platform::Icon::Error);
        return false;
    }
    const std::string refusal = codec.Type() != 0 ? codec.Refusal(text) : std::string();
    if (!refusal.empty()) {
        platform::MessageBox(refusal, "错误", platform::Icon::Error);
        return false;
    }
    // A float shows more decimals than were typed: the user sees what goes out and decides.
    if (const auto sent = codec.ShownBeyondTyped(text))
        return platform::MessageBox(FloatSentQuestion(*sent), "提示", platform::Icon::Question,
                                    platform::Buttons::YesNo) == platform::Answer::Yes;
    return true;
}

void CValueGrid::CommitChoice() {
    const std::string chosen = Ss(choice_->currentText());
    const std::string old = Text(editRow_, 5);
    const int row = editRow_;
    CancelEdit();
    SetText(row, 5, chosen);
    SetRowColour(row, kChanged);
    if (m_addPending)
        m_addPending(RowAddress(row), RowKey(row), static_cast<double>(DoublePointValue(chosen)),
                     DoublePointValue(old));
}

void CValueGrid::CancelEdit() {
    if (editRow_ >= 0)
        removeCellWidget(editRow_, 5);
    edit_ = nullptr;
    choice_ = nullptr;
    editRow_ = -1;
}

void CValueGrid::mousePressEvent(QMouseEvent* e) {
    const QModelIndex index = indexAt(e->pos());
    if (e->button() == Qt::LeftButton) {
        ClickCell(index.isValid() ? index.row() : -1, index.isValid() ? index.column() : -1);
        return;
    }
    QTableWidget::mousePressEvent(e);
}

void CValueGrid::wheelEvent(QWheelEvent* e) {
    if (!CommitEdit())
        return;
    QTableWidget::wheelEvent(e);
}

CValueGrid::EditorKind CDbListCtrl::EditorFor(int row) const {
    if (m_readOnly)
        return kNone;
    const std::string type = Text(row, 0);
    if (platform::StartsWith(type, "遥控") || platform::StartsWith(type, "遥调"))
        return kNone;
    return type.find("遥信") != std::string::npos ? kChoice : kEdit;
}

bool CDbListCtrl::CommitText(int row, const std::string& text) {
    double value = 0;
    if (!CheckTyped(row, text, value))
        return false;
    const double old = platform::AtoF(Text(row, 5));
    removeCellWidget(row, 5);
    edit_ = nullptr;
    editRow_ = -1;
    SetText(row, 5, ShownValue(value));
    SetRowColour(row, kChanged);
    if (m_addPending)
        m_addPending(m_mode == 2 ? RowAddress(row) : 0, RowKey(row), value, old);
    return true;
}

CValueGrid::EditorKind CValListCtrl::EditorFor(int row) const {
    const std::string type = Text(row, 0);
    if (type.find("定值") != std::string::npos || type.find("软压板") != std::string::npos)
        return kEdit;
    return kNone;
}

bool CValListCtrl::CommitText(int row, const std::string& text) {
    double value = 0;
    if (!CheckTyped(row, text, value))
        return false;
    // A soft strap is 0 or 1 whatever its field (a double-point field's codec says so itself).
    if (Text(row, 0) == "软压板" && value != 0 && value != 1) {
        platform::MessageBox(kValueOutOfRange, "错误", platform::Icon::Error);
        return false;
    }
    const double old = platform::AtoF(Text(row, 5));
    removeCellWidget(row, 5);
    edit_ = nullptr;
    editRow_ = -1;
    if (value == old)
        return true;
    SetText(row, 5, ShownValue(value));
    SetRowColour(row, kChanged);
    if (m_addPending)
        m_addPending(0, RowKey(row), value, old);
    return true;
}

} // namespace quorvex
