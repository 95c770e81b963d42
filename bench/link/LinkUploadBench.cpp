// link_upload_bench FAKEUNIT [SIZE_MB] [--hidden | --no-pane] [--download] [--pairs N [--file-limit]]
//
// Starts the fake unit program (FAKEUNIT) with a store folder holding a file of SIZE_MB (default
// 50) MB, connects the configuration tool's device link to it over 127.0.0.1 and uploads the file
// (or, with --download, downloads a local file of that size to the unit) from a worker thread the
// way the tool's worker does, while every monitor line and frame dump goes to the monitor pane
// (CDebugTextView, shown on the offscreen platform unless --hidden) the way the main frame feeds
// it. The user-interface thread waits in its event loop; the worker sleeps between its looks at the
// link. Prints the time, the throughput and the peak resident memory, and exits 0 only when the
// transferred file is byte-identical.
//
// With --pairs N it runs N pairs, each the stop-and-wait limit of the link's packet size on
// loopback (a bare socket pair sending one data frame and waiting for its 36-byte answer, both
// without Nagle's delay) next to one transfer through the link, the order alternating, and prints
// each pair's ratio and the median and range of the ratios. With --file-limit the stop-and-wait
// exchange also does the file work of the transfer (sends from the mapped file, writes what it
// takes to a file in 256 KB writes), so the ratio shows the link's own cost over that floor (the
// peak memory then counts the mapped file).
#include "configtool/link/DeviceLink.h"
#include "configtool/link/views/LinkColours.h"
#include "configtool/shellui/TextView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <random>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

void WriteRandomFile(const fs::path& path, int sizeMb, unsigned seed) {
    // Written a megabyte at a time, so the file does not count in the peak memory.
    std::mt19937_64 random(seed);
    std::ofstream out(path, std::ios::binary);
    std::string chunk(1 << 20, '\0');
    for (int mb = 0; mb < sizeMb; ++mb) {
        for (std::size_t i = 0; i < chunk.size(); i += 8) {
            const std::uint64_t v = random();
            std::memcpy(chunk.data() + i, &v, 8);
        }
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
}

bool SameFiles(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec)
        return false;
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::string p(1 << 20, '\0'), q(1 << 20, '\0');
    while (x && y) {
        x.read(p.data(), static_cast<std::streamsize>(p.size()));
        y.read(q.data(), static_cast<std::streamsize>(q.size()));
        if (x.gcount() != y.gcount() || p.compare(0, static_cast<std::size_t>(x.gcount()), q, 0,
                                                  static_cast<std::size_t>(y.gcount())) != 0)
            return false;
    }
    return true;
}

bool SendAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n) {
        const ssize_t k = ::send(fd, p, n, MSG_NOSIGNAL);
        if (k <= 0)
            return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

bool ReceiveAll(int fd, std::uint8_t* p, std::size_t n) {
    while (n) {
        const ssize_t k = ::recv(fd, p, n, 0);
        if (k <= 0)
            return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

// The stop-and-wait limit of the link's packet size on loopback, in MB/s: one side sends a data
// frame of the largest packet and waits for the 36-byte answer before the next, until `bytes` of
// data have gone over. With `source` and `target` (--file-limit) the exchange does the file work
// of an upload as well: the sending side sends each packet from the mapped source file (header and
// data in one call, as the fake unit does), and the receiving side copies each packet's data into
// a 256 KB buffer, answers, and writes the buffer to `target` whenever it is full.
double StopAndWaitLimit(std::size_t bytes, const fs::path* source = nullptr,
                        const fs::path* target = nullptr) {
    const std::size_t header = 28 + 8;
    const std::size_t dataFrame = header + CDeviceLink::kPacketData;
    const std::size_t answer = 36;
    const std::size_t packets = (bytes + CDeviceLink::kPacketData - 1) / CDeviceLink::kPacketData;
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(listener);
        return 0;
    }
    const std::uint8_t* mapped = nullptr;
    std::size_t mappedSize = 0;
    if (source) {
        const int in = ::open(source->c_str(), O_RDONLY);
        mappedSize = in >= 0 ? static_cast<std::size_t>(::lseek(in, 0, SEEK_END)) : 0;
        void* m = mappedSize ? ::mmap(nullptr, mappedSize, PROT_READ, MAP_PRIVATE, in, 0) : MAP_FAILED;
        if (in >= 0)
            ::close(in);
        if (m == MAP_FAILED || mappedSize < bytes) {
            ::close(listener);
            return 0;
        }
        mapped = static_cast<const std::uint8_t*>(m);
    }
    const int out = target ? ::open(target->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
    const int one = 1;
    // The unit's side: sends the packets.
    std::thread peer([&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::vector<std::uint8_t> frame(dataFrame, 0x5A), reply(answer);
        for (std::size_t i = 0; i < packets; ++i) {
            bool sent = false;
            if (mapped) {
                const std::size_t from = i * CDeviceLink::kPacketData;
                iovec parts[2] = {{frame.data(), header},
                                  {const_cast<std::uint8_t*>(mapped + from),
                                   std::min<std::size_t>(CDeviceLink::kPacketData, bytes - from)}};
                msghdr message{};
                message.msg_iov = parts;
                message.msg_iovlen = 2;
                // Short sends do not happen on loopback with this little in flight.
                sent =
                    ::sendmsg(fd, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(header + parts[1].iov_len);
                if (parts[1].iov_len < CDeviceLink::kPacketData) // the receiver reads whole frames
                    sent = sent && SendAll(fd, frame.data(), CDeviceLink::kPacketData - parts[1].iov_len);
            } else {
                sent = SendAll(fd, frame.data(), frame.size());
            }
            if (!sent || !ReceiveAll(fd, reply.data(), reply.size()))
                break;
        }
        ::close(fd);
    });
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    double seconds = 0;
    bool written = true;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        // The tool's side: takes each packet and answers it.
        std::vector<std::uint8_t> frame(dataFrame), reply(answer, 0);
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(CDeviceLink::kFileBuffer));
        std::size_t held = 0, done = 0;
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < packets; ++i) {
            if (!ReceiveAll(fd, frame.data(), frame.size()))
                break;
            const std::size_t n = std::min<std::size_t>(CDeviceLink::kPacketData, bytes - done);
            const std::size_t head = out >= 0 ? std::min(n, buffer.size() - held) : 0;
            if (out >= 0)
                std::memcpy(buffer.data() + held, frame.data() + header, head);
            held += head;
            done += n;
            if (!SendAll(fd, reply.data(), reply.size()))
                break;
            if (out >= 0 && held == buffer.size()) {
                written = written && ::write(out, buffer.data(), held) == static_cast<ssize_t>(held);
                held = 0;
            }
            if (out >= 0 && head < n) {
                std::memcpy(buffer.data(), frame.data() + header + head, n - head);
                held = n - head;
            }
        }
        if (out >= 0 && held)
            written = written && ::write(out, buffer.data(), held) == static_cast<ssize_t>(held);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    ::close(fd);
    peer.join();
    ::close(listener);
    if (out >= 0)
        ::close(out);
    if (mapped)
        ::munmap(const_cast<std::uint8_t*>(mapped), mappedSize);
    return seconds > 0 && written ? static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds : 0;
}

struct Transfer {
    bool ok = false;
    double seconds = 0;
};

// One transfer through the link, started and waited for on a worker thread while this thread
// runs its event loop, as the tool's worker and user-interface thread do.
Transfer RunTransfer(QApplication& app, CDeviceLink& link, bool download, const std::string& local,
                     const std::string& remote) {
    Transfer result;
    std::thread worker([&] {
        for (int i = 0; i < 50 && link.PasswordState() != CDeviceLink::kPasswordVerified; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        link.SetTransferOk(1);
        const auto start = std::chrono::steady_clock::now();
        const int started = download ? link.DownloadFile(local, remote, 0) : link.UploadFile(local, remote);
        if (started) {
            // The open flag is looked at often so the end is timed closely; the step wait is
            // checked as often as the tool's worker does (every 200 ms).
            auto lastCheck = start;
            while (link.IsTransferOpen()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                const auto now = std::chrono::steady_clock::now();
                if (now - lastCheck >= std::chrono::milliseconds(200)) {
                    link.CheckStepWait(now);
                    lastCheck = now;
                }
            }
            result.ok = link.TransferOk() == 1;
        }
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        QMetaObject::invokeMethod(
            &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    QApplication::exec();
    worker.join();
    return result;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: link_upload_bench FAKEUNIT [SIZE_MB] [--hidden | --no-pane] [--download] "
                     "[--pairs N [--file-limit]]\n");
        return 2;
    }
    const std::string fakeunit = argv[1];
    int sizeMb = 50;
    bool hidden = false;
    bool noPane = false; // the link alone, for comparison
    bool download = false;
    bool fileLimit = false; // the stop-and-wait limit with the transfer's file work
    int pairs = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--hidden")
            hidden = true;
        else if (a == "--no-pane")
            noPane = true;
        else if (a == "--download")
            download = true;
        else if (a == "--file-limit")
            fileLimit = true;
        else if (a == "--pairs" && i + 1 < argc)
            pairs = std::atoi(argv[++i]);
        else
            sizeMb = std::atoi(a.c_str());
    }
    if (sizeMb <= 0)
        return 2;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const fs::path work = fs::temp_directory_path() / ("link_upload_bench." + std::to_string(::getpid()));
    fs::create_directories(work / "store");
    const std::size_t size = static_cast<std::size_t>(sizeMb) * 1024 * 1024;
    const fs::path source = download ? work / "local.bin" : work / "store" / "big.bin";
    const fs::path target = download ? work / "store" / "down.bin" : work / "back.bin";
    WriteRandomFile(source, sizeMb, 7);

    QProcess unit;
    unit.start(QString::fromStdString(fakeunit),
               {"--port", "0", "--store", QString::fromStdString((work / "store").string()), "--watch-stdin",
                "--lifetime", "3600"});
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
    // The unit's event lines are not wanted; they must not fill its pipe either.
    QObject::connect(&unit, &QProcess::readyReadStandardOutput, &unit,
                     [&unit] { unit.readAllStandardOutput(); });

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
    const char* verb = download ? "download" : "upload";
    const std::string remote = download ? "down.bin" : "big.bin";
    const char* paneState = noPane ? "not fed" : hidden ? "hidden" : "shown";
    bool allOk = true;
    auto transfer = [&]() {
        std::error_code ec;
        fs::remove(target, ec);
        const Transfer t = RunTransfer(app, *link, download, (download ? source : target).string(), remote);
        // The unit has stored a download once it answered the close; the link ends there too.
        const bool same = t.ok && SameFiles(source, target);
        allOk = allOk && same;
        return std::make_pair(t, same);
    };

    if (pairs <= 0) {
        const auto [t, same] = transfer();
        std::printf("%s %d MB: %.3f s, %.1f MB/s, pane %s with %d lines, peak memory %.1f MB (%.1f MB "
                    "before the transfer), %s\n",
                    verb, sizeMb, t.seconds, sizeMb / t.seconds, paneState, pane.document()->blockCount(),
                    PeakKb() / 1024.0, peakBefore / 1024.0,
                    same ? "file identical" : ("FAILED: " + report.last).c_str());
    } else {
        std::vector<double> ratios, rates, limits;
        for (int i = 0; i < pairs; ++i) {
            double limit = 0;
            std::pair<Transfer, bool> run;
            const fs::path limitTarget = work / "limit.bin";
            const auto measureLimit = [&] {
                const double l =
                    fileLimit ? StopAndWaitLimit(size, &source, &limitTarget) : StopAndWaitLimit(size);
                std::error_code ec;
                fs::remove(limitTarget, ec);
                return l;
            };
            if (i % 2 == 0) {
                limit = measureLimit();
                run = transfer();
            } else {
                run = transfer();
                limit = measureLimit();
            }
            const double rate = run.first.seconds > 0 ? sizeMb / run.first.seconds : 0;
            rates.push_back(rate);
            limits.push_back(limit);
            ratios.push_back(limit > 0 ? rate / limit : 0);
            std::printf("pair %d: %s %.1f MB/s, stop-and-wait limit %.1f MB/s, ratio %.2f%s %s\n", i + 1,
                        verb, rate, limit, ratios.back(), run.second ? "" : " (FAILED)",
                        run.second ? "" : report.last.c_str());
        }
        std::printf("%s %d MB x %d pairs, pane %s: median %.1f MB/s (%.1f-%.1f), %slimit median %.1f MB/s, "
                    "ratio median %.2f (%.2f-%.2f), peak memory %.1f MB (%.1f MB before), %s\n",
                    verb, sizeMb, pairs, paneState, Median(rates),
                    *std::min_element(rates.begin(), rates.end()),
                    *std::max_element(rates.begin(), rates.end()), fileLimit ? "file " : "", Median(limits),
                    Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                    *std::max_element(ratios.begin(), ratios.end()), PeakKb() / 1024.0, peakBefore / 1024.0,
                    allOk ? "files identical" : "FAILED");
    }
    link->Close();
    link.reset();
    unit.closeWriteChannel();
    unit.waitForFinished(3000);
    std::error_code ec;
    fs::remove_all(work, ec);
    return allOk ? 0 : 1;
}
