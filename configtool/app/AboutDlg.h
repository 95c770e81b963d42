#pragma once
// "关于 QXM7740组态工具": the About box; with an edition its product line names it.
#include <QDialog>
#include <string>

class QLabel;

namespace qxm7740 {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const std::string& edition, QWidget* parent = nullptr);
    std::string GetCaptionLine() const;

private:
    QLabel* m_pCaption;
};

} // namespace qxm7740
