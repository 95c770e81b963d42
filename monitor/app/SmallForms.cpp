#include "monitor/app/SmallForms.h"

#include "monitor/app/MarindleApp.h"
#include "monitor/core/DevTime.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

using platform::Qs;

namespace marindle {

CLogForm::CLogForm(CMarindleApp& app, int deviceFlag, std::uint16_t deviceKey)
    : CMonitorForm(app, kLogWindow, {0, deviceFlag, deviceKey}) {
    setObjectName("CLogForm");
    QLabel* caption = MakeCaption();
    list_ = new QTableWidget(this);
    list_->setObjectName("list1000");
    list_->verticalHeader()->hide();
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(list_);
}

void CLogForm::Initialise(const std::string& title) {
    CMonitorForm::Initialise(title);
    findChild<QLabel*>("static1024")->setText(Qs(title));
    const char* titles[] = {"描述", "类型", "时间"};
    const int widths[] = {400, 100, 200};
    list_->setColumnCount(3);
    for (int c = 0; c < 3; ++c) {
        list_->setHorizontalHeaderItem(c, new QTableWidgetItem(Qs(titles[c])));
        list_->setColumnWidth(c, widths[c]);
    }
}

void CLogForm::AddLogEntry(std::uint8_t code, std::time_t time) {
    entries_.push_back({code, time});
    // The entries are shown as they come: their code and time (the unit gives no description).
    const int row = list_->rowCount();
    list_->insertRow(row);
    list_->setItem(row, 0, new QTableWidgetItem(Qs(platform::StrFormat("日志代码 %u", code))));
    list_->setItem(row, 1, new QTableWidgetItem(Qs(platform::StrFormat("%u", code))));
    list_->setItem(row, 2, new QTableWidgetItem(Qs(FormatLocalTime(time))));
}

CInfoForm::CInfoForm(CMarindleApp& app) : CMonitorForm(app, kInfoWindow, {}) {
    setObjectName("CInfoForm");
    list_ = new QTableWidget(this);
    list_->setObjectName("list1038");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 40, 20, 20);
    layout->addWidget(list_);
}

} // namespace marindle
