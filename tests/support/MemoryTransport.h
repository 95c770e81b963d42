#pragma once
// A link transport held in memory for the tests of every program that talks to the unit: it
// records what is sent, can be told to fail, and runs link-thread calls at once.
#include "unitlink/LinkTransport.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

// Appends the n low bytes of v, least significant first.
inline void Le(Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

class MemoryTransport : public unitlink::ILinkTransport {
public:
    void SetEvents(unitlink::ILinkTransportEvents* e) override { events = e; }
    bool Create() override { return createOk; }
    bool Connect(const std::string&, int) override {
        ++attempts;
        return failConnects-- <= 0;
    }
    bool Send(const std::uint8_t* data, std::size_t size) override {
        std::lock_guard lock(mutex);
        if (!sendOk)
            return false;
        sent.emplace_back(data, data + size);
        return true;
    }
    void Close() override { ++closes; }
    void RunOnLinkThread(const std::function<void()>& fn) override { fn(); }
    void Post(std::function<void()> fn) override { posted.push_back(std::move(fn)); }
    // Runs the posted calls as the event loop would once the current event is handled.
    void RunPosted() {
        while (!posted.empty()) {
            auto fn = std::move(posted.front());
            posted.erase(posted.begin());
            fn();
        }
    }

    // Bytes that arrived but were not read yet: ReadPending hands them to the link.
    void ReadPending() override {
        Bytes bytes;
        bytes.swap(unread);
        if (events && !bytes.empty())
            events->OnReceive(bytes.data(), bytes.size());
    }

    // A copy of the frames sent, taken under the lock (for tests where a worker sends).
    std::vector<Bytes> Sent() {
        std::lock_guard lock(mutex);
        return sent;
    }

    unitlink::ILinkTransportEvents* events = nullptr;
    bool createOk = true;
    bool sendOk = true;
    int failConnects = 0;
    int attempts = 0;
    int closes = 0;
    std::vector<Bytes> sent;
    Bytes unread;
    std::vector<std::function<void()>> posted;
    std::mutex mutex;
};

} // namespace testsupport
