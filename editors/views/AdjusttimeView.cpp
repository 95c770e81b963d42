#include "editors/views/AdjusttimeView.h"

#include "editors/model/AdjusttimeModel.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "projectmodel/ProjectModel.h"

#include <QLabel>
#include <QMenu>

namespace editors {

CAdjusttimeView::CAdjusttimeView(const CViewContext& context)
    : CDeviceFormBase(context, kViewAdjusttime, {}) {}

void CAdjusttimeView::OnInitialUpdate() {
    Caption()->setText("对时源列表: ");
    SetColumns({"序号", "板卡", "通讯口", "优先级"});
    FillList();
    Editor()->SetReady(Doc() != nullptr);
}

void CAdjusttimeView::FillList() {
    if (const projectmodel::CProjectModel* doc = Doc())
        ShowRows(CAdjusttimeModel::Rows(*doc));
    else
        ShowRows({});
}

void CAdjusttimeView::OnClickCell(int row, int column) {
    const projectmodel::CProjectModel* doc = Doc();
    if (!doc)
        return;
    if (column == 1)
        Editor()->OpenCombo(row, column, CAdjusttimeModel::BoardChoices(*doc));
    else if (column == 2) {
        m_portChoices = CAdjusttimeModel::PortChoices(*doc, List()->GetItemText(row, 1));
        std::vector<std::string> texts;
        for (const CAdjusttimeModel::PortChoice& choice : m_portChoices)
            texts.push_back(choice.text);
        Editor()->OpenCombo(row, column, texts);
    } else if (column == 3)
        Editor()->OpenEdit(row, column);
}

void CAdjusttimeView::OnCommit(int row, int column, const std::string& oldText, const std::string& newText) {
    projectmodel::CProjectModel* doc = Doc();
    // Two ports may read alike, so a port is told by the chosen entry, not by its text.
    if (!doc || newText.empty() || (column != 2 && newText == oldText))
        return;
    bool changed = false;
    if (column == 1) {
        changed = CAdjusttimeModel::SetBoard(*doc, row, newText);
    } else if (column == 2) {
        // The port comes from the chosen entry, not from its text: texts of two ports may read alike.
        const int chosen = Editor()->ChosenIndex();
        if (chosen >= 0 && static_cast<std::size_t>(chosen) < m_portChoices.size())
            changed = CAdjusttimeModel::SetPort(*doc, row, List()->GetItemText(row, 1),
                                                m_portChoices[static_cast<std::size_t>(chosen)].group,
                                                m_portChoices[static_cast<std::size_t>(chosen)].index);
    } else if (column == 3)
        changed = CAdjusttimeModel::SetPriority(*doc, row, newText);
    (void)changed;
    // The list shows what the records hold, also after a refused port.
    FillList();
}

QMenu* CAdjusttimeView::BuildContextMenu() {
    if (!Editor()->IsReady())
        return nullptr;
    auto* menu = new QMenu(this);
    menu->addAction("添加对时源", this, &CAdjusttimeView::OnAddSource);
    QAction* del = menu->addAction("删除对时源", this, &CAdjusttimeView::OnDeleteSource);
    del->setEnabled(List()->GetSelectedRow() >= 0);
    return menu;
}

void CAdjusttimeView::OnAddSource() {
    if (projectmodel::CProjectModel* doc = Doc()) {
        CAdjusttimeModel::AddSource(*doc);
        FillList();
    }
}

void CAdjusttimeView::OnDeleteSource() {
    if (projectmodel::CProjectModel* doc = Doc()) {
        CAdjusttimeModel::DeleteSources(*doc, List()->GetSelectedRows());
        FillList();
    }
}

} // namespace editors
