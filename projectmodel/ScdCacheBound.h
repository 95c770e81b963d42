#pragma once
// The bound the SCD import's cache file "IEDListFromSCD.dat" carries for itself. After the models
// the import appends a trailer: the size of the SCD file the cache was made from, the bytes of
// the cache before the trailer, and a tag. Readers that stop after the models never see it. A
// project load reads the cache only within what an import of such a file may make (models,
// entries, bytes), whichever SCD file lies in the project's folders.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace projectmodel {

struct CScdCacheBound {
    static constexpr std::size_t kTrailerBytes = 24;

    std::uint64_t scdBytes = 0;   // the size of the SCD file the cache was made from; 0 unknown
    std::uint64_t cacheBytes = 0; // the marker, the model count and the models

    // The trailer's bytes.
    std::string Trailer() const;
    // The bound in the last kTrailerBytes of a cache file; false when they are no trailer.
    static bool FromTrailer(std::string_view tail, CScdCacheBound& bound);

    // What an import of an SCD file of scdBytes may write: a model per IED (an IED takes some tens
    // of bytes of the file at least), an entry per point of the file's budget and two per tap
    // changer, four entries of each model's own, and a few KB each at most. For a file of unknown
    // size the import's ceilings hold.
    std::uint64_t MaxModels() const;
    std::uint64_t MaxEntries(std::uint64_t models) const;
    std::uint64_t MaxFileBytes() const;
};

} // namespace projectmodel
