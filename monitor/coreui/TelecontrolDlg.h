#pragma once
// "遥控": the telecontrol step (select, execute, cancel) and the value (分, 合) of one command.
#include <QDialog>

class QRadioButton;

namespace marindle {

class CTelecontrolDlg : public QDialog {
public:
    explicit CTelecontrolDlg(QWidget* parent = nullptr);

    // Runs the dialog; QDialog::Accepted on OK.
    int DoModal();

    int m_command = 0; // 0 select, 1 execute, 2 cancel
    int m_value = 0;   // 0 分, 1 合

    void accept() override;

private:
    QRadioButton* select_ = nullptr;  // 1071
    QRadioButton* execute_ = nullptr; // 1072
    QRadioButton* cancel_ = nullptr;  // 1075
    QRadioButton* off_ = nullptr;     // 1073
    QRadioButton* on_ = nullptr;      // 1074
};

} // namespace marindle
