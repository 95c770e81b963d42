#pragma once
// The voltage levels of the project in display order: renamed in place, added, deleted and sorted
// by code.
#include "editors/views/DeviceFormBase.h"

namespace editors {

class CConfigPrjbayView : public CDeviceFormBase {
    Q_OBJECT
public:
    explicit CConfigPrjbayView(const CViewContext& context);
    void OnInitialUpdate() override;
    void FillList();
    QMenu* BuildContextMenu() override;
    void OnAddLevel();
    void OnDeleteLevels();

protected:
    void OnClickCell(int row, int column) override;
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;
    void OnColumnClick(int column) override;
};

} // namespace editors
