#include "debugger/views/CommStatusDlg.h"

#include "debugger/views/QuorvexApp.h"

#include "platform/ui/WidgetPrompt.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quorvex {

using platform::Qs;
using platform::Ss;

CCommStatusDlg::CCommStatusDlg(CQuorvexApp& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName("CCommStatusDlg");
    setWindowTitle("通讯状态");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    list_ = new QTableWidget(this);
    list_->setObjectName("list");
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->verticalHeader()->hide();
    list_->setColumnCount(CCommStatusModel::kColumns);
    list_->setHorizontalHeaderLabels({"板卡", "连接", "装置", "A网", "B网", "运行状态"});
    const int w = 720;
    const int widths[] = {w / 5 * 3 / 4, w / 5, w / 5, 2 * w / 15, 2 * w / 15, 2 * w / 15};
    for (int i = 0; i < 6; ++i)
        list_->setColumnWidth(i, widths[i]);
    layout->addWidget(list_);
    auto* exit = new QPushButton("退出", this);
    exit->setObjectName("exit");
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(exit, 0, Qt::AlignRight);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row) { ToggleRow(row); });
    resize(760, 460);
}

std::string CCommStatusDlg::Text(int row, int col) const {
    const QTableWidgetItem* it = list_->item(row, col);
    return it ? Ss(it->text()) : std::string();
}

void CCommStatusDlg::SetText(int row, int col, const std::string& text) {
    if (QTableWidgetItem* it = list_->item(row, col))
        it->setText(Qs(text));
    else
        list_->setItem(row, col, new QTableWidgetItem(Qs(text)));
}

void CCommStatusDlg::Show() {
    const std::vector<CCommStatusModel::Row> rows = model_.Rows();
    list_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < CCommStatusModel::kColumns; ++c)
            SetText(r, c, rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
}

void CCommStatusDlg::Fill() {
    model_.Build(app_.Data().m_boards);
    Show();
}

void CCommStatusDlg::UpdateDevice(std::uint16_t address, std::uint8_t state) {
    model_.UpdateDevice(address, state);
    Show();
}

void CCommStatusDlg::UpdatePort(std::uint8_t board, std::uint8_t kind, std::uint8_t port,
                                std::uint8_t state) {
    model_.UpdatePort(board, kind, port, state);
    Show();
}

void CCommStatusDlg::ToggleRow(int row) {
    if (model_.Toggle(row))
        Show();
}

void CCommStatusDlg::done(int result) {
    // 退出, Esc and the close box all end the unit's status reports.
    if (!stopped_) {
        stopped_ = true;
        app_.Send(CDeviceMessage(CDeviceMessage::kKindUnit, 255, 0xFFFF, {25, 1}));
        app_.Send(CDeviceMessage(CDeviceMessage::kKindUnit, 255, 0xFFFF, {26, 1, 0, 0}));
    }
    QDialog::done(result);
}

} // namespace quorvex
