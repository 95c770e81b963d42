#include "editors/views/ConfigPortConView.h"

#include "editors/model/PointKeyText.h"
#include "editors/model/RefTableModel.h"
#include "editors/model/VarInfoModel.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/MovePosDlg.h"
#include "editors/views/PointSelectDlg.h"
#include "editors/views/VarInfoDlg.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectModel.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

using namespace projectmodel;
using platform::Qs;

namespace editors {

namespace {

constexpr int kFixedColumns = 7;
const char* const kMissingPoint = "无效引用";

} // namespace

CConfigPortConView::CConfigPortConView(const CViewContext& context, QWidget* parent)
    : CGridFormView(context, parent) {
    setObjectName("CConfigPortConView");
    SetLayout(300, 320);
}

CPortRecord* CConfigPortConView::Port() const {
    return GetPortRecord(Doc(), m_nBoard, m_nGroup, m_nPort);
}

CPortConfig* CConfigPortConView::Config() const {
    CPortRecord* port = Port();
    return port ? port->m_protocol.m_configs.m_configs.GetPtr(m_nConfig) : nullptr;
}

CRefTable* CConfigPortConView::CurrentTable() const {
    CPortConfig* config = Config();
    return config ? config->m_settings.m_tables.FindByName(m_strTable) : nullptr;
}

bool CConfigPortConView::IsSystem() const {
    CPortConfig* config = Config();
    return config && platform::EqualsNoCase(config->m_settings.m_strType, "SYSTEM");
}

void CConfigPortConView::OnInitialUpdate() {
    CProjectModel* doc = Doc();
    if (!doc)
        return;
    SetReady(false);
    HideEditors();
    m_path = SelectedPath();
    m_nBoard = m_nGroup = m_nPort = m_nConfig = -1;
    m_nGridTab = -1;
    m_strTable.clear();
    Button()->hide();
    List()->DeleteAllItems();
    List()->DeleteAllColumns();
    SetTabs({}, -1);
    Caption()->clear();
    if (m_path.depth != 5)
        return;
    CPortRecord* port = GetPortRecord(doc, m_path.Slot(2), m_path.Slot(3), m_path.Slot(4));
    if (!port)
        return;
    const int config = m_path.Slot(5) - static_cast<int>(port->m_protocol.m_deviceAddresses.size());
    if (!port->m_protocol.m_configs.m_configs.IsValidIndex(config))
        return;
    m_nBoard = m_path.Slot(2);
    m_nGroup = m_path.Slot(3);
    m_nPort = m_path.Slot(4);
    m_nConfig = config;
    const CPortConfig& c = *Config();
    Caption()->setText(Qs(platform::StrFormat("%s%d<%s>%s组态:", port->m_strName.c_str(), port->m_nNumber,
                                              port->m_protocol.m_strName.c_str(), c.m_strName.c_str())));
    if (!c.m_settings.m_groups.IsEmpty()) {
        Button()->setText("可变信息");
        Button()->show();
        Button()->raise();
    }
    std::vector<std::string> tabs;
    for (const CRefTable& table : c.m_settings.m_tables)
        tabs.push_back(table.m_strName);
    SetTabs(tabs, 0);
    StyleList();
    m_strTable = CurrentTabText();
    FillGrid();
    NotifyAllPoints();
    SetReady(true);
}

void CConfigPortConView::FillGrid() {
    CRefTable* table = CurrentTable();
    if (!table)
        return;
    if (Tabs()->currentIndex() != m_nGridTab) {
        m_nGridTab = Tabs()->currentIndex();
        List()->DeleteAllColumns();
        int c = 0;
        for (const char* title : {"序号", "地址", "组号", "条目号", "FUN", "INF", "描述"})
            List()->InsertColumn(c++, title);
        for (const COptionItem& def : table->m_columns)
            List()->InsertColumn(c++, def.m_strName);
    }
    List()->FillRows(CRefTableModel::PointRows(*Doc(), *table, 1, {}, kMissingPoint, true));
}

void CConfigPortConView::OnSelChangeTab() {
    HideEditors();
    m_strTable = CurrentTabText();
    FillGrid();
    NotifyAllPoints();
}

void CConfigPortConView::NotifyAllPoints() const {
    const CRefTable* table = CurrentTable();
    if (IsSystem() && table)
        SelectAllPointsTab(table->m_nType);
}

void CConfigPortConView::AddRefPoints(const CPointRef* keys, int count) {
    if (!Config() || !keys)
        return;
    for (int i = 0; i < count; ++i)
        AddRefPoint(keys[i].m_n1, keys[i].m_n2, keys[i].m_n3);
}

void CConfigPortConView::AddRefPoint(int address, int group, int entry) {
    CRefTable* table = CurrentTable();
    CProjectModel* doc = Doc();
    if (!IsSystem() || !table || !doc)
        return;
    if (CRefTableModel::AddPoint(*doc, *table, address, group, entry, false) !=
        CRefTableModel::AddResult::Added)
        return;
    const int index = table->m_entries.GetSize() - 1;
    const CGridRow row = CRefTableModel::PointRow(*doc, *table, index, index + 1, {}, kMissingPoint, true);
    const int r = List()->InsertItem(List()->GetItemCount(), row.cells[0]);
    for (std::size_t c = 1; c < row.cells.size(); ++c)
        List()->SetItemText(r, static_cast<int>(c), row.cells[c]);
}

void CConfigPortConView::SelectCategoryTab(int category) {
    CPortConfig* config = Config();
    if (!IsSystem() || category < 0 || category > 6)
        return;
    const CRefTableArray& tables = config->m_settings.m_tables;
    for (int i = 0; i < tables.GetSize(); ++i) {
        if (tables[i].m_nType != category)
            continue;
        HideEditors();
        SelectTab(i);
        m_strTable = CurrentTabText();
        FillGrid();
        return;
    }
}

void CConfigPortConView::OnClickCell(int row, int column) {
    CRefTable* table = CurrentTable();
    CProjectModel* doc = Doc();
    if (!m_bReady || !table || !doc || !table->m_entries.IsValidIndex(row) || column < kFixedColumns ||
        !table->m_columns.IsValidIndex(column - kFixedColumns))
        return;
    const COptionItem& def = table->m_columns[column - kFixedColumns];
    switch (CRefTableModel::EditorFor(def, false)) {
    case CRefTableModel::Editor::Combo:
        Editor()->OpenCombo(row, column, def.m_choices);
        break;
    case CRefTableModel::Editor::Edit:
        Editor()->OpenEdit(row, column);
        break;
    case CRefTableModel::Editor::Point: {
        HideEditors();
        CPointRef key = ParsePointKey(List()->GetItemText(row, column));
        CPointSelectDlg dlg(this);
        dlg.m_model.m_strType = def.m_strKind;
        dlg.m_pKey = &key;
        if (dlg.DoModal() != QDialog::Accepted)
            return;
        // The dialog may have changed the project; the document and the entry are looked up again.
        doc = Doc();
        table = CurrentTable();
        if (!doc || !table || !table->m_entries.IsValidIndex(row))
            return;
        const std::string value = dlg.m_pKey ? PointKeyText(doc, key) : std::string();
        CStringArray& values = table->m_entries[row].m_values;
        if (static_cast<int>(values.size()) <= column - kFixedColumns)
            values.resize(static_cast<std::size_t>(column - kFixedColumns) + 1);
        values[static_cast<std::size_t>(column - kFixedColumns)] = value;
        List()->SetItemText(row, column, value);
        break;
    }
    case CRefTableModel::Editor::Uri:
    case CRefTableModel::Editor::None:
        break;
    }
}

void CConfigPortConView::OnCommit(int row, int column, const std::string& oldText,
                                  const std::string& newText) {
    CRefTable* table = CurrentTable();
    if (!table || !table->m_entries.IsValidIndex(row) ||
        !table->m_columns.IsValidIndex(column - kFixedColumns) || newText == oldText)
        return;
    const COptionItem& def = table->m_columns[column - kFixedColumns];
    const std::string value = CRefTableModel::EditorFor(def, false) == CRefTableModel::Editor::Edit
                                  ? CRefTableModel::CheckedValue(def, newText)
                                  : newText;
    CStringArray& values = table->m_entries[row].m_values;
    if (static_cast<int>(values.size()) <= column - kFixedColumns)
        values.resize(static_cast<std::size_t>(column - kFixedColumns) + 1);
    values[static_cast<std::size_t>(column - kFixedColumns)] = value;
    List()->SetItemText(row, column, value);
}

QMenu* CConfigPortConView::BuildContextMenu(const QPoint& pos) {
    (void)pos;
    if (!m_bReady || !Config())
        return nullptr;
    auto* menu = new QMenu("引用GIN视图", this);
    const bool selected = !List()->GetSelectedRows().empty();
    menu->addAction("移动引用GIN", this, &CConfigPortConView::OnMoveRef)->setEnabled(selected);
    menu->addAction("删除引用GIN", this, &CConfigPortConView::OnDeleteRef)->setEnabled(selected);
    menu->addAction("排序引用GIN", this, &CConfigPortConView::OnSortRef)
        ->setEnabled(List()->GetItemCount() >= 2);
    return menu;
}

void CConfigPortConView::OnMoveRef() {
    CRefTable* table = CurrentTable();
    const std::vector<int> rows = List()->GetSelectedRows();
    if (rows.empty() || !IsSystem() || !table || !m_bReady)
        return;
    CMovePosDlg dlg(this);
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    table = CurrentTable();
    if (!table)
        return;
    const std::vector<int> moved = CRefTableModel::MoveRows(table->m_entries.Items(), rows, dlg.m_nPosition);
    FillGrid();
    List()->clearSelection();
    for (int r : moved)
        List()->selectionModel()->select(List()->model()->index(r, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!moved.empty())
        List()->scrollToItem(List()->item(moved.front(), 0));
}

void CConfigPortConView::OnDeleteRef() {
    CRefTable* table = CurrentTable();
    const std::vector<int> rows = List()->GetSelectedRows();
    if (rows.empty() || !IsSystem() || !table)
        return;
    CRefTableModel::RemoveRows(table->m_entries.Items(), rows);
    FillGrid();
}

void CConfigPortConView::OnSortRef() {
    CRefTable* table = CurrentTable();
    if (!IsSystem() || !table)
        return;
    table->m_entries.Sort();
    FillGrid();
}

bool CConfigPortConView::OnDeleteKey() {
    OnDeleteRef();
    return true;
}

void CConfigPortConView::OnButton() {
    EditVarInfo(
        [this] {
            CPortConfig* config = Config();
            return config ? &config->m_settings.m_groups : nullptr;
        },
        this);
}

} // namespace editors
