#pragma once
// "设置通讯装置时间": a date and a time of day chosen for the unit's clock.
#include <ctime>
#include <QDialog>
#include <string>

class QDateEdit;
class QTimeEdit;
class QWidget;

namespace marindle {

class CDeviceLink;

class CUnitTimeDlg : public QDialog {
public:
    explicit CUnitTimeDlg(QWidget* parent = nullptr);

    // Shows the current time in both pickers and runs the dialog; QDialog::Accepted on OK.
    int DoModal();

    // After OK: the date picker's day and the time picker's time, as local calendar seconds.
    std::time_t m_date = 0;
    std::time_t m_time = 0;

    void accept() override;

private:
    QDateEdit* date_ = nullptr; // control 1049
    QTimeEdit* time_ = nullptr; // control 1050
};

// Why the date a date editor shows ("yyyy-MM-dd") cannot go to the unit, "" when it can: its year
// outside 2000-2099, a month or a day outside its range, or a text that is no date. The editor
// keeps what was typed, so a refused date is told, not replaced by the one held before.
std::string TypedDateRefusal(const QDateEdit* edit);

// "自定义时钟": the dialog, then the chosen date and time of day go to the unit. 1 when sent.
int SetCustomClock(CDeviceLink& link, QWidget* parent = nullptr);

} // namespace marindle
