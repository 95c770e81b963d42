#include "points/views/ConfigGINVirView.h"

#include "editors/views/ConfigFrame.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/InPlaceEditor.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/views/CompositeExprDlg.h"
#include "points/views/ConfigYBToYCDlg.h"
#include "points/views/ConfigYXToYBDlg.h"
#include "points/views/TapToYxDlg.h"
#include "points/views/ViewRows.h"
#include "projectmodel/ConfigDoc.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabBar>

using platform::Qs;
using projectmodel::CConfigDoc;

using namespace editors;

namespace points {

namespace {

constexpr int kDescriptionColumn = 6;

template <class Dlg> bool RunSingle(Dlg& dlg, CVirtualPointEdit& edit) {
    auto& m = dlg.Model();
    m.m_nAddress = edit.address;
    m.m_nGroup = edit.group;
    m.m_nEntry = edit.entry;
    m.m_strName = edit.name;
    m.m_expr = edit.expr;
    if (dlg.DoModal() != QDialog::Accepted)
        return false;
    edit.group = m.m_nGroup;
    edit.entry = m.m_nEntry;
    edit.name = m.m_strName;
    edit.expr = m.m_expr;
    return true;
}

} // namespace

CConfigGINVirView::CConfigGINVirView(const CViewContext& context, QWidget* parent)
    : QWidget(parent), m_ctx(context) {
    setObjectName("configGINVirView");
    m_pTabs = new QTabBar(this);
    m_pTabs->setObjectName("categoryTab");
    m_pCaption = new QLabel(this);
    m_pCaption->setObjectName("caption");
    m_pList = new CGridListCtrl(this);
    m_pList->setObjectName("pointList");
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pEditor = new CInPlaceEditor(m_pList, 14);
    m_pEditor->SetCommit(
        [this](int r, int c, const std::string& o, const std::string& n) { Commit(r, c, o, n); });
    connect(m_pTabs, &QTabBar::currentChanged, this, &CConfigGINVirView::OnTabChanged);
    connect(m_pList, &QTableWidget::cellClicked, this, &CConfigGINVirView::OnClickCell);
    connect(m_pList, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OnDoubleClick(row); });
}

void CConfigGINVirView::OnInitialUpdate() {
    CConfigDoc* doc = CConfigDoc::Current();
    if (!doc)
        return;
    m_points = std::make_unique<CVirtualPoints>(*doc);
    projectmodel::CDevice* device = m_points->Composite();
    if (!device || (m_ctx.tree && m_ctx.tree->GetSelectedPath().depth != 3))
        return;
    m_pCaption->setText(Qs(DeviceCaption(*device)));
    if (m_pTabs->count() == 0) {
        const QSignalBlocker block(m_pTabs);
        for (const std::string& t : CategoryTabs())
            m_pTabs->addTab(Qs(t));
    }
    // The first display starts on tab 0; a view shown again keeps its tab.
    if (m_nTab < 0)
        m_nTab = 0;
    {
        const QSignalBlocker block(m_pTabs);
        m_pTabs->setCurrentIndex(m_nTab);
    }
    SetColumns(m_pList, DevicePointColumns());
    FillPointList();
    m_pEditor->HideEditors();
    m_bInit = true;
    m_pEditor->SetReady(true);
}

void CConfigGINVirView::FillPointList() {
    if (!m_points || m_nTab < 0 || m_nTab > 6)
        return;
    m_pList->FillRows(ToGridRows(m_points->Rows(m_nTab)));
}

void CConfigGINVirView::SelectCategoryTab(int tab, bool force) {
    if (tab == m_nTab && !force)
        return;
    m_nTab = tab;
    {
        const QSignalBlocker block(m_pTabs);
        m_pTabs->setCurrentIndex(tab);
    }
    FillPointList();
}

void CConfigGINVirView::OnTabChanged(int index) {
    m_pEditor->HideEditors();
    m_nTab = index;
    FillPointList();
    if (IAllPointsPane* all = AllPointsPaneOf(m_ctx.frame))
        all->SelectTab(m_nTab, false);
}

void CConfigGINVirView::Refresh() {
    FillPointList();
    if (IAllPointsPane* all = AllPointsPaneOf(m_ctx.frame))
        all->SelectTab(m_nTab, true);
}

std::pair<int, int> CConfigGINVirView::KeyOfRow(int row) const {
    return {platform::AtoI(m_pList->GetItemText(row, 2)), platform::AtoI(m_pList->GetItemText(row, 3))};
}

bool CConfigGINVirView::RunEditor(VirtualEditor editor, CVirtualPointEdit& edit) {
    switch (editor) {
    case VirtualEditor::YCExpr: {
        CConfigYCExprDlg dlg(this);
        return RunSingle(dlg, edit);
    }
    case VirtualEditor::YXExpr: {
        CConfigYXExprDlg dlg(this);
        return RunSingle(dlg, edit);
    }
    case VirtualEditor::YBToYC: {
        CConfigYBToYCDlg dlg(this);
        return RunSingle(dlg, edit);
    }
    case VirtualEditor::YXToYB: {
        CConfigYXToYBDlg dlg(this);
        return RunSingle(dlg, edit);
    }
    default:
        return false;
    }
}

void CConfigGINVirView::AddSingle(VirtualKind kind, VirtualEditor editor) {
    CVirtualPointEdit edit;
    if (!m_points || !m_points->Propose(kind, edit))
        return;
    if (!RunEditor(editor, edit) || !edit.expr)
        return;
    m_points->StoreNew(kind, edit);
    Refresh();
}

void CConfigGINVirView::ChangeSingle(VirtualEditor editor, int group, int entry) {
    CVirtualPointEdit edit;
    if (!m_points->EditOf(group, entry, edit))
        return;
    if (!RunEditor(editor, edit) || !edit.expr)
        return;
    m_points->StoreChanged(CVirtualPoints::KindOfEditor(editor), group, entry, edit);
    Refresh();
}

void CConfigGINVirView::RunWholeModel(VirtualEditor editor) {
    projectmodel::CDevice* device = m_points ? m_points->Composite() : nullptr;
    if (!device)
        return;
    projectmodel::CDeviceTemplate copy = device->m_model;
    std::unique_ptr<CTapToYxDlg> dlg;
    if (editor == VirtualEditor::YBToYX)
        dlg = std::make_unique<CConfigYBToYXDlg>(this);
    else if (editor == VirtualEditor::YBToYXEJZ)
        dlg = std::make_unique<CConfigYBToYXEJZDlg>(this);
    else
        dlg = std::make_unique<CConfigYBToYXBCDDlg>(this);
    dlg->SetModel(&copy);
    if (dlg->DoModal() != QDialog::Accepted)
        return;
    if ((device = m_points->Composite()))
        device->m_model = std::move(copy);
    Refresh();
}

void CConfigGINVirView::OnAddVyc() {
    AddSingle(VirtualKind::YcComposite, VirtualEditor::YCExpr);
}

void CConfigGINVirView::OnAddYbToYc() {
    AddSingle(VirtualKind::YcFromTap, VirtualEditor::YBToYC);
}

void CConfigGINVirView::AddVyx(int kind) {
    VirtualKind k;
    if (CVirtualPoints::KindOfVyx(kind, k))
        AddSingle(k, VirtualEditor::YXExpr);
}

void CConfigGINVirView::OnYbToYx() {
    RunWholeModel(VirtualEditor::YBToYX);
}

void CConfigGINVirView::OnYbToYxBcd() {
    RunWholeModel(VirtualEditor::YBToYXBCD);
}

void CConfigGINVirView::OnYbToYxEjz() {
    RunWholeModel(VirtualEditor::YBToYXEJZ);
}

void CConfigGINVirView::OnAddYxToYb() {
    AddSingle(VirtualKind::TapFromYx, VirtualEditor::YXToYB);
}

void CConfigGINVirView::OnDelete() {
    if (!m_points)
        return;
    std::vector<std::pair<int, int>> keys;
    for (int r : m_pList->GetSelectedRows())
        keys.push_back(KeyOfRow(r));
    m_points->Delete(keys);
    Refresh();
}

void CConfigGINVirView::OnCopy() {
    const int row = m_pList->GetSelectedRow();
    if (m_points)
        m_points->Copy(row >= 0 ? m_pList->GetItemData(row) : -1);
}

void CConfigGINVirView::OnPaste() {
    if (m_points && m_points->Paste(m_nTab))
        Refresh();
}

void CConfigGINVirView::OnDoubleClick(int) {
    const int row = m_pList->GetSelectedRow();
    if (!m_points || row < 0)
        return;
    const auto [group, entry] = KeyOfRow(row);
    const VirtualEditor editor = m_points->EditorFor(m_pList->GetItemText(row, 1), group, entry);
    switch (editor) {
    case VirtualEditor::None:
        return;
    case VirtualEditor::YBToYX:
    case VirtualEditor::YBToYXEJZ:
    case VirtualEditor::YBToYXBCD:
        RunWholeModel(editor);
        return;
    default:
        ChangeSingle(editor, group, entry);
    }
}

void CConfigGINVirView::OnClickCell(int row, int column) {
    if (m_bInit && column == kDescriptionColumn)
        m_pEditor->OpenEdit(row, column);
}

void CConfigGINVirView::Commit(int row, int column, const std::string& oldText, const std::string& newText) {
    projectmodel::CDevice* device = m_points ? m_points->Composite() : nullptr;
    if (!device || column != kDescriptionColumn)
        return;
    const auto [group, entry] = KeyOfRow(row);
    std::string cell;
    if (RenamePoint(device->m_model, group, entry, oldText, newText, cell))
        m_pList->SetItemText(row, column, cell);
}

QMenu* CConfigGINVirView::BuildContextMenu() {
    if (!m_bInit || !m_points || (m_nTab != 0 && m_nTab != 1 && m_nTab != 5))
        return nullptr;
    const bool selected = m_pList->GetSelectedRow() >= 0;
    auto* menu = new QMenu(this);
    if (m_nTab == 0) {
        menu->setObjectName("虚拟遥测");
        menu->addAction("添加虚遥测", this, &CConfigGINVirView::OnAddVyc);
        menu->addAction("步位置转遥测", this, &CConfigGINVirView::OnAddYbToYc);
        menu->addAction("删除", this, &CConfigGINVirView::OnDelete)->setEnabled(selected);
        menu->addAction("复制", this, &CConfigGINVirView::OnCopy)->setEnabled(selected);
        menu->addAction("粘贴", this, &CConfigGINVirView::OnPaste)->setEnabled(m_points->CanPaste(0));
    } else if (m_nTab == 1) {
        menu->setObjectName("虚拟遥信");
        menu->addAction("添加虚遥信", this, [this] { AddVyx(2); });
        menu->addAction("添加预告信息", this, [this] { AddVyx(1); });
        menu->addAction("添加事故总信息", this, [this] { AddVyx(0); });
        menu->addAction("步位置转单个遥信", this, &CConfigGINVirView::OnYbToYx);
        menu->addAction("步位置转BCD码遥信", this, &CConfigGINVirView::OnYbToYxBcd);
        menu->addAction("步位置转二进制遥信", this, &CConfigGINVirView::OnYbToYxEjz);
        menu->addAction("删除", this, &CConfigGINVirView::OnDelete)->setEnabled(selected);
        menu->addAction("复制", this, &CConfigGINVirView::OnCopy)->setEnabled(selected);
        menu->addAction("粘贴", this, &CConfigGINVirView::OnPaste)->setEnabled(m_points->CanPaste(1));
    } else {
        menu->setObjectName("虚拟步位置");
        menu->addAction("遥信转步位置", this, &CConfigGINVirView::OnAddYxToYb);
        menu->addAction("删除步位置", this, &CConfigGINVirView::OnDelete)->setEnabled(selected);
    }
    return menu;
}

void CConfigGINVirView::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_pList->geometry().contains(event->pos()))
        return;
    if (QMenu* menu = BuildContextMenu()) {
        menu->exec(event->globalPos());
        delete menu;
    }
}

void CConfigGINVirView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_pCaption->setGeometry(10, 15, std::max(width() - 20, 0), 20);
    m_pTabs->setGeometry(0, 40, width(), 25);
    m_pList->setGeometry(10, 70, std::max(width() - 20, 0), std::max(height() - 80, 0));
}

} // namespace points
