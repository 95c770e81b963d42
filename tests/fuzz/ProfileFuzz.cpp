// Profile (INI) files: every section and key read, then one key written; the lines the write
// does not touch must keep their bytes.
#include "FuzzSupport.h"

#include "platform/Profile.h"

#include <string>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    const fs::path file = fuzzsupport::Scratch() / "profile.ini";
    fuzzsupport::WriteFile(file, data, size);
    platform::FlushProfileCache();
    std::size_t reads = 0;
    for (const std::string& section : platform::GetPrivateProfileSectionNames(file)) {
        if (++reads > 256)
            break;
        platform::GetPrivateProfileSection(section, file);
        for (const std::string& key : platform::GetPrivateProfileKeys(section, file)) {
            if (++reads > 4096)
                break;
            platform::GetPrivateProfileString(section, key, "", 64, file);
            platform::GetPrivateProfileInt(section, key, 0, file);
        }
    }
    if (platform::WritePrivateProfileString("FuzzSection", "FuzzKey", "值", file) &&
        platform::GetPrivateProfileString("FuzzSection", "FuzzKey", "", 64, file) != "值")
        __builtin_trap();
    platform::DeletePrivateProfileSection("FuzzSection", file);
    platform::FlushProfileCache();
    return 0;
}
