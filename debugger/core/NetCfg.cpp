#include "debugger/core/NetCfg.h"

#include "platform/Profile.h"
#include "platform/Text.h"

namespace quorvex {

namespace {

constexpr const char* kSection = "TCP Config";

} // namespace

std::string ReadUnitAddress(const std::filesystem::path& settingsFile, const std::string& defaultAddress) {
    return platform::GetPrivateProfileString(kSection, "IP_ADDR", defaultAddress, 31, settingsFile);
}

bool WriteUnitAddress(const std::filesystem::path& settingsFile, const std::string& address) {
    return platform::WritePrivateProfileString(kSection, "IP_ADDR", address, settingsFile);
}

std::string CNetCfg::UnitIpText() const {
    return platform::GetPrivateProfileString(kSection, "MAST_IP", kDefaultUnitIp, 30, file_.string());
}

std::string CNetCfg::DestIpText() const {
    return platform::GetPrivateProfileString(kSection, "DEST_IP", kDefaultDestIp, 30, file_.string());
}

bool CNetCfg::Save(std::uint32_t unitIp, std::uint32_t destIp) const {
    return platform::WritePrivateProfileStrings(
        kSection, {{"MAST_IP", platform::DottedIPv4(unitIp)}, {"DEST_IP", platform::DottedIPv4(destIp)}},
        file_.string());
}

std::uint32_t ParseDottedAddress(const std::string& text) {
    std::uint32_t out = 0;
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        const auto end = text.find('.', pos);
        const int v = platform::AtoI(
            std::string_view(text).substr(pos, end == std::string::npos ? text.npos : end - pos));
        out = out << 8 | static_cast<std::uint32_t>(v & 0xFF);
        if (end == std::string::npos) {
            out <<= 8 * (3 - i);
            break;
        }
        pos = end + 1;
    }
    return out;
}

} // namespace quorvex
