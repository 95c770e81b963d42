// link_upload_bench FAKEUNIT [SIZE_MB] [--hidden | --no-pane]
//
// Starts the fake unit program (FAKEUNIT) with a store folder holding a file of SIZE_MB (default
// 50) MB, connects the configuration tool's device link to it over 127.0.0.1 and uploads the file
// from a worker thread the way the tool's worker does, while every monitor line and frame dump
// goes to the monitor pane (CDebugTextView, shown on the offscreen platform unless --hidden) the
// way the main frame feeds it. Prints the time, the throughput and the peak resident memory, and
// exits 0 only when the uploaded file is byte-identical.
#include "configtool/link/DeviceLink.h"
#include "configtool/link/views/LinkColours.h"
#include "configtool/shellui/TextView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace qxm7740;

namespace fs = std::filesystem;

namespace {

// Feeds the pane as the main frame does; the link runs on this (the user-interface) thread.
class PaneReport : public ILinkReport {
public:
    PaneReport(CDebugTextView& pane, bool feed) : pane_(pane), feed_(feed) {}
    void OpenWait(int, const std::string&) override {}
    void CloseWait() override {}
    void Progress(int, std::uint32_t) override {}
    void WaitText(const std::string&) override {}
    void MonitorText(LinkColour colour, const std::string& text) override {
        if (feed_)
            Run([&] { pane_.FeedLine(text, LinkLineColour(colour)); });
        last = text;
    }
    void MonitorBytes(LinkColour colour, const std::uint8_t* data, std::size_t size) override {
        if (feed_)
            Run([&] { pane_.FeedHex(data, size, LinkLineColour(colour)); });
    }
    std::string last;

private:
    template <class F> void Run(F f) {
        if (QThread::currentThread() == pane_.thread())
            f();
        else
            QMetaObject::invokeMethod(&pane_, f, Qt::BlockingQueuedConnection);
    }
    CDebugTextView& pane_;
    bool feed_;
};

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: link_upload_bench FAKEUNIT [SIZE_MB] [--hidden | --no-pane]\n");
        return 2;
    }
    const std::string fakeunit = argv[1];
    int sizeMb = 50;
    bool hidden = false;
    bool noPane = false; // the link alone, for comparison
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--hidden")
            hidden = true;
        else if (std::string(argv[i]) == "--no-pane")
            noPane = true;
        else
            sizeMb = std::atoi(argv[i]);
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const fs::path work = fs::temp_directory_path() / ("link_upload_bench." + std::to_string(::getpid()));
    fs::create_directories(work / "store");
    const std::size_t size = static_cast<std::size_t>(sizeMb) * 1024 * 1024;
    {
        // Written a megabyte at a time, so the file does not count in the peak memory.
        std::mt19937 random(7);
        std::ofstream out(work / "store" / "big.bin", std::ios::binary);
        std::string chunk(1 << 20, '\0');
        for (int mb = 0; mb < sizeMb; ++mb) {
            for (char& c : chunk)
                c = static_cast<char>(random());
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        }
    }

    QProcess unit;
    unit.start(QString::fromStdString(fakeunit),
               {"--port", "0", "--store", QString::fromStdString((work / "store").string()), "--watch-stdin",
                "--lifetime", "600"});
    QByteArray log;
    int port = 0;
    if (unit.waitForStarted(5000)) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && !log.contains('\n')) {
            unit.waitForReadyRead(100);
            log += unit.readAllStandardOutput();
        }
        if (log.startsWith("PORT "))
            port = log.mid(5, log.indexOf('\n') - 5).toInt();
    }
    if (port == 0) {
        std::fprintf(stderr, "the fake unit did not start\n");
        return 1;
    }

    CDebugTextView pane;
    pane.resize(900, 300);
    if (!hidden)
        pane.show();
    PaneReport report(pane, !noPane);
    std::unique_ptr<CDeviceLink> link = MakeDeviceLink(&report);
    link->SetAddress(port, "127.0.0.1");
    if (!link->Connect())
        return 1;

    const long peakBefore = PeakKb();
    std::atomic<bool> done{false};
    bool ok = false;
    double seconds = 0;
    std::thread worker([&] {
        for (int i = 0; i < 50 && link->PasswordState() != CDeviceLink::kPasswordVerified; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        link->SetTransferOk(1);
        const auto start = std::chrono::steady_clock::now();
        if (link->UploadFile((work / "back.bin").string(), "big.bin")) {
            while (link->IsTransferOpen()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                link->CheckStepWait();
            }
            ok = link->TransferOk() == 1;
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    QCoreApplication::processEvents();

    std::error_code ec;
    const bool same = ok && fs::file_size(work / "back.bin", ec) == size;
    if (same) {
        std::ifstream a(work / "store" / "big.bin", std::ios::binary), b(work / "back.bin", std::ios::binary);
        std::string x(1 << 20, '\0'), y(1 << 20, '\0');
        while (a && b) {
            a.read(x.data(), static_cast<std::streamsize>(x.size()));
            b.read(y.data(), static_cast<std::streamsize>(y.size()));
            if (a.gcount() != b.gcount() || x.compare(0, static_cast<std::size_t>(a.gcount()), y, 0,
                                                      static_cast<std::size_t>(b.gcount())) != 0) {
                ok = false;
                break;
            }
        }
    }
    std::printf("upload %d MB: %.3f s, %.1f MB/s, pane %s with %d lines, peak memory %.1f MB (%.1f MB "
                "before the transfer), %s\n",
                sizeMb, seconds, sizeMb / seconds,
                noPane   ? "not fed"
                : hidden ? "hidden"
                         : "shown",
                pane.document()->blockCount(), PeakKb() / 1024.0, peakBefore / 1024.0,
                ok && same ? "file identical" : ("FAILED: " + report.last).c_str());
    link->Close();
    link.reset();
    unit.closeWriteChannel();
    unit.waitForFinished(3000);
    fs::remove_all(work, ec);
    return ok && same ? 0 : 1;
}
