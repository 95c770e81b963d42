#pragma once
// The virtual point view of the left pane: the computed points of the composite-signal device
// (65531) by category, created and changed through the expression editors, deleted, copied and
// pasted, their descriptions edited in place.
#include "editors/views/EditorViews.h"
#include "editors/views/ListTextExport.h"
#include "editors/views/PointPanes.h"
#include "points/PointRows.h"
#include "points/VirtualPoints.h"

#include <memory>
#include <QWidget>

class CGridListCtrl;
class CInPlaceEditor;
class QLabel;
class QMenu;
class QTabBar;

class CConfigGINVirView : public QWidget, public IEditorView, public IPointPaneView, public ITextExportSource {
    Q_OBJECT
public:
    explicit CConfigGINVirView(const CViewContext& context, QWidget* parent = nullptr);

    // "生成文本": the device caption, the category tab and the point list.
    CTextExportList GetTextExport() const override { return ReadListExport(m_pCaption, m_pTabs, m_pList); }

    void OnInitialUpdate() override;
    void SelectCategoryTab(int tab, bool force) override;
    void FillPointList();

    // The commands of the context menu.
    void OnAddVyc();
    void OnAddYbToYc();
    void AddVyx(int kind);
    void OnYbToYx();
    void OnYbToYxBcd();
    void OnYbToYxEjz();
    void OnAddYxToYb();
    void OnDelete();
    void OnCopy();
    void OnPaste();
    // A double click on a row opens its editor.
    void OnDoubleClick(int row);
    void OnClickCell(int row, int column);
    // The popup of the current tab ("虚拟遥测", "虚拟遥信", "虚拟步位置"); null on other tabs or
    // before the first display.
    QMenu* BuildContextMenu();

    bool IsInitialised() const { return m_bInit; }
    int CurrentTab() const { return m_nTab; }
    CGridListCtrl* List() const { return m_pList; }
    CInPlaceEditor* Editor() const { return m_pEditor; }
    QTabBar* Tabs() const { return m_pTabs; }
    QLabel* Caption() const { return m_pCaption; }
    points::CVirtualPoints* Points() const { return m_points.get(); }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AddSingle(points::VirtualKind kind, points::VirtualEditor editor);
    void ChangeSingle(points::VirtualEditor editor, int group, int entry);
    // Runs a single-point editor on edit; true after OK.
    bool RunEditor(points::VirtualEditor editor, points::CVirtualPointEdit& edit);
    void RunWholeModel(points::VirtualEditor editor);
    void Refresh();
    void OnTabChanged(int index);
    void Commit(int row, int column, const std::string& oldText, const std::string& newText);
    std::pair<int, int> KeyOfRow(int row) const;

    CViewContext m_ctx;
    QTabBar* m_pTabs;
    QLabel* m_pCaption;
    CGridListCtrl* m_pList;
    CInPlaceEditor* m_pEditor;
    bool m_bInit = false;
    int m_nTab = -1;
    std::unique_ptr<points::CVirtualPoints> m_points;
};
