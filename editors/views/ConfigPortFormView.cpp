#include "editors/views/ConfigPortFormView.h"

#include "editors/model/DevinfolistModel.h"
#include "editors/model/PointKeyText.h"
#include "editors/model/RefTableModel.h"
#include "editors/model/VarInfoModel.h"
#include "editors/views/GridListCtrl.h"
#include "editors/views/InPlaceEditor.h"
#include "editors/views/MovePosDlg.h"
#include "editors/views/PointSelectDlg.h"
#include "editors/views/StepDlg.h"
#include "editors/views/UriTableDlg.h"
#include "editors/views/VarInfoDlg.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>

#include <algorithm>
#include <QPushButton>
#include <QTabBar>

using namespace projectmodel;
using platform::Qs;

namespace editors {

namespace {

const char* const kMissingPoint = "无效引用，请删除该无效信息！";

} // namespace

CConfigPortFormView::CConfigPortFormView(const CViewContext& context, QWidget* parent)
    : CGridFormView(context, parent) {
    setObjectName("CConfigPortFormView");
    SetLayout(300, 340);
}

CBoardInfo* CConfigPortFormView::Board() const {
    CProjectModel* doc = Doc();
    return doc ? doc->m_boardCfg.m_boards.GetPtr(m_nBoard) : nullptr;
}

CPortRecord* CConfigPortFormView::Port() const {
    return GetPortRecord(Doc(), m_nBoard, m_nGroup, m_nPort);
}

CRefTable* CConfigPortFormView::CurrentTable() const {
    CPortRecord* port = Port();
    if (!port || m_strTab == kConfigListTab || (m_nKindMark == 0 && m_strTab == kDeviceListTab))
        return nullptr;
    return port->m_protocol.m_tables.FindByName(m_strTab);
}

bool CConfigPortFormView::ShowsPointTable() const {
    const CRefTable* table = CurrentTable();
    return table && !table->IsDeviceTable() && m_nKindMark != 0;
}

bool CConfigPortFormView::OnDeviceTab() const {
    return m_bHasView && (!Port() || (m_nKindMark == 0 && m_strTab == kDeviceListTab));
}

void CConfigPortFormView::OnInitialUpdate() {
    CProjectModel* doc = Doc();
    if (!doc)
        return;
    SetReady(false);
    HideEditors();
    m_path = SelectedPath();
    m_nBoard = m_nGroup = m_nPort = -1;
    m_bHasView = false;
    m_nKindMark = -1;
    m_bPoints = false;
    m_strTab.clear();
    // Without a protocol region every option item applies: the region of a port shown before in
    // this view must not filter the columns of this node.
    m_strContext.clear();
    // Until a port or the virtual devices are found the view shows nothing of an earlier node.
    Caption()->clear();
    Button()->hide();
    SetTabs({}, -1);
    List()->DeleteAllItems();
    List()->DeleteAllColumns();
    m_nGridTab = -1;
    if (m_path.depth == 4) {
        if (!GetPortRecord(doc, m_path.Slot(2), m_path.Slot(3), m_path.Slot(4)))
            return;
        m_nBoard = m_path.Slot(2);
        m_nGroup = m_path.Slot(3);
        m_nPort = m_path.Slot(4);
    } else if (m_path.depth != 2) {
        return;
    }
    m_bHasView = true;
    SetTabs({}, -1);
    Layout();
    List()->show();
    Tabs()->show();
    Button()->hide();
    if (CPortRecord* port = Port()) {
        Caption()->setText(Qs(CPortFormModel::Caption(*Board(), *port)));
        if (!port->m_protocol.m_groups.IsEmpty()) {
            Button()->setText("可变信息");
            Button()->show();
            m_strContext = port->m_protocol.m_groups.GetProtocolRegion();
        }
        m_nKindMark = CPortFormModel::KindMark(*port);
        if (m_nKindMark < 0) {
            HideEditors();
            List()->hide();
            Tabs()->hide();
            return;
        }
        SetTabs(CPortFormModel::Tabs(*port), 0);
    } else {
        Caption()->setText("虚装置列表:");
        SetTabs({kDeviceListTab}, 0);
    }
    SelectTab(0);
    m_nGridTab = -1;
    StyleList();
    HideEditors();
    FillGrid();
    SyncRightPane();
    SetReady(true);
}

void CConfigPortFormView::FillGrid() {
    CProjectModel* doc = Doc();
    List()->DeleteAllItems();
    List()->ClearRowTexts();
    m_strTab = CurrentTabText();
    if (!doc || !m_bHasView)
        return;
    CPortRecord* port = Port();
    const bool tabChanged = Tabs()->currentIndex() != m_nGridTab;
    m_nGridTab = Tabs()->currentIndex();
    auto setColumns = [this](const CFormColumns& columns) {
        m_columns = columns;
        List()->DeleteAllColumns();
        for (std::size_t c = 0; c < columns.titles.size(); ++c)
            List()->InsertColumn(static_cast<int>(c), columns.titles[c]);
    };
    if (OnDeviceTab()) {
        if (tabChanged)
            setColumns(CPortFormModel::Columns(CPortFormModel::DeviceColumnTitles(), doc->m_deviceExtItems,
                                               m_strContext));
        List()->FillRows(CPortFormModel::DeviceRows(*doc, CPortFormModel::DeviceAddresses(*doc, port),
                                                    m_columns, port != nullptr));
        return;
    }
    if (!port)
        return;
    if (m_strTab == kConfigListTab) {
        if (tabChanged)
            setColumns(CPortFormModel::Columns({"序号", "配置名称"}, {}, m_strContext));
        List()->FillRows(CPortFormModel::ConfigRows(*port));
        return;
    }
    const CRefTable* table = port->m_protocol.m_tables.FindByName(m_strTab);
    if (!table)
        return;
    if (table->IsDeviceTable()) {
        setColumns(
            CPortFormModel::Columns(CPortFormModel::DeviceColumnTitles(), table->m_columns, m_strContext));
        List()->FillRows(CRefTableModel::DeviceRows(*table, m_columns.ValueItems()));
    } else {
        setColumns(
            CPortFormModel::Columns(CPortFormModel::PointColumnTitles(), table->m_columns, m_strContext));
        List()->FillRows(
            CRefTableModel::PointRows(*doc, *table, 0, m_columns.ValueItems(), kMissingPoint, false));
    }
}

void CConfigPortFormView::OnSelChangeTab() {
    HideEditors();
    FillGrid();
    SyncRightPane();
}

void CConfigPortFormView::SyncRightPane() {
    m_bPoints = false;
    if (m_nKindMark == 0 || !Port())
        return;
    const CRefTable* table = CurrentTable();
    if (!table)
        return;
    if (!table->IsDeviceTable()) {
        if (RightIsSelDev())
            ShowRight(kViewConfigGINAll);
        m_bPoints = true;
        SelectAllPointsTab(table->m_nType);
    } else if (RightIsAllPoints()) {
        ShowRight(kViewSelDev);
    }
}

std::vector<int> CConfigPortFormView::SelectedPositions() const {
    std::vector<int> positions;
    for (int r : List()->GetSelectedRows())
        positions.push_back(static_cast<int>(List()->GetItemData(r)));
    std::sort(positions.begin(), positions.end());
    return positions;
}

CDevice* CConfigPortFormView::DeviceOfRow(int row) const {
    CProjectModel* doc = Doc();
    if (!doc || row < 0 || row >= List()->GetItemCount())
        return nullptr;
    const std::vector<int> addresses = CPortFormModel::DeviceAddresses(*doc, Port());
    const long long position = List()->GetItemData(row);
    if (position < 0 || position >= static_cast<long long>(addresses.size()))
        return nullptr;
    return doc->FindDevice(addresses[static_cast<std::size_t>(position)]);
}

CStringArray* CConfigPortFormView::ValuesOfRow(int row) {
    if (OnDeviceTab()) {
        CDevice* device = DeviceOfRow(row);
        return device ? &device->m_optionValues : nullptr;
    }
    CRefTable* table = CurrentTable();
    if (!table)
        return nullptr;
    if (table->IsDeviceTable())
        return table->m_devices.IsValidIndex(row) ? &table->m_devices[row].m_values : nullptr;
    return table->m_entries.IsValidIndex(row) ? &table->m_entries[row].m_values : nullptr;
}

void CConfigPortFormView::StoreValue(int row, int column, const std::string& value) {
    const int item = m_columns.ItemOf(column);
    CStringArray* values = ValuesOfRow(row);
    if (item < 0 || !values)
        return;
    if (static_cast<int>(values->size()) <= item)
        values->resize(static_cast<std::size_t>(item) + 1);
    (*values)[static_cast<std::size_t>(item)] = value;
    List()->SetItemText(row, column, value);
}

void CConfigPortFormView::OnClickCell(int row, int column) {
    CProjectModel* doc = Doc();
    if (!m_bReady || !doc || row < 0 || row >= List()->GetItemCount())
        return;
    CPortRecord* port = Port();
    if (port && m_strTab == kConfigListTab) {
        if (column != 1)
            return;
        std::vector<std::string> names;
        for (const CNamePairRecord& entry : doc->m_portConfigLibrary)
            names.push_back(entry.m_strName);
        Editor()->OpenCombo(row, column, names);
        return;
    }
    const COptionItemArray* items = nullptr;
    bool uri = false;
    if (OnDeviceTab()) {
        items = &doc->m_deviceExtItems;
        uri = true;
    } else if (const CRefTable* table = CurrentTable()) {
        items = &table->m_columns;
    }
    const int item = m_columns.ItemOf(column);
    if (!items || !items->IsValidIndex(item))
        return;
    const COptionItem& def = (*items)[item];
    switch (CRefTableModel::EditorFor(def, uri)) {
    case CRefTableModel::Editor::Combo:
        Editor()->OpenCombo(row, column, def.m_choices);
        break;
    case CRefTableModel::Editor::Edit:
        Editor()->OpenEdit(row, column);
        break;
    case CRefTableModel::Editor::Point:
        RunPointDialog(row, column, def.m_strKind);
        break;
    case CRefTableModel::Editor::Uri:
        RunUriDialog(row, column);
        break;
    case CRefTableModel::Editor::None:
        break;
    }
}

void CConfigPortFormView::RunPointDialog(int row, int column, const std::string& kind) {
    HideEditors();
    CPointRef key = ParsePointKey(List()->GetItemText(row, column));
    CPointSelectDlg dlg(this);
    dlg.m_model.m_strType = kind;
    dlg.m_pKey = &key;
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    StoreValue(row, column, dlg.m_pKey ? PointKeyText(Doc(), key) : std::string());
}

void CConfigPortFormView::RunUriDialog(int row, int column) {
    HideEditors();
    CUriTableDlg dlg(this);
    dlg.m_strUri = List()->GetItemText(row, column);
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    StoreValue(row, column, dlg.m_strUri);
}

void CConfigPortFormView::OnCommit(int row, int column, const std::string& oldText,
                                   const std::string& newText) {
    CProjectModel* doc = Doc();
    if (!doc || newText == oldText)
        return;
    CPortRecord* port = Port();
    if (port && m_strTab == kConfigListTab) {
        if (CPortFormModel::ChangeConfig(*doc, *port, row, newText)) {
            List()->SetItemText(row, column, port->m_protocol.m_configs.m_configs[row].m_strName);
            RefreshChildNodes();
        }
        return;
    }
    const COptionItemArray* items = OnDeviceTab()    ? &doc->m_deviceExtItems
                                    : CurrentTable() ? &CurrentTable()->m_columns
                                                     : nullptr;
    const int item = m_columns.ItemOf(column);
    if (!items || !items->IsValidIndex(item))
        return;
    const COptionItem& def = (*items)[item];
    StoreValue(row, column,
               CRefTableModel::EditorFor(def, false) == CRefTableModel::Editor::Edit
                   ? CRefTableModel::CheckedValue(def, newText)
                   : newText);
}

void CConfigPortFormView::OnColumnClick(int column) {
    CPortRecord* port = Port();
    if (column != 2 || !port)
        return;
    if (m_nKindMark == 0 && m_strTab == kDeviceListTab) {
        CPortFormModel::SortAddresses(*port);
        FillGrid();
        RefreshChildNodes();
    } else if (m_nKindMark == 1) {
        if (CRefTable* table = CurrentTable(); table && table->IsDeviceTable()) {
            table->m_devices.SortByAddress();
            FillGrid();
        }
    }
}

void CConfigPortFormView::RefreshChildNodes() const {
    RefreshPortChildNodes(m_nBoard, m_nGroup, m_nPort);
}

bool CConfigPortFormView::AddDevice(CDevice* device) {
    CRefTable* table = CurrentTable();
    CPortRecord* port = Port();
    if (!device || !table || !port)
        return false;
    if (!CPortFormModel::AddDevice(Board()->m_nNumber, *port, *table, *device))
        return false;
    FillGrid();
    return true;
}

bool CConfigPortFormView::MoveDeviceToPort(CDevice* device) {
    CProjectModel* doc = Doc();
    if (!device || !doc || !Port())
        return false;
    const CPortFormModel::MoveResult result =
        CPortFormModel::MoveDeviceToPort(*doc, m_nBoard, m_nGroup, m_nPort, *device);
    if (!result.placed)
        return false;
    if (result.oldPort >= 0)
        RefreshPortChildNodes(result.oldBoard, result.oldGroup, result.oldPort);
    FillGrid();
    RefreshChildNodes();
    return true;
}

void CConfigPortFormView::AddRefPoints(const CPointRef* keys, int count) {
    if (!Port() || !keys)
        return;
    for (int i = 0; i < count; ++i)
        AddRefPoint(keys[i].m_n1, keys[i].m_n2, keys[i].m_n3);
}

void CConfigPortFormView::AddRefPoint(int address, int group, int entry) {
    CProjectModel* doc = Doc();
    CRefTable* table = CurrentTable();
    if (!doc || !table || m_nKindMark == 0 || !Port())
        return;
    if (CRefTableModel::AddPoint(*doc, *table, address, group, entry, true) !=
        CRefTableModel::AddResult::Added)
        return;
    const int index = table->m_entries.GetSize() - 1;
    const CGridRow row =
        CRefTableModel::PointRow(*doc, *table, index, index, m_columns.ValueItems(), kMissingPoint, false);
    const int r = List()->InsertItem(List()->GetItemCount(), row.cells[0]);
    for (std::size_t c = 1; c < row.cells.size(); ++c)
        List()->SetItemText(r, static_cast<int>(c), row.cells[c]);
}

void CConfigPortFormView::SelectCategoryTab(int category) {
    CPortRecord* port = Port();
    if (!port || m_nKindMark == 0 || category < 0 || category > 6)
        return;
    const CRefTable* current = CurrentTable();
    if (current && current->m_nType == category)
        return;
    if (current && projectmodel::CProjectContext::Instance().m_bSelYtFromYk && category == kInfoTypeYK &&
        current->m_nType == kInfoTypeYT)
        return;
    const int index = CPortFormModel::FirstTableOfType(*port, category);
    if (index < 0)
        return;
    const std::string name = port->m_protocol.m_tables[index].m_strName;
    for (int t = 0; t < Tabs()->count(); ++t) {
        if (platform::Ss(Tabs()->tabText(t)) != name)
            continue;
        HideEditors();
        SelectTab(t);
        FillGrid();
        m_bPoints = true;
        return;
    }
}

int CConfigPortFormView::CurrentRefTableCategory() const {
    const CRefTable* table = CurrentTable();
    return table ? table->m_nType : -1;
}

bool CConfigPortFormView::AddSelDevice(int address) {
    CProjectModel* doc = Doc();
    CPortRecord* port = Port();
    CDevice* device = doc ? doc->FindDevice(address) : nullptr;
    if (!port || !device)
        return false;
    switch (CSelDevModel::PortActionFor(*port, CurrentTabText())) {
    case CSelDevModel::PortAction::AddToConfig:
        return AddDevice(device);
    case CSelDevModel::PortAction::AddToDeviceList:
        return MoveDeviceToPort(device);
    case CSelDevModel::PortAction::Nothing:
        break;
    }
    return false;
}

void CConfigPortFormView::OnAddDevice() {
    CProjectModel* doc = Doc();
    if (!doc || !Port() || m_strTab != kDeviceListTab)
        return;
    if (CPortFormModel::AddNewDevice(*doc, m_nBoard, m_nGroup, m_nPort) < 0)
        return;
    FillGrid();
    RefreshChildNodes();
}

void CConfigPortFormView::OnDeleteDeviceFromTable() {
    CProjectModel* doc = Doc();
    const CPortRecord* port = Port();
    if (!doc || !port || m_strTab != kDeviceListTab)
        return;
    const std::vector<int> rows = SelectedPositions();
    if (!CDevinfolistModel::ConfirmDeviceRemoval(*doc, CPortFormModel::AddressesAt(*port, rows)))
        return;
    // The question runs an event loop: the document and the port are looked up again after it.
    doc = Doc();
    CPortRecord* again = Port();
    if (!doc || !again)
        return;
    CPortFormModel::RemoveDevices(*doc, *again, rows, true);
    FillGrid();
    RefreshChildNodes();
}

void CConfigPortFormView::OnRemoveDeviceFromPort() {
    CProjectModel* doc = Doc();
    CPortRecord* port = Port();
    if (!doc || !port || m_strTab != kDeviceListTab)
        return;
    CPortFormModel::RemoveDevices(*doc, *port, SelectedPositions(), false);
    FillGrid();
    RefreshChildNodes();
}

void CConfigPortFormView::OnAddConfig() {
    CProjectModel* doc = Doc();
    CPortRecord* port = Port();
    if (!doc || !port || m_strTab != kConfigListTab || !CPortFormModel::AddConfig(*doc, *port))
        return;
    FillGrid();
    RefreshPortConfigNodes(m_nBoard, m_nGroup, m_nPort);
}

void CConfigPortFormView::OnDeleteConfig() {
    CPortRecord* port = Port();
    if (!port || m_strTab != kConfigListTab)
        return;
    CPortFormModel::DeleteConfigs(*port, List()->GetSelectedRows());
    FillGrid();
    RefreshPortConfigNodes(m_nBoard, m_nGroup, m_nPort);
}

void CConfigPortFormView::OnMoveRef() {
    CRefTable* table = CurrentTable();
    const std::vector<int> rows = List()->GetSelectedRows();
    if (m_nKindMark != 1 || !table || rows.empty())
        return;
    CMovePosDlg dlg(this);
    if (dlg.DoModal() != QDialog::Accepted || !(table = CurrentTable()))
        return;
    const std::vector<int> moved =
        table->IsDeviceTable() ? CRefTableModel::MoveRows(table->m_devices.Items(), rows, dlg.m_nPosition)
                               : CRefTableModel::MoveRows(table->m_entries.Items(), rows, dlg.m_nPosition);
    FillGrid();
    List()->clearSelection();
    for (int r : moved)
        List()->selectionModel()->select(List()->model()->index(r, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!moved.empty())
        List()->scrollToItem(List()->item(moved.front(), 0));
}

void CConfigPortFormView::OnDeleteRef() {
    CProjectModel* doc = Doc();
    CRefTable* table = CurrentTable();
    CPortRecord* port = Port();
    if (!doc || !table || !port)
        return;
    CPortFormModel::DeleteEntries(*doc, Board()->m_nNumber, *port, *table, List()->GetSelectedRows());
    FillGrid();
}

void CConfigPortFormView::OnSortRef() {
    CRefTable* table = CurrentTable();
    if (m_nKindMark != 1 || !table)
        return;
    if (table->IsDeviceTable())
        table->m_devices.SortByAddress();
    else
        table->m_entries.Sort();
    FillGrid();
}

void CConfigPortFormView::OnFillConsecutive() {
    CRefTable* table = CurrentTable();
    if (!table)
        return;
    CStepDlg dlg(this);
    if (dlg.DoModal() != QDialog::Accepted || !(table = CurrentTable()) || table->IsDeviceTable())
        return;
    CRefTableModel::FillConsecutive(*table, List()->GetSelectedRows(), m_columns.ItemOf(m_nMenuColumn),
                                    dlg.m_nStep);
    FillGrid();
}

QMenu* CConfigPortFormView::BuildContextMenu(const QPoint& pos) {
    if (!m_bReady || !Port())
        return nullptr;
    const bool selected = !List()->GetSelectedRows().empty();
    if (m_strTab == kConfigListTab && m_nKindMark >= 0) {
        auto* menu = new QMenu("配置信息", this);
        menu->addAction("增加配置", this, &CConfigPortFormView::OnAddConfig);
        menu->addAction("删除配置", this, &CConfigPortFormView::OnDeleteConfig)->setEnabled(selected);
        return menu;
    }
    if (m_nKindMark == 0 && m_strTab == kDeviceListTab) {
        auto* menu = new QMenu("装置列表", this);
        menu->addAction("删除装置", this, &CConfigPortFormView::OnRemoveDeviceFromPort)->setEnabled(selected);
        // The commands that make a new device on this port and delete devices from the project.
        menu->addSeparator();
        menu->addAction("添加装置", this, &CConfigPortFormView::OnAddDevice);
        menu->addAction(kDeleteFromTableText, this, &CConfigPortFormView::OnDeleteDeviceFromTable)
            ->setEnabled(selected);
        return menu;
    }
    CRefTable* table = CurrentTable();
    if (m_nKindMark < 0 || !table)
        return nullptr;
    auto* menu = new QMenu("引用GIN视图", this);
    menu->addAction("移动引用GIN", this, &CConfigPortFormView::OnMoveRef)->setEnabled(selected);
    menu->addAction("删除引用GIN", this, &CConfigPortFormView::OnDeleteRef)->setEnabled(selected);
    menu->addAction("排序引用GIN", this, &CConfigPortFormView::OnSortRef)
        ->setEnabled(List()->GetItemCount() >= 2);
    if (m_nKindMark == 1) {
        m_nMenuColumn = List()->columnAt(pos.x());
        const int item = m_columns.ItemOf(m_nMenuColumn);
        // Numbering applies to the point tables' whole-number columns.
        if (!table->IsDeviceTable() && table->m_columns.IsValidIndex(item) &&
            table->m_columns[item].IsKind("INT")) {
            menu->addSeparator();
            menu->addAction("数值连续", this, &CConfigPortFormView::OnFillConsecutive);
        }
    }
    return menu;
}

bool CConfigPortFormView::OnDeleteKey() {
    if (!Port())
        return false;
    if (m_strTab == kConfigListTab) {
        OnDeleteConfig();
    } else if (m_nKindMark == 0) {
        if (m_strTab == kDeviceListTab)
            OnRemoveDeviceFromPort();
    } else if (m_nKindMark == 1) {
        OnDeleteRef();
    }
    return true;
}

void CConfigPortFormView::OnButton() {
    const bool written = EditVarInfo(
        [this] {
            CPortRecord* port = Port();
            return port ? &port->m_protocol.m_groups : nullptr;
        },
        this);
    CPortRecord* port = Port();
    if (!written || !port)
        return;
    const std::string region = port->m_protocol.m_groups.GetProtocolRegion();
    if (!platform::EqualsNoCase(region, m_strContext)) {
        m_strContext = region;
        FillGrid();
    }
}

} // namespace editors
