#pragma once
// "密码": name, password and group of one user record.
#include <QDialog>
#include <vector>

class CGroupInfo;
class CUserInfo;
class QLineEdit;
class QListWidget;

namespace nevlor {

class CUserAdmin;

class CUserInfoDlg : public QDialog {
    Q_OBJECT
public:
    CUserInfoDlg(CUserAdmin& admin, CUserInfo& record, QWidget* parent = nullptr);

private:
    void OnOK();

    CUserAdmin& m_admin;
    CUserInfo& m_record;
    std::vector<CGroupInfo*> m_groups; // the list's rows
    QLineEdit* m_nameEdit;
    QLineEdit* m_passwordEdit;
    QLineEdit* m_confirmEdit;
    QListWidget* m_groupList;
};

} // namespace nevlor
