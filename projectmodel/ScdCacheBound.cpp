#include "projectmodel/ScdCacheBound.h"

#include "platform/scl/TypeWalkBudget.h"

#include <algorithm>

namespace projectmodel {

namespace {

constexpr std::string_view kTag = "SCDBOUND";
constexpr std::uint64_t kIedBytes = 16;
constexpr std::uint64_t kMaxEntryBytes = 2048;

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

// The points the import's budget allows a file of this size: a file declares no more elements
// than it has groups of five bytes ("<LN/>"), and the budget grows with what it declares; the
// ceiling for a file of unknown size (0).
std::uint64_t PointsPerFile(std::uint64_t scdBytes) {
    const platform::scl::TypeWalkLimits limits;
    return scdBytes ? limits.ForElements(scdBytes / 5).FilePoints() : limits.FilePoints();
}

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
        return PointsPerFile(0);
    return std::max<std::uint64_t>(1, scdBytes / kIedBytes);
}

std::uint64_t CScdCacheBound::MaxEntries(std::uint64_t models) const {
    return 2 * PointsPerFile(scdBytes) + 4 * models;
}

std::uint64_t CScdCacheBound::MaxFileBytes() const {
    const std::uint64_t models = MaxModels();
    return (MaxEntries(models) + models) * kMaxEntryBytes + kTrailerBytes;
}

} // namespace projectmodel
