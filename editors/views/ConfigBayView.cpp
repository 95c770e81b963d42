#include "editors/views/ConfigBayView.h"

#include "editors/model/BayListModel.h"
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
using platform::Qs;

namespace editors {

namespace {
const char* const kBayTab = "间隔列表";
}

CConfigBayView::CConfigBayView(const CViewContext& context, QWidget* parent)
    : CGridFormView(context, parent) {
    setObjectName("CConfigBayView");
    SetLayout(300, 320);
}

CVoltLevel* CConfigBayView::Level() const {
    CProjectModel* doc = Doc();
    return doc && m_nLevelCode >= 0 ? doc->m_voltLevels.GetById(m_nLevelCode) : nullptr;
}

void CConfigBayView::OnInitialUpdate() {
    SetReady(false);
    HideEditors();
    m_path = SelectedPath();
    m_nLevelCode = -1;
    CProjectModel* doc = Doc();
    CVoltLevel* level = doc ? CBayListModel::LevelOf(*doc, m_path) : nullptr;
    if (!level) {
        Caption()->clear();
        Button()->hide();
        SetTabs({}, -1);
        List()->DeleteAllItems();
        return;
    }
    m_nLevelCode = level->m_nCode;
    Caption()->setText(Qs(level->m_strName + "间隔列表"));
    Button()->setVisible(!level->m_settings.m_groups.IsEmpty());
    if (Button()->isVisible()) {
        Button()->setText("可变信息");
        Button()->raise();
    }
    SetTabs({kBayTab}, 0);
    StyleList();
    FillList();
    SetReady(true);
}

void CConfigBayView::FillList() {
    m_strTab = CurrentTabText();
    List()->DeleteAllItems();
    if (m_strTab == kBayTab && Tabs()->currentIndex() != m_nLastTab) {
        m_nLastTab = Tabs()->currentIndex();
        List()->DeleteAllColumns();
        List()->InsertColumn(0, "序号");
        List()->InsertColumn(1, "间隔名称");
    }
    CVoltLevel* level = Level();
    if (level)
        List()->FillRows(CBayListModel::Rows(*Doc(), *level));
}

void CConfigBayView::OnSelChangeTab() {
    HideEditors();
    FillList();
}

void CConfigBayView::OnClickCell(int row, int column) {
    if (m_bReady && column == 1 && Level())
        Editor()->OpenEdit(row, column);
}

void CConfigBayView::OnCommit(int row, int column, const std::string& oldText, const std::string& newText) {
    (void)column;
    CVoltLevel* level = Level();
    if (level && CBayListModel::Rename(*Doc(), *level, row, oldText, newText))
        Changed();
}

void CConfigBayView::Changed() {
    RefreshBayNodes(m_nLevelCode);
    FillList();
}

QMenu* CConfigBayView::BuildContextMenu(const QPoint& pos) {
    (void)pos;
    if (!m_bReady || !Level() || m_strTab != kBayTab)
        return nullptr;
    auto* menu = new QMenu("间隔", this);
    menu->addAction("添加间隔", this, &CConfigBayView::OnAddBay);
    menu->addAction("删除间隔", this, &CConfigBayView::OnDeleteBay)
        ->setEnabled(!List()->GetSelectedRows().empty());
    return menu;
}

void CConfigBayView::OnAddBay() {
    CVoltLevel* level = Level();
    if (level && CBayListModel::AddBay(*Doc(), *level)) {
        FillList();
        RefreshBayNodes(m_nLevelCode);
    }
}

void CConfigBayView::OnDeleteBay() {
    CVoltLevel* level = Level();
    if (!level)
        return;
    const std::vector<int> rows = List()->GetSelectedRows();
    if (!CEquipViewModel::ConfirmDeletion(CBayListModel::BaysDeletionQuestion(*Doc(), *level, rows), "间隔"))
        return;
    // The question ran an event loop: the level is looked up again.
    if (!(level = Level()))
        return;
    CBayListModel::DeleteBays(*Doc(), *level, rows);
    FillList();
    RefreshBayNodes(m_nLevelCode);
}

void CConfigBayView::OnColumnClick(int column) {
    CVoltLevel* level = Level();
    if (column != 1 || !level)
        return;
    CBayListModel::SortByName(*Doc(), *level);
    FillList();
    RefreshBayNodes(m_nLevelCode);
}

void CConfigBayView::OnButton() {
    EditVarInfo(
        [this] {
            CVoltLevel* level = Level();
            return level ? &level->m_settings.m_groups : nullptr;
        },
        this);
}

} // namespace editors
