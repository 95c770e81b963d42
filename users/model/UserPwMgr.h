#pragma once
// The face of the user library: loading and saving "Password.dat", the login dialog, and the two
// process-wide lists of users and groups that every CUserPwMgr of the process shares.
#include "users/model/GroupInfo.h"
#include "users/model/UserInfo.h"

#include <cstdint>
#include <filesystem>
#include <string>

class QWidget;

class CUserPwMgr {
public:
    static constexpr const char* kFileName = "Password.dat";

    CUserPwMgr() = default;
    // There is nothing to copy: all state lives in the process-wide lists.
    CUserPwMgr(const CUserPwMgr&) {}
    CUserPwMgr& operator=(const CUserPwMgr&) { return *this; }
    // Empties the process-wide user list (the group list stays).
    virtual ~CUserPwMgr();

    // Empties both lists, reads "Password.dat" from the current folder (or the given one), makes
    // the users plain and gives an empty list its default record. A missing file is silent; a
    // file that does not parse is reported and loads as the defaults alone. A file that is there
    // but cannot be read is reported and leaves both lists empty (no default administrator), and
    // no save replaces it until a load reads it. 1 when the file was read, else 0.
    int LoadFromFile();
    int LoadFromFile(const std::filesystem::path& folder);

    // Writes both lists to "Password.dat" in the current folder (or the given one); the records
    // stay plain in memory. A file that cannot be written, or that the last load could not read,
    // is reported and the old file is kept.
    // 1 on success, else 0.
    int SaveToFile();
    int SaveToFile(const std::filesystem::path& folder);

    // The file's bytes for the current lists (user list, then group list, names scrambled).
    static std::string StoreBytes();
    // Replaces the lists by those in the bytes; false (and both lists empty) when the bytes do
    // not parse. The users are left as stored (scrambled).
    static bool LoadBytes(const std::string& bytes);

    // Runs the login dialog listing the users that hold all required bits. On a correct password
    // it copies the chosen name (UTF-8, zero-terminated, at most 64 bytes cut at a character
    // boundary) into the 65-byte buffer unless it is null, and returns 1; Cancel returns 0 and
    // leaves the buffer untouched. Defined beside the dialog in users/views: libLudrik.so has it,
    // the headless LudrikModel does not.
    int CheckPassword(char* userName, std::uint32_t requiredRights, QWidget* parent = nullptr);
    // The same, giving back the whole name.
    int CheckPassword(std::string& userName, std::uint32_t requiredRights, QWidget* parent = nullptr);

    CUserInfoList* GetUserList();
    CGroupInfoList* GetGroupList();
};
