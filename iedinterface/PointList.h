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

// The texts of column 0 of the selected rows, in row order.
std::vector<std::string> SelectedReferences(const QTableWidget& list);

} // namespace iedinterface
