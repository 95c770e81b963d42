#include "platform/scl/ChildIndex.h"

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

CtBase CChildIndex::Find(const CtBase& element, EleID kind, std::string_view name) {
    if (!element)
        return {};
    auto [it, added] = elements_.try_emplace(element.Identity());
    if (added) {
        for (const CtBase& child : element.GetChildEles()) {
            for (const EleID k : kIndexed)
                if (child.IsNamed(EleName(k))) {
                    it->second.emplace(Key(k, child.GetAttrValByName("name")), child); // the first stays
                    break;
                }
        }
    }
    const auto found = it->second.find(Key(kind, name));
    return found == it->second.end() ? CtBase() : found->second;
}

void CChildIndex::Clear() {
    elements_.clear();
}

} // namespace platform::scl
