#include "points/views/ConfigYBToYCDlg.h"

#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/views/ExprDlgParts.h"
#include "points/views/ViewRows.h"
#include "projectmodel/ConfigDoc.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace points {

CConfigYBToYCDlg::CConfigYBToYCDlg(QWidget* parent)
    : QDialog(parent), m_model(projectmodel::CConfigDoc::Current()) {
    setObjectName("configYBToYCDlg");
    setWindowTitle("步位置转遥测表达式编辑器");
    auto* grid = new QGridLayout(this);
    MakeKeyFields(this, grid, "虚遥测名称:", m_pName, m_pAddress, m_pGroup, m_pEntry);
    m_pSource = MakeExprList(this, "sourceList");
    m_pOperands = MakeExprList(this, "operandList");
    grid->addWidget(m_pSource, 2, 0);
    auto* middle = new QVBoxLayout;
    m_pAdd = MakeExprButton(this, "转遥测>>", "addButton");
    QPushButton* remove = MakeExprButton(this, "<<取消", "removeButton");
    middle->addWidget(m_pAdd);
    middle->addWidget(remove);
    grid->addLayout(middle, 2, 1);
    grid->addWidget(m_pOperands, 2, 2);
    grid->addWidget(platform::MakeOkCancelButtons(this), 3, 0, 1, 3);
    connect(m_pAdd, &QPushButton::clicked, this, &CConfigYBToYCDlg::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CConfigYBToYCDlg::OnRemove);
    connect(m_pSource, &QTableWidget::cellClicked, this, [this] { m_pAdd->setEnabled(true); });
}

int CConfigYBToYCDlg::DoModal() {
    OnInitDialog();
    return platform::RunDialog(*this);
}

void CConfigYBToYCDlg::OnInitDialog() {
    SetColumns(m_pSource, ExprPointColumns());
    SetColumns(m_pOperands, ExprPointColumns());
    m_pSource->FillRows(ToGridRows(m_model.SourceRows()));
    m_model.Open();
    FillOperands();
    m_pAdd->setEnabled(false);
    ShowKeyFields(m_model, m_pName, m_pAddress, m_pGroup, m_pEntry);
}

void CConfigYBToYCDlg::FillOperands() {
    m_pOperands->FillRows(ToGridRows(m_model.OperandRows()));
}

void CConfigYBToYCDlg::OnAdd() {
    m_model.Add(SelectedKeys(m_pSource));
    FillOperands();
}

void CConfigYBToYCDlg::OnRemove() {
    m_model.Remove(m_pOperands->GetSelectedRows());
    FillOperands();
}

void CConfigYBToYCDlg::accept() {
    ReadKeyFields(m_model, m_pName, m_pGroup, m_pEntry);
    if (m_model.Accept())
        QDialog::accept();
}

} // namespace points
