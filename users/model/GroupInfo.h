#pragma once
// A group of users (id, privilege bits, name) and the list of groups.
#include "users/model/InfoList.h"

#include <cstdint>
#include <memory>
#include <string>

class CGroupInfo {
public:
    static constexpr const char* kClassName = "CGroupInfo";

    CGroupInfo() = default;
    CGroupInfo(const CGroupInfo&) = default;
    CGroupInfo& operator=(const CGroupInfo&) = default;
    virtual ~CGroupInfo() = default;

    virtual const char* GetRuntimeClass() const { return kClassName; }
    static std::unique_ptr<CGroupInfo> CreateObject() { return std::make_unique<CGroupInfo>(); }

    // id, privilege bits, then the name (GBK in the archive, UTF-8 in memory).
    virtual void Serialize(platform::CArchive& ar);

    // Takes all three fields of the other record, the id included.
    void Copy(const CGroupInfo& other) { *this = other; }

    std::uint32_t m_dwId = 0;
    std::uint32_t m_dwPrivilege = 0;
    std::string m_strName;
};

class CGroupInfoList : public CInfoList<CGroupInfo> {
public:
    // Appends the default group when the list is empty.
    void InitialList();
    // The last group of that name; null when none.
    CGroupInfo* HasGroup(const std::string& name) const;
    // The last group with that id; null when none.
    CGroupInfo* FindGroup(std::uint32_t id) const;
};

// The reserved group of the administrator.
inline constexpr const char* kAdminGroupName = "超级用户";
