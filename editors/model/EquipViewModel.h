#pragma once
// The primary-equipment views without widgets: a bay's equipment list, the related points of a
// piece of equipment (one reference table at a time, with its option values) and the secondary
// devices related to it; the records are found from the tree's path through the level order, the
// level's bay ids and the bay's equipment ids.
#include "editors/model/GridRows.h"
#include "editors/model/ProjectTreeModel.h"

#include <string>
#include <vector>

namespace projectmodel {
class CDevice;
class CPointRef;
class CPrjBay;
class CPrjDevice;
class CProjectModel;
class CRefTable;
class CVoltLevel;
} // namespace projectmodel

// The level, bay and equipment a path designates; null where it does not resolve.
struct CEquipLocation {
    projectmodel::CVoltLevel* level = nullptr;
    projectmodel::CPrjBay* bay = nullptr;
    projectmodel::CPrjDevice* equipment = nullptr;
};
// Slots 2 and 3 (and 4 with equipment) of a path under 间隔配置.
CEquipLocation LocateEquipment(projectmodel::CProjectModel& doc, const CPathRecord& path, bool withEquipment);

class CEquipViewModel {
public:
    // "序号", "设备类型", "设备名称"; item value = the equipment id.
    static std::vector<CGridRow> Rows(const projectmodel::CProjectModel& doc,
                                      const projectmodel::CPrjBay& bay);
    // Names of the equipment library.
    static std::vector<std::string> TypeChoices(const projectmodel::CProjectModel& doc);
    static bool SetType(projectmodel::CProjectModel& doc, projectmodel::CPrjBay& bay, int row,
                        const std::string& name);
    static bool SetName(projectmodel::CProjectModel& doc, projectmodel::CPrjBay& bay, int row,
                        const std::string& text);
    // Column 1 by type, column 2 by name, ascending by GBK bytes; equal ones keep their order.
    static bool Sort(projectmodel::CProjectModel& doc, projectmodel::CPrjBay& bay, int column);
    static bool AddEquipment(projectmodel::CProjectModel& doc, projectmodel::CPrjBay& bay);
    static void DeleteEquipment(projectmodel::CProjectModel& doc, projectmodel::CPrjBay& bay,
                                const std::vector<int>& rows);
    // Deletes the bay of that id with its equipment; the points related to that equipment are
    // related to none afterwards. Every deletion of bays (a bay, a voltage level) goes here.
    static void RemoveBay(projectmodel::CProjectModel& doc, int bayId);
};

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
    // The points referenced by the tables are no longer related to any equipment.
    static void ResetPointLinks(projectmodel::CProjectModel& doc, const projectmodel::CPrjDevice& equipment);
};

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
