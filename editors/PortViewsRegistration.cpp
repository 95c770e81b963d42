#include "editors/ConfigBanView.h"
#include "editors/ConfigBayView.h"
#include "editors/ConfigPortConView.h"
#include "editors/ConfigPortFormView.h"
#include "editors/ConfigPortView.h"
#include "editors/ConfigUnitDetailView.h"
#include "editors/RegisterViews.h"

// Boards, ports and port configurations and the unit.
void RegisterPortViews() {
    CEditorViewRegistry::Register(kViewConfigBan,
                                  [](const CViewContext& c) { return new CConfigBanView(c); });
    CEditorViewRegistry::Register(kViewConfigBay,
                                  [](const CViewContext& c) { return new CConfigBayView(c); });
    CEditorViewRegistry::Register(kViewConfigPort,
                                  [](const CViewContext& c) { return new CConfigPortView(c); });
    CEditorViewRegistry::Register(kViewConfigPortCon,
                                  [](const CViewContext& c) { return new CConfigPortConView(c); });
    CEditorViewRegistry::Register(kViewConfigPortForm,
                                  [](const CViewContext& c) { return new CConfigPortFormView(c); });
    CEditorViewRegistry::Register(kViewConfigUnitDetail,
                                  [](const CViewContext& c) { return new CConfigUnitDetailView(c); });
}
