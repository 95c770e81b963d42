#include "editors/views/ConfigEquipDetailView.h"

#include "editors/model/EquipDetailModel.h"
#include "editors/model/EquipViewModel.h"
#include "editors/model/PointKeyText.h"
#include "editors/views/ConfigEquipView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/MovePosDlg.h"
#include "editors/views/PointSelectDlg.h"
#include "editors/views/VarInfoDlg.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectModel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

using namespace projectmodel;

namespace editors {

namespace {
bool IsPointKind(const COptionItem& item) {
    for (const char* kind : {"GIN", "YC", "YX", "YM", "YP", "YT", "YK", "YKYX", "YXYK"})
        if (item.IsKind(kind))
            return true;
    return false;
}
} // namespace

CConfigEquipDetailView::CConfigEquipDetailView(const CViewContext& context)
    : CDeviceFormBase(context, kViewConfigEquipDetail, EquipmentLayout(200, true)) {}

CPrjDevice* CConfigEquipDetailView::Equipment() const {
    CProjectModel* doc = Doc();
    return doc && m_nEquipmentId >= 0 ? doc->m_prjDevices.GetById(m_nEquipmentId) : nullptr;
}

CRefTable* CConfigEquipDetailView::CurrentTable() const {
    CPrjDevice* equipment = Equipment();
    return equipment ? equipment->m_settings.m_tables.GetPtr(m_nTable) : nullptr;
}

void CConfigEquipDetailView::OnInitialUpdate() {
    Editor()->SetReady(false);
    m_nEquipmentId = -1;
    m_nTable = -1;
    CProjectModel* doc = Doc();
    const CPathRecord path = SelectedPath();
    const CEquipLocation loc = doc && path.depth == 5 && path.Slot(1) == kItemBays
                                   ? LocateEquipment(*doc, path, true)
                                   : CEquipLocation{};
    if (!loc.equipment) {
        SetTabs({}, -1);
        ShowRows({});
        return;
    }
    m_nEquipmentId = loc.equipment->m_nId;
    Caption()->setText(
        platform::Qs(loc.level->m_strName + loc.bay->m_strName + loc.equipment->m_strName + "信息列表"));
    Button()->setVisible(!loc.equipment->m_settings.m_groups.IsEmpty());
    std::vector<std::string> titles;
    for (const CRefTable& table : loc.equipment->m_settings.m_tables)
        titles.push_back(table.m_strName);
    m_nTable = titles.empty() ? -1 : 0;
    SetTabs(titles, m_nTable);
    ShowTable();
    Editor()->SetReady(true);
}

void CConfigEquipDetailView::ShowTable() {
    const CRefTable* table = CurrentTable();
    if (!table) {
        SetColumns({"序号", "地址", "组号", "条目号", "FUN", "INF", "描述"});
        ShowRows({});
        return;
    }
    SetColumns(CEquipDetailModel::Headers(*table));
    FillList();
}

void CConfigEquipDetailView::FillList() {
    const CRefTable* table = CurrentTable();
    ShowRows(table ? CEquipDetailModel::Rows(*Doc(), *table) : std::vector<CGridRow>{});
    const CPrjDevice* equipment = Equipment();
    if (table && equipment && CEquipDetailModel::IsSystem(*equipment))
        SyncAllPointsTab(table->m_nType);
}

void CConfigEquipDetailView::OnTabChanged(int tab) {
    m_nTable = tab;
    ShowTable();
}

void CConfigEquipDetailView::SelectCategoryTab(int n) {
    const CPrjDevice* equipment = Equipment();
    const int index = equipment ? CEquipDetailModel::TableOfCategory(*equipment, n) : -1;
    if (index < 0)
        return;
    m_nTable = index;
    SelectTabQuietly(index);
    ShowTable();
}

void CConfigEquipDetailView::AddRefPoints(const int* points, int count) {
    for (int i = 0; points && i < count; ++i)
        AddRefPoint(points[3 * i], points[3 * i + 1], points[3 * i + 2]);
}

void CConfigEquipDetailView::AddRefPoints(const std::vector<CPointRef>& points) {
    const CPrjDevice* equipment = Equipment();
    if (!equipment || points.empty())
        return;
    // Said once for the whole choice rather than never.
    if (const std::string why = CEquipDetailModel::WhyNoPoints(*equipment, m_nTable); !why.empty()) {
        platform::MessageBox(why, "提示", platform::Icon::Information);
        return;
    }
    for (const CPointRef& p : points)
        AddRefPoint(p.m_n1, p.m_n2, p.m_n3);
}

void CConfigEquipDetailView::AddRefPoint(int address, int group, int entry) {
    CPrjDevice* equipment = Equipment();
    if (equipment && CEquipDetailModel::AddRefPoint(*Doc(), *equipment, m_nTable, address, group, entry))
        FillList();
}

void CConfigEquipDetailView::OnClickCell(int row, int column) {
    CRefTable* table = CurrentTable();
    const COptionItem* item =
        table ? table->m_columns.GetPtr(column - CEquipDetailModel::kFixedColumns) : nullptr;
    if (!item || !Editor()->IsReady() || !table->m_entries.IsValidIndex(row))
        return;
    if (item->IsKind("ENUM")) {
        Editor()->OpenCombo(row, column, item->m_choices);
    } else if (item->IsKind("STRING") || item->IsKind("BYTE") || item->IsKind("WORD") ||
               item->IsKind("INT") || item->IsKind("FLOAT")) {
        Editor()->OpenEdit(row, column);
    } else if (IsPointKind(*item)) {
        CPointRef key = ParsePointKey(List()->GetItemText(row, column));
        CPointSelectDlg dlg;
        dlg.m_model.m_strType = item->m_strKind;
        dlg.m_pKey = &key;
        if (dlg.DoModal() != QDialog::Accepted)
            return;
        // The dialog clears the key when no point was chosen.
        const std::string value = CEquipDetailModel::PointValue(*Doc(), dlg.m_pKey);
        if (CRefTable* again = CurrentTable()) {
            CEquipDetailModel::SetOptionValue(*again, row, column, value);
            List()->SetItemText(row, column, value);
        }
    }
}

void CConfigEquipDetailView::OnCommit(int row, int column, const std::string& oldText,
                                      const std::string& newText) {
    CRefTable* table = CurrentTable();
    if (!table || newText == oldText)
        return;
    if (CEquipDetailModel::SetOptionValue(*table, row, column, newText))
        List()->SetItemText(
            row, column,
            table->m_entries[row]
                .m_values[static_cast<std::size_t>(column - CEquipDetailModel::kFixedColumns)]);
}

QMenu* CConfigEquipDetailView::BuildContextMenu() {
    if (!Editor()->IsReady() || !Equipment())
        return nullptr;
    const bool selected = List()->GetSelectedRow() >= 0;
    auto* menu = new QMenu(this);
    QAction* move = menu->addAction("移动引用GIN", this, &CConfigEquipDetailView::OnMoveRefs);
    QAction* del = menu->addAction("删除引用GIN", this, &CConfigEquipDetailView::OnDeleteRefs);
    QAction* sort = menu->addAction("排序引用GIN", this, &CConfigEquipDetailView::OnSortRefs);
    move->setEnabled(selected);
    del->setEnabled(selected);
    sort->setEnabled(List()->GetItemCount() >= 2);
    return menu;
}

void CConfigEquipDetailView::OnMoveRefs() {
    CPrjDevice* equipment = Equipment();
    if (!equipment || !CEquipDetailModel::IsSystem(*equipment) || List()->GetSelectedRow() < 0)
        return;
    CMovePosDlg dlg;
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    if (CPrjDevice* again = Equipment();
        again && CEquipDetailModel::MoveRefs(*Doc(), *again, m_nTable, List()->GetSelectedRows(),
                                             static_cast<int>(dlg.m_nPosition)))
        FillList();
}

void CConfigEquipDetailView::OnDeleteRefs() {
    CPrjDevice* equipment = Equipment();
    if (equipment && CEquipDetailModel::DeleteRefs(*Doc(), *equipment, m_nTable, List()->GetSelectedRows()))
        FillList();
}

void CConfigEquipDetailView::OnSortRefs() {
    CPrjDevice* equipment = Equipment();
    if (equipment && CEquipDetailModel::SortRefs(*Doc(), *equipment, m_nTable))
        FillList();
}

bool CConfigEquipDetailView::OnListKey(QKeyEvent* event) {
    if (event->key() != Qt::Key_Delete || Editor()->Edit()->isVisible())
        return false;
    OnDeleteRefs();
    return true;
}

void CConfigEquipDetailView::OnVarInfo() {
    EditVarInfo([this] {
        CPrjDevice* equipment = Equipment();
        return equipment ? &equipment->m_settings.m_groups : nullptr;
    });
}

} // namespace editors
