#include "CommStatusDlg.h"

#include "AppRules.h"
#include "QuorvexApp.h"

#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quorvex {

using platform::Qs;
using platform::Ss;
using platform::StrFormat;

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
    list_->setColumnCount(6);
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

int CCommStatusDlg::InsertRow(int at) {
    list_->insertRow(at);
    for (int c = 0; c < 6; ++c)
        list_->setItem(at, c, new QTableWidgetItem);
    return at;
}

// Inserts a port row (when asked) and its device rows from position at; the next free position.
int CCommStatusDlg::InsertPortRows(int at, std::uint8_t boardNumber, const std::string& portName,
                                   bool withPortRow) {
    const CUnitBoard* board = FindBoard(app_.Data().m_boards, boardNumber);
    if (!board)
        return at;
    for (int i = 0; i < board->PortCount(); ++i) {
        const CUnitPort* p = board->PortAt(i);
        if (!portName.empty() && p->m_name != portName)
            continue;
        if (withPortRow)
            SetText(InsertRow(at++), 1, p->m_name);
        for (const CUnitAddress& a : p->m_addresses)
            SetText(InsertRow(at++), 2, StrFormat("装置%u", unsigned(a.m_address)));
        if (!portName.empty())
            break;
    }
    return at;
}

void CCommStatusDlg::Fill() {
    list_->setRowCount(0);
    for (const CUnitBoard& b : app_.Data().m_boards) {
        const int row = InsertRow(list_->rowCount());
        SetText(row, 0, StrFormat("板卡%u", unsigned(b.m_boardNumber)));
        InsertPortRows(list_->rowCount(), b.m_boardNumber, {}, true);
    }
}

void CCommStatusDlg::UpdateDevice(std::uint16_t address, std::uint8_t state) {
    for (int row = 0; row < list_->rowCount(); ++row) {
        const std::string cell = Text(row, 2);
        if (!platform::StartsWith(cell, "装置") || NumberAfter(cell, "装置") != address)
            continue;
        SetText(row, 5, RunStateText(state & 0x0F));
        SetText(row, 3, NetStateText(static_cast<std::uint8_t>(state >> 4 & 0x03)));
        SetText(row, 4, NetStateText(static_cast<std::uint8_t>(state >> 6 & 0x03)));
    }
}

int CCommStatusDlg::BoardOfRow(int row) const {
    for (int r = row; r >= 0; --r)
        if (Text(r, 0).find("板卡") != std::string::npos)
            return NumberAfter(Text(r, 0), "板卡");
    return -1;
}

void CCommStatusDlg::UpdatePort(std::uint8_t board, std::uint8_t kind, std::uint8_t port,
                                std::uint8_t state) {
    for (int row = 0; row < list_->rowCount(); ++row) {
        const std::string name = Text(row, 1);
        if (name.empty() || BoardOfRow(row) != board + 1)
            continue;
        std::uint8_t k = 0;
        int number = 0;
        if (ParseStatusPortName(name, k, number) && k == kind && number == port)
            SetText(row, 3, PortStateText(state));
    }
}

void CCommStatusDlg::ToggleRow(int row) {
    if (row < 0 || row >= list_->rowCount())
        return;
    int col = 0;
    std::string text = Text(row, 0);
    if (text.empty()) {
        col = 1;
        text = Text(row, 1);
    }
    if (text.empty())
        return;
    const std::string arrow = "↓";
    if (text.find(arrow) == std::string::npos) {
        // Fold: the rows below up to the next row of the same level (or a board row) go.
        while (row + 1 < list_->rowCount() && Text(row + 1, col).empty() &&
               (col == 0 || Text(row + 1, 0).empty()))
            list_->removeRow(row + 1);
        SetText(row, col, text + " " + arrow);
        return;
    }
    std::string plain;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, arrow.size(), arrow) == 0) {
            i += arrow.size();
        } else {
            if (text[i] != ' ')
                plain += text[i];
            ++i;
        }
    }
    SetText(row, col, plain);
    if (col == 0)
        InsertPortRows(row + 1, static_cast<std::uint8_t>(NumberAfter(plain, "板卡")), {}, true);
    else
        InsertPortRows(row + 1, static_cast<std::uint8_t>(BoardOfRow(row)), plain, false);
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
