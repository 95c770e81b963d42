#include "editors/views/AdjusttimeView.h"
#include "editors/views/ConDevList.h"
#include "editors/views/ConfigDevDetailView.h"
#include "editors/views/ConfigEquipDetailView.h"
#include "editors/views/ConfigEquipView.h"
#include "editors/views/ConfigPrjbayView.h"
#include "editors/views/ConfigPrjView.h"
#include "editors/views/DevinfolistView.h"
#include "editors/views/EquipRefDevListView.h"
#include "editors/views/RegisterViews.h"
#include "editors/views/SelDevView.h"

namespace editors {

namespace {
template <class View> void RegisterView(EditorViewKind kind) {
    CEditorViewRegistry::Register(kind,
                                  [](const CViewContext& context) -> QWidget* { return new View(context); });
}
} // namespace

// Time sources, devices, project properties, voltage levels and primary equipment.
void RegisterDeviceViews() {
    RegisterView<CConfigPrjView>(kViewConfigPrj);
    RegisterView<CAdjusttimeView>(kViewAdjusttime);
    RegisterView<CConDevList>(kViewConDevList);
    RegisterView<CConfigPrjbayView>(kViewConfigPrjbay);
    RegisterView<CDevinfolistView>(kViewDevinfolist);
    RegisterView<CConfigEquipView>(kViewConfigEquip);
    RegisterView<CConfigDevDetailView>(kViewConfigDevDetail);
    RegisterView<CEquipRefDevListView>(kViewEquipRefDevList);
    RegisterView<CConfigEquipDetailView>(kViewConfigEquipDetail);
    RegisterView<CSelDevView>(kViewSelDev);
}

} // namespace editors
