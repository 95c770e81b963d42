#pragma once
// "告警事件": the live SOE, recording and system events of the unit, sortable by type, time and
// address, cleared from its menu.
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/WarnEvents.h"

#include <functional>
#include <memory>
#include <QTableWidget>

class QMenu;

namespace marindle {

class CWarnView : public QTableWidget, public IWarnView {
    Q_OBJECT
public:
    explicit CWarnView(QWidget* parent = nullptr);

    void AddEvent(int kind, std::time_t time, std::uint16_t milliseconds, const std::string& name,
                  std::uint16_t address, const std::string& description, const std::string& state) override;
    void SortColumn(int column);
    void Clear();
    std::unique_ptr<QMenu> BuildContextMenu();
    const CWarnEventList& Events() const { return events_; }
    // Called for every new event (the main frame shows the event bar).
    std::function<void()> onEvent;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void AppendRow(std::size_t index);
    CWarnEventList events_;
};

} // namespace marindle
