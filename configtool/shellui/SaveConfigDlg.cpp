#include "configtool/shellui/SaveConfigDlg.h"

#include "configtool/model/ProjectFolderRules.h"

#include "platform/Prompt.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/FitText.h"
#include "platform/ui/WidgetPrompt.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;
using platform::Ss;

CSaveConfigDlg::CSaveConfigDlg(const std::string& projectName, const std::string& projectsFolder,
                               QWidget* parent)
    : QDialog(parent) {
    setObjectName("saveConfigDlg");
    setWindowTitle("保存组态信息");
    m_pName = new QLineEdit(Qs(projectName), this);
    m_pName->setObjectName("name");
    m_pPath = new QLineEdit(Qs(projectsFolder), this);
    m_pPath->setObjectName("path");
    platform::KeepWholeTextVisible(m_pPath);
    m_pBrowse = new QPushButton("...", this);
    m_pBrowse->setObjectName("browse");
    connect(m_pBrowse, &QPushButton::clicked, this, &CSaveConfigDlg::OnBrowse);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("工程名称：", this), 0, 0);
    grid->addWidget(m_pName, 0, 1, 1, 2);
    grid->addWidget(new QLabel("路径名称：", this), 1, 0);
    grid->addWidget(m_pPath, 1, 1);
    grid->addWidget(m_pBrowse, 1, 2);
    auto* buttons = platform::MakeOkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void CSaveConfigDlg::OnBrowse() {
    QFileDialog browser(this);
    browser.setObjectName("folderBrowser");
    browser.setFileMode(QFileDialog::Directory);
    browser.setOption(QFileDialog::ShowDirsOnly, true);
    platform::PrepareFileDialog(browser);
    browser.setDirectory(m_pPath->text());
    if (platform::RunDialog(browser) != QDialog::Accepted)
        return;
    const QStringList chosen = browser.selectedFiles();
    if (!chosen.isEmpty())
        m_pPath->setText(chosen.front());
}

void CSaveConfigDlg::accept() {
    const std::string path = Ss(m_pPath->text());
    const std::string name = Ss(m_pName->text());
    if (path.empty()) {
        platform::MessageBox("路径名不能为空！");
        return;
    }
    if (name.empty()) {
        platform::MessageBox("工程名不能为空！");
        return;
    }
    // The name becomes the project's folder below the path.
    if (!CProjectFolderRules::IsValidProjectName(name)) {
        platform::MessageBox("工程名称不合法", "错误", platform::Icon::Error);
        return;
    }
    m_strPath = CProjectFolderRules::StripTrailingSeparators(path);
    m_strProjectName = name;
    QDialog::accept();
}

} // namespace qxm7740
