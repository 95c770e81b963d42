#include "platform/scl/DataSetMembers.h"

namespace platform::scl {

namespace {

constexpr std::uint64_t kBasis = 0;
constexpr std::uint64_t kFactor = 0x9E3779B97F4A7C15ull;

char LowerAscii(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// A multiplicative hash, one byte at a time, so that a reference's parts are hashed on the way
// through it; Home mixes its bits before they choose a slot.
std::uint64_t Step(std::uint64_t hash, char ch) {
    return (hash + static_cast<unsigned char>(ch) + 1) * kFactor;
}

std::uint64_t Hash(std::string_view text) {
    std::uint64_t hash = kBasis;
    for (char ch : text)
        hash = Step(hash, ch);
    return hash;
}

// The slot a hash starts at: its high bits folded in, since the low bits of a product depend on
// the low bits of its factors only.
std::size_t Home(std::uint64_t hash, std::size_t mask) {
    return static_cast<std::size_t>(hash ^ hash >> 23 ^ hash >> 41) & mask;
}

} // namespace

std::string& CDataSetMembers::List::Next() {
    if (count == texts.size())
        texts.emplace_back();
    indexed = false;
    return texts[count++];
}

void CDataSetMembers::List::Index() {
    if (indexed)
        return;
    indexed = true;
    std::size_t capacity = 16;
    while (capacity < 2 * count)
        capacity *= 2;
    table.assign(capacity, 0);
    hashes.resize(count);
    const std::size_t mask = capacity - 1;
    for (std::size_t i = 0; i < count; ++i) {
        hashes[i] = Hash(texts[i]);
        std::size_t s = Home(hashes[i], mask);
        while (table[s] != 0)
            s = (s + 1) & mask;
        table[s] = static_cast<std::uint32_t>(i + 1);
    }
}

bool CDataSetMembers::List::Holds(std::string_view text, std::uint64_t hash, bool lowered) const {
    const std::size_t mask = table.size() - 1;
    for (std::size_t s = Home(hash, mask); table[s] != 0; s = (s + 1) & mask) {
        const std::size_t i = table[s] - 1;
        if (hashes[i] != hash || texts[i].size() != text.size())
            continue;
        const std::string& held = texts[i];
        bool equal = true;
        for (std::size_t k = 0; k < text.size() && equal; ++k)
            equal = held[k] == (lowered ? LowerAscii(text[k]) : text[k]);
        if (equal)
            return true;
    }
    return false;
}

void CDataSetMembers::Clear() {
    lower_.count = 0;
    lower_.indexed = false;
    parts_.count = 0;
    parts_.indexed = false;
}

void CDataSetMembers::Add(std::string_view member) {
    std::string& lower = lower_.Next();
    lower.assign(member);
    for (char& ch : lower)
        ch = LowerAscii(ch);
    while (!member.empty() && member.back() == '$')
        member.remove_suffix(1);
    if (!member.empty())
        parts_.Next().assign(member);
}

CDataSetMembers::Prefix CDataSetMembers::Start(std::string_view prefix) const {
    Prefix start;
    if (lower_.count == 0)
        return start;
    lower_.Index();
    parts_.Index();
    const bool parts = parts_.count != 0;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char ch = prefix[i];
        if (ch == '$' && parts && !start.matched && parts_.Holds(prefix.substr(0, i), start.hash, false))
            start.matched = true;
        start.hash = Step(start.hash, ch);
        start.lowerHash = Step(start.lowerHash, LowerAscii(ch));
    }
    start.size = prefix.size();
    return start;
}

bool CDataSetMembers::Matches(const Prefix& prefix, std::string_view reference) const {
    if (lower_.count == 0)
        return false;
    if (prefix.matched)
        return true;
    lower_.Index();
    parts_.Index();
    const bool parts = parts_.count != 0;
    std::uint64_t lowerHash = prefix.lowerHash, hash = prefix.hash;
    for (std::size_t i = prefix.size; i < reference.size(); ++i) {
        const char ch = reference[i];
        if (ch == '$' && parts && parts_.Holds(reference.substr(0, i), hash, false))
            return true;
        hash = Step(hash, ch);
        lowerHash = Step(lowerHash, LowerAscii(ch));
    }
    return lower_.Holds(reference, lowerHash, true);
}

bool CDataSetMembers::Matches(std::string_view reference) const {
    return Matches(Prefix{}, reference);
}

} // namespace platform::scl
