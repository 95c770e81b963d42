// Shows the monitor program logged in to a scripted unit (in memory) with a few windows open and
// grabs its main window to the PNG file named by the first argument.
#include "monitor/app/CmdForm.h"
#include "monitor/app/MainFrame.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/TextMonitorForm.h"
#include "monitor/app/ValueForms.h"
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
    // "forms": a settings form with values and the console with an answer.
    if (argc > 2 && std::string(argv[2]) == "forms") {
        marindle::CDeviceRecord* d = app.model.FindDevice(5);
        d->communicating = 1;
        d->structureComplete = 1;
        marindle::CGroupRecord* g = d->AddGroup(2);
        g->title = "保护定值";
        g->kind = 2;
        for (int i = 1; i <= 4; ++i) {
            marindle::CEntryRecord* e = g->AddEntry(static_cast<std::uint16_t>(2 | i << 8));
            e->description = "过流" + std::to_string(i) + "段定值";
            e->dimension = "A";
            e->rangeMin = "0.00";
            e->rangeMax = "100.00";
            e->rangeStep = "0.01";
            e->actualValue = std::to_string(i * 5) + ".00";
        }
        auto* prot = dynamic_cast<marindle::CProtForm*>(app.windows.OpenSettings(d->key));
        prot->GroupValuesArrived(2);
        prot->CommitEdit(1, "12.50");
        auto* cmd = dynamic_cast<marindle::CCmdForm*>(app.windows.OpenCommand());
        cmd->ShowAnswer("通讯装置 V2.04 运行正常\r\n");
        app.windows.OpenSettings(d->key);
    }
    app.windows.WarnView()->AddEvent(0, std::time(nullptr), 120, "线路保护5", 5, "过流I段动作", "动作");
    app.windows.WarnView()->AddEvent(2, std::time(nullptr), 0, "线路保护6", 6, "", "断");
    QTimer::singleShot(800, [&] {
        app.Frame()->grab().save(QString::fromStdString(out));
        application.quit();
    });
    return application.exec();
}
