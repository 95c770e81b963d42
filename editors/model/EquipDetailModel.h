#pragma once
// The related points of a piece of primary equipment without widgets: one reference table at a
// time, with its option values, and the equipment links of the referenced points.
#include "editors/model/GridRows.h"

#include <string>
#include <vector>

namespace projectmodel {
class CPointRef;
class CPrjDevice;
class CProjectModel;
class CRefTable;
} // namespace projectmodel

namespace editors {

class CEquipDetailModel {
public:
    static constexpr int kFixedColumns = 7;
    static bool IsSystem(const projectmodel::CPrjDevice& equipment);
    static std::vector<std::string> Headers(const projectmodel::CRefTable& table);
    // One row per reference.
    static std::vector<CGridRow> Rows(projectmodel::CProjectModel& doc, const projectmodel::CRefTable& table);
    // The point's description after "[device]", or "无效引用，请删除该无效信息！".
    static std::string Description(projectmodel::CProjectModel& doc, int address, int group, int entry);
    // Why the equipment's table tableIndex cannot take points ("" when it can): only equipment
    // types of kind "SYSTEM" with a reference table take points.
    static std::string WhyNoPoints(const projectmodel::CPrjDevice& equipment, int tableIndex);
    // Adds the point to table tableIndex of the equipment; 1 when added (messages on refusal).
    static int AddRefPoint(projectmodel::CProjectModel& doc, projectmodel::CPrjDevice& equipment,
                           int tableIndex, int address, int group, int entry);
    // The typed value of option column checked against the option's kind and range, stored.
    static bool SetOptionValue(projectmodel::CRefTable& table, int row, int column, const std::string& text);
    // "%d-%d-%d(%s)" of a chosen point ("无效引用" when missing), "" for none.
    static std::string PointValue(projectmodel::CProjectModel& doc, const projectmodel::CPointRef* key);
    // The first table of category n (SYSTEM equipment only); -1 when none.
    static int TableOfCategory(const projectmodel::CPrjDevice& equipment, int n);
    // Moving, deleting and sorting references keep the row of each point's equipment link ("设备="
    // fifth number) equal to the reference's row.
    static bool MoveRefs(projectmodel::CProjectModel& doc, projectmodel::CPrjDevice& equipment,
                         int tableIndex, const std::vector<int>& rows, int position);
    static bool DeleteRefs(projectmodel::CProjectModel& doc, projectmodel::CPrjDevice& equipment,
                           int tableIndex, const std::vector<int>& rows);
    static bool SortRefs(projectmodel::CProjectModel& doc, projectmodel::CPrjDevice& equipment,
                         int tableIndex);
    // The equipment links of the points of table tableIndex (or of every table) take their
    // reference's row again. Every change of the rows of an equipment's table ends with it, here
    // and in the project-wide carries of address changes, device and entry deletions.
    static void RelinkRows(projectmodel::CProjectModel& doc, const projectmodel::CPrjDevice& equipment,
                           int tableIndex);
    static void RelinkRows(projectmodel::CProjectModel& doc, const projectmodel::CPrjDevice& equipment);
    // The points referenced by the tables are no longer related to any equipment.
    static void ResetPointLinks(projectmodel::CProjectModel& doc, const projectmodel::CPrjDevice& equipment);
};

} // namespace editors
