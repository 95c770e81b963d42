// Quorvex under a unit that floods debug text (message 2, 90-byte frames) as fast as TCP takes
// them, through the real socket, link, answer dispatcher, main frame and debug window.
// Run by hand: quorvex_flood_bench [seconds, 120 by default], with QT_QPA_PLATFORM=offscreen.
#include "FloodRun.h"

#include "debugger/views/MainFrame.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/QuorvexApp.h"
#include "unitlink/NetSocket.h"

#include <QApplication>
#include <QTextBlock>
#include <QTextDocument>

#include <clocale>
#include <cstdlib>
#include <filesystem>

namespace {

// One board with a network port "Net" and device 5.
floodbench::Bytes PortInfo() {
    return {17, 1, 0, 0, 1, 0, 'N', 'e', 't', 0, 0, 0, 0, 0, 0, 0, 1, 5, 0, 0};
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "quorvex_flood_bench";
    std::filesystem::create_directories(root / "Bin");
    std::filesystem::create_directories(root / "Tmp");

    floodbench::FloodUnit unit(PortInfo(), seconds);
    quorvex::CQuorvexApp app([] { return std::make_unique<unitlink::CNetSocket>(); }, root / "Bin");
    if (!app.InitInstance("系统管理员", "", true))
        return 1;
    app.MainFrame()->show();
    quorvex::COutputView* debug = app.Monitors().GetView(quorvex::kSlotDebug);
    if (!debug)
        return 1;
    app.Link()->SetAddress("127.0.0.1", unit.Port());
    app.OnConnect();
    const int rc =
        floodbench::RunFlood("Quorvex", unit, seconds, [&] { return floodbench::LastLine(debug); });
    std::printf("  items left out:        %llu\n", static_cast<unsigned long long>(debug->OmittedCount()));
    return rc;
}
