#include "configtool/shellui/WizardSheet.h"

#include "configtool/model/ProjectFolderRules.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/FitText.h"
#include "platform/ui/WidgetPrompt.h"

#include <filesystem>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;
using platform::Ss;

namespace {
QLabel* MakeTitle(QWidget* page, const char* text) {
    auto* title = new QLabel(text, page);
    title->setObjectName("title");
    title->setFont(CWizardSheet::TitleFont());
    return title;
}
} // namespace

QFont CWizardSheet::TitleFont() {
    QFont font("Times New Roman");
    font.setPixelSize(18);
    font.setBold(true);
    font.setStyleHint(QFont::Serif);
    return font;
}

CWizard1Page::CWizard1Page(QWidget* parent) : QWizardPage(parent) {
    setObjectName("wizard1");
    setWindowTitle("创建新工程向导－步骤1/3");
    m_pTitle = MakeTitle(this, "欢迎使用向导创建工程");
    m_pIntro = new QLabel("    组态工具提供对指定装置的组态和调试功能;"
                          "向导将根据所作的设置，在相应目录下完成对工程组态的创建和管理。",
                          this);
    m_pIntro->setObjectName("intro");
    m_pIntro->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTitle);
    layout->addWidget(m_pIntro);
    layout->addStretch();
}

CWizard2Page::CWizard2Page(CWizardSheet& sheet) : QWizardPage(&sheet), m_sheet(sheet) {
    setObjectName("wizard2");
    setWindowTitle("创建新工程向导－步骤2/3");
    m_pTitle = MakeTitle(this, "设置新建工程的信息");
    auto* group = new QGroupBox("QXM7740工程", this);
    m_pFolder = new QLineEdit(group);
    m_pFolder->setObjectName("folder");
    platform::KeepWholeTextVisible(m_pFolder);
    m_pName = new QLineEdit(group);
    m_pName->setObjectName("name");
    auto* form = new QFormLayout(group);
    form->addRow("工程目录：", m_pFolder);
    form->addRow("工程名称：", m_pName);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTitle);
    layout->addWidget(group);
    layout->addStretch();
}

void CWizard2Page::initializePage() {
    m_pFolder->setText(Qs(m_sheet.GetFolder()));
    m_pName->setText(Qs(m_sheet.GetName()));
}

bool CWizard2Page::validatePage() {
    // A relative folder is made whole below the root folder and shown so: the project lands
    // where the page says.
    const std::string folder =
        CProjectFolderRules::ResolveFolder(Ss(m_pFolder->text()), m_sheet.GetRootFolder());
    m_pFolder->setText(Qs(folder));
    const std::string name = Ss(m_pName->text());
    std::filesystem::path path;
    switch (CProjectFolderRules::CheckNewProject(folder, name, path)) {
    case CProjectFolderRules::Check::Empty:
        platform::MessageBox("工程信息不可为空");
        return false;
    case CProjectFolderRules::Check::BadName:
        platform::MessageBox("工程名称不合法", "错误", platform::Icon::Error);
        return false;
    case CProjectFolderRules::Check::Exists:
        if (!platform::AskYesDefaultNo(
                platform::StrFormat("工程（%s）已经存在，继续将删除原来的设置，确认要继续么？", name.c_str()),
                {}))
            return false;
        // A project that cannot be cleared completely must not be mixed with the new one.
        if (!CProjectFolderRules::RemoveProject(folder, name)) {
            platform::MessageBox(platform::StrFormat("工程（%s）删除失败！", name.c_str()), {},
                                 platform::Icon::Error);
            return false;
        }
        break;
    case CProjectFolderRules::Check::Ok:
        break;
    }
    // The folder is kept the way the project's path is built from it, so the caller creates the
    // project exactly where an old one was cleared.
    m_sheet.SetFolder(CProjectFolderRules::StripTrailingSeparators(folder));
    m_sheet.SetName(name);
    return true;
}

CWizard3Page::CWizard3Page(CWizardSheet& sheet) : QWizardPage(&sheet), m_sheet(sheet) {
    setObjectName("wizard3");
    setWindowTitle("创建新工程向导－步骤3/3");
    m_pTitle = MakeTitle(this, "完成新工程的创建");
    m_pSummary = new QPlainTextEdit(this);
    m_pSummary->setObjectName("summary");
    m_pSummary->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTitle);
    layout->addWidget(m_pSummary);
    setFinalPage(true);
}

void CWizard3Page::initializePage() {
    m_pSummary->setPlainText(
        Qs("        工程信息\n工程名称：" + m_sheet.GetName() + "\n工程目录：" + m_sheet.GetFolder()));
}

std::string CWizard3Page::GetSummary() const {
    return Ss(m_pSummary->toPlainText());
}

CWizardSheet::CWizardSheet(const std::string& rootFolder, QWidget* parent)
    : QWizard(parent), m_strRoot(rootFolder),
      m_strFolder((std::filesystem::path(rootFolder) / "Project").string()), m_strName("新建工程") {
    setObjectName("wizardSheet");
    setWindowTitle("创建新工程向导");
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoCancelButton, false);
    setButtonText(QWizard::BackButton, "< 上一步(&B)");
    setButtonText(QWizard::NextButton, "下一步(&N) >");
    setButtonText(QWizard::FinishButton, "完成");
    setButtonText(QWizard::CancelButton, "取消");
    addPage(new CWizard1Page(this));
    addPage(new CWizard2Page(*this));
    addPage(new CWizard3Page(*this));
}

} // namespace qxm7740
