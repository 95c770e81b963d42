#include "editors/views/ConfigEquipView.h"

#include "editors/model/EquipViewModel.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/VarInfoDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectModel.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

using namespace projectmodel;

namespace editors {

CDeviceFormBase::CLayout EquipmentLayout(int captionWidth, bool tabs) {
    CDeviceFormBase::CLayout layout;
    layout.captionWidth = captionWidth;
    layout.buttonX = 10 + captionWidth + 10;
    layout.buttonY = 15;
    layout.tabsTop = tabs ? 40 : -1;
    layout.listTop = 70;
    return layout;
}

CConfigEquipView::CConfigEquipView(const CViewContext& context)
    : CDeviceFormBase(context, kViewConfigEquip, EquipmentLayout(200, true)) {}

CPrjBay* CConfigEquipView::Bay() const {
    CProjectModel* doc = Doc();
    return doc && m_nBayId >= 0 ? doc->m_bays.GetById(m_nBayId) : nullptr;
}

bool CConfigEquipView::ListTabShown() const {
    return Tabs()->currentIndex() >= 0 && Tabs()->tabText(Tabs()->currentIndex()) == "设备列表";
}

void CConfigEquipView::OnInitialUpdate() {
    Editor()->SetReady(false);
    m_nBayId = -1;
    CProjectModel* doc = Doc();
    const CPathRecord path = SelectedPath();
    const CEquipLocation loc = doc && path.depth == 3 ? LocateEquipment(*doc, path, false) : CEquipLocation{};
    if (!loc.bay) {
        ShowRows({});
        return;
    }
    m_nBayId = loc.bay->m_nId;
    Caption()->setText(platform::Qs(loc.bay->m_strVoltLevel + loc.bay->m_strName + "设备列表:"));
    Button()->setVisible(!loc.bay->m_settings.m_groups.IsEmpty());
    SetTabs({"设备列表"}, 0);
    SetColumns({"序号", "设备类型", "设备名称"});
    FillList();
    Editor()->SetReady(true);
}

void CConfigEquipView::FillList() {
    const CPrjBay* bay = Bay();
    ShowRows(bay && ListTabShown() ? CEquipViewModel::Rows(*Doc(), *bay) : std::vector<CGridRow>{});
}

void CConfigEquipView::OnTabChanged(int) {
    FillList();
}

void CConfigEquipView::OnClickCell(int row, int column) {
    if (!Bay())
        return;
    if (column == 1)
        Editor()->OpenCombo(row, column, CEquipViewModel::TypeChoices(*Doc()));
    else if (column == 2)
        Editor()->OpenEdit(row, column);
}

void CConfigEquipView::OnCommit(int row, int column, const std::string&, const std::string& newText) {
    CPrjBay* bay = Bay();
    if (!bay)
        return;
    bool changed = false;
    if (column == 1)
        changed = CEquipViewModel::SetType(*Doc(), *bay, row, newText);
    else if (column == 2)
        changed = CEquipViewModel::SetName(*Doc(), *bay, row, newText);
    if (changed)
        FillList();
}

void CConfigEquipView::OnColumnClick(int column) {
    if (CPrjBay* bay = Bay(); bay && CEquipViewModel::Sort(*Doc(), *bay, column))
        FillList();
}

QMenu* CConfigEquipView::BuildContextMenu() {
    if (!Editor()->IsReady() || !Bay() || !ListTabShown())
        return nullptr;
    auto* menu = new QMenu(this);
    menu->addAction("添加一次设备", this, &CConfigEquipView::OnAddEquipment);
    QAction* del = menu->addAction("删除一次设备", this, &CConfigEquipView::OnDeleteEquipment);
    del->setEnabled(List()->GetSelectedRow() >= 0);
    return menu;
}

void CConfigEquipView::OnAddEquipment() {
    if (CPrjBay* bay = Bay(); bay && CEquipViewModel::AddEquipment(*Doc(), *bay))
        FillList();
}

void CConfigEquipView::OnDeleteEquipment() {
    CPrjBay* bay = Bay();
    if (!bay)
        return;
    const std::vector<int> rows = List()->GetSelectedRows();
    if (!CEquipViewModel::ConfirmDeletion(CEquipViewModel::EquipmentDeletionQuestion(*Doc(), *bay, rows),
                                          "一次设备"))
        return;
    // The question ran an event loop: the bay is looked up again.
    if ((bay = Bay())) {
        CEquipViewModel::DeleteEquipment(*Doc(), *bay, rows);
        FillList();
    }
}

void CConfigEquipView::OnVarInfo() {
    EditVarInfo([this] {
        CPrjBay* bay = Bay();
        return bay ? &bay->m_settings.m_groups : nullptr;
    });
}

} // namespace editors
