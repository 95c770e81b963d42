#include "editors/views/ConfigUnitDetailView.h"

#include "editors/views/GridListCtrl.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/ProjectModel.h"

#include <QLabel>
#include <QPushButton>
#include <QTabBar>

using namespace projectmodel;
using platform::Qs;

namespace editors {

CConfigUnitDetailView::CConfigUnitDetailView(const CViewContext& context, QWidget* parent)
    : CGridFormView(context, parent) {
    setObjectName("CConfigUnitDetailView");
    SetLayout(250, 270);
    Caption()->setText("装置的GIN信息：");
    // The button belongs to the form; it does nothing in this view.
    Button()->setText("可变信息");
    Button()->show();
}

const CDevice* CConfigUnitDetailView::Device() const {
    const CProjectModel* doc = Doc();
    return doc && m_nAddress >= 0 ? doc->m_devices.FindByAddress(m_nAddress) : nullptr;
}

void CConfigUnitDetailView::OnInitialUpdate() {
    CProjectModel* doc = Doc();
    if (!doc)
        return;
    m_nTab = -1;
    m_path = SelectedPath();
    const CUnitDetailModel::Target target = CUnitDetailModel::Resolve(*doc, m_path);
    if (!target.device)
        return;
    m_nAddress = target.device->m_nAddress;
    Caption()->setText(Qs(CUnitDetailModel::Caption(target)));
    std::vector<std::string> tabs(PointCategoryNames.begin(), PointCategoryNames.end());
    SetTabs(tabs, 0);
    Layout();
    StyleList();
    HideEditors();
    FillList();
    SetReady(true);
}

void CConfigUnitDetailView::FillList() {
    List()->DeleteAllItems();
    m_strTab = CurrentTabText();
    const int tab = Tabs()->currentIndex();
    if (tab != m_nTab) {
        m_nTab = tab;
        List()->DeleteAllColumns();
        int c = 0;
        for (std::string_view title : PointListColumns)
            List()->InsertColumn(c++, std::string(title));
    }
    if (const CDevice* device = Device())
        List()->FillRows(CUnitDetailModel::Rows(*device, tab));
}

void CConfigUnitDetailView::OnSelChangeTab() {
    HideEditors();
    FillList();
    SyncAllPointsTab();
}

void CConfigUnitDetailView::SyncAllPointsTab() const {
    SelectAllPointsTab(Tabs()->currentIndex());
}

void CConfigUnitDetailView::SelectGroupTab(int tab, int force) {
    if (tab < 0 || tab >= Tabs()->count() || (tab == Tabs()->currentIndex() && !force))
        return;
    SelectTab(tab);
    FillList();
}

} // namespace editors
