#include "users/model/UserInfo.h"

#include "platform/Gbk.h"
#include "users/model/DesCipher.h"

#include <array>
#include <cstring>

namespace {

// The scrambled block: a 65-byte name field and a 7-byte password field, each zero-terminated.
constexpr std::size_t kNameField = 65;
constexpr std::size_t kPasswordField = 7;
constexpr std::size_t kBlock = kNameField + kPasswordField;

// The GBK bytes of "青松翠柏", the scrambling key.
constexpr std::uint8_t kKey[8] = {0xC7, 0xE0, 0xCB, 0xC9, 0xB4, 0xE4, 0xB0, 0xD8};

using Block = std::array<std::uint8_t, kBlock>;

void Crypt(Block& block, int direction) {
    CDesCipher des;
    des.DesSetKey(kKey);
    des.DesCryptBuffer(block.data(), block.data(), block.size(), direction);
}

// The GBK form of a plain text, up to its first zero byte and cut to maxBytes.
std::string FieldText(const std::string& utf8, std::size_t maxBytes) {
    std::string gbk = platform::ToGbk(utf8);
    gbk.resize(std::strlen(gbk.c_str()));
    return platform::TruncateGbkBytes(gbk, maxBytes);
}

std::string UpToZero(const std::uint8_t* p, std::size_t n) {
    std::size_t len = 0;
    while (len < n && p[len] != 0)
        ++len;
    return std::string(reinterpret_cast<const char*>(p), len);
}

} // namespace

void CUserInfo::Serialize(platform::CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteU32(m_dwId);
        ar.WriteU32(m_dwGroupId);
        ar.WriteU32(m_dwPrivilege);
        ar.WriteString(m_strName);
        ar.WriteString(m_strPassword);
        return;
    }
    m_dwId = ar.ReadU32();
    m_dwGroupId = ar.ReadU32();
    m_dwPrivilege = ar.ReadU32();
    m_strName = ar.ReadString();
    if (m_strName.size() > kNameField)
        throw platform::CArchiveException("user name too long");
    m_strPassword = ar.ReadString();
    if (m_strPassword.size() > kPasswordField)
        throw platform::CArchiveException("password too long");
}

void CUserInfo::EnscriptInfo() {
    Block block{};
    std::string name = FieldText(m_strName, kMaxName);
    std::string password = FieldText(m_strPassword, kMaxPassword);
    std::memcpy(block.data(), name.data(), name.size());
    std::memcpy(block.data() + kNameField, password.data(), password.size());
    Crypt(block, CDesCipher::encrypt);
    // Both scrambled forms keep every byte, zero bytes included.
    m_strName.assign(reinterpret_cast<const char*>(block.data()), kNameField);
    m_strPassword.assign(reinterpret_cast<const char*>(block.data()) + kNameField, kPasswordField);
}

void CUserInfo::DescriptInfo() {
    Block block{};
    std::memcpy(block.data(), m_strName.data(), std::min(m_strName.size(), kNameField));
    std::memcpy(block.data() + kNameField, m_strPassword.data(),
                std::min(m_strPassword.size(), kPasswordField));
    Crypt(block, CDesCipher::decrypt);
    m_strName = platform::FromGbk(UpToZero(block.data(), kNameField));
    m_strPassword = platform::FromGbk(UpToZero(block.data() + kNameField, kPasswordField));
}

void CUserInfoList::InitialList() {
    if (!items_.empty())
        return;
    auto admin = std::make_unique<CUserInfo>();
    admin->m_dwId = 1;
    admin->m_dwGroupId = 1;
    admin->m_dwPrivilege = PRIV_ALL;
    admin->m_strName = kAdminUserName;
    admin->m_strPassword = kAdminPassword;
    AddTail(std::move(admin));
}

CUserInfo* CUserInfoList::HasUser(const std::string& name) const {
    CUserInfo* found = nullptr;
    for (const auto& u : items_)
        if (u->m_strName == name)
            found = u.get();
    return found;
}

int CUserInfoList::VertifyCode(const std::string& name, const std::string& password) const {
    for (const auto& u : items_)
        if (u->m_strName == name && u->m_strPassword == password)
            return 1;
    return 0;
}

void CUserInfoList::ResetGroupPriv(std::uint32_t groupId, std::uint32_t privilege) {
    for (const auto& u : items_)
        if (u->m_dwGroupId == groupId)
            u->m_dwPrivilege = privilege;
}

void CUserInfoList::DelGroup(std::uint32_t groupId) {
    items_.remove_if([groupId](const std::unique_ptr<CUserInfo>& u) { return u->m_dwGroupId == groupId; });
}

void CUserInfoList::EnscriptUserList() {
    for (const auto& u : items_)
        u->EnscriptInfo();
}

void CUserInfoList::DescriptUserList() {
    for (const auto& u : items_)
        u->DescriptInfo();
}
