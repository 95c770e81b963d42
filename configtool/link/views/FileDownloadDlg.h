#pragma once
// "文件下传设置": the local file, the name it gets on the unit and the target board of a single-file
// download.
#include <cstdint>
#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;

namespace qxm7740 {

class CFileDownloadDlg : public QDialog {
public:
    explicit CFileDownloadDlg(QWidget* parent = nullptr);

    int DoModal();

    std::uint8_t m_board = 0;
    std::string m_target;
    std::string m_local;

    void accept() override;

private:
    void OnInitDialog();
    void OnBrowse();

    QLineEdit* localEdit_ = nullptr;
    QLineEdit* targetEdit_ = nullptr;
    QComboBox* boardCombo_ = nullptr;
};

} // namespace qxm7740
