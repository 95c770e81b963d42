#include "platform/scl/CtBase.h"

#include "platform/Gbk.h"
#include "platform/scl/DocInfo.h"
#include "platform/Text.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstring>
#include <iterator>

namespace platform::scl {

namespace {

// clang-format off
constexpr const char* kEleNames[] = {
    "SCL", "Header", "History", "Hitem", "Substation", "VoltageLevel", "Bay", "Communication",
    "SubNetwork", "ConnectedAP", "Address", "P", "GSE", "SMV", "IED", "Services", "AccessPoint",
    "Server", "Authentication", "LDevice", "LN0", "LN", "DataSet", "FCDA", "ReportControl",
    "GSEControl", "SampledValueControl", "SettingControl", "LogControl", "Inputs", "ExtRef", "DOI",
    "SDI", "DAI", "Val", "DataTypeTemplates", "LNodeType", "DOType", "DAType", "EnumType",
    "EnumVal", "DO", "SDO", "DA", "BDA", "Private"};
// clang-format on
static_assert(std::size(kEleNames) == static_cast<std::size_t>(EleID::Count), "one element name per kind");

// Element names are compared without their namespace prefix ("scl:IED" is an IED), unless the
// name asked for carries a prefix itself.
bool NameMatches(const char* nodeName, std::string_view wanted) {
    // Compared from the end: the name asked for is the whole name, or the part after a ':'.
    const std::size_t length = std::strlen(nodeName);
    if (length < wanted.size() ||
        std::memcmp(nodeName + length - wanted.size(), wanted.data(), wanted.size()) != 0)
        return false;
    if (length == wanted.size())
        return true;
    return nodeName[length - wanted.size() - 1] == ':' && wanted.find(':') == std::string_view::npos;
}

std::string Text(const detail::DocInfo* doc, const char* s) {
    if (doc && doc->gbk)
        return FromGbk(s);
    return std::string(s);
}

// Visits the element children of `from` (all element descendants in document order when
// recursive) until the visitor returns true. Iterative, so deep files cannot exhaust the stack.
template <class Visit> void WalkElements(pugi::xml_node from, bool recursive, Visit&& visit) {
    pugi::xml_node cur = from.first_child();
    while (cur) {
        if (cur.type() == pugi::node_element && visit(cur))
            return;
        if (recursive && cur.first_child()) {
            cur = cur.first_child();
            continue;
        }
        while (!cur.next_sibling()) {
            cur = cur.parent();
            if (!cur || cur == from)
                return;
        }
        cur = cur.next_sibling();
    }
}

} // namespace

const char* EleName(EleID id) {
    auto i = static_cast<std::size_t>(id);
    return i < std::size(kEleNames) ? kEleNames[i] : "";
}

CtBase CtBase::FindOneEleByID(EleID id, bool recursive) const {
    return FindOneEleByName(EleName(id), recursive);
}

int CtBase::FindEleListByID(EleID id, CtEleList& list, bool recursive) const {
    return FindEleListByName(EleName(id), list, recursive);
}

CtBase CtBase::FindOneEleByName(std::string_view name, bool recursive) const {
    CtBase found;
    if (!node_ || name.empty())
        return found;
    WalkElements(pugi::xml_node(node_), recursive, [&](pugi::xml_node n) {
        if (!NameMatches(n.name(), name))
            return false;
        found = CtBase(n.internal_object(), doc_);
        return true;
    });
    return found;
}

int CtBase::FindEleListByName(std::string_view name, CtEleList& list, bool recursive) const {
    if (!node_ || name.empty())
        return 0;
    std::size_t before = list.size();
    WalkElements(pugi::xml_node(node_), recursive, [&](pugi::xml_node n) {
        if (NameMatches(n.name(), name))
            list.push_back(CtBase(n.internal_object(), doc_));
        return false;
    });
    return static_cast<int>(list.size() - before);
}

std::string CtBase::GetAttrValByName(std::string_view name) const {
    if (!node_)
        return {};
    for (pugi::xml_attribute a = pugi::xml_node(node_).first_attribute(); a; a = a.next_attribute()) {
        if (name == a.name())
            return Text(doc_, a.value());
    }
    return {};
}

void CtBase::GetAttrVals(const std::string_view* names, std::string* values, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i)
        values[i].clear();
    if (!node_)
        return;
    std::uint64_t found = 0; // the first attribute of a name counts, as for GetAttrValByName
    for (pugi::xml_attribute a = pugi::xml_node(node_).first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name(a.name());
        for (std::size_t i = 0; i < count && i < 64; ++i) {
            // The first byte is compared before the rest: most names differ there.
            if ((found >> i & 1) == 0 && names[i].size() == name.size() &&
                (name.empty() || names[i][0] == name[0]) && names[i] == name) {
                found |= std::uint64_t(1) << i;
                values[i] = Text(doc_, a.value());
            }
        }
    }
    for (std::size_t i = 64; i < count; ++i)
        values[i] = GetAttrValByName(names[i]);
}

CtBase CtBase::FindChildByAttrNoCase(EleID id, std::string_view attr, std::string_view value) const {
    CtBase found;
    if (!node_)
        return found;
    const std::string_view name = EleName(id);
    WalkElements(pugi::xml_node(node_), false, [&](pugi::xml_node n) {
        if (!NameMatches(n.name(), name))
            return false;
        const char* raw = "";
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
            if (attr == a.name()) {
                raw = a.value();
                break;
            }
        }
        // Compared as the text GetAttrValByName hands out.
        const bool equal = doc_ && doc_->gbk ? EqualsNoCase(Text(doc_, raw), value) : EqualsNoCase(raw, value);
        if (!equal)
            return false;
        found = CtBase(n.internal_object(), doc_);
        return true;
    });
    return found;
}

CtEleList CtBase::GetEleByName(std::string_view name) const {
    CtEleList list;
    FindEleListByName(name, list, false);
    return list;
}

std::string CtBase::GetValue() const {
    if (!node_)
        return {};
    return Trim(Text(doc_, pugi::xml_node(node_).text().get()));
}

std::string CtBase::GetEleName() const {
    if (!node_)
        return {};
    return Text(doc_, pugi::xml_node(node_).name());
}

CtEleList CtBase::GetChildEles() const {
    CtEleList list;
    if (!node_)
        return list;
    WalkElements(pugi::xml_node(node_), false, [&](pugi::xml_node n) {
        list.push_back(CtBase(n.internal_object(), doc_));
        return false;
    });
    return list;
}

} // namespace platform::scl
