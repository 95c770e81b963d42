#pragma once
// Small pieces shared by the debugging program's menu commands.
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <cstdint>

namespace quorvex {

// The board number (from 1) of a dialog's board byte (from 0; 255 is the unit itself).
inline int BoardNumberOfByte(std::uint8_t board) {
    return board == 255 ? 255 : board + 1;
}

// Shows a modeless window centred over the main window, at the size the window gave itself (a
// window shrunk to its size hint would hide its columns and edit boxes).
inline void ShowCentred(QWidget* w, QWidget* over) {
    w->ensurePolished();
    if (over) {
        const QRect r = over->geometry();
        w->move(r.center() - QPoint(w->width() / 2, w->height() / 2));
    }
    w->show();
}

} // namespace quorvex
