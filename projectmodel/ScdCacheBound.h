#pragma once
// The bound of the SCD import's cache file "IEDListFromSCD.dat". After the models the import
// appends a trailer: the size of the SCD file the cache was made from, the bytes of the cache
// before the trailer, and a tag. Readers that stop after the models never see it. A project load
// reads any cache, with or without the trailer (caches written before it, or by other tools),
// within what an import may make under the walk's ceilings (models, entries, bytes); the trailer
// only checks that the cache is whole.
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

    // What an import may write under the walk's ceilings: a model per IED (no more than the
    // file's ceiling, nor than an SCD file of known size holds, an IED taking some tens of bytes
    // of it), an entry per point and two per tap changer, four entries of each model's own; the
    // bytes of the points' texts within what the points were weighed at, and a few KB of each
    // model's own.
    std::uint64_t MaxModels() const;
    static std::uint64_t MaxModelEntries();
    static std::uint64_t MaxEntries(std::uint64_t models);
    std::uint64_t MaxFileBytes() const;
};

} // namespace projectmodel
