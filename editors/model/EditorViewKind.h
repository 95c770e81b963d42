#pragma once

namespace editors {

// The kinds of editing view the project tree and the frame place, with the class name each kind
// stands for.

enum EditorViewKind {
    kViewConfigPrj,         // CConfigPrjView: project properties
    kViewAdjusttime,        // CAdjusttimeView: time sources
    kViewConDevList,        // CConDevList: device master list
    kViewConfigBan,         // CConfigBanView: boards
    kViewConfigPrjbay,      // CConfigPrjbayView: voltage levels
    kViewConfigPort,        // CConfigPortView: ports of a board
    kViewDevinfolist,       // CDevinfolistView: device information list
    kViewConfigPortForm,    // CConfigPortFormView: a port's devices and configurations
    kViewConfigBay,         // CConfigBayView: bays of a level
    kViewConfigEquip,       // CConfigEquipView: equipment of a bay
    kViewConfigDevDetail,   // CConfigDevDetailView: one device
    kViewConfigGIN,         // CConfigGINView: points of a device
    kViewConfigGINVir,      // CConfigGINVirView: virtual points
    kViewEquipRefDevList,   // CEquipRefDevListView: devices of an equipment
    kViewConfigPortCon,     // CConfigPortConView: a port configuration's references
    kViewConfigUnitDetail,  // CConfigUnitDetailView: a device of an equipment
    kViewConfigEquipDetail, // CConfigEquipDetailView: an equipment's information list
    kViewConfigView,        // CConfigView: the empty placeholder
    kViewSelDev,            // CSelDevView: device model list (right pane)
    kViewConfigGINAll,      // CConfigGINAllView: all points (right pane)
    kEditorViewKindCount
};
const char* ViewClassName(EditorViewKind kind);

} // namespace editors
