#pragma once
// The texts and launch rules of the main tool's application object: operator-log lines of the
// link commands, the About box's edition line, the link-status texts, and how the monitor and
// user administration programs are started. No widgets here.
#include <filesystem>
#include <string>
#include <vector>

namespace qxm7740 {

class CAppText {
public:
    static constexpr const char* kAdminName = "系统管理员";
    static constexpr const char* kLinkDown = "通讯中断";
    // The device-login key number handed to the monitor program.
    static constexpr unsigned kMonitorKey = 30517;
    // The environment variable's text is read into a buffer of this many bytes (with its NUL).
    static constexpr std::size_t kEditionBuffer = 32;

    // True when the name is exactly the administrator's (byte for byte).
    static bool IsAdministrator(const std::string& userName);

    static std::string LoginLine(const std::string& user);
    // The lines of the link commands; an administrator gets the fixed wording.
    static std::string DownloadConfigLine(bool admin, const std::string& user);
    static std::string UploadConfigLine(bool admin, const std::string& user);
    static std::string DownloadFileLine(bool admin, const std::string& user, const std::string& localPath);
    static std::string RestartLine(bool admin, const std::string& user);

    // "通讯建立 IP:" + address.
    static std::string LinkUpText(const std::string& address);

    // The value of QXM_SOFT_TOOL cut to what fits the buffer (whole characters), "" when unset.
    static std::string ReadEdition(const char* value);
    // The About box's product line for an edition, "" when there is none (the box keeps its own).
    static std::string EditionCaption(const std::string& edition);

    // A program of the suite to start: the program file, its arguments and working folder.
    struct Launch {
        std::filesystem::path program;
        std::vector<std::string> arguments;
        std::filesystem::path workingFolder;
    };
    // The program folder under the root: the "Bin" folder actually present (any letter case).
    static std::filesystem::path ProgramFolder(const std::filesystem::path& root);
    // Marindle with the key number as its one argument.
    static Launch MonitorLaunch(const std::filesystem::path& root);
    // Nevlor without arguments.
    static Launch UserAdminLaunch(const std::filesystem::path& root);
    // "启动调试工具失败!\n目录 <program folder>/ 中程序不存在!".
    static std::string MonitorStartFailure(const std::filesystem::path& root);
};

} // namespace qxm7740
