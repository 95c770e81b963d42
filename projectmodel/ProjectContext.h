#pragma once
// Process-wide state of the project model in one place: the current project document (the one
// the views and the record operations work on), the device-table-sorted flag, the projects and
// library folders of the application, the switches of "组态配置.ini" [SysConfig], the clock and
// the neighbours the document calls. Tests call Reset() to start from a clean state.
#include "projectmodel/ProjectServices.h"

#include <filesystem>
#include <string>

namespace projectmodel {

class CProjectModel;

class CProjectContext {
public:
    static CProjectContext& Instance();
    // No current document, the device table sorted, default folders, switches, clock and
    // neighbours.
    static void Reset();

    CProjectModel* CurrentDocument() const { return currentDocument_; }
    void SetCurrentDocument(CProjectModel* doc) { currentDocument_ = doc; }

    // Automatic sorting of the device table ("自动排序").
    bool IsDeviceTableSorted() const { return deviceTableSorted_; }
    void SetDeviceTableSorted(bool sorted) { deviceTableSorted_ = sorted; }

    // The projects folder (Project under the root folder until a project re-bases it) and the
    // library folder (Ini under the root folder, or the open project's Ini folder).
    std::filesystem::path ProjectsFolder() const;
    void SetProjectsFolder(const std::filesystem::path& folder) { projectsFolder_ = folder; }
    std::filesystem::path LibraryFolder() const;
    void SetLibraryFolder(const std::filesystem::path& folder) { libraryFolder_ = folder; }

    // The name the new-project wizard gave the project about to be created.
    const std::string& NewProjectName() const { return newProjectName_; }
    void SetNewProjectName(const std::string& name) { newProjectName_ = name; }

    // [SysConfig] switches: GOOSE points and descriptions from DU steer the SCD import; the
    // set-point-from-control switch is read by the port form view.
    bool m_bGetGoosePoints = false;
    bool m_bGetDescFromDu = true;
    bool m_bSelYtFromYk = false;

    // Neighbours; null restores the default. Not owned.
    const IClock& Clock() const { return clock_ ? *clock_ : systemClock_; }
    void SetClock(const IClock* clock) { clock_ = clock; }
    IProjectShell& Shell() { return shell_ ? *shell_ : defaultShell_; }
    void SetShell(IProjectShell* shell) { shell_ = shell; }
    IClassificationLibrary& Classifier() { return classifier_ ? *classifier_ : defaultClassifier_; }
    void SetClassifier(IClassificationLibrary* lib) { classifier_ = lib; }
    IScdImport& ScdImport() { return scdImport_ ? *scdImport_ : defaultScdImport_; }
    void SetScdImport(IScdImport* import) { scdImport_ = import; }

private:
    CProjectContext() = default;
    CProjectModel* currentDocument_ = nullptr;
    bool deviceTableSorted_ = true;
    std::filesystem::path projectsFolder_;
    std::filesystem::path libraryFolder_;
    std::string newProjectName_;
    const IClock* clock_ = nullptr;
    CSystemClock systemClock_;
    IProjectShell* shell_ = nullptr;
    IProjectShell defaultShell_;
    IClassificationLibrary* classifier_ = nullptr;
    IClassificationLibrary defaultClassifier_;
    IScdImport* scdImport_ = nullptr;
    IScdImport defaultScdImport_;
};

} // namespace projectmodel
