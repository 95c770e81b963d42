#pragma once
// A unit that floods: a thread with a listening socket on 127.0.0.1 that answers the login of the
// monitor or debugging program (challenge, verdict, port information) and then sends message 2,
// debug text frames of 90 bytes, as fast as TCP takes them, for a given time. Each text carries
// its sequence number, so the program's window shows how far it has come. A second connection
// (the program reconnected) is counted, logged in again and flooded further.
#include "unitlink/FrameLayout.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace floodbench {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

inline Bytes UnitFrame(const Bytes& body) {
    unitlink::FrameHeaderFields f;
    f.direction = unitlink::kUnitDirection;
    f.kind = unitlink::kFromUnit | unitlink::kKindDsdu;
    return unitlink::BuildFrame(body.data(), body.size(), f);
}

// The text of frame n: "F" and ten digits, padded to 58 bytes with the line break.
inline std::string FloodText(std::uint64_t n) {
    char head[16];
    std::snprintf(head, sizeof head, "F%010llu", static_cast<unsigned long long>(n));
    std::string t = head;
    t += " flood of debug text ....................................";
    t.resize(58);
    t += "\r\n";
    return t;
}

// A 90-byte message-2 frame: header, type 2, level 1, 60 bytes of text.
inline void AppendFloodFrame(Bytes& out, std::uint64_t n) {
    Bytes body = {2, 1};
    const std::string t = FloodText(n);
    body.insert(body.end(), t.begin(), t.end());
    const Bytes f = UnitFrame(body);
    out.insert(out.end(), f.begin(), f.end());
}

inline std::uint64_t SequenceOf(const std::string& line) {
    const auto at = line.rfind('F', 0) == 0 ? 0 : line.find('F');
    if (at == std::string::npos || line.size() < at + 11)
        return 0;
    return std::strtoull(line.substr(at + 1, 10).c_str(), nullptr, 10);
}

class FloodUnit {
public:
    // portInfo: the body of the port-information answer (type byte 17 first).
    FloodUnit(Bytes portInfo, int seconds) : portInfo_(std::move(portInfo)), seconds_(seconds) {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 4);
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~FloodUnit() {
        stop_ = true;
        thread_.join();
        if (conn_ >= 0)
            ::close(conn_);
        ::close(listen_);
    }
    int Port() const { return port_; }

    std::atomic<bool> flooding{false};
    std::atomic<bool> finished{false};
    std::atomic<int> connections{0};
    std::atomic<std::uint64_t> lastSent{0}; // sequence number of the last frame sent
    Clock::time_point floodStart, floodEnd; // valid once finished

private:
    bool SendAll(const Bytes& b) {
        std::size_t done = 0;
        while (done < b.size() && !stop_) {
            pollfd p{conn_, POLLOUT | POLLIN, 0};
            ::poll(&p, 1, 100);
            if (p.revents & POLLIN)
                Drain();
            if (p.revents & (POLLERR | POLLHUP))
                return false;
            if (!(p.revents & POLLOUT))
                continue;
            const ssize_t n = ::send(conn_, b.data() + done, b.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN)
                return false;
            if (n > 0)
                done += static_cast<std::size_t>(n);
        }
        return done == b.size();
    }
    // Reads what the program sent and answers its login; the rest (heartbeats) is dropped.
    bool Drain() {
        std::uint8_t buf[65536];
        const ssize_t n = ::recv(conn_, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0)
            return false;
        if (n < 0)
            return errno == EAGAIN;
        in_.insert(in_.end(), buf, buf + n);
        while (in_.size() >= unitlink::kHeaderSize) {
            const std::uint64_t total = std::uint64_t{unitlink::GetU32(in_.data() + 2)} + 8;
            if (total < unitlink::kHeaderSize || total > 1000000) {
                in_.clear();
                break;
            }
            if (in_.size() < total)
                break;
            const std::uint8_t type = total > unitlink::kHeaderSize ? in_[unitlink::kHeaderSize] : 0;
            in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(total));
            if (type == 14)
                out_.push_back(UnitFrame({15, 1}));
            else if (type == 17) {
                out_.push_back(UnitFrame(portInfo_));
                loggedIn_ = true;
            }
        }
        return true;
    }
    bool Accept() {
        pollfd p{listen_, POLLIN, 0};
        while (!stop_ && ::poll(&p, 1, 100) <= 0) {
        }
        if (stop_)
            return false;
        if (conn_ >= 0)
            ::close(conn_);
        conn_ = ::accept(listen_, nullptr, nullptr);
        ++connections;
        in_.clear();
        loggedIn_ = false;
        return SendAll(UnitFrame({14, 1, 2, 3, 4}));
    }
    // Until logged in: answers the login.
    bool Login() {
        const auto until = Clock::now() + std::chrono::seconds(10);
        while (!loggedIn_ && !stop_ && Clock::now() < until) {
            pollfd p{conn_, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0 && !Drain())
                return false;
            for (const Bytes& f : out_)
                if (!SendAll(f))
                    return false;
            out_.clear();
        }
        for (const Bytes& f : out_)
            SendAll(f);
        out_.clear();
        return loggedIn_;
    }
    void Run() {
        if (!Accept() || !Login())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        floodStart = Clock::now();
        flooding = true;
        const auto end = floodStart + std::chrono::seconds(seconds_);
        std::uint64_t n = 0;
        Bytes chunk;
        while (!stop_ && Clock::now() < end) {
            chunk.clear();
            for (int i = 0; i < 64; ++i)
                AppendFloodFrame(chunk, ++n);
            if (!SendAll(chunk)) {
                // The program dropped the connection: count it, log in again and go on.
                n -= 64;
                if (!Accept() || !Login())
                    break;
                continue;
            }
            lastSent = n;
        }
        floodEnd = Clock::now();
        finished = true;
        // Stays connected, answering nothing but reading, until the end.
        while (!stop_) {
            pollfd p{conn_, POLLIN, 0};
            if (::poll(&p, 1, 100) > 0 && !Drain())
                break;
        }
    }

    Bytes portInfo_;
    int seconds_;
    int listen_ = -1;
    int conn_ = -1;
    int port_ = 0;
    Bytes in_;
    std::vector<Bytes> out_;
    bool loggedIn_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace floodbench
