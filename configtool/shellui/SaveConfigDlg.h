#pragma once
// "保存组态信息": the project name and the projects folder for "工程另存为".
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace qxm7740 {

class CSaveConfigDlg : public QDialog {
    Q_OBJECT
public:
    // The edits start with the current project's name and the projects folder.
    CSaveConfigDlg(const std::string& projectName, const std::string& projectsFolder,
                   QWidget* parent = nullptr);

    // The chosen values after OK; the path has no separator at its end.
    const std::string& GetProjectName() const { return m_strProjectName; }
    const std::string& GetPath() const { return m_strPath; }

    // "...": a folder browser whose choice replaces the path.
    void OnBrowse();
    // OK: a path ("路径名不能为空！") and a valid project name ("工程名不能为空！", "工程名称不合法")
    // are needed; otherwise the dialog stays.
    void accept() override;

private:
    std::string m_strProjectName;
    std::string m_strPath;
    QLineEdit* m_pName;
    QLineEdit* m_pPath;
    QPushButton* m_pBrowse;
};

} // namespace qxm7740
