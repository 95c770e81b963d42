// Marindle: the monitor program that looks into a running communication unit. Its one argument is
// the device-login key number; its working folder is the root folder's Bin.
#include "monitor/app/MainFrame.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/ShellStyle.h"
#include "platform/Prompt.h"
#include "platform/ui/QtTranslations.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/DeferredSocket.h"

#include <clocale>
#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The application's style, with some of its icons made once or when first drawn.
    QApplication::setStyle(new marindle::CShellStyle(QApplication::style()));
    platform::InstallQtTranslations();
    // Qt sets the process locale; numbers in files and frames are written in the C locale.
    std::setlocale(LC_NUMERIC, "C");
    platform::SetPrompt(new platform::CWidgetPrompt);
    platform::SetDefaultCaption(marindle::CMarindleApp::kTitle);

    const QString folder = QCoreApplication::applicationDirPath();
    std::string commandLine;
    if (argc > 1)
        commandLine = argv[1];
    // The socket, with Qt Network under it, is loaded when the first connection is made.
    marindle::CMarindleApp app(folder.toStdString(), std::make_unique<unitlink::CDeferredSocket>());
    if (!app.InitInstance(commandLine))
        return 0;
    return application.exec();
}
