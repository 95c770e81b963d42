#pragma once
// The point list shared by the classification views: its look, and the references (column 0) of
// the rows selected in it.
#include <string>
#include <vector>

class QTableWidget;
class QWidget;

namespace iedinterface {

// A list of whole-row, multiple selection on a grey background, not editable, with a context menu
// asked for by signal.
QTableWidget* MakePointList(QWidget* parent);

// Sizes every column to its title and its widest cell (the style's cell margins included), so
// that no text is cut however wide the pane happens to be when the list is filled.
void FitColumns(QTableWidget& list);

// The texts of column 0 of the selected rows, in row order.
std::vector<std::string> SelectedReferences(const QTableWidget& list);

} // namespace iedinterface
