#include "unitlink/FrameCutter.h"

#include "unitlink/FrameLayout.h"

#include <algorithm>

namespace unitlink {

CFrameCutter::CFrameCutter(int ringSize, int maxFrame, Start start)
    : ring_(ringSize),
      maxFrame_(std::clamp(maxFrame, static_cast<int>(unitlink::kHeaderSize), ring_.Capacity())),
      start_(start) {}

void CFrameCutter::Clear() {
    ring_.Clear();
    skip_ = 0;
    resync_ = false;
    backlog_.clear();
    ++generation_;
}

std::size_t CFrameCutter::Take(const std::uint8_t* data, std::size_t size) {
    std::size_t used = 0;
    if (skip_ > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, size));
        skip_ -= n;
        used += n;
        data += n;
        size -= n;
    }
    const std::size_t room = std::min(size, static_cast<std::size_t>(ring_.Free()));
    if (room > 0)
        ring_.Append(data, room);
    return used + room;
}

void CFrameCutter::Refuse(std::uint64_t total) {
    ++refused_;
    const int held = ring_.Count();
    const int dropped = static_cast<int>(std::min<std::uint64_t>(total, static_cast<std::uint64_t>(held)));
    ring_.Drop(dropped);
    skip_ = total - static_cast<std::uint64_t>(dropped);
}

bool CFrameCutter::Next(std::vector<std::uint8_t>& frame) {
    const std::uint8_t* piece = nullptr;
    std::size_t size = 0;
    if (!NextPiece(piece, size))
        return false;
    frame.assign(piece, piece + size);
    return true;
}

bool CFrameCutter::NextPiece(const std::uint8_t*& piece, std::size_t& size) {
    std::uint8_t head[8];
    for (;;) {
        if (skip_ > 0)
            return false; // the ring is empty while a refused frame is still arriving
        if (start_ == Start::SearchSync || resync_) {
            if (ring_.Count() < 8)
                return false;
            ring_.PeekBytes(0, head, 8);
            if (!unitlink::HasSyncMarks(head)) {
                ring_.Drop(1);
                ++junk_;
                continue;
            }
            const std::uint32_t l = unitlink::GetU32(head + unitlink::kOffLength);
            if (l < unitlink::kLengthBias || l > 0x7FFFFFFFu) {
                ring_.Drop(1); // a negative length or one below a bare header marks junk
                ++junk_;
                continue;
            }
            resync_ = false;
        } else if (ring_.Count() < static_cast<int>(unitlink::kHeaderSize)) {
            return false;
        } else {
            ring_.PeekBytes(0, head, 8);
        }
        // Counted in 64 bits: a length near 4 GB must not wrap round to a small frame.
        const std::uint64_t total = std::uint64_t{unitlink::GetU32(head + unitlink::kOffLength)} + 8;
        if (total > static_cast<std::uint64_t>(maxFrame_)) {
            // A header with both marks and a length a frame can have is a frame to skip whole, so
            // the frame behind it is found at its start. A longer length (from junk, or from marks
            // that are not a frame's) would swallow the stream behind it for as long as it claims:
            // the next frame start is searched for instead.
            if (!unitlink::HasSyncMarks(head) || total > unitlink::kLargestFrame) {
                ring_.Drop(1);
                ++junk_;
                resync_ = true;
                continue;
            }
            Refuse(total);
            continue;
        }
        if (static_cast<std::uint64_t>(ring_.Count()) < total)
            return false;
        const int n = static_cast<int>(total);
        size = static_cast<std::size_t>(total);
        piece = ring_.Contiguous(0, n);
        if (!piece) {
            if (joined_.size() < size)
                joined_.resize(static_cast<std::size_t>(maxFrame_));
            ring_.PeekBytes(0, joined_.data(), n);
            piece = joined_.data();
        }
        // The bytes stay where they are until the next Take: nothing is appended to the ring
        // while the piece is handled (a nested feed waits in the backlog).
        ring_.Drop(n);
        return true;
    }
}

std::uint8_t* CFrameCutter::Space(std::size_t& room) {
    int free = 0;
    std::uint8_t* at = ring_.FreeSpace(free);
    room = feeding_ || skip_ > 0 ? 0 : static_cast<std::size_t>(free);
    return room > 0 ? at : nullptr;
}

bool CFrameCutter::FeedAppended(std::size_t size, const FrameHandler& onFrame) {
    ring_.Commit(static_cast<int>(std::min<std::size_t>(size, static_cast<std::size_t>(ring_.Free()))));
    // Nothing new to take: the loop cuts what the ring now holds.
    return Feed(nullptr, 0, onFrame);
}

bool CFrameCutter::Feed(const std::uint8_t* data, std::size_t size, const FrameHandler& onFrame) {
    if (feeding_) {
        backlog_.insert(backlog_.end(), data, data + size);
        return true;
    }
    feeding_ = true;
    unsigned generation = generation_;
    std::vector<std::uint8_t> pending;
    const std::uint8_t* piece = nullptr;
    std::size_t pieceSize = 0;
    bool going = true;
    bool whole = true;
    for (;;) {
        while (going) {
            const std::size_t used = Take(data, size);
            data += used;
            size -= used;
            bool cut = false;
            // A nested feed made by the handler only queues its bytes in the backlog, so the
            // piece it is handed stays as it is until the handler returns.
            while (going && NextPiece(piece, pieceSize)) {
                cut = true;
                going = onFrame(piece, pieceSize) && generation == generation_;
            }
            if (size == 0)
                break;
            if (going && used == 0 && !cut)
                ring_.Drop(1); // cannot happen with maxFrame <= ring size; never spin
        }
        if (!going) {
            whole = false;
            // A reset made by a handler (a new connection) drops every byte of the old one still
            // in this call; bytes fed after the reset belong to the new one and are handled.
            if (generation == generation_ || backlog_.empty())
                break;
            generation = generation_;
            going = true;
        } else if (backlog_.empty()) {
            break;
        }
        // Bytes that arrived while a handler ran come after everything fed before them.
        pending.swap(backlog_);
        backlog_.clear();
        data = pending.data();
        size = pending.size();
    }
    backlog_.clear();
    feeding_ = false;
    return whole;
}

} // namespace unitlink
