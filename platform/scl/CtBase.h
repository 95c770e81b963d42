#pragma once
// Elements of a loaded SCL file (SCD, CID, ICD) and the queries the import code makes of them:
// element lists by kind, one element by kind, attribute values, the children of one element
// name and the text of a Val element.
//
// A CtBase is a light handle (two pointers) onto an element of the document that its
// CSCLService holds; it copies nothing of the file. Handles stay valid until the service loads
// another file, is cleared or is destroyed. A default-constructed handle is the "no element"
// result of a failed lookup and tests false.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
struct xml_node_struct;
}

namespace platform {

class CSCLService;

namespace scl {

// Element kinds of the SCL schema that the readers ask for. EleName gives the element name.
enum class EleID {
    SCL,
    Header,
    History,
    Hitem,
    Substation,
    VoltageLevel,
    Bay,
    Communication,
    SubNetwork,
    ConnectedAP,
    Address,
    P,
    GSE,
    SMV,
    IED,
    Services,
    AccessPoint,
    Server,
    Authentication,
    LDevice,
    LN0,
    LN,
    DataSet,
    FCDA,
    ReportControl,
    GSEControl,
    SampledValueControl,
    SettingControl,
    LogControl,
    Inputs,
    ExtRef,
    DOI,
    SDI,
    DAI,
    Val,
    DataTypeTemplates,
    LNodeType,
    DOType,
    DAType,
    EnumType,
    EnumVal,
    DO,
    SDO,
    DA,
    BDA,
    Private,
    Count // number of kinds, not a kind
};

// The element name of a kind ("IED" for EleID::IED); "" for values outside the kinds.
const char* EleName(EleID id);

class CtBase;
using CtEleList = std::vector<CtBase>;

namespace detail {
struct DocInfo;
}

class CtBase {
public:
    CtBase() = default;

    explicit operator bool() const { return node_ != nullptr; }
    bool IsNull() const { return node_ == nullptr; }
    bool operator==(const CtBase& other) const { return node_ == other.node_; }

    // The first element of the kind below this one: among the children only, or at any depth
    // (document order) when recursive. A null handle when there is none.
    CtBase FindOneEleByID(EleID id, bool recursive) const;
    // Appends every element of the kind below this one (children only, or at any depth in
    // document order when recursive) to the list, which is not emptied first. Returns the
    // number appended.
    int FindEleListByID(EleID id, CtEleList& list, bool recursive) const;

    // Whether the element's name is name, as the finds by name compare it.
    bool IsNamed(std::string_view name) const;
    // As FindEleListByName for several names in one pass: each element below this one with
    // names[k] is appended to *lists[k].
    void FindEleListsByName(const std::string_view* names, CtEleList* const* lists, std::size_t count,
                            bool recursive) const;

    // The attribute's value (names compared byte for byte, "rScl:uri" included), or an empty
    // text when the element has no such attribute.
    std::string GetAttrValByName(std::string_view name) const;
    // The values of several attributes in one pass over the element's attributes: values[i] as
    // GetAttrValByName(names[i]) gives it.
    void GetAttrVals(const std::string_view* names, std::string* values, std::size_t count) const;
    // As GetAttrVals without copying what needs no conversion: values[i] views the document's
    // text, or texts[i] when the value had to be converted (files in GBK). The views stay valid
    // while the document and the texts do.
    void GetAttrViews(const std::string_view* names, std::string_view* values, std::string* texts,
                      std::size_t count) const;

    // The first child of the kind whose attribute attr equals value without regard to ASCII case
    // (a missing attribute counts as an empty value); a null handle when there is none.
    CtBase FindChildByAttrNoCase(EleID id, std::string_view attr, std::string_view value) const;

    // The elements below this one (children only, or at any depth when recursive) whose name is
    // any of names, counted without making a list of them.
    std::uint64_t CountEleByName(const std::string_view* names, std::size_t count, bool recursive) const;

    // What tells one element from another: equal for handles onto the same element.
    const void* Identity() const { return node_; }

    // The children with the given element name, in document order ("LNodeType" under
    // DataTypeTemplates, "DO" under an LNodeType, ...).
    CtEleList GetEleByName(std::string_view name) const;

    // The element's text (the value of a Val element) without surrounding blanks.
    std::string GetValue() const;

    // What a generic XML document walk needs as well: the element's name as written, its
    // element children in document order, and the by-name forms of the two finds.
    std::string GetEleName() const;
    CtEleList GetChildEles() const;
    CtBase FindOneEleByName(std::string_view name, bool recursive) const;
    int FindEleListByName(std::string_view name, CtEleList& list, bool recursive) const;

private:
    friend class platform::CSCLService;
    CtBase(pugi::xml_node_struct* node, const detail::DocInfo* doc) : node_(node), doc_(doc) {}

    pugi::xml_node_struct* node_ = nullptr;
    const detail::DocInfo* doc_ = nullptr;
};

} // namespace scl
} // namespace platform
