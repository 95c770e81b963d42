#include "editors/views/EditorViews.h"

#include "editors/views/ConfigView.h"

#include <array>

namespace editors {

namespace {
std::array<EditorViewFactory, kEditorViewKindCount>& Factories() {
    static std::array<EditorViewFactory, kEditorViewKindCount> factories;
    return factories;
}
} // namespace

void CEditorViewRegistry::Register(EditorViewKind kind, EditorViewFactory factory) {
    if (kind >= 0 && kind < kEditorViewKindCount)
        Factories()[kind] = std::move(factory);
}

bool CEditorViewRegistry::IsRegistered(EditorViewKind kind) {
    return kind >= 0 && kind < kEditorViewKindCount && static_cast<bool>(Factories()[kind]);
}

QWidget* CEditorViewRegistry::Create(EditorViewKind kind, const CViewContext& context) {
    QWidget* view = nullptr;
    if (IsRegistered(kind))
        view = Factories()[kind](context);
    if (!view)
        view = new CConfigView(kind);
    view->setProperty("editorViewKind", static_cast<int>(kind));
    return view;
}

IEditorView* CEditorViewRegistry::AsEditorView(QWidget* view) {
    return dynamic_cast<IEditorView*>(view);
}

} // namespace editors
