#include "useradmin/views/UserAdminDlg.h"

#include "platform/ui/WidgetPrompt.h"
#include "useradmin/model/UserAdmin.h"
#include "useradmin/views/AboutDlg.h"
#include "useradmin/views/GroupInfoDlg.h"
#include "useradmin/views/Icons.h"
#include "useradmin/views/PrivilegeBoxes.h"
#include "useradmin/views/UserInfoDlg.h"

#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

using platform::Qs;

namespace nevlor {

namespace {

enum ItemKind { kRoot, kGroup, kUser };

constexpr int kKindRole = Qt::UserRole;
constexpr int kRecordRole = Qt::UserRole + 1;

QTreeWidgetItem* NewItem(QTreeWidgetItem* parent, const std::string& text, ItemKind kind,
                         const void* record) {
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, Qs(text));
    item->setIcon(0, kind == kUser ? UserIcon() : GroupIcon());
    item->setData(0, kKindRole, kind);
    item->setData(0, kRecordRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(record)));
    return item;
}

QPushButton* NewButton(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(Qs(text), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

CUserAdminDlg::CUserAdminDlg(CUserAdmin& admin, QWidget* parent) : QDialog(parent), m_admin(admin) {
    setObjectName("userAdminDlg");
    setWindowTitle(Qs("密码管理"));
    setWindowIcon(GroupIcon());

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName("userTree");
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_privBoxes = new CPrivilegeBoxes(Qs("权限"), false, this);

    m_addGroup = NewButton("添加组", "addGroupButton", this);
    m_delGroup = NewButton("删除组", "delGroupButton", this);
    m_addUser = NewButton("添加用户", "addUserButton", this);
    m_delUser = NewButton("删除用户", "delUserButton", this);
    m_modifyGroup = NewButton("修改组", "modifyGroupButton", this);
    m_modifyUser = NewButton("修改用户", "modifyUserButton", this);
    auto* ok = NewButton("确定", "okButton", this);
    ok->setDefault(true);
    auto* cancel = NewButton("取消", "cancelButton", this);

    auto* commands = new QGridLayout;
    commands->addWidget(m_addGroup, 0, 0);
    commands->addWidget(m_delGroup, 0, 1);
    commands->addWidget(m_addUser, 1, 0);
    commands->addWidget(m_delUser, 1, 1);
    commands->addWidget(m_modifyGroup, 2, 0);
    commands->addWidget(m_modifyUser, 2, 1);
    commands->addWidget(ok, 3, 0);
    commands->addWidget(cancel, 3, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(m_privBoxes);
    right->addStretch();
    right->addLayout(commands);
    auto* top = new QHBoxLayout(this);
    top->addWidget(m_tree, 1);
    top->addLayout(right);

    connect(m_addGroup, &QPushButton::clicked, this, &CUserAdminDlg::OnAddGroup);
    connect(m_delGroup, &QPushButton::clicked, this, &CUserAdminDlg::OnDelGroup);
    connect(m_addUser, &QPushButton::clicked, this, &CUserAdminDlg::OnAddUser);
    connect(m_delUser, &QPushButton::clicked, this, &CUserAdminDlg::OnDelUser);
    connect(m_modifyGroup, &QPushButton::clicked, this, &CUserAdminDlg::OnModifyGroup);
    connect(m_modifyUser, &QPushButton::clicked, this, &CUserAdminDlg::OnModifyUser);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CUserAdminDlg::OnSelectionChanged);

    RefreshTree(0, 0);
}

void CUserAdminDlg::RefreshTree(std::uint32_t groupId, std::uint32_t userId) {
    // Items may still point at a record just deleted: no selection signal until the tree is new.
    QSignalBlocker quiet(m_tree);
    m_tree->clear();
    auto* root = new QTreeWidgetItem(m_tree);
    root->setText(0, Qs("用户列表"));
    root->setIcon(0, GroupIcon());
    root->setData(0, kKindRole, kRoot);
    const auto tree = m_admin.BuildTree();
    for (const auto& g : tree) {
        QTreeWidgetItem* groupItem = NewItem(root, g.group->m_strName, kGroup, g.group);
        for (CUserInfo* u : g.users)
            NewItem(groupItem, u->m_strName, kUser, u);
        groupItem->setExpanded(true);
    }
    root->setExpanded(true);

    QTreeWidgetItem* selected = root;
    CUserTreeSelection sel = CUserAdmin::FindSelection(tree, groupId, userId);
    if (sel.group >= 0) {
        selected = root->child(sel.group);
        if (sel.user >= 0)
            selected = selected->child(sel.user);
    }
    m_tree->setCurrentItem(selected);
    OnSelectionChanged();
    UpdateButtons();
}

void CUserAdminDlg::UpdateButtons() {
    bool admin = m_admin.IsAdministrator();
    for (QPushButton* b : {m_addGroup, m_delGroup, m_addUser, m_delUser, m_modifyGroup})
        b->setEnabled(admin);
}

CGroupInfo* CUserAdminDlg::SelectedGroup() const {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || item->data(0, kKindRole).toInt() != kGroup)
        return nullptr;
    return reinterpret_cast<CGroupInfo*>(item->data(0, kRecordRole).value<quintptr>());
}

CUserInfo* CUserAdminDlg::SelectedUser() const {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || item->data(0, kKindRole).toInt() != kUser)
        return nullptr;
    return reinterpret_cast<CUserInfo*>(item->data(0, kRecordRole).value<quintptr>());
}

void CUserAdminDlg::OnSelectionChanged() {
    if (const CGroupInfo* g = SelectedGroup())
        m_privBoxes->SetBits(g->m_dwPrivilege);
    else if (const CUserInfo* u = SelectedUser())
        m_privBoxes->SetBits(u->m_dwPrivilege);
    else
        m_privBoxes->SetBits(0);
}

void CUserAdminDlg::OnAddGroup() {
    if (!m_admin.IsAdministrator())
        return;
    auto group = m_admin.NewGroup();
    CGroupInfoDlg dlg(m_admin, *group, this);
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return;
    if (CGroupInfo* shown = m_admin.CommitNewGroup(std::move(group)))
        RefreshTree(shown->m_dwId, 0);
}

void CUserAdminDlg::OnDelGroup() {
    CGroupInfo* group = SelectedGroup();
    if (!m_admin.IsAdministrator() || !group)
        return;
    if (m_admin.DeleteGroup(group, m_tree->currentItem()->childCount() > 0))
        RefreshTree(0, 0);
}

void CUserAdminDlg::OnAddUser() {
    if (!m_admin.IsAdministrator())
        return;
    auto user = m_admin.NewUser();
    CUserInfoDlg dlg(m_admin, *user, this);
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return;
    if (CUserInfo* shown = m_admin.CommitNewUser(std::move(user)))
        RefreshTree(shown->m_dwGroupId, shown->m_dwId);
}

void CUserAdminDlg::OnDelUser() {
    CUserInfo* user = SelectedUser();
    if (!m_admin.IsAdministrator() || !user)
        return;
    if (m_admin.DeleteUser(user))
        RefreshTree(0, 0);
}

void CUserAdminDlg::OnModifyGroup() {
    CGroupInfo* group = SelectedGroup();
    if (!m_admin.IsAdministrator() || !group)
        return;
    CGroupInfoDlg dlg(m_admin, *group, this);
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return;
    m_admin.GroupModified(*group);
    RefreshTree(group->m_dwId, 0);
}

void CUserAdminDlg::OnModifyUser() {
    CUserInfo* user = SelectedUser();
    if (!user || !m_admin.CanModifyUser(*user))
        return;
    const bool wasMe = m_admin.LoggedInUser() == user;
    CUserInfoDlg dlg(m_admin, *user, this);
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return;
    m_admin.UserModified(*user, wasMe);
    RefreshTree(user->m_dwGroupId, user->m_dwId);
}

QMenu* CUserAdminDlg::CreateSystemMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName("systemMenu");
    QAction* about = menu->addAction(Qs("关于 Nevlor(&A)..."));
    about->setObjectName("aboutAction");
    connect(about, &QAction::triggered, this, &CUserAdminDlg::OnAbout);
    return menu;
}

void CUserAdminDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreateSystemMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CUserAdminDlg::OnAbout() {
    CAboutDlg dlg(this);
    platform::RunDialog(dlg);
}

} // namespace nevlor
