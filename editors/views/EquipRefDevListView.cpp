#include "editors/views/EquipRefDevListView.h"

#include "editors/model/EquipRefDevModel.h"
#include "editors/model/EquipViewModel.h"
#include "editors/views/ConfigEquipView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/VarInfoDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectModel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

using namespace projectmodel;

namespace editors {

CEquipRefDevListView::CEquipRefDevListView(const CViewContext& context)
    : CDeviceFormBase(context, kViewEquipRefDevList, EquipmentLayout(300, false)) {}

CPrjDevice* CEquipRefDevListView::Equipment() const {
    CProjectModel* doc = Doc();
    return doc && m_nEquipmentId >= 0 ? doc->m_prjDevices.GetById(m_nEquipmentId) : nullptr;
}

void CEquipRefDevListView::OnInitialUpdate() {
    Editor()->SetReady(false);
    m_nEquipmentId = -1;
    CProjectModel* doc = Doc();
    const CPathRecord path = SelectedPath();
    const CEquipLocation loc = doc && path.depth == 4 && path.Slot(1) == kItemBays
                                   ? LocateEquipment(*doc, path, true)
                                   : CEquipLocation{};
    if (!loc.equipment) {
        ShowRows({});
        return;
    }
    m_nEquipmentId = loc.equipment->m_nId;
    Caption()->setText(
        platform::Qs(loc.level->m_strName + loc.bay->m_strName + loc.equipment->m_strName + "关联装置列表"));
    Button()->setVisible(!loc.equipment->m_settings.m_groups.IsEmpty());
    SetColumns({"序号", "地址", "名称", "型号", "版本", "装置描述"});
    FillList();
    Editor()->SetReady(true);
}

void CEquipRefDevListView::FillList() {
    const CPrjDevice* equipment = Equipment();
    ShowRows(equipment ? CEquipRefDevModel::Rows(*Doc(), *equipment) : std::vector<CGridRow>{});
}

bool CEquipRefDevListView::AddLinkedDevice(const CDevice* device) {
    CPrjDevice* equipment = Equipment();
    if (!equipment || !CEquipRefDevModel::AddLinkedDevice(*Doc(), *equipment, device))
        return false;
    FillList();
    return true;
}

QMenu* CEquipRefDevListView::BuildContextMenu() {
    if (!Equipment())
        return nullptr;
    auto* menu = new QMenu(this);
    QAction* del = menu->addAction("删除装置", this, &CEquipRefDevListView::OnDeleteDevices);
    del->setEnabled(List()->GetSelectedRow() >= 0);
    return menu;
}

void CEquipRefDevListView::OnDeleteDevices() {
    CPrjDevice* equipment = Equipment();
    const std::vector<int> rows = List()->GetSelectedRows();
    if (!equipment || rows.empty())
        return;
    CEquipRefDevModel::DeleteLinked(*Doc(), *equipment, rows);
    FillList();
}

void CEquipRefDevListView::OnColumnClick(int column) {
    CPrjDevice* equipment = Equipment();
    if (equipment && column == 1 && CEquipRefDevModel::SortByAddress(*Doc(), *equipment))
        FillList();
}

bool CEquipRefDevListView::OnListKey(QKeyEvent* event) {
    if (event->key() != Qt::Key_Delete)
        return false;
    OnDeleteDevices();
    return true;
}

void CEquipRefDevListView::OnVarInfo() {
    EditVarInfo([this] {
        CPrjDevice* equipment = Equipment();
        return equipment ? &equipment->m_settings.m_groups : nullptr;
    });
}

} // namespace editors
