#include "monitor/model/NetCfg.h"

#include "monitor/core/DevTime.h"
#include "platform/FileFaults.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <system_error>

namespace marindle {

namespace {
constexpr const char* kTcp = "TCP Config";
constexpr int kValueSize = 30;
} // namespace

std::string CNetCfg::IpAddress() const {
    return platform::GetPrivateProfileString(kTcp, "IP_ADDR", "0.0.0.0", kValueSize, File());
}

bool CNetCfg::SetIpAddress(const std::string& address) const {
    platform::MakeFolders(SavFolder());
    return platform::WritePrivateProfileString(kTcp, "IP_ADDR", address, File());
}

FrameSettings CNetCfg::FrameFilters() const {
    FrameSettings s;
    auto text = [&](const char* key, const char* def) {
        return platform::GetPrivateProfileString(kTcp, key, def, kValueSize, File());
    };
    s.devIpFilter = platform::AtoI(text("IF_DEV_IP", "0"));
    s.deviceIp = ParseIpAddress(text("DEV_IP", "0.0.0.0"));
    s.destIpFilter = platform::AtoI(text("IF_DEST_IP", "0"));
    s.destinationIp = ParseIpAddress(text("DEST_IP", "0.0.0.0"));
    s.devAddrFilter = platform::AtoI(text("IF_DEV_ADDR", "0"));
    s.deviceAddress = static_cast<std::uint16_t>(platform::AtoI(text("DEV_ADDR", "0")));
    return s;
}

bool CNetCfg::SetFrameFilters(const FrameSettings& s) const {
    platform::MakeFolders(SavFolder());
    const auto f = File();
    return platform::WritePrivateProfileStrings(kTcp,
                                                {{"IF_DEV_IP", s.devIpFilter ? "1" : "0"},
                                                 {"IF_DEST_IP", s.destIpFilter ? "1" : "0"},
                                                 {"IF_DEV_ADDR", s.devAddrFilter ? "1" : "0"},
                                                 {"DEV_IP", platform::DottedIPv4(s.deviceIp)},
                                                 {"DEST_IP", platform::DottedIPv4(s.destinationIp)},
                                                 {"DEV_ADDR", platform::StrFormat("%u", s.deviceAddress)}},
                                                f);
}

bool CNetCfg::TelecontrolPermitted() const {
    return platform::AtoI(
               platform::GetPrivateProfileString("System Config", "YK_PERMIT", "0", kValueSize, File())) != 0;
}

std::uint16_t ParseLoginKey(std::string_view commandLine) {
    if (commandLine.empty())
        return 30517;
    return static_cast<std::uint16_t>(platform::AtoLL(std::string(commandLine)));
}

bool MakeSavFolders(const std::filesystem::path& programFolder) {
    return platform::MakeFolders(programFolder / "sav" / "Stat") == 0;
}

} // namespace marindle
