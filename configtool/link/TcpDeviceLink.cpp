// A link on the TCP socket linked into the program (the tools and tests). In a file of its own: a
// program that never makes one does not carry the socket and Qt Network with it.
#include "configtool/link/DeviceLink.h"

#include "unitlink/NetSocket.h"

namespace qxm7740 {

std::unique_ptr<CDeviceLink> MakeDeviceLink(ILinkReport* report) {
    // Every step of a transfer waits for the unit's answer to one frame: the socket sends each
    // frame at once.
    auto socket = std::make_unique<unitlink::CNetSocket>();
    socket->SetDirect(true);
    return std::make_unique<CDeviceLink>(std::move(socket), report);
}

} // namespace qxm7740
