#pragma once
// The device master list of the node 装置配置: every device of the project, read only.
#include "editors/views/DeviceFormBase.h"

namespace editors {

class CConDevList : public CDeviceFormBase {
    Q_OBJECT
public:
    explicit CConDevList(const CViewContext& context);
    void OnInitialUpdate() override;
    void FillList();
    void FillDeviceList() override { FillList(); }
};

} // namespace editors
