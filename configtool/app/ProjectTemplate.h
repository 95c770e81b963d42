#pragma once
// What the main frame needs of the project document side: making, opening, saving and closing
// projects, their titles and saved state, the SCD commands and the device-table sort. The project
// document's template implements it; the main frame and the application reach it through the
// holder of pointers (CDocTemplateRef::m_pDocTemplate).
#include "configtool/shellui/DocTemplateRef.h"

#include <string>

class QMdiSubWindow;

namespace qxm7740 {

class IProjectTemplate : public IDocTemplate {
public:
    // A new project document named by the new-project wizard, with its child window shown;
    // null when it could not be made (the reason has been shown).
    virtual CConfigDoc* NewProject(const std::string& folder, const std::string& name) = 0;
    // The project of a main configuration file, with its child window shown; null on failure
    // (the reason has been shown).
    virtual CConfigDoc* OpenProject(const std::string& path) = 0;
    // Closes every open document and its window.
    virtual void CloseAllDocuments() = 0;
    virtual QMdiSubWindow* GetFrame(CConfigDoc* doc) const = 0;
    virtual void SetTitle(CConfigDoc* doc, const std::string& title) = 0;

    // True while the project holds changes that closing it would lose.
    virtual bool IsModified(const CConfigDoc* doc) const = 0;
    virtual std::string GetProjectName(const CConfigDoc* doc) const = 0;
    virtual void SetProjectName(CConfigDoc* doc, const std::string& name) = 0;
    // Saves the project, as a new one (version restarted) or in place; the document asks for the
    // rights itself. 1 on success, 0 when refused, cancelled or failed.
    virtual int SaveProject(CConfigDoc* doc, bool asNew) = 0;
    // The main file a successful save of the document wrote; "" when the template cannot tell.
    virtual std::string GetSavedPath(const CConfigDoc*) const { return {}; }

    // "工程配置": copies the SCD file into the project and imports it.
    virtual void SetProjectScd(CConfigDoc* doc, const std::string& path) = 0;
    // "导入SCD文件".
    virtual void ImportScd(CConfigDoc* doc, const std::string& path) = 0;

    // After the process-wide device-table-sorted flag was turned on ("自动排序"): sorts the device table by
    // address, rebuilds the device nodes of the project tree and refills the device lists shown.
    virtual void SortDevices(CConfigDoc* doc) = 0;
};

} // namespace qxm7740
