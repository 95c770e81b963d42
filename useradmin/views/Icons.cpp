#include "useradmin/views/Icons.h"

#include <QApplication>
#include <QStyle>

namespace nevlor {

QIcon GroupIcon() {
    return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
}

QIcon UserIcon() {
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

} // namespace nevlor
