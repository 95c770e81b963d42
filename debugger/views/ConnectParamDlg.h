#pragma once
// "连接参数设置": the unit's address (kept in the settings file) and TCP port.
#include <QDialog>

#include <filesystem>
#include <string>

class QLineEdit;

namespace quorvex {

class CConnectParamDlg : public QDialog {
    Q_OBJECT
public:
    // The result of "连 接": take the edits and connect at once.
    static constexpr int kConnect = 4;

    CConnectParamDlg(std::filesystem::path settingsFile, QWidget* parent = nullptr);

    // Fills the edits from the settings file (port 7001).
    // The stored unit address and the port the link holds (kept between connections).
    void Load(int port);
    // Takes the edits, writes the address back and closes with the given result.
    void Finish(int result);

    std::string m_address;
    std::string m_port;
    QLineEdit* m_addressEdit;
    QLineEdit* m_portEdit;

private:
    std::filesystem::path settingsFile_;
};

} // namespace quorvex
