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

struct CExprPointEdit;

// "装置", "分组", "条目", "描述": the columns of the lists of points an operand can name.
const std::vector<std::string>& ExprPointColumns();

// A grid list with multiple selection.
editors::CGridListCtrl* MakeExprList(QWidget* parent, const char* name);
QLineEdit* MakeExprEdit(QWidget* parent, const char* name, bool enabled = true);
QPushButton* MakeExprButton(QWidget* parent, const std::string& text, const char* name);

// Name, device, group and entry fields of a single-point editor, on the first rows of grid.
void MakeKeyFields(QWidget* parent, QGridLayout* grid, const char* nameLabel, QLineEdit*& name,
                   QLineEdit*& address, QLineEdit*& group, QLineEdit*& entry);
// Shows the edited point's name and key in those fields; takes the typed name, group and entry back
// (the device is not editable).
void ShowKeyFields(const CExprPointEdit& edit, QLineEdit* name, QLineEdit* address, QLineEdit* group,
                   QLineEdit* entry);
void ReadKeyFields(CExprPointEdit& edit, const QLineEdit* name, const QLineEdit* group,
                   const QLineEdit* entry);

} // namespace points
