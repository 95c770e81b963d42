#pragma once
// The protocol-parameter grid of a board's port group without widgets: the columns and rows of the
// grid, the editor a parameter's kind calls for, the checked write-back of a value, the change of
// a port's protocol with the re-placing of devices, and adding and deleting network ports.
#include "editors/model/GridRows.h"

#include <string>
#include <vector>

namespace projectmodel {
class COptionItem;
class CPortArray;
class CPortRecord;
class CProjectModel;
} // namespace projectmodel

namespace editors {

class CPortGridModel {
public:
    enum class Editor { None, Combo, Ip, Edit };

    // "地址" then one title per parameter definition of the group.
    static std::vector<std::string> Titles(const projectmodel::CPortArray& group);
    // One row per port: its index from 0, then its values ("DEVSUM": devices, "TABSUM": tables).
    static std::vector<CGridRow> Rows(const projectmodel::CPortArray& group);
    static std::string CellText(const projectmodel::CPortRecord& port, const projectmodel::COptionItem& def,
                                int index);
    static Editor EditorFor(const projectmodel::COptionItem& def);

    // The value the edit box gives for a definition: numbers clamped to a two-entry range (with
    // the message), other texts as typed.
    static std::string CheckedValue(const projectmodel::COptionItem& def, const std::string& text);
    // Stores the value when it differs from the port's (without regard to case); true when stored.
    static bool StoreValue(projectmodel::CPortRecord& port, int index, const std::string& text);
    // An address cell ("IP"): stored only when the text is a complete dotted IPv4 address that
    // differs from the port's; partial or out-of-range texts leave the old value.
    static bool StoreIp(projectmodel::CPortRecord& port, int index, const std::string& text);

    // What a protocol change asks to redistribute afterwards.
    struct ProtocolChange {
        std::string oldName;
        bool redistributeOld = false;
        std::string newName;
        bool redistributeNew = false;
    };
    // Asked before the protocol at parameter index changes to name, when the change would throw
    // away what was filled in for the port: the entries of its reference tables, its
    // configurations, the protocol parameters set apart from the library's values (each named
    // with its value) and the devices a device protocol takes off the port. Empty when the name
    // is the port's value already or nothing would be lost.
    static std::string ProtocolChangeQuestion(const projectmodel::CProjectModel& doc,
                                              const projectmodel::CPortRecord& port, int index,
                                              const std::string& name);
    // Asks that question (No by default); true when there is none or the answer is Yes.
    static bool ConfirmProtocolChange(const projectmodel::CProjectModel& doc,
                                      const projectmodel::CPortRecord& port, int index,
                                      const std::string& name);
    // The port's devices of a "DEVICE" protocol are taken off and relinked; the port takes a copy
    // of the library's protocol of that name (the unused protocol when the name is unknown).
    static ProtocolChange ChangeProtocol(projectmodel::CProjectModel& doc, projectmodel::CPortRecord& port,
                                         const std::string& name);
    // Asks "是否重新分配规约（%s）的所属装置？" when ports of that protocol exist and, on OK, shares
    // the protocol's devices over them. True when redistributed.
    static bool Redistribute(projectmodel::CProjectModel& doc, const std::string& name);
    static void Apply(projectmodel::CProjectModel& doc, const ProtocolChange& change);

    // Appends a port with the group's names, the definitions' defaults and no protocol, numbered
    // by its place; false in a serial group.
    static bool AddPort(projectmodel::CPortArray& group);
    // The same for the group at board and group index, and then the ports of the board are
    // numbered by their places again with devices and time sources following (as after a save).
    static bool AddPort(projectmodel::CProjectModel& doc, int board, int group);
    // Asked before the selected rows of the group are deleted, when ports that would go have
    // reference table entries or configurations, or time sources use them (listed). Empty when
    // nothing else would go with them.
    static std::string PortsDeletionQuestion(const projectmodel::CProjectModel& doc, int board, int group,
                                             const std::vector<int>& rows);
    // Deletes the selected rows (ascending) of the group at board and group index until one whose
    // port serves devices, which stops with "请先删除端口连接的装置，然后再删除端口!". When the
    // ports hold more (PortsDeletionQuestion), that question comes first, No by default, and No
    // deletes nothing. The ports are numbered by their places again; devices follow their ports,
    // time sources of the later ports follow theirs and those of a deleted port are removed. How
    // many were deleted.
    static int DeletePorts(projectmodel::CProjectModel& doc, int board, int group,
                           const std::vector<int>& rows);
};

} // namespace editors
