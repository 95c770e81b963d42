#pragma once
// "连接参数设置": the unit's address and port; "连 接" closes with code 4 to connect at once.
#include <functional>
#include <QDialog>
#include <string>

class QLineEdit;

namespace marindle {

class CCommParamDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kConnect = 4;
    explicit CCommParamDlg(QWidget* parent = nullptr);

    // Fills the address and the port (always 7001) before the dialog runs.
    // The unit's address and the port the link holds (kept between connections).
    void Prepare(const std::string& address, int port);
    std::string Address() const;
    std::string PortText() const;
    // Both buttons that close with the values store them first through this; a port out of
    // range, or a store that fails (false: already told), keeps the dialog open.
    std::function<bool(const std::string&)> onStore;

    QLineEdit* address_; // 999
    QLineEdit* port_;    // 1001

private:
    void Close(int result);
};

} // namespace marindle
