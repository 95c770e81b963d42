#include "editors/views/GridListCtrl.h"

#include "platform/ui/WidgetPrompt.h"

#include <algorithm>
#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

using platform::Qs;
using platform::Ss;

namespace editors {

namespace {

QColor ToQColor(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

std::uint32_t FromQColor(const QColor& c) {
    return static_cast<std::uint32_t>(c.rgb()) & 0xFFFFFFu;
}

// Draws every cell itself: the row's colour (or the selection colours), the text 5 pixels in from
// the cell's left edge with the column's alignment, single line, vertically centred.
class CGridCellDelegate : public QStyledItemDelegate {
public:
    explicit CGridCellDelegate(CGridListCtrl* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const CGridCellColours colours = GridCellColours(
            list_->GetRowColor(index.row()), selected, list_->GetTextBkColor(), list_->NormalTextColour(),
            list_->SelectionBackColour(), list_->SelectionTextColour());
        painter->save();
        painter->fillRect(option.rect, ToQColor(colours.back));
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty()) {
            const QRect r = option.rect.adjusted(kGridCellIndent, 0, -kGridCellIndent, 0);
            painter->setPen(ToQColor(colours.text));
            painter->setFont(option.font);
            painter->drawText(r,
                              static_cast<int>(list_->ColumnAlignment(index.column()) | Qt::AlignVCenter |
                                               Qt::TextSingleLine),
                              text);
        }
        painter->restore();
    }

private:
    CGridListCtrl* list_;
};

} // namespace

CGridListCtrl::CGridListCtrl(QWidget* parent) : QTableWidget(parent) {
    // The system colours are read once, as the control is made.
    m_normalText = FromQColor(palette().color(QPalette::WindowText));
    m_selectionBack = FromQColor(palette().color(QPalette::Highlight));
    m_selectionText = FromQColor(palette().color(QPalette::HighlightedText));
    setItemDelegate(new CGridCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    SetTextBkColor(kGridBackColour);
}

void CGridListCtrl::SetTextBkColor(std::uint32_t colour) {
    m_textBack = colour;
    QPalette p = palette();
    p.setColor(QPalette::Base, ToQColor(colour));
    setPalette(p);
}

Qt::Alignment CGridListCtrl::ColumnAlignment(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= m_alignments.size())
        return Qt::AlignLeft;
    return m_alignments[static_cast<std::size_t>(column)];
}

int CGridListCtrl::InsertColumn(int column, const std::string& header, Align align, int width) {
    if (column < 0 || column > columnCount())
        column = columnCount();
    insertColumn(column);
    auto* item = new QTableWidgetItem(Qs(header));
    const Qt::Alignment a = align == AlignCenter  ? Qt::AlignHCenter
                            : align == AlignRight ? Qt::AlignRight
                                                  : Qt::AlignLeft;
    item->setTextAlignment(a | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, item);
    m_alignments.insert(m_alignments.begin() + column, a);
    // The title's extent and a margin, and never less than the header needs to show the whole
    // title in the style in use (its margins and font may be wider than the cells').
    if (width < 0)
        width = std::max(fontMetrics().horizontalAdvance(Qs(header)) + 10,
                         horizontalHeader()->sectionSizeHint(column));
    setColumnWidth(column, width);
    return column;
}

void CGridListCtrl::DeleteAllColumns() {
    setColumnCount(0);
    m_alignments.clear();
}

void CGridListCtrl::Widen(int column, const std::string& text) {
    if (text.empty())
        return;
    const int measured = CellWidthFor(fontMetrics().horizontalAdvance(Qs(text)));
    const int current = columnWidth(column);
    if (WidenedColumn(current, measured) != current)
        setColumnWidth(column, measured);
}

int CGridListCtrl::InsertItem(int row, const std::string& text) {
    if (columnCount() == 0)
        return -1;
    if (row < 0 || row > rowCount())
        row = rowCount();
    m_book.InsertRow(row, m_textBack);
    Widen(0, text);
    insertRow(row);
    for (int c = 0; c < columnCount(); ++c)
        setItem(row, c, new QTableWidgetItem(c == 0 ? Qs(text) : QString()));
    return row;
}

bool CGridListCtrl::SetItemText(int row, int column, const std::string& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return false;
    Widen(column, text);
    QTableWidgetItem* it = item(row, column);
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row, column, it);
    }
    it->setText(Qs(text));
    return true;
}

std::string CGridListCtrl::GetItemText(int row, int column) const {
    const QTableWidgetItem* it = item(row, column);
    return it ? Ss(it->text()) : std::string();
}

bool CGridListCtrl::DeleteItem(int row) {
    if (row < 0 || row >= rowCount())
        return false;
    removeRow(row);
    m_book.DeleteRow(row);
    return true;
}

bool CGridListCtrl::DeleteAllItems() {
    setRowCount(0);
    m_book.DeleteAll();
    return true;
}

bool CGridListCtrl::SetRowText(int row, const std::string& text) {
    m_book.SetRowText(row, text);
    return true;
}

bool CGridListCtrl::SetRowColor(int row, std::uint32_t colour) {
    if (!m_book.SetRowColor(row, colour))
        return false;
    viewport()->update();
    return true;
}

long long CGridListCtrl::GetItemData(int row) const {
    const QTableWidgetItem* it = item(row, 0);
    return it ? it->data(Qt::UserRole).toLongLong() : 0;
}

void CGridListCtrl::FillRows(const std::vector<CGridRow>& rows) {
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    DeleteAllItems();
    if (columnCount() == 0) {
        setUpdatesEnabled(updates);
        return;
    }
    // One resize of the table, then the cells; each column widens once to its widest text.
    const int count = static_cast<int>(rows.size());
    setRowCount(count);
    std::vector<int> widest(static_cast<std::size_t>(columnCount()), 0);
    const QFontMetrics metrics = fontMetrics();
    for (int row = 0; row < count; ++row) {
        const CGridRow& r = rows[static_cast<std::size_t>(row)];
        m_book.InsertRow(row, r.colour);
        for (int c = 0; c < columnCount(); ++c) {
            const QString text = static_cast<std::size_t>(c) < r.cells.size()
                                     ? Qs(r.cells[static_cast<std::size_t>(c)])
                                     : QString();
            if (!text.isEmpty())
                widest[static_cast<std::size_t>(c)] = std::max(widest[static_cast<std::size_t>(c)],
                                                               CellWidthFor(metrics.horizontalAdvance(text)));
            setItem(row, c, new QTableWidgetItem(text));
        }
        if (!r.rowText.empty())
            m_book.SetRowText(row, r.rowText);
        item(row, 0)->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(r.itemData));
    }
    for (int c = 0; c < columnCount(); ++c)
        if (widest[static_cast<std::size_t>(c)] > columnWidth(c))
            setColumnWidth(c, widest[static_cast<std::size_t>(c)]);
    setUpdatesEnabled(updates);
}

std::vector<int> CGridListCtrl::GetSelectedRows() const {
    std::vector<int> rows;
    const QModelIndexList sel = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    for (const QModelIndex& i : sel)
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CGridListCtrl::GetSelectedRow() const {
    const std::vector<int> rows = GetSelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void CGridListCtrl::SelectRow(int row) {
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        return;
    }
    selectRow(row);
    setCurrentCell(row, 0, QItemSelectionModel::NoUpdate);
}

QRect CGridListCtrl::SubItemRect(int row, int column, const QWidget* widget) const {
    const QRect r = visualRect(model()->index(row, column));
    if (!widget)
        return QRect(viewport()->mapTo(this, r.topLeft()), r.size());
    return QRect(viewport()->mapTo(widget->window(), r.topLeft()) - widget->mapTo(widget->window(), QPoint()),
                 r.size());
}

std::string CGridListCtrl::ToolTipAt(const QPoint& viewportPos) const {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid())
        return {};
    return m_book.GetRowText(index.row());
}

bool CGridListCtrl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid()) {
            // The tool is the cell: moving to another cell renews the tip, with the row's text.
            const QRect cell = visualRect(index);
            QToolTip::showText(help->globalPos(), Qs(m_book.GetRowText(index.row())), viewport(), cell);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QTableWidget::viewportEvent(event);
}

} // namespace editors
