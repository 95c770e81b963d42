#pragma once
// The unit's side of a real socket on 127.0.0.1 for the monitor's end-to-end tests: accepts a
// connection (a new one replaces the one before) and cuts what it receives into frames. Needs Qt Network and
// a running event loop.
#include "MonitorTestSupport.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <sys/socket.h>

namespace montest {

class LoopbackUnit {
public:
    LoopbackUnit() { EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0)); }
    int Port() const { return server_.serverPort(); }

    // Waits (events running) until cond holds; the 30 s limit only guards against a hang.
    template <class F> bool WaitFor(F cond) {
        QElapsedTimer t;
        t.start();
        while (!cond() && t.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            Pump();
        }
        return cond();
    }
    void Spin(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            Pump();
        }
    }
    void Send(const Bytes& frame) {
        ASSERT_TRUE(WaitFor([this] { return socket_ != nullptr; }));
        socket_->write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
        socket_->flush();
    }
    // The unit's end of the connection goes: closed, or reset (SO_LINGER 0, as a unit process that
    // is killed or restarts its stack).
    void Hangup(bool reset) {
        ASSERT_NE(socket_, nullptr);
        if (reset) {
            const linger hard{1, 0};
            ASSERT_EQ(::setsockopt(static_cast<int>(socket_->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                                   &hard, sizeof hard),
                      0);
            socket_->abort();
        } else {
            socket_->disconnectFromHost();
        }
    }
    // No further connection is accepted (the unit process is gone).
    void StopListening() { server_.close(); }
    // Frames received so far, whole and as bodies (from byte 28).
    std::vector<Bytes> frames;
    std::vector<Bytes> bodies;
    int connections = 0;

private:
    void Pump() {
        if (server_.hasPendingConnections()) {
            socket_ = server_.nextPendingConnection();
            ++connections;
            buffer_.clear();
        }
        if (!socket_)
            return;
        const QByteArray got = socket_->readAll();
        buffer_.insert(buffer_.end(), got.begin(), got.end());
        while (buffer_.size() >= 28) {
            const std::size_t total = U32(buffer_, 2) + 8;
            if (buffer_.size() < total)
                break;
            frames.emplace_back(buffer_.begin(), buffer_.begin() + static_cast<long>(total));
            bodies.emplace_back(buffer_.begin() + static_cast<long>(std::min<std::size_t>(28, total)),
                                buffer_.begin() + static_cast<long>(total));
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(total));
        }
    }
    QTcpServer server_;
    QTcpSocket* socket_ = nullptr;
    Bytes buffer_;
};

} // namespace montest
