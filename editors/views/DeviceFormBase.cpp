#include "editors/views/DeviceFormBase.h"

#include "editors/views/ConfigOverView.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/ListTextExport.h"
#include "editors/views/PointPanes.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>

namespace editors {

CDeviceFormBase::CDeviceFormBase(const CViewContext& context, EditorViewKind kind, const CLayout& layout)
    : m_context(context), m_layout(layout) {
    setObjectName(ViewClassName(kind));
    m_pCaption = new QLabel(this);
    m_pCaption->setObjectName("caption");
    if (layout.buttonX >= 0) {
        m_pButton = new QPushButton("可变信息", this);
        m_pButton->setObjectName("varInfo");
        m_pButton->hide();
        connect(m_pButton, &QPushButton::clicked, this, [this] { OnButton(); });
    }
    if (layout.tabsTop >= 0) {
        m_pTabs = new QTabBar(this);
        m_pTabs->setObjectName("tabs");
        // Tabs as wide as their titles, not stretched across the bar.
        m_pTabs->setExpanding(false);
        connect(m_pTabs, &QTabBar::currentChanged, this, [this](int tab) {
            if (!m_bQuietTabs)
                OnTabChanged(tab);
        });
    }
    m_pList = new CGridListCtrl(this);
    m_pList->setObjectName("list");
    m_pList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pList->installEventFilter(this);
    m_pEditor = new CInPlaceEditor(m_pList);
    m_pEditor->Edit()->installEventFilter(this);
    m_pEditor->SetCommit([this](int row, int column, const std::string& o, const std::string& n) {
        OnCommit(row, column, o, n);
    });
    connect(m_pList, &QTableWidget::cellClicked, this,
            [this](int row, int column) { OnClickCell(row, column); });
    connect(m_pList->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { OnColumnClick(column); });
    connect(m_pList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* menu = BuildContextMenu()) {
            menu->exec(m_pList->viewport()->mapToGlobal(pos));
            menu->deleteLater();
        }
    });
}

CTextExportList CDeviceFormBase::GetTextExport() const {
    return ReadListExport(m_pCaption, m_pTabs, m_pList);
}

CPathRecord CDeviceFormBase::SelectedPath() const {
    if (m_path)
        return *m_path;
    return m_context.tree ? m_context.tree->GetSelectedPath() : CPathRecord{};
}

projectmodel::CProjectModel* CDeviceFormBase::Doc() {
    return projectmodel::CProjectContext::Instance().CurrentDocument();
}

void CDeviceFormBase::SyncAllPointsTab(int tab) {
    if (IAllPointsPane* all = AllPointsPaneOf(m_context.frame))
        all->SelectTab(tab, false);
}

void CDeviceFormBase::SetColumns(const std::vector<std::string>& headers, int margin) {
    m_pList->DeleteAllColumns();
    for (std::size_t i = 0; i < headers.size(); ++i)
        m_pList->InsertColumn(static_cast<int>(i), headers[i], CGridListCtrl::AlignLeft,
                              m_pList->fontMetrics().horizontalAdvance(platform::Qs(headers[i])) + margin);
}

void CDeviceFormBase::ShowRows(const std::vector<CGridRow>& rows) {
    m_pEditor->HideEditors();
    m_pList->FillRows(rows);
}

void CDeviceFormBase::SetTabs(const std::vector<std::string>& titles, int selected) {
    if (!m_pTabs)
        return;
    m_bQuietTabs = true;
    while (m_pTabs->count() > 0)
        m_pTabs->removeTab(0);
    for (const std::string& t : titles)
        m_pTabs->addTab(platform::Qs(t));
    if (selected >= 0 && selected < m_pTabs->count())
        m_pTabs->setCurrentIndex(selected);
    m_bQuietTabs = false;
}

void CDeviceFormBase::SelectTabQuietly(int tab) {
    if (!m_pTabs)
        return;
    m_bQuietTabs = true;
    m_pTabs->setCurrentIndex(tab);
    m_bQuietTabs = false;
}

void CDeviceFormBase::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width();
    const int h = height();
    const int captionWidth = m_layout.captionWidth < 0 ? w - 20 : m_layout.captionWidth;
    m_pCaption->setGeometry(m_layout.captionX, m_layout.captionY, captionWidth, 20);
    if (m_pButton)
        m_pButton->setGeometry(m_layout.buttonX, m_layout.buttonY, 80, 20);
    if (m_pTabs)
        m_pTabs->setGeometry(0, m_layout.tabsTop, w, 28);
    m_pList->setGeometry(10, m_layout.listTop, w - 20, h - m_layout.listTop - 10);
}

bool CDeviceFormBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_pList && OnListKey(key))
            return true;
        // Enter in the cell edit box ends the edit like a focus loss.
        if (watched == m_pEditor->Edit() && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            m_pEditor->CommitOpen();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace editors
