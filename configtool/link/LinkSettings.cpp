#include "configtool/link/LinkSettings.h"

#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace qxm7740 {

std::filesystem::path CLinkSettings::FilePath(const std::filesystem::path& programFolder) {
    return platform::FindNoCase(programFolder, kFileName);
}

CLinkSettings CLinkSettings::Load(const std::filesystem::path& programFolder) {
    const auto file = FilePath(programFolder);
    CLinkSettings s;
    for (int i = 0; i < 4; ++i) {
        const std::string key = platform::StrFormat("REMOTE_IP_ADDR%d", i);
        const std::string def = i == 2 ? "0" : std::to_string(kDefaultAddress[static_cast<std::size_t>(i)]);
        s.octets[static_cast<std::size_t>(i)] =
            platform::AtoI(platform::GetPrivateProfileString(kSection, key, def, 31, file));
    }
    s.port = platform::GetPrivateProfileInt(kSection, "PORT", kDefaultPort, file);
    return s;
}

bool CLinkSettings::Save(const std::filesystem::path& programFolder) const {
    const auto file = FilePath(programFolder);
    bool ok = true;
    for (int i = 0; i < 4; ++i)
        ok = platform::WritePrivateProfileString(
                 kSection, platform::StrFormat("REMOTE_IP_ADDR%d", i),
                 platform::StrFormat("%d", octets[static_cast<std::size_t>(i)]), file) &&
             ok;
    return platform::WritePrivateProfileString(kSection, "PORT", platform::StrFormat("%d", port), file) && ok;
}

std::string CLinkSettings::AddressText() const {
    return platform::StrFormat("%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
}

} // namespace qxm7740
