#pragma once
// The pieces the point expression dialogs are built from: their point lists, fields and buttons,
// and the key fields of a single-point editor.
#include <QString>
#include <string>
#include <vector>

class QGridLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace editors {
class CGridListCtrl;
} // namespace editors

namespace points {

// "装置", "分组", "条目", "描述": the columns of the lists of points an operand can name.
const std::vector<std::string>& ExprPointColumns();

// A grid list with multiple selection.
editors::CGridListCtrl* MakeExprList(QWidget* parent, const char* name);
QLineEdit* MakeExprEdit(QWidget* parent, const char* name, bool enabled = true);
QPushButton* MakeExprButton(QWidget* parent, const std::string& text, const char* name);

// Name, device, group and entry fields of a single-point editor, on the first rows of grid.
void MakeKeyFields(QWidget* parent, QGridLayout* grid, const char* nameLabel, QLineEdit*& name,
                   QLineEdit*& address, QLineEdit*& group, QLineEdit*& entry);

} // namespace points
