#include "iedinterface/views/PointList.h"

#include "platform/ui/WidgetPrompt.h"

#include <QHeaderView>
#include <QTableWidget>
#include <set>

namespace iedinterface {

QTableWidget* MakePointList(QWidget* parent) {
    auto* list = new QTableWidget(parent);
    list->setObjectName("list");
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->setWordWrap(false);
    list->setStyleSheet("QTableWidget { background-color: #DFDFDF; }");
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    return list;
}

void FitColumns(QTableWidget& list) {
    // The view measures at most the header's precision of rows (1000 by default), so a list of
    // many thousand points is sized in bounded time.
    list.resizeColumnsToContents();
}

std::vector<std::string> SelectedReferences(const QTableWidget& list) {
    std::set<int> rows;
    for (const QModelIndex& index : list.selectionModel()->selectedRows())
        rows.insert(index.row());
    std::vector<std::string> refs;
    for (int r : rows)
        if (QTableWidgetItem* item = list.item(r, 0))
            refs.push_back(platform::Ss(item->text()));
    return refs;
}

} // namespace iedinterface
