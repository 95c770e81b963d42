// The library the programs' deferred transport (DeferredSocket.h) opens when it makes its first
// socket: the TCP socket with Qt Network under it. It exports this one function.
#include "unitlink/NetSocket.h"

extern "C" __attribute__((visibility("default"))) unitlink::ILinkTransport* qxm_make_net_socket(int direct) {
    auto* socket = new unitlink::CNetSocket;
    socket->SetDirect(direct != 0);
    return socket;
}
