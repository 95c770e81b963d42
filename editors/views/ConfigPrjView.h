#pragma once
// The project properties (name, last save time, unit address): the initial view of a project; the
// unit address is edited in place and the unit's variable information in its dialog.
#include "editors/views/DeviceFormBase.h"

namespace editors {

class CConfigPrjView : public CDeviceFormBase {
    Q_OBJECT
public:
    explicit CConfigPrjView(const CViewContext& context);
    void OnInitialUpdate() override;
    // Rewrites the one row (called after every save).
    void UpdateSaveTime() override;
    void OnVarInfo();

protected:
    void OnClickCell(int row, int column) override;
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;
    void OnButton() override { OnVarInfo(); }
};

} // namespace editors
