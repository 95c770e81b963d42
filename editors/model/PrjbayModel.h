#pragma once
// The voltage levels without widgets: the rows and edits of the voltage-level list (add, delete,
// rename, sort).
#include "editors/model/GridRows.h"

#include <string>
#include <vector>

namespace projectmodel {
class CProjectModel;
}

namespace editors {

class CPrjbayModel {
public:
    // "序号", "电压等级" per code of the level order; item value = the code.
    static std::vector<CGridRow> Rows(const projectmodel::CProjectModel& doc);
    // The eight names of the voltage-level table.
    static std::vector<std::string> NameChoices();
    // Renames the level of row (the level is rebuilt from the name, its bays and their equipment
    // removed after a Yes to the question; No keeps everything); "<name>已存在" when a level of
    // that name exists. True when renamed.
    static bool Rename(projectmodel::CProjectModel& doc, int row, const std::string& name);
    // The next free level; false when all eight exist.
    static bool AddLevel(projectmodel::CProjectModel& doc);
    // Deletes the levels of the rows; a level with bays only after a Yes to the question.
    static void DeleteLevels(projectmodel::CProjectModel& doc, const std::vector<int>& rows);
    // Yes (or no bays to lose) when the bays of the level may go; action: "更改" or "删除".
    static bool ConfirmBaysRemoval(const projectmodel::CProjectModel& doc, const std::string& levelName,
                                   const char* action);
    // The order ascending by code.
    static void SortOrder(projectmodel::CProjectModel& doc);
    // Removes the bays of that level name (byte comparison) with their equipment.
    static void RemoveBaysOfLevel(projectmodel::CProjectModel& doc, const std::string& levelName);
};

} // namespace editors
