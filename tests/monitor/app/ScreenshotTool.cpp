// Shows the monitor program logged in to a scripted unit (in memory) with a few windows open and
// grabs its main window to the PNG file named by the first argument.
#include "monitor/app/MainFrame.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/TextMonitorForm.h"
#include "MonitorTestSupport.h"
#include "platform/ui/WidgetPrompt.h"

#include <clocale>
#include <filesystem>
#include <QApplication>
#include <QPixmap>
#include <QTimer>

using namespace montest;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const std::string out = argc > 1 ? argv[1] : "marindle.png";
    const auto folder = std::filesystem::temp_directory_path() / "marindle-shot";
    std::filesystem::create_directories(folder);
    auto t = std::make_unique<MemoryTransport>();
    marindle::CMarindleApp app(folder, std::move(t));
    app.InitInstance("", false);
    app.Frame()->resize(1280, 800);
    app.Frame()->show();
    app.OnConnect();
    auto feed = [&](const Bytes& b) { app.link.OnData(b.data(), b.size()); };
    feed(Dsdu({14, 1, 2, 3, 4}));
    feed(Dsdu({15, 1}));
    feed(Dsdu(Cat({17}, SamplePortInfo())));
    feed(Dsdu({25, 0, 0, 1, 0, 5, 0, 0xA1}));
    for (const auto& p : app.model.Ports())
        for (const auto& d : p->Devices())
            d->name = "线路保护" + std::to_string(d->address);
    for (int mode : {1, 2})
        app.windows.Tree(mode)->RefreshNodeTexts();
    if (auto* debug = dynamic_cast<marindle::CDebugForm*>(app.windows.FindDebug())) {
        debug->AddText(0x008000, "通讯装置网络连接成功，正在读取端口信息……\r\n");
        debug->AddText(0x0000FF, "装置(5)通讯中断\r\n");
        debug->OnTick();
    }
    app.windows.OpenCommState();
    app.windows.WarnView()->AddEvent(0, std::time(nullptr), 120, "线路保护5", 5, "过流I段动作", "动作");
    app.windows.WarnView()->AddEvent(2, std::time(nullptr), 0, "线路保护6", 6, "", "断");
    QTimer::singleShot(800, [&] {
        app.Frame()->grab().save(QString::fromStdString(out));
        application.quit();
    });
    return application.exec();
}
