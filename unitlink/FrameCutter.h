#pragma once
// Cuts the byte stream from the unit into frames for every program that talks to it. Bytes go
// into the ring only as far as it has room, so one long read never pushes out bytes of frames not
// yet taken. A frame whose length is above the largest the program takes is skipped whole when its
// header carries both marks and a length a frame can have (at most kLargestFrame, the largest frame
// the unit or any program sends): the bytes of it still to come are counted in 64 bits and dropped
// as they arrive, and the next frame is handled. A longer length is no frame: skipping it would
// blind the link for as long as the length claims, so the cutter looks for the next header with
// both marks instead.
#include "unitlink/ByteRing.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace unitlink {

class CFrameCutter {
public:
    // How the cutter finds the start of a frame.
    enum class Start {
        // Bytes before the synchronisation marks, or marks with a length below a bare header, are
        // dropped one at a time until a frame start stands at the head (the configuration tool).
        SearchSync,
        // The head is taken as a frame start and a piece is cut by its length; the header check of
        // the caller refuses a piece that is not a frame (the monitor and debugging programs).
        AtHead,
    };

    // Called with each piece cut; false stops the feed (the link was closed while handling it).
    using FrameHandler = std::function<bool(const std::uint8_t* frame, std::size_t size)>;

    // maxFrame is the largest frame taken, at most ringSize.
    CFrameCutter(int ringSize, int maxFrame, Start start);

    // Takes the bytes in and hands every whole piece to onFrame, in order. False when onFrame
    // stopped the feed or Clear was called meanwhile; the rest of the bytes is then dropped. A
    // call made while a handler runs (a nested event loop) queues its bytes behind the ones
    // still being fed; when the handler also called Clear (a new connection), the bytes fed after
    // it are handled as the start of the new stream.
    bool Feed(const std::uint8_t* data, std::size_t size, const FrameHandler& onFrame);

    // Where the next received bytes may be read straight into the ring, and at most how many;
    // null (room 0) while a handler runs, while a refused frame is being skipped, or when the ring
    // is full. FeedAppended then takes `size` bytes written there (size <= room) and hands every
    // whole piece to onFrame as Feed does; it returns as Feed.
    std::uint8_t* Space(std::size_t& room);
    bool FeedAppended(std::size_t size, const FrameHandler& onFrame);

    // The two steps of Feed. Take skips what is left of a refused frame and then appends as much
    // as the ring has room for; it returns the bytes used. Next cuts the next whole piece.
    std::size_t Take(const std::uint8_t* data, std::size_t size);
    bool Next(std::vector<std::uint8_t>& frame);
    // Next without a copy of its own: the piece is removed from the ring and shown where it lies
    // there, or (when it wraps round the ring's end) in a buffer of the cutter. It stays readable
    // until the next Take or Next.
    bool NextPiece(const std::uint8_t*& frame, std::size_t& size);

    // Forgets every byte held and any skip still pending (a new connection).
    void Clear();

    const CByteRing& Ring() const { return ring_; }
    int MaxFrame() const { return maxFrame_; }
    // Bytes of a refused oversized frame still to be skipped.
    std::uint64_t SkipPending() const { return skip_; }
    // Frames refused for their length since construction.
    std::uint64_t RefusedCount() const { return refused_; }
    // Bytes dropped while searching for a frame start (junk in front of a frame, or behind a length
    // no frame has).
    std::uint64_t JunkCount() const { return junk_; }

private:
    // Refuses the frame at the head that announces total bytes: what is held of it is dropped,
    // the rest is skipped as it arrives.
    void Refuse(std::uint64_t total);

    CByteRing ring_;
    int maxFrame_;
    Start start_;
    // A length no frame has stood at the head: the next frame start is searched for, also by a
    // cutter that otherwise takes the head as one.
    bool resync_ = false;
    std::uint64_t skip_ = 0;
    std::uint64_t refused_ = 0;
    std::uint64_t junk_ = 0;
    unsigned generation_ = 0;
    bool feeding_ = false;
    std::vector<std::uint8_t> backlog_;
    // A piece that wraps round the ring's end is put together here (made on the first one).
    std::vector<std::uint8_t> joined_;
};

} // namespace unitlink
