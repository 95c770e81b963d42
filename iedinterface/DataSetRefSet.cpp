#include "iedinterface/DataSetRefSet.h"

#include "platform/Text.h"

#include <deque>

namespace iedinterface {

namespace {
std::uint64_t Key(std::int32_t state, unsigned char c) {
    return (std::uint64_t(state) << 8) | c;
}
} // namespace

void CDataSetRefSet::Clear() {
    refs_.clear();
    lower_.clear();
    built_ = false;
    next_.clear();
    fail_.clear();
    output_.clear();
    hasEmpty_ = false;
}

void CDataSetRefSet::Add(const std::string& reference) {
    refs_.push_back(reference);
    lower_.insert(platform::ToLowerAscii(reference));
    built_ = false;
}

void CDataSetRefSet::Build() const {
    next_.clear();
    fail_.assign(1, 0);
    output_.assign(1, 0);
    hasEmpty_ = false;
    for (const std::string& ref : refs_) {
        if (ref.empty()) {
            hasEmpty_ = true;
            continue;
        }
        std::int32_t state = 0;
        for (unsigned char c : ref) {
            auto [it, inserted] = next_.emplace(Key(state, c), std::int32_t(fail_.size()));
            if (inserted) {
                fail_.push_back(0);
                output_.push_back(0);
            }
            state = it->second;
        }
        output_[state] = 1;
    }
    // Breadth-first over the trie: the failure state of a child is found from its parent's.
    std::vector<std::vector<std::pair<unsigned char, std::int32_t>>> children(fail_.size());
    for (const auto& [key, state] : next_)
        children[std::size_t(key >> 8)].push_back({static_cast<unsigned char>(key & 0xFF), state});
    std::deque<std::int32_t> queue;
    for (const auto& [c, child] : children[0]) {
        fail_[child] = 0;
        queue.push_back(child);
    }
    while (!queue.empty()) {
        std::int32_t state = queue.front();
        queue.pop_front();
        for (const auto& [c, child] : children[state]) {
            std::int32_t f = fail_[state];
            for (;;) {
                auto it = next_.find(Key(f, c));
                if (it != next_.end() && it->second != child) {
                    fail_[child] = it->second;
                    break;
                }
                if (f == 0) {
                    fail_[child] = 0;
                    break;
                }
                f = fail_[f];
            }
            output_[child] = char(output_[child] || output_[fail_[child]]);
            queue.push_back(child);
        }
    }
    built_ = true;
}

bool CDataSetRefSet::Matches(std::string_view reference) const {
    if (refs_.empty())
        return false;
    if (lower_.count(platform::ToLowerAscii(reference)))
        return true;
    if (!built_)
        Build();
    if (hasEmpty_)
        return true;
    std::int32_t state = 0;
    for (unsigned char c : reference) {
        for (;;) {
            auto it = next_.find(Key(state, c));
            if (it != next_.end()) {
                state = it->second;
                break;
            }
            if (state == 0)
                break;
            state = fail_[state];
        }
        if (output_[state])
            return true;
    }
    return false;
}

} // namespace iedinterface
