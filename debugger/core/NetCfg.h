#pragma once
// Section "TCP Config" of the debugger's settings files, read and written here only: in
// "CFG_TOOL.INI" the unit's address (IP_ADDR); in "NetCfg.ini" of the "sav" folder the unit's and
// the destination's addresses the network port monitor last used, read when its dialog opens and
// written when it is accepted.
#include <cstdint>
#include <filesystem>
#include <string>

namespace quorvex {

// IP_ADDR of "CFG_TOOL.INI": the unit the link connects to (at most 31 bytes), or the default.
std::string ReadUnitAddress(const std::filesystem::path& settingsFile, const std::string& defaultAddress);
// False when the file could not be written (it is then as it was).
bool WriteUnitAddress(const std::filesystem::path& settingsFile, const std::string& address);

class CNetCfg {
public:
    static constexpr const char* kDefaultUnitIp = "192.168.1.100";
    static constexpr const char* kDefaultDestIp = "192.168.1.200";

    explicit CNetCfg(std::filesystem::path file) : file_(std::move(file)) {}

    // The addresses as the file holds them ([TCP Config] MAST_IP and DEST_IP), or the defaults.
    std::string UnitIpText() const;
    std::string DestIpText() const;
    // Writes both addresses in dotted form; false when the file could not be written.
    bool Save(std::uint32_t unitIp, std::uint32_t destIp) const;

private:
    std::filesystem::path file_;
};

// "a.b.c.d" into the bytes from most to least significant, each part read as the C runtime reads
// a number and cut to a byte; missing parts are 0.
std::uint32_t ParseDottedAddress(const std::string& text);

} // namespace quorvex
