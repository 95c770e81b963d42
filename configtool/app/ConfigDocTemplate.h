#pragma once
// The project document template of the main tool: makes, opens, saves and closes project
// documents, each shown in a project frame (left editing view, right all-points view) in a child
// window of the main frame's work area, filled from the project tree. It keeps the
// application's projects and library folders and the project model's in step, since both the
// document and the worker read them.
#include "configtool/app/ConfigDoc.h"
#include "configtool/app/ProjectTemplate.h"

#include <memory>
#include <QPointer>
#include <vector>

class QWidget;

namespace editors {
class CConfigFrame;
}

namespace qxm7740 {

class CConfigToolApp;

class CConfigDocTemplate : public IProjectTemplate {
public:
    explicit CConfigDocTemplate(CConfigToolApp& app);
    ~CConfigDocTemplate() override;
    CConfigDocTemplate(const CConfigDocTemplate&) = delete;
    CConfigDocTemplate& operator=(const CConfigDocTemplate&) = delete;

    std::vector<CConfigDoc*> GetDocuments() const override;
    // The project frame's views: the left (editing) view first, then the right one.
    std::vector<QWidget*> GetViews(const CConfigDoc* doc) const override;

    CConfigDoc* NewProject(const std::string& folder, const std::string& name) override;
    CConfigDoc* OpenProject(const std::string& path) override;
    void CloseAllDocuments() override;
    QMdiSubWindow* GetFrame(CConfigDoc* doc) const override;
    // The project frame inside the document's child window (null without one).
    editors::CConfigFrame* GetConfigFrame(const CConfigDoc* doc) const;
    void SetTitle(CConfigDoc* doc, const std::string& title) override;

    bool IsModified(const CConfigDoc* doc) const override;
    std::string GetProjectName(const CConfigDoc* doc) const override;
    void SetProjectName(CConfigDoc* doc, const std::string& name) override;
    int SaveProject(CConfigDoc* doc, bool asNew) override;
    // A save names the document after the main file it wrote.
    std::string GetSavedPath(const CConfigDoc* doc) const override {
        return doc ? doc->GetTitle() : std::string();
    }

    void SetProjectScd(CConfigDoc* doc, const std::string& path) override;
    void ImportScd(CConfigDoc* doc, const std::string& path) override;
    void SortDevices(CConfigDoc* doc) override;

    // The application's folders into the project model, and back after the document moved them.
    void PushFolders();
    void PullFolders();

private:
    struct Entry {
        std::unique_ptr<CConfigDoc> doc;
        // Both belong to the main frame's work area, which may delete them first.
        QPointer<QMdiSubWindow> frame;
        QPointer<editors::CConfigFrame> content;
    };
    CConfigDoc* AddDocument(std::unique_ptr<CConfigDoc> doc);
    const Entry* Find(const CConfigDoc* doc) const;

    CConfigToolApp& m_app;
    std::vector<Entry> m_entries;
};

} // namespace qxm7740
