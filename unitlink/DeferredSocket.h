#pragma once
// The programs' TCP transport, with Qt Network and the libraries under it loaded when the first
// socket is made rather than when the program starts: the socket (CNetSocket) lives in a library
// of its own (libqxmtcp.so, beside the programs) that this transport opens then. Until then it
// only holds the settings; the calls it carries over to the link's thread (RunOnLinkThread,
// Post) run on the thread that made it, as those of the socket do, and go with it when it goes.
#include "unitlink/LinkTransport.h"

#include <memory>

class QObject;

namespace unitlink {

class CDeferredSocket : public ILinkTransport {
public:
    // The library's file name; it lies beside libqxmplatform.so (the programs' folder).
    static constexpr const char* kLibrary = "libqxmtcp.so";
    // The one function it exports: a new CNetSocket (direct when `direct` is not 0), owned by
    // the caller.
    static constexpr const char* kFactory = "qxm_make_net_socket";
    using Factory = ILinkTransport* (*)(int direct);

    // direct: the socket sends every frame at once and reads straight into the link's buffer
    // (CNetSocket::SetDirect).
    explicit CDeferredSocket(bool direct = false);
    ~CDeferredSocket() override;
    CDeferredSocket(const CDeferredSocket&) = delete;
    CDeferredSocket& operator=(const CDeferredSocket&) = delete;

    void SetEvents(ILinkTransportEvents* events) override;
    // Makes the socket (opening the library the first time); false when the library cannot be
    // loaded or the socket cannot be made.
    bool Create() override;
    bool Connect(const std::string& address, int port) override;
    bool Send(const std::uint8_t* data, std::size_t size) override;
    void Close() override;
    void RunOnLinkThread(const std::function<void()>& fn) override;
    void Post(std::function<void()> fn) override;
    void ReadPending() override;

    // Whether the socket has been made (the library is open in this process from then on).
    bool Made() const { return socket_ != nullptr; }

    // The socket's factory from the library, opened on the first call; null when the library or
    // the function cannot be found. Safe from any thread.
    static Factory LoadFactory();

private:
    // The socket, made on the thread that made this transport; null when it cannot be made.
    ILinkTransport* Socket();

    std::unique_ptr<QObject> context_;
    std::unique_ptr<ILinkTransport> socket_;
    ILinkTransportEvents* events_ = nullptr;
    bool direct_;
};

} // namespace unitlink
