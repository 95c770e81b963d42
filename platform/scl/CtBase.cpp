#include "platform/scl/CtBase.h"

#include "platform/Gbk.h"
#include "platform/scl/DocInfo.h"
#include "platform/scl/SclScan.h"
#include "platform/Text.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

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
// An element's name with where its part after the last ':' starts (all of it without one) and
// where it ends, found in one pass over the name without a library call.
struct SplitName {
    explicit SplitName(const char* nodeName) : name(nodeName), local(nodeName), end(nodeName) {
        for (; *end; ++end)
            if (*end == ':')
                local = end + 1;
    }
    const char* name;
    const char* local;
    const char* end;
};

bool NameMatches(const SplitName& split, std::string_view wanted) {
    const char* nodeName = split.name;
    const char* local = split.local;
    const char* end = split.end;
    const auto equals = [&wanted](const char* from, const char* to) {
        if (static_cast<std::size_t>(to - from) != wanted.size())
            return false;
        for (std::size_t i = 0; i < wanted.size(); ++i)
            if (from[i] != wanted[i])
                return false;
        return true;
    };
    if (local == nodeName || wanted.find(':') != std::string_view::npos)
        return equals(nodeName, end);
    return equals(local, end);
}

bool NameMatches(const char* nodeName, std::string_view wanted) {
    return NameMatches(SplitName(nodeName), wanted);
}

// Whether an attribute's name is the one asked for, byte for byte: compared from its first byte
// (where most names differ) without measuring it first.
bool NameIs(const char* name, std::string_view wanted) {
    for (std::size_t i = 0; i < wanted.size(); ++i)
        if (name[i] != wanted[i] || name[i] == '\0')
            return false;
    return name[wanted.size()] == '\0';
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The entity or character reference at the start of text ("&amp;", "&#x4E00;", "&#20108;"):
// its length, and its text appended to out; 0 when it is none (the "&" is then kept).
std::size_t ExpandOne(std::string_view text, std::string& out) {
    const std::size_t semi = text.find(';');
    if (semi == std::string_view::npos || semi > 12)
        return 0;
    const std::string_view name = text.substr(1, semi - 1);
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [entity, c] : kNamed) {
        if (name == entity) {
            out += c;
            return semi + 1;
        }
    }
    std::uint32_t code = 0;
    if (scan::CharacterReference(text.substr(0, semi + 1), code) == 0 || !IsXmlChar(code))
        return 0;
    AppendUtf8(out, code);
    return semi + 1;
}

// The references of a converted text expanded, as the parser does for UTF-8 files.
std::string ExpandReferences(std::string text) {
    std::size_t amp = text.find('&');
    if (amp == std::string::npos)
        return text;
    std::string out(text, 0, amp);
    out.reserve(text.size());
    const std::string_view rest(text);
    while (amp < rest.size()) {
        const std::size_t used = ExpandOne(rest.substr(amp), out);
        if (used == 0)
            out += '&';
        const std::size_t from = amp + (used ? used : 1);
        const std::size_t next = std::min(rest.find('&', from), rest.size());
        out.append(rest.substr(from, next - from));
        amp = next;
    }
    return out;
}

std::string Text(const detail::DocInfo* doc, const char* s) {
    if (doc && doc->gbk)
        return ExpandReferences(FromGb18030(s));
    return std::string(s);
}

// The element's whole character data: every text and CDATA child, also around comments and
// processing instructions. A CDATA section holds no references.
std::string CharacterData(const detail::DocInfo* doc, pugi::xml_node node) {
    std::string text;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_pcdata)
            text += Text(doc, c.value());
        else if (c.type() == pugi::node_cdata)
            text += doc && doc->gbk ? FromGb18030(c.value()) : std::string(c.value());
    }
    return text;
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

bool CtBase::IsNamed(std::string_view name) const {
    return node_ && !name.empty() && NameMatches(pugi::xml_node(node_).name(), name);
}

void CtBase::FindEleListsByName(const std::string_view* names, CtEleList* const* lists, std::size_t count,
                                bool recursive) const {
    if (!node_)
        return;
    WalkElements(pugi::xml_node(node_), recursive, [&](pugi::xml_node n) {
        const SplitName name(n.name()); // read once for every name asked for
        for (std::size_t k = 0; k < count; ++k)
            if (!names[k].empty() && NameMatches(name, names[k]))
                lists[k]->push_back(CtBase(n.internal_object(), doc_));
        return false;
    });
}

std::uint64_t CtBase::CountEleByName(const std::string_view* names, std::size_t count, bool recursive) const {
    std::uint64_t found = 0;
    if (!node_)
        return found;
    WalkElements(pugi::xml_node(node_), recursive, [&](pugi::xml_node n) {
        const SplitName name(n.name());
        for (std::size_t k = 0; k < count; ++k)
            if (!names[k].empty() && NameMatches(name, names[k])) {
                ++found;
                break;
            }
        return false;
    });
    return found;
}

std::string CtBase::GetAttrValByName(std::string_view name) const {
    if (!node_)
        return {};
    for (pugi::xml_attribute a = pugi::xml_node(node_).first_attribute(); a; a = a.next_attribute()) {
        if (NameIs(a.name(), name))
            return Text(doc_, a.value());
    }
    return {};
}

namespace {

// The attributes of an element read for several names in one pass: store(i, value) for the first
// attribute of each name; a name asked for twice is handed its first asking's value by copy(i, j).
// The attributes are read until every name has been found. Files mostly write the attributes in
// the order they are asked for: each attribute's name is first compared with the name after the
// last found.
template <class Store, class Copy>
void ReadAttrs(pugi::xml_node node, const std::string_view* names, std::size_t count, Store&& store,
               Copy&& copy) {
    const std::size_t tracked = std::min<std::size_t>(count, 64);
    const std::uint64_t all = tracked == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << tracked) - 1;
    std::uint64_t found = 0;
    std::size_t next = 0;
    for (pugi::xml_attribute a = node.first_attribute(); a && found != all; a = a.next_attribute()) {
        const char* name = a.name();
        for (std::size_t step = 0; step < tracked; ++step) {
            const std::size_t i = next + step < tracked ? next + step : next + step - tracked;
            if ((found >> i & 1) == 0 && NameIs(name, names[i])) {
                found |= std::uint64_t(1) << i;
                store(i, a.value());
                next = i + 1 == tracked ? 0 : i + 1;
                break;
            }
        }
    }
    for (std::size_t i = 0; i < tracked && found != all; ++i) {
        if (found >> i & 1)
            continue;
        for (std::size_t j = 0; j < tracked; ++j) {
            if (j != i && (found >> j & 1) && names[j] == names[i]) {
                copy(i, j);
                break;
            }
        }
    }
}

} // namespace

void CtBase::GetAttrVals(const std::string_view* names, std::string* values, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i)
        values[i].clear();
    if (!node_)
        return;
    const bool gbk = doc_ && doc_->gbk;
    ReadAttrs(
        pugi::xml_node(node_), names, count,
        [&](std::size_t i, const char* value) {
            if (gbk)
                values[i] = Text(doc_, value);
            else
                values[i].assign(value); // into the room the value already has
        },
        [&](std::size_t i, std::size_t j) { values[i] = values[j]; });
    for (std::size_t i = 64; i < count; ++i)
        values[i] = GetAttrValByName(names[i]);
}

void CtBase::GetAttrViews(const std::string_view* names, std::string_view* values, std::string* texts,
                          std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i)
        values[i] = {};
    if (!node_)
        return;
    const bool gbk = doc_ && doc_->gbk;
    ReadAttrs(
        pugi::xml_node(node_), names, count,
        [&](std::size_t i, const char* value) {
            if (gbk) {
                texts[i] = Text(doc_, value);
                values[i] = texts[i];
            } else {
                values[i] = value;
            }
        },
        [&](std::size_t i, std::size_t j) { values[i] = values[j]; });
    for (std::size_t i = 64; i < count; ++i) {
        texts[i] = GetAttrValByName(names[i]);
        values[i] = texts[i];
    }
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
            if (NameIs(a.name(), attr)) {
                raw = a.value();
                break;
            }
        }
        // Compared as the text GetAttrValByName hands out.
        const bool equal =
            doc_ && doc_->gbk ? EqualsNoCase(Text(doc_, raw), value) : EqualsNoCase(raw, value);
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
    return Trim(CharacterData(doc_, pugi::xml_node(node_)));
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
