#pragma once
// The data-set members of one IED (the FCDA references "ldInst/prefix lnClass lnInst$fc$doName$
// daName") and the test whether a point belongs to one of them. A point belongs when its reference
// equals a member (without regard to case), or when the member names a whole part of it: the
// member, without the "$" an FCDA without daName leaves at its end, is the point's reference cut
// just before one of its "$" (with case). So "ROT/PDIS1$ST$Str" takes "ROT/PDIS1$ST$Str$general"
// but not "PROT/PDIS1$ST$Str$general", and "MX$A$phsA" not "MX$A$phsAB$...".
// Lookups are hashed: a test costs the length of the reference, not the number of members.
#include <string>
#include <string_view>
#include <unordered_set>

namespace platform::scl {

class CDataSetMembers {
public:
    void Clear();
    void Add(std::string_view member);
    bool Matches(std::string_view reference) const;
    bool Empty() const { return lower_.empty(); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> lower_; // whole members, lower-cased
    std::unordered_set<std::string, Hash, std::equal_to<>> parts_; // members without trailing "$"
    mutable std::string scratch_; // the reference lower-cased (one test at a time)
};

} // namespace platform::scl
