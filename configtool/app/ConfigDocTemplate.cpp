#include "configtool/app/ConfigDocTemplate.h"

#include "configtool/app/ConfigToolApp.h"
#include "configtool/app/MainFrame.h"
#include "editors/views/ConfigFrame.h"
#include "platform/FileFaults.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"

#include <filesystem>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace qxm7740 {

using platform::Qs;
using projectmodel::CProjectContext;

CConfigDocTemplate::CConfigDocTemplate(CConfigToolApp& app) : m_app(app) {}

CConfigDocTemplate::~CConfigDocTemplate() {
    // The main frame may be gone already; its work area deleted the child windows then.
    for (Entry& e : m_entries)
        if (CProjectContext::Instance().CurrentDocument() == e.doc.get())
            CProjectContext::Instance().SetCurrentDocument(nullptr);
}

void CConfigDocTemplate::PushFolders() {
    CProjectContext& context = CProjectContext::Instance();
    context.SetProjectsFolder(m_app.GetProjectsFolder());
    context.SetLibraryFolder(m_app.GetIniFolder());
}

void CConfigDocTemplate::PullFolders() {
    CProjectContext& context = CProjectContext::Instance();
    m_app.SetProjectsFolder(context.ProjectsFolder());
    m_app.SetIniFolder(context.LibraryFolder());
}

std::vector<CConfigDoc*> CConfigDocTemplate::GetDocuments() const {
    std::vector<CConfigDoc*> docs;
    for (const Entry& e : m_entries)
        docs.push_back(e.doc.get());
    return docs;
}

std::vector<QWidget*> CConfigDocTemplate::GetViews(const CConfigDoc* doc) const {
    std::vector<QWidget*> views;
    if (editors::CConfigFrame* frame = GetConfigFrame(doc)) {
        if (frame->LeftView())
            views.push_back(frame->LeftView());
        if (frame->RightView())
            views.push_back(frame->RightView());
    }
    return views;
}

editors::CConfigFrame* CConfigDocTemplate::GetConfigFrame(const CConfigDoc* doc) const {
    const Entry* e = Find(doc);
    return e ? e->content.data() : nullptr;
}

const CConfigDocTemplate::Entry* CConfigDocTemplate::Find(const CConfigDoc* doc) const {
    for (const Entry& e : m_entries)
        if (e.doc.get() == doc)
            return &e;
    return nullptr;
}

CConfigDoc* CConfigDocTemplate::AddDocument(std::unique_ptr<CConfigDoc> doc) {
    Entry entry;
    entry.doc = std::move(doc);
    // The frame's views and the tree read the current project.
    entry.doc->MakeCurrent();
    if (CMainFrame* frame = m_app.GetMainFrame()) {
        CDocTemplateRef& ref = m_app.DocRef();
        entry.content = new editors::CConfigFrame(ref.m_pOverView);
        entry.frame = entry.content->AddToMdiArea(frame->MdiArea(), ref.m_bNoMaximize != 0);
        entry.frame->setObjectName("projectFrame");
        // The frame's first views load the new project, as every view does when it is shown.
        for (QWidget* view : {entry.content->LeftView(), entry.content->RightView()})
            if (editors::IEditorView* editorView = editors::CEditorViewRegistry::AsEditorView(view))
                editorView->OnInitialUpdate();
    }
    m_entries.push_back(std::move(entry));
    return m_entries.back().doc.get();
}

CConfigDoc* CConfigDocTemplate::NewProject(const std::string& folder, const std::string& name) {
    CProjectContext& context = CProjectContext::Instance();
    // The project is saved below the folder the wizard gave.
    m_app.SetProjectsFolder(folder);
    PushFolders();
    context.SetNewProjectName(name);
    auto doc = std::make_unique<CConfigDoc>();
    doc->OnNewDocument();
    return AddDocument(std::move(doc));
}

CConfigDoc* CConfigDocTemplate::OpenProject(const std::string& path) {
    PushFolders();
    auto doc = std::make_unique<CConfigDoc>();
    doc->MakeCurrent();
    // A project that cannot be read is not shown as if it had been opened (the reason was shown).
    // One that cannot be looked at is left to the open, which tells why it cannot be read.
    const bool exists = platform::StatPath(path).file;
    if (!exists)
        doc->OnOpenDocument(path); // tells that the file cannot be opened
    if (!exists || !doc->OpenProject(path)) {
        doc->OnCloseDocument();
        PushFolders();
        return nullptr;
    }
    PullFolders();
    return AddDocument(std::move(doc));
}

void CConfigDocTemplate::CloseAllDocuments() {
    std::vector<Entry> entries;
    entries.swap(m_entries);
    for (Entry& e : entries) {
        // The project window refuses to close unless the project is closed here.
        if (e.content)
            e.content->AllowClose(true);
        if (e.frame) {
            e.frame->close();
            if (CMainFrame* frame = m_app.GetMainFrame())
                frame->MdiArea()->removeSubWindow(e.frame);
            delete e.frame.data();
        }
        e.doc->OnCloseDocument();
    }
}

QMdiSubWindow* CConfigDocTemplate::GetFrame(CConfigDoc* doc) const {
    const Entry* e = Find(doc);
    return e ? e->frame : nullptr;
}

void CConfigDocTemplate::SetTitle(CConfigDoc* doc, const std::string& title) {
    if (!doc)
        return;
    doc->SetTitle(title);
    if (QMdiSubWindow* frame = GetFrame(doc))
        frame->setWindowTitle(Qs(title));
}

bool CConfigDocTemplate::IsModified(const CConfigDoc* doc) const {
    return doc && doc->IsModified();
}

std::string CConfigDocTemplate::GetProjectName(const CConfigDoc* doc) const {
    return doc ? doc->m_strProjectName : std::string();
}

void CConfigDocTemplate::SetProjectName(CConfigDoc* doc, const std::string& name) {
    if (doc)
        doc->m_strProjectName = name;
}

int CConfigDocTemplate::SaveProject(CConfigDoc* doc, bool asNew) {
    if (!doc)
        return 0;
    PushFolders();
    doc->MakeCurrent();
    const int result = doc->SaveProject(asNew);
    PullFolders();
    if (result)
        SetTitle(doc, doc->GetTitle());
    return result;
}

void CConfigDocTemplate::SetProjectScd(CConfigDoc* doc, const std::string& path) {
    if (!doc)
        return;
    PushFolders();
    doc->CopyAndImportScd(path);
}

void CConfigDocTemplate::ImportScd(CConfigDoc* doc, const std::string& path) {
    if (!doc)
        return;
    PushFolders();
    doc->ImportSCD(path);
}

void CConfigDocTemplate::SortDevices(CConfigDoc* doc) {
    if (!doc)
        return;
    doc->m_devices.Sort();
    doc->RefreshDeviceNodes();
    if (projectmodel::IProjectViews* views = doc->Views())
        views->FillDeviceList();
}

} // namespace qxm7740
