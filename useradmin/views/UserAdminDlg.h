#pragma once
// "密码管理": the tree of groups and users with the commands that add, change and delete them.
#include <cstdint>
#include <QDialog>

class CGroupInfo;
class CUserInfo;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace nevlor {

class CPrivilegeBoxes;
class CUserAdmin;

class CUserAdminDlg : public QDialog {
    Q_OBJECT
public:
    explicit CUserAdminDlg(CUserAdmin& admin, QWidget* parent = nullptr);

    // Rebuilds the tree and selects the user (or, with user id 0, the group); 0 and 0 select the root.
    void RefreshTree(std::uint32_t groupId, std::uint32_t userId);
    // The menu that carries the about command (shown on a right click, as the system menu did).
    QMenu* CreateSystemMenu();

    void OnAddGroup();
    void OnDelGroup();
    void OnAddUser();
    void OnDelUser();
    void OnModifyGroup();
    void OnModifyUser();
    void OnAbout();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnSelectionChanged();
    void UpdateButtons();
    CGroupInfo* SelectedGroup() const;
    CUserInfo* SelectedUser() const;

    CUserAdmin& m_admin;
    QTreeWidget* m_tree;
    CPrivilegeBoxes* m_privBoxes;
    QPushButton* m_addGroup;
    QPushButton* m_delGroup;
    QPushButton* m_addUser;
    QPushButton* m_delUser;
    QPushButton* m_modifyGroup;
    QPushButton* m_modifyUser;
};

} // namespace nevlor
