#include "editors/views/ConfigPrjView.h"

#include "editors/model/PrjViewModel.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/VarInfoDlg.h"
#include "projectmodel/ConfigDoc.h"

#include <QLabel>
#include <QPushButton>

using namespace projectmodel;

namespace editors {

namespace {
CDeviceFormBase::CLayout PrjLayout() {
    CDeviceFormBase::CLayout layout;
    layout.captionY = 5;
    layout.captionWidth = 100;
    layout.buttonX = 260;
    layout.buttonY = 5;
    layout.listTop = 30;
    return layout;
}
} // namespace

CConfigPrjView::CConfigPrjView(const CViewContext& context)
    : CDeviceFormBase(context, kViewConfigPrj, PrjLayout()) {}

void CConfigPrjView::OnInitialUpdate() {
    Editor()->SetReady(false);
    Caption()->setText("工程属性:");
    SetColumns({"工程名称", "最后保存时间", "管理机地址"}, 56);
    const CProjectModel* doc = Doc();
    Button()->setVisible(doc && !doc->m_boardCfg.m_groups.IsEmpty());
    UpdateSaveTime();
    Editor()->SetReady(doc != nullptr);
}

void CConfigPrjView::UpdateSaveTime() {
    CProjectModel* doc = Doc();
    if (!doc) {
        ShowRows({});
        return;
    }
    const auto* configDoc = dynamic_cast<const CConfigDoc*>(doc);
    ShowRows({CPrjViewModel::Row(*doc, configDoc ? configDoc->m_projectTime : CProjectTime{})});
}

void CConfigPrjView::OnClickCell(int row, int column) {
    if (column == 2)
        Editor()->OpenEdit(row, column);
}

void CConfigPrjView::OnCommit(int, int column, const std::string& oldText, const std::string& newText) {
    CProjectModel* doc = Doc();
    if (!doc || column != 2)
        return;
    CPrjViewModel::SetUnitAddress(*doc, oldText, newText);
    UpdateSaveTime();
}

void CConfigPrjView::OnVarInfo() {
    // The records are written back only to the project they came from.
    CProjectModel* doc = Doc();
    EditVarInfo([&] { return doc && Doc() == doc ? &doc->m_boardCfg.m_groups : nullptr; });
}

} // namespace editors
