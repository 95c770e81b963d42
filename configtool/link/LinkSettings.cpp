#include "configtool/link/LinkSettings.h"

#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

namespace qxm7740 {

std::filesystem::path CLinkSettings::FilePath(const std::filesystem::path& programFolder) {
    return platform::FindNoCase(programFolder, kFileName);
}

CLinkSettings CLinkSettings::Load(const std::filesystem::path& programFolder, int* readError) {
    const auto file = FilePath(programFolder);
    CLinkSettings s;
    // The profile reads give the defaults for a file they cannot read: that is told apart here.
    std::string bytes;
    const int error = platform::ReadWholeFile(file, bytes);
    if (readError)
        *readError = error == ENOENT ? 0 : error;
    if (error != 0)
        return s;
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
    // The five keys go in one replacement of the file: it never holds a port without the address
    // the dialog took with it.
    std::vector<std::pair<std::string, std::string>> keys;
    for (int i = 0; i < 4; ++i)
        keys.emplace_back(platform::StrFormat("REMOTE_IP_ADDR%d", i),
                          platform::StrFormat("%d", octets[static_cast<std::size_t>(i)]));
    keys.emplace_back("PORT", platform::StrFormat("%d", port));
    return platform::WritePrivateProfileStrings(kSection, keys, FilePath(programFolder));
}

std::string CLinkSettings::AddressText() const {
    std::uint32_t address = 0;
    for (const int octet : octets)
        address = address << 8 | (static_cast<std::uint32_t>(octet) & 0xFFu);
    return platform::DottedIPv4(address);
}

} // namespace qxm7740
