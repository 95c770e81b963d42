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

class QLabel;
class QMenu;
class QTabBar;

namespace editors {
class CGridListCtrl;
class CInPlaceEditor;
} // namespace editors

namespace points {

class CConfigGINVirView : public QWidget,
                          public editors::IEditorView,
                          public editors::IPointPaneView,
                          public editors::ITextExportSource {
    Q_OBJECT
public:
    explicit CConfigGINVirView(const editors::CViewContext& context, QWidget* parent = nullptr);

    // "生成文本": the device caption, the category tab and the point list.
    editors::CTextExportList GetTextExport() const override {
        return editors::ReadListExport(m_pCaption, m_pTabs, m_pList);
    }

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
    editors::CGridListCtrl* List() const { return m_pList; }
    editors::CInPlaceEditor* Editor() const { return m_pEditor; }
    QTabBar* Tabs() const { return m_pTabs; }
    QLabel* Caption() const { return m_pCaption; }
    CVirtualPoints* Points() const { return m_points.get(); }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AddSingle(VirtualKind kind, VirtualEditor editor);
    void ChangeSingle(VirtualEditor editor, int group, int entry);
    // Runs a single-point editor on edit; true after OK.
    bool RunEditor(VirtualEditor editor, CVirtualPointEdit& edit);
    void RunWholeModel(VirtualEditor editor);
    void Refresh();
    void OnTabChanged(int index);
    void Commit(int row, int column, const std::string& oldText, const std::string& newText);
    std::pair<int, int> KeyOfRow(int row) const;

    editors::CViewContext m_ctx;
    QTabBar* m_pTabs;
    QLabel* m_pCaption;
    editors::CGridListCtrl* m_pList;
    editors::CInPlaceEditor* m_pEditor;
    bool m_bInit = false;
    int m_nTab = -1;
    std::unique_ptr<CVirtualPoints> m_points;
};

} // namespace points
