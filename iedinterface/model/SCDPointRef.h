#pragma once
// A configured point: one line of the device-model point text file, held in the category list of
// its code until the file is written.
#include <cstdint>
#include <string>
#include <vector>

namespace iedinterface {

struct CSCDPointRef {
    std::string Reference;
    std::string Cdc;
    std::string CtlModel;
    std::string TapChgDir; // "UPDOWN" or "STOP" on 遥调, else empty
    std::string Description;
    std::string Field5;
    std::string Field6;
    std::string OnText;
    std::string OffText;
    std::string Attributes; // "FCDA=..;CDC=..;ctlModel=.." and the extra attributes
    std::int16_t Code = 0;
    std::string CategoryName;
    std::int16_t Source = 0;     // 0: DataSet point, 1: other point
    std::int32_t CopyIndex = -1; // further rows of one reference on 遥调: rows of it before this one
};

using CSCDPointRefList = std::vector<CSCDPointRef>;

// "FCDA=%s", then ";CDC=%s" and ";ctlModel=%s" for the texts that are not empty.
std::string BuildFcdaAttributes(const std::string& reference, const std::string& cdc,
                                const std::string& ctlModel);

} // namespace iedinterface
