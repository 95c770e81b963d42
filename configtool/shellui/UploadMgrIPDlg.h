#pragma once
// "上装管理机IP地址": the manager number whose "<number>-PCTCP.ini" is to be uploaded.
#include <QDialog>
#include <string>

class QLineEdit;

namespace qxm7740 {

class CUploadMgrIPDlg : public QDialog {
    Q_OBJECT
public:
    explicit CUploadMgrIPDlg(QWidget* parent = nullptr);
    // number + "-PCTCP.ini" after OK.
    const std::string& GetFileName() const { return m_strFileName; }
    void accept() override;

private:
    std::string m_strFileName;
    QLineEdit* m_pNumber;
};

} // namespace qxm7740
