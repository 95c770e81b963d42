#pragma once
// "步长": the step the port device view numbers addresses with.
#include <QDialog>

class QLineEdit;

namespace editors {

class CStepDlg : public QDialog {
    Q_OBJECT
public:
    explicit CStepDlg(QWidget* parent = nullptr);
    int m_nStep = 1;
    QLineEdit* Edit() const { return m_pEdit; }
    // Initialises the controls from the members and runs the dialog modally (platform::RunDialog).
    int DoModal();
    bool OnInitDialog();
    void accept() override;

private:
    QLineEdit* m_pEdit;
};

} // namespace editors
