#include "editors/views/ConfigPortView.h"

#include "editors/model/CellValue.h"
#include "editors/model/PortGridModel.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectModel.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QTabBar>

using namespace projectmodel;
using platform::Qs;
using platform::Ss;

namespace editors {

CConfigPortView::CConfigPortView(const CViewContext& context, QWidget* parent)
    : CGridFormView(context, parent) {
    setObjectName("CConfigPortView");
    m_pIp = new QLineEdit(List()->viewport());
    m_pIp->setObjectName("ipEdit");
    m_pIp->setFrame(false);
    m_pIp->setValidator(
        new QRegularExpressionValidator(QRegularExpression("^(\\d{1,3}(\\.\\d{0,3}){0,3})?$"), m_pIp));
    m_pIp->hide();
    connect(m_pIp, &QLineEdit::editingFinished, this, [this] { OnIpFinished(); });
}

CBoardInfo* CConfigPortView::Board() const {
    CProjectModel* doc = Doc();
    return doc ? doc->m_boardCfg.m_boards.GetPtr(m_nBoard) : nullptr;
}

CPortArray* CConfigPortView::CurrentGroup() const {
    CBoardInfo* board = Board();
    return board ? board->m_ports.GetPtr(Tabs()->currentIndex()) : nullptr;
}

void CConfigPortView::OnInitialUpdate() {
    SetReady(false);
    m_pIp->hide();
    HideEditors();
    m_path = SelectedPath();
    CProjectModel* doc = Doc();
    m_nBoard = -1;
    if (doc && (m_path.depth == 2 || m_path.depth == 3) &&
        doc->m_boardCfg.m_boards.IsValidIndex(m_path.Slot(2)))
        m_nBoard = m_path.Slot(2);
    CBoardInfo* board = Board();
    m_nGridTab = -1;
    if (!board) {
        Caption()->clear();
        SetTabs({}, -1);
        List()->DeleteAllItems();
        List()->DeleteAllColumns();
        return;
    }
    Layout();
    Caption()->setText(
        Qs(platform::StrFormat("板卡%d[%s]通讯口配置", board->m_nNumber + 1, board->m_strType.c_str())));
    std::vector<std::string> tabs;
    for (const CPortArray& group : board->m_ports)
        tabs.push_back(group.m_strName);
    const int slot = m_path.Slot(3);
    SetTabs(tabs, m_path.depth == 3 && board->m_ports.IsValidIndex(slot) ? slot : 0);
    StyleList();
    RefreshPortGrid();
    SetReady(true);
}

void CConfigPortView::RefreshPortGrid() {
    CPortArray* group = CurrentGroup();
    List()->DeleteAllItems();
    if (Tabs()->currentIndex() != m_nGridTab) {
        m_nGridTab = Tabs()->currentIndex();
        List()->DeleteAllColumns();
        if (group) {
            const std::vector<std::string> titles = CPortGridModel::Titles(*group);
            List()->InsertColumn(0, titles[0], CGridListCtrl::AlignLeft, 40);
            for (std::size_t k = 1; k < titles.size(); ++k)
                List()->InsertColumn(static_cast<int>(k), titles[k]);
        }
    }
    if (group)
        List()->FillRows(CPortGridModel::Rows(*group));
}

void CConfigPortView::OnSelChangeTab() {
    HideEditors();
    m_pIp->hide();
    RefreshPortGrid();
}

void CConfigPortView::OnClickCell(int row, int column) {
    m_pIp->hide();
    CPortArray* group = CurrentGroup();
    if (!m_bReady || !group || row < 0 || row >= List()->GetItemCount() || column < 1 ||
        !group->m_options.IsValidIndex(column - 1))
        return;
    const COptionItem& def = group->m_options[column - 1];
    switch (CPortGridModel::EditorFor(def)) {
    case CPortGridModel::Editor::Combo:
        Editor()->OpenCombo(row, column, def.m_choices);
        break;
    case CPortGridModel::Editor::Edit:
        Editor()->OpenEdit(row, column);
        break;
    case CPortGridModel::Editor::Ip: {
        HideEditors();
        m_nIpRow = row;
        m_nIpColumn = column;
        const QRect cell = List()->SubItemRect(row, column, List()->viewport());
        m_pIp->setGeometry(cell.left(), cell.top() - 1, cell.width(), std::max(14, cell.height() + 1));
        m_pIp->setText(Qs(List()->GetItemText(row, column)));
        m_pIp->show();
        m_pIp->raise();
        m_pIp->setFocus();
        break;
    }
    case CPortGridModel::Editor::None:
        break;
    }
}

void CConfigPortView::OnIpFinished() {
    if (!m_pIp->isVisible())
        return;
    m_pIp->hide();
    // Only the finished text counts: a complete address met while typing or backspacing is no
    // value. A refused text leaves the value the cell had when the edit began.
    const std::string text = Ss(m_pIp->text());
    CPortArray* group = CurrentGroup();
    if (!group || Tabs()->currentIndex() != m_nGridTab || !group->IsValidIndex(m_nIpRow) ||
        !group->m_options.IsValidIndex(m_nIpColumn - 1) || !group->m_options[m_nIpColumn - 1].IsKind("IP"))
        return;
    if (platform::IsDottedIPv4(text)) {
        if (CPortGridModel::StoreIp((*group)[m_nIpRow], m_nIpColumn - 1, text))
            List()->SetItemText(m_nIpRow, m_nIpColumn, text);
        return;
    }
    RefreshPortGrid();
    platform::MessageBox(
        platform::StrFormat("输入 %s 非法！\nIP地址应为四个0-255的数，以点分隔。", text.c_str()), "错误",
        platform::Icon::Error);
}

void CConfigPortView::OnCommit(int row, int column, const std::string& oldText, const std::string& newText) {
    (void)oldText;
    CProjectModel* doc = Doc();
    CPortArray* group = CurrentGroup();
    if (!doc || !group || Tabs()->currentIndex() != m_nGridTab || !group->IsValidIndex(row) ||
        !group->m_options.IsValidIndex(column - 1))
        return;
    const COptionItem& def = group->m_options[column - 1];
    CPortRecord& port = (*group)[row];
    if (CPortGridModel::EditorFor(def) == CPortGridModel::Editor::Edit) {
        if (CPortGridModel::StoreValue(port, column - 1, CPortGridModel::CheckedValue(def, newText))) {
            RefreshPortGrid();
            RefreshPortGroupNode(m_nBoard, m_nGridTab);
        }
        return;
    }
    const bool protocol = def.IsKind("PRTC");
    if (protocol && !CPortGridModel::ProtocolChangeQuestion(*doc, port, column - 1, newText).empty()) {
        // Filled tables or configurations go with the old protocol: only on Yes. The box ran an
        // event loop, so the port is looked up again.
        const bool agreed = CPortGridModel::ConfirmProtocolChange(*doc, port, column - 1, newText);
        group = CurrentGroup();
        if (!agreed || !group || !group->IsValidIndex(row) || Doc() != doc) {
            RefreshPortGrid();
            return;
        }
    }
    CPortRecord& target = (*group)[row];
    if (!CPortGridModel::StoreValue(target, column - 1, newText))
        return;
    CPortGridModel::ProtocolChange change;
    if (protocol)
        change = CPortGridModel::ChangeProtocol(*doc, target, newText);
    const int board = m_nBoard;
    const int tab = m_nGridTab;
    RefreshPortGrid();
    RefreshPortNode(board, tab, row);
    if (!protocol)
        return;
    // The redistribution moves devices between ports: the grid's device counts follow. Its
    // questions run an event loop, so the view and the project are checked again.
    QPointer<CConfigPortView> self(this);
    CPortGridModel::Apply(*doc, change);
    if (self && Doc() == doc)
        RefreshPortGrid();
}

QMenu* CConfigPortView::BuildContextMenu(const QPoint& pos) {
    (void)pos;
    CPortArray* group = CurrentGroup();
    if (!m_bReady || !group || group->m_bSerial)
        return nullptr;
    auto* menu = new QMenu("增减端口", this);
    menu->addAction("添加端口", this, &CConfigPortView::OnAddPort);
    QAction* remove = menu->addAction("删除端口", this, &CConfigPortView::OnDeletePort);
    remove->setEnabled(!List()->GetSelectedRows().empty());
    return menu;
}

void CConfigPortView::OnAddPort() {
    CPortArray* group = CurrentGroup();
    // Numbered before the tree shows the group: the port nodes show the running numbers.
    if (!group || !Doc() || !CPortGridModel::AddPort(*Doc(), m_nBoard, Tabs()->currentIndex()))
        return;
    RefreshPortGrid();
    RefreshPortGroupNode(m_nBoard, m_nGridTab);
}

void CConfigPortView::OnDeletePort() {
    CPortArray* group = CurrentGroup();
    CProjectModel* doc = Doc();
    const std::vector<int> rows = List()->GetSelectedRows();
    if (!group || !doc || group->m_bSerial || rows.empty())
        return;
    CPortGridModel::DeletePorts(*doc, m_nBoard, Tabs()->currentIndex(), rows);
    RefreshPortGrid();
    RefreshPortGroupNode(m_nBoard, m_nGridTab);
}

} // namespace editors
