#pragma once
// The list of the right pane from which devices are added to the view of the left pane: the device
// models of the library beside the device information list, else the project's devices. Its
// command "<<添加装置" (also a double click) hands the selected rows to the left view.
#include "editors/views/DeviceFormBase.h"

namespace editors {

class CSelDevView : public CDeviceFormBase {
    Q_OBJECT
public:
    explicit CSelDevView(const CViewContext& context);
    void OnInitialUpdate() override;
    void FillList();
    bool IsModelMode() const { return m_bModelMode; }
    QMenu* BuildContextMenu() override;
    void OnAddDevices();
    // The width that shows every column of the list whole (the pane widens to it, up to half the
    // frame; beyond that the list scrolls).
    QSize sizeHint() const override;

private:
    bool m_bModelMode = false;
};

} // namespace editors
