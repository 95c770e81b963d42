#include "platform/scl/ChildIndex.h"

#include <algorithm>

namespace platform::scl {

namespace {

constexpr EleID kIndexed[] = {EleID::DOI, EleID::SDI, EleID::DAI};

} // namespace

std::string& CChildIndex::Key(EleID kind, std::string_view name) {
    key_.clear();
    key_ += static_cast<char>('0' + static_cast<int>(kind));
    key_ += name;
    if (noCase_)
        for (std::size_t i = 1; i < key_.size(); ++i)
            if (key_[i] >= 'A' && key_[i] <= 'Z')
                key_[i] = static_cast<char>(key_[i] - 'A' + 'a');
    return key_;
}

namespace {

// Ranges of at most this many children are searched in order; longer ones are sorted once.
constexpr std::uint32_t kSearchedInOrder = 8;

} // namespace

CChildIndex::Range CChildIndex::Read(const CtBase& element) {
    const void* id = element.Identity();
    if (id == last_)
        return lastRange_;
    auto [it, added] = elements_.try_emplace(id);
    if (added) {
        Range& range = it->second;
        range.begin = static_cast<std::uint32_t>(entries_.size());
        for (const CtBase& child : element.GetChildEles()) {
            for (const EleID k : kIndexed)
                if (child.IsNamed(EleName(k))) {
                    entries_.push_back({Key(k, child.GetAttrValByName("name")), child});
                    break;
                }
        }
        range.end = static_cast<std::uint32_t>(entries_.size());
        if (range.end - range.begin > kSearchedInOrder)
            std::stable_sort(entries_.begin() + range.begin, entries_.begin() + range.end,
                             [](const Entry& a, const Entry& b) { return a.key < b.key; });
    }
    last_ = id;
    lastRange_ = it->second;
    return lastRange_;
}

CtBase CChildIndex::Find(const CtBase& element, EleID kind, std::string_view name) {
    if (!element)
        return {};
    const Range range = Read(element);
    const std::string& key = Key(kind, name);
    const auto begin = entries_.begin() + range.begin;
    const auto end = entries_.begin() + range.end;
    if (range.end - range.begin <= kSearchedInOrder) {
        for (auto e = begin; e != end; ++e)
            if (e->key == key)
                return e->child; // the first of the name
        return {};
    }
    const auto found =
        std::lower_bound(begin, end, key, [](const Entry& e, const std::string& k) { return e.key < k; });
    return found != end && found->key == key ? found->child : CtBase();
}

void CChildIndex::Clear() {
    elements_.clear();
    entries_.clear();
    last_ = nullptr;
}

} // namespace platform::scl
