#include "points/views/ConfigGINAllView.h"

#include "editors/views/ConfigFrame.h"
#include "editors/views/GridListCtrl.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ConfigDoc.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>

using platform::Qs;
using projectmodel::CConfigDoc;

using namespace editors;

namespace points {

namespace {

std::vector<CGridRow> GridRows(const std::vector<CPointRow>& rows) {
    std::vector<CGridRow> out;
    out.reserve(rows.size());
    for (const CPointRow& r : rows) {
        CGridRow g = GridRow(r.texts);
        g.itemData = r.data;
        out.push_back(std::move(g));
    }
    return out;
}

} // namespace

CConfigGINAllView::CConfigGINAllView(const CViewContext& context, QWidget* parent)
    : QWidget(parent), m_ctx(context) {
    setObjectName("configGINAllView");
    m_pCombo = new QComboBox(this);
    m_pCombo->setObjectName("deviceCombo");
    m_pCaption = new QLabel(this);
    m_pCaption->setObjectName("caption");
    m_pTabs = new QTabBar(this);
    m_pTabs->setObjectName("categoryTab");
    m_pList = new CGridListCtrl(this);
    m_pList->setObjectName("pointList");
    connect(m_pCombo, &QComboBox::currentIndexChanged, this, &CConfigGINAllView::OnComboChanged);
    connect(m_pTabs, &QTabBar::currentChanged, this, &CConfigGINAllView::OnTabChanged);
    // A tab bar cannot show "no tab": after a first tab outside 0..6 the tab it still shows must
    // take a click too.
    connect(m_pTabs, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == m_pTabs->currentIndex())
            OnTabChanged(index);
    });
    connect(m_pList, &QTableWidget::cellDoubleClicked, this, [this] { OnAddToRefTable(); });
}

IPointPaneView* CConfigGINAllView::LeftPane() const {
    return PointPaneViewOf(m_ctx.frame);
}

void CConfigGINAllView::SyncCategoryTab() {
    if (IPointPaneView* left = LeftPane())
        left->SelectCategoryTab(m_nTab, false);
}

void CConfigGINAllView::OnInitialUpdate() {
    if (!CConfigDoc::Current())
        return;
    m_pCaption->setText("测点信息");
    if (m_pTabs->count() == 0) {
        const QSignalBlocker block(m_pTabs);
        for (const std::string& t : CategoryTabs())
            m_pTabs->addTab(Qs(t));
    }
    if (!m_bInit) {
        m_nTab = 0;
        if (IPointPaneView* left = LeftPane()) {
            const int category = left->CurrentRefTableCategory();
            if (category >= 0)
                m_nTab = category;
        }
        const QSignalBlocker block(m_pTabs);
        // A reference table of a category without a tab leaves no tab selected.
        m_pTabs->setCurrentIndex(m_nTab >= 0 && m_nTab <= 6 ? m_nTab : -1);
        m_pList->DeleteAllColumns();
        for (const std::string& c : AllPointColumns())
            m_pList->InsertColumn(m_pList->GetColumnCount(), c);
    }
    FillDeviceCombo();
    FillPointRows();
    SyncCategoryTab();
    const bool first = !m_bInit;
    m_bInit = true;
    // The narrow pane widens, within the frame's rule, so that its columns are not cut at once.
    if (first && m_ctx.frame)
        m_ctx.frame->FitPanes();
}

QSize CConfigGINAllView::sizeHint() const {
    if (!m_bInit)
        return QWidget::sizeHint();
    int columns = 0;
    for (int c = 0; c < m_pList->columnCount(); ++c)
        columns += m_pList->columnWidth(c);
    // The list's margins in the pane (10 on each side), its frame and its vertical scroll bar.
    const int width =
        columns + 20 + 2 * m_pList->frameWidth() + m_pList->verticalScrollBar()->sizeHint().width();
    return {width, QWidget::sizeHint().height()};
}

void CConfigGINAllView::FillPointList() {
    // Refilling the combo as the first display does would turn a chosen "所有装置" into the first
    // device at every refresh; it is refilled only when the devices themselves changed.
    CConfigDoc* doc = CConfigDoc::Current();
    if (doc && BuildDeviceCombo(*doc) != m_comboItems)
        FillDeviceCombo();
    FillPointRows();
}

void CConfigGINAllView::FillDeviceCombo() {
    const QSignalBlocker block(m_pCombo);
    m_pCombo->clear();
    CConfigDoc* doc = CConfigDoc::Current();
    if (!doc)
        return;
    m_comboItems = BuildDeviceCombo(*doc);
    for (const auto& item : m_comboItems)
        m_pCombo->addItem(Qs(item.text));
    m_pCombo->setCurrentIndex(SelectDeviceComboItem(m_comboItems, m_nDevice));
}

void CConfigGINAllView::FillPointRows() {
    CConfigDoc* doc = CConfigDoc::Current();
    if (!doc || m_nTab < 0 || m_nTab > 6)
        return;
    m_rows = BuildAllPointRows(*doc, m_nTab, m_nDevice);
    m_pList->FillRows(GridRows(m_rows));
}

void CConfigGINAllView::SelectTab(int tab, bool force) {
    if (tab < 0 || tab > 6 || (tab == m_pTabs->currentIndex() && !force))
        return;
    m_nTab = tab;
    {
        const QSignalBlocker block(m_pTabs);
        m_pTabs->setCurrentIndex(tab);
    }
    FillPointRows();
}

void CConfigGINAllView::OnComboChanged(int index) {
    if (index < 0 || index >= static_cast<int>(m_comboItems.size()))
        return;
    m_nDevice = m_comboItems[static_cast<std::size_t>(index)].address;
    FillPointRows();
}

void CConfigGINAllView::OnTabChanged(int index) {
    if (index == m_nTab)
        return;
    m_nTab = index;
    FillPointRows();
    SyncCategoryTab();
}

void CConfigGINAllView::OnAddToRefTable() {
    const std::vector<int> selected = m_pList->GetSelectedRows();
    IPointPaneView* left = LeftPane();
    if (selected.empty() || !CConfigDoc::Current() || !left || !left->CanTakePoints())
        return;
    std::vector<projectmodel::CPointRef> keys;
    for (const CPointKey& k : KeysOfRows(m_rows, selected))
        keys.emplace_back(k.address, k.group, k.entry);
    left->AddRefPoints(keys);
}

QMenu* CConfigGINAllView::BuildContextMenu() {
    if (!m_bInit)
        return nullptr;
    auto* menu = new QMenu(this);
    menu->setObjectName("全局GIN视图");
    QAction* add = menu->addAction("<<添加到引用表", this, &CConfigGINAllView::OnAddToRefTable);
    IPointPaneView* left = LeftPane();
    add->setEnabled(!m_pList->GetSelectedRows().empty() && left && left->CanTakePoints());
    return menu;
}

void CConfigGINAllView::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_pList->geometry().contains(event->pos()))
        return;
    if (QMenu* menu = BuildContextMenu()) {
        menu->exec(event->globalPos());
        delete menu;
    }
}

void CConfigGINAllView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_bInit)
        OnInitialUpdate();
}

void CConfigGINAllView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int cx = width();
    const int cy = height();
    const int w = std::min(cx - 55, 260);
    m_pCombo->setGeometry(10, 15, std::max(w - 10, 20), m_pCombo->sizeHint().height());
    m_pCaption->setGeometry(w + 5, 20, 50, 20);
    m_pTabs->setGeometry(0, 45, cx, 25);
    m_pList->setGeometry(10, 75, std::max(cx - 20, 0), std::max(cy - 85, 0));
}

} // namespace points
