#pragma once
// The project properties without widgets: the property row and the unit address edit.
#include "editors/model/GridRows.h"

#include <string>
#include <vector>

namespace projectmodel {
class CProjectModel;
struct CProjectTime;
} // namespace projectmodel

namespace editors {

class CPrjViewModel {
public:
    // "工程名称", "最后保存时间", "管理机地址".
    static CGridRow Row(const projectmodel::CProjectModel& doc, const projectmodel::CProjectTime& time);
    // The address clamped to 0..65530; when it differs from the old value it becomes the unit
    // address and the tree's root text follows. True when it changed.
    static bool SetUnitAddress(projectmodel::CProjectModel& doc, const std::string& oldText,
                               const std::string& text);
};

} // namespace editors
