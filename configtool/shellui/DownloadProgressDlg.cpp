#include "configtool/shellui/DownloadProgressDlg.h"

#include "platform/ui/WidgetPrompt.h"

#include <algorithm>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;

CDownloadProgressDlg::CDownloadProgressDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("downloadProgressDlg");
    setWindowTitle("等待处理");
    setModal(false);
    m_pWait = new QLabel("请稍后....", this);
    m_pWait->setObjectName("wait");
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName("progress");
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pText = new QLabel(this);
    m_pText->setObjectName("text");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pWait);
    layout->addWidget(m_pProgress);
    layout->addWidget(m_pText);
    SetProgressMode(false);
}

void CDownloadProgressDlg::SetProgressMode(bool progress) {
    m_bProgress = progress ? 1 : 0;
    m_pWait->setVisible(!progress);
    m_pProgress->setVisible(progress);
}

void CDownloadProgressDlg::SetText(const std::string& text) {
    m_strText = text;
    if (isVisible())
        m_pText->setText(Qs(m_strText));
}

void CDownloadProgressDlg::SetPos(int percent) {
    m_pProgress->setValue(std::clamp(percent, 0, 100));
}

int CDownloadProgressDlg::GetPos() const {
    return m_pProgress->value();
}

void CDownloadProgressDlg::showEvent(QShowEvent* event) {
    m_pText->setText(Qs(m_strText));
    QDialog::showEvent(event);
}

void CDownloadProgressDlg::UserClosed() {
    if (m_onClose)
        m_onClose();
}

void CDownloadProgressDlg::reject() {
    // The close box and Escape both end here (a visible dialog's close event rejects it).
    UserClosed();
    QDialog::reject();
}

} // namespace qxm7740
