#include "points/views/ConfigYXToYBDlg.h"

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

CConfigYXToYBDlg::CConfigYXToYBDlg(QWidget* parent)
    : QDialog(parent), m_model(projectmodel::CConfigDoc::Current()) {
    setObjectName("configYXToYBDlg");
    setWindowTitle("遥信转步位置表达式编辑器");
    auto* grid = new QGridLayout(this);
    MakeKeyFields(this, grid, "步位置名称：", m_pName, m_pAddress, m_pGroup, m_pEntry);
    m_pSource = MakeExprList(this, "sourceList");
    m_pOperands = MakeExprList(this, "operandList");
    grid->addWidget(m_pSource, 2, 0);
    auto* middle = new QVBoxLayout;
    QPushButton* add = MakeExprButton(this, "遥信量>>", "addButton");
    QPushButton* remove = MakeExprButton(this, "<<取消", "removeButton");
    QPushButton* up = MakeExprButton(this, "上移↑", "upButton");
    QPushButton* down = MakeExprButton(this, "下移↓", "downButton");
    for (QPushButton* b : {add, remove, up, down})
        middle->addWidget(b);
    grid->addLayout(middle, 2, 1);
    grid->addWidget(m_pOperands, 2, 2);
    grid->addWidget(platform::MakeOkCancelButtons(this), 3, 0, 1, 3);
    connect(add, &QPushButton::clicked, this, &CConfigYXToYBDlg::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CConfigYXToYBDlg::OnRemove);
    connect(up, &QPushButton::clicked, this, &CConfigYXToYBDlg::OnMoveUp);
    connect(down, &QPushButton::clicked, this, &CConfigYXToYBDlg::OnMoveDown);
    connect(m_pSource, &QTableWidget::cellDoubleClicked, this, [this] { OnAdd(); });
    connect(m_pOperands, &QTableWidget::cellDoubleClicked, this, [this] { OnRemove(); });
}

int CConfigYXToYBDlg::DoModal() {
    OnInitDialog();
    return platform::RunDialog(*this);
}

void CConfigYXToYBDlg::OnInitDialog() {
    SetColumns(m_pSource, ExprPointColumns());
    SetColumns(m_pOperands, {"位序", "装置", "分组", "条目", "描述"});
    m_pSource->FillRows(ToGridRows(m_model.SourceRows()));
    FillOperands();
    ShowKeyFields(m_model, m_pName, m_pAddress, m_pGroup, m_pEntry);
}

void CConfigYXToYBDlg::FillOperands() {
    m_pOperands->FillRows(ToGridRows(m_model.OperandRows()));
}

void CConfigYXToYBDlg::OnAdd() {
    m_model.Add(SelectedKeys(m_pSource));
    FillOperands();
}

void CConfigYXToYBDlg::OnRemove() {
    m_model.Remove(m_pOperands->GetSelectedRows());
    FillOperands();
}

void CConfigYXToYBDlg::OnMoveUp() {
    const int row = m_model.MoveUp(m_pOperands->GetSelectedRow());
    if (row < 0)
        return;
    FillOperands();
    m_pOperands->SelectRow(row);
}

void CConfigYXToYBDlg::OnMoveDown() {
    const int row = m_model.MoveDown(m_pOperands->GetSelectedRow());
    if (row < 0)
        return;
    FillOperands();
    m_pOperands->SelectRow(row);
}

void CConfigYXToYBDlg::accept() {
    ReadKeyFields(m_model, m_pName, m_pGroup, m_pEntry);
    if (m_model.Accept())
        QDialog::accept();
}

} // namespace points
