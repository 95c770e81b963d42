#pragma once
// The application's holder of pointers: the current project document with its child window, the
// project tree, the monitor pane and the project document template. Every view, dialog and the
// worker reach the current project through it. It owns nothing; the pointed-to objects belong to
// the main frame and its document machinery, which clear the pointers when they go.
#include <vector>

class QWidget;
class QMdiSubWindow;

namespace editors {
class CConfigOverView;
}

namespace qxm7740 {

class CConfigDoc;
class CDebugTextView;

// What the holder needs of the project document template: its open documents in opening order,
// and each document's views in order.
class IDocTemplate {
public:
    virtual ~IDocTemplate() = default;
    virtual std::vector<CConfigDoc*> GetDocuments() const = 0;
    virtual std::vector<QWidget*> GetViews(const CConfigDoc* doc) const = 0;
};

class CDocTemplateRef {
public:
    CDocTemplateRef() = default;
    virtual ~CDocTemplateRef() = default;
    CDocTemplateRef(const CDocTemplateRef&) = delete;
    CDocTemplateRef& operator=(const CDocTemplateRef&) = delete;

    // The first view of the first open document of the template; null without a template, a
    // document or a view.
    QWidget* GetFirstView() const;

    // Nothing sets it: while it is 0 a project window that is opened or created is maximised.
    int m_bNoMaximize = 0;
    // The current project, set when one is created with the wizard or opened by path.
    CConfigDoc* m_pConfigDoc = nullptr;
    // The child window of the current project.
    QMdiSubWindow* m_pConfigFrame = nullptr;
    // The project tree, set when the main frame builds its workspace bar.
    editors::CConfigOverView* m_pOverView = nullptr;
    // The monitor pane, set when the main frame builds its monitor bar.
    CDebugTextView* m_pDebugView = nullptr;
    // The project document template, set at start-up.
    IDocTemplate* m_pDocTemplate = nullptr;
};

} // namespace qxm7740
