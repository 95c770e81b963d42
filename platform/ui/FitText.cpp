#include "platform/ui/FitText.h"

#include <algorithm>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTreeView>

namespace platform {

int TextFitWidth(const QLineEdit& edit) {
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth =
        edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    const QMargins margins = edit.textMargins();
    // QLineEdit draws its text 2 pixels in from each side and keeps a pixel for the cursor.
    const int text =
        edit.fontMetrics().horizontalAdvance(edit.text()) + margins.left() + margins.right() + 4 + 1;
    const QSize contents(text, edit.fontMetrics().height());
    return edit.style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, &edit).width();
}

void KeepWholeTextVisible(QLineEdit* edit) {
    auto fit = [edit] {
        const QScreen* screen = edit->screen() ? edit->screen() : QGuiApplication::primaryScreen();
        const int limit = screen ? screen->availableGeometry().width() * 3 / 4 : 1200;
        edit->setMinimumWidth(std::min(std::max(TextFitWidth(*edit), edit->sizeHint().width()), limit));
    };
    fit();
    QObject::connect(edit, &QLineEdit::textChanged, edit, fit);
}

void KeepWholeLabelsVisible(QTreeView* tree) {
    QHeaderView* header = tree->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree->setTextElideMode(Qt::ElideNone);
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

} // namespace platform
