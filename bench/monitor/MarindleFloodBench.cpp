// Marindle under a unit that floods debug text (message 2, 90-byte frames) as fast as TCP takes
// them, through the real socket, link, dispatcher, main frame and debug window.
// Run by hand: marindle_flood_bench [seconds, 120 by default], with QT_QPA_PLATFORM=offscreen.
#include "FloodRun.h"

#include "monitor/app/MainFrame.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/TextMonitorForm.h"
#include "unitlink/NetSocket.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <clocale>
#include <cstdlib>
#include <filesystem>

namespace {

// One board: serial port 1 "COM1" with device 5, no tables, no network port.
floodbench::Bytes PortInfo() {
    floodbench::Bytes b(20, 0);
    b[0] = 17; // type
    b[1] = 1;  // one board, number 0
    b[3] = 1;  // one serial port, number 1
    b[4] = 1;
    b[5] = 'C'; // its name in 10 bytes
    b[6] = 'O';
    b[7] = 'M';
    b[8] = '1';
    b[15] = 1; // one device, address 5; no tables; no network port
    b[16] = 5;
    return b;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "marindle_flood_bench" / "Bin";
    std::filesystem::create_directories(folder);

    floodbench::FloodUnit unit(PortInfo(), seconds);
    marindle::CMarindleApp app(folder, std::make_unique<unitlink::CNetSocket>());
    if (!app.InitInstance("", false))
        return 1;
    app.Frame()->showMaximized();
    auto* debug = dynamic_cast<marindle::CDebugForm*>(app.windows.OpenDebug());
    if (!debug)
        return 1;
    app.link.SetAddress("127.0.0.1", unit.Port());
    app.OnConnect();
    const int rc =
        floodbench::RunFlood("Marindle", unit, seconds, [&] { return floodbench::LastLine(debug->Edit()); });
    std::printf("  items left out:        %llu\n", static_cast<unsigned long long>(debug->OmittedCount()));
    return rc;
}
