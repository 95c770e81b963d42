#pragma once
// What the point selection dialog lists, without widgets: the points of one category of one device
// or of all devices, led by the "no point" row; and the device choices of its combo box.
#include "editors/model/GridRows.h"
#include "projectmodel/PointRef.h"

#include <string>
#include <vector>

namespace projectmodel {
class CProjectModel;
}

namespace editors {

class CPointSelectModel {
public:
    std::string m_strType = "GIN";
    int m_nDevice = -1; // -1: all devices
    int m_nCategory = -1;
    bool m_bTabEnabled = true;

    // Category 0, or the category of a single-category type code (YC, YX, YM, YP, YT, YK), which
    // also fixes the tab.
    void Init();
    // "所有装置" then "装置%d[%s]" per device; selected receives the entry of the chosen device.
    std::vector<std::string> DeviceChoices(const projectmodel::CProjectModel& doc, int* selected) const;
    // Combo entry index to the device (-1 for all devices or an index beyond the table).
    void ChooseDevice(const projectmodel::CProjectModel& doc, int index);
    // Row 0 "空点", then the points; selected receives the row of key (0 when not listed).
    std::vector<CGridRow> Rows(const projectmodel::CProjectModel& doc, const projectmodel::CPointRef* key,
                               int* selected) const;
    // The key of a listed row (address, group number, entry number of its cells); false for row 0.
    static bool KeyOfRow(const CGridRow& row, projectmodel::CPointRef& key);
};

} // namespace editors
