#include "projectmodel/ConfigDoc.h"

#include "projectmodel/FolderHelpers.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/TextHelpers.h"

#include "platform/Archive.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/scl/SCLService.h"
#include "platform/scl/TypeWalkBudget.h"
#include "platform/scl/XmlDocument.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>
#include <fstream>
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
    LoadLibraries(false);
    // Nothing of a new project is on disk yet.
    SetModifiedFlag(true);
    return true;
}

bool CConfigDoc::OnOpenDocument(const fs::path& path) {
    std::error_code ec;
    // The version folder of path may stand aside after a save that was interrupted.
    if (path.has_parent_path() && path.parent_path().has_parent_path())
        RestoreInterruptedVersion(path.parent_path().parent_path());
    if (!fs::is_regular_file(path, ec)) {
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
    context.SetLibraryFolder(platform::FindNoCase(projectFolder, "Ini"));
    context.SetProjectsFolder(projectFolder.parent_path());

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
    RestoreInterruptedVersion(folder);
    float best = 0.0f;
    for (const fs::path& sub : ListSubfolders(folder)) {
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

} // namespace

// A save killed between moving the old version aside and renaming the new one into place leaves
// the old version only in the replaced folder: it goes back under its name. A replaced folder
// whose version stands again is the leftover of a finished save.
void RestoreInterruptedVersion(const fs::path& projectFolder) {
    std::error_code ec;
    const fs::path replaced = projectFolder / kReplacedFolderName;
    const fs::path nameFile = projectFolder / kReplacedNameFile;
    if (fs::is_directory(replaced, ec)) {
        std::string name;
        platform::ReadFileBytes(nameFile, name);
        name = TrimCopy(name);
        const bool plainName =
            !name.empty() && fs::path(name).filename().string() == name && name != "." && name != "..";
        if (plainName && !fs::exists(projectFolder / name, ec))
            RenamePath(replaced, projectFolder / name);
        fs::remove_all(replaced, ec);
    }
    if (!fs::exists(replaced, ec))
        fs::remove(nameFile, ec);
}

namespace {

// Copies every plain file of a version into Temp/; reports the first file that could not be
// copied whole.
bool BackupFolderFiles(const fs::path& source, const fs::path& target) {
    for (const fs::path& file : ListFiles(source)) {
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
    std::error_code ec;
    const fs::path projectFolder = target.parent_path();
    RestoreInterruptedVersion(projectFolder);
    const fs::path replaced = projectFolder / kReplacedFolderName;
    const fs::path nameFile = projectFolder / kReplacedNameFile;
    const std::string failed = platform::StrFormat("创建文件 %s 失败!", target.string().c_str());
    const bool hadOld = fs::exists(target, ec);
    if (hadOld) {
        for (const fs::path& sub : ListSubfolders(target))
            if (!CopyDirectoryTree(sub, staged / sub.filename())) {
                Tell(platform::StrFormat("创建文件 %s 失败!", (staged / sub.filename()).string().c_str()));
                return false;
            }
        switch (ExchangePaths(staged, target)) {
        case ExchangeResult::Done:
            // The old version now stands in the staging folder.
            SyncFolder(projectFolder);
            fs::remove_all(staged, ec);
            return true;
        case ExchangeResult::Failed:
            Tell(failed);
            return false;
        case ExchangeResult::Unsupported:
            break;
        }
        if (!platform::ReplaceFileBytes(nameFile, target.filename().string()) ||
            !RenamePath(target, replaced)) {
            fs::remove(nameFile, ec);
            Tell(failed);
            return false;
        }
    }
    if (!RenamePath(staged, target)) {
        // The old version goes back under its name now, not at the next save; should that fail
        // too, the note beside it lets the next reading of the versions put it back.
        if (hadOld && RenamePath(replaced, target))
            fs::remove(nameFile, ec);
        Tell(failed);
        return false;
    }
    SyncFolder(projectFolder);
    fs::remove_all(replaced, ec);
    fs::remove(nameFile, ec);
    return true;
}

// The project's copy of the definition library: made from the library in use when the project
// has none or saves its first version; an upload's library replaces an existing copy only when
// the user agrees.
void CopyProjectLibraries(const fs::path& projectFolder, const fs::path& library, bool fromUnit,
                          bool firstVersion, const std::string& projectName) {
    std::error_code ec;
    const fs::path projectIni = projectFolder / "Ini";
    const bool iniExists = fs::is_directory(platform::FindNoCase(projectFolder, "Ini"), ec);
    if (fromUnit) {
        if (!iniExists) {
            CConfigDoc::CopyLibraries(library, projectIni);
        } else if (Ask(platform::StrFormat("工程（%s）的配置文件已经存在，确认要覆盖么？",
                                           projectName.c_str()) +
                           "\n如果配置文件不一致，下次打开工程时可能会失败！",
                       "提示") == platform::Answer::Yes) {
            CConfigDoc::CopyLibraries(library, platform::FindNoCase(projectFolder, "Ini"));
        }
    } else if (firstVersion || !iniExists) {
        // A project without its library copy could not be opened again.
        CConfigDoc::CopyLibraries(library,
                                  iniExists ? platform::FindNoCase(projectFolder, "Ini") : projectIni);
    }
}

// The version is written whole into a folder beside the versions and only then put in place of
// versionFolder: a save that fails or is killed part way leaves the old version as it was.
bool WriteVersionFolder(CConfigDoc& doc, const fs::path& versionFolder, const fs::path& mainFileName) {
    std::error_code ec;
    const fs::path staging = versionFolder.parent_path() / kSavingFolderName;
    fs::remove_all(staging, ec);
    if (!fs::create_directories(staging, ec)) {
        Tell(platform::StrFormat("创建文件 %s 失败!", staging.string().c_str()));
        return false;
    }
    if (!doc.WriteConfigFiles(staging / mainFileName) || !CommitVersionFolder(staging, versionFolder)) {
        fs::remove_all(staging, ec);
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

    if (shell.IsAdministrator()) {
        shell.LogOperation(
            platform::StrFormat("系统管理员保存组态文件，工程名为：%s。", m_strProjectName.c_str()));
    } else {
        std::string user;
        if (!shell.RequestPrivilege(4, user))
            return 0;
        shell.LogOperation(
            platform::StrFormat("%s保存组态文件，工程名为：%s。", user.c_str(), m_strProjectName.c_str()));
    }

    std::error_code ec;
    fs::create_directories(projectFolder, ec);
    RestoreInterruptedVersion(projectFolder);

    CopyProjectLibraries(projectFolder, library, fromUnit, m_fVersion < 0.000001f, m_strProjectName);
    context.SetLibraryFolder(platform::FindNoCase(projectFolder, "Ini"));

    const fs::path temp = projectFolder / "Temp";
    fs::create_directories(temp, ec);

    const float found = ParseVersionNumber(projectFolder);
    const float proposal = found > 0.000001f ? found + 0.01f : 1.0f;
    std::string versionText = platform::StrFormat("%.2f", static_cast<double>(proposal));
    if (!shell.AskSaveVersion(projectFolder, versionText))
        return 0;
    float version = 0.0f;
    if (!ParseVersionText(versionText, version))
        return 0;
    m_fVersion = version;

    fs::path versionFolder = projectFolder / VersionFolderName(m_fVersion);
    if (fs::exists(versionFolder, ec)) {
        if (Ask(platform::StrFormat("版本号为%.2f的工程文件已经存在，确认要覆盖么？",
                                    static_cast<double>(m_fVersion)),
                "提示") == platform::Answer::Yes) {
            // The old files go to Temp/ first; without a whole copy there the save does not go on.
            if (!BackupFolderFiles(versionFolder, temp))
                return 0;
        } else {
            m_fVersion = ParseVersionNumber(projectFolder) + 0.01f;
            versionFolder = projectFolder / VersionFolderName(m_fVersion);
        }
    }

    const fs::path mainFile = versionFolder / (m_boardCfg.m_strUnitName + ".ini");
    if (!WriteVersionFolder(*this, versionFolder, mainFile.filename()))
        return 0;
    SetModifiedFlag(false);
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

// Copies source/name to target under the source file's own name unless a file of that name
// (without regard to case) is there already.
void CopyIfMissing(const fs::path& source, const fs::path& target, std::string_view name) {
    if (!platform::IsSafeFileName(name))
        return;
    std::error_code ec;
    const fs::path from = platform::FindNoCase(source, name);
    if (!fs::is_regular_file(from, ec))
        return;
    const fs::path to = platform::FindNoCase(target, from.filename().string());
    if (fs::exists(to, ec))
        return;
    fs::create_directories(target, ec);
    fs::copy_file(from, to, ec);
}

// A whole folder with its subfolders, keeping existing files.
void CopyTreeIfMissing(const fs::path& source, const fs::path& target) {
    std::error_code ec;
    fs::create_directories(target, ec);
    for (const fs::path& file : ListFiles(source))
        CopyIfMissing(source, target, file.filename().string());
    for (const fs::path& sub : ListSubfolders(source))
        CopyTreeIfMissing(sub, platform::FindNoCase(target, sub.filename().string()));
}

std::vector<std::string> ListLines(const fs::path& file) {
    std::vector<std::string> lines;
    platform::CGbkLineReader reader;
    if (!reader.Open(file))
        return lines;
    std::string line;
    while (reader.ReadLine(line)) {
        std::string t = TrimCopy(line);
        if (!t.empty())
            lines.push_back(std::move(t));
    }
    return lines;
}

bool EndsWithNoCase(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           platform::EqualsNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

} // namespace

void CConfigDoc::CopyLibraries(const fs::path& source, const fs::path& target) {
    if (platform::EqualsNoCase(source.lexically_normal().generic_string(),
                               target.lexically_normal().generic_string()))
        return;
    std::error_code ec;
    fs::create_directories(target, ec);
    for (const fs::path& file : ListFiles(source))
        CopyIfMissing(source, target, file.filename().string());
    for (const fs::path& sub : ListSubfolders(source)) {
        const std::string name = sub.filename().string();
        const fs::path to = platform::FindNoCase(target, name);
        if (name == "二次装置")
            CopyDeviceModels(sub, to);
        else if (name == "一次设备")
            CopyEquipmentFiles(sub, to);
        else if (name == "规约")
            CopyProtocols(sub, to);
        else if (name == "其他")
            fs::create_directories(to, ec);
        else if (platform::EqualsNoCase(name, "UserDefine"))
            CopyTreeIfMissing(sub, to);
    }
}

void CConfigDoc::CopyDeviceModels(const fs::path& source, const fs::path& target) {
    std::error_code ec;
    fs::create_directories(target, ec);
    CopyIfMissing(source, target, "自定义装置.txt");
    CopyIfMissing(source, target, "自定义装置.cfg");
    for (const std::string& line : ListLines(platform::FindNoCase(source, "devlist.ini"))) {
        if (EndsWithNoCase(line, ".cid") || EndsWithNoCase(line, ".icd")) {
            const std::string model = "IEC61850_" + line.substr(0, line.size() - 4);
            if (fs::is_regular_file(platform::FindNoCase(source, model + ".txt"), ec)) {
                CopyIfMissing(source, target, model + ".txt");
                CopyIfMissing(source, target, model + ".cfg");
            }
            CopyIfMissing(source, target, line);
        } else {
            CopyIfMissing(source, target, line + ".txt");
            CopyIfMissing(source, target, line + ".cfg");
        }
    }
    CopyIfMissing(source, target, "devlist.ini");
}

void CConfigDoc::CopyProtocols(const fs::path& source, const fs::path& target) {
    std::error_code ec;
    fs::create_directories(target, ec);
    for (const std::string& line : ListLines(platform::FindNoCase(source, "Protocol.ini")))
        CopyIfMissing(source, target, line + ".ini");
    CopyIfMissing(source, target, "Protocol.ini");
}

void CConfigDoc::CopyEquipmentFiles(const fs::path& source, const fs::path& target) {
    std::error_code ec;
    fs::create_directories(target, ec);
    CopyIfMissing(source, target, "电压等级配置.ini");
    CopyIfMissing(source, target, "间隔配置.ini");
    for (const std::string& line : ListLines(platform::FindNoCase(source, "equipmentlist.ini")))
        CopyIfMissing(source, target, line + ".ini");
    CopyIfMissing(source, target, "equipmentlist.ini");
    for (const std::string& line : ListLines(platform::FindNoCase(source, "setting.ini")))
        CopyIfMissing(source, target, line + ".ini");
    CopyIfMissing(source, target, "setting.ini");
}

// ---------------------------------------------------------------------------------------------
// The project's SCD file and its IED list.

fs::path CConfigDoc::ScdFolder() const {
    return platform::FindNoCase(LibraryFolder(), "其他");
}

namespace {

CIedRecord IedRecordOf(const platform::scl::CtBase& ied) {
    CIedRecord record;
    record.m_strName = ied.GetAttrValByName("name");
    record.m_strType = ied.GetAttrValByName("type");
    record.m_strUri = ied.GetAttrValByName("rScl:uri");
    return record;
}

// The prefix of an element name ("s" of "s:IED", "" without one).
std::string_view PrefixOf(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

// An element of the SCL file's own namespace named `local`: the same prefix as the root ("SCL"
// or "s:SCL"), so a prefixed file lists its IEDs and another namespace's "x:IED" is not one.
bool IsSclElement(const std::string& name, const std::string& rootName, std::string_view local) {
    const std::string_view prefix = PrefixOf(rootName);
    const std::string_view rest =
        prefix.empty() ? std::string_view(name)
                       : std::string_view(name).substr(std::min(name.size(), prefix.size() + 1));
    return PrefixOf(name) == prefix && platform::EqualsNoCase(rest, local);
}

// The IEDs of an SCD file whose root is "SCL", parsed one at a time so that the tree of a file of
// hundreds of MB is never held whole. False when the file must be read whole instead: it does
// not load this way, its root has another name, or another spelling of "IED" lies among the
// root's children (the whole reading then keeps its document order and its messages).
bool ReadIedsOneByOne(const std::string& file, CIedRecordArray& list) {
    platform::CSCLService scl;
    scl.SetRootName({});
    scl.SetStreamedElement("IED");
    scl.SetXmlFileName(file);
    if (!scl.LoadFromXmlFile())
        return false;
    const platform::scl::CtBase root = scl.GetRoot();
    const std::string rootName = root.GetEleName();
    if (!IsSclElement(rootName, rootName, "SCL") || rootName.find(':') != rootName.rfind(':'))
        return false;
    for (const platform::scl::CtBase& child : root.GetChildEles())
        if (IsSclElement(child.GetEleName(), rootName, "IED"))
            return false;
    for (int i = 0; i < scl.GetStreamedCount(); ++i) {
        const platform::scl::CtBase ied = scl.LoadStreamed(i);
        if (!ied)
            return false;
        // Another namespace's "x:IED" is not an IED of the list.
        if (!IsSclElement(ied.GetEleName(), rootName, "IED"))
            continue;
        list.Add(IedRecordOf(ied));
    }
    return true;
}

} // namespace

int CConfigDoc::ImportScdFile(const std::string& path) {
    std::string file = path;
    if (file.empty()) {
        const fs::path found = FindFileByExtension(ScdFolder(), "scd");
        if (found.empty())
            return 0;
        file = found.string();
    }
    m_iedList.RemoveAll();
    if (!ReadIedsOneByOne(file, m_iedList)) {
        m_iedList.RemoveAll();
        platform::CXmlDocument xml;
        if (!xml.Load(file, "xmlRoot"))
            return 0;
        platform::CXmlDocument::NodeList roots;
        if (xml.SelectNodes("SCL", roots) != 0 || roots.empty())
            return 0;
        const std::string rootName = roots.front().GetEleName();
        for (const platform::scl::CtBase& child : roots.front().GetChildEles())
            if (IsSclElement(child.GetEleName(), rootName, "IED"))
                m_iedList.Add(IedRecordOf(child));
    }
    if (m_iedList.GetSize() == 0) {
        // An empty list is no successful import.
        if (!path.empty())
            platform::MessageBox(platform::StrFormat("SCD配置文件(%s)中没有IED！", file.c_str()), "导入失败",
                                 platform::Icon::Error, platform::Buttons::Ok);
        return 0;
    }
    if (!path.empty())
        platform::MessageBox("SCD配置文件导入成功！", "导入完成", platform::Icon::Information,
                             platform::Buttons::Ok);
    return 1;
}

int CConfigDoc::CopyAndImportScd(const std::string& path) {
    const fs::path folder = ScdFolder();
    const fs::path chosen(path);
    const fs::path target = folder / chosen.filename();
    std::error_code ec;
    fs::create_directories(folder, ec);
    const bool inFolder = platform::EqualsNoCase(chosen.parent_path().lexically_normal().generic_string(),
                                                 folder.lexically_normal().generic_string());
    if (!inFolder) {
        // The copy lands under a temporary name first: the project's SCD file is replaced only
        // once the new one is complete, and a failed copy leaves it as it was.
        fs::path temp = target;
        temp += ".part";
        ec.clear();
        fs::copy_file(chosen, temp, fs::copy_options::overwrite_existing, ec);
        // Renamed into place before the folder's other SCD files go, so that a failed rename
        // still leaves the old file.
        if (!ec)
            fs::rename(temp, target, ec);
        if (ec) {
            fs::remove(temp, ec);
            platform::MessageBox(platform::StrFormat("复制SCD文件(%s)失败！", path.c_str()), "导入失败",
                                 platform::Icon::Error, platform::Buttons::Ok);
            return 0;
        }
        for (const fs::path& file : ListFiles(folder)) {
            const std::string ext = file.extension().string();
            if (platform::EqualsNoCase(ext, ".scd") &&
                !platform::EqualsNoCase(file.filename().string(), target.filename().string()))
                fs::remove(file, ec);
        }
    } else {
        DeleteFilesExcept(folder, chosen.filename().string());
    }
    return ImportScdFile(target.string());
}

int CConfigDoc::ImportSCD(const std::string& path) {
    CProjectContext& context = CProjectContext::Instance();
    const int result = context.ScdImport().ImportSCD(*this, path);
    if (Views())
        Views()->FillDeviceList();
    return result;
}

int CConfigDoc::LoadIEDListFromSCD() {
    const fs::path file = platform::JoinPath(LibraryFolder(), "UserDefine\\IEDListFromSCD.dat");
    // The cache holds no more than the import makes of the project's SCD file: a model per IED
    // (an IED takes some tens of bytes of the file at least), the points the file's size justifies
    // (the largest file's without one), two entries for a tap changer's point and four of each
    // model's own, and a few KB each at most. A cache beyond that is not read.
    platform::scl::TypeWalkLimits limits;
    std::uint64_t maxModels = limits.pointsPerFile;
    std::error_code ec;
    if (const fs::path scd = FindFileByExtension(ScdFolder(), "scd"); !scd.empty())
        if (const std::uintmax_t bytes = fs::file_size(scd, ec); !ec) {
            limits = limits.ForFile(bytes);
            maxModels = std::max<std::uint64_t>(1, bytes / 16);
        }
    constexpr std::uint64_t kMaxEntryBytes = 2048;
    const std::uint64_t maxEntries = 2 * limits.pointsPerFile + 4 * maxModels;
    if (const std::uintmax_t bytes = fs::file_size(file, ec);
        !ec && bytes > (maxEntries + maxModels) * kMaxEntryBytes)
        return 0;
    platform::CArchive ar;
    if (!platform::CArchive::LoadFromFile(file, ar))
        return 0;
    std::vector<CDeviceTemplate> models;
    try {
        ar.Skip(1);
        const std::uint32_t count = ar.ReadU32();
        if (count > maxModels)
            return 0;
        std::uint64_t entries = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            CDeviceTemplate tpl;
            tpl.Serialize(ar);
            for (const CInfoGroup& g : tpl.m_groups)
                entries += static_cast<std::uint64_t>(g.m_entries.GetSize());
            if (entries > 2 * limits.pointsPerFile + 4 * (i + std::uint64_t{1}))
                return 0;
            models.push_back(std::move(tpl));
        }
    } catch (const platform::CArchiveException&) {
        // A damaged cache changes nothing; the next import writes it again.
        return 0;
    }
    // Library entries by lower-cased name (the first of a name), so that thousands of cached
    // models merge in linear time.
    std::unordered_map<std::string, int> byName;
    for (int i = 0; i < m_deviceModels.GetSize(); ++i)
        byName.emplace(platform::ToLowerAscii(m_deviceModels[i].m_strName), i);
    for (CDeviceTemplate& tpl : models) {
        std::string key = platform::ToLowerAscii(tpl.m_strName);
        if (auto it = byName.find(key); it != byName.end())
            m_deviceModels[it->second] = std::move(tpl);
        else
            byName.emplace(std::move(key), m_deviceModels.Add(std::move(tpl)));
    }
    return 1;
}

} // namespace projectmodel
