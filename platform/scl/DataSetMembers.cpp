#include "platform/scl/DataSetMembers.h"

#include "platform/Text.h"

namespace platform::scl {

void CDataSetMembers::Clear() {
    lower_.clear();
    parts_.clear();
}

void CDataSetMembers::Add(std::string_view member) {
    lower_.insert(ToLowerAscii(member));
    while (!member.empty() && member.back() == '$')
        member.remove_suffix(1);
    if (!member.empty())
        parts_.emplace(member);
}

bool CDataSetMembers::Matches(std::string_view reference) const {
    if (lower_.empty())
        return false;
    // Lower-cased into a buffer kept between calls: one test per point of a big file.
    scratch_.assign(reference);
    for (char& ch : scratch_)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    if (lower_.find(scratch_) != lower_.end())
        return true;
    if (parts_.empty())
        return false;
    for (std::size_t i = reference.find('$'); i != std::string_view::npos; i = reference.find('$', i + 1))
        if (parts_.find(reference.substr(0, i)) != parts_.end())
            return true;
    return false;
}

} // namespace platform::scl
