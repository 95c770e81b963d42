#pragma once
// Runs the event loop of the program under a flooding unit and prints what the flood benchmark
// reports: frames per second taken, the lag of the window behind the unit at the end, reconnects
// and peak memory.
#include "FloodUnit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <sys/resource.h>

#include <cstdio>
#include <functional>
#include <string>

namespace floodbench {

// The last line a text window shows.
inline std::string LastLine(QTextEdit* edit) {
    for (QTextBlock b = edit->document()->lastBlock(); b.isValid(); b = b.previous())
        if (!b.text().isEmpty())
            return b.text().toStdString();
    return {};
}

// lastLine: the last line the window shows.
inline int RunFlood(const char* program, FloodUnit& unit, int seconds,
                    const std::function<std::string()>& lastLine) {
    QElapsedTimer wait;
    wait.start();
    while (!unit.flooding && wait.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!unit.flooding) {
        std::fprintf(stderr, "%s: the login did not complete\n", program);
        return 1;
    }
    // The window's progress, sampled every second while the flood runs.
    std::uint64_t worstLag = 0;
    QElapsedTimer sample;
    sample.start();
    while (!unit.finished) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (sample.elapsed() >= 1000) {
            sample.restart();
            const std::uint64_t shown = SequenceOf(lastLine());
            const std::uint64_t sent = unit.lastSent;
            if (sent > shown)
                worstLag = std::max(worstLag, sent - shown);
        }
    }
    const std::uint64_t last = unit.lastSent;
    Clock::time_point caught{};
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (SequenceOf(lastLine()) >= last) {
            caught = Clock::now();
            break;
        }
    }
    const double floodS = std::chrono::duration<double>(unit.floodEnd - unit.floodStart).count();
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("%s: %d s of flood, %llu frames of 90 bytes\n", program, seconds,
                static_cast<unsigned long long>(last));
    std::printf("  frames/s taken:        %.0f\n", static_cast<double>(last) / floodS);
    if (caught != Clock::time_point{})
        std::printf("  lag at the end:        %.3f s (window's last line after the unit's last frame)\n",
                    std::chrono::duration<double>(caught - unit.floodEnd).count());
    else
        std::printf("  lag at the end:        > 30 s (last line shown %llu of %llu)\n",
                    static_cast<unsigned long long>(SequenceOf(lastLine())),
                    static_cast<unsigned long long>(last));
    std::printf(
        "  worst lag during:      %llu frames (%.2f s of the flood) behind the unit at a 1 s sample\n",
        static_cast<unsigned long long>(worstLag),
        static_cast<double>(worstLag) * floodS / static_cast<double>(last ? last : 1));
    std::printf("  reconnects:            %d\n", unit.connections - 1);
    std::printf("  peak memory (max RSS): %.1f MB\n", static_cast<double>(ru.ru_maxrss) / 1024.0);
    return 0;
}

} // namespace floodbench
