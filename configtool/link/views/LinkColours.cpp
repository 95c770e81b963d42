#include "configtool/link/views/LinkColours.h"

namespace qxm7740 {

QColor LinkLineColour(LinkColour colour) {
    switch (colour) {
    case LinkColour::Sent:
        return QColor(0, 128, 0);
    case LinkColour::Received:
        return QColor(0, 0, 128);
    case LinkColour::Error:
        break;
    }
    return QColor(128, 0, 0);
}

} // namespace qxm7740
