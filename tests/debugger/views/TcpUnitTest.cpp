// The whole program with its real link over TCP against a unit scripted here on 127.0.0.1: login,
// port information, the upload of a file with a dotted name through the real save dialog, a
// unit that goes quiet and is connected again, a unit that closes or resets the connection or
// refuses a send, and the fake unit a newcomer starts by hand.
#include "debugger/core/DeviceRequests.h"
#include "debugger/views/FileDialogs.h"
#include "debugger/views/MainFrame.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/QuorvexApp.h"

#include "tests/debugger/core/QuorvexTestSupport.h"
#include "tests/support/FakeUnit.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"
#include "unitlink/DeferredSocket.h"
#include "unitlink/FrameLayout.h"
#include "unitlink/LinkTexts.h"
#include "unitlink/NetSocket.h"
#include "unitlink/SocketFaults.h"

#include "platform/ui/WidgetPrompt.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <sys/socket.h>

using namespace quorvex;
using qtest::Bytes;

namespace {

constexpr std::uint16_t kKey = 30517;

// A unit on a free port of 127.0.0.1: it sends its challenge when the tool connects, checks the
// answer, reports one board, and serves one file for upload in blocks of blockSize bytes.
class TcpUnit {
public:
    TcpUnit(Bytes file, std::size_t blockSize) : file_(std::move(file)), blockSize_(blockSize) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            socket_ = server_.nextPendingConnection();
            ++connections;
            buffer_.clear();
            QObject::connect(socket_, &QTcpSocket::readyRead, [this] { Read(); });
            Send({14, 1, 2, 3, 4});
        });
    }
    int Port() const { return server_.serverPort(); }
    // The unit's end of the connection goes: closed, or reset (SO_LINGER 0).
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

    int connections = 0;
    std::vector<Bytes> received; // bodies of the tool's frames
    std::string uploadName;
    int acknowledgements = 0;
    bool closed = false;

private:
    void Send(const Bytes& body) {
        const Bytes f = qtest::UnitFrame(1, body);
        socket_->write(reinterpret_cast<const char*>(f.data()), static_cast<qint64>(f.size()));
    }
    void SendBlock() {
        const std::size_t at = next_ * blockSize_;
        const std::size_t n = std::min(blockSize_, file_.size() - at);
        const bool more = at + n < file_.size();
        Bytes b = {6, 0x44, 0x33, 0x22, 0x11, static_cast<std::uint8_t>(more ? 1 : 0)};
        qtest::Le(b, next_, 2);
        b.insert(b.end(), file_.begin() + static_cast<std::ptrdiff_t>(at),
                 file_.begin() + static_cast<std::ptrdiff_t>(at + n));
        Send(b);
        ++next_;
    }
    void Read() {
        const QByteArray bytes = socket_->readAll();
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        while (buffer_.size() >= unitlink::kHeaderSize) {
            const std::size_t total = unitlink::GetU32(buffer_.data() + 2) + 8;
            if (buffer_.size() < total)
                return;
            const Bytes body(buffer_.begin() + 28, buffer_.begin() + static_cast<std::ptrdiff_t>(total));
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(total));
            if (!body.empty())
                Answer(body);
        }
    }
    void Answer(const Bytes& body) {
        received.push_back(body);
        switch (body[0]) {
        case 14: {
            const std::uint8_t challenge[4] = {1, 2, 3, 4};
            const bool right =
                unitlink::GetU32(body.data() + 1) == unitlink::ComputeChallengeAnswer(challenge, kKey);
            Send({15, static_cast<std::uint8_t>(right ? 1 : 0)});
            break;
        }
        case 17:
            Send({17, 1, 0, 0, 1, 0, 'N', 'e', 't', 0, 0, 0, 0, 0, 0, 0, 1, 5, 0, 0});
            break;
        case 4: {
            uploadName.assign(body.begin() + 6, body.end() - 1);
            Bytes a = {4, 1};
            qtest::Le(a, static_cast<std::uint32_t>(file_.size()), 4);
            qtest::Le(a, 0x11223344, 4);
            Send(a);
            break;
        }
        case 5:
            next_ = 0;
            SendBlock();
            break;
        case 6:
            ++acknowledgements;
            if (next_ * blockSize_ < file_.size())
                SendBlock();
            break;
        case 7:
            closed = true;
            break;
        default:
            break;
        }
    }

    QTcpServer server_;
    QTcpSocket* socket_ = nullptr;
    Bytes buffer_;
    Bytes file_;
    std::size_t blockSize_;
    std::uint16_t next_ = 0;
};

// Runs the event loop until done() holds or 10 s have passed.
bool WaitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace

namespace {

// Login, then the upload of a file with a dotted name through the real save dialog, on the
// transport `makeTransport` makes.
void UploadADottedFileThroughTheRealSaveDialog(const CQuorvexApp::TransportFactory& makeTransport) {
    testsupport::PromptRecorder prompts;
    testsupport::TempDir dir;
    Bytes file(25000);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i * 31 + 7);
    TcpUnit unit(file, 10000);
    ASSERT_NE(unit.Port(), 0);
    const std::filesystem::path bin = dir.Path() / "Bin";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(dir.Path() / "Tmp");

    CQuorvexApp app(makeTransport, bin);
    ASSERT_TRUE(app.InitInstance("系统管理员", "", true));
    app.Link()->SetAddress("127.0.0.1", unit.Port());
    app.OnConnect();
    ASSERT_TRUE(WaitFor([&] { return app.Data().m_boards.GetSize() == 1; }));
    EXPECT_TRUE(app.IsConnected());

    QString proposed, filter;
    bool savedAsked = false;
    platform::SetDialogRunner([&](QDialog& d) {
        if (auto* up = dynamic_cast<CUploadFileDlg*>(&d)) {
            up->m_edit->setText("/etc/big.cfg");
            up->accept();
            return up->result();
        }
        auto& save = dynamic_cast<QFileDialog&>(d);
        savedAsked = true;
        save.show();
        QCoreApplication::processEvents();
        filter = save.selectedNameFilter();
        if (auto* name = save.findChild<QLineEdit*>("fileNameEdit"))
            proposed = name->text();
        static_cast<QDialog&>(save).accept();
        return save.result();
    });
    app.OnUploadFile();
    ASSERT_TRUE(WaitFor([&] { return savedAsked; }));
    platform::SetDialogRunner({});

    EXPECT_EQ(unit.uploadName, "/etc/big.cfg");
    EXPECT_EQ(unit.acknowledgements, 3);
    EXPECT_TRUE(WaitFor([&] { return unit.closed; }));
    EXPECT_EQ(filter, QString("所有文件 (*)"));
    EXPECT_EQ(proposed, QString("big.cfg"));
    const std::filesystem::path saved = dir.Path() / "Tmp" / "big.cfg";
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(testsupport::ReadBytes(saved), std::string(file.begin(), file.end()));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Tmp" / "big.*"));
    EXPECT_TRUE(prompts.Texts().empty());
    app.ExitInstance();
}

} // namespace

TEST(TcpUnit, UploadOfADottedFileThroughTheRealSaveDialog) {
    UploadADottedFileThroughTheRealSaveDialog([] { return std::make_unique<unitlink::CNetSocket>(); });
}

// The program's own transport: the socket and Qt Network loaded when the link first makes a socket.
TEST(TcpUnit, TheProgramsDeferredSocketLogsInAndUploadsAsTheLinkedOne) {
    UploadADottedFileThroughTheRealSaveDialog([] { return std::make_unique<unitlink::CDeferredSocket>(); });
}

TEST(TcpUnit, AQuietUnitIsConnectedAgainWithoutAFalseErrorAndNoBoxOpensInsideTheConnect) {
    testsupport::PromptRecorder prompts;
    testsupport::TempDir dir;
    TcpUnit unit({}, 1000);
    ASSERT_NE(unit.Port(), 0);
    const std::filesystem::path bin = dir.Path() / "Bin";
    std::filesystem::create_directories(bin);
    CQuorvexApp app([] { return std::make_unique<unitlink::CNetSocket>(); }, bin);
    ASSERT_TRUE(app.InitInstance("系统管理员", "", true));
    app.Link()->SetAddress("127.0.0.1", unit.Port());
    app.OnConnect();
    ASSERT_TRUE(WaitFor([&] { return app.Data().m_boards.GetSize() == 1; }));
    QCoreApplication::processEvents();

    // The unit has gone quiet. A box posted before the supervision gives the link up opens only
    // once the new connection has been made, not inside the attempt (whose notice runs the loop).
    bool ran = false;
    bool connectedWhenRun = false;
    static_cast<IQuorvexShell&>(app).Later([&] {
        ran = true;
        connectedWhenRun = app.IsConnected();
    });
    app.Link()->OnTimer(kTimerSupervision);
    EXPECT_TRUE(app.IsConnected());
    ASSERT_TRUE(WaitFor([&] { return ran; }));
    EXPECT_TRUE(connectedWhenRun);
    // The unit sees a second connection and the login runs again; the quiet link's look at the
    // socket found nothing, which is no receive error.
    ASSERT_TRUE(WaitFor([&] { return unit.connections == 2 && app.Data().m_boards.GetSize() == 1; }));
    EXPECT_TRUE(prompts.Texts().empty());
    app.ExitInstance();
}

// The fake unit a newcomer starts by hand serves the whole program: it logs in, takes the port
// information (one board, serial port "COM1" with device 1), shows the unit's debug texts in the
// debug window, reads the device's entries and stays connected, without a box.
TEST(TcpUnit, TheFakeUnitServesLoginPortInformationDebugTextsAndTheDeviceStructure) {
    testsupport::PromptRecorder prompts;
    testsupport::TempDir dir;
    testsupport::FakeUnit unit(dir.Path());
    ASSERT_NE(unit.port, 0);
    const std::filesystem::path bin = dir.Path() / "Bin";
    std::filesystem::create_directories(bin);

    CQuorvexApp app([] { return std::make_unique<unitlink::CNetSocket>(); }, bin);
    ASSERT_TRUE(app.InitInstance("系统管理员", "", true));
    app.Link()->SetAddress("127.0.0.1", unit.port);
    app.OnConnect();
    ASSERT_TRUE(WaitFor([&] { return app.Data().m_boards.GetSize() == 1; })) << unit.Log();
    const CUnitBoard& board = app.Data().m_boards[0];
    ASSERT_EQ(board.m_serialPorts.GetSize(), 1);
    EXPECT_EQ(board.m_serialPorts[0].m_name, "COM1");
    EXPECT_EQ(board.m_serialPorts[0].m_deviceCount, 1);
    EXPECT_EQ(board.m_netPorts.GetSize(), 0);

    COutputView* debug = app.OpenDebugWindow();
    ASSERT_NE(debug, nullptr);
    EXPECT_TRUE(WaitFor([&] { return debug->toPlainText().contains(QString("模拟装置调试信息")); }))
        << unit.Log();
    // Device 1's structure, as a data sheet asks for it: the group headings, then the entries.
    ASSERT_EQ(app.Link()->SendMessage(requests::GroupHeadings(0, 1)), 1);
    ASSERT_TRUE(WaitFor([&] { return app.Data().m_entries.size() == 2; })) << unit.Log();
    EXPECT_EQ(app.Data().m_entries[0].m_name, "Ua");
    EXPECT_EQ(app.Data().m_entries[1].m_name, "Ub");
    EXPECT_TRUE(app.IsConnected());
    EXPECT_TRUE(prompts.Texts().empty()) << (prompts.Texts().empty() ? "" : prompts.Texts().front());
    EXPECT_EQ(unit.Log().find("PROTOCOL"), std::string::npos) << unit.Log();
    app.ExitInstance();
}

// A unit process that is killed: its end of the connection closes or resets and nobody listens
// any more. The program notices at once, not after the supervision's 30 s: the link goes down, the
// status bar says so, the supervision's reconnect runs and asks whether to try again (No here),
// and the program stays down without a word of a failed send.
TEST(TcpUnit, AUnitThatIsKilledIsNoticedAtOnceAndTheReconnectAsks) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "the unit resets" : "the unit closes");
        testsupport::PromptRecorder prompts;
        prompts.SetDefaultAnswer(platform::Answer::No);
        testsupport::TempDir dir;
        TcpUnit unit({}, 1000);
        ASSERT_NE(unit.Port(), 0);
        const std::filesystem::path bin = dir.Path() / "Bin";
        std::filesystem::create_directories(bin);
        CQuorvexApp app([] { return std::make_unique<unitlink::CNetSocket>(); }, bin);
        ASSERT_TRUE(app.InitInstance("系统管理员", "", true));
        app.Link()->SetAddress("127.0.0.1", unit.Port());
        app.OnConnect();
        ASSERT_TRUE(WaitFor([&] { return app.Data().m_boards.GetSize() == 1; }));
        COutputView* debug = app.OpenDebugWindow();
        ASSERT_NE(debug, nullptr);
        EXPECT_EQ(app.MainFrame()->LinkStatus(), unitlink::text::kLinkUp);

        unit.StopListening();
        unit.Hangup(reset);
        ASSERT_TRUE(WaitFor([&] { return !app.IsConnected() && prompts.Count() > 0; }));
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"连接TCP/IP通讯装置失败!\n重试吗?"});
        EXPECT_EQ(app.MainFrame()->LinkStatus(), unitlink::text::kLinkDown);
        // The heartbeat of the dead link sends nothing and says nothing.
        app.Link()->SendPoll();
        EXPECT_FALSE(debug->toPlainText().contains(QString("D发送数据出错")));
        EXPECT_EQ(unit.connections, 1);
        app.ExitInstance();
    }
}

// Sends that the system refuses (the unit reset the connection under them): the first is said
// once in the debug window, the others go nowhere, and the link is connected again and logs in.
TEST(TcpUnit, ARefusedSendIsSaidOnceAndTheLinkIsConnectedAgain) {
    testsupport::PromptRecorder prompts;
    testsupport::TempDir dir;
    TcpUnit unit({}, 1000);
    ASSERT_NE(unit.Port(), 0);
    const std::filesystem::path bin = dir.Path() / "Bin";
    std::filesystem::create_directories(bin);
    CQuorvexApp app([] { return std::make_unique<unitlink::CNetSocket>(); }, bin);
    ASSERT_TRUE(app.InitInstance("系统管理员", "", true));
    app.Link()->SetAddress("127.0.0.1", unit.Port());
    app.OnConnect();
    ASSERT_TRUE(WaitFor([&] { return app.Data().m_boards.GetSize() == 1; }));
    COutputView* debug = app.OpenDebugWindow();
    ASSERT_NE(debug, nullptr);
    {
        unitlink::CSocketFaults faults;
        faults.FailFrom(unitlink::SocketStep::Send, 1, ECONNRESET);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(app.Link()->SendMessage(requests::Heartbeat()), 0);
        EXPECT_EQ(faults.Calls(unitlink::SocketStep::Send), 1);
    }
    ASSERT_TRUE(WaitFor([&] { return unit.connections == 2 && app.Data().m_boards.GetSize() == 1; }));
    EXPECT_TRUE(app.IsConnected());
    EXPECT_EQ(app.MainFrame()->LinkStatus(), unitlink::text::kLinkUp);
    // The window takes its lines on its own tick: wait for the line, then give a second one time.
    EXPECT_TRUE(WaitFor([&] { return debug->toPlainText().contains(QString("D发送数据出错")); }));
    QDeadlineTimer settle(300);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(debug->toPlainText().count(QString("D发送数据出错")), 1);
    EXPECT_TRUE(prompts.Texts().empty()) << (prompts.Texts().empty() ? "" : prompts.Texts().front());
    app.ExitInstance();
}
