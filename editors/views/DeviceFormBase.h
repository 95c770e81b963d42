#pragma once
// The common frame of the device-side editing views: a caption, an optional "可变信息" button, an
// optional tab bar and a grid list with its in-place editors, laid out as the views of the project
// frame's left pane are. A view fills the list from its row builder and forwards clicks, edits,
// tab changes, header clicks, keys and its context menu to its own handlers.
#include "editors/model/GridRows.h"
#include "editors/model/ProjectTreeModel.h"
#include "editors/model/TextExportSource.h"
#include "editors/views/EditorViews.h"

#include <optional>
#include <QWidget>
#include <string>
#include <vector>

class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTabBar;

namespace projectmodel {
class CProjectModel;
}

namespace editors {

class CGridListCtrl;
class CInPlaceEditor;

class CDeviceFormBase : public QWidget, public IEditorView, public ITextExportSource {
    Q_OBJECT
public:
    // Where the controls stand (pixels from the view's top left); a width of -1 spans the view
    // less 10 pixels on each side.
    struct CLayout {
        int captionX = 10;
        int captionY = 15;
        int captionWidth = -1;
        int buttonX = -1; // -1: no button
        int buttonY = 12;
        int tabsTop = -1; // -1: no tab bar
        int listTop = 40;
    };

    CDeviceFormBase(const CViewContext& context, EditorViewKind kind, const CLayout& layout);

    CGridListCtrl* List() const { return m_pList; }
    CInPlaceEditor* Editor() const { return m_pEditor; }
    QLabel* Caption() const { return m_pCaption; }
    QPushButton* Button() const { return m_pButton; }
    QTabBar* Tabs() const { return m_pTabs; }
    const CViewContext& Context() const { return m_context; }

    // The path of the tree's selected node, or the one set for a view without a tree.
    CPathRecord SelectedPath() const;
    static projectmodel::CProjectModel* Doc();

    // "生成文本": the caption, the selected tab (views with a tab bar) and the list.
    CTextExportList GetTextExport() const override;

    // The list's context menu (null when the view offers none now); the caller shows and deletes it.
    virtual QMenu* BuildContextMenu() { return nullptr; }

protected:
    // Deletes the columns and makes these (width: header extent + margin).
    void SetColumns(const std::vector<std::string>& headers, int margin = 10);
    // Hides the editors and shows the rows.
    void ShowRows(const std::vector<CGridRow>& rows);
    // Tabs replaced without calling OnTabChanged; the selected one is selected.
    void SetTabs(const std::vector<std::string>& titles, int selected);
    void SelectTabQuietly(int tab);
    // The all-points view of the right pane follows tab.
    void SyncAllPointsTab(int tab);

    virtual void OnClickCell(int row, int column) {
        (void)row;
        (void)column;
    }
    virtual void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) {
        (void)row;
        (void)column;
        (void)oldText;
        (void)newText;
    }
    virtual void OnTabChanged(int tab) { (void)tab; }
    virtual void OnColumnClick(int column) { (void)column; }
    virtual void OnButton() {}
    // A key pressed in the list; true when handled.
    virtual bool OnListKey(QKeyEvent* event) {
        (void)event;
        return false;
    }

    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CViewContext m_context;
    CLayout m_layout;
    std::optional<CPathRecord> m_path;
    QLabel* m_pCaption;
    QPushButton* m_pButton = nullptr;
    QTabBar* m_pTabs = nullptr;
    CGridListCtrl* m_pList;
    CInPlaceEditor* m_pEditor;
    bool m_bQuietTabs = false;
};

} // namespace editors
