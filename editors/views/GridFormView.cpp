#include "editors/views/GridFormView.h"

#include "editors/views/ConfigFrame.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/ListTextExport.h"
#include "editors/views/PointPanes.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

using platform::Qs;
using platform::Ss;
using projectmodel::CConfigDoc;
using projectmodel::CProjectModel;

namespace editors {

CGridFormView::CGridFormView(const CViewContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    m_pCaption = new QLabel(this);
    m_pCaption->setObjectName("caption");
    m_pButton = new QPushButton(this);
    m_pButton->setObjectName("varInfoButton");
    m_pButton->hide();
    m_pTabs = new QTabBar(this);
    m_pTabs->setObjectName("tabs");
    m_pTabs->setExpanding(false);
    m_pList = new CGridListCtrl(this);
    m_pList->setObjectName("grid");
    m_pEditor = new CInPlaceEditor(m_pList, 14);
    m_pEditor->SetCommit([this](int row, int column, const std::string& oldText, const std::string& newText) {
        OnCommit(row, column, oldText, newText);
    });
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pList->installEventFilter(this);
    connect(m_pTabs, &QTabBar::currentChanged, this, [this](int) {
        if (!m_bSettingTabs)
            OnSelChangeTab();
    });
    connect(m_pList, &QTableWidget::cellClicked, this,
            [this](int row, int column) { OnClickCell(row, column); });
    connect(m_pList->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { OnColumnClick(column); });
    connect(m_pButton, &QPushButton::clicked, this, [this] { OnButton(); });
    connect(m_pList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* menu = BuildContextMenu(pos)) {
            menu->exec(m_pList->viewport()->mapToGlobal(pos));
            delete menu;
        }
    });
}

std::string CGridFormView::CurrentTabText() const {
    const int index = m_pTabs->currentIndex();
    return index >= 0 ? Ss(m_pTabs->tabText(index)) : std::string();
}

CTextExportList CGridFormView::GetTextExport() const {
    return ReadListExport(m_pCaption, m_pTabs, m_pList);
}

void CGridFormView::SetLayout(int captionWidth, int buttonLeft) {
    m_nCaptionWidth = captionWidth;
    m_nButtonLeft = buttonLeft;
    Layout();
}

void CGridFormView::Layout() {
    const int w = width();
    const int h = height();
    m_pCaption->setGeometry(10, 15, m_nCaptionWidth < 0 ? std::max(0, w - 20) : m_nCaptionWidth, 20);
    m_pButton->setGeometry(m_nButtonLeft, 12, 80, 20);
    m_pTabs->setGeometry(0, 40, w, 28);
    m_pList->setGeometry(10, 70, std::max(0, w - 20), std::max(0, h - 80));
}

void CGridFormView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

bool CGridFormView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        m_pEditor->Combo()->hide();
        if (!m_pEditor->Edit()->isVisible() && OnDeleteKey())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CGridFormView::SetTabs(const std::vector<std::string>& texts, int select) {
    m_bSettingTabs = true;
    while (m_pTabs->count() > 0)
        m_pTabs->removeTab(0);
    for (const std::string& text : texts)
        m_pTabs->addTab(Qs(text));
    if (select >= 0 && select < m_pTabs->count())
        m_pTabs->setCurrentIndex(select);
    m_bSettingTabs = false;
}

void CGridFormView::SelectTab(int index) {
    m_bSettingTabs = true;
    m_pTabs->setCurrentIndex(index);
    m_bSettingTabs = false;
}

void CGridFormView::StyleList() {
    m_pList->setShowGrid(true);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->SetTextBkColor(kGridBackColour);
}

void CGridFormView::SetReady(bool ready) {
    m_bReady = ready;
    m_pEditor->SetReady(ready);
}

void CGridFormView::HideEditors() {
    m_pEditor->HideEditors();
}

CProjectModel* CGridFormView::Doc() const {
    return projectmodel::CProjectContext::Instance().CurrentDocument();
}

CPathRecord CGridFormView::SelectedPath() const {
    return m_context.tree ? m_context.tree->GetSelectedPath() : CPathRecord{};
}

void CGridFormView::RefreshPortGroupNode(int board, int group) const {
    CProjectModel* doc = Doc();
    if (auto* config = dynamic_cast<CConfigDoc*>(doc))
        config->RefreshPortGroupNode(board, group);
    else if (doc && doc->Views())
        doc->Views()->RefreshPortGroupNode(board, group);
}

void CGridFormView::RefreshPortNode(int board, int group, int port) const {
    if (CProjectModel* doc = Doc(); doc && doc->Views())
        doc->Views()->RefreshPortNode(board, group, port);
}

void CGridFormView::RefreshPortChildNodes(int board, int group, int port) const {
    if (CProjectModel* doc = Doc(); doc && doc->Views())
        doc->Views()->RefreshPortChildNodes(board, group, port);
}

void CGridFormView::RefreshPortConfigNodes(int board, int group, int port) const {
    CProjectModel* doc = Doc();
    if (auto* config = dynamic_cast<CConfigDoc*>(doc))
        config->RefreshPortConfigNodes(board, group, port);
    else if (doc && doc->Views())
        doc->Views()->RefreshPortConfigNodes(board, group, port);
}

void CGridFormView::RefreshBayNodes(int levelCode) const {
    if (CProjectModel* doc = Doc(); doc && doc->Views())
        doc->Views()->RefreshBayNodes(levelCode);
}

bool CGridFormView::RightIsAllPoints() const {
    return m_context.frame && m_context.frame->RightView() &&
           m_context.frame->RightKind() == kViewConfigGINAll;
}

bool CGridFormView::RightIsSelDev() const {
    return m_context.frame && m_context.frame->RightView() && m_context.frame->RightKind() == kViewSelDev;
}

void CGridFormView::SelectAllPointsTab(int category) const {
    if (IAllPointsPane* all = AllPointsPaneOf(m_context.frame))
        all->SelectTab(category, false);
}

void CGridFormView::ShowRight(EditorViewKind kind) const {
    if (!m_context.frame)
        return;
    QWidget* view = m_context.frame->ReplaceRight(kind);
    if (IEditorView* v = CEditorViewRegistry::AsEditorView(view))
        v->OnInitialUpdate();
}

} // namespace editors
