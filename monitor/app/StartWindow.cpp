#include "monitor/app/StartWindow.h"

#include "platform/ui/WidgetPrompt.h"

#include <QLabel>
#include <QMetaObject>
#include <QTimer>
#include <QVBoxLayout>

using platform::Qs;

namespace marindle {

CStartWindow::CStartWindow()
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    // A tool window: no task-bar entry of its own while the frame is not up yet. Not a
    // splash-screen window: Qt runs the pending events when one is shown before the event loop.
    setObjectName("startWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(Qs("组态调试工具 V2.04"), this);
    QFont font = label->font();
    font.setPointSize(font.pointSize() * 2);
    label->setFont(font);
    layout->addWidget(label);
}

void CStartWindow::ShowThen(std::function<void()> then) {
    then_ = std::move(then);
    show();
    QTimer::singleShot(kShownMs, this, &QDialog::close);
    QTimer::singleShot(kFallbackMs, this, [this] { RunNext(); });
}

void CStartWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // Queued: the step runs after this paint has reached the screen.
    if (then_)
        QMetaObject::invokeMethod(
            this, [this] { RunNext(); }, Qt::QueuedConnection);
}

void CStartWindow::RunNext() {
    if (!then_)
        return;
    auto then = std::move(then_);
    then_ = nullptr;
    then();
}

} // namespace marindle
