#pragma once
// "关于 Nevlor": the program's name and version.
#include <QDialog>

namespace nevlor {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace nevlor
