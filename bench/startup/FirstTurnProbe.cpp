// Preloaded into a program (LD_PRELOAD) to time its start-up: when the program enters an event
// loop the probe posts a call that, once the events posted before it (the first layout and paint of
// the shown windows) and the events those posted have run, ends the process at once (no teardown).
//
// STARTUP_PROBE=first  ends at the first event loop of any kind (a login dialog's loop too);
// STARTUP_PROBE=main   ends at the application's event loop; a dialog run before it (a login) is
//                      answered "accepted" without being shown, so that the main window is timed.
// STARTUP_PROBE_OUT=file appends "<label> <ms at the loop's entry> <ms at the end>" to the file, both
// counted from the moment the probe was loaded (after the dynamic linking of the program).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <unistd.h>

namespace {

const auto g_loaded = std::chrono::steady_clock::now();
double g_entered = 0;

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

// Two turns: the events posted before the loop run first, then those they posted.
void PostEnd(const char* where) {
    g_entered = Since();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [where] {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [where] { EndNow(where); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

template <typename F> F Next(const char* symbol) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
}

} // namespace

int QCoreApplication::exec() {
    if (Mode("first") || Mode("main"))
        PostEnd("main-loop");
    static auto real = Next<int (*)()>("_ZN16QCoreApplication4execEv");
    return real();
}

int QEventLoop::exec(ProcessEventsFlags flags) {
    if (Mode("first"))
        PostEnd("nested-loop");
    static auto real = Next<int (*)(QEventLoop*, ProcessEventsFlags)>(
        "_ZN10QEventLoop4execE6QFlagsINS_17ProcessEventsFlagEE");
    return real(this, flags);
}

int QDialog::exec() {
    if (Mode("main")) {
        setResult(QDialog::Accepted);
        return QDialog::Accepted;
    }
    static auto real = Next<int (*)(QDialog*)>("_ZN7QDialog4execEv");
    return real(this);
}
