#include "AppProjectShell.h"

#include "ConfigToolApp.h"
#include "MainFrame.h"
#include "platform/Prompt.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/FolderHelpers.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace {

// "保存": lists the versions the project folder holds and takes the version to save under.
class VersionDialog : public QDialog {
public:
    VersionDialog(const std::filesystem::path& folder, const std::string& version, QWidget* parent)
        : QDialog(parent) {
        setObjectName("saveVersionDlg");
        setWindowTitle("保存");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("已有版本：", this));
        m_pList = new QListWidget(this);
        m_pList->setObjectName("versionList");
        layout->addWidget(m_pList);
        layout->addWidget(new QLabel("保存为：", this));
        m_pEdit = new QLineEdit(this);
        m_pEdit->setObjectName("versionEdit");
        layout->addWidget(m_pEdit);
        auto* buttons = new QDialogButtonBox(this);
        QPushButton* ok = buttons->addButton("确认", QDialogButtonBox::AcceptRole);
        ok->setObjectName("okButton");
        buttons->addButton("取消", QDialogButtonBox::RejectRole);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(m_pList, &QListWidget::currentTextChanged, m_pEdit, &QLineEdit::setText);

        if (!folder.empty())
            for (const std::filesystem::path& sub : projectmodel::ListSubfolders(folder)) {
                const std::string name = sub.filename().string();
                const std::size_t v = name.find('V');
                if (v != std::string::npos)
                    m_pList->addItem(Qs(name.substr(v + 1)));
            }
        if (!version.empty()) {
            const auto found = m_pList->findItems(Qs(version), Qt::MatchExactly);
            if (!found.isEmpty())
                m_pList->setCurrentItem(found.front());
            m_pEdit->setText(Qs(version));
        }
    }

    void accept() override {
        const std::string text = Ss(m_pEdit->text());
        if (text.empty()) {
            platform::MessageBox("请输入要保存的版本号！", "错误", platform::Icon::Warning);
            return;
        }
        m_strVersion = text;
        QDialog::accept();
    }

    std::string m_strVersion;

private:
    QListWidget* m_pList;
    QLineEdit* m_pEdit;
};

} // namespace

bool CAppProjectShell::IsAdministrator() {
    return m_app.IsAdministrator();
}

bool CAppProjectShell::RequestPrivilege(int mask, std::string& userName) {
    if (!m_app.GetUserMgr().CheckPassword(userName, static_cast<std::uint32_t>(mask), m_app.GetMainFrame()))
        return false;
    // The log names the operator who logged in to the tool.
    userName = m_app.GetUserName();
    return true;
}

void CAppProjectShell::LogOperation(const std::string& line) {
    m_app.WriteLog(line);
}

bool CAppProjectShell::AskSaveVersion(const std::filesystem::path& projectFolder, std::string& versionText) {
    VersionDialog dlg(projectFolder, versionText, m_app.GetMainFrame());
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return false;
    versionText = dlg.m_strVersion;
    return true;
}

void CAppProjectShell::RepaintMainWindow() {
    if (CMainFrame* frame = m_app.GetMainFrame())
        frame->repaint();
}

void CAppProjectShell::CloseZipArchive() {
    m_app.ArchiveOps().CloseZip();
}
