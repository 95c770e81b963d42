#pragma once
// A user of the programs (id, group, privilege bits, name, password) and the list of users.
// A record is plain (name and password as typed, UTF-8) or, only while the user file is written
// or read, scrambled (name and password replaced by their 65- and 7-byte DES forms).
#include "users/model/InfoList.h"

#include <cstdint>
#include <memory>
#include <string>

// Privilege bits; a user qualifies for an action when all required bits are set.
enum : std::uint32_t {
    PRIV_ADMIN = 0x01,    // "设置权限"
    PRIV_LOGIN = 0x02,    // "登陆系统"
    PRIV_UPDOWN = 0x04,   // "上载下载"
    PRIV_SETTINGS = 0x08, // "修改定值"
    PRIV_CONTROL = 0x10,  // "遥 控"
    PRIV_ALL = 0x1F
};

class CUserInfo {
public:
    static constexpr const char* kClassName = "CUserInfo";
    // Byte limits of the plain name and password in GBK.
    static constexpr std::size_t kMaxName = 64;
    static constexpr std::size_t kMaxPassword = 6;

    CUserInfo() = default;
    CUserInfo(const CUserInfo&) = default;
    CUserInfo& operator=(const CUserInfo&) = default;
    virtual ~CUserInfo() = default;

    virtual const char* GetRuntimeClass() const { return kClassName; }
    static std::unique_ptr<CUserInfo> CreateObject() { return std::make_unique<CUserInfo>(); }

    // id, group id, privilege bits, then name and password as stored (the scrambled forms).
    // Loading throws platform::CArchiveException when a name exceeds 65 or a password 7 bytes.
    virtual void Serialize(platform::CArchive& ar);

    // Takes all five fields of the other record, the id included.
    void Copy(const CUserInfo& other) { *this = other; }

    // Replaces the plain name and password by their scrambled forms. Names over 64 and passwords
    // over 6 GBK bytes are cut to that length first.
    void EnscriptInfo();
    // Replaces the scrambled name and password by the plain ones.
    void DescriptInfo();

    std::uint32_t m_dwId = 0;
    std::uint32_t m_dwGroupId = 0;
    std::uint32_t m_dwPrivilege = 0;
    std::string m_strName;
    std::string m_strPassword;
};

class CUserInfoList : public CInfoList<CUserInfo> {
public:
    // Appends the default administrator when the list is empty.
    void InitialList();
    // The last user whose name equals the argument; null when none does.
    CUserInfo* HasUser(const std::string& name) const;
    // 1 when some user has exactly this name and password, else 0.
    int VertifyCode(const std::string& name, const std::string& password) const;
    // Gives every user of the group the bits.
    void ResetGroupPriv(std::uint32_t groupId, std::uint32_t privilege);
    // Removes and deletes every user of the group.
    void DelGroup(std::uint32_t groupId);
    void EnscriptUserList();
    void DescriptUserList();
};

// The reserved administrator and its first password.
inline constexpr const char* kAdminUserName = "系统管理员";
inline constexpr const char* kAdminPassword = "482916";
