#pragma once
// The all-points view of the project frame's right pane: the points of one device or of all
// devices by category, the source of points for the reference table shown in the left pane, and
// kept on the same category tab as the left pane's view.
#include "editors/views/EditorViews.h"
#include "editors/views/PointPanes.h"
#include "points/PointRows.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QMenu;
class QTabBar;

namespace editors {
class CGridListCtrl;
} // namespace editors

namespace points {

class CConfigGINAllView : public QWidget, public editors::IEditorView, public editors::IAllPointsPane {
    Q_OBJECT
public:
    explicit CConfigGINAllView(const editors::CViewContext& context, QWidget* parent = nullptr);

    // First display: the tabs, the columns, the device combo, the list; the left pane follows the
    // tab.
    void OnInitialUpdate() override;
    // The device combo and the list again (after an import or a port's nodes changed).
    void FillPointList() override;
    void SelectTab(int tab, bool force) override;
    void FillDeviceCombo();
    void FillPointRows();
    // The selected rows' points go to the reference table of the left pane's view.
    void OnAddToRefTable();
    // The left pane's view shows the current category tab.
    void SyncCategoryTab();
    // The context menu "全局GIN视图" of the point list; null before the first display.
    QMenu* BuildContextMenu();

    int CurrentTab() const { return m_nTab; }
    int CurrentDevice() const { return m_nDevice; }
    bool IsInitialised() const { return m_bInit; }
    editors::CGridListCtrl* List() const { return m_pList; }
    QComboBox* DeviceCombo() const { return m_pCombo; }
    QTabBar* Tabs() const { return m_pTabs; }
    const std::vector<CPointRow>& Rows() const { return m_rows; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // After the first display: the width that shows every column of the list whole.
    QSize sizeHint() const override;
    // A pane made with the frame shows itself before any tree selection: its first display.
    void showEvent(QShowEvent* event) override;

private:
    editors::IPointPaneView* LeftPane() const;
    void OnComboChanged(int index);
    void OnTabChanged(int index);

    editors::CViewContext m_ctx;
    QComboBox* m_pCombo;
    QLabel* m_pCaption;
    QTabBar* m_pTabs;
    editors::CGridListCtrl* m_pList;
    bool m_bInit = false;
    int m_nTab = 0;
    int m_nDevice = -1;
    std::vector<CDeviceComboItem> m_comboItems;
    std::vector<CPointRow> m_rows;
};

} // namespace points
