#pragma once
// "统计数据": fetches the statistics of up to eight entries of a device over at most 90 days, one
// entry after the other, writes them to a query file and starts the statistics viewer with it.
#include "monitor/app/MonitorForm.h"
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/StatQuery.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QDateEdit;
class QLabel;
class QMenu;
class QTableWidget;
class QTimeEdit;
class QTimer;

namespace marindle {

// Starts the statistics viewer with the query file as its one argument; the message when it
// cannot be started (empty on success).
std::string StartStatViewer(const std::filesystem::path& program, const std::filesystem::path& queryFile);

class CStatForm : public CMonitorForm, public IStatWindow {
    Q_OBJECT
public:
    static constexpr int kWaitMs = 20000;
    CStatForm(CMarindleApp& app, std::uint16_t deviceKey);

    void Initialise(const std::string& title) override;
    void SampleArrived(float value, std::time_t t1, std::time_t t2, std::time_t t3) override;
    void EntryData(std::uint16_t entryId, const std::string& name, bool last) override;

    void Query();
    void ShowViewer();
    void OnTimeout();
    std::unique_ptr<QMenu> BuildContextMenu();
    void SetRange(std::time_t start, std::time_t end);

    bool Querying() const { return !pending_.empty(); }
    std::string CommandInFlight() const override;
    const std::filesystem::path& QueryFile() const { return queryFile_; }
    QTableWidget* List() const { return list_; }
    QLabel* WaitLabel() const { return wait_; }
    // Where the viewer is looked for (tests point it at a stand-in).
    std::filesystem::path viewerPath;

private:
    void AskNext();
    void Finish();

    struct Row {
        std::uint16_t entryId;
        std::string unit;
    };
    std::vector<Row> rows_;
    std::filesystem::path queryFile_;
    std::time_t start_ = 0, end_ = 0;
    std::vector<StatEntry> pending_;
    std::vector<StatSample> buffer_;
    QDateEdit* endDate_;   // 1025
    QTimeEdit* endTime_;   // 1026
    QDateEdit* startDate_; // 1030
    QTimeEdit* startTime_; // 1031
    QTableWidget* list_;   // 1068
    QLabel* wait_;         // 1032
    QTimer* timer8_;
};

} // namespace marindle
