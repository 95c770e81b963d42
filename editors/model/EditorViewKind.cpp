#include "editors/model/EditorViewKind.h"

namespace editors {

const char* ViewClassName(EditorViewKind kind) {
    static const char* const names[kEditorViewKindCount] = {
        "CConfigPrjView",         "CAdjusttimeView",      "CConDevList",          "CConfigBanView",
        "CConfigPrjbayView",      "CConfigPortView",      "CDevinfolistView",     "CConfigPortFormView",
        "CConfigBayView",         "CConfigEquipView",     "CConfigDevDetailView", "CConfigGINView",
        "CConfigGINVirView",      "CEquipRefDevListView", "CConfigPortConView",   "CConfigUnitDetailView",
        "CConfigEquipDetailView", "CConfigView",          "CSelDevView",          "CConfigGINAllView"};
    return kind >= 0 && kind < kEditorViewKindCount ? names[kind] : "CConfigView";
}

} // namespace editors
