#pragma once
// The time-source view: the project's clock sources (board, port, priority), edited in place,
// added and deleted through the list's context menu.
#include "editors/model/AdjusttimeModel.h"
#include "editors/views/DeviceFormBase.h"

#include <vector>

namespace editors {

class CAdjusttimeView : public CDeviceFormBase {
    Q_OBJECT
public:
    explicit CAdjusttimeView(const CViewContext& context);

    void OnInitialUpdate() override;
    void FillList();
    QMenu* BuildContextMenu() override;
    void OnAddSource();
    void OnDeleteSource();

protected:
    void OnClickCell(int row, int column) override;
    void OnCommit(int row, int column, const std::string& oldText, const std::string& newText) override;

private:
    // The ports the open port combo offers, in its order.
    std::vector<CAdjusttimeModel::PortChoice> m_portChoices;
};

} // namespace editors
