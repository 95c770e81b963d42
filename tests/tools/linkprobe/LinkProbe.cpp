// linkprobe HOST PORT download LOCAL REMOTE [BOARD] | upload REMOTE LOCAL | restart BOARD
//
// Connects the configuration tool's device link (with its TCP transport) to a unit, runs one
// operation from a worker thread the way the tool's worker does, prints every monitor line with
// its colour on standard output, and exits 0 only when the operation succeeded. A successful
// transfer ends with a "[probe]" line giving its size, time and throughput.
#include "configtool/link/DeviceLink.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <QCoreApplication>
#include <QMetaObject>
#include <string>
#include <thread>

using namespace qxm7740;

namespace {

const char* ColourName(LinkColour c) {
    switch (c) {
    case LinkColour::Sent:
        return "sent";
    case LinkColour::Received:
        return "received";
    default:
        return "error";
    }
}

class ProbeReport : public ILinkReport {
public:
    void OpenWait(int, const std::string&) override {}
    void CloseWait() override {}
    void Progress(int, std::uint32_t) override { ++progressCalls; }
    void WaitText(const std::string&) override {}
    void MonitorText(LinkColour colour, const std::string& text) override {
        std::lock_guard lock(mutex_);
        std::printf("[%s] %s\n", ColourName(colour), text.c_str());
    }
    void MonitorBytes(LinkColour colour, const std::uint8_t* data, std::size_t size) override {
        const std::string dump = platform::HexDump(data, size);
        std::lock_guard lock(mutex_);
        std::size_t from = 0;
        while (from < dump.size()) {
            std::size_t to = dump.find('\n', from);
            if (to == std::string::npos)
                to = dump.size();
            std::printf("[%s] %.*s\n", ColourName(colour), static_cast<int>(to - from), dump.c_str() + from);
            from = to + 1;
        }
    }

    std::atomic<unsigned> progressCalls{0};

private:
    std::mutex mutex_;
};

// Message boxes are printed; a question about retrying a connection is answered No.
class ProbePrompt : public platform::IPrompt {
public:
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons buttons) override {
        std::printf("[box] %s\n", text.c_str());
        std::fflush(stdout);
        if (buttons == platform::Buttons::YesNo || buttons == platform::Buttons::YesNoCancel)
            return platform::Answer::No;
        return buttons == platform::Buttons::RetryCancel ? platform::Answer::Cancel : platform::Answer::Ok;
    }
};

int Usage() {
    std::fprintf(stderr, "usage: linkprobe HOST PORT download LOCAL REMOTE [BOARD] | upload REMOTE LOCAL | "
                         "restart BOARD\n");
    return 2;
}

bool ParseByte(const std::string& s, std::uint8_t& out) {
    if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int v = platform::AtoI(s);
    if (v > 255)
        return false;
    out = static_cast<std::uint8_t>(v);
    return true;
}

// Waits until the unit has confirmed the password, at most about 5 seconds.
void WaitForPassword(const CDeviceLink& link) {
    for (int i = 0; i < 50 && link.PasswordState() != CDeviceLink::kPasswordVerified && link.IsConnected();
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// Waits while the transfer's local file is open; gives up when nothing moves for 15 seconds.
bool WaitForTransfer(const CDeviceLink& link, const ProbeReport& report) {
    auto lastMove = std::chrono::steady_clock::now();
    unsigned seen = report.progressCalls;
    while (link.IsTransferOpen()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (report.progressCalls != seen) {
            seen = report.progressCalls;
            lastMove = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - lastMove > std::chrono::seconds(15)) {
            std::printf("[probe] the unit stopped answering\n");
            return false;
        }
    }
    return link.TransferOk() == 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 5)
        return Usage();
    const std::string host = argv[1], op = argv[3];
    const std::string portText = argv[2];
    if (portText.empty() || portText.find_first_not_of("0123456789") != std::string::npos ||
        portText.size() > 5)
        return Usage();
    const int port = platform::AtoI(portText);
    std::uint8_t board = 0;
    std::string local, remote;
    if (op == "download" && (argc == 6 || argc == 7)) {
        local = argv[4];
        remote = argv[5];
        if (argc == 7 && !ParseByte(argv[6], board))
            return Usage();
    } else if (op == "upload" && argc == 6) {
        remote = argv[4];
        local = argv[5];
    } else if (op == "restart" && argc == 5) {
        if (!ParseByte(argv[4], board))
            return Usage();
    } else {
        return Usage();
    }

    ProbePrompt prompt;
    platform::SetPrompt(&prompt);
    ProbeReport report;
    int result = 1;
    {
        std::unique_ptr<CDeviceLink> link = MakeDeviceLink(&report);
        link->SetAddress(port, host);
        if (link->Connect()) {
            std::thread worker([&] {
                bool ok = false;
                if (op == "restart") {
                    ok = link->SendRestart(board) == 1;
                } else {
                    WaitForPassword(*link);
                    link->SetProgress(0, 100);
                    link->SetTransferOk(1);
                    const auto start = std::chrono::steady_clock::now();
                    const int started = op == "download" ? link->DownloadFile(local, remote, board)
                                                         : link->UploadFile(local, remote);
                    ok = started && WaitForTransfer(*link, report);
                    const double seconds =
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                    std::error_code ec;
                    const auto bytes = std::filesystem::file_size(std::filesystem::path(local), ec);
                    if (ok && !ec)
                        std::printf("[probe] %llu bytes in %.3f s, %.1f MB/s\n",
                                    static_cast<unsigned long long>(bytes), seconds,
                                    seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0);
                }
                result = ok ? 0 : 1;
                QMetaObject::invokeMethod(
                    &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
            });
            app.exec();
            worker.join();
            link->Close();
        }
    }
    std::fflush(stdout);
    platform::SetPrompt(nullptr);
    return result;
}
