#pragma once
// How the editing views plug into the project frame: each view is a QWidget that also implements
// IEditorView, registered under its kind with a factory. The frame and the tree create views only
// through the registry; a kind without a factory gets the placeholder CConfigView (ConfigView.h), so views of
// other modules plug in without changes here.
#include "editors/model/EditorViewKind.h"

#include <functional>
#include <QWidget>

namespace editors {

class CConfigFrame;
class CConfigOverView;

// What a view placed in a pane of the project frame offers.
class IEditorView {
public:
    virtual ~IEditorView() = default;
    // Called after every tree selection that shows this view (also when it stays): the view reads
    // the selected node's path (CConfigOverView::GetSelectedPath) and shows that record.
    virtual void OnInitialUpdate() {}
    // The project properties view shows the new save time.
    virtual void UpdateSaveTime() {}
    // The device information list fills itself again.
    virtual void FillDeviceList() {}
};

// Where a new view lives: its frame and the project tree.
struct CViewContext {
    CConfigFrame* frame = nullptr;
    CConfigOverView* tree = nullptr;
};

using EditorViewFactory = std::function<QWidget*(const CViewContext&)>;

class CEditorViewRegistry {
public:
    // Replaces the factory of a kind (an empty factory removes it).
    static void Register(EditorViewKind kind, EditorViewFactory factory);
    static bool IsRegistered(EditorViewKind kind);
    // A new view of the kind; the placeholder when no factory is registered or it gives null.
    static QWidget* Create(EditorViewKind kind, const CViewContext& context);
    static IEditorView* AsEditorView(QWidget* view);
};

} // namespace editors
