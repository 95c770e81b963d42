#include "editors/views/ConfigOverView.h"

#include "editors/views/ConfigPortView.h"
#include "editors/views/PointPanes.h"
#include "platform/FileFaults.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"

#include <filesystem>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QPointer>
#include <system_error>

using namespace projectmodel;
using platform::Qs;
using platform::Ss;

namespace editors {

namespace {
PointWorkbookFactory& WorkbookFactory() {
    static PointWorkbookFactory factory;
    return factory;
}

CProjectModel* CurrentDoc() {
    return CProjectContext::Instance().CurrentDocument();
}
} // namespace

CConfigOverView::CConfigOverView(QWidget* parent) : COverView(parent) {
    setObjectName("projectTree");
    m_pProgress = new CExportProgressDlg(this);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnSelChanged(current); });
}

CConfigOverView::~CConfigOverView() {
    // Signals of the dying widget no longer reach the views.
    disconnect(this, &QTreeWidget::currentItemChanged, this, nullptr);
    CProjectModel* doc = CurrentDoc();
    if (doc && doc->Views() == this)
        doc->SetViews(nullptr);
    if (m_pFrame)
        m_pFrame->SetTreeGone();
}

void CConfigOverView::SetWorkbookFactory(PointWorkbookFactory factory) {
    WorkbookFactory() = std::move(factory);
}

void CConfigOverView::RegisterWithDocument() {
    if (CProjectModel* doc = CurrentDoc())
        doc->SetViews(this);
}

void CConfigOverView::OnInitialUpdate() {
    COverView::OnInitialUpdate();
}

void CConfigOverView::BuildTree() {
    CProjectModel* doc = CurrentDoc();
    if (!doc)
        return;
    RegisterWithDocument();
    // A copied port belongs to the project shown before; it is not pasted into a new tree.
    m_copied = PortIndex();
    m_menuPort = PortIndex();
    AddNode(nullptr, BuildProjectTree(*doc));
}

QTreeWidgetItem* CConfigOverView::RootItem() const {
    return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
}

QTreeWidgetItem* CConfigOverView::TopItem(int position) const {
    QTreeWidgetItem* root = RootItem();
    return root ? root->child(position) : nullptr;
}

QTreeWidgetItem* CConfigOverView::PortItem(int board, int group, int port) const {
    QTreeWidgetItem* protocols = TopItem(3);
    QTreeWidgetItem* b = protocols ? protocols->child(board) : nullptr;
    QTreeWidgetItem* g = b ? b->child(group) : nullptr;
    return g ? g->child(port) : nullptr;
}

CPortRecord* CConfigOverView::GetPortRecord(int board, int group, int port) const {
    return editors::GetPortRecord(CurrentDoc(), board, group, port);
}

void CConfigOverView::ExpandUp(QTreeWidgetItem* item, int levels) {
    for (int i = 0; item && i < levels; ++i, item = item->parent())
        item->setExpanded(true);
}

// ---- Selection ------------------------------------------------------------------------------------

void CConfigOverView::OnSelChanged(QTreeWidgetItem* item) {
    CProjectModel* doc = CurrentDoc();
    if (!doc || !item)
        return;
    m_selectedPath = GetItemPath(item);
    if (!m_pFrame)
        return;
    const CLeftViewChoice choice = ChooseLeftView(m_selectedPath, ItemImage(item));
    bool created = false;
    if (m_pFrame->LeftKind() != choice.kind) {
        m_pFrame->ReplaceLeft(choice.kind);
        created = true;
    }
    if (IEditorView* view = CEditorViewRegistry::AsEditorView(m_pFrame->LeftView()))
        view->OnInitialUpdate();
    if (!m_pFrame)
        return;
    std::string portKind;
    if (choice.kind == kViewConfigPortForm && m_selectedPath.depth == 4 &&
        m_selectedPath.Slot(1) == kItemProtocols) {
        if (const CPortRecord* port =
                GetPortRecord(m_selectedPath.Slot(2), m_selectedPath.Slot(3), m_selectedPath.Slot(4)))
            portKind = port->m_protocol.m_strType;
    }
    switch (DecideRightPane(choice.marked && created, choice.kind, portKind,
                            m_pFrame->RightKind() == kViewSelDev)) {
    case RightPaneAction::ShowSelDev:
        ShowRight(kViewSelDev);
        break;
    case RightPaneAction::ShowAllPoints:
        ShowRight(kViewConfigGINAll);
        break;
    case RightPaneAction::Keep:
        break;
    }
}

void CConfigOverView::ShowRight(EditorViewKind kind) {
    QWidget* view = m_pFrame->ReplaceRight(kind);
    if (IEditorView* v = CEditorViewRegistry::AsEditorView(view))
        v->OnInitialUpdate();
}

// ---- Refresh operations ---------------------------------------------------------------------------

void CConfigOverView::RefreshPortGroupNode(int board, int group) {
    CProjectModel* doc = CurrentDoc();
    QTreeWidgetItem* protocols = TopItem(3);
    QTreeWidgetItem* b = protocols ? protocols->child(board) : nullptr;
    QTreeWidgetItem* g = b ? b->child(group) : nullptr;
    if (!doc || !g || !doc->m_boardCfg.m_boards.IsValidIndex(board) ||
        !doc->m_boardCfg.m_boards[board].m_ports.IsValidIndex(group))
        return;
    CPortArray& ports = doc->m_boardCfg.m_boards[board].m_ports[group];
    g->setText(0, Qs(PortGroupNodeText(ports.m_strName, ports.GetSize())));
    for (int p = 0; p < ports.GetSize(); ++p)
        InsertPortNode(ports[p], g, g->child(p), p);
    SyncChildren(g, {}, ports.GetSize());
    ExpandUp(g, 2);
}

void CConfigOverView::RefreshPortNode(int board, int group, int port) {
    CProjectModel* doc = CurrentDoc();
    CPortRecord* record = GetPortRecord(board, group, port);
    QTreeWidgetItem* protocols = TopItem(3);
    QTreeWidgetItem* b = protocols ? protocols->child(board) : nullptr;
    QTreeWidgetItem* g = b ? b->child(group) : nullptr;
    if (!doc || !record || !g)
        return;
    InsertPortNode(*record, g, g->child(port), port);
}

QTreeWidgetItem* CConfigOverView::InsertPortNode(CPortRecord& port, QTreeWidgetItem* group,
                                                 QTreeWidgetItem* existing, int index) {
    CProjectModel* doc = CurrentDoc();
    if (!doc || !group)
        return nullptr;
    CTreeNode node;
    node.text = PortNodeText(port);
    node.image = kImagePort;
    node.itemData = index;
    QTreeWidgetItem* item = existing;
    if (item)
        ApplyNode(item, node);
    else
        item = AddNode(group, node);
    RefreshPortDeviceNodes(port, item);
    FillPortConfigNodes(port, item);
    return item;
}

void CConfigOverView::RefreshPortDeviceNodes(CPortRecord& port, QTreeWidgetItem* item) {
    CProjectModel* doc = CurrentDoc();
    if (!doc || !item)
        return;
    PrunePortDevices(*doc, port);
    // Everything after the device nodes goes; the configurations are put back behind them.
    SyncChildren(item, PortDeviceNodes(*doc, port));
}

void CConfigOverView::FillPortConfigNodes(const CPortRecord& port, QTreeWidgetItem* item) {
    CProjectModel* doc = CurrentDoc();
    if (!doc || !item)
        return;
    SyncChildren(item, PortConfigNodes(port), static_cast<int>(PortDeviceNodes(*doc, port).size()));
}

void CConfigOverView::RefreshPortChildNodes(int board, int group, int port) {
    CProjectModel* doc = CurrentDoc();
    CPortRecord* record = GetPortRecord(board, group, port);
    QTreeWidgetItem* item = PortItem(board, group, port);
    if (!doc || !record || !item)
        return;
    RefreshPortDeviceNodes(*record, item);
    FillPortConfigNodes(*record, item);
    ExpandUp(item, 3);
    // The all-points pane refills its list once the current event is done.
    if (m_pFrame && m_pFrame->RightKind() == kViewConfigGINAll) {
        QPointer<QWidget> right = m_pFrame->RightView();
        QMetaObject::invokeMethod(
            this,
            [right] {
                if (auto* all = dynamic_cast<IAllPointsPane*>(right.data()))
                    all->FillPointList();
            },
            Qt::QueuedConnection);
    }
}

void CConfigOverView::RefreshPortConfigNodes(int board, int group, int port) {
    CProjectModel* doc = CurrentDoc();
    CPortRecord* record = GetPortRecord(board, group, port);
    QTreeWidgetItem* item = PortItem(board, group, port);
    if (!doc || !record || !item)
        return;
    FillPortConfigNodes(*record, item);
    ExpandUp(item, 3);
}

void CConfigOverView::RefreshDeviceNodes() {
    CProjectModel* doc = CurrentDoc();
    QTreeWidgetItem* devices = TopItem(1);
    QTreeWidgetItem* list = devices ? devices->child(0) : nullptr;
    if (!doc || !list)
        return;
    SyncChildren(list, DeviceListNodes(*doc));
    list->setExpanded(true);
}

void CConfigOverView::RefreshVoltLevelNodes() {
    CProjectModel* doc = CurrentDoc();
    QTreeWidgetItem* bays = TopItem(2);
    if (!doc || !bays)
        return;
    SyncChildren(bays, VoltLevelNodes(*doc));
    bays->setExpanded(true);
}

void CConfigOverView::RefreshBayNodes(int levelCode) {
    CProjectModel* doc = CurrentDoc();
    QTreeWidgetItem* bays = TopItem(2);
    if (!doc || !bays)
        return;
    const int pos = VoltLevelPosition(*doc, levelCode);
    const CVoltLevel* level = doc->m_voltLevels.GetById(levelCode);
    QTreeWidgetItem* item = pos >= 0 ? bays->child(pos) : nullptr;
    if (!item || !level)
        return;
    SyncChildren(item, BayNodes(*doc, *level));
    item->setExpanded(true);
}

void CConfigOverView::RefreshBayNode(int bayId) {
    CProjectModel* doc = CurrentDoc();
    QTreeWidgetItem* bays = TopItem(2);
    int levelPos = -1;
    int bayPos = -1;
    if (!doc || !bays || !LocateBay(*doc, bayId, levelPos, bayPos))
        return;
    QTreeWidgetItem* level = bays->child(levelPos);
    QTreeWidgetItem* item = level ? level->child(bayPos) : nullptr;
    const CPrjBay* bay = doc->m_bays.GetById(bayId);
    if (!item || !bay)
        return;
    SyncChildren(item, EquipmentNodes(*doc, *bay));
    item->setExpanded(true);
}

void CConfigOverView::RefreshEquipmentNode(int bayId, int equipmentId) {
    CProjectModel* doc = CurrentDoc();
    QTreeWidgetItem* bays = TopItem(2);
    int levelPos = -1;
    int bayPos = -1;
    if (!doc || !bays || !LocateBay(*doc, bayId, levelPos, bayPos))
        return;
    const CPrjBay* bay = doc->m_bays.GetById(bayId);
    const CPrjDevice* equipment = doc->m_prjDevices.GetById(equipmentId);
    if (!bay || !equipment)
        return;
    const auto it = std::find(bay->m_equipmentIds.begin(), bay->m_equipmentIds.end(), equipmentId);
    QTreeWidgetItem* level = bays->child(levelPos);
    QTreeWidgetItem* bayItem = level ? level->child(bayPos) : nullptr;
    QTreeWidgetItem* item = bayItem && it != bay->m_equipmentIds.end()
                                ? bayItem->child(static_cast<int>(it - bay->m_equipmentIds.begin()))
                                : nullptr;
    if (!item)
        return;
    SyncChildren(item, EquipmentChildNodes(*doc, *equipment));
    item->setExpanded(true);
}

void CConfigOverView::SetRootText(const std::string& text) {
    if (QTreeWidgetItem* root = RootItem()) {
        root->setText(0, Qs(text));
        root->setExpanded(true);
    }
}

void CConfigOverView::UpdateSaveTime() {
    if (m_pFrame && m_pFrame->LeftKind() == kViewConfigPrj)
        if (IEditorView* v = CEditorViewRegistry::AsEditorView(m_pFrame->LeftView()))
            v->UpdateSaveTime();
}

void CConfigOverView::FillDeviceList() {
    if (m_pFrame && m_pFrame->LeftKind() == kViewDevinfolist)
        if (IEditorView* v = CEditorViewRegistry::AsEditorView(m_pFrame->LeftView()))
            v->FillDeviceList();
}

void CConfigOverView::FillPointList() {
    if (IAllPointsPane* all = AllPointsPaneOf(m_pFrame))
        all->FillPointList();
}

// ---- Port commands --------------------------------------------------------------------------------

CConfigOverView::PortIndex CConfigOverView::PortOfItem(QTreeWidgetItem* item) const {
    PortIndex index;
    const CPathRecord path = GetItemPath(item);
    if (!item || path.depth != 4 || path.Slot(1) != kItemProtocols)
        return index;
    index.board = path.Slot(2);
    index.group = path.Slot(3);
    index.port = path.Slot(4);
    index.doc = GetPortRecord(index.board, index.group, index.port) ? CurrentDoc() : nullptr;
    return index;
}

QMenu* CConfigOverView::BuildPortMenu(QTreeWidgetItem* item) {
    const PortIndex index = PortOfItem(item);
    const CPortRecord* port = index.doc ? GetPortRecord(index.board, index.group, index.port) : nullptr;
    if (!port)
        return nullptr;
    // The node is remembered by its indices: a refresh may replace the item before a command runs.
    m_menuPort = index;
    const bool copied =
        m_copied.doc == CurrentDoc() && GetPortRecord(m_copied.board, m_copied.group, m_copied.port);
    const CPortMenuState state = PortMenuState(*port, copied);
    auto* menu = new QMenu(this);
    QAction* copy = menu->addAction("复制配置", this, &CConfigOverView::OnCopyConfig);
    QAction* paste = menu->addAction("粘贴配置", this, &CConfigOverView::OnPasteConfig);
    QAction* exportPoints = menu->addAction("导出测点", this, &CConfigOverView::OnExportPoints);
    copy->setEnabled(state.copy);
    paste->setEnabled(state.paste);
    exportPoints->setEnabled(state.exportPoints);
    return menu;
}

void CConfigOverView::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(event->pos());
    if (!item)
        return;
    if (QMenu* menu = BuildPortMenu(item)) {
        menu->exec(event->globalPos());
        delete menu;
    }
    event->accept();
}

void CConfigOverView::OnCopyConfig() {
    if (m_menuPort.doc == CurrentDoc() && GetPortRecord(m_menuPort.board, m_menuPort.group, m_menuPort.port))
        m_copied = m_menuPort;
}

void CConfigOverView::OnPasteConfig() {
    const PortIndex target = m_menuPort;
    if (!target.doc || target.doc != CurrentDoc() || m_copied.doc != target.doc)
        return;
    CPortRecord* source = GetPortRecord(m_copied.board, m_copied.group, m_copied.port);
    CPortRecord* port = GetPortRecord(target.board, target.group, target.port);
    if (PastePortConfig(source, port) != PasteResult::Pasted)
        return;
    RefreshPortNode(target.board, target.group, target.port);
    if (!m_pFrame)
        return;
    IEditorView* left = CEditorViewRegistry::AsEditorView(m_pFrame->LeftView());
    const CPathRecord& path = m_selectedPath;
    if (!left || path.Slot(1) != kItemProtocols)
        return;
    const bool targetSelected = path.depth == 4 && path.Slot(2) == target.board &&
                                path.Slot(3) == target.group && path.Slot(4) == target.port;
    if (targetSelected || path.depth == 5) {
        left->OnInitialUpdate();
    } else if (path.depth == 2 || path.depth == 3) {
        // The port list of a board only rebuilds its grid: the tab the user chose stays.
        if (auto* ports = dynamic_cast<CConfigPortView*>(m_pFrame->LeftView()))
            ports->RefreshPortGrid();
    }
}

void CConfigOverView::OnExportPoints() {
    const PortIndex index = m_menuPort;
    const CPortRecord* port = index.doc == CurrentDoc() && index.doc
                                  ? GetPortRecord(index.board, index.group, index.port)
                                  : nullptr;
    if (!port)
        return;
    if (CountPortPoints(*port) == 0) {
        platform::MessageBox("当前端口中未添加测点信息！", "信息", platform::Icon::Information);
        return;
    }
    QFileDialog dlg(this);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    platform::PrepareFileDialog(dlg);
    dlg.setNameFilter("excel files (*.xlsx)");
    dlg.selectFile(Qs(PortExportFileName(*port)));
    if (platform::RunDialog(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    const std::string path = WithXlsxExtension(Ss(dlg.selectedFiles().front()));
    // The project or the port may have changed while the dialog was open.
    port = index.doc == CurrentDoc() ? GetPortRecord(index.board, index.group, index.port) : nullptr;
    if (port)
        ExportPortPoints(*port, path);
}

int CConfigOverView::ExportPortPoints(const CPortRecord& port, const std::string& path) {
    CProjectModel* doc = CurrentDoc();
    const int points = CountPortPoints(port);
    if (!doc || points == 0)
        return 0;
    m_pProgress->Create();
    m_pProgress->SetRange(0, 100);
    m_pProgress->SetPos(0);
    m_fStep = 100.0 / points;
    m_fPos = 0;
    const std::vector<CPointSheet> sheets = PortPointSheets(*doc, port);
    int result = 0;
    // The workbook is written under a temporary name and then renamed over the chosen file, so
    // an existing file is replaced whole or stays as it was.
    const std::filesystem::path target(path);
    std::filesystem::path temporary = target;
    temporary += ".part";
    platform::RemoveFile(temporary);
    std::unique_ptr<IPointWorkbook> book = WorkbookFactory() ? WorkbookFactory()() : nullptr;
    if (!book || !book->Open(temporary.string())) {
        platform::MessageBox("创建excel文件失败！", "错误", platform::Icon::Error);
    } else {
        bool written = true;
        for (const CPointSheet& sheet : sheets) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            book->SetSheetName(sheet.name);
            written = book->CreateSheet(sheet.headers) && written;
            for (const std::vector<std::string>& row : sheet.rows) {
                written = written && book->AddRow(row);
                m_fPos += m_fStep;
                m_pProgress->SetPos(static_cast<int>(m_fPos));
            }
            QApplication::restoreOverrideCursor();
        }
        written = book->Close() && written;
        book.reset();
        const bool renamed = written && platform::RenameFile(temporary, target);
        if (!written) {
            // The writer has shown what went wrong; the user also learns that nothing was exported
            // and that a file of that name was left as it was.
            platform::RemoveFile(temporary);
            platform::MessageBox(platform::StrFormat("导出测点失败，文件%s未写入！", path.c_str()), "错误",
                                 platform::Icon::Error);
        } else if (!renamed) {
            platform::RemoveFile(temporary);
            platform::MessageBox(
                platform::StrFormat("文件%s无法替换，请确认它没有被其他程序打开且可以写入！", path.c_str()),
                "错误", platform::Icon::Error);
        } else {
            platform::MessageBox("导出测点成功完成！", "信息", platform::Icon::Information);
            result = 1;
        }
    }
    m_pProgress->SetPos(100);
    m_pProgress->Destroy();
    return result;
}

} // namespace editors
