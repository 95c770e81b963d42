#pragma once
// "等待处理": the wait dialog the main frame shows modeless while the worker transfers files, in
// text mode ("请稍后...." and a text) or in progress mode (a progress bar and a text). When the
// user closes it, the close handler runs first (the application clears its wait flag there, which
// ends the worker's waiting for the transfer), then the window closes.
#include <functional>
#include <QDialog>
#include <string>

class QLabel;
class QProgressBar;

namespace qxm7740 {

class CDownloadProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDownloadProgressDlg(QWidget* parent = nullptr);

    // Set before the dialog is shown.
    void SetProgressMode(bool progress);
    bool IsProgressMode() const { return m_bProgress != 0; }
    // The text; shown at once when the dialog is visible, else when it is next shown.
    void SetText(const std::string& text);
    const std::string& GetText() const { return m_strText; }
    // Progress bar position, 0 to 100.
    void SetPos(int percent);
    int GetPos() const;

    void SetCloseHandler(std::function<void()> handler) { m_onClose = std::move(handler); }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UserClosed();

    int m_bProgress = 0;
    std::string m_strText = "正在下传文件......";
    std::function<void()> m_onClose;
    QLabel* m_pWait;
    QProgressBar* m_pProgress;
    QLabel* m_pText;
};

} // namespace qxm7740
