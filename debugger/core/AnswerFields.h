#pragma once
// What the parts of the answer dispatcher share of reading an answer's fields: a GBK text, a
// value with its type, size and number, and the unit's time.
#include "debugger/core/DbEntry.h"
#include "platform/Gbk.h"
#include "unitlink/BodyReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex::answer {

inline std::string GbkText(const std::uint8_t* p, std::size_t n) {
    std::size_t len = 0;
    while (len < n && p[len] != 0)
        ++len;
    return platform::FromGbk(std::string_view(reinterpret_cast<const char*>(p), len));
}

// A value: data type, size, number (low 7 bits when asked), then size x number bytes.
struct Value {
    std::uint8_t type = 0, size = 0, number = 0;
    const std::uint8_t* data = nullptr;
    std::size_t len = 0;
};
inline bool ReadValue(unitlink::CBodyReader& r, Value& v, bool number7 = false) {
    v.type = r.U8();
    v.size = r.U8();
    v.number = r.U8();
    const unsigned count = number7 ? (v.number & 0x7Fu) : v.number;
    v.len = static_cast<std::size_t>(v.size) * count;
    v.data = r.Bytes(v.len);
    return r.Ok();
}

inline CDeviceTime ReadTime(unitlink::CBodyReader& r) {
    const std::uint8_t* p = r.Bytes(7);
    return p ? CDeviceTime::FromBytes(p) : CDeviceTime{};
}

} // namespace quorvex::answer
