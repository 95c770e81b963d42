#include "editors/AdjusttimeView.h"
#include "editors/ConDevList.h"
#include "editors/ConfigDevDetailView.h"
#include "editors/ConfigEquipDetailView.h"
#include "editors/ConfigEquipView.h"
#include "editors/ConfigPrjbayView.h"
#include "editors/ConfigPrjView.h"
#include "editors/DevinfolistView.h"
#include "editors/EquipRefDevListView.h"
#include "editors/RegisterViews.h"
#include "editors/SelDevView.h"

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
