#include "editors/views/ConfigBanView.h"
#include "editors/views/ConfigBayView.h"
#include "editors/views/ConfigPortConView.h"
#include "editors/views/ConfigPortFormView.h"
#include "editors/views/ConfigPortView.h"
#include "editors/views/ConfigUnitDetailView.h"
#include "editors/views/RegisterViews.h"

namespace editors {

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

} // namespace editors
