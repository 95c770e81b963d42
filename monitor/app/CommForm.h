#pragma once
// "装置总表": every port of the unit and its devices with the state of each link.
#include "monitor/app/MonitorForm.h"
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/CommStates.h"

#include <vector>

class QTableWidget;

namespace marindle {

class CCommForm : public CMonitorForm, public ICommStateWindow {
    Q_OBJECT
public:
    explicit CCommForm(CMarindleApp& app);
    void Initialise(const std::string& title) override;
    void UpdateStates(int deviceFlag) override;
    // Double-click on a row: its node is selected in both trees.
    void OnRowActivated(int row);
    QTableWidget* List() const { return list_; }

private:
    // The state columns of a row from its record; onlyKnown leaves them as they are when no state
    // arrived for the record yet.
    void ShowState(int row, bool onlyKnown);

    QTableWidget* list_;
    std::vector<CommRow> rows_;
};

} // namespace marindle
