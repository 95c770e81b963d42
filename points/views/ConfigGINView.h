#pragma once
// The device point view of the left pane: the points of one device (the status-signal device,
// the custom device or a device on a port) by category, their descriptions edited in place, and
// the device's variable information.
#include "editors/views/EditorViews.h"
#include "editors/views/ListTextExport.h"
#include "editors/views/PointPanes.h"
#include "points/PointRows.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTabBar;

namespace editors {
class CGridListCtrl;
class CInPlaceEditor;
} // namespace editors

namespace points {

class CConfigGINView : public QWidget,
                       public editors::IEditorView,
                       public editors::IPointPaneView,
                       public editors::ITextExportSource {
    Q_OBJECT
public:
    explicit CConfigGINView(const editors::CViewContext& context, QWidget* parent = nullptr);

    // "生成文本": the device caption, the category tab and the point list.
    editors::CTextExportList GetTextExport() const override {
        return editors::ReadListExport(m_pCaption, m_pTabs, m_pList);
    }

    // First display for the project tree's selected node.
    void OnInitialUpdate() override;
    // First display for the node of that path (depth and item values).
    void ShowPath(int depth, const std::array<int, 7>& items);
    void SelectCategoryTab(int tab, bool force) override;
    void FillPointList();
    // A click on a cell: the description column opens the in-place edit.
    void OnClickCell(int row, int column);
    // "可变信息": the variable-information dialog on a copy of the device's items.
    void OnVarInfo();

    // The device shown (null when none).
    projectmodel::CDevice* Device() const;
    bool IsInitialised() const { return m_bInit; }
    editors::CGridListCtrl* List() const { return m_pList; }
    editors::CInPlaceEditor* Editor() const { return m_pEditor; }
    QTabBar* Tabs() const { return m_pTabs; }
    QLabel* Caption() const { return m_pCaption; }
    QPushButton* VarInfoButton() const { return m_pVarInfo; }
    int ColumnsTab() const { return m_nColumnsTab; }
    int ColumnRebuilds() const { return m_nColumnRebuilds; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnTabChanged(int index);
    void Commit(int row, int column, const std::string& oldText, const std::string& newText);

    editors::CViewContext m_ctx;
    QPushButton* m_pVarInfo;
    QLabel* m_pCaption;
    QTabBar* m_pTabs;
    editors::CGridListCtrl* m_pList;
    editors::CInPlaceEditor* m_pEditor;
    bool m_bInit = false;
    int m_nColumnsTab = -1;
    int m_nColumnRebuilds = 0;
    int m_nAddress = -1; // the device shown, by address (-1: none)
};

} // namespace points
