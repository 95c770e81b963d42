#pragma once
// The placeholder the view registry puts into a pane for a kind of view without a factory.
#include "editors/model/EditorViewKind.h"
#include "editors/views/EditorViews.h"

#include <QWidget>

namespace editors {

// The empty placeholder pane: shows "空的视类型".
class CConfigView : public QWidget, public IEditorView {
    Q_OBJECT
public:
    explicit CConfigView(EditorViewKind standsFor = kViewConfigView, QWidget* parent = nullptr);
    // The kind this placeholder stands in for.
    EditorViewKind StandsFor() const { return m_kind; }
    int InitialUpdates() const { return m_nUpdates; }
    void OnInitialUpdate() override { ++m_nUpdates; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EditorViewKind m_kind;
    int m_nUpdates = 0;
};

} // namespace editors
