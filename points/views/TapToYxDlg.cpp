#include "points/views/TapToYxDlg.h"

#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/views/ExprDlgParts.h"
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

namespace points {

namespace {

const std::vector<std::string> kResultColumns{"取值", "装置", "分组", "条目", "描述"};

} // namespace

CTapToYxDlg::CTapToYxDlg(CTapToYxEdit::Kind kind, QWidget* parent) : QDialog(parent), m_kind(kind) {
    static const char* const titles[] = {"步位置转单个遥信表达式编辑器", "步位置转二进制遥信表达式编辑器",
                                         "步位置转BCD码遥信表达式编辑器"};
    static const char* const names[] = {"configYBToYXDlg", "configYBToYXEJZDlg", "configYBToYXBCDDlg"};
    setWindowTitle(titles[kind]);
    setObjectName(names[kind]);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(kind == CTapToYxEdit::Single ? "步位置选择:" : "步位置：", this), 0, 0);
    m_pTap = MakeExprEdit(this, "tapField", false);
    grid->addWidget(m_pTap, 0, 1, 1, 2);
    m_pSource = MakeExprList(this, "sourceList");
    m_pResults = MakeExprList(this, "resultList");
    grid->addWidget(m_pSource, 1, 0);
    auto* middle = new QVBoxLayout;
    if (kind == CTapToYxEdit::Single) {
        middle->addWidget(new QLabel("运算符", this));
        m_pValues = new QComboBox(this);
        m_pValues->setObjectName("valueCombo");
        middle->addWidget(m_pValues);
        QPushButton* add = MakeExprButton(this, "转遥信>>", "addButton");
        connect(add, &QPushButton::clicked, this,
                [this] { OnAdd(m_pValues->currentIndex() >= 0 ? m_pValues->currentData().toInt() : 0); });
        middle->addWidget(add);
    } else {
        const std::vector<std::string> captions = CTapToYxEdit::ValueCaptions(kind);
        for (int bit = 0; bit < 8; ++bit) {
            QPushButton* b = MakeExprButton(this, captions[static_cast<std::size_t>(bit)], "bitButton");
            b->setObjectName(QString("bitButton%1").arg(bit));
            connect(b, &QPushButton::clicked, this, [this, bit] { OnAdd(bit); });
            m_bitButtons.push_back(b);
            middle->addWidget(b);
        }
    }
    QPushButton* remove = MakeExprButton(this, "<<取消", "removeButton");
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
    SetColumns(m_pSource, ExprPointColumns());
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
    const std::vector<CPointKey> keys = SelectedKeys(m_pSource);
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
    std::vector<CPointRow> sources = m_model->SourceRows();
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

} // namespace points
