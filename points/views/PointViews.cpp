#include "points/views/PointViews.h"

#include "editors/views/ConfigOverView.h"
#include "points/ExcelBook.h"
#include "points/views/ConfigGINAllView.h"
#include "points/views/ConfigGINView.h"
#include "points/views/ConfigGINVirView.h"

#include <memory>

using namespace editors;

namespace points {

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

} // namespace points
