#pragma once
// The device model of one imported IED: its classified points as groups of entry lines, at most
// 200 a group, numbered class by class; the tap changers' group (18, or the lowest free number
// other than the reserved 10); the special-indication group 255; flagged as imported.
#include "projectmodel/DeviceTemplate.h"

#include <string_view>

namespace projectmodel {
class CInfoModel;
}

namespace points {

projectmodel::CDeviceTemplate BuildDeviceModel(const projectmodel::CInfoModel& model);

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
