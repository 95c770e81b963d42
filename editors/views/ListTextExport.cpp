#include "editors/views/ListTextExport.h"

#include "editors/views/GridListCtrl.h"
#include "platform/ui/WidgetPrompt.h"

#include <QLabel>
#include <QTabBar>

namespace editors {

CTextExportList ReadListExport(const QLabel* title, const QTabBar* tabs, const CGridListCtrl* list) {
    CTextExportList out;
    if (title)
        out.title = platform::Ss(title->text());
    // A view whose tab control is hidden for the record it shows has no tab to name.
    if (tabs && tabs->parentWidget() && tabs->isVisibleTo(tabs->parentWidget()) && tabs->currentIndex() >= 0)
        out.tabCaption = platform::Ss(tabs->tabText(tabs->currentIndex()));
    if (!list)
        return out;
    for (int c = 0; c < list->columnCount(); ++c) {
        const QTableWidgetItem* header = list->horizontalHeaderItem(c);
        out.columns.push_back(header ? platform::Ss(header->text()) : std::string());
    }
    for (int r = 0; r < list->GetItemCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < list->columnCount(); ++c)
            row.push_back(list->GetItemText(r, c));
        out.rows.push_back(std::move(row));
    }
    return out;
}

} // namespace editors
