#include "projectmodel/ScdCacheBound.h"

#include "platform/scl/TypeWalkBudget.h"

#include <algorithm>

namespace projectmodel {

namespace {

constexpr std::string_view kTag = "SCDBOUND";
// An IED takes this many bytes of its SCD file at least ("<IED name="x"/>").
constexpr std::uint64_t kIedBytes = 16;
// An entry's numbers, separators and fixed texts, beyond the point's texts it carries.
constexpr std::uint64_t kEntryBytes = 128;
// A model's own bytes: its names, its groups' headers and its special entries.
constexpr std::uint64_t kModelBytes = 16384;

void AppendU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t ReadU64(std::string_view bytes) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return v;
}

const platform::scl::TypeWalkLimits kCeilings;

} // namespace

std::string CScdCacheBound::Trailer() const {
    std::string out;
    out.reserve(kTrailerBytes);
    AppendU64(out, scdBytes);
    AppendU64(out, cacheBytes);
    out += kTag;
    return out;
}

bool CScdCacheBound::FromTrailer(std::string_view tail, CScdCacheBound& bound) {
    if (tail.size() != kTrailerBytes || tail.substr(16) != kTag)
        return false;
    bound.scdBytes = ReadU64(tail.substr(0, 8));
    bound.cacheBytes = ReadU64(tail.substr(8, 8));
    return true;
}

std::uint64_t CScdCacheBound::MaxModels() const {
    if (scdBytes == 0)
        return kCeilings.iedsPerFile;
    return std::clamp<std::uint64_t>(scdBytes / kIedBytes, 1, kCeilings.iedsPerFile);
}

std::uint64_t CScdCacheBound::MaxModelEntries() {
    return 2 * kCeilings.IedPoints() + 4;
}

std::uint64_t CScdCacheBound::MaxEntries(std::uint64_t models) {
    return 2 * kCeilings.pointsPerFile + 4 * models;
}

std::uint64_t CScdCacheBound::MaxFileBytes() const {
    const std::uint64_t models = MaxModels();
    // Each point's texts at most as many bytes as it was weighed at, written in two entries at
    // most (a tap changer's).
    const std::uint64_t texts = 2 * kCeilings.pointsPerFile * platform::scl::kBytesPerPoint;
    return models * kModelBytes + MaxEntries(models) * kEntryBytes + texts + kTrailerBytes;
}

} // namespace projectmodel
