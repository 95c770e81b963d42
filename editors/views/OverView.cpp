#include "editors/views/OverView.h"

#include "platform/ui/FitText.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"

#include <QPainter>
#include <QPixmap>

using platform::Qs;

namespace editors {

namespace {
constexpr int kDataRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

// A small coloured picture per node image, with white as the background.
QIcon MakeIcon(int image) {
    static const QRgb colours[kTreeImageCount] = {0x1f5fbf, 0x2f9f4f, 0x7f5f1f, 0x9f2f2f, 0x3f3f9f, 0x5f5f5f,
                                                  0x1f7f7f, 0x2f6fcf, 0x6f3f8f, 0xbf6f1f, 0x4f8f2f, 0x8f1f5f,
                                                  0x3f7faf, 0x7f7f1f, 0x5f2faf, 0x2f2f2f};
    QPixmap pixmap(20, 16);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor::fromRgb(colours[image % kTreeImageCount]));
    painter.setPen(Qt::NoPen);
    if (image % 3 == 0)
        painter.drawRoundedRect(3, 2, 14, 12, 3, 3);
    else if (image % 3 == 1)
        painter.drawEllipse(4, 2, 12, 12);
    else
        painter.drawRect(2, 4, 16, 9);
    return QIcon(pixmap);
}
} // namespace

COverView::COverView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    platform::KeepWholeLabelsVisible(this);
    setRootIsDecorated(true);
    setIconSize(QSize(20, 16));
    for (int i = 0; i < kTreeImageCount; ++i)
        m_icons.push_back(MakeIcon(i));
}

const QIcon& COverView::TreeIcon(int image) const {
    return m_icons[static_cast<std::size_t>(image >= 0 && image < kTreeImageCount ? image : 0)];
}

int COverView::ItemData(const QTreeWidgetItem* item) {
    return item ? item->data(0, kDataRole).toInt() : -1;
}

int COverView::ItemImage(const QTreeWidgetItem* item) {
    return item ? item->data(0, kImageRole).toInt() : -1;
}

CPathRecord COverView::GetItemPath(const QTreeWidgetItem* item) const {
    CPathRecord path;
    if (!item)
        return path;
    int depth = 0;
    for (const QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        ++depth;
    path.depth = depth;
    int k = depth;
    for (const QTreeWidgetItem* p = item; p; p = p->parent(), --k)
        if (k >= 0 && k < 7)
            path.data[static_cast<std::size_t>(k)] = ItemData(p);
    return path;
}

CPathRecord COverView::GetSelectedPath() const {
    return GetItemPath(currentItem());
}

void COverView::RebuildTree() {
    clear();
    if (projectmodel::CProjectContext::Instance().CurrentDocument()) {
        BuildTree();
        if (topLevelItemCount() > 0)
            topLevelItem(0)->setExpanded(true);
    }
}

void COverView::OnInitialUpdate() {
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor::fromRgb(0xDFDFDF));
    setPalette(p);
    setAutoFillBackground(true);
    RebuildTree();
}

void COverView::ApplyNode(QTreeWidgetItem* item, const CTreeNode& node) {
    const QString text = Qs(node.text);
    if (item->text(0) != text)
        item->setText(0, text);
    if (ItemImage(item) != node.image || item->icon(0).isNull()) {
        item->setIcon(0, TreeIcon(node.image));
        item->setData(0, kImageRole, node.image);
    }
    item->setData(0, kDataRole, node.itemData);
}

QTreeWidgetItem* COverView::AddNode(QTreeWidgetItem* parent, const CTreeNode& node) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    ApplyNode(item, node);
    for (const CTreeNode& child : node.children)
        AddNode(item, child);
    return item;
}

void COverView::SyncChildren(QTreeWidgetItem* parent, const std::vector<CTreeNode>& nodes, int from) {
    if (!parent)
        return;
    int index = from;
    for (const CTreeNode& node : nodes) {
        if (index < parent->childCount()) {
            QTreeWidgetItem* child = parent->child(index);
            ApplyNode(child, node);
            SyncChildren(child, node.children);
        } else {
            AddNode(parent, node);
        }
        ++index;
    }
    while (parent->childCount() > index) {
        QTreeWidgetItem* surplus = parent->child(parent->childCount() - 1);
        for (QTreeWidgetItem* c = currentItem(); c; c = c->parent()) {
            if (c == surplus) {
                setCurrentItem(parent);
                break;
            }
        }
        delete parent->takeChild(parent->childCount() - 1);
    }
}

} // namespace editors
