#include "debugger/views/CappedRows.h"

#include "platform/TextBatch.h"
#include "platform/ui/WidgetPrompt.h"

namespace quorvex {

CCappedRows::CCappedRows(QTableWidget* list, QLabel* droppedLine) : list_(list), droppedLine_(droppedLine) {
    droppedLine_->setObjectName("dropped");
    droppedLine_->hide();
}

void CCappedRows::Append(const std::vector<std::string>& cells) {
    if (list_->rowCount() >= kMaxRows) {
        list_->removeRow(0);
        droppedLine_->setText(platform::Qs(platform::OmittedLine(++dropped_)));
        droppedLine_->show();
    }
    const int row = list_->rowCount();
    list_->insertRow(row);
    for (std::size_t c = 0; c < cells.size(); ++c)
        list_->setItem(row, static_cast<int>(c), new QTableWidgetItem(platform::Qs(cells[c])));
}

void CCappedRows::Clear() {
    list_->setRowCount(0);
    dropped_ = 0;
    droppedLine_->hide();
}

} // namespace quorvex
