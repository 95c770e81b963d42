#include "editors/views/EditorViews.h"

#include <array>
#include <QPainter>

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

CConfigView::CConfigView(EditorViewKind standsFor, QWidget* parent) : QWidget(parent), m_kind(standsFor) {
    setObjectName(ViewClassName(standsFor));
}

void CConfigView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawText(10, 10 + fontMetrics().ascent(), "空的视类型");
}
