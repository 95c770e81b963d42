#pragma once
// The primary equipment of one bay: type and name edited in place, added, deleted and sorted.
#include "editors/views/DeviceFormBase.h"

namespace projectmodel {
class CPrjBay;
}

namespace editors {

// The layout of the three equipment views (caption width 200 or 300, with or without tabs).
CDeviceFormBase::CLayout EquipmentLayout(int captionWidth, bool tabs);

class CConfigEquipView : public CDeviceFormBase {
    Q_OBJECT
public:
    explicit CConfigEquipView(const CViewContext& context);
    void OnInitialUpdate() override;
    void FillList();
    projectmodel::CPrjBay* Bay() const;
    QMenu* BuildContextMenu() override;
    void OnAddEquipment();
    void OnDeleteEquipment();
    void OnVarInfo();

protected:
    void OnClickCell(int row, int column) override;
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;
    void OnColumnClick(int column) override;
    void OnTabChanged(int tab) override;
    void OnButton() override { OnVarInfo(); }

private:
    bool ListTabShown() const;
    int m_nBayId = -1;
};

} // namespace editors
