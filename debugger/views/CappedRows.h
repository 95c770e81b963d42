#pragma once
// The event lists of the debugging program keep their last rows, as its output views keep their
// last lines: a unit that reports without end cannot fill the memory. The oldest rows leave from
// the top, and a line above the list says how many have left.
#include <QLabel>
#include <QTableWidget>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex {

class CCappedRows {
public:
    static constexpr int kMaxRows = 3000;

    // The list and the line belong to the caller's window; the line starts hidden.
    CCappedRows(QTableWidget* list, QLabel* droppedLine);

    // Appends a row of cells, the oldest row leaving first when the list is full.
    void Append(const std::vector<std::string>& cells);
    // Empties the list and forgets the rows that left.
    void Clear();
    // The rows that left since the list was made or cleared.
    std::uint64_t Dropped() const { return dropped_; }
    // The rows appended since the list was made or cleared.
    std::uint64_t Total() const { return dropped_ + static_cast<std::uint64_t>(list_->rowCount()); }
    QLabel* DroppedLine() const { return droppedLine_; }

private:
    QTableWidget* list_;
    QLabel* droppedLine_;
    std::uint64_t dropped_ = 0;
};

} // namespace quorvex
