#pragma once
// The small monitor windows: the system log (it collects the unit's log entries) and the
// information list.
#include "monitor/app/MonitorForm.h"
#include "monitor/core/MonitorWindows.h"

#include <ctime>
#include <vector>

class QTableWidget;

namespace marindle {

class CLogForm : public CMonitorForm, public ILogWindow {
    Q_OBJECT
public:
    CLogForm(CMarindleApp& app, int deviceFlag, std::uint16_t deviceKey);
    void Initialise(const std::string& title) override;
    void AddLogEntry(std::uint8_t code, std::time_t time) override;
    struct Entry {
        std::uint8_t code;
        std::time_t time;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    QTableWidget* list_; // 1000
    std::vector<Entry> entries_;
};

class CInfoForm : public CMonitorForm {
    Q_OBJECT
public:
    explicit CInfoForm(CMarindleApp& app);

private:
    QTableWidget* list_; // 1038
};

} // namespace marindle
