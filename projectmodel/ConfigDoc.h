#pragma once
// The project document: owns every record of the project (through CProjectModel), loads the
// definition libraries, knows where the project lives on disk, and creates, opens and saves
// projects as versioned folders of configuration files.
//
// Folder layout (projects folder P, project name N): P/N/ the project, P/N/Ini/ its copy of the
// definition libraries (the library folder while it is open), P/N/Temp/ backups of an
// overwritten version, P/N/ProjectV1.00/ one folder per saved version with the main
// configuration file "<unit name>.ini" and the files beside it.
#include "projectmodel/LineCursor.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/ProjectServices.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class CSCLService;
class CGbkTextWriter;
} // namespace platform

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
    // Files of the project or its libraries that were there but could not be read at the open
    // (each told): while there are any the project is not saved, nor should it go to the unit.
    int UnreadFileCount() const { return m_nUnreadFiles; }

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

    // Library copies into a project; existing target files are kept (an empty one whose source
    // has bytes is what a failed copy left, and is copied again). Each file is written under a
    // temporary name and renamed into place; the first one that cannot be copied is named in a
    // box ("创建文件 %s 失败!") and ends the copy with false.
    static bool CopyLibraries(const std::filesystem::path& source, const std::filesystem::path& target);
    static bool CopyDeviceModels(const std::filesystem::path& source, const std::filesystem::path& target);
    static bool CopyProtocols(const std::filesystem::path& source, const std::filesystem::path& target);
    static bool CopyEquipmentFiles(const std::filesystem::path& source, const std::filesystem::path& target);

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

    // The configuration files: the main file at path and, in its folder, "ccu_工程间隔.cfg", one
    // "ccu_" file per port configuration and "system.cfg". 0 only when the main file cannot be
    // written; a further file that cannot be created is reported and skipped.
    // With image, it also gets the image of the files written, as ConfigImage would give it.
    int WriteConfigFiles(const std::filesystem::path& path, std::string* image = nullptr);
    // The same files stamped with stamp, the document (its time and its saved state) left as it
    // is: the copy a download makes for the unit.
    int WriteConfigCopy(const std::filesystem::path& path, const CProjectTime& stamp) const;
    int ReadConfigFiles(const std::filesystem::path& path);
    // "system.cfg": the unit's variable information (only when the unit has option groups).
    int WriteVariableInfoFile(const std::filesystem::path& path) const;
    int ReadVariableInfoFile(const std::filesystem::path& path);

    // Reads a "[可变信息]" block into the groups (their definitions decide the keys). The
    // optional texts replace the messages about a group count or an element count that differ
    // from the definition. Options the block does not give (a line rejected, a group or item
    // missing) keep their definition's default value in every row; their names are added to
    // defaulted when it is given.
    struct VariableInfoTexts {
        std::string groupCount;
        std::function<std::string(int group)> elements;
    };
    int ReadVariableInfoGroup(CLineCursor& cur, CItemRecord& group, int g, const VariableInfoTexts* texts,
                              int& itemsRead);
    int ReadVariableInfo(CLineCursor& cur, CItemRecordArray& groups, const VariableInfoTexts* texts = nullptr,
                         std::vector<std::string>* defaulted = nullptr);

    // The reference tables of a port or port configuration (all of them), as the port reader
    // reads them; for tests of the table lines alone.
    int ReadRefTablesForTest(CLineCursor& cur, CRefTableArray& tables) {
        return ReadRefTables(cur, tables.GetSize(), tables, {});
    }

    // Pieces of the writer that the port and bay files share.
    static void WriteVariableInfo(platform::CGbkTextWriter& out, const CItemRecordArray& groups, int indent);
    static void WriteRefTables(platform::CGbkTextWriter& out, const CRefTableArray& tables, int indent);
    // The "ccu_" file name of one port configuration.
    static std::string PortConfigFileName(const CBoardInfo& board, const CPortRecord& port,
                                          const CPortConfig& config);
    // Number of lines of a composite signal's block after its count line ("项目数").
    static int CompositeItemCount(const CExpression& expr);

    // Bounds of what the readers take from a file or a library: far above any unit's needs, far
    // below what a damaged count could make them allocate.
    static constexpr int kMaxRowsPerTable = 4096;  // variable-information rows of one table
    static constexpr int kSpareRowsPerTable = 256; // rows allowed beyond a table's dimension
    static constexpr int kMaxRowsPerRead = 100000; // variable-information rows of one project
    static constexpr int kMaxTimeSources = 256;
    static constexpr int kMaxBoards = 64;
    static constexpr int kMaxPortGroupsPerBoard = 32;
    static constexpr int kMaxPortsPerBoard = 256;
    // Rows a variable-information table of the file may hold.
    static int MaxVariableInfoRows(const CItemRecord& group);

    // Empties every library and record of the project.
    void ClearAll();

    // True while the project holds changes a save would keep and closing would lose: what a save
    // would write differs from what the last save wrote or the opening read, or the flag was set
    // (a new project not yet saved). Comparing what would be written catches every edit,
    // whichever view or operation made it, and an edit undone by hand counts as none.
    bool IsModified() const override;
    // False: the records as they stand are the saved state (after a save or an opening). True: the
    // project counts as modified until it is saved.
    void SetModifiedFlag(bool modified = true) override;
    // Every configuration file a save would write now, by name, with a digest of its bytes (its
    // size and two hashes): equal images are equal files. No file is touched and nothing is shown.
    std::string ConfigImage() const;

    CProjectTime m_projectTime;
    float m_fVersion = 0.0f; // 0: never saved with a version
    int m_nProjectType = 0;

    // Members of the SCD import (filled by it; freed by its clear operation).
    std::unique_ptr<platform::CSCLService> m_sclService;
    std::vector<std::unique_ptr<CInfoModel>> m_infoModels;
    CStringArray m_dataSetMembers;
    std::string m_strSubDoName;
    std::string m_strScdWork;
    // Work text of the configuration reader: the protocol whose tables are being read.
    std::string m_strReaderWork;

    // Test seam: the folder where the "其他" SCD folder is looked for (the library folder).
    std::filesystem::path LibraryFolder() const;

private:
    // The configuration files with the project time given.
    int WriteConfigFileSet(const std::filesystem::path& path, const CProjectTime& time) const;
    void WriteProjectIdentity(platform::CGbkTextWriter& out, const CProjectTime& time) const;
    void WriteTimeSync(platform::CGbkTextWriter& out) const;
    void WriteDeviceTable(platform::CGbkTextWriter& out, bool withExtensions) const;
    void WriteBayReference(platform::CGbkTextWriter& out, const std::filesystem::path& folder) const;
    int WriteBayConfig(const std::filesystem::path& path) const;
    void WriteDeviceInfo(platform::CGbkTextWriter& out) const;
    void WriteBoardConfig(platform::CGbkTextWriter& out, const std::filesystem::path& folder) const;
    void WritePortConfig(platform::CGbkTextWriter& out, const CBoardInfo* board, const CPortRecord* port,
                         const std::filesystem::path& folder) const;
    int WritePortConfigFile(const std::filesystem::path& path, const CPortConfig& config) const;
    void WriteCompositeSignals(platform::CGbkTextWriter& out) const;
    std::string DevicePortText(const CDevice& device) const;
    // What the last save wrote or the opening read, as ConfigImage gives it.
    std::string m_savedImage;
    // Further files of the write in progress that failed (each already reported).
    mutable int m_nWriteFailures = 0;
    // Variable-information rows the configuration read in progress has taken so far.
    int m_nRowsRead = 0;
    // Files of the project or its libraries that were there but could not be read at the open.
    int m_nUnreadFiles = 0;

    // Reader sections; each gives 1 or 0 after reporting the first line it rejects.
    int ReadProjectIdentity(CLineCursor& cur);
    int ReadTimeSync(CLineCursor& cur);
    int ReadDeviceTable(CLineCursor& cur);
    int ReadBayReference(CLineCursor& cur, const std::filesystem::path& folder);
    int ReadBayConfig(const std::filesystem::path& path);
    int ReadBayLevel(CLineCursor& cur, std::size_t l);
    int ReadBay(CLineCursor& cur, int k, CVoltLevel& level);
    int ReadBayEquipment(CLineCursor& cur, int j, CPrjBay& bay, const CVoltLevel& level);
    int ReadBayDeviceTable(CLineCursor& cur);
    int ReadLinkedDevices(CLineCursor& cur, CIntArray& addresses);
    int ReadRelatedEntries(CLineCursor& cur, CNamePairRecord& settings);
    int ReadRelatedTable(CLineCursor& cur, int t, CNamePairRecord& settings);
    int ReadDeviceInfo(CLineCursor& cur);
    int ReadDeviceEntries(CLineCursor& cur, CDevice& device);
    int ReadBoardConfig(CLineCursor& cur, const std::filesystem::path& folder);
    int ReadBoard(CLineCursor& cur, int i, const std::filesystem::path& folder);
    // The link-status signals of the status device follow the ports read: one entry per port,
    // with the attributes the file gave it.
    void FitLinkStatusSignals();
    int ReadPortConfig(CLineCursor& cur, CBoardInfo& board, CPortRecord& port, bool adding,
                       const std::filesystem::path& folder);
    int ReadPortBlock(CLineCursor& cur, const std::vector<std::string>& block, CBoardInfo& board,
                      CPortRecord& port, bool adding, const std::filesystem::path& folder);
    int ReadPortConfigList(CLineCursor& cur, CPortRecord& port, const std::filesystem::path& folder);
    int ReadPortValues(CLineCursor& cur, const COptionItemArray& defs, CBoardInfo& board, CPortRecord& port);
    int ReadPortConfigFile(const std::filesystem::path& path, CPortConfig& config);
    int ReadRefTables(CLineCursor& cur, int count, CRefTableArray& tables, const std::string& protocolName);
    int ReadRefTable(CLineCursor& cur, CRefTable& table, const std::string& protocolName);
    int ReadCompositeSignals(CLineCursor& cur);
    int ReadCompositeSignal(CLineCursor& cur, int c, CDevice& device);
    // Port groups of the board get the placement of the devices their ports list.
    void PlaceListedDevices(CBoardInfo& board);

    std::filesystem::path LibraryFile(std::string_view relative) const;
    void LoadLibraries(bool withScdIedList);
    // Reference tables of [引用表配置] of a protocol or equipment file.
    void LoadRefTables(const std::filesystem::path& file, const std::string& shownName,
                       CRefTableArray& tables);
};

// A save interrupted while it replaced a version (the old one moved aside, the new one not yet
// in place) is undone: the old version goes back under its name. Whoever reads a project's
// versions calls it first; a leftover of a finished replacement is only cleared away.
void RestoreInterruptedVersion(const std::filesystem::path& projectFolder);
// The largest version number of the subfolders of folder whose name holds a "V" (atof of the
// text after the first "V"); 0 when there is none. An interrupted replacement is undone first.
float ParseVersionNumber(const std::filesystem::path& folder);
// The same; error gets 0, or the errno of a failure to list folder (ENOENT: no folder).
float ParseVersionNumber(const std::filesystem::path& folder, int& error);
// "ProjectV%.2f" of a version.
std::string VersionFolderName(float version);
// Checks a version text of the save dialog: a number above 0; otherwise shows
// "请输入要保存的版本号！" (caption "错误"). The save dialog and the save itself both use it.
bool ParseVersionText(const std::string& text, float& version);

} // namespace projectmodel
