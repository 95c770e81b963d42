// Screenshots of the main tool under a real display (Xvfb):
//   app_screenshot screen OUT.png             grabs the whole screen (e.g. QXM7740 started beside it)
//   app_screenshot frame OUT.png FOLDER       starts the application in FOLDER (a root's Bin folder)
//                                             with a scripted administrator login and grabs its frame
//   app_screenshot frame OUT.png FOLDER MAIN  the same with the project of a main configuration file open
//   app_screenshot frame OUT.png FOLDER new:NAME  the same with a new project NAME made by the wizard
//                                             (below FOLDER/../Project) and its first board selected
#include "configtool/app/AppProjectShell.h"
#include "configtool/app/ConfigDocTemplate.h"
#include "configtool/app/ConfigToolApp.h"
#include "configtool/app/MainFrame.h"
#include "configtool/shellui/MainTabBar.h"
#include "configtool/shellui/WizardSheet.h"
#include "editors/views/ConfigOverView.h"
#include "editors/views/RegisterViews.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"

#include <clocale>
#include <cstdio>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <string>

using namespace qxm7740;
using namespace editors;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 3) {
        std::fprintf(stderr, "usage: app_screenshot screen OUT.png | frame OUT.png FOLDER\n");
        return 2;
    }
    const std::string mode = argv[1];
    const QString out = QString::fromLocal8Bit(argv[2]);
    if (mode == "screen") {
        const bool ok = QGuiApplication::primaryScreen()->grabWindow(0).save(out, "PNG");
        return ok ? 0 : 1;
    }
    if (mode != "frame" || argc < 4)
        return 2;

    RegisterEditorViews();
    platform::CWidgetPrompt prompt;
    platform::SetPrompt(&prompt);
    // The login as the administrator with the default password of a new user file.
    std::string newProject;
    if (argc > 4 && std::string(argv[4]).rfind("new:", 0) == 0)
        newProject = std::string(argv[4]).substr(4);
    const std::filesystem::path projects = std::filesystem::path(argv[3]) / ".." / "Project";
    platform::SetDialogRunner([&](QDialog& dlg) {
        if (auto* sheet = qobject_cast<CWizardSheet*>(&dlg)) {
            sheet->SetFolder(projects.lexically_normal().string());
            sheet->SetName(newProject);
            return int(QDialog::Accepted);
        }
        if (dlg.objectName() != "passwordDlg")
            return dlg.exec();
        auto* combo = dlg.findChild<QComboBox*>("userCombo");
        combo->setCurrentIndex(combo->findText("系统管理员"));
        dlg.findChild<QLineEdit*>("passwordEdit")->setText("482916");
        dlg.findChild<QPushButton*>("okButton")->click();
        return dlg.result();
    });
    int result = 1;
    {
        CConfigToolApp app;
        CConfigDocTemplate docTemplate(app);
        CAppProjectShell shell(app);
        projectmodel::CProjectContext::Instance().SetShell(&shell);
        app.SetProjectTemplate(&docTemplate);
        std::vector<std::string> arguments;
        if (argc > 4 && newProject.empty())
            arguments.emplace_back(argv[4]);
        if (!app.InitInstance(std::filesystem::path(argv[3]), arguments))
            return 1;
        CMainFrame* frame = app.GetMainFrame();
        if (!newProject.empty()) {
            frame->Action("新建工程(&N)\tCtrl+N")->trigger();
            CConfigOverView* tree = app.DocRef().m_pOverView;
            if (tree && tree->RootItem() && tree->RootItem()->child(3) &&
                tree->RootItem()->child(3)->child(0))
                tree->setCurrentItem(tree->RootItem()->child(3)->child(0));
        }
        frame->Action("监视窗(&D)")->trigger();
        frame->MonitorText(LinkColour::Sent, "发送口令校验报文");
        const std::uint8_t bytes[] = {0x90, 0xeb, 0x14, 0x00, 0x00, 0x00, 0x90, 0xeb};
        frame->MonitorBytes(LinkColour::Sent, bytes, sizeof bytes);
        frame->MonitorText(LinkColour::Error, "通讯建立!");
        frame->MonitorText(LinkColour::Received, "口令验证成功!");
        QTimer::singleShot(1500, [&] {
            const QPixmap shot = frame->screen()->grabWindow(frame->winId());
            result = shot.save(out, "PNG") ? 0 : 1;
            // Ends without the question about saving the open project.
            docTemplate.CloseAllDocuments();
            app.DocRef().m_pConfigDoc = nullptr;
            QApplication::quit();
        });
        application.exec();
        app.ExitInstance();
        projectmodel::CProjectContext::Instance().SetShell(nullptr);
    }
    platform::SetPrompt(nullptr);
    return result;
}
