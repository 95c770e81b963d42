#pragma once
// The main frame's docking tab bar: a dock window holding a tab widget whose tabs each carry one
// view (the workspace bar's "组态" tab holds the project tree, the monitor bar's "监视" tab the
// monitor pane).
#include <QDockWidget>
#include <QIcon>
#include <QString>

class QTabWidget;

namespace qxm7740 {

class CMainTabBar : public QDockWidget {
    Q_OBJECT
public:
    CMainTabBar(const QString& caption, QWidget* parent = nullptr);

    // Adds a tab holding the view (the bar takes it over); returns the tab's index.
    int AddView(const QString& label, QWidget* view, const QIcon& icon = QIcon());
    QWidget* GetView(int index) const;
    int GetViewCount() const;
    QTabWidget* GetTabWidget() const { return m_pTabs; }

    // Three values the bar keeps for its owner, 0 at construction.
    int m_nValue1 = 0;
    int m_nValue2 = 0;
    int m_nValue3 = 0;

private:
    QTabWidget* m_pTabs;
};

} // namespace qxm7740
