#pragma once
// "设置管理机时间": a board and the clock to set: the system time now, or a time entered field by
// field (year 0-3000, month 1-12, day 1-31, hour 0-23, minute and second 0-59, millisecond 0-999).
#include "configtool/model/MgrTime.h"

#include <array>
#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace qxm7740 {

// Fills a board combo with "板卡0" to "板卡<count-1>" (item data 0 to count-1).
void FillMgrBoardCombo(QComboBox& combo, int count = 3);

class CSetMgrTimeDlg : public QDialog {
    Q_OBJECT
public:
    enum TimeMode { SystemTime = 0, SetTime = 1 };

    explicit CSetMgrTimeDlg(QWidget* parent = nullptr);

    const CMgrTime& GetTime() const { return m_time; }
    int GetTimeMode() const { return m_nTimeMode; }
    int GetBoard() const { return m_nBoard; }

    // "系统时间": the edits take the local time now and are disabled.
    void OnSystemTime();
    // "设定时间": the edits are enabled.
    void OnSetTime();

    // OK: every value within its range (the dialog stays on the first that is not), then the board.
    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What each run starts with: the stored board and mode, the local time now.
    void InitDialog();
    void ShowTime(const CMgrTime& time);
    void EnableEdits(bool enable);

    CMgrTime m_time;
    int m_nTimeMode = SystemTime;
    int m_nBoard = 0;
    bool m_bNeedInit = false;
    QComboBox* m_pBoard;
    QRadioButton* m_pSystemTime;
    QRadioButton* m_pSetTime;
    std::array<QLineEdit*, CMgrTime::FieldCount> m_edits{};
};

} // namespace qxm7740
