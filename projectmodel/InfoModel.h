#pragma once
// The information model of one imported IED: all its data points, and one reference record per
// classified point in the list of its kind. Also the classifier of data attributes, the
// category masks per class and the point category table.
#include "projectmodel/SCDPoint.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace projectmodel {

class CInfoModel {
public:
    CInfoModel() = default;
    ~CInfoModel() { Clear(); }
    CInfoModel(const CInfoModel&) = delete;
    CInfoModel& operator=(const CInfoModel&) = delete;

    std::string m_strName;
    std::string m_strDesc;
    std::string m_strType;
    std::string m_strConfigVersion;
    std::string m_strManufacturer;
    std::uint32_t m_nWord = 0;
    std::uint8_t m_bRecorder = 0; // a logical node "RDRE" was met

    using PointList = std::vector<std::unique_ptr<CSCDPoint>>;
    using RefList = std::vector<std::unique_ptr<CSCDPointRef>>;
    PointList m_allPoints;
    RefList m_measurands;  // data kind 100
    RefList m_indications; // 101
    RefList m_controls;    // 103
    RefList m_configured;  // searched by LookupConfiguredRef
    RefList m_further1;
    RefList m_further2;
    RefList m_others; // 106: setting-group numbers, settings, parameters, fault information

    // Cleans the description, keeps the point and files a reference record by the point's class.
    void AddPoint(std::unique_ptr<CSCDPoint> point);
    // A point's description as AddPoint files it: no ';' or ',' (they separate an entry line's
    // fields and options) and balanced parentheses. False (desc not written) when the given text
    // is that already.
    static bool CleanPointDesc(std::string_view given, std::string& desc);
    // Copies the first configured record of ref's reference (without regard to case) into ref
    // and stores the number of matches in ref's match count.
    void LookupConfiguredRef(CSCDPointRef& ref) const;
    // The first point of that reference with its assignment cleared, or null.
    CSCDPoint* ReleasePoint(std::string_view reference);
    // Deletes the reference records first, the points last, and gives their room back.
    void Clear();
};

// Point class of "FC$CDC$attribute path": the class of the first pattern the path equals or
// contains; 1 when a pattern contains the path (descend further); 0 when nothing matches.
int ClassifyDataAttribute(std::string_view path);
// The categories of the point category table a class may be sorted into (bit i = category i).
std::uint32_t CategoryMaskForClass(int pointClass, std::uint32_t mask);
// Data kind and name of a point category (0..14); 0xFFFF and "" above 14.
std::uint16_t GetPointCategory(int index, std::string& name);

} // namespace projectmodel
