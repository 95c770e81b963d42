// QXM7740, the main configuration tool: the login, then the main frame until the user ends it.
#include "configtool/app/AppClassifier.h"
#include "configtool/app/AppNetHost.h"
#include "configtool/app/AppProjectShell.h"
#include "configtool/app/ConfigDocTemplate.h"
#include "configtool/app/ConfigToolApp.h"
#include "configtool/app/MainFrame.h"
#include "editors/views/RegisterViews.h"
#include "platform/Prompt.h"
#include "platform/ui/QtTranslations.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/SCDImport.h"
#include "points/views/PointViews.h"
#include "points/views/ScdProgress.h"
#include "projectmodel/ProjectContext.h"

#include <clocale>
#include <filesystem>
#include <QApplication>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    platform::InstallQtTranslations();
    // Configuration files carry C-locale numbers whatever locale Qt picked up.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QApplication::setApplicationName("QXM7740");
    // The login dialog must not end the program when it closes before the main frame exists.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::CWidgetPrompt prompt;
    platform::SetPrompt(&prompt);
    platform::SetDefaultCaption("QXM7740组态工具");

    // Every editing view and point view is known to the view registry before a project frame
    // makes one.
    editors::RegisterEditorViews();
    points::RegisterPointViews();

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);

    // The project document's SCD import ("导入SCD文件") is the point configuration's.
    points::CSCDImport scdImport;
    points::CScdProgress scdProgress;
    scdImport.SetProgress(&scdProgress);
    projectmodel::CProjectContext::Instance().SetScdImport(&scdImport);

    int result = 0;
    {
        qxm7740::CConfigToolApp app;
        // The project document reaches the shell, the classification library and the projects
        // through these; they go before the application object does.
        qxm7740::CConfigDocTemplate docTemplate(app);
        qxm7740::CAppProjectShell shell(app);
        qxm7740::CAppClassifier classifier([&app]() -> QWidget* { return app.GetMainFrame(); });
        projectmodel::CProjectContext& context = projectmodel::CProjectContext::Instance();
        context.SetShell(&shell);
        context.SetClassifier(&classifier);
        app.SetProjectTemplate(&docTemplate);
        app.SetWorkerFactory(qxm7740::MakeNetWorker);
        if (app.InitInstance(std::filesystem::current_path(), arguments)) {
            QObject::connect(&application, &QApplication::lastWindowClosed, &application,
                             &QApplication::quit);
            QApplication::setQuitOnLastWindowClosed(true);
            result = application.exec();
        }
        app.ExitInstance();
        context.SetShell(nullptr);
        context.SetClassifier(nullptr);
    }
    projectmodel::CProjectContext::Instance().SetScdImport(nullptr);
    platform::SetPrompt(nullptr);
    return result;
}
