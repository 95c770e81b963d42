#pragma once
// The children of instance elements (DOI, SDI) by kind and name, read once per element: every
// point below a data object looks up its description, dU and ctlModel among the same children,
// and a scan of them per point made an import quadratic in the size of a data object's instance.
#include "platform/scl/CtBase.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::scl {

class CChildIndex {
public:
    // noCase: names are compared without regard to ASCII case; otherwise byte for byte.
    explicit CChildIndex(bool noCase) : noCase_(noCase) {}

    // The first child of element of the kind (DOI, SDI or DAI) whose "name" attribute is name; a
    // null handle when there is none. The element's children are read the first time it is asked
    // about.
    CtBase Find(const CtBase& element, EleID kind, std::string_view name);
    // Forgets every element read (their handles may not outlive the document).
    void Clear();

private:
    std::string& Key(EleID kind, std::string_view name);
    // Where the children of an element read lie in entries_: [begin, end).
    struct Range {
        std::uint32_t begin = 0, end = 0;
    };
    Range Read(const CtBase& element);

    bool noCase_;
    // kind and name of each child of the elements read, and the child; the children of an element
    // together, sorted by key (the first of a key first) when there are many.
    struct Entry {
        std::string key;
        CtBase child;
    };
    std::vector<Entry> entries_;
    std::unordered_map<const void*, Range> elements_;
    // The element asked about last: the points of a data object ask about the same one in turn.
    const void* last_ = nullptr;
    Range lastRange_;
    std::string key_;
};

} // namespace platform::scl
