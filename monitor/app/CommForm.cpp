#include "monitor/app/CommForm.h"

#include "monitor/app/MainFrame.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/OverallView.h"
#include "platform/ui/WidgetPrompt.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

using platform::Qs;

namespace marindle {

CCommForm::CCommForm(CMarindleApp& app) : CMonitorForm(app, kCommWindow, {}) {
    setObjectName("CCommForm");
    QLabel* caption = MakeCaption();
    list_ = new QTableWidget(this);
    list_->setObjectName("list1001");
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(list_);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OnRowActivated(row); });
}

void CCommForm::Initialise(const std::string& title) {
    CMonitorForm::Initialise(title);
    findChild<QLabel*>("static1024")->setText(Qs(title));
    const char* titles[] = {"连接", "装置", "地址", "A网", "B网", "运行状态"};
    const int widths[] = {150, 200, 70, 50, 50, 100};
    list_->setColumnCount(6);
    for (int c = 0; c < 6; ++c) {
        list_->setHorizontalHeaderItem(c, new QTableWidgetItem(Qs(titles[c])));
        list_->setColumnWidth(c, widths[c]);
    }
    rows_ = BuildCommRows(app_.model);
    list_->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        for (int c = 0; c < 6; ++c)
            list_->setItem(r, c, new QTableWidgetItem(c < 3 ? Qs(rows_[r].cells[c]) : QString()));
    // The states the model already holds are shown at once; the others wait for their message.
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        ShowState(r, true);
}

void CCommForm::UpdateStates(int deviceFlag) {
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        if (rows_[r].deviceFlag == deviceFlag)
            ShowState(r, false);
}

void CCommForm::ShowState(int r, bool onlyKnown) {
    const CommRow& row = rows_[r];
    std::uint8_t state = 0;
    if (row.deviceFlag) {
        const CDeviceRecord* d = app_.model.FindDeviceByKey(row.key);
        if (!d || (onlyKnown && !d->stateKnown))
            return;
        state = d->commState;
    } else {
        const CPortRecord* p = app_.model.FindPortByKey(row.key);
        if (!p || (onlyKnown && !p->stateKnown))
            return;
        state = p->commState;
    }
    std::string a, b, run;
    CommStateTexts(row.deviceFlag, state, a, b, run);
    list_->item(r, 3)->setText(Qs(a));
    if (row.deviceFlag) {
        list_->item(r, 4)->setText(Qs(b));
        list_->item(r, 5)->setText(Qs(run));
    }
}

void CCommForm::OnRowActivated(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || !app_.Frame())
        return;
    const CommRow& r = rows_[row];
    app_.Frame()->SelectNode(r.deviceFlag ? kNodeDevice : kNodePort, r.deviceFlag, r.key);
}

} // namespace marindle
