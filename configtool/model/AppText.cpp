#include "configtool/model/AppText.h"

#include "platform/Gbk.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace qxm7740 {

using platform::StrFormat;

bool CAppText::IsAdministrator(const std::string& userName) {
    return userName == kAdminName;
}

std::string CAppText::LoginLine(const std::string& user) {
    return StrFormat("%s登陆7740组态工具。", user.c_str());
}

std::string CAppText::DownloadConfigLine(bool admin, const std::string& user) {
    return admin ? std::string("系统管理员下载组态文件到通讯管理机。")
                 : StrFormat("%s下载组态文件到通讯管理机。", user.c_str());
}

std::string CAppText::UploadConfigLine(bool admin, const std::string& user) {
    return admin ? std::string("系统管理员从通讯管理机上装组态文件。")
                 : StrFormat("%s从通讯管理机上装组态文件。", user.c_str());
}

std::string CAppText::DownloadFileLine(bool admin, const std::string& user, const std::string& localPath) {
    return admin ? StrFormat("系统管理员下载文件%s到通讯管理机。", localPath.c_str())
                 : StrFormat("%s下载文件%s到通讯管理机。", user.c_str(), localPath.c_str());
}

std::string CAppText::RestartLine(bool admin, const std::string& user) {
    return admin ? std::string("系统管理员重新启动通讯管理机。")
                 : StrFormat("%s重新启动通讯管理机。", user.c_str());
}

std::string CAppText::LinkUpText(const std::string& address) {
    return "通讯建立 IP:" + address;
}

std::string CAppText::ReadEdition(const char* value) {
    if (!value)
        return {};
    // The buffer holds the NUL too; a longer value is cut at a whole character.
    return platform::TruncateGbk(value, kEditionBuffer - 1);
}

std::string CAppText::EditionCaption(const std::string& edition) {
    if (edition.empty())
        return {};
    return StrFormat("QXM7740组态工具%s版", edition.c_str());
}

std::filesystem::path CAppText::ProgramFolder(const std::filesystem::path& root) {
    return platform::FindNoCase(root, "Bin");
}

CAppText::Launch CAppText::MonitorLaunch(const std::filesystem::path& root) {
    const std::filesystem::path bin = ProgramFolder(root);
    return {bin / "Marindle", {StrFormat("%u", kMonitorKey)}, bin};
}

CAppText::Launch CAppText::UserAdminLaunch(const std::filesystem::path& root) {
    const std::filesystem::path bin = ProgramFolder(root);
    return {bin / "Nevlor", {}, bin};
}

std::string CAppText::MonitorStartFailure(const std::filesystem::path& root) {
    return "启动调试工具失败!\n目录 " + (ProgramFolder(root) / "").string() + " 中程序不存在!";
}

} // namespace qxm7740
