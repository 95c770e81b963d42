#include "iedinterface/views/ImportProgressDlg.h"

#include "platform/ui/WidgetPrompt.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QVBoxLayout>

namespace iedinterface {

CImportProgressDlg::CImportProgressDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("importProgressDlg");
    setWindowTitle(QStringLiteral("正在导入测点数据，请稍侯……"));
    setWindowModality(Qt::ApplicationModal);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("progress");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_progress);
    resize(360, 60);
}

void CImportProgressDlg::Open(const std::string& caption, int low, int high) {
    setWindowTitle(platform::Qs(caption));
    m_progress->setRange(low, high);
    m_progress->setValue(low);
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CImportProgressDlg::SetPos(int pos) {
    if (pos == m_progress->value())
        return;
    m_progress->setValue(pos);
    // The import runs on the user-interface thread: let the bar repaint between steps.
    if (isVisible())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CImportProgressDlg::Close() {
    hide();
}

int CImportProgressDlg::Pos() const {
    return m_progress->value();
}

} // namespace iedinterface
