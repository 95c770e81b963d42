#include "projectmodel/CompactText.h"

#include <cstring>
#include <limits>
#include <new>
#include <ostream>
#include <stdexcept>

namespace projectmodel {

void CCompactText::Assign(std::string_view text) {
    if (text.size() <= kInline) {
        SetInline(text);
        return;
    }
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("text too long");
    void* memory = ::operator new(sizeof(Block) + text.size() + 1);
    Block* b = new (memory) Block(static_cast<std::uint32_t>(text.size()));
    std::memcpy(b->Text(), text.data(), text.size());
    b->Text()[text.size()] = '\0';
    word_ = reinterpret_cast<std::uintptr_t>(b);
}

void CCompactText::Free() noexcept {
    if (IsInline())
        return;
    // The text that lets go of the block last frees it, having seen every other's last use.
    Block* b = BlockOf();
    if (b->texts.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        b->~Block();
        ::operator delete(b);
    }
}

CCompactText& CCompactText::operator=(std::string_view text) {
    // The text may lie in this object's own block: the new one is made first.
    CCompactText next(text);
    return *this = std::move(next);
}

CCompactText& CCompactText::operator+=(std::string_view text) {
    if (text.empty())
        return *this;
    std::string joined(View());
    joined += text;
    return *this = std::string_view(joined);
}

std::ostream& operator<<(std::ostream& out, const CCompactText& text) {
    return out << text.View();
}

} // namespace projectmodel
