// The programs' deferred TCP transport: nothing goes out before its socket is made; the socket,
// loaded from its own library when first asked for, carries bytes both ways in either mode and
// reports the unit closing the connection; asked for from another thread it still belongs to the
// thread that made the transport; calls carried over to that thread run after the event being
// handled, or not at all once the transport is gone.
#include "unitlink/DeferredSocket.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <atomic>
#include <dlfcn.h>
#include <thread>
#include <vector>

namespace {

struct Recorder : unitlink::ILinkTransportEvents {
    void OnReceive(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        threads.push_back(QThread::currentThread());
    }
    void OnReceiveError() override { ++errors; }
    void OnPeerClosed() override { ++closes; }
    std::vector<std::uint8_t> bytes;
    std::vector<QThread*> threads;
    int closes = 0;
    int errors = 0;
};

template <class F> bool Spin(F done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 7);
    return b;
}

// Sends `out` from the transport and `in` from the peer; both arrive whole and in order.
void Exchange(unitlink::CDeferredSocket& socket, QTcpSocket& peer, Recorder& rec, std::size_t size) {
    const std::vector<std::uint8_t> out = Pattern(size, 3);
    ASSERT_TRUE(socket.Send(out.data(), out.size()));
    QByteArray got;
    Spin([&] {
        got += peer.readAll();
        return got.size() >= static_cast<qsizetype>(out.size());
    });
    EXPECT_EQ(got, QByteArray(reinterpret_cast<const char*>(out.data()), static_cast<qsizetype>(out.size())));

    const std::vector<std::uint8_t> in = Pattern(size, 11);
    peer.write(reinterpret_cast<const char*>(in.data()), static_cast<qint64>(in.size()));
    peer.flush();
    EXPECT_TRUE(Spin([&] { return rec.bytes.size() >= in.size(); }));
    EXPECT_EQ(rec.bytes, in);
}

TEST(DeferredSocket, BeforeItsSocketIsMadeNothingGoesOutAndCallsStillReachItsThread) {
    unitlink::CDeferredSocket socket;
    Recorder rec;
    socket.SetEvents(&rec);
    const std::uint8_t byte = 1;
    EXPECT_FALSE(socket.Send(&byte, 1));
    socket.ReadPending();
    socket.Close();
    EXPECT_FALSE(socket.Made());

    int ran = 0;
    socket.RunOnLinkThread([&] { ++ran; });
    EXPECT_EQ(ran, 1);
    socket.Post([&] { ++ran; });
    EXPECT_EQ(ran, 1); // not inside the call
    EXPECT_TRUE(Spin([&] { return ran == 2; }));

    // A call still pending when the transport goes is dropped.
    {
        unitlink::CDeferredSocket gone;
        gone.Post([&] { ++ran; });
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 2);
    EXPECT_FALSE(socket.Made());
}

TEST(DeferredSocket, ItsSocketLoadedWhenFirstMadeCarriesBytesBothWaysAndTellsTheEnd) {
    for (const bool direct : {false, true}) {
        SCOPED_TRACE(direct ? "direct" : "buffered");
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        unitlink::CDeferredSocket socket(direct);
        Recorder rec;
        socket.SetEvents(&rec);
        ASSERT_TRUE(socket.Create());
        EXPECT_TRUE(socket.Made());
        EXPECT_NE(::dlopen(unitlink::CDeferredSocket::kLibrary, RTLD_NOW | RTLD_NOLOAD), nullptr);
        ASSERT_TRUE(socket.Connect("127.0.0.1", server.serverPort()));
        ASSERT_TRUE(Spin([&] { return server.hasPendingConnections(); }));
        QTcpSocket* peer = server.nextPendingConnection();
        ASSERT_NE(peer, nullptr);
        Exchange(socket, *peer, rec, 5000);

        // A port no one listens on: the attempt fails.
        EXPECT_FALSE(socket.Connect("127.0.0.1", 0));
        ASSERT_TRUE(socket.Create());
        ASSERT_TRUE(socket.Connect("127.0.0.1", server.serverPort()));
        ASSERT_TRUE(Spin([&] { return server.hasPendingConnections(); }));
        peer = server.nextPendingConnection();
        ASSERT_NE(peer, nullptr);
        peer->close();
        EXPECT_TRUE(Spin([&] { return rec.closes == 1; }));
        EXPECT_EQ(rec.errors, 0);
        socket.SetEvents(nullptr);
    }
}

TEST(DeferredSocket, ASocketFirstAskedForOnAnotherThreadBelongsToTheTransportsThread) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    unitlink::CDeferredSocket socket;
    Recorder rec;
    socket.SetEvents(&rec);
    const quint16 port = server.serverPort();
    std::atomic<int> step{0};
    QThread* ranOn = nullptr;
    std::thread other([&] {
        // The socket is made here, first asked for by a connection attempt that fails for want of
        // a prepared socket (as it would on a CNetSocket); the socket is then prepared and
        // connected on the link's thread.
        const bool connected = socket.Connect("127.0.0.1", port);
        const bool made = socket.Made();
        bool created = false;
        socket.RunOnLinkThread([&] {
            ranOn = QThread::currentThread();
            created = socket.Create() && socket.Connect("127.0.0.1", port);
        });
        step = !connected && made && created ? 1 : 2;
    });
    ASSERT_TRUE(Spin([&] { return step != 0; }));
    other.join();
    ASSERT_EQ(step, 1);
    EXPECT_EQ(ranOn, QThread::currentThread());
    ASSERT_TRUE(Spin([&] { return server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();
    ASSERT_NE(peer, nullptr);
    Exchange(socket, *peer, rec, 300);
    ASSERT_FALSE(rec.threads.empty());
    for (QThread* thread : rec.threads)
        EXPECT_EQ(thread, QThread::currentThread());
    socket.SetEvents(nullptr);
}

} // namespace
