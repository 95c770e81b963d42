#pragma once
// The form the port, board, bay and unit views share: a caption, a button, a tab bar and a grid
// list with its in-place editors, laid out as the editing views of the left pane are. It finds
// the current document, the project frame and the tree, forwards refreshes to the tree through
// the document, and reaches the all-points view of the right pane.
#include "editors/model/ProjectTreeModel.h"
#include "editors/model/TextExportSource.h"
#include "editors/views/EditorViews.h"

#include <QWidget>
#include <string>
#include <vector>

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

class CGridFormView : public QWidget, public IEditorView, public ITextExportSource {
    Q_OBJECT
public:
    explicit CGridFormView(const CViewContext& context, QWidget* parent = nullptr);

    QLabel* Caption() const { return m_pCaption; }
    QPushButton* Button() const { return m_pButton; }
    QTabBar* Tabs() const { return m_pTabs; }
    CGridListCtrl* List() const { return m_pList; }
    CInPlaceEditor* Editor() const { return m_pEditor; }
    bool IsReady() const { return m_bReady; }
    std::string CurrentTabText() const;
    // "生成文本": the caption, the selected tab while the tab bar is shown, and the list.
    CTextExportList GetTextExport() const override;

    // A click on a cell opens its editor (the list's click calls it).
    virtual void OnClickCell(int row, int column) {
        (void)row;
        (void)column;
    }
    virtual void OnSelChangeTab() {}
    virtual void OnColumnClick(int column) { (void)column; }
    virtual void OnButton() {}
    // The menu over the list at a point of its viewport (null: no menu); the caller deletes it.
    virtual QMenu* BuildContextMenu(const QPoint& pos) {
        (void)pos;
        return nullptr;
    }
    // The Delete key on the list while no edit box is open; true when handled.
    virtual bool OnDeleteKey() { return false; }

protected:
    // The end of an in-place edit: row, column, the cell's text and the trimmed typed text.
    virtual void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) {
        (void)row;
        (void)column;
        (void)oldText;
        (void)newText;
    }
    // Caption width (-1: client width - 20) and the button's left edge.
    void SetLayout(int captionWidth, int buttonLeft);
    void Layout();
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Replaces the tabs without calling OnSelChangeTab; selects select (when in range).
    void SetTabs(const std::vector<std::string>& texts, int select);
    // Selects a tab without calling OnSelChangeTab.
    void SelectTab(int index);
    // The grid's look of every editing list (grid lines, full-row selection, light grey).
    void StyleList();
    void SetReady(bool ready);
    void HideEditors();

    projectmodel::CProjectModel* Doc() const;
    CPathRecord SelectedPath() const;
    const CViewContext& Context() const { return m_context; }

    // Tree refreshes through the document (indices of board, group and port).
    void RefreshPortGroupNode(int board, int group) const;
    void RefreshPortNode(int board, int group, int port) const;
    void RefreshPortChildNodes(int board, int group, int port) const;
    void RefreshPortConfigNodes(int board, int group, int port) const;
    void RefreshBayNodes(int levelCode) const;

    // The right pane: tells the all-points view the category; whether the right pane holds it.
    void SelectAllPointsTab(int category) const;
    bool RightIsAllPoints() const;
    bool RightIsSelDev() const;
    // Replaces the right pane's view by a new one of the kind and gives it its initial update.
    void ShowRight(EditorViewKind kind) const;

    bool m_bReady = false;

private:
    CViewContext m_context;
    QLabel* m_pCaption;
    QPushButton* m_pButton;
    QTabBar* m_pTabs;
    CGridListCtrl* m_pList;
    CInPlaceEditor* m_pEditor;
    int m_nCaptionWidth = -1;
    int m_nButtonLeft = 320;
    bool m_bSettingTabs = false;
};

} // namespace editors
