#pragma once
// Turns a fuzz input into a stream of frames for the programs' links. The first byte chooses how
// the stream is cut into reads (1..128 bytes, or whole when 0) and, with its top bit, whether the
// rest is sent as it stands (the frame cutter's own input) or read as records
//   kind, board, source (2 bytes), body length (2 bytes), body
// each wrapped in a well-formed unit frame, so that the dispatchers see deep, valid-looking frames.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace fuzzsupport {

using Bytes = std::vector<std::uint8_t>;
using FrameMaker =
    std::function<Bytes(std::uint8_t kind, const Bytes& body, std::uint8_t board, std::uint16_t source)>;

// Feeds the stream through feed, one read at a time, calling between after every read.
inline void FeedFrames(const std::uint8_t* data, std::size_t size, const FrameMaker& make,
                       const std::function<void(const std::uint8_t*, std::size_t)>& feed,
                       const std::function<void()>& between) {
    if (size == 0)
        return;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    Bytes stream;
    if (mode & 0x80) {
        stream.assign(data, data + size);
    } else {
        std::size_t at = 0;
        while (at + 6 <= size) {
            const std::uint8_t kind = data[at];
            const std::uint8_t board = data[at + 1];
            const auto source = static_cast<std::uint16_t>(data[at + 2] | data[at + 3] << 8);
            std::size_t length = static_cast<std::size_t>(data[at + 4] | data[at + 5] << 8);
            at += 6;
            length = std::min(length, size - at);
            const Bytes body(data + at, data + at + length);
            at += length;
            const Bytes frame = make(kind, body, board, source);
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
    }
    const std::size_t chunk = (mode & 0x7F) == 0 ? stream.size() : (mode & 0x7F);
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        feed(stream.data() + at, std::min(chunk, stream.size() - at));
        between();
    }
}

} // namespace fuzzsupport
