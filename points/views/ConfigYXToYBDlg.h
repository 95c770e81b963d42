#pragma once
// The editor of a tap position built from telesignal bits; the caller reads the expression from
// Model() after OK.
#include "points/YxToTapEdit.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace editors {
class CGridListCtrl;
} // namespace editors

namespace points {

// "遥信转步位置表达式编辑器".
class CConfigYXToYBDlg : public QDialog {
    Q_OBJECT
public:
    explicit CConfigYXToYBDlg(QWidget* parent = nullptr);
    CYxToTapEdit& Model() { return m_model; }
    int DoModal();
    void OnInitDialog();
    void FillOperands();
    void OnAdd();
    void OnRemove();
    void OnMoveUp();
    void OnMoveDown();
    void accept() override;

    editors::CGridListCtrl* SourceList() const { return m_pSource; }
    editors::CGridListCtrl* OperandList() const { return m_pOperands; }
    QLineEdit* GroupEdit() const { return m_pGroup; }
    QLineEdit* EntryEdit() const { return m_pEntry; }

private:
    CYxToTapEdit m_model;
    QLineEdit* m_pName;
    QLineEdit* m_pAddress;
    QLineEdit* m_pGroup;
    QLineEdit* m_pEntry;
    editors::CGridListCtrl* m_pSource;
    editors::CGridListCtrl* m_pOperands;
};

} // namespace points
