#include "configtool/shellui/MainTabBar.h"

#include <QTabWidget>

namespace qxm7740 {

CMainTabBar::CMainTabBar(const QString& caption, QWidget* parent) : QDockWidget(caption, parent) {
    setObjectName("mainTabBar");
    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName("tabs");
    m_pTabs->setTabPosition(QTabWidget::South);
    m_pTabs->setDocumentMode(true);
    setWidget(m_pTabs);
}

int CMainTabBar::AddView(const QString& label, QWidget* view, const QIcon& icon) {
    return m_pTabs->addTab(view, icon, label);
}

QWidget* CMainTabBar::GetView(int index) const {
    return m_pTabs->widget(index);
}

int CMainTabBar::GetViewCount() const {
    return m_pTabs->count();
}

} // namespace qxm7740
