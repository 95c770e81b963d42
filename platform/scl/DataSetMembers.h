#pragma once
// The data-set members of one IED (the FCDA references "ldInst/prefix lnClass lnInst$fc$doName$
// daName") and the test whether a point belongs to one of them. A point belongs when its reference
// equals a member (without regard to case), or when the member names a whole part of it: the
// member, without the "$" an FCDA without daName leaves at its end, is the point's reference cut
// just before one of its "$" (with case). So "ROT/PDIS1$ST$Str" takes "ROT/PDIS1$ST$Str$general"
// but not "PROT/PDIS1$ST$Str$general", and "MX$A$phsA" not "MX$A$phsAB$...".
// Lookups search hash tables: a test reads the reference once, hashing it with and without case
// as it goes, and looks up each part where a "$" cuts it. The lists keep their room when cleared,
// so that the members of one IED after another are held without an allocation each.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::scl {

class CDataSetMembers {
public:
    void Clear();
    void Add(std::string_view member);
    bool Matches(std::string_view reference) const;

    // What Matches has read of the start of references: many references share one (a logical
    // node's "ldInst/name$"), which is then read once for them all.
    struct Prefix {
        std::size_t size = 0;
        std::uint64_t hash = 0, lowerHash = 0;
        bool matched = false; // a member names a part of the start already
    };
    // Reads the start the references will have (the members must not change until they are tested).
    Prefix Start(std::string_view prefix) const;
    // Matches(reference), for a reference that starts with the prefix read.
    bool Matches(const Prefix& prefix, std::string_view reference) const;
    bool Empty() const { return lower_.count == 0; }

private:
    // Texts in slots that keep their strings' room; the first `count` are in use, indexed by
    // their hashes for the tests once an addition left the index behind.
    struct List {
        std::vector<std::string> texts;
        std::vector<std::uint64_t> hashes; // of texts[i]
        std::vector<std::uint32_t> table;  // open addressing: 1 + the index of a text, 0 free
        std::size_t count = 0;
        bool indexed = false;
        std::string& Next();
        void Index();
        // Whether text (of hash) is held; lowered: text compared lower-cased.
        bool Holds(std::string_view text, std::uint64_t hash, bool lowered) const;
    };
    mutable List lower_; // whole members, lower-cased
    mutable List parts_; // members without trailing "$"
};

} // namespace platform::scl
