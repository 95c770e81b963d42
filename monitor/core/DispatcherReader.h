#pragma once
// What the message dispatcher's handlers share across its files: the bounded reader of a body and
// the texts and small helpers of several message families. Only the dispatcher includes it.
#include "monitor/core/DeviceLink.h"
#include "monitor/core/DevModel.h"
#include "monitor/core/GenericValue.h"
#include "monitor/core/MessageDispatcher.h"
#include "monitor/model/MonitorTexts.h"

#include "platform/Text.h"
#include "unitlink/BodyReader.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace marindle {

namespace dispatch {

inline void MarkTruncated(std::string& caption) {
    caption += kTruncatedMark;
}

inline std::string EntryLabel(std::uint16_t key) {
    return platform::StrFormat("组%u条目%u", KeyGroup(key), KeyEntry(key));
}

inline std::string DescriptionOf(const CDeviceRecord* device, std::uint16_t key) {
    const CEntryRecord* e = device ? device->FindEntry(key) : nullptr;
    return e && !e->description.empty() ? e->description : EntryLabel(key);
}

inline std::string HexBytes(const std::uint8_t* p, std::size_t n) {
    return CDeviceLink::HexText(p, n);
}

// Notes a device that a history answer part named (a part names one device, rarely a few).
inline void AddDeviceKey(std::vector<std::uint16_t>& keys, std::uint16_t key) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end())
        keys.push_back(key);
}

} // namespace dispatch

// Bounded access to a body on the shared body reader: every read is checked by the caller with
// Has first; captions are marked where the body ends too soon.
class CMessageDispatcher::Reader {
public:
    Reader(const std::uint8_t* p, std::size_t n) : body_(p, p ? n : 0), p_(p), n_(p ? n : 0) {}
    std::size_t Size() const { return n_; }
    bool Has(std::size_t off, std::size_t n) const { return body_.Has(off, n); }
    // Has, marking the caption as truncated when the body ends first.
    bool Has(std::size_t off, std::size_t n, std::string& caption) const {
        if (Has(off, n))
            return true;
        dispatch::MarkTruncated(caption);
        return false;
    }
    std::size_t Left(std::size_t off) const { return off <= n_ ? n_ - off : 0; }
    const std::uint8_t* At(std::size_t off) const { return p_ + off; }
    std::uint8_t U8(std::size_t off) const { return body_.U8At(off); }
    std::uint16_t U16(std::size_t off) const { return body_.U16At(off); }
    std::uint32_t U32(std::size_t off) const { return body_.U32At(off); }
    // A text of at most n bytes ending at its first zero byte (cut at the end of the body).
    std::string Text(std::size_t off, std::size_t n) const {
        n = std::min(n, Left(off));
        if (n == 0)
            return {};
        const void* zero = std::memchr(p_ + off, 0, n);
        const std::size_t len =
            zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - (p_ + off)) : n;
        return GbkFieldText(p_ + off, len);
    }
    std::string TextToEnd(std::size_t off) const { return Text(off, Left(off)); }

    // Walks count items from off, each a head of `head` bytes ending in a GDD, then the value it
    // describes; fn(off, gdd, value, vlen) returns false to stop. With kod >= 0 an item whose
    // byte 2 (the kind of description of an ASDU 10 item) differs ends the walk. Returns false
    // when the walk ended early: the body ended (caption marked), a kod differed or fn stopped.
    template <class Fn>
    bool ForEachValue(std::size_t off, unsigned count, std::size_t head, std::string& caption, Fn fn,
                      int kod = -1) const {
        for (unsigned i = 0; i < count; ++i) {
            if (!Has(off, head, caption))
                return false;
            if (kod >= 0 && U8(off + 2) != kod)
                return false;
            const Gdd gdd{U8(off + head - 3), U8(off + head - 2), U8(off + head - 1)};
            const std::size_t vlen = GenericValueLength(gdd.type, gdd.size, gdd.number);
            if (!Has(off + head, vlen, caption) || !fn(off, gdd, At(off + head), vlen))
                return false;
            off += head + vlen;
        }
        return true;
    }
    // The data items of an ASDU 10 answer, as ForEachValue.
    template <class Fn> bool ForEachAsduItem(std::string& caption, Fn fn, int kod = -1) const {
        return ForEachValue(8, U8(7) & 0x3F, 6, caption, fn, kod);
    }

private:
    unitlink::CBodyReader body_;
    const std::uint8_t* p_;
    std::size_t n_;
};

} // namespace marindle
