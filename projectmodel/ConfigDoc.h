#pragma once
// The project document: owns every record of the project (through CProjectModel), loads the
// definition libraries, knows where the project lives on disk, and creates, opens and saves
// projects as versioned folders of configuration files.
//
// Folder layout (projects folder P, project name N): P/N/ the project, P/N/Ini/ its copy of the
// definition libraries (the library folder while it is open), P/N/Temp/ backups of an
// overwritten version, P/N/ProjectV1.00/ one folder per saved version with the main
// configuration file "<unit name>.ini" and the files beside it.
#include "projectmodel/ProjectModel.h"
#include "projectmodel/ProjectServices.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class CSCLService;
}

namespace projectmodel {

class CInfoModel;

class CConfigDoc : public CProjectModel {
public:
    CConfigDoc();
    ~CConfigDoc() override;

    // The current document as a project document (null when none is current).
    static CConfigDoc* Current();

    // A new project over the library folder: name from the new-project wizard, time now, the
    // libraries loaded (with the virtual devices). Always true.
    bool OnNewDocument() override;
    // Empties the libraries and records, then opens the project. True once the file exists,
    // whatever the opening gives.
    bool OnOpenDocument(const std::filesystem::path& path);
    // Opens the project whose main configuration file is path (inside a version folder):
    // re-bases the folders, loads the project's libraries and reads the file. TRUE on success.
    int OpenProject(const std::filesystem::path& path);
    void OnCloseDocument();
    // Saves a new version of the project (asks for rights and the version); the writer's result,
    // or 0 when refused or cancelled.
    int SaveProject(bool newName);

    // Definition libraries (in the library folder).
    int LoadOptions();
    int LoadBoardConfig();
    int LoadBoardPorts(CBoardInfo& board, const std::string& fileName);
    int LoadPortOptions(CPortArray& group, const std::string& fileName);
    int LoadDeviceModels();
    int LoadDeviceModelFile(const std::string& model, CDeviceTemplate& tpl);
    int LoadProtocols();
    int LoadProtocolFile(const std::string& name, CProtocolDef& protocol);
    int LoadEquipmentFile(const std::string& name, CNamePairRecord& record);
    int LoadEquipmentSettings();
    int LoadEquipmentList();
    int LoadVoltageLevelConfig();
    int LoadBayConfig();
    int LoadVariableOptionGroups(const std::filesystem::path& file, CItemRecordArray& groups);
    int LoadIEDListFromSCD();
    // The custom device's model read, then the virtual devices inserted.
    void AddVirtualDevices();

    // The SCD file of the project and its IED list. An empty path means the first "scd" file of
    // the SCD folder, read without the success box.
    int ImportScdFile(const std::string& path);
    int CopyAndImportScd(const std::string& path);
    std::filesystem::path ScdFolder() const;
    // The detailed SCD import into points (through the point configuration's import).
    int ImportSCD(const std::string& path);

    // Library copies into a project; existing target files are kept.
    static void CopyLibraries(const std::filesystem::path& source, const std::filesystem::path& target);
    static void CopyDeviceModels(const std::filesystem::path& source, const std::filesystem::path& target);
    static void CopyProtocols(const std::filesystem::path& source, const std::filesystem::path& target);
    static void CopyEquipmentFiles(const std::filesystem::path& source, const std::filesystem::path& target);

    // Root text of the project tree: name + "--" + unit name + "[address]".
    void UpdateTreeRootText();
    std::string TreeRootText() const;

    // Forwards into the project tree.
    void RefreshPortGroupNode(int board, int group);
    void RefreshPortNode(int board, int group, int port);
    void RefreshPortChildNodes(int board, int group, int port);
    void RefreshPortConfigNodes(int board, int group, int port);
    void RefreshDeviceNodes();
    void RefreshVoltLevelNodes();
    void RefreshBayNodes(int levelCode);
    void RefreshBayNode(int bayId);
    void RefreshEquipmentNode(int bayId, int equipmentId);

    // The configuration files: the main file at path and the files beside it. 1 on success.
    int WriteConfigFiles(const std::filesystem::path& path);
    int ReadConfigFiles(const std::filesystem::path& path);

    // Empties every library and record of the project.
    void ClearAll();

    CProjectTime m_projectTime;
    float m_fVersion = 0.0f; // 0: never saved with a version
    int m_bSaved = 0;
    int m_nProjectType = 0;

    // Members of the SCD import (filled by it; freed by its clear operation).
    std::unique_ptr<platform::CSCLService> m_sclService;
    std::vector<std::unique_ptr<CInfoModel>> m_infoModels;
    CStringArray m_dataSetMembers;
    std::string m_strSubDoName;
    std::string m_strScdWork;

    // Test seam: the folder where the "其他" SCD folder is looked for (the library folder).
    std::filesystem::path LibraryFolder() const;

private:
    std::filesystem::path LibraryFile(std::string_view relative) const;
    void LoadLibraries(bool withScdIedList);
    // Reference tables of [引用表配置] of a protocol or equipment file.
    void LoadRefTables(const std::filesystem::path& file, const std::string& shownName,
                       CRefTableArray& tables);
};

// The largest version number of the subfolders of folder whose name holds a "V" (atof of the
// text after the first "V"); 0 when there is none.
float ParseVersionNumber(const std::filesystem::path& folder);
// "ProjectV%.2f" of a version.
std::string VersionFolderName(float version);
// Checks a version text of the save dialog: a number above 0; otherwise "请输入要保存的版本号！".
bool ParseVersionText(const std::string& text, float& version);

} // namespace projectmodel
