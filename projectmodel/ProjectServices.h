#pragma once
// What the project document asks of its neighbours that live outside the project model: the
// application shell (rights, operator log, version dialog, main window), the IEC 61850 point
// classification library, the SCD import of the point configuration, and the clock. Each comes
// with harmless defaults so the model runs headless; the programs install the real ones in the
// project context.
#include <cstdint>
#include <filesystem>
#include <string>

namespace projectmodel {

class CConfigDoc;

// A moment of the local clock as the project stores it.
struct CProjectTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool operator==(const CProjectTime&) const = default;
};

class IClock {
public:
    virtual ~IClock() = default;
    virtual CProjectTime Now() const = 0;
};

// The local time of the machine.
class CSystemClock : public IClock {
public:
    CProjectTime Now() const override;
};

// The application shell as the document sees it when a project is created and saved. Without an
// installed shell nobody is logged in: no administrator, and every privilege is refused, so a
// forgotten setup cannot save on anyone's rights.
class IProjectShell {
public:
    virtual ~IProjectShell() = default;
    // The logged-in user is an administrator (saves without a question).
    virtual bool IsAdministrator() { return false; }
    // Asks the login dialog for a privilege (mask); false when refused. userName receives the
    // user who granted it.
    virtual bool RequestPrivilege(int mask, std::string& userName) {
        (void)mask;
        (void)userName;
        return false;
    }
    // One line of the operator log.
    virtual void LogOperation(const std::string& line) { (void)line; }
    // One line in the main window's monitor pane.
    virtual void MonitorLine(const std::string& line) { (void)line; }
    // The save-with-version dialog: shows the project folder and the proposed version text, which
    // the user may change; false when it was not accepted with OK.
    virtual bool AskSaveVersion(const std::filesystem::path& projectFolder, std::string& versionText) {
        (void)projectFolder;
        (void)versionText;
        return true;
    }
    // The main window is repainted (before each device model is read).
    virtual void RepaintMainWindow() {}
    // The application's open zip archive is closed (when the document closes).
    virtual void CloseZipArchive() {}
};

// The IEC 61850 point classification library: a CID or ICD file is read and classified into a
// device-model file pair beside it. Without the library nothing is converted.
class IClassificationLibrary {
public:
    virtual ~IClassificationLibrary() = default;
    // Nonzero when the file was read.
    virtual int ReadICDFile(std::string path) {
        (void)path;
        return 0;
    }
    // Nonzero when the classification ended with the model files written.
    virtual int OpenCIDSpy(int left, int top, int right, int bottom) {
        (void)left;
        (void)top;
        (void)right;
        (void)bottom;
        return 0;
    }
};

// The SCD import of the point configuration: builds imported device models and points of the
// document from an SCD file, and frees what it built.
class IScdImport {
public:
    virtual ~IScdImport() = default;
    virtual int ImportSCD(CConfigDoc& doc, const std::string& path) {
        (void)doc;
        (void)path;
        return 0;
    }
    // Frees the imported records (called when an import starts and when the document goes).
    virtual void Clear(CConfigDoc& doc) { (void)doc; }
};

// The monitor program: its name in the Bin folder and the key of the unit's password challenge
// passed as its one argument; it runs in the Bin folder and nobody waits for it.
inline constexpr const char* kMonitorProgramName = "Marindle";
inline constexpr std::uint16_t kDeviceLoginKey = 30517;
struct CMonitorLaunch {
    std::filesystem::path program;
    std::string argument;
    std::filesystem::path workingFolder;
};
CMonitorLaunch MonitorLaunch(const std::filesystem::path& rootFolder);

} // namespace projectmodel
