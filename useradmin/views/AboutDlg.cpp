#include "useradmin/views/AboutDlg.h"

#include "platform/ui/WidgetPrompt.h"
#include "useradmin/views/Icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Qs;

namespace nevlor {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("aboutDlg");
    setWindowTitle(Qs("关于 Nevlor"));
    auto* icon = new QLabel(this);
    icon->setPixmap(GroupIcon().pixmap(32, 32));
    auto* text = new QLabel(Qs("Nevlor 1.0 版"), this);
    text->setObjectName("versionLabel");
    auto* ok = new QPushButton(Qs("确定"), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    row->addWidget(ok);
    auto* top = new QVBoxLayout(this);
    top->addLayout(row);
}

} // namespace nevlor
