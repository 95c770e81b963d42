#include "users/views/PasswordDlg.h"

#include "platform/Gbk.h"
#include "platform/Prompt.h"
#include "platform/ui/WidgetPrompt.h"
#include "users/model/UserPwMgr.h"
#include "users/views/GbkLimit.h"

#include <cstring>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using platform::Qs;
using platform::Ss;

CPasswordDlg::CPasswordDlg(CUserInfoList& users, std::uint32_t requiredRights, QWidget* parent)
    : QDialog(parent), m_users(users), m_dwRequired(requiredRights) {
    setObjectName("passwordDlg");
    setWindowTitle(Qs("密码"));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    m_userCombo = new QComboBox(this);
    m_userCombo->setObjectName("userCombo");
    m_userCombo->setEditable(false);
    m_plainEdit = new QLineEdit(this);
    m_plainEdit->setObjectName("plainEdit");
    m_plainEdit->hide();
    m_passwordEdit = new QLineEdit(this);
    m_passwordEdit->setObjectName("passwordEdit");
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    LimitGbkInput(m_passwordEdit, CUserInfo::kMaxPassword);

    auto* ok = new QPushButton(Qs("确 定"), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = new QPushButton(Qs("取 消"), this);
    cancel->setObjectName("cancelButton");
    cancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Qs("用 户"), this), 0, 0);
    grid->addWidget(m_userCombo, 0, 1);
    grid->addWidget(m_plainEdit, 0, 1);
    grid->addWidget(new QLabel(Qs("密 码"), this), 1, 0);
    grid->addWidget(m_passwordEdit, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);

    // Users in list order that hold every required bit; none chosen yet.
    for (const auto& u : m_users.GetItems())
        if ((m_dwRequired & u->m_dwPrivilege) == m_dwRequired)
            m_userCombo->addItem(Qs(u->m_strName), QVariant::fromValue<quint32>(u->m_dwId));
    m_userCombo->setCurrentIndex(-1);

    connect(ok, &QPushButton::clicked, this, &CPasswordDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CPasswordDlg::OnOK() {
    m_strName.clear();
    m_strPassword.clear();
    if (m_userCombo->currentIndex() < 0)
        return;
    m_strName = Ss(m_userCombo->currentText());
    m_strPassword = platform::TruncateGbk(Ss(m_passwordEdit->text()), CUserInfo::kMaxPassword);
    if (m_users.VertifyCode(m_strName, m_strPassword)) {
        accept();
        return;
    }
    platform::MessageBox("密码错误！", "密码", platform::Icon::Error);
}

int CUserPwMgr::CheckPassword(std::string& userName, std::uint32_t requiredRights, QWidget* parent) {
    if (!parent)
        parent = QApplication::activeWindow();
    CPasswordDlg dlg(*GetUserList(), requiredRights, parent);
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return 0;
    userName = dlg.UserName();
    return 1;
}

int CUserPwMgr::CheckPassword(char* userName, std::uint32_t requiredRights, QWidget* parent) {
    std::string name;
    if (!CheckPassword(name, requiredRights, parent))
        return 0;
    if (userName) {
        // At most 64 bytes, never half a character.
        std::size_t len = std::min<std::size_t>(name.size(), CUserInfo::kMaxName);
        while (len < name.size() && len > 0 && (static_cast<unsigned char>(name[len]) & 0xC0) == 0x80)
            --len;
        std::memcpy(userName, name.data(), len);
        userName[len] = '\0';
    }
    return 1;
}
