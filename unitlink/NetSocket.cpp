#include "unitlink/NetSocket.h"

#include "unitlink/SocketFaults.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTcpSocket>
#include <QThread>

#include <cerrno>
#include <sys/socket.h>

namespace unitlink {

CNetSocket::CNetSocket() : context_(std::make_unique<QObject>()) {}

CNetSocket::~CNetSocket() {
    DropSocket();
}

void CNetSocket::DropSocket() {
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
    if (!socket_ || socket_->state() != QAbstractSocket::ConnectedState)
        return false;
    if (direct_ && socket_->bytesToWrite() == 0) {
        // Straight to the socket: Qt's write buffer would switch its write notifier on and off,
        // and wake the event loop twice, for every frame. What the system takes is sent; a send
        // error (the unit reset or closed the connection) fails the frame, and only what does not
        // fit now goes through Qt's buffer, from where the system stopped taking it.
        const int fd = static_cast<int>(socket_->socketDescriptor());
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
