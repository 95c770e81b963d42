#include "iedinterface/views/IcdInterface.h"

#include "iedinterface/model/IcdInterfaceApp.h"
#include "iedinterface/views/ImportProgressDlg.h"
#include "iedinterface/views/MainFrame.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WidgetPrompt.h"

#include <filesystem>
#include <memory>
#include <QApplication>
#include <QFileDialog>

namespace iedinterface {

CIcdInterfaceApp& TheIcdInterfaceApp() {
    // Built on the first call and destroyed when the library is unloaded.
    static CIcdInterfaceApp app;
    static const bool initialised = (app.InitInstance(), true);
    (void)initialised;
    return app;
}

namespace {

// The progress dialog of an import, shown only when the program has a widget application.
class CProgressScope {
public:
    explicit CProgressScope(CIcdInterfaceApp& app) : app_(app) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
            dialog_ = std::make_unique<CImportProgressDlg>(QApplication::activeWindow());
            app_.SetProgress(dialog_.get());
        }
    }
    ~CProgressScope() {
        app_.SetProgress(nullptr);
        if (dialog_)
            dialog_->Close();
    }

private:
    CIcdInterfaceApp& app_;
    std::unique_ptr<CImportProgressDlg> dialog_;
};

} // namespace
} // namespace iedinterface

using namespace iedinterface;

int InputICDFile(const char*) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setObjectName("openIcdDlg");
    platform::PrepareFileDialog(dialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({QStringLiteral("CID文件 (*.CID)"), QStringLiteral("ICD文件 (*.ICD)")});
    if (platform::RunDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return 0;
    const std::string path = platform::Ss(dialog.selectedFiles().front());
    CIcdInterfaceApp& app = TheIcdInterfaceApp();
    CProgressScope progress(app);
    return app.ImportFile(path, std::filesystem::path(path).stem().string());
}

int ReadICDFile(const char* path) {
    CIcdInterfaceApp& app = TheIcdInterfaceApp();
    CProgressScope progress(app);
    return app.ReadICDFile(path ? std::string(path) : std::string());
}

int OpenCIDSpy(QWidget* parent, const QRect*) {
    if (!parent)
        return 0;
    CIcdInterfaceApp& app = TheIcdInterfaceApp();
    // After a failed read there is no model to classify, and an OK would write an empty pair
    // over the failed file's earlier one.
    if (app.LastReadFailed())
        return 0;
    int result = 0;
    {
        CMainFrame frame(app, parent);
        result = frame.RunPointConfig();
    }
    parent->setFocus();
    if (result != 1)
        return 0;
    return app.WriteOutputs() ? 1 : 0;
}
