#pragma once
// The secondary devices related to a piece of primary equipment, without widgets.
#include "editors/model/GridRows.h"

#include <vector>

namespace projectmodel {
class CDevice;
class CPrjDevice;
class CProjectModel;
} // namespace projectmodel

namespace editors {

class CEquipRefDevModel {
public:
    // "序号", "地址", "名称", "型号", "版本", "装置描述"; item value = address.
    static std::vector<CGridRow> Rows(const projectmodel::CProjectModel& doc,
                                      const projectmodel::CPrjDevice& equipment);
    // False for no device or an address already listed.
    static bool AddLinkedDevice(projectmodel::CProjectModel& doc, projectmodel::CPrjDevice& equipment,
                                const projectmodel::CDevice* device);
    static void DeleteLinked(projectmodel::CProjectModel& doc, projectmodel::CPrjDevice& equipment,
                             const std::vector<int>& rows);
    static bool SortByAddress(projectmodel::CProjectModel& doc, projectmodel::CPrjDevice& equipment);
};

} // namespace editors
