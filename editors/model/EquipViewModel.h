#pragma once
// The equipment list of a bay without widgets, and where a tree path leads to: the level, bay and
// equipment are found through the level order, the level's bay ids and the bay's equipment ids.
// The related points of a piece of equipment are in EquipDetailModel, its related devices in
// EquipRefDevModel.
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

namespace editors {

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
    // Asked before the equipment at the selected rows is deleted when it is linked to points
    // (entries of its reference tables); empty when it is linked to none.
    static std::string EquipmentDeletionQuestion(const projectmodel::CProjectModel& doc,
                                                 const projectmodel::CPrjBay& bay,
                                                 const std::vector<int>& rows);
    // Entries of the reference tables of the equipment of those ids: its links to points.
    static int CountPointLinks(const projectmodel::CProjectModel& doc, const std::vector<int>& ids);
    // Asks a deletion question (No by default); true when there is none or the answer is Yes.
    static bool ConfirmDeletion(const std::string& question, const std::string& caption);
    // Deletes the bay of that id with its equipment; the points related to that equipment are
    // related to none afterwards. Every deletion of bays (a bay, a voltage level) goes here.
    static void RemoveBay(projectmodel::CProjectModel& doc, int bayId);
};

} // namespace editors
