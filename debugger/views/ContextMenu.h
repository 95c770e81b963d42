#pragma once
// Context menus of the debugging program's windows: a menu is made by its window (its parent)
// and shown by the event handler. While it is open frames are handled, and the window may go.
#include <QMenu>
#include <QPoint>
#include <QPointer>

namespace quorvex {

// Shows a menu and deletes it, unless its window went (and took it along) while it was open.
inline void ShowContextMenu(QMenu* menu, const QPoint& at) {
    if (!menu)
        return;
    const QPointer<QMenu> alive(menu);
    menu->exec(at);
    delete alive.data();
}

} // namespace quorvex
