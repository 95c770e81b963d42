#pragma once
// "装置时间": the clock of every board of the unit, one row per board, filled as the boards answer.
// Modeless; the application keeps the one that is open and the dispatcher finds it as the clock
// window.
#include "monitor/core/MonitorWindows.h"

#include <cstdint>
#include <memory>
#include <QDialog>
#include <vector>

class QTreeWidget;

namespace marindle {

class CDeviceLink;
class CDevModel;

class CDevClockDlg : public QDialog, public IClockWindow {
public:
    CDevClockDlg(const std::vector<std::uint8_t>& boards, QWidget* parent = nullptr);

    // A board's stamp: its "时间" cell shows it when the date is plausible, else keeps its text.
    void BoardTime(std::uint8_t board, const std::uint8_t* stamp) override;

    // The texts of the "时间" column, in row order (for the tests and the shell).
    std::vector<std::string> TimeTexts() const;

private:
    std::vector<std::uint8_t> boards_;
    QTreeWidget* list_ = nullptr; // control 1051
};

// "查看时钟": asks every board of the model for its clock, then replaces the open clock window by
// a new one with one row per board and shows it.
void ViewClocks(CDeviceLink& link, const CDevModel& model, std::unique_ptr<CDevClockDlg>& window,
                QWidget* parent = nullptr);

} // namespace marindle
