#pragma once
// The link address kept from one run to the next in "QXM7740CFGTool.INI" in the program folder,
// section "TCP Config": REMOTE_IP_ADDR0..3 (one octet each) and PORT.
#include <array>
#include <filesystem>
#include <string>

namespace qxm7740 {

class CLinkSettings {
public:
    static constexpr const char* kFileName = "QXM7740CFGTool.INI";
    static constexpr const char* kSection = "TCP Config";
    static constexpr int kDefaultPort = 7000;
    // The address offered before anything was saved (the third octet's default is 0).
    static constexpr std::array<int, 4> kDefaultAddress{192, 168, 0, 100};

    static std::filesystem::path FilePath(const std::filesystem::path& programFolder);

    // Reads the octets (as text of at most 30 bytes, converted as decimal; a non-number is 0) and
    // the port (default 7000). A file that is there but cannot be read gives the defaults, and
    // readError (when given) its errno; 0 when it was read or is absent.
    static CLinkSettings Load(const std::filesystem::path& programFolder, int* readError = nullptr);
    // Writes the four octets and the port with "%d"; false when the file could not be written
    // (it is then as it was).
    bool Save(const std::filesystem::path& programFolder) const;

    // The octets as the dialog's boxes hold them (0..255), in dotted form.
    std::string AddressText() const;

    std::array<int, 4> octets = kDefaultAddress;
    int port = kDefaultPort;
};

} // namespace qxm7740
