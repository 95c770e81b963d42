#pragma once
// The information points of one device by point category, without widgets: the rows of a
// category tab, the description edit and the deletion of telecontrol entries.
#include "editors/model/GridRows.h"

#include <string>
#include <vector>

namespace projectmodel {
class CDevice;
class CProjectModel;
class CInfoEntry;
} // namespace projectmodel

namespace editors {

class CDevDetailModel {
public:
    // Rows are red when their entry is disabled.
    static constexpr std::uint32_t kDisabledColour = 0xFF0000;

    // "序号", "分组名称", "分组号", "条目号", "FUN", "INF", "描述", "FCDA" for every entry (not
    // numbered 0) of the groups of category tab; combined groups (7) also on 遥信 and 遥控. The item
    // value is the entry's key (see EntryKey).
    static std::vector<CGridRow> Rows(const projectmodel::CDevice& device, int tab);
    static long long EntryKey(int groupNo, int entryNo) {
        return static_cast<long long>(groupNo) * 65536 + entryNo;
    }
    static projectmodel::CInfoEntry* EntryOfKey(projectmodel::CDevice& device, long long key);
    // A non-empty text that differs (without regard to case) becomes the description.
    static bool SetDescription(projectmodel::CDevice& device, long long key, const std::string& text);
    // Only on the 遥控 tab (3) of a device whose model copy has its flag set: removes the entries of
    // the rows' keys; the later entries of a group take the number one lower. References to the
    // entries (reference tables, equipment, composite operands, "遥信=" links) follow, those to a
    // removed entry are dropped after a Yes to the question (No: nothing is removed). True when
    // one was removed.
    static bool DeleteTelecontrol(projectmodel::CProjectModel& doc, int address, int tab,
                                  const std::vector<long long>& keys);
};

} // namespace editors
