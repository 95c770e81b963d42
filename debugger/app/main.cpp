// Quorvex: the device debugging program of the communication unit.
#include "debugger/views/MainFrame.h"
#include "debugger/views/QuorvexApp.h"

#include "unitlink/DeferredSocket.h"

#include "platform/Prompt.h"
#include "platform/ui/QtTranslations.h"
#include "platform/ui/WidgetPrompt.h"

#include <QApplication>
#include <QStringList>

#include <clocale>
#include <filesystem>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    platform::InstallQtTranslations();
    std::setlocale(LC_NUMERIC, "C");
    platform::SetPrompt(new platform::CWidgetPrompt);

    const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    if (!program.has_parent_path()) {
        platform::MessageBox("当前路径错");
        return 1;
    }
    // The command line after the program name is the login key number.
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const std::string commandLine = args.join(' ').toStdString();

    // The socket, with Qt Network under it, is loaded when the first connection is made.
    quorvex::CQuorvexApp app([] { return std::make_unique<unitlink::CDeferredSocket>(); },
                             program.parent_path());
    if (!app.LoginAndStart(commandLine))
        return 0;
    QObject::connect(&qapp, &QApplication::lastWindowClosed, &qapp, &QApplication::quit);
    const int rc = qapp.exec();
    app.ExitInstance();
    return rc;
}
