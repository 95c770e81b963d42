// Grabs the debugging program's main window and a real-time sheet to PNG files (for looking at
// the texts by eye): QuorvexShot <output folder>.
#include "debugger/views/MainFrame.h"
#include "debugger/views/MonitorSheets.h"
#include "debugger/views/OutputView.h"
#include "debugger/views/QuorvexApp.h"

#include "tests/debugger/core/QuorvexTestSupport.h"

#include "platform/ui/WidgetPrompt.h"

#include <QApplication>
#include <QMenuBar>
#include <QPixmap>

#include <clocale>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    platform::SetPrompt(new platform::CWidgetPrompt);
    const std::string out = argc > 1 ? argv[1] : ".";
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quorvex-shot";
    quorvex::CQuorvexApp app([] { return std::make_unique<qtest::MemoryTransport>(); }, folder,
                             folder / "CFG_TOOL.INI");
    app.m_postWaitMs = 0;
    app.InitInstance("系统管理员", "", false);
    app.OnConnect();
    app.AppendDebug("正在进行验证和配置...\n", {128, 128, 128});
    app.AppendDebug("通讯装置调试信息：端口1 规约启动\n", {0, 0, 255});
    app.MainFrame()->resize(1100, 700);
    app.MainFrame()->showNormal();
    quorvex::CDisDBSheet sheet(app, 1, 5, "板卡1串口1装置5监视：", nullptr);
    sheet.AddDbGroup(1, "遥测");
    sheet.AddDbGroup(2, "遥信");
    sheet.AddSettingGroup(4, "定值");
    for (auto [g, e, name, value] :
         {std::tuple{1, 1, "A相电压", "57.7"}, std::tuple{1, 2, "B相电压", "57.6"},
          std::tuple{2, 1, "断路器位置", "合"}, std::tuple{4, 1, "过流定值", "10"}}) {
        quorvex::CDbEntry entry;
        entry.m_address = 5;
        entry.m_key = quorvex::MakeKey(static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(e));
        entry.m_name = name;
        entry.m_value = value;
        app.Data().m_entries.push_back(entry);
    }
    sheet.FillLists();
    sheet.show();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    app.MainFrame()->grab().save(QString::fromStdString(out + "/quorvex-main.png"));
    sheet.grab().save(QString::fromStdString(out + "/quorvex-sheet.png"));
    app.MainFrame()->menuBar()->grab().save(QString::fromStdString(out + "/quorvex-menu.png"));
    app.ExitInstance();
    return 0;
}
