#pragma once
// "移动到位置": the position a row is moved to (0..100000).
#include <QDialog>

class QLineEdit;

namespace editors {

class CMovePosDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMovePosDlg(QWidget* parent = nullptr);
    unsigned int m_nPosition = 1;
    QLineEdit* Edit() const { return m_pEdit; }
    // Initialises the controls from the members and runs the dialog modally (platform::RunDialog).
    int DoModal();
    bool OnInitDialog();
    void accept() override;

private:
    QLineEdit* m_pEdit;
};

} // namespace editors
