// The programs' TCP transport under a unit that sends faster than the program reads: the socket
// holds a bounded amount unread, one turn of the event loop hands a bounded slice to the link,
// and every byte still arrives, in order; bytes waiting unread are handed over on request, and a
// quiet link is no error. Direct sends that the system takes in part or refuses (through the
// socket's fault seam). A unit that closes or resets the connection is reported once, and a send
// through Qt's buffer that the system refuses fails.
#include "unitlink/NetSocket.h"
#include "unitlink/SocketFaults.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <sys/socket.h>
#include <vector>

namespace {

struct Recorder : unitlink::ILinkTransportEvents {
    void OnReceive(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        turnBytes += size;
    }
    void OnReceiveError() override { ++errors; }
    void OnPeerClosed() override { ++closes; }
    std::vector<std::uint8_t> bytes;
    int closes = 0;
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

// A transport connected to a peer socket on 127.0.0.1.
struct Connected {
    explicit Connected(bool direct) {
        EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        socket.SetEvents(&rec);
        socket.SetDirect(direct);
        EXPECT_TRUE(socket.Create());
        EXPECT_TRUE(socket.Connect("127.0.0.1", server.serverPort()));
        EXPECT_TRUE(Spin([&] { return server.hasPendingConnections(); }));
        peer = server.nextPendingConnection();
    }
    ~Connected() { socket.SetEvents(nullptr); }
    // What the peer has received once `count` bytes are there (or 10 s passed).
    QByteArray PeerReads(qint64 count) {
        Spin([&] { return got.size() >= count; });
        return got;
    }
    QTcpServer server;
    unitlink::CNetSocket socket;
    Recorder rec;
    QTcpSocket* peer = nullptr;
    QByteArray got;

private:
    template <class F> bool Spin(F done) {
        return ::Spin([&] {
            if (peer)
                got += peer->readAll();
            return done();
        });
    }
};

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 13);
    return b;
}

} // namespace

TEST(NetSocketTest, AZeroWaitReadOfAQuietLinkIsNoErrorButAFailedReadIs) {
    Connected c(false);
    ASSERT_NE(c.peer, nullptr);
    // Nothing to read: the silence watch's look at the socket finds nothing and reports nothing.
    for (int i = 0; i < 3; ++i)
        c.socket.ReadPending();
    QCoreApplication::processEvents();
    EXPECT_EQ(c.rec.errors, 0);
    EXPECT_TRUE(c.rec.bytes.empty());

    // A read the system fails is a receive error, told once; the bytes are read on the next turn.
    {
        unitlink::CSocketFaults faults;
        faults.FailNth(unitlink::SocketStep::Receive, 1, ECONNRESET);
        c.peer->write("abc");
        c.peer->flush();
        ASSERT_TRUE(Spin([&] { return faults.Failed(unitlink::SocketStep::Receive) == 1; }));
        EXPECT_EQ(c.rec.errors, 1);
        c.socket.ReadPending();
    }
    EXPECT_EQ(std::string(c.rec.bytes.begin(), c.rec.bytes.end()), "abc");
    EXPECT_EQ(c.rec.errors, 1);
}

TEST(NetSocketTest, DirectSendsThatTheSystemTakesInPartOrRefuses) {
    struct Case {
        const char* what;
        int limitFrom; // sends from this one on take at most `limit` bytes (0: none)
        std::size_t limit;
        int failNth; // this send fails with err (0: none)
        int err;
        bool sent; // what Send answers
    };
    const Case cases[] = {
        {"taken 7 bytes at a time", 1, 7, 0, 0, true},
        {"part taken, then the system's buffer is full", 1, 7, 2, EAGAIN, true},
        {"the unit closed the connection", 0, 0, 1, EPIPE, false},
        {"the unit reset the connection", 0, 0, 1, ECONNRESET, false},
        {"part taken, then the connection is reset", 1, 5, 3, ECONNRESET, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Connected c(true);
        ASSERT_NE(c.peer, nullptr);
        const auto frame = Pattern(100, 1);
        const auto next = Pattern(60, 77);
        std::size_t headSent = 0;
        {
            unitlink::CSocketFaults faults;
            if (k.limitFrom)
                faults.LimitSendsFrom(k.limitFrom, k.limit);
            if (k.failNth)
                faults.FailNth(unitlink::SocketStep::Send, k.failNth, k.err);
            EXPECT_EQ(c.socket.Send(frame.data(), frame.size()), k.sent);
            EXPECT_EQ(faults.Failed(unitlink::SocketStep::Send), k.failNth ? 1 : 0);
            if (k.limitFrom) {
                EXPECT_GT(faults.Limited(), 0);
            }
            if (!k.sent && k.failNth > 1)
                headSent = static_cast<std::size_t>(k.failNth - 1) * k.limit;
        }
        // The next frame goes out whole behind what the system took of the first: a refused frame
        // is not queued as if sent, and a frame taken in parts is sent on from where it stopped.
        EXPECT_TRUE(c.socket.Send(next.data(), next.size()));
        QByteArray expected;
        expected.append(reinterpret_cast<const char*>(frame.data()),
                        static_cast<qsizetype>(k.sent ? frame.size() : headSent));
        expected.append(reinterpret_cast<const char*>(next.data()), static_cast<qsizetype>(next.size()));
        EXPECT_EQ(c.PeerReads(expected.size()), expected);
        EXPECT_EQ(c.rec.errors, 0);
    }
}

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

TEST(NetSocketTest, AUnitThatClosesOrResetsIsReportedOnceAndARefusedSendFails) {
    struct Case {
        const char* what;
        bool direct;
        bool reset; // the unit's end goes with SO_LINGER 0: a reset instead of a close
    };
    const Case cases[] = {
        {"buffered, the unit closes", false, false},
        {"buffered, the unit resets", false, true},
        {"direct, the unit closes", true, false},
        {"direct, the unit resets", true, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Connected c(k.direct);
        ASSERT_NE(c.peer, nullptr);
        // A send the system refuses fails, whichever way the bytes go, and the next one goes out.
        const auto frame = Pattern(40, 3);
        {
            unitlink::CSocketFaults faults;
            faults.FailNth(unitlink::SocketStep::Send, 1, k.reset ? ECONNRESET : EPIPE);
            EXPECT_FALSE(c.socket.Send(frame.data(), frame.size()));
            EXPECT_EQ(faults.Failed(unitlink::SocketStep::Send), 1);
        }
        EXPECT_TRUE(c.socket.Send(frame.data(), frame.size()));
        EXPECT_EQ(c.PeerReads(40).size(), 40);
        EXPECT_EQ(c.rec.closes, 0);

        if (k.reset) {
            const linger hard{1, 0};
            ASSERT_EQ(::setsockopt(static_cast<int>(c.peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                                   sizeof hard),
                      0);
            c.peer->abort();
        } else {
            c.peer->disconnectFromHost();
        }
        ASSERT_TRUE(Spin([&] { return c.rec.closes > 0; }));
        // Sends on the dead connection fail and report no second end.
        for (int i = 0; i < 3; ++i)
            c.socket.Send(frame.data(), frame.size());
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_EQ(c.rec.closes, 1);
        EXPECT_EQ(c.rec.errors, 0);
    }
}

TEST(NetSocketTest, ADirectSocketReadsIntoTheLinksOwnBufferWhereItOffersOne) {
    // A link that offers room for 50 bytes at a time, and none while `offer` is off.
    struct InPlace : Recorder {
        std::uint8_t* ReceiveSpace(std::size_t& room) override {
            room = offer ? space.size() : 0;
            return offer ? space.data() : nullptr;
        }
        void OnReceivedInPlace(std::size_t size) override {
            inPlace.insert(inPlace.end(), space.begin(), space.begin() + static_cast<std::ptrdiff_t>(size));
        }
        bool offer = true;
        std::vector<std::uint8_t> space = std::vector<std::uint8_t>(50);
        std::vector<std::uint8_t> inPlace;
    };
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    unitlink::CNetSocket socket;
    InPlace rec;
    socket.SetEvents(&rec);
    socket.SetDirect(true);
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.Connect("127.0.0.1", server.serverPort()));
    ASSERT_TRUE(Spin([&] { return server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();
    const auto bytes = Pattern(1000, 9);
    peer->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    peer->flush();
    ASSERT_TRUE(Spin([&] { return rec.inPlace.size() >= bytes.size(); }));
    EXPECT_EQ(rec.inPlace, bytes);
    EXPECT_TRUE(rec.bytes.empty());

    // Without an offer the bytes come through the transport's buffer.
    rec.offer = false;
    peer->write("tail");
    peer->flush();
    ASSERT_TRUE(Spin([&] { return rec.bytes.size() >= 4; }));
    EXPECT_EQ(std::string(rec.bytes.begin(), rec.bytes.end()), "tail");
    EXPECT_EQ(rec.inPlace.size(), bytes.size());
    EXPECT_EQ(rec.errors, 0);
    socket.SetEvents(nullptr);
}

TEST(NetSocketTest, ADirectSocketReadsWhatCameWhileTheLinkHandledTheBytesBeforeInTheSameTurn) {
    // A unit that answers at once: while the link handles the first bytes (and answers them), the
    // next ones arrive, and the same read hands them over, in order, without another turn.
    struct Answering : Recorder {
        void OnReceive(const std::uint8_t* data, std::size_t size) override {
            Recorder::OnReceive(data, size);
            ++calls;
            if (calls == 1 && peer) {
                peer->write("second");
                peer->flush(); // into the socket's queue before the write returns (loopback)
            }
        }
        QTcpSocket* peer = nullptr;
        int calls = 0;
    };
    Connected c(true);
    ASSERT_NE(c.peer, nullptr);
    Answering rec;
    rec.peer = c.peer;
    c.socket.SetEvents(&rec);
    c.peer->write("first");
    c.peer->flush();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200) {
    }
    c.socket.ReadPending();
    EXPECT_EQ(std::string(rec.bytes.begin(), rec.bytes.end()), "firstsecond");
    EXPECT_EQ(rec.calls, 2);
    EXPECT_EQ(rec.errors, 0);
    c.socket.SetEvents(nullptr);
}
