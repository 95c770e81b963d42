#pragma once
// The references that the DataSets of a device name, and the test whether a point belongs to one
// (the whole-reference rule of platform::scl::CDataSetMembers).
#include "platform/scl/DataSetMembers.h"

#include <string>
#include <string_view>
#include <vector>

namespace iedinterface {

class CDataSetRefSet {
public:
    void Clear();
    void Add(const std::string& reference);
    const std::vector<std::string>& References() const { return refs_; }
    bool Matches(std::string_view reference) const { return members_.Matches(reference); }

private:
    std::vector<std::string> refs_;
    platform::scl::CDataSetMembers members_;
};

} // namespace iedinterface
