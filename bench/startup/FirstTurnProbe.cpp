// Preloaded into a program (LD_PRELOAD) to time its start-up: from the moment the program enters an
// event loop the probe watches the paint events, and after the first paint of the window it waits
// for (once that paint has been flushed) it ends the process at once (no teardown).
//
// STARTUP_PROBE=first  the first window painted, from the first event loop of any kind (a login
//                      dialog's loop too): the time until the program shows something;
// STARTUP_PROBE=main   the first main window (QMainWindow) painted; a dialog run before the
//                      application's loop (a login) is answered "accepted" without being shown.
// STARTUP_PROBE_GRAB=file.png  saves a picture of the window painted before the end (to compare the
//                      windows of two builds).
// STARTUP_PROBE_OUT=file appends "<label> <ms at the loop's entry> <ms at the end>" to the file, both
// counted from the moment the probe was loaded (after the dynamic linking of the program).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <unistd.h>

namespace {

const auto g_loaded = std::chrono::steady_clock::now();
double g_entered = -1;

double Since() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_loaded).count();
}

bool Mode(const char* name) {
    const char* mode = std::getenv("STARTUP_PROBE");
    return mode && std::strcmp(mode, name) == 0;
}

void EndNow(const char* where) {
    if (const char* out = std::getenv("STARTUP_PROBE_OUT")) {
        if (FILE* f = std::fopen(out, "a")) {
            std::fprintf(f, "%s %.3f %.3f\n", where, g_entered, Since());
            std::fclose(f);
        }
    }
    std::fflush(nullptr);
    _exit(0);
}

class PaintWatch : public QObject {
public:
    explicit PaintWatch(bool mainWindowOnly) : mainOnly_(mainWindowOnly) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !ending_) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && (!mainOnly_ || qobject_cast<QMainWindow*>(widget->window()))) {
                ending_ = true;
                const char* label = mainOnly_ ? "main-window-painted" : "first-window-painted";
                QPointer<QWidget> window = widget->window();
                // Queued: after the paint in progress has been flushed.
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [label, window] {
                        const char* grab = std::getenv("STARTUP_PROBE_GRAB");
                        if (grab && window)
                            window->grab().save(QString::fromLocal8Bit(grab));
                        EndNow(label);
                    },
                    Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    bool mainOnly_;
    bool ending_ = false;
};

void Watch() {
    if (g_entered >= 0 || !QCoreApplication::instance())
        return;
    g_entered = Since();
    QCoreApplication::instance()->installEventFilter(new PaintWatch(Mode("main")));
    QTimer::singleShot(10000, QCoreApplication::instance(), [] { EndNow("nothing-painted"); });
}

template <typename F> F Next(const char* symbol) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
}

} // namespace

int QCoreApplication::exec() {
    if (Mode("first") || Mode("main"))
        Watch();
    static auto real = Next<int (*)()>("_ZN16QCoreApplication4execEv");
    return real();
}

int QEventLoop::exec(ProcessEventsFlags flags) {
    if (Mode("first"))
        Watch();
    static auto real = Next<int (*)(QEventLoop*, ProcessEventsFlags)>(
        "_ZN10QEventLoop4execE6QFlagsINS_17ProcessEventsFlagEE");
    return real(this, flags);
}

int QDialog::exec() {
    if (Mode("main") && g_entered < 0) {
        setResult(QDialog::Accepted);
        return QDialog::Accepted;
    }
    static auto real = Next<int (*)(QDialog*)>("_ZN7QDialog4execEv");
    return real(this);
}
