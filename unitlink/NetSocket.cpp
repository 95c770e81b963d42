#include "unitlink/NetSocket.h"

#include "unitlink/SocketFaults.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace unitlink {

namespace {

// Sends from data what the system takes now without waiting, advancing data and size past it.
// False on a send error (the unit reset or closed the connection); what does not fit is left.
bool SendWhatFits(int fd, const std::uint8_t*& data, std::size_t& size) {
    while (size > 0) {
        const ssize_t sent = SocketSend(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            data += sent;
            size -= static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        break;
    }
    return true;
}

} // namespace

CNetSocket::CNetSocket() : context_(std::make_unique<QObject>()) {}

CNetSocket::~CNetSocket() {
    DropSocket();
}

void CNetSocket::DropSocket() {
    DropDirect();
    if (!socket_)
        return;
    QObject::disconnect(socket_, nullptr, context_.get(), nullptr);
    // Pending bytes (a restart command) still go out before the connection closes.
    socket_->flush();
    socket_->disconnectFromHost();
    // The socket may be in the middle of one of its own signals; its parent deletes it at the
    // latest when this transport goes.
    socket_->deleteLater();
    socket_ = nullptr;
}

bool CNetSocket::Create() {
    DropSocket();
    if (direct_)
        return true; // the socket is made by Connect
    socket_ = new QTcpSocket(context_.get());
    socket_->setReadBufferSize(kReadBufferSize);
    QObject::connect(socket_, &QTcpSocket::readyRead, context_.get(), [this] { OnReadyRead(); });
    QObject::connect(socket_, &QTcpSocket::disconnected, context_.get(), [this] {
        if (events_)
            events_->OnPeerClosed();
    });
    QObject::connect(socket_, &QAbstractSocket::errorOccurred, context_.get(),
                     [this](QAbstractSocket::SocketError error) {
                         // Closing by the unit arrives as `disconnected`; time-outs of a connection
                         // attempt are reported by Connect, and a zero-wait read that found nothing
                         // (ReadPending on a quiet link) times out without anything being wrong.
                         if (error == QAbstractSocket::RemoteHostClosedError ||
                             error == QAbstractSocket::SocketTimeoutError || !socket_ ||
                             socket_->state() != QAbstractSocket::ConnectedState)
                             return;
                         if (events_)
                             events_->OnReceiveError();
                     });
    return true;
}

bool CNetSocket::Connect(const std::string& address, int port) {
    if (direct_)
        return ConnectDirect(address, port);
    if (!socket_ || port < 0 || port > 65535)
        return false;
    socket_->abort();
    socket_->connectToHost(QString::fromStdString(address), static_cast<quint16>(port));
    if (socket_->waitForConnected(connectTimeoutMs_)) {
        if (direct_)
            socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return true;
    }
    socket_->abort();
    return false;
}

bool CNetSocket::Send(const std::uint8_t* data, std::size_t size) {
    if (direct_)
        return SendDirect(data, size);
    if (!socket_ || socket_->state() != QAbstractSocket::ConnectedState)
        return false;
    if (direct_ && socket_->bytesToWrite() == 0) {
        // Straight to the socket: Qt's write buffer would switch its write notifier on and off,
        // and wake the event loop twice, for every frame. What the system takes is sent; a send
        // error (the unit reset or closed the connection) fails the frame, and only what does not
        // fit now goes through Qt's buffer, from where the system stopped taking it.
        if (!SendWhatFits(static_cast<int>(socket_->socketDescriptor()), data, size))
            return false;
        if (size == 0)
            return true;
    }
    // Through Qt's buffer the system's refusal shows later, as the connection's end; the fault
    // seam answers here for it, as a send on a connection the unit has reset would.
    if (!direct_ && SocketStepFails(SocketStep::Send))
        return false;
    const qint64 written = socket_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    if (written != static_cast<qint64>(size))
        return false;
    socket_->flush();
    return true;
}

void CNetSocket::Close() {
    DropSocket();
}

bool CNetSocket::ReadSome(qint64 limit) {
    char buf[kReadSize];
    qint64 done = 0;
    while (socket_ && socket_->bytesAvailable() > 0 && done < limit) {
        const qint64 got = SocketStepFails(SocketStep::Receive) ? -1 : socket_->read(buf, sizeof buf);
        if (got < 0) {
            if (events_)
                events_->OnReceiveError();
            return false;
        }
        if (got == 0)
            return false;
        done += got;
        if (events_)
            events_->OnReceive(reinterpret_cast<const std::uint8_t*>(buf), static_cast<std::size_t>(got));
    }
    return socket_ && socket_->bytesAvailable() > 0;
}

void CNetSocket::OnReadyRead() {
    // One slice now; the rest on a later turn, after the timers and the windows had theirs. Qt
    // signals again only for new bytes, so the rest is fetched by a queued call of its own.
    if (!ReadSome(kReadSlice) || moreQueued_)
        return;
    moreQueued_ = true;
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            moreQueued_ = false;
            OnReadyRead();
        },
        Qt::QueuedConnection);
}

void CNetSocket::ReadPending() {
    if (direct_) {
        if (fd_ >= 0 && !ended_)
            ReadDirect(static_cast<std::size_t>(kReadBufferSize));
        return;
    }
    if (!socket_)
        return;
    // What the socket holds, then what the system holds for it.
    if (socket_->bytesAvailable() == 0)
        socket_->waitForReadyRead(0);
    ReadSome(kReadBufferSize);
}

void CNetSocket::RunOnLinkThread(const std::function<void()>& fn) {
    if (QThread::currentThread() == context_->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(context_.get(), fn, Qt::BlockingQueuedConnection);
}

void CNetSocket::Post(std::function<void()> fn) {
    QMetaObject::invokeMethod(context_.get(), std::move(fn), Qt::QueuedConnection);
}

} // namespace unitlink

namespace unitlink {

bool CNetSocket::ConnectDirect(const std::string& address, int port) {
    DropDirect();
    if (port < 0 || port > 65535)
        return false;
    QHostAddress host;
    if (!host.setAddress(QString::fromStdString(address))) {
        // A name: looked up as QTcpSocket would, blocking like the connection attempt itself.
        const QHostInfo info = QHostInfo::fromName(QString::fromStdString(address));
        const auto addresses = info.addresses();
        const auto v4 = std::find_if(addresses.begin(), addresses.end(), [](const QHostAddress& a) {
            return a.protocol() == QAbstractSocket::IPv4Protocol;
        });
        if (v4 != addresses.end())
            host = *v4;
        else if (!addresses.isEmpty())
            host = addresses.first();
        else
            return false;
    }
    sockaddr_storage to{};
    socklen_t toSize = 0;
    bool v4 = false;
    const quint32 ip4 = host.toIPv4Address(&v4);
    if (v4) {
        auto* in = reinterpret_cast<sockaddr_in*>(&to);
        in->sin_family = AF_INET;
        in->sin_port = htons(static_cast<std::uint16_t>(port));
        in->sin_addr.s_addr = htonl(ip4);
        toSize = sizeof(sockaddr_in);
    } else if (host.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&to);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(static_cast<std::uint16_t>(port));
        const Q_IPV6ADDR ip6 = host.toIPv6Address();
        std::memcpy(&in6->sin6_addr, &ip6, sizeof ip6);
        in6->sin6_scope_id = host.scopeId().toUInt();
        toSize = sizeof(sockaddr_in6);
    } else {
        return false;
    }
    const int fd = ::socket(to.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // One attempt, bounded by the connection time-out.
    bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&to), toSize) == 0;
    if (!connected && errno == EINPROGRESS) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(connectTimeoutMs_);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            pollfd p{fd, POLLOUT, 0};
            const int r = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
            if (r < 0 && errno == EINTR)
                continue;
            if (r > 0) {
                int error = 0;
                socklen_t len = sizeof error;
                connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
            }
            break;
        }
    }
    if (!connected) {
        ::close(fd);
        return false;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = fd;
    ended_ = false;
    ++connection_;
    readBuffer_.resize(static_cast<std::size_t>(kReadSlice));
    readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, context_.get());
    QObject::connect(readNotifier_, &QSocketNotifier::activated, context_.get(), [this] {
        if (fd_ >= 0 && !ended_)
            ReadDirect(static_cast<std::size_t>(kReadSlice));
    });
    writeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Write, context_.get());
    writeNotifier_->setEnabled(false);
    QObject::connect(writeNotifier_, &QSocketNotifier::activated, context_.get(), [this] {
        if (fd_ < 0 || ended_)
            return;
        if (!FlushPending()) {
            const bool reset = errno == EPIPE || errno == ECONNRESET;
            EndDirect(reset);
        }
    });
    return true;
}

bool CNetSocket::SendDirect(const std::uint8_t* data, std::size_t size) {
    if (fd_ < 0 || ended_)
        return false;
    if (pendingFrom_ < pending_.size()) {
        // Behind bytes the system has not taken yet: queued after them, and as much as it takes
        // now goes. A send error here shows as the connection's end, told on a later turn.
        pending_.insert(pending_.end(), data, data + size);
        if (!FlushPending()) {
            const bool reset = errno == EPIPE || errno == ECONNRESET;
            const unsigned connection = connection_;
            QMetaObject::invokeMethod(
                context_.get(),
                [this, connection, reset] {
                    if (connection == connection_ && fd_ >= 0 && !ended_)
                        EndDirect(reset);
                },
                Qt::QueuedConnection);
        }
        return true;
    }
    // Straight to the socket. What the system takes is sent; a send error (the unit reset or
    // closed the connection) fails the frame, and only what does not fit now is kept, from where
    // the system stopped taking it, and sent when the socket can take more.
    if (!SendWhatFits(fd_, data, size))
        return false;
    if (size > 0) {
        pending_.assign(data, data + size);
        pendingFrom_ = 0;
        writeNotifier_->setEnabled(true);
    }
    return true;
}

bool CNetSocket::FlushPending() {
    const std::uint8_t* data = pending_.data() + pendingFrom_;
    std::size_t size = pending_.size() - pendingFrom_;
    const bool sent = SendWhatFits(fd_, data, size);
    pendingFrom_ = pending_.size() - size;
    if (!sent)
        return false;
    const bool done = pendingFrom_ >= pending_.size();
    if (done) {
        pending_.clear();
        pendingFrom_ = 0;
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(!done);
    return true;
}

bool CNetSocket::ReadDirect(std::size_t limit) {
    // A nested event loop started by the link may read again while the outer read's bytes are
    // still being handed over: that read gets a buffer of its own.
    std::vector<std::uint8_t> nested;
    std::vector<std::uint8_t>& buffer = readDepth_ > 0 ? nested : readBuffer_;
    if (readDepth_ > 0)
        nested.resize(static_cast<std::size_t>(kReadSlice));
    ++readDepth_;
    const unsigned connection = connection_;
    std::size_t done = 0;
    bool more = false;
    while (done < limit) {
        // Straight into the link's buffer where it offers one, else into this transport's.
        std::size_t room = 0;
        std::uint8_t* space = events_ ? events_->ReceiveSpace(room) : nullptr;
        if (!space || room == 0) {
            space = buffer.data();
            room = buffer.size();
        }
        const bool inPlace = space != buffer.data();
        const std::size_t want = std::min(room, limit - done);
        const ssize_t got =
            SocketStepFails(SocketStep::Receive) ? -2 : ::recv(fd_, space, want, MSG_DONTWAIT);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
            if (events_ && inPlace)
                events_->OnReceivedInPlace(static_cast<std::size_t>(got));
            else if (events_)
                events_->OnReceive(buffer.data(), static_cast<std::size_t>(got));
            if (connection != connection_ || fd_ < 0 || ended_)
                break; // the link closed the connection while handling the bytes
            // A read that did not fill the buffer took what the system had; the answer sent while
            // handling it may have brought the unit's next frame already (on a shared core the
            // unit runs as soon as it is woken), so the socket is asked once more, within the
            // slice, before the event loop's next turn: a frame that waits then costs no wait for
            // the loop's poll.
            more = static_cast<std::size_t>(got) == want;
            continue;
        }
        if (got == 0) {
            EndDirect(true);
            break;
        }
        if (got == -2) {
            // The fault seam failed the read: told as a failed read; the bytes stay for later.
            if (events_)
                events_->OnReceiveError();
            break;
        }
        if (errno == EINTR)
            continue;
        more = false;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            EndDirect(errno == ECONNRESET || errno == EPIPE);
        break;
    }
    --readDepth_;
    return more;
}

void CNetSocket::EndDirect(bool peerClosed) {
    if (fd_ < 0 || ended_)
        return;
    ended_ = true;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    if (!events_)
        return;
    if (peerClosed)
        events_->OnPeerClosed();
    else
        events_->OnReceiveError();
}

void CNetSocket::DropDirect() {
    if (fd_ < 0)
        return;
    // Bytes the system has not taken yet (a restart command) get one more chance before the close.
    if (!ended_ && pendingFrom_ < pending_.size())
        FlushPending();
    // The notifiers may be in the middle of their own signal: they go on a later turn.
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    readNotifier_->deleteLater();
    writeNotifier_->deleteLater();
    readNotifier_ = writeNotifier_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    ended_ = false;
    ++connection_;
    pending_.clear();
    pendingFrom_ = 0;
}

} // namespace unitlink
