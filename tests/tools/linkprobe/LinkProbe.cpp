// linkprobe [--frames] HOST PORT download LOCAL REMOTE [BOARD] | upload REMOTE LOCAL | restart BOARD
//
// Connects the configuration tool's device link (with its TCP transport) to a unit, runs one
// operation from a worker thread the way the tool's worker does, prints the monitor lines with
// their colour on standard output, and exits 0 only when the operation succeeded. A successful
// transfer ends with a "[probe]" line giving its size, time and throughput.
//
// Error lines and boxes are always printed. Of the sent and received lines and frame dumps, the
// first 16 and the 8 before each error line or box (and before the end) are printed, with a
// "[probe]" line counting those left out, and the run ends with a "[probe]" summary; --frames
// (anywhere on the command line) prints every one of them.
#include "configtool/link/DeviceLink.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <QCoreApplication>
#include <QMetaObject>
#include <string>
#include <thread>
#include <vector>

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
    // Sent and received entries printed before the first are held back, and held at the end.
    static constexpr std::size_t kHead = 16;
    static constexpr std::size_t kTail = 8;

    explicit ProbeReport(bool eachFrame) : eachFrame_(eachFrame) {}

    void OpenWait(int, const std::string&) override {}
    void CloseWait() override {}
    void Progress(int, std::uint32_t) override { ++progressCalls; }
    void WaitText(const std::string&) override {}
    void MonitorText(LinkColour colour, const std::string& text) override {
        std::string line = std::string("[") + ColourName(colour) + "] " + text + "\n";
        if (colour == LinkColour::Error)
            Always(line);
        else
            Traffic(std::move(line), 1);
    }
    void MonitorBytes(LinkColour colour, const std::uint8_t* data, std::size_t size) override {
        const std::string dump = platform::HexDump(data, size);
        std::string lines;
        std::size_t count = 0;
        std::size_t from = 0;
        while (from < dump.size()) {
            std::size_t to = dump.find('\n', from);
            if (to == std::string::npos)
                to = dump.size();
            lines += std::string("[") + ColourName(colour) + "] " + dump.substr(from, to - from) + "\n";
            ++count;
            from = to + 1;
        }
        Traffic(std::move(lines), count);
    }

    // A line printed whatever the mode (a box, a "[probe]" line); held entries go first.
    void Always(const std::string& line) {
        std::lock_guard lock(mutex_);
        FlushHeld();
        Print(line);
    }
    // Prints what is held and, unless every entry was printed, the summary.
    void Finish() {
        std::lock_guard lock(mutex_);
        FlushHeld();
        if (!eachFrame_)
            std::printf("[probe] %zu sent and received entries, %zu not shown (--frames shows each)\n",
                        entries_, omittedTotal_);
        std::fflush(stdout);
    }

    std::atomic<unsigned> progressCalls{0};

private:
    struct Held {
        std::string lines;
        std::size_t count;
    };
    static void Print(const std::string& lines) { std::fwrite(lines.data(), 1, lines.size(), stdout); }
    void Traffic(std::string lines, std::size_t count) {
        std::lock_guard lock(mutex_);
        ++entries_;
        if (eachFrame_ || printed_ < kHead) {
            ++printed_;
            Print(lines);
            return;
        }
        held_.push_back({std::move(lines), count});
        if (held_.size() > kTail) {
            ++omitted_;
            ++omittedTotal_;
            omittedLines_ += held_.front().count;
            held_.pop_front();
        }
    }
    void FlushHeld() {
        if (omitted_)
            std::printf("[probe] %zu sent and received entries (%zu lines) not shown\n", omitted_,
                        omittedLines_);
        omitted_ = omittedLines_ = 0;
        for (const Held& h : held_)
            Print(h.lines);
        held_.clear();
    }

    const bool eachFrame_;
    std::mutex mutex_;
    std::size_t entries_ = 0;
    std::size_t printed_ = 0;
    std::deque<Held> held_;
    std::size_t omitted_ = 0;
    std::size_t omittedLines_ = 0;
    std::size_t omittedTotal_ = 0;
};

// Message boxes are printed; a question about retrying a connection is answered No.
class ProbePrompt : public platform::IPrompt {
public:
    explicit ProbePrompt(ProbeReport& report) : report_(report) {}
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons buttons) override {
        report_.Always("[box] " + text + "\n");
        std::fflush(stdout);
        if (buttons == platform::Buttons::YesNo || buttons == platform::Buttons::YesNoCancel)
            return platform::Answer::No;
        return buttons == platform::Buttons::RetryCancel ? platform::Answer::Cancel : platform::Answer::Ok;
    }

private:
    ProbeReport& report_;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: linkprobe [--frames] HOST PORT download LOCAL REMOTE [BOARD] | upload REMOTE "
                 "LOCAL | restart BOARD\n");
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
bool WaitForTransfer(const CDeviceLink& link, ProbeReport& report) {
    auto lastMove = std::chrono::steady_clock::now();
    unsigned seen = report.progressCalls;
    while (link.IsTransferOpen()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (report.progressCalls != seen) {
            seen = report.progressCalls;
            lastMove = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - lastMove > std::chrono::seconds(15)) {
            report.Always("[probe] the unit stopped answering\n");
            return false;
        }
    }
    return link.TransferOk() == 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    // The flag may stand anywhere; the other arguments keep their places.
    bool eachFrame = false;
    std::vector<char*> kept;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::string(argv[i]) == "--frames")
            eachFrame = true;
        else
            kept.push_back(argv[i]);
    }
    const int n = static_cast<int>(kept.size());
    char** args = kept.data();
    if (n < 5)
        return Usage();
    const std::string host = args[1], op = args[3];
    const std::string portText = args[2];
    if (portText.empty() || portText.find_first_not_of("0123456789") != std::string::npos ||
        portText.size() > 5)
        return Usage();
    const int port = platform::AtoI(portText);
    std::uint8_t board = 0;
    std::string local, remote;
    if (op == "download" && (n == 6 || n == 7)) {
        local = args[4];
        remote = args[5];
        if (n == 7 && !ParseByte(args[6], board))
            return Usage();
    } else if (op == "upload" && n == 6) {
        remote = args[4];
        local = args[5];
    } else if (op == "restart" && n == 5) {
        if (!ParseByte(args[4], board))
            return Usage();
    } else {
        return Usage();
    }

    ProbeReport report(eachFrame);
    ProbePrompt prompt(report);
    platform::SetPrompt(&prompt);
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
                        report.Always(platform::StrFormat(
                            "[probe] %llu bytes in %.3f s, %.1f MB/s\n",
                            static_cast<unsigned long long>(bytes), seconds,
                            seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0));
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
    report.Finish();
    platform::SetPrompt(nullptr);
    return result;
}
