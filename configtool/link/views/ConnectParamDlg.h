#pragma once
// "连接参数设置": the unit's address and port, read from and saved to "QXM7740CFGTool.INI" in the
// program folder.
#include <array>
#include <filesystem>
#include <QDialog>
#include <string>

class QLineEdit;
class QSpinBox;

namespace qxm7740 {

class CConnectParamDlg : public QDialog {
public:
    explicit CConnectParamDlg(std::filesystem::path programFolder, QWidget* parent = nullptr);

    // Fills the controls from the settings file and runs the dialog; QDialog::Accepted on OK.
    int DoModal();

    std::string m_address; // dotted address after OK
    int m_port = 7000;

    void accept() override;

private:
    void OnInitDialog();

    std::filesystem::path programFolder_;
    std::array<QSpinBox*, 4> octets_{};
    QLineEdit* portEdit_ = nullptr;
};

} // namespace qxm7740
