#include "editors/views/ConfigDevDetailView.h"

#include "editors/model/DevDetailModel.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/VarInfoDlg.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectModel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

using namespace projectmodel;

namespace editors {

namespace {
constexpr int kDescriptionColumn = 6;

CDeviceFormBase::CLayout DetailLayout() {
    CDeviceFormBase::CLayout layout;
    layout.captionWidth = 250;
    layout.buttonX = 270;
    layout.tabsTop = 40;
    layout.listTop = 70;
    return layout;
}
} // namespace

CConfigDevDetailView::CConfigDevDetailView(const CViewContext& context)
    : CDeviceFormBase(context, kViewConfigDevDetail, DetailLayout()) {}

CDevice* CConfigDevDetailView::Device() const {
    CProjectModel* doc = Doc();
    return doc && m_nAddress >= 0 ? doc->FindDevice(m_nAddress) : nullptr;
}

void CConfigDevDetailView::OnInitialUpdate() {
    Editor()->SetReady(false);
    m_nAddress = -1;
    CProjectModel* doc = Doc();
    const CPathRecord path = SelectedPath();
    CDevice* device = doc && path.depth == 3 ? doc->m_devices.GetPtr(path.Slot(3)) : nullptr;
    if (!device || path.Slot(2) != kItemDeviceList) {
        ShowRows({});
        return;
    }
    m_nAddress = device->m_nAddress;
    Caption()->setText(platform::Qs(
        platform::StrFormat("装置%d<%s>信息列表:", device->m_nAddress, device->m_strModelName.c_str())));
    Button()->setVisible(!device->m_model.m_optionGroups.IsEmpty());
    Button()->raise();
    std::vector<std::string> tabs;
    for (std::string_view name : PointCategoryNames)
        tabs.emplace_back(name);
    if (m_nTab < 0)
        m_nTab = 0;
    SetTabs(tabs, m_nTab);
    SetColumns({"序号", "分组名称", "分组号", "条目号", "FUN", "INF", "描述", "FCDA"});
    FillList();
    SyncAllPointsTab(m_nTab);
    Editor()->SetReady(true);
}

void CConfigDevDetailView::FillList() {
    const CDevice* device = Device();
    ShowRows(device ? CDevDetailModel::Rows(*device, m_nTab) : std::vector<CGridRow>{});
}

void CConfigDevDetailView::SelectCategoryTab(int tab, bool force) {
    if (tab < 0 || tab >= kPointCategoryCount || (tab == m_nTab && !force))
        return;
    m_nTab = tab;
    SelectTabQuietly(tab);
    FillList();
}

void CConfigDevDetailView::OnTabChanged(int tab) {
    Editor()->HideEditors();
    m_nTab = tab;
    FillList();
    SyncAllPointsTab(tab);
}

void CConfigDevDetailView::OnClickCell(int row, int column) {
    if (column == kDescriptionColumn)
        Editor()->OpenEdit(row, column);
}

void CConfigDevDetailView::OnCommit(int row, int column, const std::string& oldText,
                                    const std::string& newText) {
    CDevice* device = Device();
    if (!device || column != kDescriptionColumn || row < 0 || platform::EqualsNoCase(oldText, newText))
        return;
    if (CDevDetailModel::SetDescription(*device, List()->GetItemData(row), newText))
        List()->SetItemText(row, column, newText);
}

void CConfigDevDetailView::OnDeleteEntries() {
    CDevice* device = Device();
    if (!device)
        return;
    std::vector<long long> keys;
    for (int row : List()->GetSelectedRows())
        keys.push_back(List()->GetItemData(row));
    if (CDevDetailModel::DeleteTelecontrol(*Doc(), device->m_nAddress, m_nTab, keys))
        FillList();
}

bool CConfigDevDetailView::OnListKey(QKeyEvent* event) {
    if (event->key() != Qt::Key_Delete)
        return false;
    OnDeleteEntries();
    return true;
}

void CConfigDevDetailView::OnVarInfo() {
    EditVarInfo([this] {
        CDevice* device = Device();
        return device ? &device->m_model.m_optionGroups : nullptr;
    });
}

} // namespace editors
