#include "platform/ui/WidgetPrompt.h"

#include <mutex>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace platform {
namespace {

std::mutex g_runnerMutex;
DialogRunner g_runner;

QMessageBox::StandardButtons ToButtons(Buttons b) {
    switch (b) {
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon ToIcon(Icon i) {
    switch (i) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButton ToButton(Answer a) {
    switch (a) {
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Abort:
        return QMessageBox::Abort;
    case Answer::Retry:
        return QMessageBox::Retry;
    case Answer::Ignore:
        return QMessageBox::Ignore;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

Answer FromButton(int b) {
    switch (b) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Ok;
    }
}

} // namespace

Answer CWidgetPrompt::Message(const std::string& text, const std::string& caption, Icon icon,
                              Buttons buttons) {
    return MessageWithDefault(text, caption, icon, buttons, FirstButton(buttons));
}

Answer CWidgetPrompt::MessageWithDefault(const std::string& text, const std::string& caption, Icon icon,
                                         Buttons buttons, Answer defaultButton) {
    Answer answer = Answer::Cancel;
    RunOnUiThread([&] {
        QMessageBox box(ToIcon(icon), Qs(caption), Qs(text), ToButtons(buttons),
                        QApplication::activeWindow());
        if (box.button(ToButton(defaultButton)))
            box.setDefaultButton(ToButton(defaultButton));
        answer = FromButton(box.exec());
    });
    return answer;
}

int RunDialog(QDialog& dialog) {
    DialogRunner runner;
    {
        std::lock_guard lock(g_runnerMutex);
        runner = g_runner;
    }
    return runner ? runner(dialog) : dialog.exec();
}

void SetDialogRunner(DialogRunner runner) {
    std::lock_guard lock(g_runnerMutex);
    g_runner = std::move(runner);
}

void RunOnUiThread(const std::function<void()>& fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

} // namespace platform
