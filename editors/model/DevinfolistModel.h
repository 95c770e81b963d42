#pragma once
// The device information list without widgets: the rows of the ordinary devices and every edit of
// the list. A device's address is its identity across the project, so changing or deleting it is
// carried into the device tables, port configurations, point tables and device lists of the
// ports, the primary equipment and the composite-signal expressions. The operations ask the
// project tree, through the document's views, to rebuild what they changed.
#include "editors/model/EditorDialogRules.h"
#include "editors/model/GridRows.h"
#include "projectmodel/Device.h"

#include <functional>
#include <string>
#include <vector>

namespace projectmodel {
class CProjectModel;
} // namespace projectmodel

namespace editors {

class CDevinfolistModel {
public:
    // A port by board index, group index and port index.
    struct CPortKey {
        int board = -1;
        int group = -1;
        int port = -1;
        bool operator==(const CPortKey&) const = default;
    };
    // What an address change or deletion touched beyond the device table.
    struct CCarry {
        std::vector<CPortKey> ports;                // ports whose device list changed
        std::vector<std::pair<int, int>> equipment; // (bay id, equipment id) of changed equipment
    };

    // One row per device that is not "虚拟装置", in table order; item value = address.
    static std::vector<CGridRow> Rows(const projectmodel::CProjectModel& doc);

    // Entries of the old address in every device table (type 8) of the ports and their
    // configurations take the device's board, addresses, model and description, or are removed.
    static void UpdateDeviceTables(projectmodel::CProjectModel& doc, const projectmodel::CDevice& device,
                                   int oldAddress, bool remove);
    // Carries an address change (or, with remove, a deletion) through the project.
    static CCarry CarryAddress(projectmodel::CProjectModel& doc, int oldAddress, int newAddress, bool remove);

    // Every reference to a point that the project keeps beside the point itself: the entries of
    // the ports' and port configurations' reference tables, the equipment references, the
    // operands of composite signals and the telecontrol "遥信=" links. The visitor sees (address,
    // group, entry), may change them, and returns false to drop the reference (a link is reset,
    // an operand or a table entry removed).
    using PointRefVisitor = std::function<bool(int& address, int& group, int& entry)>;
    static CCarry VisitPointRefs(projectmodel::CProjectModel& doc, const PointRefVisitor& visit);
    // How many of those references name the point.
    static int CountPointRefs(projectmodel::CProjectModel& doc, int address, int group, int entry);
    // Carries the removal of an entry through every reference: references to it are dropped;
    // where the later entries of its group take the number one lower (the entries of ordinary
    // devices) those to later entries follow them, where they keep their numbers (the composite
    // signals, numbered by their editor) nothing else changes.
    enum class LaterEntries { Renumbered, Kept };
    static CCarry CarryEntryRemoval(projectmodel::CProjectModel& doc, int address, int group, int entry,
                                    LaterEntries later = LaterEntries::Renumbered);
    // Asked before points that are referenced are removed with their references (Yes/No); true
    // when no reference exists or the answer is Yes.
    static bool ConfirmReferenceRemoval(int references);
    // The composite signals (group, entry) whose operators have the operands they need.
    using CompositeKeys = std::vector<std::pair<int, int>>;
    static CompositeKeys CompleteComposites(const projectmodel::CProjectModel& doc);
    // After references were dropped: every composite of before that has fewer operands now than
    // its operator needs is deleted with the references to it, and so in turn are the composites
    // this leaves short. When any went, a message (caption given) names them. Their names
    // ("复合信号(65531-group-entry) description").
    static std::vector<std::string> DeleteShortComposites(projectmodel::CProjectModel& doc,
                                                          CompositeKeys before, const std::string& caption);
    // Adds what a step touched to a carry.
    static void Join(CCarry& carry, const CCarry& step);
    // Asks the project tree to rebuild the ports and equipment a carry touched.
    static void RefreshCarry(projectmodel::CProjectModel& doc, const CCarry& carry);

    // Edits of the row showing the device of address (row: the row's position from 0). Each shows
    // its message and gives false when it refuses or nothing changed.
    static bool SetAddress(projectmodel::CProjectModel& doc, int row, int address, const std::string& text);
    static bool SetMappedAddress(projectmodel::CProjectModel& doc, int row, int address,
                                 const std::string& text);
    static bool SetDescription(projectmodel::CProjectModel& doc, int address, const std::string& text);
    static bool SetModel(projectmodel::CProjectModel& doc, int address, const std::string& modelName);

    // Asked when more than one port runs the new device's protocol: the chosen entry of ports
    // (proposal: the first port with the fewest devices), or -1 to leave the device unplaced.
    using PortChooser = std::function<int(projectmodel::CDevice& device,
                                          const std::vector<CPortChoice>& ports, int proposal)>;
    // Adds a device of the model at the lowest free address and puts it on a port of its
    // protocol; the new address, or -1 when it could not be added.
    static int AddDevice(projectmodel::CProjectModel& doc, const projectmodel::CDeviceTemplate& model,
                         const PortChooser& choose);
    // Asked before devices are deleted whose points anything else holds (reference-table rows,
    // equipment links, composite operands, telesignal links, device-table rows: what the deletion
    // takes; Yes/No, 否 the default); true when nothing holds them or the answer is Yes.
    static bool ConfirmDeviceRemoval(projectmodel::CProjectModel& doc, const std::vector<int>& addresses);
    // Deletes the devices with every reference to their points, after ConfirmDeviceRemoval unless
    // the caller has asked it already. A composite operand on a deleted device goes and the other
    // operands stay; a composite left with fewer operands than its operator needs is deleted
    // (DeleteShortComposites). False when the question was refused.
    enum class Confirm { Ask, Asked };
    static bool DeleteDevices(projectmodel::CProjectModel& doc, const std::vector<int>& addresses,
                              Confirm confirm = Confirm::Ask);
    static projectmodel::CDeviceArray CopyDevices(const projectmodel::CProjectModel& doc,
                                                  const std::vector<int>& addresses);
    // Each copy becomes a new device at the lowest free address, on the copy's port when that still
    // exists; the new addresses.
    static std::vector<int> PasteDevices(projectmodel::CProjectModel& doc,
                                         const projectmodel::CDeviceArray& clipboard);
    // Moves the devices of the selected rows to the 1-based position (only while the table is not
    // kept sorted); false when nothing could move.
    static bool MoveDevices(projectmodel::CProjectModel& doc, const std::vector<int>& rows, int position);
    // Ascending by address; equal addresses keep their order.
    static void SortByAddress(projectmodel::CProjectModel& doc);

    // The part of VisitPointRefs outside the reference tables: composite operands and telecontrol
    // links (the address carry handles the tables itself).
    static CCarry VisitReferencesOutsideTables(projectmodel::CProjectModel& doc,
                                               const PointRefVisitor& visit);

    // The port a placed device sits on; false when it is not placed or the port is gone.
    static bool PortOfDevice(const projectmodel::CProjectModel& doc, const projectmodel::CDevice& device,
                             CPortKey& key);
};

} // namespace editors
