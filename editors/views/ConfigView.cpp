#include "editors/views/ConfigView.h"

#include <QPainter>

namespace editors {

CConfigView::CConfigView(EditorViewKind standsFor, QWidget* parent) : QWidget(parent), m_kind(standsFor) {
    setObjectName(ViewClassName(standsFor));
}

void CConfigView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawText(10, 10 + fontMetrics().ascent(), "空的视类型");
}

} // namespace editors
