#include "points/views/PointViews.h"

#include "editors/views/ConfigOverView.h"
#include "editors/views/ExportProgressDlg.h"
#include "platform/ui/WidgetPrompt.h"
#include "points/ExcelBook.h"
#include "points/views/ConfigGINAllView.h"
#include "points/views/ConfigGINView.h"
#include "points/views/ConfigGINVirView.h"

#include <QApplication>
#include <QCoreApplication>

namespace {

// The project tree's point export writes through the Excel writer.
class CExcelWorkbook : public IPointWorkbook {
public:
    bool Open(const std::string& path) override { return m_book.Open(path) != 0; }
    void SetSheetName(const std::string& name) override { m_book.SetSheetName(name); }
    bool CreateSheet(const std::vector<std::string>& headers) override { return m_book.CreateSheet(headers); }
    bool AddRow(const std::vector<std::string>& values) override { return m_book.AddRow(values); }
    bool Close() override { return m_book.Close(); }

private:
    CExcelBook m_book;
};

} // namespace

void RegisterPointViews() {
    CEditorViewRegistry::Register(kViewConfigGINAll,
                                  [](const CViewContext& c) { return new CConfigGINAllView(c); });
    CEditorViewRegistry::Register(kViewConfigGIN,
                                  [](const CViewContext& c) { return new CConfigGINView(c); });
    CEditorViewRegistry::Register(kViewConfigGINVir,
                                  [](const CViewContext& c) { return new CConfigGINVirView(c); });
    CConfigOverView::SetWorkbookFactory([] { return std::make_unique<CExcelWorkbook>(); });
}

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
    QCoreApplication::processEvents();
}

void CScdProgress::SetCaption(const std::string& caption) {
    if (m_dlg)
        m_dlg->setWindowTitle(platform::Qs(caption));
}

void CScdProgress::SetPos(int pos) {
    if (!m_dlg)
        return;
    m_dlg->SetPos(pos);
    QCoreApplication::processEvents();
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
