#pragma once
// "组信息": the name and the five privilege bits of one group record.
#include <QDialog>

class CGroupInfo;
class QLineEdit;

namespace nevlor {

class CPrivilegeBoxes;
class CUserAdmin;

class CGroupInfoDlg : public QDialog {
    Q_OBJECT
public:
    CGroupInfoDlg(CUserAdmin& admin, CGroupInfo& record, QWidget* parent = nullptr);

private:
    void OnOK();

    CUserAdmin& m_admin;
    CGroupInfo& m_record;
    QLineEdit* m_nameEdit;
    CPrivilegeBoxes* m_privBoxes;
};

} // namespace nevlor
