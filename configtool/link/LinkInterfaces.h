#pragma once
// The two seams of the device link: the byte transport underneath it (a TCP socket in the
// program, an in-memory pipe in tests) and the report sink above it (the main frame's wait dialog,
// progress bar and coloured monitor lines).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The three colours of monitor lines: sent (green), received (navy) and error (maroon).
enum class LinkColour { Sent, Received, Error };

// What the link and the worker report to the main frame. The calls come from whichever thread
// runs the link (the user-interface thread in the program); an implementation that shows widgets
// must be callable from the worker thread too and then wait while the user-interface thread works.
class ILinkReport {
public:
    virtual ~ILinkReport() = default;
    // Opens the wait dialog (mode 0 = progress bar, other = text only); ignored while one is open.
    virtual void OpenWait(int mode, const std::string& text) = 0;
    virtual void CloseWait() = 0;
    // Progress position (0-100) of the wait dialog; `what` is 3 or 0 as the sender gives it.
    virtual void Progress(int what, std::uint32_t position) = 0;
    // New text of the wait dialog.
    virtual void WaitText(const std::string& text) = 0;
    // A monitor line, or a frame shown as a hex dump.
    virtual void MonitorText(LinkColour colour, const std::string& text) = 0;
    virtual void MonitorBytes(LinkColour colour, const std::uint8_t* data, std::size_t size) = 0;
};

// Calls of the transport into its link, made on the link's thread.
class ILinkTransportEvents {
public:
    virtual ~ILinkTransportEvents() = default;
    virtual void OnReceive(const std::uint8_t* data, std::size_t size) = 0;
    // The socket reported an error while receiving.
    virtual void OnReceiveError() = 0;
    // The unit closed the connection.
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
    // Sends all bytes; false on a socket error.
    virtual bool Send(const std::uint8_t* data, std::size_t size) = 0;
    virtual void Close() = 0;
    // Runs fn on the thread that owns the socket and waits for it (directly when already there).
    virtual void RunOnLinkThread(const std::function<void()>& fn) = 0;
};
