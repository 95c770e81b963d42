#include "editors/views/VarInfoDlg.h"

#include "editors/model/PointKeyText.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/PointSelectDlg.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"

#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QMenu>
#include <QTabBar>
#include <QVBoxLayout>

using platform::Qs;
using projectmodel::CProjectContext;

namespace editors {

CVarInfoDlg::CVarInfoDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("可变信息组态");
    auto* layout = new QVBoxLayout(this);
    m_pTabs = new QTabBar(this);
    m_pTabs->setObjectName("records");
    // Tabs as wide as their titles, not stretched across the bar.
    m_pTabs->setExpanding(false);
    layout->addWidget(m_pTabs);
    m_pList = new CGridListCtrl(this);
    m_pList->setObjectName("list");
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_pList);
    layout->addWidget(platform::MakeOkCancelButtons(this));
    m_pEditor = new CInPlaceEditor(m_pList);
    m_pEditor->SetCommit([this](int row, int column, const std::string& o, const std::string& n) {
        Commit(row, column, o, n);
    });
    connect(m_pList, &QTableWidget::cellClicked, this, &CVarInfoDlg::OnClickCell);
    connect(m_pTabs, &QTabBar::currentChanged, this, [this](int) {
        if (m_bFilling)
            return;
        m_pEditor->HideEditors();
        Fill();
    });
    connect(m_pList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* menu = BuildContextMenu()) {
            menu->exec(m_pList->viewport()->mapToGlobal(pos));
            menu->deleteLater();
        }
    });
    resize(560, 360);
}

void CVarInfoDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CVarInfoDlg::SetRecords(const projectmodel::CItemRecordArray& records) {
    m_model.m_records = records;
}

bool CVarInfoDlg::OnInitDialog() {
    m_model.InitRegion();
    if (!CProjectContext::Instance().CurrentDocument())
        return false;
    m_bFilling = true;
    while (m_pTabs->count() > 0)
        m_pTabs->removeTab(0);
    for (const projectmodel::CItemRecord& r : m_model.m_records)
        m_pTabs->addTab(Qs(r.m_strName));
    m_pTabs->setCurrentIndex(0);
    m_bFilling = false;
    m_nTab = -1;
    m_pEditor->HideEditors();
    Fill();
    m_pEditor->SetReady(true);
    return true;
}

int CVarInfoDlg::DoModal() {
    return OnInitDialog() ? platform::RunDialog(*this) : QDialog::Rejected;
}

void CVarInfoDlg::Fill() {
    m_pList->DeleteAllItems();
    const int selected = m_pTabs->currentIndex();
    if (selected != m_nTab) {
        m_nTab = selected;
        m_pList->DeleteAllColumns();
    }
    // The columns are made anew on every fill: the applying items change with the region.
    const std::vector<CGridColumn> columns = m_model.Columns(m_nTab);
    if (m_pList->GetColumnCount() != static_cast<int>(columns.size()))
        m_pList->DeleteAllColumns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (static_cast<int>(c) < m_pList->GetColumnCount())
            m_pList->setHorizontalHeaderItem(static_cast<int>(c),
                                             new QTableWidgetItem(Qs(columns[c].header)));
        else
            m_pList->InsertColumn(static_cast<int>(c), columns[c].header, CGridListCtrl::AlignLeft,
                                  columns[c].width);
    }
    m_pList->FillRows(m_model.Rows(m_nTab));
}

void CVarInfoDlg::OnClickCell(int row, int column) {
    if (!m_pEditor->IsReady() || row < 0 || row >= m_pList->GetItemCount())
        return;
    const int option = m_model.OptionAt(m_nTab, column, m_pList->GetItemData(row));
    if (option < 0)
        return;
    m_nOption = option;
    switch (m_model.EditorFor(m_nTab, option)) {
    case CVarInfoModel::kComboEditor:
        m_pEditor->OpenCombo(row, column, m_model.ChoicesOf(m_nTab, option));
        break;
    case CVarInfoModel::kTextEditor:
        m_pEditor->OpenEdit(row, column);
        break;
    case CVarInfoModel::kPointEditor: {
        const int valueRow = static_cast<int>(m_pList->GetItemData(row));
        CPointSelectDlg dlg(this);
        const projectmodel::CItemRecord& record = m_model.m_records[m_nTab];
        dlg.m_model.m_strType = record.m_items[option].m_strKind;
        projectmodel::CPointRef key = ParsePointKey(m_model.StoredValue(m_nTab, valueRow, option));
        dlg.m_pKey = &key;
        if (dlg.DoModal() != QDialog::Accepted)
            return;
        const std::string value =
            dlg.m_pKey ? PointKeyText(CProjectContext::Instance().CurrentDocument(), key) : std::string();
        m_model.Store(m_nTab, valueRow, option, value);
        m_pList->SetItemText(row, column, value);
        break;
    }
    case CVarInfoModel::kNoEditor:
        break;
    }
}

void CVarInfoDlg::Commit(int row, int column, const std::string& oldText, const std::string& newText) {
    if (newText == oldText)
        return;
    const int valueRow = static_cast<int>(m_pList->GetItemData(row));
    std::string value = newText;
    if (m_model.EditorFor(m_nTab, m_nOption) == CVarInfoModel::kTextEditor)
        value = m_model.CheckTyped(m_nTab, m_nOption, newText);
    if (m_model.Store(m_nTab, valueRow, m_nOption, value)) {
        // Another region: other option items may apply now.
        Fill();
        return;
    }
    m_pList->SetItemText(row, column, value);
}

QMenu* CVarInfoDlg::BuildContextMenu() {
    if (!m_pEditor->IsReady() || m_model.IsPropertyList(m_nTab) || !m_model.m_records.IsValidIndex(m_nTab))
        return nullptr;
    auto* menu = new QMenu(this);
    connect(menu->addAction("添加信息"), &QAction::triggered, this, &CVarInfoDlg::OnAddInfo);
    connect(menu->addAction("删除信息"), &QAction::triggered, this, &CVarInfoDlg::OnDeleteInfo);
    return menu;
}

void CVarInfoDlg::OnAddInfo() {
    if (m_model.AddRow(m_nTab))
        Fill();
}

void CVarInfoDlg::OnDeleteInfo() {
    std::vector<int> rows;
    for (int r : m_pList->GetSelectedRows())
        rows.push_back(static_cast<int>(m_pList->GetItemData(r)));
    m_model.DeleteRows(m_nTab, rows);
    Fill();
}

} // namespace editors
