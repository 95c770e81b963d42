#include "points/views/ConfigGINView.h"

#include "editors/views/ConfigFrame.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/VarInfoDlg.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ConfigDoc.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>

using platform::Qs;
using projectmodel::CConfigDoc;

using namespace editors;

namespace points {

namespace {

constexpr int kDescriptionColumn = 6;

} // namespace

CConfigGINView::CConfigGINView(const CViewContext& context, QWidget* parent)
    : QWidget(parent), m_ctx(context) {
    setObjectName("configGINView");
    m_pVarInfo = new QPushButton(this);
    m_pVarInfo->setObjectName("varInfoButton");
    m_pVarInfo->hide();
    m_pCaption = new QLabel(this);
    m_pCaption->setObjectName("caption");
    m_pTabs = new QTabBar(this);
    m_pTabs->setObjectName("categoryTab");
    m_pList = new CGridListCtrl(this);
    m_pList->setObjectName("pointList");
    m_pEditor = new CInPlaceEditor(m_pList, 14);
    m_pEditor->SetCommit([this](int row, int column, const std::string& o, const std::string& n) {
        Commit(row, column, o, n);
    });
    connect(m_pVarInfo, &QPushButton::clicked, this, &CConfigGINView::OnVarInfo);
    connect(m_pTabs, &QTabBar::currentChanged, this, &CConfigGINView::OnTabChanged);
    connect(m_pList, &QTableWidget::cellClicked, this, &CConfigGINView::OnClickCell);
}

projectmodel::CDevice* CConfigGINView::Device() const {
    CConfigDoc* doc = CConfigDoc::Current();
    return doc && m_nAddress >= 0 ? doc->FindDevice(m_nAddress) : nullptr;
}

void CConfigGINView::OnInitialUpdate() {
    if (!m_ctx.tree)
        return;
    const CPathRecord path = m_ctx.tree->GetSelectedPath();
    ShowPath(path.depth, path.data);
}

void CConfigGINView::ShowPath(int depth, const std::array<int, 7>& items) {
    CConfigDoc* doc = CConfigDoc::Current();
    if (!doc)
        return;
    projectmodel::CDevice* device = DeviceOfTreePath(*doc, depth, items);
    m_nAddress = device ? device->m_nAddress : -1;
    if (!device)
        return;
    m_pCaption->setText(Qs(DeviceCaption(*device)));
    if (device->m_model.m_optionGroups.GetSize() > 0) {
        m_pVarInfo->setText("可变信息");
        m_pVarInfo->show();
        m_pVarInfo->raise();
    } else {
        m_pVarInfo->hide();
    }
    if (m_pTabs->count() == 0) {
        const QSignalBlocker block(m_pTabs);
        for (const std::string& t : CategoryTabs())
            m_pTabs->addTab(Qs(t));
        m_pTabs->setCurrentIndex(0);
    }
    m_pEditor->HideEditors();
    FillPointList();
    m_bInit = true;
    m_pEditor->SetReady(true);
}

void CConfigGINView::FillPointList() {
    m_pList->DeleteAllItems();
    projectmodel::CDevice* device = Device();
    if (!device)
        return;
    const int tab = m_pTabs->currentIndex();
    if (tab != m_nColumnsTab) {
        m_nColumnsTab = tab;
        ++m_nColumnRebuilds;
        m_pList->DeleteAllColumns();
        for (const std::string& c : DevicePointColumns())
            m_pList->InsertColumn(m_pList->GetColumnCount(), c);
    }
    std::vector<CGridRow> rows;
    for (const CPointRow& r : BuildDevicePointRows(device->m_model, tab)) {
        CGridRow g = GridRow(r.texts);
        g.itemData = r.data;
        rows.push_back(std::move(g));
    }
    m_pList->FillRows(rows);
    if (IAllPointsPane* all = AllPointsPaneOf(m_ctx.frame))
        all->SelectTab(tab, false);
}

void CConfigGINView::SelectCategoryTab(int tab, bool force) {
    if (tab == m_pTabs->currentIndex() && !force)
        return;
    {
        const QSignalBlocker block(m_pTabs);
        m_pTabs->setCurrentIndex(tab);
    }
    FillPointList();
}

void CConfigGINView::OnTabChanged(int) {
    m_pEditor->HideEditors();
    FillPointList();
}

void CConfigGINView::OnClickCell(int row, int column) {
    if (m_bInit && column == kDescriptionColumn && Device())
        m_pEditor->OpenEdit(row, column);
}

void CConfigGINView::Commit(int row, int column, const std::string& oldText, const std::string& newText) {
    projectmodel::CDevice* device = Device();
    if (!device || column != kDescriptionColumn)
        return;
    const int group = platform::AtoI(m_pList->GetItemText(row, 2));
    const int entry = platform::AtoI(m_pList->GetItemText(row, 3));
    std::string cell;
    if (RenamePoint(device->m_model, group, entry, oldText, newText, cell))
        m_pList->SetItemText(row, column, cell);
}

void CConfigGINView::OnVarInfo() {
    EditVarInfo(
        [this] {
            projectmodel::CDevice* device = Device();
            return device ? &device->m_model.m_optionGroups : nullptr;
        },
        this);
}

void CConfigGINView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_pCaption->setGeometry(10, 15, 250, 20);
    m_pVarInfo->setGeometry(270, 12, 80, 20);
    m_pTabs->setGeometry(0, 40, width(), 25);
    m_pList->setGeometry(10, 70, std::max(width() - 20, 0), std::max(height() - 80, 0));
}

} // namespace points
