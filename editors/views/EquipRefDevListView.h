#pragma once
// The secondary devices related to one piece of primary equipment ("关联装置"): added from the
// device list of the right pane, removed through the context menu or the Delete key.
#include "editors/views/DeviceFormBase.h"

namespace projectmodel {
class CDevice;
class CPrjDevice;
} // namespace projectmodel

namespace editors {

class CEquipRefDevListView : public CDeviceFormBase {
    Q_OBJECT
public:
    explicit CEquipRefDevListView(const CViewContext& context);
    void OnInitialUpdate() override;
    void FillList();
    projectmodel::CPrjDevice* Equipment() const;
    // False for no device or one already listed.
    bool AddLinkedDevice(const projectmodel::CDevice* device);
    QMenu* BuildContextMenu() override;
    void OnDeleteDevices();
    void OnVarInfo();

protected:
    void OnColumnClick(int column) override;
    void OnButton() override { OnVarInfo(); }
    bool OnListKey(QKeyEvent* event) override;

private:
    int m_nEquipmentId = -1;
};

} // namespace editors
