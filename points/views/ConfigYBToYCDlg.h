#pragma once
// The editor of a tap position shown as a telemeasurement; the caller reads the expression from
// Model() after OK.
#include "points/TapToYcEdit.h"

#include <QDialog>

class CGridListCtrl;
class QLineEdit;
class QPushButton;

// "步位置转遥测表达式编辑器".
class CConfigYBToYCDlg : public QDialog {
    Q_OBJECT
public:
    explicit CConfigYBToYCDlg(QWidget* parent = nullptr);
    points::CTapToYcEdit& Model() { return m_model; }
    int DoModal();
    void OnInitDialog();
    void FillOperands();
    void OnAdd();
    void OnRemove();
    void accept() override;

    CGridListCtrl* SourceList() const { return m_pSource; }
    CGridListCtrl* OperandList() const { return m_pOperands; }
    QPushButton* AddButton() const { return m_pAdd; }

private:
    points::CTapToYcEdit m_model;
    QLineEdit* m_pName;
    QLineEdit* m_pAddress;
    QLineEdit* m_pGroup;
    QLineEdit* m_pEntry;
    CGridListCtrl* m_pSource;
    CGridListCtrl* m_pOperands;
    QPushButton* m_pAdd;
};
