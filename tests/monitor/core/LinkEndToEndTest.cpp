// The monitor link with its TCP transport against a scripted unit on 127.0.0.1: login, port
// information and the first requests, as they go over a real socket.
#include "MonitorTestSupport.h"

#include "configtool/link/LinkFrame.h"
#include "configtool/link/NetSocket.h"
#include "tests/support/PromptRecorder.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

using namespace marindle;
using namespace montest;

namespace {

// The unit's side: accepts one connection and cuts what it receives into frames.
class ScriptedUnit {
public:
    ScriptedUnit() { EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0)); }
    int Port() const { return server_.serverPort(); }

    // Waits (events running) until cond holds or 5 s passed.
    template <class F> bool WaitFor(F cond) {
        QElapsedTimer t;
        t.start();
        while (!cond() && t.elapsed() < 5000) {
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
    // Frames received so far.
    std::vector<Bytes> frames;

private:
    void Pump() {
        if (!socket_ && server_.hasPendingConnections())
            socket_ = server_.nextPendingConnection();
        if (!socket_)
            return;
        const QByteArray got = socket_->readAll();
        buffer_.insert(buffer_.end(), got.begin(), got.end());
        while (buffer_.size() >= 28) {
            const std::size_t total = U32(buffer_, 2) + 8;
            if (buffer_.size() < total)
                break;
            frames.emplace_back(buffer_.begin(), buffer_.begin() + static_cast<long>(total));
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(total));
        }
    }
    QTcpServer server_;
    QTcpSocket* socket_ = nullptr;
    Bytes buffer_;
};

} // namespace

TEST(LinkEndToEndTest, LoginAndStartUpOverTcp) {
    testsupport::PromptRecorder prompt;
    ScriptedUnit unit;
    RecordingWindows windows;
    RecordingHost host;
    CDevModel model;
    // NetSocket.h also names the configuration tool's link, so the monitor's is named in full.
    marindle::CDeviceLink monitorLink(std::make_unique<CNetSocket>(), &host, &windows);
    CMessageDispatcher dispatcher(monitorLink, model, windows, host);
    monitorLink.SetDispatcher(&dispatcher);
    monitorLink.SetAddress("127.0.0.1", unit.Port());
    ASSERT_EQ(monitorLink.Connect(), 1);

    unit.Send(Dsdu({14, 0xA1, 0xB2, 0xC3, 0xD4}));
    ASSERT_TRUE(unit.WaitFor([&] { return unit.frames.size() >= 1; }));
    const std::uint8_t challenge[4] = {0xA1, 0xB2, 0xC3, 0xD4};
    EXPECT_EQ(U32(unit.frames[0], 29),
              linkframe::ComputeChallengeAnswer(challenge, linkframe::kDeviceLoginKey));

    unit.Send(Dsdu({15, 1}));
    ASSERT_TRUE(unit.WaitFor([&] { return unit.frames.size() >= 2; }));
    EXPECT_EQ(BodyOf(unit.frames[1]), (Bytes{17}));

    // Port information split over two writes.
    const Bytes info = Dsdu(Cat({17}, SamplePortInfo()));
    unit.Send(Bytes(info.begin(), info.begin() + 30));
    unit.Spin(100); // the first part arrives alone
    unit.Send(Bytes(info.begin() + 30, info.end()));
    ASSERT_TRUE(unit.WaitFor([&] { return unit.frames.size() >= 6; }));
    EXPECT_EQ(unit.frames[2].size(), 28u); // heartbeat
    EXPECT_EQ(BodyOf(unit.frames[3]), (Bytes{25, 0}));
    EXPECT_EQ(BodyOf(unit.frames[4]), (Bytes{26, 0}));
    EXPECT_EQ(BodyOf(unit.frames[5]), (Bytes{29}));
    for (std::size_t i = 0; i < unit.frames.size(); ++i)
        EXPECT_EQ(U16(unit.frames[i], 16), i); // sequence numbers from 0
    EXPECT_EQ(model.Ports().size(), 2u);
    EXPECT_TRUE(monitorLink.Timers().IsRunning(marindle::CDeviceLink::kKeepAliveTimer));
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_EQ(monitorLink.Disconnect(), 1);
}
