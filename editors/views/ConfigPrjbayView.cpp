#include "editors/views/ConfigPrjbayView.h"

#include "editors/model/PrjbayModel.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "projectmodel/ProjectModel.h"

#include <QLabel>
#include <QMenu>

using namespace projectmodel;

namespace editors {

namespace {
CDeviceFormBase::CLayout BayLayout() {
    CDeviceFormBase::CLayout layout;
    layout.captionWidth = 200;
    return layout;
}
} // namespace

CConfigPrjbayView::CConfigPrjbayView(const CViewContext& context)
    : CDeviceFormBase(context, kViewConfigPrjbay, BayLayout()) {}

void CConfigPrjbayView::OnInitialUpdate() {
    Caption()->setText("电压等级列表:");
    SetColumns({"序号", "电压等级"});
    FillList();
    Editor()->SetReady(Doc() != nullptr);
}

void CConfigPrjbayView::FillList() {
    if (const CProjectModel* doc = Doc())
        ShowRows(CPrjbayModel::Rows(*doc));
    else
        ShowRows({});
}

void CConfigPrjbayView::OnClickCell(int row, int column) {
    if (column == 1)
        Editor()->OpenCombo(row, column, CPrjbayModel::NameChoices());
}

void CConfigPrjbayView::OnCommit(int row, int column, const std::string&, const std::string& newText) {
    CProjectModel* doc = Doc();
    if (!doc || column != 1)
        return;
    if (CPrjbayModel::Rename(*doc, row, newText))
        FillList();
    // The refill drops the current row; the edited level stays the current and selected one, so
    // that the keys and the menu go on from it.
    List()->SelectRow(row);
}

void CConfigPrjbayView::OnColumnClick(int) {
    if (CProjectModel* doc = Doc()) {
        CPrjbayModel::SortOrder(*doc);
        FillList();
    }
}

QMenu* CConfigPrjbayView::BuildContextMenu() {
    if (!Editor()->IsReady())
        return nullptr;
    auto* menu = new QMenu(this);
    menu->addAction("添加电压等级", this, &CConfigPrjbayView::OnAddLevel);
    QAction* del = menu->addAction("删除电压等级", this, &CConfigPrjbayView::OnDeleteLevels);
    del->setEnabled(List()->GetSelectedRow() >= 0);
    return menu;
}

void CConfigPrjbayView::OnAddLevel() {
    CProjectModel* doc = Doc();
    if (doc && CPrjbayModel::AddLevel(*doc))
        FillList();
}

void CConfigPrjbayView::OnDeleteLevels() {
    if (CProjectModel* doc = Doc()) {
        CPrjbayModel::DeleteLevels(*doc, List()->GetSelectedRows());
        FillList();
    }
}

} // namespace editors
