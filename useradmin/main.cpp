// Nevlor: administration of the users and groups in "Password.dat" beside the program.
#include "platform/Prompt.h"
#include "platform/ui/QtTranslations.h"
#include "platform/ui/WidgetPrompt.h"
#include "useradmin/views/UserAdminApp.h"

#include <clocale>
#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::InstallQtTranslations();
    QApplication::setApplicationName("Nevlor");
    // Qt has set the process locale; numbers in files stay in the C locale.
    std::setlocale(LC_NUMERIC, "C");
    platform::CWidgetPrompt prompt;
    platform::SetPrompt(&prompt);
    platform::SetDefaultCaption("Nevlor");

    int code;
    {
        nevlor::CUserAdminApp theApp;
        code = theApp.InitInstance(std::filesystem::current_path());
    }
    platform::SetPrompt(nullptr);
    return code;
}
