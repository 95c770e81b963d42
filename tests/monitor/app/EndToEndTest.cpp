// The program against a scripted unit on 127.0.0.1 over a real socket: login and port
// information fill the trees, a console line goes out and its answer comes back, and the main
// frame-trace window logs the frames.
#include "AppTestRig.h"

#include "configtool/link/NetSocket.h"
#include "monitor/app/CmdForm.h"
#include "monitor/app/OverallView.h"
#include "monitor/app/TextMonitorForm.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace marindle;
using namespace montest;

namespace {

// The unit's side: accepts one connection and cuts what it receives into frames.
class Unit {
public:
    Unit() { EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0)); }
    int Port() const { return server_.serverPort(); }
    template <class F> bool WaitFor(F cond) {
        QElapsedTimer t;
        t.start();
        while (!cond() && t.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            Pump();
        }
        return cond();
    }
    void Send(const Bytes& frame) {
        ASSERT_TRUE(WaitFor([this] { return socket_ != nullptr; }));
        socket_->write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
        socket_->flush();
    }
    // Bodies of the frames received so far.
    std::vector<Bytes> bodies;

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
            bodies.emplace_back(buffer_.begin() + 28, buffer_.begin() + static_cast<long>(total));
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(total));
        }
    }
    QTcpServer server_;
    QTcpSocket* socket_ = nullptr;
    Bytes buffer_;
};

} // namespace

TEST(EndToEndTest, LoginConsoleAndFrameTraceOverTcp) {
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    Unit unit;
    CMarindleApp app(dir.Path(), std::make_unique<CNetSocket>());
    ASSERT_TRUE(app.InitInstance("4321", false));
    EXPECT_EQ(app.link.LoginKey(), 4321);
    app.link.SetAddress("127.0.0.1", unit.Port());
    ASSERT_EQ(app.OnConnect(), 1);
    app.OnMainTrace();

    unit.Send(Dsdu({14, 1, 2, 3, 4}));
    ASSERT_TRUE(unit.WaitFor([&] { return !unit.bodies.empty(); }));
    EXPECT_EQ(unit.bodies[0][0], 14);
    unit.Send(Dsdu({15, 1}));
    unit.Send(Dsdu(Cat({17}, SamplePortInfo())));
    ASSERT_TRUE(unit.WaitFor([&] { return app.model.Ports().size() == 2; }));
    COverallView* tree = app.Frame()->TreeView(1);
    ASSERT_TRUE(unit.WaitFor([&] { return tree->topLevelItem(0)->childCount() == 6; }));

    auto* console = dynamic_cast<CCmdForm*>(app.windows.OpenCommand());
    ASSERT_NE(console, nullptr);
    QTest::keyClicks(console->Edit(), "ver");
    QTest::keyClick(console->Edit(), Qt::Key_Return);
    ASSERT_TRUE(unit.WaitFor([&] {
        return !unit.bodies.empty() && unit.bodies.back() == (Bytes{3, 'v', 'e', 'r'});
    }));
    unit.Send(Dsdu(Cat({3}, Text("V2.04 正常"))));
    ASSERT_TRUE(unit.WaitFor(
        [&] { return console->Edit()->toPlainText().contains(QString::fromUtf8("V2.04 正常")); }));

    auto* trace = dynamic_cast<CTraceForm*>(app.windows.FindTrace(1, 0, 0));
    ASSERT_NE(trace, nullptr);
    ASSERT_TRUE(unit.WaitFor([&] { return trace->PlainText().find("字符串命令") != std::string::npos; }));
    EXPECT_TRUE(prompts.Texts().empty());
    app.OnDisconnect();
    EXPECT_FALSE(app.IsConnected());
}
