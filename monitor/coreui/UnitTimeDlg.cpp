#include "monitor/coreui/UnitTimeDlg.h"

#include "monitor/core/ClockCommands.h"
#include "monitor/core/DevTime.h"
#include "platform/Prompt.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/UnitTime.h"

#include <array>

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QTimeEdit>
#include <QVBoxLayout>

using platform::Qs;

namespace marindle {

CUnitTimeDlg::CUnitTimeDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Qs("设置通讯装置时间"));
    setObjectName("CUnitTimeDlg");
    date_ = new QDateEdit(this);
    date_->setObjectName("date1049");
    date_->setCalendarPopup(true);
    // Any year can be typed, so that one the unit cannot carry is refused as typed.
    date_->setDisplayFormat("yyyy-MM-dd");
    time_ = new QTimeEdit(this);
    time_->setObjectName("time1050");
    time_->setDisplayFormat("HH:mm:ss");
    auto* form = new QFormLayout();
    form->addRow(Qs("日期"), date_);
    form->addRow(Qs("时间"), time_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(platform::MakeOkCancelButtons(this));
}

int CUnitTimeDlg::DoModal() {
    std::time_t now = Now();
    std::tm tm{};
    localtime_r(&now, &tm);
    date_->setDate(QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
    time_->setTime(QTime(tm.tm_hour, tm.tm_min, tm.tm_sec));
    return platform::RunDialog(*this);
}

void CUnitTimeDlg::accept() {
    const std::string refusal = TypedDateRefusal(date_);
    if (!refusal.empty()) {
        platform::MessageBox(refusal);
        return;
    }
    const QDate d = date_->date();
    const QTime t = time_->time();
    m_date = MakeLocalTime(d.year(), d.month(), d.day(), 0, 0, 0);
    std::tm today{};
    const std::time_t now = Now();
    localtime_r(&now, &today);
    m_time = MakeLocalTime(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, t.hour(), t.minute(),
                           t.second());
    QDialog::accept();
}

std::string TypedDateRefusal(const QDateEdit* edit) {
    const QStringList parts = edit->text().trimmed().split('-');
    std::array<std::string, 6> texts = {"", "", "", "0", "0", "0"};
    for (qsizetype i = 0; i < 3 && i < parts.size(); ++i)
        texts[static_cast<std::size_t>(i)] = platform::Ss(parts[i]);
    if (parts.size() != 3)
        texts[1] = "";
    std::array<int, 6> values{};
    return unitlink::UnitTimeTextsRefusal(texts, values);
}

int SetCustomClock(CDeviceLink& link, QWidget* parent) {
    CUnitTimeDlg dlg(parent);
    if (dlg.DoModal() != QDialog::Accepted)
        return 0;
    return SetUnitClock(link, dlg.m_date, dlg.m_time);
}

} // namespace marindle
