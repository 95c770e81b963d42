#include "points/views/TapExprDlg.h"

#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/views/ViewRows.h"
#include "projectmodel/ConfigDoc.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;
using points::CTapToYxEdit;

namespace {

const std::vector<std::string> kSourceColumns{"装置", "分组", "条目", "描述"};
const std::vector<std::string> kResultColumns{"取值", "装置", "分组", "条目", "描述"};

CGridListCtrl* List(QWidget* parent, const char* name) {
    auto* l = new CGridListCtrl(parent);
    l->setObjectName(name);
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return l;
}

QLineEdit* Edit(QWidget* parent, const char* name, bool enabled = true) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setEnabled(enabled);
    return e;
}

QPushButton* Button(QWidget* parent, const std::string& text, const char* name) {
    auto* b = new QPushButton(Qs(text), parent);
    b->setObjectName(name);
    return b;
}

// Name, device, group and entry fields of a single-point editor, on the first rows of grid.
void KeyFields(QWidget* parent, QGridLayout* grid, const char* nameLabel, QLineEdit*& name,
               QLineEdit*& address, QLineEdit*& group, QLineEdit*& entry) {
    name = Edit(parent, "nameEdit");
    address = Edit(parent, "deviceEdit", false);
    group = Edit(parent, "groupEdit");
    entry = Edit(parent, "entryEdit");
    grid->addWidget(new QLabel(nameLabel, parent), 0, 0);
    grid->addWidget(name, 0, 1, 1, 3);
    auto* keys = new QHBoxLayout;
    keys->addWidget(address);
    keys->addWidget(group);
    keys->addWidget(entry);
    grid->addLayout(keys, 1, 1, 1, 3);
}

} // namespace

// --- whole-model editors ------------------------------------------------------------------------

CTapToYxDlg::CTapToYxDlg(CTapToYxEdit::Kind kind, QWidget* parent) : QDialog(parent), m_kind(kind) {
    static const char* const titles[] = {"步位置转单个遥信表达式编辑器", "步位置转二进制遥信表达式编辑器",
                                         "步位置转BCD码遥信表达式编辑器"};
    static const char* const names[] = {"configYBToYXDlg", "configYBToYXEJZDlg", "configYBToYXBCDDlg"};
    setWindowTitle(titles[kind]);
    setObjectName(names[kind]);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(kind == CTapToYxEdit::Single ? "步位置选择:" : "步位置：", this), 0, 0);
    m_pTap = Edit(this, "tapField", false);
    grid->addWidget(m_pTap, 0, 1, 1, 2);
    m_pSource = List(this, "sourceList");
    m_pResults = List(this, "resultList");
    grid->addWidget(m_pSource, 1, 0);
    auto* middle = new QVBoxLayout;
    if (kind == CTapToYxEdit::Single) {
        middle->addWidget(new QLabel("运算符", this));
        m_pValues = new QComboBox(this);
        m_pValues->setObjectName("valueCombo");
        middle->addWidget(m_pValues);
        QPushButton* add = Button(this, "转遥信>>", "addButton");
        connect(add, &QPushButton::clicked, this,
                [this] { OnAdd(m_pValues->currentIndex() >= 0 ? m_pValues->currentData().toInt() : 0); });
        middle->addWidget(add);
    } else {
        const std::vector<std::string> captions = CTapToYxEdit::ValueCaptions(kind);
        for (int bit = 0; bit < 8; ++bit) {
            QPushButton* b = Button(this, captions[static_cast<std::size_t>(bit)], "bitButton");
            b->setObjectName(QString("bitButton%1").arg(bit));
            connect(b, &QPushButton::clicked, this, [this, bit] { OnAdd(bit); });
            m_bitButtons.push_back(b);
            middle->addWidget(b);
        }
    }
    QPushButton* remove = Button(this, "<<取消", "removeButton");
    connect(remove, &QPushButton::clicked, this, &CTapToYxDlg::OnRemove);
    middle->addWidget(remove);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_pResults, 1, 2);
    grid->addWidget(platform::MakeOkCancelButtons(this), 2, 0, 1, 3);
    connect(m_pResults, &QTableWidget::cellClicked, this, [this](int row, int) { OnClickResult(row); });
}

void CTapToYxDlg::SetModel(projectmodel::CDeviceTemplate* copy) {
    m_pCopy = copy;
    m_model = std::make_unique<CTapToYxEdit>(m_kind, projectmodel::CConfigDoc::Current(), copy);
}

int CTapToYxDlg::DoModal() {
    OnInitDialog();
    return platform::RunDialog(*this);
}

void CTapToYxDlg::OnInitDialog() {
    if (!m_model)
        SetModel(m_pCopy);
    SetColumns(m_pSource, kSourceColumns);
    SetColumns(m_pResults, kResultColumns);
    m_pSource->FillRows(ToGridRows(m_model->SourceRows()));
    FillResults();
    if (m_pValues) {
        m_pValues->clear();
        for (int v = 1; v <= 32; ++v)
            m_pValues->addItem(QString("档位%1").arg(v), v);
        m_pValues->setCurrentIndex(0);
    }
}

void CTapToYxDlg::FillResults() {
    m_pResults->FillRows(ToGridRows(m_model->ResultRows()));
    if (m_pResults->rowCount() > 0)
        m_pResults->scrollToBottom();
}

void CTapToYxDlg::OnAdd(int value) {
    const std::vector<points::CPointKey> keys = SelectedKeys(m_pSource);
    if (keys.empty() || (m_kind == CTapToYxEdit::Single && value <= 0))
        return;
    m_model->Add(keys.front(), value);
    FillResults();
}

void CTapToYxDlg::OnRemove() {
    std::vector<std::pair<int, int>> keys;
    for (int r : m_pResults->GetSelectedRows())
        keys.emplace_back(platform::AtoI(m_pResults->GetItemText(r, 2)),
                          platform::AtoI(m_pResults->GetItemText(r, 3)));
    m_model->Remove(keys);
    FillResults();
}

void CTapToYxDlg::OnClickResult(int row) {
    if (row < 0)
        return;
    std::vector<points::CPointRow> sources = m_model->SourceRows();
    int value = -1;
    int sourceRow = -1;
    std::string field;
    m_model->ClickResult(platform::AtoI(m_pResults->GetItemText(row, 2)),
                         platform::AtoI(m_pResults->GetItemText(row, 3)), sources, value, sourceRow, field);
    if (m_pValues && value >= 1 && value <= 32)
        m_pValues->setCurrentIndex(value - 1);
    m_pSource->clearSelection();
    if (sourceRow >= 0)
        m_pSource->SelectRow(sourceRow);
    m_pTap->setText(Qs(field));
}

// --- tap position as a telemeasurement -----------------------------------------------------------

CConfigYBToYCDlg::CConfigYBToYCDlg(QWidget* parent)
    : QDialog(parent), m_model(projectmodel::CConfigDoc::Current()) {
    setObjectName("configYBToYCDlg");
    setWindowTitle("步位置转遥测表达式编辑器");
    auto* grid = new QGridLayout(this);
    KeyFields(this, grid, "虚遥测名称:", m_pName, m_pAddress, m_pGroup, m_pEntry);
    m_pSource = List(this, "sourceList");
    m_pOperands = List(this, "operandList");
    grid->addWidget(m_pSource, 2, 0);
    auto* middle = new QVBoxLayout;
    m_pAdd = Button(this, "转遥测>>", "addButton");
    QPushButton* remove = Button(this, "<<取消", "removeButton");
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
    SetColumns(m_pSource, kSourceColumns);
    SetColumns(m_pOperands, kSourceColumns);
    m_pSource->FillRows(ToGridRows(m_model.SourceRows()));
    m_model.Open();
    FillOperands();
    m_pAdd->setEnabled(false);
    m_pName->setText(Qs(m_model.m_strName));
    m_pAddress->setText(QString::number(m_model.m_nAddress));
    m_pGroup->setText(QString::number(m_model.m_nGroup));
    m_pEntry->setText(QString::number(m_model.m_nEntry));
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
    m_model.m_strName = Ss(m_pName->text());
    m_model.m_nGroup = platform::AtoI(Ss(m_pGroup->text()));
    m_model.m_nEntry = platform::AtoI(Ss(m_pEntry->text()));
    if (m_model.Accept())
        QDialog::accept();
}

// --- tap position from telesignals ---------------------------------------------------------------

CConfigYXToYBDlg::CConfigYXToYBDlg(QWidget* parent)
    : QDialog(parent), m_model(projectmodel::CConfigDoc::Current()) {
    setObjectName("configYXToYBDlg");
    setWindowTitle("遥信转步位置表达式编辑器");
    auto* grid = new QGridLayout(this);
    KeyFields(this, grid, "步位置名称：", m_pName, m_pAddress, m_pGroup, m_pEntry);
    m_pSource = List(this, "sourceList");
    m_pOperands = List(this, "operandList");
    grid->addWidget(m_pSource, 2, 0);
    auto* middle = new QVBoxLayout;
    QPushButton* add = Button(this, "遥信量>>", "addButton");
    QPushButton* remove = Button(this, "<<取消", "removeButton");
    QPushButton* up = Button(this, "上移↑", "upButton");
    QPushButton* down = Button(this, "下移↓", "downButton");
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
    SetColumns(m_pSource, kSourceColumns);
    SetColumns(m_pOperands, {"位序", "装置", "分组", "条目", "描述"});
    m_pSource->FillRows(ToGridRows(m_model.SourceRows()));
    FillOperands();
    m_pName->setText(Qs(m_model.m_strName));
    m_pAddress->setText(QString::number(m_model.m_nAddress));
    m_pGroup->setText(QString::number(m_model.m_nGroup));
    m_pEntry->setText(QString::number(m_model.m_nEntry));
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
    m_model.m_strName = Ss(m_pName->text());
    m_model.m_nGroup = platform::AtoI(Ss(m_pGroup->text()));
    m_model.m_nEntry = platform::AtoI(Ss(m_pEntry->text()));
    if (m_model.Accept())
        QDialog::accept();
}
