#pragma once
// The editor of a tap position shown as a telemeasurement; the caller reads the expression from
// Model() after OK.
#include "points/TapToYcEdit.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace editors {
class CGridListCtrl;
} // namespace editors

namespace points {

// "步位置转遥测表达式编辑器".
class CConfigYBToYCDlg : public QDialog {
    Q_OBJECT
public:
    explicit CConfigYBToYCDlg(QWidget* parent = nullptr);
    CTapToYcEdit& Model() { return m_model; }
    int DoModal();
    void OnInitDialog();
    void FillOperands();
    void OnAdd();
    void OnRemove();
    void accept() override;

    editors::CGridListCtrl* SourceList() const { return m_pSource; }
    editors::CGridListCtrl* OperandList() const { return m_pOperands; }
    QPushButton* AddButton() const { return m_pAdd; }

private:
    CTapToYcEdit m_model;
    QLineEdit* m_pName;
    QLineEdit* m_pAddress;
    QLineEdit* m_pGroup;
    QLineEdit* m_pEntry;
    editors::CGridListCtrl* m_pSource;
    editors::CGridListCtrl* m_pOperands;
    QPushButton* m_pAdd;
};

} // namespace points
