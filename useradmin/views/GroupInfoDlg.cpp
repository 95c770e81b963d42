#include "useradmin/views/GroupInfoDlg.h"

#include "platform/ui/WidgetPrompt.h"
#include "useradmin/model/UserAdmin.h"
#include "useradmin/views/PrivilegeBoxes.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace nevlor {

CGroupInfoDlg::CGroupInfoDlg(CUserAdmin& admin, CGroupInfo& record, QWidget* parent)
    : QDialog(parent), m_admin(admin), m_record(record) {
    setObjectName("groupInfoDlg");
    setWindowTitle(Qs("组信息"));
    m_nameEdit = new QLineEdit(Qs(record.m_strName), this);
    m_nameEdit->setObjectName("groupNameEdit");
    m_nameEdit->setEnabled(!IsAdminGroupName(record.m_strName));
    m_privBoxes = new CPrivilegeBoxes(Qs("权限"), true, this);
    m_privBoxes->SetBits(record.m_dwPrivilege);

    auto* ok = new QPushButton(Qs("确 定"), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* cancel = new QPushButton(Qs("取 消"), this);
    cancel->setObjectName("cancelButton");
    auto* form = new QFormLayout;
    form->addRow(Qs("组名："), m_nameEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addWidget(m_privBoxes);
    top->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CGroupInfoDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CGroupInfoDlg::OnOK() {
    std::string name = Ss(m_nameEdit->text());
    if (!m_admin.CheckGroupInput(m_record, name))
        return;
    m_record.m_strName = name;
    m_record.m_dwPrivilege = m_privBoxes->Bits(m_record.m_dwPrivilege);
    accept();
}

} // namespace nevlor
