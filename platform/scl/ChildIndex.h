#pragma once
// The children of instance elements (DOI, SDI) by kind and name, read once per element: every
// point below a data object looks up its description, dU and ctlModel among the same children,
// and a scan of them per point made an import quadratic in the size of a data object's instance.
#include "platform/scl/CtBase.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

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

    bool noCase_;
    // kind and name -> first child, for each element read
    std::unordered_map<const void*, std::unordered_map<std::string, CtBase>> elements_;
    std::string key_;
};

} // namespace platform::scl
