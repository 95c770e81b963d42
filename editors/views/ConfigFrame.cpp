#include "editors/views/ConfigFrame.h"

#include "editors/views/ConfigOverView.h"
#include "platform/Prompt.h"

#include <algorithm>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QSplitter>

namespace editors {

CConfigFrame::CConfigFrame(CConfigOverView* tree, QWidget* parent) : QWidget(parent), m_pTree(tree) {
    setObjectName("configFrame");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pSplitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(m_pSplitter);
    const CViewContext context{this, m_pTree};
    m_pLeft = CEditorViewRegistry::Create(kViewConfigPrj, context);
    m_pRight = CEditorViewRegistry::Create(kViewConfigGINAll, context);
    m_pSplitter->addWidget(m_pLeft);
    m_pSplitter->addWidget(m_pRight);
    const auto [left, right] = InitialPaneWidths(width() - m_pSplitter->handleWidth());
    m_pSplitter->setSizes({left, right});
    connect(m_pSplitter, &QSplitter::splitterMoved, this, [this] { m_bUserSized = true; });
    if (m_pTree)
        m_pTree->SetFrame(this);
}

std::pair<int, int> CConfigFrame::InitialPaneWidths(int total) {
    return InitialPaneWidths(total, 0);
}

std::pair<int, int> CConfigFrame::InitialPaneWidths(int total, int rightWanted) {
    total = std::max(total, 0);
    int usableRight = std::min(320, total / 3);
    if (rightWanted > usableRight)
        usableRight = std::max(usableRight, std::min(rightWanted, total / 2));
    const int left = std::min(1100, total - usableRight);
    return {left, total - left};
}

void CConfigFrame::FitPanes() {
    if (m_bUserSized)
        return;
    const int wanted = m_pRight ? m_pRight->sizeHint().width() : 0;
    const auto [left, right] = InitialPaneWidths(width() - m_pSplitter->handleWidth(), wanted);
    m_pSplitter->setSizes({left, right});
}

void CConfigFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Until the user moves the handle, the panes keep the initial rule at every frame width (the
    // splitter itself would scale both panes and leave the right one a sliver).
    FitPanes();
}

CConfigFrame::~CConfigFrame() {
    if (m_pTree && m_pTree->Frame() == this)
        m_pTree->SetFrame(nullptr);
}

QWidget* CConfigFrame::Replace(int index, EditorViewKind kind, QWidget*& slot, EditorViewKind& slotKind) {
    const QList<int> sizes = m_pSplitter->sizes();
    QWidget* view = CEditorViewRegistry::Create(kind, CViewContext{this, m_pTree});
    QWidget* old = slot;
    if (old)
        m_pSplitter->replaceWidget(index, view);
    else
        m_pSplitter->insertWidget(index, view);
    slot = view;
    slotKind = kind;
    if (old) {
        old->hide();
        old->deleteLater();
    }
    m_pSplitter->setSizes(sizes);
    return view;
}

QWidget* CConfigFrame::ReplaceLeft(EditorViewKind kind) {
    return Replace(0, kind, m_pLeft, m_leftKind);
}

QWidget* CConfigFrame::ReplaceRight(EditorViewKind kind) {
    return Replace(1, kind, m_pRight, m_rightKind);
}

QMdiSubWindow* CConfigFrame::AddToMdiArea(QMdiArea* area, bool noMaximize) {
    QMdiSubWindow* window = area->addSubWindow(this);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    GuardClose(window);
    if (noMaximize)
        window->show();
    else
        window->showMaximized();
    if (m_pLeft)
        m_pLeft->setFocus();
    return window;
}

void CConfigFrame::GuardClose(QWidget* window) {
    if (window)
        window->installEventFilter(this);
}

bool CConfigFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && !m_bCloseAllowed) {
        platform::MessageBox("请从文件菜单正常退出！", {}, platform::Icon::Warning);
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace editors
