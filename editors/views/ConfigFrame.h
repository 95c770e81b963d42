#pragma once
// The project's window content: a splitter of one row and two columns. The left pane shows the
// editing view of the selected tree node (project properties at first), the right pane the
// all-points view or the device model list. Views are made through the view registry; the frame
// remembers the kind of each pane for the tree's kind-of test.
#include "editors/views/EditorViews.h"

#include <QWidget>
#include <utility>

class QMdiArea;
class QMdiSubWindow;
class QSplitter;

namespace editors {

class CConfigFrame : public QWidget {
    Q_OBJECT
public:
    // Creates the two panes (left 1100 wide, the right one the rest) and registers with the tree.
    explicit CConfigFrame(CConfigOverView* tree, QWidget* parent = nullptr);
    ~CConfigFrame() override;

    QSplitter* Splitter() const { return m_pSplitter; }
    QWidget* LeftView() const { return m_pLeft; }
    QWidget* RightView() const { return m_pRight; }
    EditorViewKind LeftKind() const { return m_leftKind; }
    EditorViewKind RightKind() const { return m_rightKind; }
    CConfigOverView* Tree() const { return m_pTree; }

    // Deletes the pane's view and makes a new one of the kind (width: of the left pane).
    QWidget* ReplaceLeft(EditorViewKind kind);
    QWidget* ReplaceRight(EditorViewKind kind);

    // Puts the frame into a new project window of the MDI area, shown maximised (unless
    // noMaximize) with the left view active, and guards its closing.
    QMdiSubWindow* AddToMdiArea(QMdiArea* area, bool noMaximize = false);

    // Closing the project window is refused ("请从文件菜单正常退出！") unless the file menu closes
    // the project (AllowClose).
    void GuardClose(QWidget* window);
    void AllowClose(bool allow) { m_bCloseAllowed = allow; }
    // The tree is going away: views made from now on get no tree.
    void SetTreeGone() { m_pTree = nullptr; }

    // Widths of the left and right pane in a splitter whose panes share total pixels: the left
    // pane 1100, less on a narrow frame so that the right pane keeps a usable width (a third of
    // the frame, at most 320), and the right pane what remains.
    static std::pair<int, int> InitialPaneWidths(int total);
    // The same when the right pane's view wants rightWanted pixels to show its columns whole: the
    // right pane takes up to that, at most half the frame, and never less than the rule above.
    static std::pair<int, int> InitialPaneWidths(int total, int rightWanted);
    // Lays the panes out by that rule again (the right view's first display has filled it), as
    // long as the user has not moved the handle.
    void FitPanes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* Replace(int index, EditorViewKind kind, QWidget*& slot, EditorViewKind& slotKind);

    CConfigOverView* m_pTree;
    QSplitter* m_pSplitter;
    QWidget* m_pLeft = nullptr;
    QWidget* m_pRight = nullptr;
    EditorViewKind m_leftKind = kViewConfigPrj;
    EditorViewKind m_rightKind = kViewConfigGINAll;
    bool m_bCloseAllowed = false;
    // The user moved the splitter's handle: the widths are theirs from then on.
    bool m_bUserSized = false;
};

} // namespace editors
