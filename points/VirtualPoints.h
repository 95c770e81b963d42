#pragma once
// The computed points of the composite-signal device (65531) as the virtual point view edits
// them: rows, numbering of new points, storing what an editor returns, deleting, copy and paste,
// and which editor a row opens. No widgets.
#include "points/PointRows.h"

#include <optional>
#include <string>
#include <vector>

namespace points {

// The kinds of point the view creates.
enum class VirtualKind {
    YcComposite, // "遥测", dialog 183
    YcFromTap,   // "遥测", dialog 184
    YxComposite, // "遥信", dialog 185
    YxWarning,   // "遥信" group 10 entry 1, dialog 185
    YxAccident,  // "遥信" group 10 entry 2, dialog 185
    TapFromYx,   // "档位", dialog 189
};

// The editors a row or a command opens.
enum class VirtualEditor { None, YCExpr, YBToYC, YXExpr, YBToYXEJZ, YBToYX, YBToYXBCD, YXToYB };

// What a single-point editor is opened with and returns.
struct CVirtualPointEdit {
    int address = projectmodel::kCompositeDeviceAddress;
    int group = 0;
    int entry = 0;
    std::string name;
    std::optional<projectmodel::CExpression> expr;
};

class CVirtualPoints {
public:
    explicit CVirtualPoints(CProjectModel& doc) : m_doc(doc) {}

    CDevice* Composite() const { return m_doc.FindDevice(projectmodel::kCompositeDeviceAddress); }
    // Rows of a tab; each listed entry's sequence number becomes its position in its group.
    std::vector<CPointRow> Rows(int tab);

    static const char* GroupName(VirtualKind kind);
    static int Category(VirtualKind kind);
    // "复合信号(%d-%d-%d)" and the like for the proposed key.
    static std::string ProposedName(VirtualKind kind, int group, int entry);
    // The editor's input for a new point of the kind: numbered in the composite device's model
    // (the warning and accident-total signals always 10-1 and 10-2). False without the device.
    bool Propose(VirtualKind kind, CVirtualPointEdit& edit);
    // "AddVyx": kinds 0 accident total, 1 warning, 2 composite telesignal; other kinds are
    // reported and give false.
    static bool KindOfVyx(int vyx, VirtualKind& kind);

    // Stores an editor's result as a new point; 1 when stored.
    int StoreNew(VirtualKind kind, const CVirtualPointEdit& edit);
    // Stores an editor's result for the point at oldGroup/oldEntry: the same key takes the new
    // values, another key is stored anew and the old point removed once that succeeded.
    int StoreChanged(VirtualKind kind, int oldGroup, int oldEntry, const CVirtualPointEdit& edit);
    // The editor's input for an existing point (null expression when the point is gone).
    bool EditOf(int group, int entry, CVirtualPointEdit& edit) const;

    // Removes the points of these keys (group, entry) with every reference to them (reference
    // tables, equipment, other composites' operands, "遥信=" links), after a Yes to the question
    // when references exist. The other points keep their numbers. False when nothing was removed.
    bool Delete(const std::vector<std::pair<int, int>>& keys);

    // The editor a row of that group name opens for the entry's operator.
    VirtualEditor EditorFor(const std::string& groupName, int group, int entry) const;
    static VirtualKind KindOfEditor(VirtualEditor editor);

    // Copy and paste: the remembered item data (entry + group * 65536, -1 for none).
    void Copy(long long itemData) { m_copied = itemData; }
    long long Copied() const { return m_copied; }
    // Paste is offered when the remembered point exists, and on tab 1 not in group 10.
    bool CanPaste(int tab) const;
    // A new entry in the remembered point's group named "遥测" (tab 0) or "遥信" (tab 1).
    int Paste(int tab);

private:
    CProjectModel& m_doc;
    long long m_copied = -1;
};

} // namespace points
