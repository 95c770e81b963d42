#pragma once
// The device model of one imported IED: its classified points as groups of entry lines, at most
// 200 a group, numbered class by class; the tap changers' group (18, or the lowest free number
// other than the reserved 10); the special-indication group 255; flagged as imported.
#include "projectmodel/CompactText.h"
#include "projectmodel/DeviceTemplate.h"

#include <string>
#include <string_view>
#include <vector>

namespace projectmodel {
class CInfoModel;
}

namespace points {

projectmodel::CDeviceTemplate BuildDeviceModel(const projectmodel::CInfoModel& model);

// A point as its device model's entry takes it, for a reader that keeps neither the point nor its
// reference record: the texts CInfoModel::AddPoint files for it (the description cleaned as
// AddPoint cleans it) and the point's class.
struct ScdPointRecord {
    projectmodel::CCompactText reference, cdc, ctlModel, desc;
    int pointClass = 0;
    // The description as CInfoModel::AddPoint cleans it (set after the reference, whose text it
    // shares when it is the same).
    void SetDesc(std::string_view given);
};
// The device model BuildDeviceModel makes of model once AddPoint has filed these points into it in
// this order; model's own reference records are not read.
projectmodel::CDeviceTemplate BuildDeviceModel(const projectmodel::CInfoModel& model,
                                               const std::vector<ScdPointRecord>& records);

// The numbers an ordinary group (and the tap changers' group) may take: 255 is the special
// indications', and the editors hold every group number within 1-255.
constexpr int kMaxOrdinaryGroupNumber = 254;
// The highest number of the groups of a model BuildDeviceModel made, the special-indication group
// (the last one made) left out.
int HighestOrdinaryGroupNumber(const projectmodel::CDeviceTemplate& model);

// True for a control reference of a tap changer: the text between "/" and the first "$" holds
// "ATCC" (without regard to case) and the nine characters after that "$" are "CO$TapChg".
bool IsTapChangerReference(std::string_view fcda);

} // namespace points
