#include "points/views/CompositeExprDlg.h"

#include "editors/views/InPlaceEditor.h"
#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/views/ExprDlgParts.h"
#include "points/views/ViewRows.h"
#include "projectmodel/ConfigDoc.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

using namespace editors;

namespace points {

CCompositeExprDlg::CCompositeExprDlg(CCompositeExprEdit::Kind kind, QWidget* parent)
    : QDialog(parent), m_model(kind, projectmodel::CConfigDoc::Current()) {
    const bool yc = kind == CCompositeExprEdit::YC;
    setObjectName(yc ? "configYCExprDlg" : "configYXExprDlg");
    setWindowTitle(yc ? "遥测量复合运算表达式编辑" : "遥信量复合运算表达式编辑");
    auto* grid = new QGridLayout(this);
    m_pName = MakeExprEdit(this, "nameEdit");
    grid->addWidget(new QLabel(yc ? "虚遥测名称：" : "虚遥信名称：", this), 0, 0);
    grid->addWidget(m_pName, 0, 1, 1, 3);
    m_pAddress = MakeExprEdit(this, "deviceEdit");
    m_pAddress->setEnabled(false);
    m_pGroup = MakeExprEdit(this, "groupEdit");
    m_pEntry = MakeExprEdit(this, "entryEdit");
    auto* keys = new QHBoxLayout;
    keys->addWidget(m_pAddress);
    keys->addWidget(m_pGroup);
    keys->addWidget(m_pEntry);
    grid->addLayout(keys, 1, 1, 1, 3);
    grid->addWidget(new QLabel(yc ? "数据源：遥测库" : "数据源：遥信库", this), 2, 0);
    grid->addWidget(new QLabel("表达式：操作数", this), 2, 2);
    m_pSource = MakeExprList(this, "sourceList");
    m_pOperands = MakeExprList(this, "operandList");
    grid->addWidget(m_pSource, 3, 0, 1, 2);
    auto* middle = new QVBoxLayout;
    m_pOperator = new QComboBox(this);
    m_pOperator->setObjectName("operatorCombo");
    m_pAddPoint = MakeExprButton(this, yc ? "遥测量>>" : "遥信量>>", "addPointButton");
    m_pAddNumber = MakeExprButton(this, "直接数>>", "addNumberButton");
    QPushButton* remove = MakeExprButton(this, "<<取消", "removeButton");
    m_pNumber = MakeExprEdit(this, "numberEdit");
    QPushButton* up = MakeExprButton(this, "上移↑", "upButton");
    QPushButton* down = MakeExprButton(this, "下移↓", "downButton");
    middle->addWidget(m_pOperator);
    middle->addWidget(m_pAddPoint);
    middle->addWidget(m_pAddNumber);
    middle->addWidget(remove);
    middle->addWidget(new QLabel("直接数： ", this));
    middle->addWidget(m_pNumber);
    middle->addWidget(up);
    middle->addWidget(down);
    grid->addLayout(middle, 3, 2);
    grid->addWidget(m_pOperands, 3, 3);
    grid->addWidget(platform::MakeOkCancelButtons(this), 4, 0, 1, 4);

    m_pEditor = new CInPlaceEditor(m_pOperands, 14);
    m_pEditor->Edit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_pEditor->Edit()));
    m_pEditor->SetCommit(
        [this](int r, int c, const std::string& o, const std::string& n) { Commit(r, c, o, n); });

    connect(m_pAddPoint, &QPushButton::clicked, this, &CCompositeExprDlg::OnAddPoints);
    connect(m_pAddNumber, &QPushButton::clicked, this, &CCompositeExprDlg::OnAddNumber);
    connect(remove, &QPushButton::clicked, this, &CCompositeExprDlg::OnRemove);
    connect(up, &QPushButton::clicked, this, &CCompositeExprDlg::OnMoveUp);
    connect(down, &QPushButton::clicked, this, &CCompositeExprDlg::OnMoveDown);
    connect(m_pOperator, &QComboBox::currentIndexChanged, this, &CCompositeExprDlg::OnOperatorChanged);
    connect(m_pOperands, &QTableWidget::cellClicked, this, &CCompositeExprDlg::OnClickOperand);
    connect(m_pSource, &QTableWidget::cellClicked, this, [this] {
        m_pAddPoint->setEnabled(true);
        m_pAddNumber->setEnabled(false);
    });
    m_pNumber->installEventFilter(this);
}

bool CCompositeExprDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pNumber && event->type() == QEvent::FocusIn) {
        m_pAddPoint->setEnabled(false);
        m_pAddNumber->setEnabled(true);
    }
    return QDialog::eventFilter(watched, event);
}

int CCompositeExprDlg::DoModal() {
    OnInitDialog();
    return platform::RunDialog(*this);
}

void CCompositeExprDlg::OnInitDialog() {
    SetColumns(m_pSource, ExprPointColumns());
    SetColumns(m_pOperands, ExprPointColumns());
    m_pEditor->HideEditors();
    m_model.Open();
    {
        const QSignalBlocker block(m_pOperator);
        m_pOperator->clear();
        for (const COperatorItem& op : m_model.Operators())
            m_pOperator->addItem(Qs(op.caption), op.code);
        m_pOperator->setCurrentIndex(m_model.OperatorIndex());
    }
    m_pSource->FillRows(ToGridRows(m_model.SourceRows()));
    FillOperands();
    m_pAddPoint->setEnabled(false);
    m_pAddNumber->setEnabled(false);
    ShowKeyFields(m_model, m_pName, m_pAddress, m_pGroup, m_pEntry);
    m_pEditor->SetReady(true);
}

void CCompositeExprDlg::FillOperands() {
    m_pOperands->FillRows(ToGridRows(m_model.OperandRows()));
    if (m_pOperands->rowCount() > 0)
        m_pOperands->scrollToBottom();
}

void CCompositeExprDlg::OnAddPoints() {
    const std::vector<CPointKey> keys = SelectedKeys(m_pSource);
    if (keys.empty())
        return;
    m_model.AddPoints(keys);
    FillOperands();
}

void CCompositeExprDlg::OnAddNumber() {
    if (m_model.AddNumber(Ss(m_pNumber->text())))
        FillOperands();
}

void CCompositeExprDlg::OnRemove() {
    m_model.Remove(m_pOperands->GetSelectedRows());
    FillOperands();
}

void CCompositeExprDlg::OnMoveUp() {
    const int row = m_pOperands->GetSelectedRow();
    if (m_model.MoveUp(row)) {
        FillOperands();
        m_pOperands->SelectRow(row - 1);
    }
}

void CCompositeExprDlg::OnMoveDown() {
    const int row = m_pOperands->GetSelectedRow();
    if (m_model.MoveDown(row)) {
        FillOperands();
        m_pOperands->SelectRow(row + 1);
    }
}

void CCompositeExprDlg::OnOperatorChanged(int index) {
    if (index < 0)
        return;
    const std::size_t before = m_model.m_expr ? m_model.m_expr->m_operands.size() : 0;
    m_model.SetOperator(m_pOperator->itemData(index).toInt());
    if (m_model.m_expr && m_model.m_expr->m_operands.size() != before)
        FillOperands();
}

void CCompositeExprDlg::OnClickOperand(int row, int column) {
    if (column == 0)
        m_pEditor->OpenEdit(row, column);
}

void CCompositeExprDlg::Commit(int row, int column, const std::string& oldText, const std::string& newText) {
    std::string first, last;
    if (column == 0 && m_model.EditOperand(row, oldText, newText, first, last)) {
        m_pOperands->SetItemText(row, 0, first);
        m_pOperands->SetItemText(row, 3, last);
    }
}

void CCompositeExprDlg::accept() {
    ReadKeyFields(m_model, m_pName, m_pGroup, m_pEntry);
    if (!m_model.Accept(platform::AtoI(Ss(m_pNumber->text()))))
        return;
    QDialog::accept();
}

} // namespace points
