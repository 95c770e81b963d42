#pragma once
// The user lists the user-administration tests start from: the shipped lists, a group "运行"
// holding 张三 and 李四, a user "无组" of no group, and the administrator logged in.
#include "tests/support/PromptRecorder.h"
#include "useradmin/model/UserAdmin.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

class UserAdminFixture : public ::testing::Test {
protected:
    // Fills the lists; the group "运行" gets the given privilege.
    void Fill(std::uint32_t opsPrivilege) {
        groups.InitialList();
        users.InitialList();
        ops = AddGroup(opsPrivilege, "运行");
        AddUser(ops->m_dwId, 0x06, "张三");
        AddUser(ops->m_dwId, 0x06, "李四");
        AddUser(9, 0x02, "无组");
        admin.SetLoggedIn(users.HasUser("系统管理员"));
    }
    CGroupInfo* AddGroup(std::uint32_t priv, const std::string& name) {
        auto g = admin.NewGroup();
        g->m_dwPrivilege = priv;
        g->m_strName = name;
        return groups.AddTail(std::move(g));
    }
    CUserInfo* AddUser(std::uint32_t group, std::uint32_t priv, const std::string& name) {
        auto u = admin.NewUser();
        u->m_dwGroupId = group;
        u->m_dwPrivilege = priv;
        u->m_strName = name;
        u->m_strPassword = "1";
        return users.AddTail(std::move(u));
    }

    testsupport::PromptRecorder prompt;
    CUserInfoList users;
    CGroupInfoList groups;
    nevlor::CUserAdmin admin{users, groups};
    CGroupInfo* ops = nullptr;
};
