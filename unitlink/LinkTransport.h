#pragma once
// The seam under every program's link to the unit: the byte transport (a TCP socket in the
// programs, an in-memory pipe in tests) and the calls it makes into its link.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace unitlink {

// Calls of the transport into its link, made on the link's thread.
class ILinkTransportEvents {
public:
    virtual ~ILinkTransportEvents() = default;
    virtual void OnReceive(const std::uint8_t* data, std::size_t size) = 0;
    // The link's own buffer that the transport may read the next bytes straight into, with room
    // for `room` bytes; null (the default, or while the link cannot take bytes that way) when the
    // bytes go through OnReceive. Bytes read there are handed over by OnReceivedInPlace.
    virtual std::uint8_t* ReceiveSpace(std::size_t& room) {
        room = 0;
        return nullptr;
    }
    virtual void OnReceivedInPlace(std::size_t size) { static_cast<void>(size); }
    // The socket reported an error while receiving.
    virtual void OnReceiveError() = 0;
    // The unit closed or reset the connection.
    virtual void OnPeerClosed() = 0;
};

class ILinkTransport {
public:
    virtual ~ILinkTransport() = default;
    virtual void SetEvents(ILinkTransportEvents* events) = 0;
    // Prepares a new socket; false when it cannot be made.
    virtual bool Create() = 0;
    // One blocking connection attempt; false when it fails.
    virtual bool Connect(const std::string& address, int port) = 0;
    // Sends all bytes; false on a socket error (the unit closed or reset the connection), which
    // the link takes as the end of the connection.
    virtual bool Send(const std::uint8_t* data, std::size_t size) = 0;
    virtual void Close() = 0;
    // Runs fn on the thread that owns the socket and waits for it (directly when already there).
    virtual void RunOnLinkThread(const std::function<void()>& fn) = 0;
    // Runs fn on the link's thread after the event being handled, never inside it: what a link
    // shows in a box is shown this way, so no box opens inside the receive path. Calls still
    // pending when the transport goes are dropped. Without an event loop it runs at once.
    virtual void Post(std::function<void()> fn) { fn(); }
    // Hands the bytes received but not yet read to the link now: a link that is about to give the
    // unit up as silent first takes what came meanwhile (its thread may have been busy).
    virtual void ReadPending() {}
};

} // namespace unitlink
