#pragma once
// "保存": the version a project is saved under; lists the versions the project folder holds.
#include <QDialog>
#include <string>

class QLineEdit;
class QListWidget;

namespace editors {

class CSaveVersionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSaveVersionDlg(QWidget* parent = nullptr);
    std::string m_strFolder;
    std::string m_strVersion;

    // Initialises the controls from the members and runs the dialog modally (platform::RunDialog).
    int DoModal();
    bool OnInitDialog();
    void accept() override;
    QListWidget* List() const { return m_pList; }
    QLineEdit* Edit() const { return m_pEdit; }

private:
    QListWidget* m_pList;
    QLineEdit* m_pEdit;
};

} // namespace editors
