#pragma once
// The bays of one voltage level without widgets: the level a tree path designates, the rows of
// the bay list, and renaming, adding, deleting and sorting bays.
#include "editors/model/GridRows.h"
#include "editors/model/ProjectTreeModel.h"

#include <string>
#include <vector>

namespace projectmodel {
class CProjectModel;
class CVoltLevel;
} // namespace projectmodel

namespace editors {

class CBayListModel {
public:
    // The level of a voltage-level node (depth 2, item value = position in the level order);
    // null when the path designates none.
    static projectmodel::CVoltLevel* LevelOf(projectmodel::CProjectModel& doc, const CPathRecord& path);
    // "序号" from 1 and the bay's name ("" for an unknown id).
    static std::vector<CGridRow> Rows(const projectmodel::CProjectModel& doc,
                                      const projectmodel::CVoltLevel& level);
    // Gives the bay at row the trimmed name when it differs from the shown one; true when renamed.
    static bool Rename(projectmodel::CProjectModel& doc, const projectmodel::CVoltLevel& level, int row,
                       const std::string& shown, const std::string& typed);
    // A new bay of the level (next free id, default name); false when none could be made.
    static bool AddBay(projectmodel::CProjectModel& doc, projectmodel::CVoltLevel& level);
    // Asked before the bays at the selected rows are deleted when they hold primary equipment
    // (which goes with them, and its links to points); empty when they hold none.
    static std::string BaysDeletionQuestion(const projectmodel::CProjectModel& doc,
                                            const projectmodel::CVoltLevel& level,
                                            const std::vector<int>& rows);
    // Deletes the bays at the selected rows (ascending) with their primary equipment.
    static int DeleteBays(projectmodel::CProjectModel& doc, projectmodel::CVoltLevel& level,
                          const std::vector<int>& rows);
    // Orders the level's bays by name (GBK bytes); bays of equal names keep their order.
    static void SortByName(const projectmodel::CProjectModel& doc, projectmodel::CVoltLevel& level);
};

} // namespace editors
