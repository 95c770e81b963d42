#include "useradmin/views/UserInfoDlg.h"

#include "platform/ui/WidgetPrompt.h"
#include "useradmin/model/UserAdmin.h"
#include "useradmin/views/Icons.h"
#include "users/views/GbkLimit.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace nevlor {

CUserInfoDlg::CUserInfoDlg(CUserAdmin& admin, CUserInfo& record, QWidget* parent)
    : QDialog(parent), m_admin(admin), m_record(record) {
    setObjectName("userInfoDlg");
    setWindowTitle(Qs("密码"));

    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName("userNameEdit");
    LimitGbkInput(m_nameEdit, CUserInfo::kMaxName);
    m_nameEdit->setText(Qs(record.m_strName));
    m_passwordEdit = new QLineEdit(this);
    m_passwordEdit->setObjectName("passwordEdit");
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    LimitGbkInput(m_passwordEdit, CUserInfo::kMaxPassword);
    m_passwordEdit->setText(Qs(record.m_strPassword));
    m_confirmEdit = new QLineEdit(this);
    m_confirmEdit->setObjectName("confirmEdit");
    m_confirmEdit->setEchoMode(QLineEdit::Password);
    LimitGbkInput(m_confirmEdit, CUserInfo::kMaxPassword);
    m_confirmEdit->setText(Qs(record.m_strPassword));

    m_groupList = new QListWidget(this);
    m_groupList->setObjectName("groupList");
    m_groupList->setSelectionMode(QAbstractItemView::SingleSelection);
    const QIcon groupIcon = GroupIcon();
    int selected = -1;
    for (const auto& g : admin.Groups().GetItems()) {
        if (g->m_dwId == record.m_dwGroupId)
            selected = m_groupList->count();
        m_groupList->addItem(new QListWidgetItem(groupIcon, Qs(g->m_strName)));
        m_groups.push_back(g.get());
    }
    if (selected >= 0)
        m_groupList->setCurrentRow(selected);
    m_groupList->setEnabled(admin.IsAdministrator() && !IsAdminUserName(record.m_strName));
    m_nameEdit->setEnabled(!IsAdminUserName(record.m_strName));

    auto* info = new QGroupBox(Qs("用户信息"), this);
    auto* form = new QFormLayout(info);
    form->addRow(Qs("用 户"), m_nameEdit);
    form->addRow(Qs("输入密码"), m_passwordEdit);
    form->addRow(Qs("确认密码"), m_confirmEdit);

    auto* ok = new QPushButton(Qs("确 定"), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* cancel = new QPushButton(Qs("取 消"), this);
    cancel->setObjectName("cancelButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addWidget(info);
    top->addWidget(new QLabel(Qs("选择权限"), this));
    top->addWidget(m_groupList);
    top->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CUserInfoDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CUserInfoDlg::OnOK() {
    std::string name = Ss(m_nameEdit->text());
    std::string password = Ss(m_passwordEdit->text());
    std::string confirm = Ss(m_confirmEdit->text());
    const CGroupInfo* group = nullptr;
    const auto selected = m_groupList->selectionModel()->selectedRows();
    if (!selected.isEmpty())
        group = m_groups[static_cast<std::size_t>(selected.front().row())];
    // The record changes only once everything is accepted, so Cancel after a refusal keeps it.
    if (!m_admin.CheckUserInput(m_record, name, password, confirm, group))
        return;
    m_record.m_strName = name;
    m_record.m_strPassword = password;
    m_record.m_dwGroupId = group->m_dwId;
    m_record.m_dwPrivilege = group->m_dwPrivilege;
    accept();
}

} // namespace nevlor
