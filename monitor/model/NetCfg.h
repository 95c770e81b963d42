#pragma once
// "sav/NetCfg.dbg" beside the program: the unit's address, the frame filters of the frame
// properties dialog and the telecontrol permission. Also the program's command-line key.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace marindle {

// The seven check values and the three addresses of the frame properties dialog.
struct FrameSettings {
    int printHeader = 1;
    int save = 0;
    int tcp = 1;
    int udp = 1;
    int devIpFilter = 0;
    int destIpFilter = 0;
    int devAddrFilter = 0;
    std::uint32_t deviceIp = 0;
    std::uint32_t destinationIp = 0;
    std::uint16_t deviceAddress = 0;
};

class CNetCfg {
public:
    explicit CNetCfg(std::filesystem::path programFolder) : folder_(std::move(programFolder)) {}

    std::filesystem::path SavFolder() const { return folder_ / "sav"; }
    std::filesystem::path File() const { return SavFolder() / "NetCfg.dbg"; }
    const std::filesystem::path& ProgramFolder() const { return folder_; }

    // "IP_ADDR" of "TCP Config" ("0.0.0.0" when absent).
    std::string IpAddress() const;
    // False when the file could not be written (it is then as it was).
    bool SetIpAddress(const std::string& address) const;
    // The three filter flags and addresses as stored; the other values keep their defaults.
    FrameSettings FrameFilters() const;
    // False when a value could not be written (those before it were).
    bool SetFrameFilters(const FrameSettings& s) const;
    // "YK_PERMIT" of "System Config" converts to a number other than 0.
    bool TelecontrolPermitted() const;

private:
    std::filesystem::path folder_;
};

// The device-login key of the command line: 30517 without one, else its leading decimal digits
// cut to 16 bits (a text that is no number gives 0).
std::uint16_t ParseLoginKey(std::string_view commandLine);

// Creates "sav" and "sav/Stat" under the program folder; false when they cannot be made.
bool MakeSavFolders(const std::filesystem::path& programFolder);

} // namespace marindle
