#include "projectmodel/ConfigDoc.h"

#include "projectmodel/FolderHelpers.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/LibraryFileBounds.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ScdCacheBound.h"
#include "projectmodel/TextHelpers.h"

#include "platform/Archive.h"
#include "platform/FileFaults.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/scl/SCLService.h"
#include "platform/scl/XmlDocument.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <unordered_map>

namespace fs = std::filesystem;

namespace projectmodel {

namespace {

platform::Answer Ask(const std::string& text, const std::string& caption) {
    return platform::MessageBox(text, caption, platform::Icon::Question, platform::Buttons::YesNo,
                                platform::Answer::No);
}

} // namespace

CConfigDoc::CConfigDoc() : m_sclService(std::make_unique<platform::CSCLService>()) {
    SetTitle({});
    m_nFormat = 2;
}

CConfigDoc::~CConfigDoc() {
    CProjectContext::Instance().ScdImport().Clear(*this);
}

CConfigDoc* CConfigDoc::Current() {
    return dynamic_cast<CConfigDoc*>(CProjectContext::Instance().CurrentDocument());
}

fs::path CConfigDoc::LibraryFolder() const {
    return CProjectContext::Instance().LibraryFolder();
}

fs::path CConfigDoc::LibraryFile(std::string_view relative) const {
    return platform::JoinPath(LibraryFolder(), relative);
}

void CConfigDoc::ClearAll() {
    m_deviceModels.RemoveAll();
    m_protocolLibrary.RemoveAll();
    m_portConfigLibrary.RemoveAll();
    m_voltLevelConfig = CNamePairRecord();
    m_bayConfig = CNamePairRecord();
    m_equipmentLibrary.RemoveAll();
    m_deviceExtItems.RemoveAll();
    m_devices.RemoveAll();
    m_voltLevels.RemoveAll();
    m_bays.RemoveAll();
    m_prjDevices.RemoveAll();
    m_boardCfg = CBoardCommCfg();
    m_voltOrder = CVoltLevelOrder();
    m_timeSources.RemoveAll();
    m_pointRefs.RemoveAll();
    m_iedList.RemoveAll();
}

void CConfigDoc::LoadLibraries(bool withScdIedList) {
    LoadDeviceModels();
    LoadOptions();
    LoadIEDListFromSCD();
    LoadProtocols();
    // The port-configuration library and the primary-equipment settings are the same list
    // (setting.ini); it is read once.
    LoadEquipmentSettings();
    LoadVoltageLevelConfig();
    LoadBayConfig();
    LoadEquipmentList();
    if (withScdIedList)
        ImportScdFile({});
    LoadBoardConfig();
}

bool CConfigDoc::OnNewDocument() {
    CProjectContext& context = CProjectContext::Instance();
    MakeCurrent();
    m_strProjectName = context.NewProjectName();
    m_projectTime = context.Clock().Now();
    CUnreadFiles unread;
    LoadLibraries(false);
    m_nUnreadFiles = unread.Count();
    // Nothing of a new project is on disk yet.
    SetModifiedFlag(true);
    return true;
}

bool CConfigDoc::OnOpenDocument(const fs::path& path) {
    // The version folder of path may stand aside after a save that was interrupted.
    if (path.has_parent_path() && path.parent_path().has_parent_path())
        RestoreInterruptedVersion(path.parent_path().parent_path());
    const platform::PathStat main = platform::StatPath(path);
    if (main.Failed())
        return TellReadFailed(path, main.error);
    if (!main.file) {
        Tell(platform::StrFormat("组态文件:%s，无法打开!", path.string().c_str()));
        return false;
    }
    MakeCurrent();
    ClearAll();
    OpenProject(path);
    return true;
}

int CConfigDoc::OpenProject(const fs::path& path) {
    CProjectContext& context = CProjectContext::Instance();
    const fs::path versionFolder = path.parent_path();
    const std::string last = versionFolder.filename().string();
    if (last.find("Project") == std::string::npos) {
        Tell("项目路径错误！");
        return 0;
    }
    m_fVersion = 0.0f;
    const std::size_t v = last.rfind('V');
    if (v != std::string::npos && v > 0)
        m_fVersion = static_cast<float>(platform::AtoF(last.substr(v + 1)));

    const fs::path projectFolder = versionFolder.parent_path();
    RestoreInterruptedVersion(projectFolder);
    // A library file far beyond any real one is refused before anything of it is read.
    if (const std::string over = LibraryFileOverCeiling(platform::FindNoCase(projectFolder, "Ini"));
        !over.empty()) {
        Tell(over);
        return 0;
    }
    context.SetLibraryFolder(platform::FindNoCase(projectFolder, "Ini"));
    context.SetProjectsFolder(projectFolder.parent_path());

    // Counts what could not be read, for the save to refuse.
    CUnreadFiles unread;
    struct Counted {
        CUnreadFiles& unread;
        int& count;
        ~Counted() { count = unread.Count(); }
    } counted{unread, m_nUnreadFiles};
    LoadLibraries(true);

    if (!ReadConfigFiles(path)) {
        Tell(platform::StrFormat("管理机组态文件:%s格式错误！", path.string().c_str()));
        return 0;
    }
    SetModifiedFlag(false);
    return 1;
}

void CConfigDoc::OnCloseDocument() {
    CProjectContext& context = CProjectContext::Instance();
    context.Shell().CloseZipArchive();
    if (context.CurrentDocument() == this)
        context.SetCurrentDocument(nullptr);
}

bool CConfigDoc::IsModified() const {
    return CBaseDoc::IsModified() || ConfigImage() != m_savedImage;
}

void CConfigDoc::SetModifiedFlag(bool modified) {
    CBaseDoc::SetModifiedFlag(modified);
    if (!modified)
        m_savedImage = ConfigImage();
}

float ParseVersionNumber(const fs::path& folder) {
    int error = 0;
    return ParseVersionNumber(folder, error);
}

float ParseVersionNumber(const fs::path& folder, int& error) {
    RestoreInterruptedVersion(folder);
    float best = 0.0f;
    for (const fs::path& sub : ListSubfolders(folder, error)) {
        const std::string name = sub.filename().string();
        const std::size_t v = name.find('V');
        if (v == std::string::npos)
            continue;
        const float version = static_cast<float>(platform::AtoF(name.substr(v + 1)));
        if (version > best)
            best = version;
    }
    return best;
}

std::string VersionFolderName(float version) {
    return platform::StrFormat("ProjectV%.2f", static_cast<double>(version));
}

bool ParseVersionText(const std::string& text, float& version) {
    const std::string trimmed = platform::Trim(text);
    // The C locale's conversion (no decimal comma); the whole text must be the number.
    const double value = platform::AtoF(trimmed);
    bool numeric = !trimmed.empty();
    bool seenDigit = false, seenPoint = false;
    for (char c : trimmed) {
        if (c >= '0' && c <= '9')
            seenDigit = true;
        else if (c == '.' && !seenPoint)
            seenPoint = true;
        else
            numeric = false;
    }
    if (!numeric || !seenDigit || !(value > 0.0) || !std::isfinite(static_cast<float>(value))) {
        platform::MessageBox("请输入要保存的版本号！", "错误", platform::Icon::Warning,
                             platform::Buttons::Ok);
        return false;
    }
    version = static_cast<float>(value);
    return true;
}

namespace {

// Folders beside the versions while a save runs; their names hold no "V", so that they never
// count as a version.
constexpr const char* kSavingFolderName = ".saving";
constexpr const char* kReplacedFolderName = ".replaced";
// Beside the replaced version while the new one is renamed in: the name of the version it was.
constexpr const char* kReplacedNameFile = ".replaced.name";
// The project's library copy while it is first made.
constexpr const char* kCopyingLibraryFolderName = ".Ini.copying";
// Locked (flock) by the save that runs.
constexpr const char* kSaveLockName = ".saving.lock";

// "创建文件 %s 失败!" for path, and false.
bool CreateFailed(const fs::path& path) {
    Tell(platform::StrFormat("创建文件 %s 失败!", path.string().c_str()));
    return false;
}

bool MakeFolder(const fs::path& folder) {
    return platform::MakeFolders(folder) == 0 || CreateFailed(folder);
}

} // namespace

// A save killed between moving the old version aside and renaming the new one into place leaves
// the old version only in the replaced folder: it goes back under its name. A replaced folder
// whose version stands again is the leftover of a finished save. The replaced folder may hold
// the only copy of a version: it is removed only once that version stands under its name, and
// kept with its note (for the next reading to try again) while the note cannot be read or the
// rename back fails.
void RestoreInterruptedVersion(const fs::path& projectFolder) {
    const fs::path replaced = projectFolder / kReplacedFolderName;
    const fs::path nameFile = projectFolder / kReplacedNameFile;
    // Whatever cannot be looked at or read is left as it is, for the next reading to try again.
    const platform::PathStat aside = platform::StatPath(replaced);
    if (aside.Failed())
        return;
    if (aside.folder) {
        std::string name;
        if (const int error = platform::ReadWholeFile(nameFile, name); error != 0 && !IsAbsence(error))
            return;
        name = TrimCopy(name);
        const bool plainName =
            !name.empty() && fs::path(name).filename().string() == name && name != "." && name != "..";
        if (plainName) {
            const platform::PathStat version = platform::StatPath(projectFolder / name);
            if (version.Failed() || (!version.exists && !RenamePath(replaced, projectFolder / name)))
                return;
        }
        platform::RemoveTree(replaced);
    }
    const platform::PathStat left = platform::StatPath(replaced);
    if (!left.exists && !left.Failed())
        platform::RemoveFile(nameFile);
}

namespace {

// Copies every plain file of a version into Temp/; reports the first file that could not be
// copied whole.
bool BackupFolderFiles(const fs::path& source, const fs::path& target) {
    int error = 0;
    const std::vector<fs::path> files = ListFiles(source, error);
    if (error != 0)
        return TellReadFailed(source, error);
    for (const fs::path& file : files) {
        const fs::path copy = target / file.filename();
        if (!platform::CopyFileBytes(file, copy)) {
            Tell(platform::StrFormat("创建文件 %s 失败!", copy.string().c_str()));
            return false;
        }
    }
    return true;
}

// Puts a completely written version folder in place of target. Subfolders of an old version are
// carried over. Where the file system can, the two folders are exchanged in one step; elsewhere
// the old version is moved aside (its name noted for RestoreInterruptedVersion) and the new one
// renamed in, and a failure of that rename puts the old version back at once. The old version is
// removed only after the new one stands in its place.
bool CommitVersionFolder(const fs::path& staged, const fs::path& target) {
    const fs::path projectFolder = target.parent_path();
    RestoreInterruptedVersion(projectFolder);
    const fs::path replaced = projectFolder / kReplacedFolderName;
    const fs::path nameFile = projectFolder / kReplacedNameFile;
    const std::string failed = platform::StrFormat("创建文件 %s 失败!", target.string().c_str());
    const platform::PathStat old = platform::StatPath(target);
    if (old.Failed())
        return TellReadFailed(target, old.error);
    const bool hadOld = old.exists;
    if (hadOld) {
        int error = 0;
        const std::vector<fs::path> subfolders = ListSubfolders(target, error);
        if (error != 0)
            return TellReadFailed(target, error);
        for (const fs::path& sub : subfolders)
            if (!CopyDirectoryTree(sub, staged / sub.filename())) {
                Tell(platform::StrFormat("创建文件 %s 失败!", (staged / sub.filename()).string().c_str()));
                return false;
            }
        switch (ExchangePaths(staged, target)) {
        case ExchangeResult::Done:
            // The old version now stands in the staging folder.
            SyncFolder(projectFolder);
            platform::RemoveTree(staged);
            return true;
        case ExchangeResult::Failed:
            Tell(failed);
            return false;
        case ExchangeResult::Unsupported:
            break;
        }
        // A replaced folder still waiting to be put back keeps its note and its place.
        if (const platform::PathStat waiting = platform::StatPath(replaced);
            waiting.exists || waiting.Failed()) {
            Tell(failed);
            return false;
        }
        if (!platform::ReplaceFileBytes(nameFile, target.filename().string()) ||
            !RenamePath(target, replaced)) {
            platform::RemoveFile(nameFile);
            Tell(failed);
            return false;
        }
    }
    if (!RenamePath(staged, target)) {
        // The old version goes back under its name now, not at the next save; should that fail
        // too, the note beside it lets the next reading of the versions put it back.
        if (hadOld && RenamePath(replaced, target))
            platform::RemoveFile(nameFile);
        Tell(failed);
        return false;
    }
    SyncFolder(projectFolder);
    // Only the version this save moved aside goes; a replaced folder still waiting to be put
    // back (its rename back failed) may hold the only copy of another version.
    if (hadOld) {
        platform::RemoveTree(replaced);
        platform::RemoveFile(nameFile);
    }
    return true;
}

// A project without a library copy gets a whole one: it is made in a folder beside and renamed
// to Ini only once complete, so that a copy that fails or is killed leaves no Ini folder with
// files missing (which the next save would take for the project's copy).
bool CopyNewProjectLibraries(const fs::path& projectFolder, const fs::path& library) {
    const fs::path staging = projectFolder / kCopyingLibraryFolderName;
    const fs::path projectIni = projectFolder / "Ini";
    if (!platform::RemoveTree(staging))
        return CreateFailed(staging);
    if (!CConfigDoc::CopyLibraries(library, staging)) {
        platform::RemoveTree(staging);
        return false;
    }
    if (!RenamePath(staging, projectIni)) {
        platform::RemoveTree(staging);
        return CreateFailed(projectIni);
    }
    SyncFolder(projectFolder);
    return true;
}

// The project's copy of the definition library: made from the library in use when the project
// has none or saves its first version; an upload's library replaces an existing copy only when
// the user agrees. False when a file could not be copied (already told).
bool CopyProjectLibraries(const fs::path& projectFolder, const fs::path& library, bool fromUnit,
                          bool firstVersion, const std::string& projectName) {
    int error = 0;
    const platform::PathStat ini = platform::StatPath(platform::FindNoCase(projectFolder, "Ini", &error));
    if (error != 0 || ini.Failed())
        return TellReadFailed(projectFolder / "Ini", error != 0 ? error : ini.error);
    const bool iniExists = ini.folder;
    // A project without its library copy could not be opened again.
    if (!iniExists)
        return CopyNewProjectLibraries(projectFolder, library);
    if (fromUnit) {
        if (Ask(platform::StrFormat("工程（%s）的配置文件已经存在，确认要覆盖么？", projectName.c_str()) +
                    "\n如果配置文件不一致，下次打开工程时可能会失败！",
                "提示") == platform::Answer::Yes)
            return CConfigDoc::CopyLibraries(library, platform::FindNoCase(projectFolder, "Ini"));
        return true;
    }
    if (firstVersion)
        return CConfigDoc::CopyLibraries(library, platform::FindNoCase(projectFolder, "Ini"));
    return true;
}

// The version is written whole into a folder beside the versions and only then put in place of
// versionFolder: a save that fails or is killed part way leaves the old version as it was.
// image gets the image of the files written.
bool WriteVersionFolder(CConfigDoc& doc, const fs::path& versionFolder, const fs::path& mainFileName,
                        std::string& image) {
    const fs::path staging = versionFolder.parent_path() / kSavingFolderName;
    if (!platform::RemoveTree(staging) || platform::MakeFolders(staging) != 0)
        return CreateFailed(staging);
    if (!doc.WriteConfigFiles(staging / mainFileName, &image) ||
        !CommitVersionFolder(staging, versionFolder)) {
        platform::RemoveTree(staging);
        return false;
    }
    return true;
}

} // namespace

int CConfigDoc::SaveProject(bool newName) {
    CProjectContext& context = CProjectContext::Instance();
    IProjectShell& shell = context.Shell();
    const fs::path projects = context.ProjectsFolder();
    const fs::path projectFolder = projects / m_strProjectName;
    const fs::path library = context.LibraryFolder();

    const std::string lowered = platform::ToLowerAscii(library.generic_string());
    const bool fromUnit =
        lowered.find("uptemp/ini") != std::string::npos || lowered.find("uptemp\\ini") != std::string::npos;
    if (fromUnit)
        m_fVersion = ParseVersionNumber(projectFolder);
    if (newName)
        m_fVersion = 0.0f;
    // What could not be read is not in the document: a save would write the project without it.
    if (m_nUnreadFiles > 0) {
        Tell(platform::StrFormat("工程%s有文件未能读出，为免丢失其内容，不能保存！",
                                 m_strProjectName.c_str()));
        return 0;
    }

    // The operator log tells of a save once its version stands: one cancelled in the version
    // dialog or failing later is not logged.
    std::string logLine;
    if (shell.IsAdministrator()) {
        logLine = platform::StrFormat("系统管理员保存组态文件，工程名为：%s。", m_strProjectName.c_str());
    } else {
        std::string user;
        if (!shell.RequestPrivilege(4, user))
            return 0;
        logLine =
            platform::StrFormat("%s保存组态文件，工程名为：%s。", user.c_str(), m_strProjectName.c_str());
    }

    if (!MakeFolder(projectFolder))
        return 0;
    // One save of a project at a time, also across programs: the second is told and stops, so
    // that two saves never share the staging folder.
    platform::CFileLock saving;
    const fs::path lockFile = projectFolder / kSaveLockName;
    if (const int error = saving.Lock(lockFile); error != 0) {
        if (error == EWOULDBLOCK)
            Tell(platform::StrFormat("工程%s正在由另一个程序保存，请稍后再保存！", m_strProjectName.c_str()));
        else
            CreateFailed(lockFile);
        return 0;
    }
    RestoreInterruptedVersion(projectFolder);

    if (!CopyProjectLibraries(projectFolder, library, fromUnit, m_fVersion < 0.000001f, m_strProjectName))
        return 0;
    context.SetLibraryFolder(platform::FindNoCase(projectFolder, "Ini"));

    const fs::path temp = projectFolder / "Temp";
    if (!MakeFolder(temp))
        return 0;

    int listed = 0;
    const float found = ParseVersionNumber(projectFolder, listed);
    if (listed != 0)
        return TellReadFailed(projectFolder, listed);
    const float proposal = found > 0.000001f ? found + 0.01f : 1.0f;
    std::string versionText = platform::StrFormat("%.2f", static_cast<double>(proposal));
    if (!shell.AskSaveVersion(projectFolder, versionText))
        return 0;
    float version = 0.0f;
    if (!ParseVersionText(versionText, version))
        return 0;
    m_fVersion = version;

    fs::path versionFolder = projectFolder / VersionFolderName(m_fVersion);
    const platform::PathStat existing = platform::StatPath(versionFolder);
    if (existing.Failed())
        return TellReadFailed(versionFolder, existing.error);
    if (existing.exists) {
        if (Ask(platform::StrFormat("版本号为%.2f的工程文件已经存在，确认要覆盖么？",
                                    static_cast<double>(m_fVersion)),
                "提示") == platform::Answer::Yes) {
            // The old files go to Temp/ first; without a whole copy there the save does not go on.
            if (!BackupFolderFiles(versionFolder, temp))
                return 0;
        } else {
            m_fVersion = ParseVersionNumber(projectFolder, listed) + 0.01f;
            if (listed != 0)
                return TellReadFailed(projectFolder, listed);
            versionFolder = projectFolder / VersionFolderName(m_fVersion);
        }
    }

    const fs::path mainFile = versionFolder / (m_boardCfg.m_strUnitName + ".ini");
    std::string image;
    if (!WriteVersionFolder(*this, versionFolder, mainFile.filename(), image))
        return 0;
    shell.LogOperation(logLine);
    // The saved state is what was just written: no second rendering of the files.
    CBaseDoc::SetModifiedFlag(false);
    m_savedImage = std::move(image);
    if (Views())
        Views()->UpdateSaveTime();
    UpdateTreeRootText();
    SetTitle(mainFile.string());
    return 1;
}

std::string CConfigDoc::TreeRootText() const {
    return m_strProjectName + "--" + m_boardCfg.m_strUnitName +
           platform::StrFormat("[%d]", m_boardCfg.m_nUnitAddress);
}

void CConfigDoc::UpdateTreeRootText() {
    if (CProjectContext::Instance().CurrentDocument() && Views())
        Views()->SetRootText(TreeRootText());
}

void CConfigDoc::RefreshPortGroupNode(int board, int group) {
    if (!m_boardCfg.m_boards.IsValidIndex(board) || !m_boardCfg.m_boards[board].m_ports.IsValidIndex(group))
        return;
    m_boardCfg.BuildLinkStatusSignals(this);
    if (Views()) {
        Views()->FillPointList();
        Views()->RefreshPortGroupNode(board, group);
    }
}

void CConfigDoc::RefreshPortNode(int board, int group, int port) {
    if (Views())
        Views()->RefreshPortNode(board, group, port);
}

void CConfigDoc::RefreshPortChildNodes(int board, int group, int port) {
    if (Views())
        Views()->RefreshPortChildNodes(board, group, port);
}

void CConfigDoc::RefreshPortConfigNodes(int board, int group, int port) {
    if (!m_boardCfg.m_boards.IsValidIndex(board))
        return;
    const CPortList& ports = m_boardCfg.m_boards[board].m_ports;
    if (!ports.IsValidIndex(group) || !ports[group].IsValidIndex(port))
        return;
    if (Views())
        Views()->RefreshPortConfigNodes(board, group, port);
}

void CConfigDoc::RefreshDeviceNodes() {
    if (Views())
        Views()->RefreshDeviceNodes();
}

void CConfigDoc::RefreshVoltLevelNodes() {
    if (Views())
        Views()->RefreshVoltLevelNodes();
}

void CConfigDoc::RefreshBayNodes(int levelCode) {
    if (Views())
        Views()->RefreshBayNodes(levelCode);
}

void CConfigDoc::RefreshBayNode(int bayId) {
    if (Views())
        Views()->RefreshBayNode(bayId);
}

void CConfigDoc::RefreshEquipmentNode(int bayId, int equipmentId) {
    if (Views())
        Views()->RefreshEquipmentNode(bayId, equipmentId);
}

// ---------------------------------------------------------------------------------------------
// Library copies.

namespace {

// A target file counts as present when it is a file that a copy finished: an empty file whose
// source has bytes was left by a copy that failed part way (a full disk) and is copied again.
bool PresentCopy(const platform::PathStat& from, const platform::PathStat& to) {
    return to.exists && (!to.file || to.size > 0 || from.size == 0);
}

// Copies source/name to target under the source file's own name unless a file of that name
// (without regard to case) is there already. The bytes go to a temporary name that is renamed
// into place, so that a copy that fails or is killed leaves no part of a file under the name.
// False (the file named in a box) when the copy failed; a source file that is not there is no
// failure (its loader reports it).
bool CopyIfMissing(const fs::path& source, const fs::path& target, std::string_view name) {
    if (!platform::IsSafeFileName(name))
        return true;
    // A source or target that cannot be looked at is never taken for one that is not there.
    int error = 0;
    const fs::path from = platform::FindNoCase(source, name, &error);
    const platform::PathStat fromStat = platform::StatPath(from);
    if (error != 0 || fromStat.Failed())
        return TellReadFailed(from, error != 0 ? error : fromStat.error);
    if (!fromStat.file)
        return true;
    const fs::path to = platform::FindNoCase(target, from.filename().string(), &error);
    const platform::PathStat toStat = platform::StatPath(to);
    if (error != 0 || toStat.Failed())
        return TellReadFailed(to, error != 0 ? error : toStat.error);
    if (PresentCopy(fromStat, toStat))
        return true;
    if (!MakeFolder(target))
        return false;
    std::string bytes;
    if (platform::FileStepFails(platform::FileStep::Copy, to) || !platform::ReadFileBytes(from, bytes) ||
        !platform::ReplaceFileBytes(to, bytes))
        return CreateFailed(to);
    return true;
}

// The files and the subfolders of a library folder; false (told) when it could not be listed.
bool ListLibraryFolder(const fs::path& source, std::vector<fs::path>& files,
                       std::vector<fs::path>& subfolders) {
    int error = 0;
    files = ListFiles(source, error);
    if (error == 0)
        subfolders = ListSubfolders(source, error);
    return error == 0 || TellReadFailed(source, error);
}

// A whole folder with its subfolders, keeping existing files.
bool CopyTreeIfMissing(const fs::path& source, const fs::path& target) {
    std::vector<fs::path> files, subfolders;
    if (!ListLibraryFolder(source, files, subfolders) || !MakeFolder(target))
        return false;
    for (const fs::path& file : files)
        if (!CopyIfMissing(source, target, file.filename().string()))
            return false;
    for (const fs::path& sub : subfolders) {
        int error = 0;
        const fs::path to = platform::FindNoCase(target, sub.filename().string(), &error);
        if (error != 0)
            return TellReadFailed(target, error);
        if (!CopyTreeIfMissing(sub, to))
            return false;
    }
    return true;
}

// The lines of a library list file, trimmed, empty ones left out. A list that is not there has
// no lines; one that is there but cannot be read is told (false).
bool ListLines(const fs::path& file, std::vector<std::string>& lines) {
    lines.clear();
    platform::CGbkLineReader reader;
    if (!reader.Open(file))
        return IsAbsence(reader.OpenError()) || TellReadFailed(file, reader.OpenError());
    std::string line;
    while (reader.ReadLine(line)) {
        std::string t = TrimCopy(line);
        if (!t.empty())
            lines.push_back(std::move(t));
    }
    return true;
}

bool EndsWithNoCase(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           platform::EqualsNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

} // namespace

bool CConfigDoc::CopyLibraries(const fs::path& source, const fs::path& target) {
    if (platform::EqualsNoCase(source.lexically_normal().generic_string(),
                               target.lexically_normal().generic_string()))
        return true;
    std::vector<fs::path> files, subfolders;
    if (!ListLibraryFolder(source, files, subfolders) || !MakeFolder(target))
        return false;
    for (const fs::path& file : files)
        if (!CopyIfMissing(source, target, file.filename().string()))
            return false;
    for (const fs::path& sub : subfolders) {
        const std::string name = sub.filename().string();
        int error = 0;
        const fs::path to = platform::FindNoCase(target, name, &error);
        if (error != 0)
            return TellReadFailed(target, error);
        bool copied = true;
        if (name == "二次装置")
            copied = CopyDeviceModels(sub, to);
        else if (name == "一次设备")
            copied = CopyEquipmentFiles(sub, to);
        else if (name == "规约")
            copied = CopyProtocols(sub, to);
        else if (name == "其他")
            copied = MakeFolder(to);
        else if (platform::EqualsNoCase(name, "UserDefine"))
            copied = CopyTreeIfMissing(sub, to);
        if (!copied)
            return false;
    }
    return true;
}

bool CConfigDoc::CopyDeviceModels(const fs::path& source, const fs::path& target) {
    if (!MakeFolder(target) || !CopyIfMissing(source, target, "自定义装置.txt") ||
        !CopyIfMissing(source, target, "自定义装置.cfg"))
        return false;
    std::vector<std::string> lines;
    if (!ListLines(platform::FindNoCase(source, "devlist.ini"), lines))
        return false;
    for (const std::string& line : lines) {
        bool copied = true;
        if (EndsWithNoCase(line, ".cid") || EndsWithNoCase(line, ".icd")) {
            const std::string model = "IEC61850_" + line.substr(0, line.size() - 4);
            int error = 0;
            const fs::path txt = platform::FindNoCase(source, model + ".txt", &error);
            const platform::PathStat txtStat = platform::StatPath(txt);
            if (error != 0 || txtStat.Failed())
                return TellReadFailed(txt, error != 0 ? error : txtStat.error);
            if (txtStat.file)
                copied = CopyIfMissing(source, target, model + ".txt") &&
                         CopyIfMissing(source, target, model + ".cfg");
            copied = copied && CopyIfMissing(source, target, line);
        } else {
            copied =
                CopyIfMissing(source, target, line + ".txt") && CopyIfMissing(source, target, line + ".cfg");
        }
        if (!copied)
            return false;
    }
    return CopyIfMissing(source, target, "devlist.ini");
}

bool CConfigDoc::CopyProtocols(const fs::path& source, const fs::path& target) {
    if (!MakeFolder(target))
        return false;
    std::vector<std::string> lines;
    if (!ListLines(platform::FindNoCase(source, "Protocol.ini"), lines))
        return false;
    for (const std::string& line : lines)
        if (!CopyIfMissing(source, target, line + ".ini"))
            return false;
    return CopyIfMissing(source, target, "Protocol.ini");
}

bool CConfigDoc::CopyEquipmentFiles(const fs::path& source, const fs::path& target) {
    if (!MakeFolder(target) || !CopyIfMissing(source, target, "电压等级配置.ini") ||
        !CopyIfMissing(source, target, "间隔配置.ini"))
        return false;
    std::vector<std::string> lines;
    if (!ListLines(platform::FindNoCase(source, "equipmentlist.ini"), lines))
        return false;
    for (const std::string& line : lines)
        if (!CopyIfMissing(source, target, line + ".ini"))
            return false;
    if (!CopyIfMissing(source, target, "equipmentlist.ini"))
        return false;
    if (!ListLines(platform::FindNoCase(source, "setting.ini"), lines))
        return false;
    for (const std::string& line : lines)
        if (!CopyIfMissing(source, target, line + ".ini"))
            return false;
    return CopyIfMissing(source, target, "setting.ini");
}

} // namespace projectmodel
