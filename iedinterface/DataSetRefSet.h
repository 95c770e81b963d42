#pragma once
// The references that the DataSets of a device name, and the test whether a point belongs to one:
// its reference equals a DataSet reference (without regard to case) or contains one (with case).
// The containment test runs over one automaton of all references, so it costs the length of the
// point's reference, not the number of DataSet references.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace iedinterface {

class CDataSetRefSet {
public:
    void Clear();
    void Add(const std::string& reference);
    const std::vector<std::string>& References() const { return refs_; }
    bool Matches(std::string_view reference) const;

private:
    void Build() const;

    std::vector<std::string> refs_;
    std::unordered_set<std::string> lower_;
    // Automaton over refs_, built on the first query after a change.
    mutable bool built_ = false;
    mutable std::unordered_map<std::uint64_t, std::int32_t> next_; // (state << 8 | byte) -> state
    mutable std::vector<std::int32_t> fail_;
    mutable std::vector<char> output_; // a reference ends here or at a suffix state
    mutable bool hasEmpty_ = false;
};

} // namespace iedinterface
