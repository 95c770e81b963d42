#include "editors/views/UriTableDlg.h"

#include "editors/model/EditorDialogRules.h"
#include "editors/views/GridListCtrl.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"

#include <algorithm>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

using projectmodel::CProjectContext;

namespace editors {

CUriTableDlg::CUriTableDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("URI配置表");
    auto* layout = new QVBoxLayout(this);
    m_pList = new CGridListCtrl(this);
    m_pList->setObjectName("list");
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_pList);
    QDialogButtonBox* buttons = platform::MakeOkCancelButtons(this);
    buttons->findChild<QPushButton*>("ok")->setText("确认");
    layout->addWidget(buttons);
    connect(m_pList, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        Choose(row);
        QDialog::accept();
    });
    resize(480, 320);
}

bool CUriTableDlg::OnInitDialog() {
    projectmodel::CProjectModel* doc = CProjectContext::Instance().CurrentDocument();
    if (!doc)
        return false;
    m_pList->DeleteAllColumns();
    const int w = m_pList->viewport()->width() > 0 ? m_pList->viewport()->width() : 460;
    m_pList->InsertColumn(0, "装置名", CGridListCtrl::AlignCenter, w / 4);
    m_pList->InsertColumn(1, "装置类型", CGridListCtrl::AlignCenter, w / 6);
    m_pList->InsertColumn(2, "URI标志", CGridListCtrl::AlignCenter, w * 7 / 12);
    int matching = -1;
    const std::vector<CGridRow> rows = UriTableRows(doc->m_iedList, m_strUri, &matching);
    m_pList->FillRows(rows);
    if (!doc->m_iedList.IsEmpty()) {
        // Each column becomes as wide as its widest text with the cell's indents.
        for (int c = 0; c < 3; ++c) {
            int widest = 0;
            for (const CGridRow& r : rows)
                widest = std::max(widest, m_pList->fontMetrics().horizontalAdvance(platform::Qs(r.cells[c])));
            m_pList->setColumnWidth(c, CellWidthFor(widest));
        }
    }
    if (matching >= 0) {
        // The current URI is marked and shown.
        m_pList->item(matching, 0)->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
        m_pList->SelectRow(matching);
        m_pList->scrollToItem(m_pList->item(matching, 0));
    }
    return true;
}

int CUriTableDlg::DoModal() {
    return OnInitDialog() ? platform::RunDialog(*this) : QDialog::Rejected;
}

void CUriTableDlg::Choose(int row) {
    if (row >= 0)
        m_strUri = m_pList->GetItemText(row, 2);
}

void CUriTableDlg::accept() {
    Choose(m_pList->GetSelectedRow());
    QDialog::accept();
}

} // namespace editors
