#pragma once
// The production transport of the programs' links to the unit, on the thread that creates this
// object (the user-interface thread): a QTcpSocket, or for a link that waits for the answer to
// each frame (SetDirect) the system's socket under two socket notifiers of the event loop. Received
// bytes, receive errors and the unit closing the connection reach the link there; calls from other
// threads are carried over and wait.
#include "unitlink/LinkTransport.h"

#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <vector>

class QObject;
class QSocketNotifier;
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
    // at once, without Nagle's delay or a pass through Qt's write buffer, and what arrives is read
    // from the system straight into the buffer handed to the link, without Qt's read buffer and
    // the look at the number of bytes waiting that comes with it: one turn of the event loop reads
    // until the system has nothing more (an answer the link sent may have brought the next frame
    // meanwhile) or the turn's kReadSlice bytes are handed over. Set before Create.
    void SetDirect(bool direct) { direct_ = direct; }

private:
    // The direct socket.
    bool ConnectDirect(const std::string& address, int port);
    bool SendDirect(const std::uint8_t* data, std::size_t size);
    // Hands the system what it takes of the bytes it did not take before; false on a send error.
    bool FlushPending();
    // Reads at most `limit` bytes; true when more may be waiting.
    bool ReadDirect(std::size_t limit);
    // The connection ended (the unit closed or reset it, or a read failed): the notifiers stop,
    // sends fail, and the link is told once.
    void EndDirect(bool peerClosed);
    void DropDirect();

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

    int fd_ = -1;
    bool ended_ = false;
    int readDepth_ = 0;       // reads under way (a nested event loop may start another)
    unsigned connection_ = 0; // counts the direct connections made, so a late call knows its own
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    std::vector<std::uint8_t> readBuffer_;
    // Bytes of the frames sent that the system has not taken yet, from pendingFrom_ on.
    std::vector<std::uint8_t> pending_;
    std::size_t pendingFrom_ = 0;
};

} // namespace unitlink
