#include "platform/ui/FileDialog.h"

#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeView>

namespace platform {

namespace {

// Qt's icons with the type names of the detail view in Chinese.
class CChineseTypeIcons : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isRoot())
            return QStringLiteral("驱动器");
        if (info.isDir())
            return QStringLiteral("文件夹");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("文件") : suffix.toUpper() + QStringLiteral(" 文件");
    }
};

} // namespace

void PrepareFileDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // One provider for all dialogs: the dialog does not own it, and it holds no state.
    static CChineseTypeIcons icons;
    dialog.setIconProvider(&icons);
    // The detail view's columns are as wide as their texts: a modification date shows whole,
    // not cut at the column's first width.
    if (auto* details = dialog.findChild<QTreeView*>("treeView"))
        for (int column = 1; column < details->header()->count(); ++column)
            details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

} // namespace platform
