#pragma once
// The production transport of the programs' links to the unit: a QTcpSocket on the thread that
// creates this object (the user-interface thread). Received bytes, receive errors and the unit closing the
// connection reach the link there; calls from other threads are carried over and wait.
#include "unitlink/LinkTransport.h"

#include <QtGlobal>

#include <memory>

class QObject;
class QTcpSocket;

namespace unitlink {

class CNetSocket : public ILinkTransport {
public:
    static constexpr int kReadSize = 900;
    // The socket holds at most this much unread (the unit then waits, by TCP's flow control),
    // and one turn of the event loop hands at most kReadSlice bytes to the link: a fast unit
    // neither fills the memory nor keeps the thread from its timers and its windows.
    static constexpr qint64 kReadBufferSize = 256 * 1024;
    static constexpr qint64 kReadSlice = 64 * 1024;

    CNetSocket();
    ~CNetSocket() override;
    CNetSocket(const CNetSocket&) = delete;
    CNetSocket& operator=(const CNetSocket&) = delete;

    void SetEvents(ILinkTransportEvents* events) override { events_ = events; }
    bool Create() override;
    bool Connect(const std::string& address, int port) override;
    bool Send(const std::uint8_t* data, std::size_t size) override;
    void Close() override;
    void RunOnLinkThread(const std::function<void()>& fn) override;
    void Post(std::function<void()> fn) override;
    void ReadPending() override;

    // How long one connection attempt may take.
    void SetConnectTimeout(int ms) { connectTimeoutMs_ = ms; }
    // For a link that waits for the answer to each frame (a file transfer): every frame goes out
    // at once, without Nagle's delay or a pass through Qt's write buffer. Set before Connect.
    void SetDirect(bool direct) { direct_ = direct; }

private:
    // Reads at most `limit` bytes; true when more is waiting.
    bool ReadSome(qint64 limit);
    void OnReadyRead();
    void DropSocket();

    std::unique_ptr<QObject> context_;
    QTcpSocket* socket_ = nullptr;
    ILinkTransportEvents* events_ = nullptr;
    int connectTimeoutMs_ = 3000;
    bool direct_ = false;
    bool moreQueued_ = false;
};

} // namespace unitlink
