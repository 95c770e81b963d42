#include "editors/views/ExportProgressDlg.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QVBoxLayout>

namespace editors {

CExportProgressDlg::CExportProgressDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("正在导出测点数据，请稍侯……");
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName("progress");
    layout->addWidget(m_pProgress);
    resize(360, 60);
}

void CExportProgressDlg::Create() {
    show();
    Repaint();
}

void CExportProgressDlg::Repaint() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CExportProgressDlg::Destroy() {
    hide();
}

void CExportProgressDlg::SetRange(int low, int high) {
    m_pProgress->setRange(low, high);
}

void CExportProgressDlg::SetPos(int pos) {
    m_pProgress->setValue(pos);
}

int CExportProgressDlg::GetPos() const {
    return m_pProgress->value();
}

} // namespace editors
