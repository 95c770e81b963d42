// The programs' TCP transport under a unit that sends faster than the program reads: the socket
// holds a bounded amount unread, one turn of the event loop hands a bounded slice to the link,
// and every byte still arrives, in order; bytes waiting unread are handed over on request.
#include "unitlink/NetSocket.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <vector>

namespace {

struct Recorder : unitlink::ILinkTransportEvents {
    void OnReceive(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        turnBytes += size;
    }
    void OnReceiveError() override { ++errors; }
    void OnPeerClosed() override {}
    std::vector<std::uint8_t> bytes;
    std::size_t turnBytes = 0;
    int errors = 0;
};

template <class F> bool Spin(F done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace

TEST(NetSocketTest, AFastPeerIsReadInBoundedSlicesAndNothingIsLost) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    unitlink::CNetSocket socket;
    Recorder rec;
    socket.SetEvents(&rec);
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.Connect("127.0.0.1", server.serverPort()));
    ASSERT_TRUE(Spin([&] { return server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();
    // 4 MB at once, far more than the socket may hold unread.
    QByteArray sent(4 << 20, '\0');
    for (int i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>(i * 7 + i / 251);
    peer->write(sent);
    std::size_t largestTurn = 0;
    QElapsedTimer t;
    t.start();
    while (rec.bytes.size() < static_cast<std::size_t>(sent.size()) && t.elapsed() < 20000) {
        rec.turnBytes = 0;
        // One event at a time: what one readyRead (or its continuation) hands over.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        largestTurn = std::max(largestTurn, rec.turnBytes);
    }
    ASSERT_EQ(rec.bytes.size(), static_cast<std::size_t>(sent.size()));
    EXPECT_TRUE(
        std::equal(rec.bytes.begin(), rec.bytes.end(), reinterpret_cast<const std::uint8_t*>(sent.data())));
    EXPECT_GT(largestTurn, 0u);
    // A turn may run a readyRead and a continuation; each hands at most a slice.
    EXPECT_LE(largestTurn, static_cast<std::size_t>(
                               2 * (unitlink::CNetSocket::kReadSlice + unitlink::CNetSocket::kReadSize)));
    EXPECT_EQ(rec.errors, 0);

    // Bytes that came while the thread was busy are handed over on request, without the event loop.
    rec.bytes.clear();
    peer->write("late bytes");
    peer->flush(); // written to the system at once: the peer's loop does not run meanwhile
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200) {
    }
    socket.ReadPending();
    EXPECT_EQ(std::string(rec.bytes.begin(), rec.bytes.end()), "late bytes");
    socket.SetEvents(nullptr);
}
