#include "iedinterface/views/ConfigView.h"

#include "iedinterface/model/FieldText.h"
#include "iedinterface/model/PointClassifier.h"
#include "iedinterface/model/PointTyping.h"
#include "iedinterface/views/PointList.h"
#include "platform/ui/WidgetPrompt.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace iedinterface {

using platform::Qs;
using platform::Ss;

namespace {
constexpr int kTapColumn = 4;
constexpr int kDescColumn = 1;
} // namespace

CConfigView::CConfigView(CPointClassifier& classifier, QWidget* parent)
    : QWidget(parent), m_classifier(classifier) {
    setObjectName("configView");
    m_caption = new QLabel(QStringLiteral("装置测点分类信息："), this);
    m_caption->setObjectName("caption");
    m_caption->setFixedHeight(20);
    m_tab = new QTabBar(this);
    m_tab->setObjectName("tab");
    for (int i = 0; i < kCategoryCount; ++i) {
        std::string name;
        GetPointCategory(i, name);
        m_tab->addTab(Qs(name));
    }
    m_list = MakePointList(this);

    m_edit = new QLineEdit(m_list->viewport());
    m_edit->setObjectName("editDesc");
    m_edit->hide();
    m_combo = new QComboBox(m_list->viewport());
    m_combo->setObjectName("comboDir");
    m_combo->addItems({QStringLiteral("UPDOWN"), QStringLiteral("STOP")});
    m_combo->hide();
    m_edit->installEventFilter(this);
    m_combo->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 15, 10, 10);
    layout->addWidget(m_caption);
    layout->addWidget(m_tab);
    layout->addWidget(m_list, 1);

    connect(m_tab, &QTabBar::currentChanged, this, &CConfigView::OnTabChanged);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, &CConfigView::BeginEdit);
    connect(m_edit, &QLineEdit::returnPressed, this, &CConfigView::CommitDescription);
    connect(m_combo, &QComboBox::activated, this, [this](int) { CommitDirection(); });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu* menu = CreateContextMenu();
        menu->exec(m_list->viewport()->mapToGlobal(pos));
        delete menu;
    });
    m_list->installEventFilter(this);
    Refill();
}

int CConfigView::Category() const {
    return m_tab->currentIndex();
}

bool CConfigView::IsTapCategory() const {
    std::string name;
    return GetPointCategory(Category(), name) == CODE_YT;
}

void CConfigView::SelectCategory(int index) {
    if (index == m_tab->currentIndex())
        return;
    CommitEdits();
    m_filling = true;
    m_tab->setCurrentIndex(index);
    m_filling = false;
    Refill();
}

void CConfigView::OnTabChanged(int index) {
    if (m_filling)
        return;
    CommitEdits();
    Refill();
    emit CategoryChanged(index);
}

void CConfigView::SetColumns() {
    std::string name;
    const int code = GetPointCategory(Category(), name);
    QStringList headers = {QStringLiteral("引用名"), QStringLiteral("描述名"), QStringLiteral("CDC")};
    if (code == CODE_YK || code == CODE_YT)
        headers << QStringLiteral("CtlModel属性");
    if (code == CODE_YT)
        headers << QStringLiteral("调档方向");
    m_list->setColumnCount(int(headers.size()));
    m_list->setHorizontalHeaderLabels(headers);
}

void CConfigView::Refill() {
    m_edit->hide();
    m_combo->hide();
    m_editing = Editing::None;
    m_editRow = -1;
    m_list->clearContents();
    SetColumns();
    const auto rows = m_classifier.ConfigRows(Category());
    m_list->setRowCount(int(rows.size()));
    const int columns = m_list->columnCount();
    for (int r = 0; r < int(rows.size()); ++r) {
        const CConfigRow& row = rows[std::size_t(r)];
        const std::string* texts[] = {&row.Reference, &row.Description, &row.Cdc, &row.CtlModel,
                                      &row.TapChgDir};
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem(Qs(*texts[c]));
            if (c == 2)
                item->setTextAlignment(Qt::AlignCenter);
            if (c == 0)
                item->setData(Qt::UserRole, row.CopyIndex);
            m_list->setItem(r, c, item);
        }
    }
    FitColumns(*m_list);
}

std::vector<std::string> CConfigView::SelectedReferences() const {
    return iedinterface::SelectedReferences(*m_list);
}

QMenu* CConfigView::CreateContextMenu() {
    auto* menu = new QMenu(this);
    const bool selected = !SelectedReferences().empty();
    QAction* del = menu->addAction(QStringLiteral("删除>>"), this, &CConfigView::OnDelete);
    del->setObjectName("actionDelete");
    del->setEnabled(selected);
    if (IsTapCategory()) {
        menu->addSeparator();
        QAction* copy = menu->addAction(QStringLiteral("复制\tCtrl+C"), this, &CConfigView::OnCopy);
        copy->setObjectName("actionCopy");
        copy->setEnabled(selected);
        QAction* paste = menu->addAction(QStringLiteral("粘贴\tCtrl+V"), this, &CConfigView::OnPaste);
        paste->setObjectName("actionPaste");
        paste->setEnabled(!m_classifier.CopyBuffer().empty());
    }
    return menu;
}

void CConfigView::OnDelete() {
    CommitEdits();
    const auto refs = SelectedReferences();
    if (refs.empty())
        return;
    m_classifier.RemoveRows(Category(), refs);
    Refill();
    emit PointsReturned();
}

void CConfigView::OnCopy() {
    if (!IsTapCategory())
        return;
    const auto refs = SelectedReferences();
    if (!refs.empty())
        m_classifier.Copy(refs);
}

void CConfigView::OnPaste() {
    if (!IsTapCategory())
        return;
    CommitEdits();
    if (m_classifier.Paste() > 0)
        Refill();
}

void CConfigView::BeginEdit(int row, int column) {
    CommitEdits();
    if (row < 0 || row >= m_list->rowCount())
        return;
    m_editRow = row;
    if (IsTapCategory() && column == kTapColumn) {
        QTableWidgetItem* item = m_list->item(row, kTapColumn);
        m_combo->setCurrentIndex(item && item->text() == QStringLiteral("STOP") ? 1 : 0);
        m_combo->setGeometry(m_list->visualItemRect(item));
        m_editing = Editing::Direction;
        m_combo->show();
        m_combo->setFocus();
        return;
    }
    QTableWidgetItem* item = m_list->item(row, kDescColumn);
    m_edit->setText(item ? item->text() : QString());
    m_edit->setGeometry(m_list->visualItemRect(item));
    m_editing = Editing::Description;
    m_edit->show();
    m_edit->setFocus();
    m_edit->selectAll();
}

void CConfigView::CommitEdits() {
    if (m_editing == Editing::Description)
        CommitDescription();
    else if (m_editing == Editing::Direction)
        CommitDirection();
}

void CConfigView::CommitDescription() {
    if (m_editing != Editing::Description)
        return;
    m_editing = Editing::None;
    m_edit->hide();
    const int row = m_editRow;
    QTableWidgetItem* refItem = m_list->item(row, 0);
    QTableWidgetItem* cell = m_list->item(row, kDescColumn);
    if (!refItem || !cell)
        return;
    const QString text = m_edit->text().trimmed();
    if (text == cell->text())
        return;
    m_classifier.CommitDescription(Category(), Ss(refItem->text()), refItem->data(Qt::UserRole).toInt(),
                                   Ss(text));
    // The cell shows the text as stored (and as the device-model file will carry it).
    cell->setText(Qs(CleanFieldText(Ss(text))));
    // A longer text widens its column; a shorter one leaves it as it is.
    const int before = m_list->columnWidth(kDescColumn);
    m_list->resizeColumnToContents(kDescColumn);
    if (m_list->columnWidth(kDescColumn) < before)
        m_list->setColumnWidth(kDescColumn, before);
}

void CConfigView::CommitDirection() {
    if (m_editing != Editing::Direction)
        return;
    m_editing = Editing::None;
    m_combo->hide();
    const int row = m_editRow;
    QTableWidgetItem* refItem = m_list->item(row, 0);
    QTableWidgetItem* cell = m_list->item(row, kTapColumn);
    if (!refItem || !cell)
        return;
    const QString direction =
        m_combo->currentIndex() == 1 ? QStringLiteral("STOP") : QStringLiteral("UPDOWN");
    if (direction == cell->text())
        return;
    m_classifier.CommitDirection(Category(), Ss(refItem->text()), refItem->data(Qt::UserRole).toInt(),
                                 Ss(direction));
    cell->setText(direction);
}

bool CConfigView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() == Qt::ControlModifier;
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            OnDelete();
            return true;
        }
        if (ctrl && key->key() == Qt::Key_C) {
            OnCopy();
            return true;
        }
        if (ctrl && key->key() == Qt::Key_V) {
            OnPaste();
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_edit)
            CommitDescription();
        else if (watched == m_combo && !m_combo->view()->isVisible())
            CommitDirection();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace iedinterface
