#pragma once
// The project document template of the main tool: makes, opens, saves and closes project
// documents, each shown in a child window of the main frame's work area. It keeps the
// application's projects and library folders and the project model's in step, since both the
// document and the worker read them.
#include "ConfigDoc.h"
#include "ProjectTemplate.h"

#include <functional>
#include <memory>
#include <vector>

class CConfigToolApp;
class QWidget;

class CConfigDocTemplate : public IProjectTemplate {
public:
    // Builds the content of a project's child window (the project frame); the default is an
    // empty splitter pane.
    using FrameFactory = std::function<QWidget*(CConfigDoc& doc)>;

    explicit CConfigDocTemplate(CConfigToolApp& app);
    ~CConfigDocTemplate() override;
    CConfigDocTemplate(const CConfigDocTemplate&) = delete;
    CConfigDocTemplate& operator=(const CConfigDocTemplate&) = delete;

    void SetFrameFactory(FrameFactory factory) { m_frameFactory = std::move(factory); }

    std::vector<CConfigDoc*> GetDocuments() const override;
    std::vector<QWidget*> GetViews(const CConfigDoc* doc) const override;

    CConfigDoc* NewProject(const std::string& folder, const std::string& name) override;
    CConfigDoc* OpenProject(const std::string& path) override;
    void CloseAllDocuments() override;
    QMdiSubWindow* GetFrame(CConfigDoc* doc) const override;
    void SetTitle(CConfigDoc* doc, const std::string& title) override;

    bool IsSaved(const CConfigDoc* doc) const override;
    std::string GetProjectName(const CConfigDoc* doc) const override;
    void SetProjectName(CConfigDoc* doc, const std::string& name) override;
    int SaveProject(CConfigDoc* doc, bool asNew) override;

    void SetProjectScd(CConfigDoc* doc, const std::string& path) override;
    void ImportScd(CConfigDoc* doc, const std::string& path) override;
    void SortDevices(CConfigDoc* doc) override;
    void RebuildTree() override {}

    // The application's folders into the project model, and back after the document moved them.
    void PushFolders();
    void PullFolders();

private:
    struct Entry {
        std::unique_ptr<CConfigDoc> doc;
        QMdiSubWindow* frame = nullptr;
    };
    CConfigDoc* AddDocument(std::unique_ptr<CConfigDoc> doc);
    const Entry* Find(const CConfigDoc* doc) const;

    CConfigToolApp& m_app;
    FrameFactory m_frameFactory;
    std::vector<Entry> m_entries;
};
