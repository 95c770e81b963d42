#pragma once
// One data attribute of a CID/ICD file that the pattern table recognises, and the owning list of
// such points with a lookup by object reference.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace iedinterface {

struct CCidPoint {
    std::string Prefix;
    std::string LnClass;
    std::string LnInst;
    std::string DoName; // the (sub-)data object's own name
    std::string DaName; // the attribute path below the data object, "$"-joined
    std::string Fc;
    std::string Cdc;
    std::string Reference;
    std::string CtlModel;
    std::string Description;
    std::string Field5;
    std::string Field6;
    std::string OnText;
    std::string OffText;
    std::string ExtraAttributes; // ";key=value" items kept from an earlier point text file
    std::int32_t Configured = 0; // 1 once placed in a category
    std::int16_t Class = 0;      // 10..15

    std::string LnName() const { return Prefix + LnClass + LnInst; }
};

// Points in extraction order. Lookups by reference ignore ASCII case and find the first point of
// that reference, through an index kept beside the list (imports hold tens of thousands of points).
class CCidPointList {
public:
    void Add(CCidPoint point);
    void Clear();
    std::size_t size() const { return points_.size(); }
    bool empty() const { return points_.empty(); }
    CCidPoint& operator[](std::size_t i) { return points_[i]; }
    const CCidPoint& operator[](std::size_t i) const { return points_[i]; }
    auto begin() { return points_.begin(); }
    auto end() { return points_.end(); }
    auto begin() const { return points_.begin(); }
    auto end() const { return points_.end(); }

    CCidPoint* Find(std::string_view reference);
    const CCidPoint* Find(std::string_view reference) const;

private:
    std::vector<CCidPoint> points_;
    std::unordered_map<std::string, std::size_t> index_; // lower-cased reference -> first point
};

} // namespace iedinterface
