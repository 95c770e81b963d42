#include "points/views/ExprDlgParts.h"

#include "editors/views/GridListCtrl.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/ExprOperands.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace editors;

namespace points {

const std::vector<std::string>& ExprPointColumns() {
    static const std::vector<std::string> columns{"装置", "分组", "条目", "描述"};
    return columns;
}

CGridListCtrl* MakeExprList(QWidget* parent, const char* name) {
    auto* l = new CGridListCtrl(parent);
    l->setObjectName(name);
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return l;
}

QLineEdit* MakeExprEdit(QWidget* parent, const char* name, bool enabled) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setEnabled(enabled);
    return e;
}

QPushButton* MakeExprButton(QWidget* parent, const std::string& text, const char* name) {
    auto* b = new QPushButton(platform::Qs(text), parent);
    b->setObjectName(name);
    return b;
}

void MakeKeyFields(QWidget* parent, QGridLayout* grid, const char* nameLabel, QLineEdit*& name,
                   QLineEdit*& address, QLineEdit*& group, QLineEdit*& entry) {
    name = MakeExprEdit(parent, "nameEdit");
    address = MakeExprEdit(parent, "deviceEdit", false);
    group = MakeExprEdit(parent, "groupEdit");
    entry = MakeExprEdit(parent, "entryEdit");
    grid->addWidget(new QLabel(nameLabel, parent), 0, 0);
    grid->addWidget(name, 0, 1, 1, 3);
    auto* keys = new QHBoxLayout;
    keys->addWidget(address);
    keys->addWidget(group);
    keys->addWidget(entry);
    grid->addLayout(keys, 1, 1, 1, 3);
}

void ShowKeyFields(const CExprPointEdit& edit, QLineEdit* name, QLineEdit* address, QLineEdit* group,
                   QLineEdit* entry) {
    name->setText(platform::Qs(edit.m_strName));
    address->setText(QString::number(edit.m_nAddress));
    group->setText(QString::number(edit.m_nGroup));
    entry->setText(QString::number(edit.m_nEntry));
}

void ReadKeyFields(CExprPointEdit& edit, const QLineEdit* name, const QLineEdit* group,
                   const QLineEdit* entry) {
    edit.m_strName = platform::Ss(name->text());
    edit.m_nGroup = platform::AtoI(platform::Ss(group->text()));
    edit.m_nEntry = platform::AtoI(platform::Ss(entry->text()));
}

} // namespace points
