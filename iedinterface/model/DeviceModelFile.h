#pragma once
// The device-model file pair that the main tool reads as a device type: the point text file
// ("IEC61850_<name>.txt") with one section per category, and its companion (".cfg") naming each
// section's category code. Also reads an earlier point text file back to restore the choices.
#include <map>
#include <string>

namespace iedinterface {

class CIcdInterfaceApp;

class CDeviceModelFile {
public:
    explicit CDeviceModelFile(CIcdInterfaceApp& app) : app_(app) {}

    // Writes both files from the output folder and base name; false (after a message) when a
    // file could not be written.
    bool WriteOutputs();
    bool WriteDeviceTxt(const std::string& path);
    bool WriteDeviceCfg(const std::string& path);
    // The text of the two files (UTF-8 with "\n" line ends, written as GBK with CR LF).
    std::string BuildDeviceTxt(const std::map<std::string, std::string>& units);
    std::string BuildDeviceCfg() const;

    // Reads pathWithoutExtension + ".txt"; false when it cannot be opened or a header line is
    // malformed (after a message).
    bool LoadPreviousTxt(const std::string& pathWithoutExtension);
    bool RestorePointLine(const std::string& line, int code, const std::string& sectionName);

    // The unit of each category from the section "量纲" of the unit table.
    static std::map<std::string, std::string> LoadUnits(const std::string& file);

private:
    CIcdInterfaceApp& app_;
};

} // namespace iedinterface
