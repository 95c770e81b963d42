#pragma once
// One secondary device under a piece of primary equipment, without widgets: the device a tree path
// designates and the rows of its information points by category.
#include "editors/model/GridRows.h"
#include "editors/model/ProjectTreeModel.h"

#include <string>
#include <vector>

namespace projectmodel {
class CDevice;
class CPrjDevice;
class CProjectModel;
} // namespace projectmodel

namespace editors {

class CUnitDetailModel {
public:
    struct Target {
        const projectmodel::CPrjDevice* equipment = nullptr;
        const projectmodel::CDevice* device = nullptr;
    };
    // Depth 5 under 间隔配置: level position, bay position, equipment position and the position in
    // the equipment's linked device addresses; empty when any of them is missing.
    static Target Resolve(const projectmodel::CProjectModel& doc, const CPathRecord& path);
    // "%s装置%d<%s>信息列表:".
    static std::string Caption(const Target& target);
    // The device's points of the category tab (telesignal and telecontrol also show the combined
    // groups); entries numbered 0 are left out.
    static std::vector<CGridRow> Rows(const projectmodel::CDevice& device, int tab);
};

} // namespace editors
