#include "editors/views/ConfigBanView.h"

#include "editors/views/GridListCtrl.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <QLabel>
#include <QTabBar>

namespace editors {

CConfigBanView::CConfigBanView(const CViewContext& context, QWidget* parent)
    : CGridFormView(context, parent) {
    setObjectName("CConfigBanView");
    Tabs()->hide();
}

void CConfigBanView::resizeEvent(QResizeEvent* event) {
    CGridFormView::resizeEvent(event);
    // The board list has no tabs: the list sits right below the caption.
    List()->setGeometry(10, 40, std::max(0, width() - 20), std::max(0, height() - 50));
}

void CConfigBanView::OnInitialUpdate() {
    Caption()->setText("板卡列表: ");
    StyleList();
    List()->DeleteAllItems();
    if (List()->GetColumnCount() == 0) {
        List()->InsertColumn(0, "地址");
        List()->InsertColumn(1, "类型");
    }
    std::vector<CGridRow> rows;
    if (const projectmodel::CProjectModel* doc = Doc())
        for (const projectmodel::CBoardInfo& board : doc->m_boardCfg.m_boards)
            rows.push_back(GridRow({platform::StrFormat("%d", board.m_nNumber), board.m_strType}));
    List()->FillRows(rows);
}

} // namespace editors
