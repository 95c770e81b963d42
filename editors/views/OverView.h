#pragma once
// The tree view of the project: shows tree nodes (text, image, item value) and gives the path
// record of any node. CConfigOverView adds the project's nodes, the refresh operations and the
// port commands.
#include "editors/model/ProjectTreeModel.h"

#include <QIcon>
#include <QTreeWidget>
#include <vector>

namespace editors {

class COverView : public QTreeWidget {
    Q_OBJECT
public:
    explicit COverView(QWidget* parent = nullptr);

    // The path record of an item (depth and item values from the root down).
    CPathRecord GetItemPath(const QTreeWidgetItem* item) const;
    // The path of the selected (caret) item; depth 0 with empty slots when none is selected.
    CPathRecord GetSelectedPath() const;
    // Deletes every item; with a current project builds the tree and expands the root.
    void RebuildTree();
    virtual void BuildTree() = 0;
    // Background colour, images, then RebuildTree.
    virtual void OnInitialUpdate();

    static int ItemData(const QTreeWidgetItem* item);
    static int ItemImage(const QTreeWidgetItem* item);
    // The icon of a tree image (16 images of 20 x 16 pixels).
    const QIcon& TreeIcon(int image) const;

    // Sets text, image and item value of an item.
    void ApplyNode(QTreeWidgetItem* item, const CTreeNode& node);
    // Makes the children of parent from index from on show nodes: existing children are reused in
    // order (their own children made alike), missing ones appended, surplus ones deleted. A deleted
    // item that holds the selection passes it to parent first.
    void SyncChildren(QTreeWidgetItem* parent, const std::vector<CTreeNode>& nodes, int from = 0);
    // Inserts the node with its children at the end of parent (or as a top-level item).
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const CTreeNode& node);

protected:
    CPathRecord m_selectedPath;

private:
    std::vector<QIcon> m_icons;
};

} // namespace editors
