#pragma once
// The login dialog: a drop-down list of the users that hold the required privilege bits and a
// password edit; OK closes it only on a correct password.
#include <cstdint>
#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;
class CUserInfoList;

class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    CPasswordDlg(CUserInfoList& users, std::uint32_t requiredRights, QWidget* parent = nullptr);

    // The name chosen when the dialog was accepted.
    const std::string& UserName() const { return m_strName; }

private:
    void OnOK();

    CUserInfoList& m_users;
    std::uint32_t m_dwRequired;
    std::string m_strName;
    std::string m_strPassword;
    QComboBox* m_userCombo;
    QLineEdit* m_passwordEdit;
    QLineEdit* m_plainEdit;
};
