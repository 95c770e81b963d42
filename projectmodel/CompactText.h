#pragma once
// A text of eight bytes for the fields of an entry line that are mostly empty or short (the state
// texts, the group name, the options and rules): a project of a large station holds hundreds of
// thousands of entries twice (in the model library and in the devices), and a std::string costs
// 32 bytes even when empty.
//
// Up to six bytes are kept in the object itself; a longer text in a block (its length, the number
// of texts sharing it, its bytes and a terminating zero). The object is one word: odd when it
// holds the text itself (the lowest byte is twice the length plus one, the text follows it),
// otherwise the address of the block, which the allocator aligns. A block is never written once
// made: copies share it (points of one device repeat their options, and a description is often
// the data reference itself), and the last text to let go of it frees it.
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

namespace projectmodel {

class CCompactText {
public:
    CCompactText() noexcept { SetInline({}); }
    CCompactText(std::string_view text) { Assign(text); }
    CCompactText(const std::string& text) { Assign(text); }
    CCompactText(const char* text) { Assign(text ? std::string_view(text) : std::string_view()); }
    CCompactText(const CCompactText& other) noexcept : word_(other.word_) { Share(); }
    CCompactText(CCompactText&& other) noexcept : word_(other.word_) { other.SetInline({}); }
    ~CCompactText() { Free(); }

    CCompactText& operator=(const CCompactText& other) {
        if (this != &other) {
            CCompactText copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    CCompactText& operator=(CCompactText&& other) noexcept {
        if (this != &other) {
            Free();
            word_ = other.word_;
            other.SetInline({});
        }
        return *this;
    }
    CCompactText& operator=(std::string_view text);
    CCompactText& operator=(const std::string& text) { return *this = std::string_view(text); }
    CCompactText& operator=(const char* text) { return *this = std::string_view(text ? text : ""); }
    CCompactText& operator+=(std::string_view text);
    CCompactText& operator+=(char ch) { return *this += std::string_view(&ch, 1); }

    std::string_view View() const noexcept {
        if (IsInline())
            return {InlineBytes() + 1, static_cast<std::size_t>(InlineBytes()[0] >> 1)};
        const Block* b = BlockOf();
        return {b->Text(), b->size};
    }
    operator std::string_view() const noexcept { return View(); }
    operator std::string() const { return std::string(View()); }
    std::string str() const { return std::string(View()); }

    // Zero-terminated.
    const char* c_str() const noexcept { return IsInline() ? InlineBytes() + 1 : BlockOf()->Text(); }
    const char* data() const noexcept { return c_str(); }
    std::size_t size() const noexcept { return View().size(); }
    std::size_t length() const noexcept { return size(); }
    bool empty() const noexcept { return size() == 0; }
    void clear() noexcept {
        Free();
        SetInline({});
    }

    friend bool operator==(const CCompactText& a, const CCompactText& b) noexcept {
        return a.View() == b.View();
    }
    friend bool operator==(const CCompactText& a, std::string_view b) noexcept { return a.View() == b; }
    friend bool operator==(const CCompactText& a, const std::string& b) noexcept { return a.View() == b; }
    friend bool operator==(const CCompactText& a, const char* b) noexcept {
        return a.View() == std::string_view(b ? b : "");
    }

private:
    static_assert(std::endian::native == std::endian::little, "the tag is the lowest byte of the word");
    static constexpr std::size_t kInline = 6;

    struct Block {
        explicit Block(std::uint32_t n) noexcept : size(n) {}
        std::uint32_t size;
        std::atomic<std::uint32_t> texts{1}; // the texts holding the block
        const char* Text() const { return reinterpret_cast<const char*>(this + 1); }
        char* Text() { return reinterpret_cast<char*>(this + 1); }
    };

    bool IsInline() const noexcept { return (word_ & 1u) != 0; }
    const char* InlineBytes() const noexcept { return reinterpret_cast<const char*>(&word_); }
    Block* BlockOf() const noexcept { return reinterpret_cast<Block*>(word_); }
    // text is at most kInline bytes. The bytes after it stay zero: the text is terminated in the
    // word itself.
    void SetInline(std::string_view text) noexcept {
        char bytes[sizeof word_] = {};
        bytes[0] = static_cast<char>((text.size() << 1) | 1u);
        for (std::size_t i = 0; i < text.size(); ++i)
            bytes[1 + i] = text[i];
        std::memcpy(&word_, bytes, sizeof word_);
    }
    void Assign(std::string_view text);
    void Share() const noexcept {
        if (!IsInline())
            BlockOf()->texts.fetch_add(1, std::memory_order_relaxed);
    }
    void Free() noexcept;

    std::uintptr_t word_;
};

static_assert(sizeof(CCompactText) == sizeof(void*));

inline std::string operator+(const std::string& a, const CCompactText& b) {
    std::string r(a);
    r += b.View();
    return r;
}
inline std::string operator+(std::string&& a, const CCompactText& b) {
    a += b.View();
    return std::move(a);
}
inline std::string operator+(const CCompactText& a, const std::string& b) {
    std::string r(a.View());
    r += b;
    return r;
}
inline std::string operator+(const char* a, const CCompactText& b) {
    std::string r(a);
    r += b.View();
    return r;
}
inline std::string operator+(const CCompactText& a, const char* b) {
    std::string r(a.View());
    r += b;
    return r;
}

std::ostream& operator<<(std::ostream& out, const CCompactText& text);

} // namespace projectmodel
