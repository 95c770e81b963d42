#include "unitlink/LinkDrop.h"

namespace unitlink {

void CLinkDrop::Opened() {
    ++connection_;
    open_ = true;
    lost_ = false;
}

bool CLinkDrop::Lose(ILinkTransport& transport) {
    if (!open_ || lost_)
        return false;
    lost_ = true;
    // A loss queued for one connection must not end the next one that was made meanwhile.
    const unsigned connection = connection_;
    transport.Post([this, connection] {
        if (connection == connection_ && open_ && onLost_)
            onLost_();
    });
    return true;
}

} // namespace unitlink
