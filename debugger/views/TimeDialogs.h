#pragma once
// The board and clock dialogs: set the device time (装置对时), choose a board to read its time,
// the window that shows the time read, and the restart board choice (远程启动).
#include "debugger/core/DbEntry.h"
#include "debugger/core/UnitBoard.h"

#include <QDialog>

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace quorvex {

// A date or time field's edit sized to its content (four digits for the year, two otherwise), so
// that six of them side by side make a dialog of a few hundred pixels.
void FitTimeEdit(QLineEdit* edit, bool year);

// "设置时间".
class CSetTimeDlg : public QDialog {
    Q_OBJECT
public:
    CSetTimeDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr);
    void accept() override;
    CDeviceTime m_time;
    std::uint8_t m_board = 255;
    QRadioButton* m_system;
    QRadioButton* m_custom;
    std::array<QLineEdit*, 6> m_edits{};
    QComboBox* m_boardCombo;
};

// "查看时间".
class CViewTimeDlg : public QDialog {
    Q_OBJECT
public:
    CViewTimeDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr);
    void accept() override;
    std::uint8_t m_board = 0;
    QComboBox* m_boardCombo;
};

// "装置时间" (modeless).
class CDeviceTimeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDeviceTimeDlg(QWidget* parent = nullptr);
    void ShowTime(const CDeviceTime& time);
    QLabel* m_time;
};

// "复位选择".
class CResetSelectDlg : public QDialog {
    Q_OBJECT
public:
    CResetSelectDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr);
    void accept() override;
    std::uint8_t m_board = 255;
    QComboBox* m_boardCombo;
};

} // namespace quorvex
