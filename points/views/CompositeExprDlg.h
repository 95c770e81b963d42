#pragma once
// The composite expression editors: "遥测量复合运算表达式编辑" (CConfigYCExprDlg) and
// "遥信量复合运算表达式编辑" (CConfigYXExprDlg). The caller sets the key, the name and an optional
// expression in Model(), runs DoModal and reads them back after OK.
#include "points/CompositeExprEdit.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace editors {
class CGridListCtrl;
class CInPlaceEditor;
} // namespace editors

namespace points {

class CCompositeExprDlg : public QDialog {
    Q_OBJECT
public:
    CCompositeExprDlg(CCompositeExprEdit::Kind kind, QWidget* parent);

    CCompositeExprEdit& Model() { return m_model; }
    int DoModal();
    void OnInitDialog();
    void FillOperands();

    void OnAddPoints();
    void OnAddNumber();
    void OnRemove();
    void OnMoveUp();
    void OnMoveDown();
    void OnOperatorChanged(int index);
    void OnClickOperand(int row, int column);
    void accept() override;

    editors::CGridListCtrl* SourceList() const { return m_pSource; }
    editors::CGridListCtrl* OperandList() const { return m_pOperands; }
    QComboBox* OperatorCombo() const { return m_pOperator; }
    QLineEdit* NumberEdit() const { return m_pNumber; }
    QLineEdit* NameEdit() const { return m_pName; }
    QLineEdit* GroupEdit() const { return m_pGroup; }
    QLineEdit* EntryEdit() const { return m_pEntry; }
    QPushButton* AddPointButton() const { return m_pAddPoint; }
    editors::CInPlaceEditor* Editor() const { return m_pEditor; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Commit(int row, int column, const std::string& oldText, const std::string& newText);

    CCompositeExprEdit m_model;
    QLineEdit* m_pName;
    editors::CGridListCtrl* m_pSource;
    editors::CGridListCtrl* m_pOperands;
    QComboBox* m_pOperator;
    QPushButton* m_pAddPoint;
    QPushButton* m_pAddNumber;
    QLineEdit* m_pNumber;
    QLineEdit* m_pAddress;
    QLineEdit* m_pGroup;
    QLineEdit* m_pEntry;
    editors::CInPlaceEditor* m_pEditor;
};

class CConfigYCExprDlg : public CCompositeExprDlg {
    Q_OBJECT
public:
    explicit CConfigYCExprDlg(QWidget* parent = nullptr)
        : CCompositeExprDlg(CCompositeExprEdit::YC, parent) {}
};

class CConfigYXExprDlg : public CCompositeExprDlg {
    Q_OBJECT
public:
    explicit CConfigYXExprDlg(QWidget* parent = nullptr)
        : CCompositeExprDlg(CCompositeExprEdit::YX, parent) {}
};

} // namespace points
