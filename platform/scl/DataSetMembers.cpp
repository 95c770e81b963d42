#include "platform/scl/DataSetMembers.h"

#include <algorithm>

namespace platform::scl {

std::string& CDataSetMembers::List::Next() {
    if (count == texts.size())
        texts.emplace_back();
    sorted = false;
    return texts[count++];
}

void CDataSetMembers::List::Sort() {
    if (!sorted)
        std::sort(texts.begin(), texts.begin() + static_cast<std::ptrdiff_t>(count));
    sorted = true;
}

bool CDataSetMembers::List::Holds(std::string_view text) const {
    const auto end = texts.begin() + static_cast<std::ptrdiff_t>(count);
    const auto it = std::lower_bound(texts.begin(), end, text,
                                     [](const std::string& a, std::string_view b) { return a < b; });
    return it != end && *it == text;
}

void CDataSetMembers::Clear() {
    lower_.count = 0;
    lower_.sorted = true;
    parts_.count = 0;
    parts_.sorted = true;
}

void CDataSetMembers::Add(std::string_view member) {
    std::string& lower = lower_.Next();
    lower.assign(member);
    for (char& ch : lower)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    while (!member.empty() && member.back() == '$')
        member.remove_suffix(1);
    if (!member.empty())
        parts_.Next().assign(member);
}

bool CDataSetMembers::Matches(std::string_view reference) const {
    if (lower_.count == 0)
        return false;
    lower_.Sort();
    parts_.Sort();
    // Lower-cased into a buffer kept between calls: one test per point of a big file.
    scratch_.assign(reference);
    for (char& ch : scratch_)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    if (lower_.Holds(scratch_))
        return true;
    if (parts_.count == 0)
        return false;
    for (std::size_t i = reference.find('$'); i != std::string_view::npos; i = reference.find('$', i + 1))
        if (parts_.Holds(reference.substr(0, i)))
            return true;
    return false;
}

} // namespace platform::scl
