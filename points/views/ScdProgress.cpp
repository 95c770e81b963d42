#include "points/views/ScdProgress.h"

#include "editors/views/ExportProgressDlg.h"
#include "platform/ui/WidgetPrompt.h"

#include <QApplication>

using namespace editors;

namespace points {

CScdProgress::CScdProgress() = default;

CScdProgress::~CScdProgress() {
    SetWaitCursor(false);
}

void CScdProgress::Show(const std::string& caption) {
    if (!m_dlg)
        m_dlg = std::make_unique<CExportProgressDlg>();
    m_dlg->Create();
    m_dlg->SetRange(0, 100);
    m_dlg->SetPos(0);
    m_dlg->setWindowTitle(platform::Qs(caption));
    m_dlg->Repaint();
}

void CScdProgress::SetCaption(const std::string& caption) {
    if (m_dlg)
        m_dlg->setWindowTitle(platform::Qs(caption));
}

void CScdProgress::SetPos(int pos) {
    if (!m_dlg)
        return;
    if (pos == m_dlg->GetPos())
        return;
    m_dlg->SetPos(pos);
    m_dlg->Repaint();
}

void CScdProgress::Hide() {
    if (m_dlg) {
        m_dlg->Destroy();
        m_dlg.reset();
    }
}

void CScdProgress::SetWaitCursor(bool wait) {
    if (wait == m_bWait || !qApp)
        return;
    m_bWait = wait;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace points
