#include "users/model/UserPwMgr.h"

#include "platform/FileFaults.h"
#include "platform/Prompt.h"
#include "platform/TextFile.h"

#include <cerrno>

namespace {

// The process-wide lists, alive from the loading of the library to its unloading.
CUserInfoList g_userList;
CGroupInfoList g_groupList;
// The user file the last load found but could not read: it is never replaced by a save, since the
// users and groups in it are not in the lists.
std::filesystem::path g_unreadFile;

} // namespace

CUserPwMgr::~CUserPwMgr() {
    g_userList.ClearAll();
}

CUserInfoList* CUserPwMgr::GetUserList() {
    return &g_userList;
}

CGroupInfoList* CUserPwMgr::GetGroupList() {
    return &g_groupList;
}

std::string CUserPwMgr::StoreBytes() {
    platform::CArchive ar;
    g_userList.Serialize(ar);
    g_groupList.Serialize(ar);
    return ar.Bytes();
}

bool CUserPwMgr::LoadBytes(const std::string& bytes) {
    g_userList.ClearAll();
    g_groupList.ClearAll();
    try {
        platform::CArchive ar(bytes);
        g_userList.Serialize(ar);
        g_groupList.Serialize(ar);
        return true;
    } catch (const platform::CArchiveException&) {
        g_userList.ClearAll();
        g_groupList.ClearAll();
        return false;
    }
}

int CUserPwMgr::LoadFromFile() {
    return LoadFromFile(std::filesystem::path("."));
}

int CUserPwMgr::LoadFromFile(const std::filesystem::path& folder) {
    g_userList.ClearAll();
    g_groupList.ClearAll();
    g_unreadFile.clear();
    int result = 0;
    std::string bytes;
    const std::filesystem::path file = folder / kFileName;
    if (const int error = platform::ReadWholeFile(file, bytes); error == 0) {
        if (LoadBytes(bytes))
            result = 1;
        else
            platform::MessageBox("用户文件Password.dat已损坏，无法读取，将使用默认的用户和组。", "错误",
                                 platform::Icon::Warning);
    } else if (error != ENOENT && error != ENOTDIR) {
        // There but not readable: no default administrator takes its place, and no save replaces it.
        g_unreadFile = file;
        platform::MessageBox("无法读取用户文件Password.dat（" + platform::ErrorText(error) +
                                 "），用户和组的修改将不能保存！",
                             "错误", platform::Icon::Error);
        return 0;
    }
    g_userList.DescriptUserList();
    g_groupList.InitialList();
    g_userList.InitialList();
    return result;
}

int CUserPwMgr::SaveToFile() {
    return SaveToFile(std::filesystem::path("."));
}

int CUserPwMgr::SaveToFile(const std::filesystem::path& folder) {
    if (!g_unreadFile.empty() && g_unreadFile == folder / kFileName) {
        platform::MessageBox("用户文件Password.dat未能读出，为免丢失其中的用户和组，修改没有保存！", "错误",
                             platform::Icon::Error);
        return 0;
    }
    g_userList.EnscriptUserList();
    std::string bytes = StoreBytes();
    // Back to plain at once, so that a second save or a later login works on the typed text.
    g_userList.DescriptUserList();

    // Written beside the file and then renamed over it, so that a failed write keeps the old file.
    if (!platform::ReplaceFileBytes(folder / kFileName, bytes)) {
        platform::MessageBox("无法写入用户文件Password.dat，用户和组的修改没有保存！", "错误",
                             platform::Icon::Error);
        return 0;
    }
    return 1;
}
