#pragma once
// The fake unit (the test program "fakeunit") on a free port of 127.0.0.1, serving files from a
// store folder; stopped when the object goes. Port stays 0 when it did not start.
#include "tests/support/TestFiles.h"

#include <filesystem>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <string>

namespace testsupport {

class FakeUnit {
public:
    // lifetime: seconds the unit runs at most ("0": until it is stopped).
    explicit FakeUnit(const std::filesystem::path& store, const QStringList& faults = {},
                      const QString& lifetime = "120") {
        QStringList args = {"--port",        "0",          "--store", QString::fromStdString(store.string()),
                            "--watch-stdin", "--lifetime", lifetime};
        for (const QString& f : faults)
            args << "--fault" << f;
        process.start(QString::fromStdString((TestToolsDir() / "fakeunit").string()), args);
        if (!process.waitForStarted(5000))
            return;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && !log.contains('\n')) {
            process.waitForReadyRead(100);
            log += process.readAllStandardOutput();
        }
        if (log.startsWith("PORT "))
            port = log.mid(5, log.indexOf('\n') - 5).toInt();
    }
    ~FakeUnit() {
        process.closeWriteChannel();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
    FakeUnit(const FakeUnit&) = delete;
    FakeUnit& operator=(const FakeUnit&) = delete;
    // What the unit has written to its standard output so far.
    std::string Log() {
        process.waitForReadyRead(20);
        log += process.readAllStandardOutput();
        return log.toStdString();
    }

    QProcess process;
    QByteArray log;
    int port = 0;
};

} // namespace testsupport
