#pragma once
// Reads one CID/ICD file through the SCL reader and turns every data attribute that the pattern
// table recognises into a point of the module object, split into DataSet points and other points.
#include "platform/scl/ChildIndex.h"
#include "platform/scl/CtBase.h"
#include "platform/scl/TypeWalkBudget.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace iedinterface {

class CIcdInterfaceApp;
struct CCidPoint;

class CCidExtractor {
public:
    explicit CCidExtractor(CIcdInterfaceApp& app) : app_(app) {}

    // Loads the file and extracts; 0 after the parse message, or without one when the file has
    // no IED or no DataTypeTemplates.
    int ParseCidFile(const std::string& path);
    int ExtractModel();

    // The ceilings of the type walk (tests set small ones).
    void SetWalkLimits(const platform::scl::TypeWalkLimits& limits) { limits_ = limits; }

private:
    using Element = platform::scl::CtBase;
    using TypeMap = std::unordered_map<std::string, Element>;

    // The logical node being walked.
    struct Node {
        Element ln;
        std::string ldInst;
        std::string prefix;
        std::string lnClass;
        std::string lnInst;
        bool doiIndexed = false;
        std::unordered_map<std::string, Element> dois; // DOI children by name, first wins
        // The children of the node's DOIs and SDIs by name, each read once.
        platform::scl::CChildIndex children{false};
    };

    void ProcessNode(const Element& ln, const std::string& ldInst);
    void ProcessDataObject(Node& node, const Element& object, std::vector<std::string> chain);
    void WalkAttribute(Node& node, const std::vector<std::string>& chain, const std::string& cdc,
                       const std::string& fc, const std::string& attrPath, const Element& attribute,
                       int depth);
    // Makes the point unless the walk's budget of points is spent (its reference and description
    // weigh as much as they are long).
    void MakePoint(Node& node, const std::vector<std::string>& chain, const std::string& cdc,
                   const std::string& fc, const std::string& attrPath, int pointClass);
    // The instance element (DOI, then SDIs) of a data-object chain and attribute path, as deep
    // as the file has it, with the description found on the way; complete when every name was found.
    Element FindInstance(Node& node, const std::vector<std::string>& names, std::string* description,
                         bool* complete);

    static TypeMap IndexTypes(const Element& templates, const char* elementName);

    CIcdInterfaceApp& app_;
    TypeMap lnodeTypes_;
    TypeMap doTypes_;
    TypeMap daTypes_;
    platform::scl::TypeWalkLimits limits_;
    platform::scl::CTypeWalkBudget budget_;
};

} // namespace iedinterface
