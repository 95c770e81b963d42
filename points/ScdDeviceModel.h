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

// True for a control reference of a tap changer: the text between "/" and the first "$" holds
// "ATCC" (without regard to case) and the nine characters after that "$" are "CO$TapChg".
bool IsTapChangerReference(std::string_view fcda);

} // namespace points
