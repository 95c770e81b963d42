// "Password.dat": the bytes of the user and group lists.
#include "FuzzSupport.h"

#include "users/model/UserPwMgr.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (CUserPwMgr::LoadBytes(bytes)) {
        // What loaded must store again; the stored bytes must load once more.
        const std::string stored = CUserPwMgr::StoreBytes();
        if (!CUserPwMgr::LoadBytes(stored))
            __builtin_trap();
    }
    // The file path as the programs use it: a damaged file is told and the defaults load.
    fuzzsupport::WriteFile(fuzzsupport::Scratch() / CUserPwMgr::kFileName, bytes);
    CUserPwMgr manager;
    manager.LoadFromFile(fuzzsupport::Scratch());
    return 0;
}
