#pragma once
// The colours in which the monitor pane shows the link's sent, received and error lines.
#include "configtool/link/LinkInterfaces.h"

#include <QColor>

namespace qxm7740 {

QColor LinkLineColour(LinkColour colour);

} // namespace qxm7740
