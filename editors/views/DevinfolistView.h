#pragma once
// The device information list of the node 装置总表: every ordinary device, with address, mapped
// address, model and description edited in place, and copying, pasting, deleting and moving of
// devices. Devices are added from the device model list of the right pane.
#include "editors/views/DeviceFormBase.h"
#include "projectmodel/Device.h"

namespace editors {

class CDevinfolistView : public CDeviceFormBase {
    Q_OBJECT
public:
    explicit CDevinfolistView(const CViewContext& context);

    void OnInitialUpdate() override;
    void FillDeviceList() override;
    // Adds a new device of the model (and puts it on a port of its protocol).
    void AddDevice(const projectmodel::CDeviceTemplate& model);

    QMenu* BuildContextMenu() override;
    void OnDelete();
    void OnCopy();
    void OnPaste();
    void OnMoveDevices();
    int ClipboardCount() const { return m_clipboard.GetSize(); }

protected:
    void OnClickCell(int row, int column) override;
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;
    void OnColumnClick(int column) override;
    bool OnListKey(QKeyEvent* event) override;

private:
    std::vector<int> SelectedAddresses() const;
    projectmodel::CDeviceArray m_clipboard;
};

} // namespace editors
