#pragma once
// The three-page new-project wizard: a welcome page, the project's folder and name (checked, and
// an existing project of that name cleared after confirmation), and a summary. The caller runs the
// sheet and, on Finish, creates the project from GetFolder() and GetName().
#include <QWizard>
#include <QWizardPage>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace qxm7740 {

class CWizardSheet;

class CWizard1Page : public QWizardPage {
    Q_OBJECT
public:
    explicit CWizard1Page(QWidget* parent = nullptr);

private:
    QLabel* m_pTitle;
    QLabel* m_pIntro;
};

class CWizard2Page : public QWizardPage {
    Q_OBJECT
public:
    explicit CWizard2Page(CWizardSheet& sheet);
    void initializePage() override;
    // Next: both fields filled, a valid name, an existing project of the name only after Yes
    // (then deleted); stores folder (without separators at its end) and name into the sheet.
    bool validatePage() override;

private:
    CWizardSheet& m_sheet;
    QLineEdit* m_pFolder;
    QLineEdit* m_pName;
    QLabel* m_pTitle;
};

class CWizard3Page : public QWizardPage {
    Q_OBJECT
public:
    explicit CWizard3Page(CWizardSheet& sheet);
    // Fills the summary from the sheet each time the page is reached.
    void initializePage() override;
    std::string GetSummary() const;

private:
    CWizardSheet& m_sheet;
    QLabel* m_pTitle;
    QPlainTextEdit* m_pSummary;
};

class CWizardSheet : public QWizard {
    Q_OBJECT
public:
    // The folder starts as rootFolder + "/Project", the name as "新建工程".
    explicit CWizardSheet(const std::string& rootFolder, QWidget* parent = nullptr);

    const std::string& GetFolder() const { return m_strFolder; }
    const std::string& GetName() const { return m_strName; }
    void SetFolder(const std::string& folder) { m_strFolder = folder; }
    void SetName(const std::string& name) { m_strName = name; }
    // The root folder a relative 工程目录 is taken below.
    const std::string& GetRootFolder() const { return m_strRoot; }

    // The bold title font of every page.
    static QFont TitleFont();

private:
    std::string m_strRoot;
    std::string m_strFolder;
    std::string m_strName;
};

} // namespace qxm7740
