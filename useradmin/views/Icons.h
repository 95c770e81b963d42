#pragma once
// The icons of the program's groups and users (its main window, tree, group list and about box).
#include <QIcon>

namespace nevlor {

QIcon GroupIcon();
QIcon UserIcon();

} // namespace nevlor
