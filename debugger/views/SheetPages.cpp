#include "debugger/views/SheetPages.h"

#include "debugger/views/ContextMenu.h"
#include "debugger/views/ListCtrls.h"
#include "debugger/views/QuorvexApp.h"

#include "debugger/core/DeviceRequests.h"
#include "debugger/core/LogFiles.h"
#include "debugger/core/ValueText.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quorvex {

using platform::Qs;
using platform::Ss;
using platform::StrFormat;

namespace {

QPushButton* AddButton(QWidget* page, QHBoxLayout* row, const char* name, const char* caption) {
    auto* b = new QPushButton(caption, page);
    b->setObjectName(name);
    row->addWidget(b);
    return b;
}

void SetColumns(QTableWidget* list, const std::vector<std::pair<const char*, int>>& columns) {
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const auto& [title, width] : columns)
        titles << title;
    list->setHorizontalHeaderLabels(titles);
    for (std::size_t i = 0; i < columns.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), columns[i].second);
}

// The value columns with w = a quarter of the list's width.
void SetValueColumns(QTableWidget* list, bool withSetColumn) {
    const int w = 900 / 4;
    std::vector<std::pair<const char*, int>> c = {{"类型", withSetColumn ? 2 * w / 3 : w},
                                                  {"名称", w},
                                                  {"地址", w / 3},
                                                  {"组号", w / 3},
                                                  {"条目号", w / 3},
                                                  {"实际值", 6 * w / 7}};
    if (withSetColumn)
        c.push_back({"置数", w / 3});
    SetColumns(list, c);
}

std::string RowsExportText(const CValueGrid* list) {
    std::string text;
    for (int r = 0; r < list->rowCount(); ++r)
        text += list->Text(r, 0) + " , " + list->Text(r, 1) + " , " + list->Text(r, 3) + " , " +
                list->Text(r, 4) + " , " + list->Text(r, 5) + "\n";
    return text;
}

// The full-list box of both pages' typed values.
void ShowListFull() {
    platform::MessageBox("输入个数不可超过63", "警告", platform::Icon::Warning);
}

// A refill that no longer holds the entry of an open editor: what was typed there is not kept.
void TellEditLost(CQuorvexApp& app, const std::string& name) {
    // The refill runs inside the handling of a frame: the box comes after it.
    app.Later([name] {
        platform::MessageBox("条目 " + name + " 已不在列表中，输入的值未保留。", "信息",
                             platform::Icon::Information);
    });
}

// Shows the values not yet set on their rows after a fill: in the colour of a value to send, or
// as they went out while their answer is awaited.
void ShowPendingRows(CValueGrid* list, const CPendingList& pending, const CEntryMarks& sent,
                     const std::function<std::vector<int>(const CPendingValue&)>& rowsOf) {
    for (const CPendingValue& p : pending.Items())
        for (int row : rowsOf(p)) {
            list->ShowPendingValue(row, p.m_newValue);
            if (sent.Has(p.m_address, p.m_key))
                list->ResetColours(row, false);
        }
}

// The box of a value refused before sending: the entry, why, and what did not happen.
void ShowRefusal(const std::string& name, const std::string& refusal, const char* outcome) {
    platform::MessageBox("条目 " + name + " " + refusal + "\n" + outcome, "错误", platform::Icon::Error);
}

} // namespace

// ---- CSetPage

CSetPage::CSetPage(CQuorvexApp& app, int mode, std::uint8_t board, std::uint16_t device,
                   const CTabSheetKey& table, QWidget* parent)
    : QWidget(parent), app_(app), mode_(mode), board_(board), device_(device), table_(table) {
    setObjectName(mode == 1 ? "CDbPage" : "CTabPage");
    auto* layout = new QVBoxLayout(this);
    list_ = new CDbListCtrl(this);
    list_->setObjectName("list");
    list_->m_mode = static_cast<std::uint8_t>(mode);
    list_->m_readOnly = mode == 2 && (table.tableKind == 3 || table.tableKind == 4 || table.tableKind == 6);
    SetValueColumns(list_, true);
    list_->m_addPending = [this](std::uint16_t a, std::uint16_t k, double n, double o) {
        AddPending(a, k, n, o);
    };
    list_->m_codecOf = [this](int row) {
        const std::uint16_t key = list_->RowKey(row);
        if (mode_ == 1) {
            for (const CDbEntry& e : app_.Data().m_entries)
                if (e.m_address == device_ && e.m_key == key)
                    return CValueCodec(e.m_dataType, e.m_dataSize, e.m_number);
            return CValueCodec(0, 0);
        }
        const std::uint16_t address = list_->RowAddress(row);
        CValueCodec codec(0, 0); // the last match, as the manual setting takes it
        for (const CTabEntry& e : app_.Data().m_tabEntries)
            if (e.SameTable(table_.board, table_.portType, table_.port, table_.table) &&
                e.m_address == address && e.m_key == key)
                codec = CValueCodec(e.m_dataType, e.m_dataSize, e.m_number);
        return codec;
    };
    list_->m_onEditLost = [this](const std::string& name) { TellEditLost(app_, name); };
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    connect(AddButton(this, row, "cancelSet", "取消置数"), &QPushButton::clicked, this,
            &CSetPage::CancelSettings);
    connect(AddButton(this, row, "manualSet", "人工置数"), &QPushButton::clicked, this, &CSetPage::ManualSet);
    connect(AddButton(this, row, "stopRefresh", "停止刷新"), &QPushButton::clicked, this,
            &CSetPage::StopRefresh);
    connect(AddButton(this, row, "startRefresh", "开始刷新"), &QPushButton::clicked, this,
            &CSetPage::StartRefresh);
    connect(AddButton(this, row, "restoreSet", "还原置数"), &QPushButton::clicked, this,
            &CSetPage::RestoreAll);
    connect(AddButton(this, row, "exit", "退  出"), &QPushButton::clicked, this, [this] {
        if (m_onExit)
            m_onExit();
    });
    layout->addLayout(row);
    Button("startRefresh")->setEnabled(false);
    Button("stopRefresh")->setEnabled(true);
}

QPushButton* CSetPage::Button(const char* name) const {
    return findChild<QPushButton*>(name);
}

std::uint16_t CSetPage::RowAddress(int row) const {
    return mode_ == 1 ? device_ : list_->RowAddress(row);
}

void CSetPage::AddRow(const CDbEntry& e) {
    const int row = list_->AppendRow();
    list_->SetText(row, 0, groups_.TitleOf(KeyGroup(e.m_key)));
    list_->SetText(row, 1, e.m_name);
    list_->SetText(row, 2, StrFormat("%u", unsigned(e.m_address)));
    list_->SetText(row, 3, StrFormat("%u", unsigned(KeyGroup(e.m_key))));
    list_->SetText(row, 4, StrFormat("%u", unsigned(KeyEntry(e.m_key))));
    list_->SetText(row, 5, e.m_value);
    if (e.m_manualSet)
        list_->SetText(row, 6, "√");
}

void CSetPage::AddTabRow(const CTabEntry& e, int index) {
    const int row = list_->AppendRow();
    list_->SetText(row, 0, table_.tableName + StrFormat(" %u", unsigned(table_.start + index)));
    list_->SetText(row, 1, e.m_name);
    list_->SetText(row, 2, StrFormat("%u", unsigned(e.m_address)));
    list_->SetText(row, 3, StrFormat("%u", unsigned(KeyGroup(e.m_key))));
    list_->SetText(row, 4, StrFormat("%u", unsigned(KeyEntry(e.m_key))));
    list_->SetText(row, 5, e.m_value);
    if (e.m_set)
        list_->SetText(row, 6, "√");
}

void CSetPage::Refill(const std::function<void()>& fill) {
    list_->Refill([&] {
        fill();
        ShowPendingRows(list_, pending_, sent_,
                        [this](const CPendingValue& p) { return RowsOf(p.m_address, p.m_key); });
        for (const CPendingValue& p : pending_.Items())
            if (refused_.Has(p.m_address, p.m_key))
                for (int row : RowsOf(p.m_address, p.m_key))
                    list_->SetText(row, 6, "×");
    });
}

std::vector<int> CSetPage::RowsOf(std::uint16_t address, std::uint16_t key) const {
    std::vector<int> rows;
    for (int r = 0; r < list_->rowCount(); ++r)
        if (list_->RowKey(r) == key && (mode_ == 1 || list_->RowAddress(r) == address))
            rows.push_back(r);
    return rows;
}

void CSetPage::ShowValue(std::uint16_t address, std::uint16_t key, const std::string& value) {
    if (pending_.Has(mode_ == 1 ? 0 : address, key))
        return;
    const auto rows = RowsOf(address, key);
    if (!rows.empty())
        list_->SetText(rows.front(), 5, value);
}

void CSetPage::AddPending(std::uint16_t address, std::uint16_t key, double newValue, double oldValue) {
    // A value typed again while its first one is awaited is a value to send.
    sent_.Remove(mode_ == 1 ? 0 : address, key);
    if (pending_.Add(mode_ == 1 ? 0 : address, key, newValue, oldValue) == CPendingList::kFull)
        ShowListFull();
}

void CSetPage::StartRefresh() {
    Refresh(true);
}

void CSetPage::StopRefresh() {
    Refresh(false);
}

void CSetPage::Refresh(bool on) {
    // The refresh has no wait of its own: a request that cannot go is told and the buttons stay.
    const auto deviceRequest = on ? requests::GeneralInterrogation : requests::StopInterrogation;
    const auto tableRequest = on ? requests::RefTableValues : requests::RefTableStop;
    const CDeviceMessage request =
        mode_ == 1 ? deviceRequest(static_cast<std::uint8_t>(board_ - 1), device_)
                   : tableRequest(static_cast<std::uint8_t>(table_.board - 1), table_.portType,
                                  static_cast<std::uint8_t>(table_.port - 1), table_.table, table_.start,
                                  table_.count);
    if (!app_.SendOrTell(request, on ? "开始刷新请求" : "停止刷新请求"))
        return;
    Button("startRefresh")->setEnabled(!on);
    Button("stopRefresh")->setEnabled(on);
}

void CSetPage::SetBusy(bool busy) {
    Button("manualSet")->setEnabled(!busy);
    Button("cancelSet")->setEnabled(!busy);
}

void CSetPage::StartWait() {
    CDeviceLink* link = app_.Link();
    if (!link)
        return;
    if (mode_ == 1) {
        link->SetManualSettingFlag(CDeviceLink::kDbSetting, true);
        link->SetManualWaitKey(device_);
    } else {
        link->SetManualSettingFlag(CDeviceLink::kTabSetting, true);
        link->SetTableWaitKey({table_.board, table_.portType, table_.port, table_.table});
    }
}

void CSetPage::EndExchange() {
    if (CDeviceLink* link = app_.Link()) {
        if (mode_ == 1) {
            link->SetManualSettingFlag(CDeviceLink::kDbSetting, false);
            link->SetManualWaitKey(0);
        } else {
            link->SetManualSettingFlag(CDeviceLink::kTabSetting, false);
        }
    }
    SetBusy(false);
}

void CSetPage::ManualSet() {
    // The login dialog may outlive the page.
    const QPointer<CSetPage> self(this);
    if (!app_.CheckRights(PRIV_CONTROL) || !self)
        return;
    // What is typed in an open editor is part of what is sent; a refused text stops the command.
    if (!list_->CommitEdit() || !self)
        return;
    if (pending_.IsEmpty()) {
        platform::MessageBox("当前无置数", "信息", platform::Icon::Information);
        return;
    }
    std::vector<requests::SetItem> items;
    for (CPendingValue& p : pending_.Items()) {
        const std::string* name = nullptr;
        const std::uint16_t address = mode_ == 1 ? device_ : p.m_address;
        if (mode_ == 1) {
            for (const CDbEntry& e : app_.Data().m_entries)
                if (e.m_address == address && e.m_key == p.m_key) {
                    p.m_dataType = e.m_dataType;
                    p.m_dataSize = e.m_dataSize;
                    p.m_number = e.m_number;
                    name = &e.m_name;
                    break;
                }
        } else {
            for (const CTabEntry& e : app_.Data().m_tabEntries)
                if (e.SameTable(table_.board, table_.portType, table_.port, table_.table) &&
                    e.m_address == address && e.m_key == p.m_key) {
                    p.m_dataType = e.m_dataType;
                    p.m_dataSize = e.m_dataSize;
                    p.m_number = e.m_number;
                    name = &e.m_name;
                }
        }
        if (!name)
            continue;
        const requests::SetItem item{address, p.m_key, p.m_dataType, p.m_dataSize, p.m_number, p.m_newValue};
        // A value its field cannot hold would reach the device as another number: nothing is sent.
        const std::string refusal = requests::ManualSetRefusal(item);
        if (!refusal.empty()) {
            ShowRefusal(*name, refusal, "人工置数失败!");
            return;
        }
        items.push_back(item);
    }
    if (items.empty())
        return;
    const std::uint8_t board = static_cast<std::uint8_t>((mode_ == 1 ? board_ : table_.board) - 1);
    app_.Send(requests::ManualSet(board, items));
    sentCount_ = static_cast<int>(items.size());
    sent_.MarkAll(pending_);
    list_->ResetColours(0, true);
    StartWait();
    app_.StartTimer(mode_ == 1 ? kTimerDbSet : kTimerTabSet, 5000);
    SetBusy(true);
}

void CSetPage::ApplySetResults(const std::vector<SetResult>& results) {
    for (const SetResult& r : results) {
        const std::uint16_t address = mode_ == 1 ? device_ : r.address;
        if (!pending_.Has(mode_ == 1 ? 0 : address, r.key))
            continue;
        sent_.Remove(mode_ == 1 ? 0 : address, r.key);
        if (r.result == 1) {
            refused_.Remove(mode_ == 1 ? 0 : address, r.key);
            pending_.Remove(mode_ == 1 ? 0 : address, r.key);
            app_.MarkEntry(address, r.key, true);
        } else {
            MarkRefused(mode_ == 1 ? 0 : address, r.key);
        }
    }
    EndExchange();
}

void CSetPage::MarkRefused(std::uint16_t address, std::uint16_t key) {
    refused_.Add(address, key);
    for (int row : RowsOf(address, key)) {
        list_->SetRowColour(row, CValueGrid::kChanged);
        list_->SetText(row, 6, "×");
    }
}

void CSetPage::FailPending() {
    sent_.Clear();
    for (const CPendingValue& p : pending_.Items())
        MarkRefused(p.m_address, p.m_key);
    EndExchange();
}

void CSetPage::CancelEntry(int row) {
    if (row < 0 || row >= list_->rowCount())
        return;
    const std::uint8_t board = static_cast<std::uint8_t>((mode_ == 1 ? board_ : table_.board) - 1);
    app_.Send(requests::CancelEntry(board, RowAddress(row), list_->RowKey(row)));
    StartWait();
    app_.StartTimer(mode_ == 1 ? kTimerDbCancel : kTimerTabCancel, 5000);
    SetBusy(true);
}

void CSetPage::ApplyCancelResults(const std::vector<SetResult>& results) {
    for (const SetResult& r : results)
        if (r.result == 1)
            app_.MarkEntry(mode_ == 1 ? device_ : r.address, r.key, false);
    EndExchange();
}

void CSetPage::CancelSettings() {
    // The typed value stays, as a value waiting to be set, beside the cancel.
    if (!list_->CommitEdit())
        return;
    if (mode_ == 1) {
        app_.Send(requests::CancelDevice(device_));
        app_.StartTimer(kTimerDbCancel, 5000);
    } else {
        app_.Send(requests::CancelTable(static_cast<std::uint8_t>(table_.board - 1), table_.portType,
                                        static_cast<std::uint8_t>(table_.port - 1), table_.table));
        app_.StartTimer(kTimerTabCancel, 5000);
    }
    StartWait();
    SetBusy(true);
}

void CSetPage::ApplyCancelAll(std::uint8_t result) {
    if (result == 1) {
        std::vector<std::pair<std::uint16_t, std::uint16_t>> marked;
        if (mode_ == 1) {
            for (const CDbEntry& e : app_.Data().m_entries)
                if (e.m_address == device_ && e.m_manualSet)
                    marked.emplace_back(e.m_address, e.m_key);
        } else {
            for (const CTabEntry& e : app_.Data().m_tabEntries)
                if (e.SameTable(table_.board, table_.portType, table_.port, table_.table) && e.m_set)
                    marked.emplace_back(e.m_address, e.m_key);
        }
        for (const auto& [address, key] : marked)
            app_.MarkEntry(address, key, false);
    }
    EndExchange();
}

void CSetPage::MarkRow(std::uint16_t address, std::uint16_t key, bool set) {
    for (int row : RowsOf(address, key))
        list_->SetText(row, 6, set ? "√" : "");
}

void CSetPage::RestoreEntry(int row) {
    if (row < 0 || row >= list_->rowCount())
        return;
    const std::uint16_t address = mode_ == 1 ? 0 : list_->RowAddress(row);
    const CPendingValue* p = pending_.Find(address, list_->RowKey(row));
    if (!p)
        return;
    const std::string type = list_->Text(row, 0);
    list_->SetText(row, 5,
                   platform::StartsWith(type, "遥信") ? DoublePointFromNumber(p->m_oldText) : p->m_oldText);
    if (list_->Text(row, 6) == "×")
        list_->SetText(row, 6, "");
    list_->ResetColours(row, false);
    sent_.Remove(address, list_->RowKey(row));
    refused_.Remove(address, list_->RowKey(row));
    pending_.Remove(address, list_->RowKey(row));
}

void CSetPage::RestoreAll() {
    // 还原 takes back every value typed, the open editor's too: the rows show the old values.
    list_->CancelEdit();
    for (int row = 0; row < list_->rowCount(); ++row)
        RestoreEntry(row);
    pending_.Clear();
    sent_.Clear();
    refused_.Clear();
    list_->ResetColours(0, true);
}

QMenu* CSetPage::CreateContextMenu(int row) {
    if (row < 0 || row >= list_->rowCount())
        return nullptr;
    if (mode_ == 1) {
        const std::string type = list_->Text(row, 0);
        if (platform::StartsWith(type, "遥控") || platform::StartsWith(type, "遥调"))
            return nullptr;
    } else if (list_->m_readOnly) {
        return nullptr;
    }
    const std::uint16_t address = RowAddress(row);
    const std::uint16_t key = list_->RowKey(row);
    bool set = false;
    if (mode_ == 1) {
        for (const CDbEntry& e : app_.Data().m_entries)
            if (e.m_address == address && e.m_key == key && e.m_manualSet)
                set = true;
    } else {
        for (const CTabEntry& e : app_.Data().m_tabEntries)
            if (e.SameTable(table_.board, table_.portType, table_.port, table_.table) &&
                e.m_address == address && e.m_key == key && e.m_set)
                set = true;
    }
    auto* menu = new QMenu(this);
    // The rows may be filled again while the menu is open: an action finds its entry's row again.
    const std::uint16_t shownAddress = list_->RowAddress(row);
    QAction* cancel = menu->addAction(
        "取消人工置数", [this, shownAddress, key] { CancelEntry(list_->FindRow(shownAddress, key)); });
    cancel->setEnabled(set);
    QAction* restore = menu->addAction(
        "还原本条目", [this, shownAddress, key] { RestoreEntry(list_->FindRow(shownAddress, key)); });
    restore->setEnabled(pending_.Has(mode_ == 1 ? 0 : address, key));
    return menu;
}

void CSetPage::contextMenuEvent(QContextMenuEvent* e) {
    const QPoint at = list_->viewport()->mapFrom(this, e->pos());
    const QModelIndex index = list_->indexAt(at);
    if (!index.isValid()) {
        e->ignore();
        return;
    }
    ShowContextMenu(CreateContextMenu(index.row()), e->globalPos());
}

std::string CSetPage::GetExportText() const {
    return RowsExportText(list_);
}

// ---- CValPage

CValPage::CValPage(CQuorvexApp& app, std::uint8_t board, std::uint16_t device, QWidget* parent)
    : QWidget(parent), app_(app), board_(board), device_(device) {
    setObjectName("CValPage");
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    combo_ = new QComboBox(this);
    combo_->setObjectName("groups");
    combo_->addItem(kNoGroup);
    top->addWidget(combo_, 1);
    connect(AddButton(this, top, "call", "召 唤"), &QPushButton::clicked, this, &CValPage::Call);
    layout->addLayout(top);
    list_ = new CValListCtrl(this);
    list_->setObjectName("list");
    SetValueColumns(list_, false);
    list_->m_addPending = [this](std::uint16_t, std::uint16_t k, double n, double o) { AddPending(k, n, o); };
    list_->m_codecOf = [this](int row) {
        const std::uint16_t key = list_->RowKey(row);
        for (const CDbEntry& e : app_.Data().m_entries)
            if (e.m_address == device_ && e.m_key == key)
                return CValueCodec(e.m_dataType, e.m_dataSize, e.m_number);
        return CValueCodec(0, 0);
    };
    list_->m_onEditLost = [this](const std::string& name) { TellEditLost(app_, name); };
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    connect(AddButton(this, row, "download", "下 装"), &QPushButton::clicked, this, &CValPage::Download);
    connect(AddButton(this, row, "restore", "还 原"), &QPushButton::clicked, this, &CValPage::RestoreAll);
    connect(AddButton(this, row, "exit", "退 出"), &QPushButton::clicked, this, [this] {
        if (m_onExit)
            m_onExit();
    });
    layout->addLayout(row);
    Button("call")->setEnabled(false);
    connect(combo_, &QComboBox::currentIndexChanged, this, &CValPage::SelectGroup);
}

QPushButton* CValPage::Button(const char* name) const {
    return findChild<QPushButton*>(name);
}

void CValPage::AddGroup(std::uint8_t group, const std::string& title) {
    groups_.Add(group, title);
    if (combo_->findText(Qs(title)) < 0)
        combo_->addItem(Qs(title));
}

void CValPage::AddRow(const CDbEntry& e) {
    const int row = list_->AppendRow();
    list_->SetText(row, 0, groups_.TitleOf(KeyGroup(e.m_key)));
    list_->SetText(row, 1, e.m_name);
    list_->SetText(row, 2, StrFormat("%u", unsigned(e.m_address)));
    list_->SetText(row, 3, StrFormat("%u", unsigned(KeyGroup(e.m_key))));
    list_->SetText(row, 4, StrFormat("%u", unsigned(KeyEntry(e.m_key))));
    list_->SetText(row, 5, e.m_value);
}

void CValPage::Refill(const std::function<void()>& fill) {
    list_->Refill([&] {
        fill();
        ShowPendingRows(list_, pending_, sent_, [this](const CPendingValue& p) {
            std::vector<int> rows;
            for (int row = 0; row < list_->rowCount(); ++row)
                if (list_->RowKey(row) == p.m_key)
                    rows.push_back(row);
            return rows;
        });
    });
}

void CValPage::ShowValue(const CDbEntry& e) {
    // A value typed and not yet downloaded stays on its row: the row shows what 下装 writes.
    if (pending_.Has(0, e.m_key))
        return;
    for (int row = 0; row < list_->rowCount(); ++row) {
        if (list_->Text(row, 3).empty() || list_->Text(row, 4).empty() || list_->RowKey(row) != e.m_key)
            continue;
        list_->SetText(row, 5, TrimNumber(e.m_value));
        list_->ResetColours(row, false);
    }
}

void CValPage::AddPending(std::uint16_t key, double newValue, double oldValue) {
    sent_.Remove(0, key);
    if (pending_.Add(0, key, newValue, oldValue) == CPendingList::kFull)
        ShowListFull();
}

void CValPage::SelectGroup(int index) {
    if (index <= 0) {
        Button("call")->setEnabled(false);
        return;
    }
    selectedTitle_ = Ss(combo_->itemText(index));
    Button("call")->setEnabled(true);
}

bool CValPage::CallGroup(std::uint8_t group) {
    // The page reads with the board as the unit counts it, like the sheet's own requests. The read
    // has no wait of its own: one that cannot go is told.
    if (!app_.SendOrTell(requests::GroupRead(static_cast<std::uint8_t>(board_ - 1), device_, group, 1),
                         "召唤请求"))
        return false;
    if (CDeviceLink* link = app_.Link())
        link->SetGroupReadState(device_, CDeviceLink::kReadValues);
    return true;
}

void CValPage::Call() {
    for (const auto& [group, title] : groups_.Slots())
        if (title == selectedTitle_ && !CallGroup(group))
            return;
}

void CValPage::Download() {
    const QPointer<CValPage> self(this);
    if (!app_.CheckRights(PRIV_SETTINGS) || !self)
        return;
    // What is typed in an open editor is written too; a refused text stops the download.
    if (!list_->CommitEdit() || !self)
        return;
    if (pending_.IsEmpty()) {
        platform::MessageBox("当前无准备下装的定值", "信息", platform::Icon::Information);
        return;
    }
    std::vector<requests::SetItem> items;
    for (CPendingValue& p : pending_.Items()) {
        for (const CDbEntry& e : app_.Data().m_entries)
            if (e.m_address == device_ && e.m_key == p.m_key) {
                p.m_dataType = e.m_dataType;
                p.m_dataSize = e.m_dataSize;
                p.m_number = e.m_number;
                const requests::SetItem item{device_,      p.m_key,    p.m_dataType,
                                             p.m_dataSize, p.m_number, p.m_newValue};
                // A value the encoding would change is refused rather than sent altered.
                const std::string refusal = requests::SettingRefusal(item);
                if (!refusal.empty()) {
                    ShowRefusal(e.m_name, refusal, "定值未下装!");
                    return;
                }
                p.m_sentValue = requests::SentSettingValue(item);
                items.push_back(item);
                break;
            }
    }
    if (items.empty())
        return;
    app_.Send(requests::SettingsWrite(static_cast<std::uint8_t>(board_ - 1), device_, items));
    if (CDeviceLink* link = app_.Link())
        link->SetSettingsWaitKey(device_);
    app_.StartTimer(kTimerSettings, 10000);
    sent_.MarkAll(pending_);
    list_->ResetColours(0, true);
    Button("download")->setEnabled(false);
    Button("restore")->setEnabled(false);
}

bool CValPage::CompareEcho(const std::vector<EchoItem>& echo) const {
    if (echo.empty())
        return true;
    std::size_t matches = 0;
    for (const EchoItem& e : echo) {
        bool any = false;
        for (const CPendingValue& p : pending_.Items()) {
            if (p.m_key != e.key)
                continue;
            any = true;
            if (p.m_dataType != e.dataType || p.m_dataSize != e.dataSize || p.m_number != e.number ||
                p.m_sentValue != e.value)
                return false;
            ++matches;
        }
        if (!any)
            return false;
    }
    return matches == echo.size();
}

void CValPage::DownloadSucceeded() {
    pending_.Clear();
    sent_.Clear();
    if (CDeviceLink* link = app_.Link())
        link->SetSettingsWaitKey(0);
    Button("download")->setEnabled(true);
    Button("restore")->setEnabled(true);
    // The page is done before the box, which comes once the unit's frame has been handled.
    app_.Later([] { platform::MessageBox("定值下装成功!", "信息", platform::Icon::Information); });
}

void CValPage::PutBackOldTexts() {
    for (const CPendingValue& p : pending_.Items())
        for (int row = 0; row < list_->rowCount(); ++row)
            if (list_->RowKey(row) == p.m_key)
                list_->SetText(row, 5, p.m_oldText);
    pending_.Clear();
    sent_.Clear();
}

void CValPage::DownloadFailed() {
    PutBackOldTexts();
    if (CDeviceLink* link = app_.Link())
        link->SetSettingsWaitKey(0);
    Button("download")->setEnabled(true);
    Button("restore")->setEnabled(true);
}

void CValPage::RestoreEntry(int row) {
    if (row < 0 || row >= list_->rowCount())
        return;
    const CPendingValue* p = pending_.Find(0, list_->RowKey(row));
    if (!p)
        return;
    list_->SetText(row, 5, p->m_oldText);
    list_->ResetColours(row, false);
    sent_.Remove(0, list_->RowKey(row));
    pending_.Remove(0, list_->RowKey(row));
}

void CValPage::RestoreAll() {
    // As on the value page: the open editor's text is taken back with the typed values.
    list_->CancelEdit();
    PutBackOldTexts();
    list_->ResetColours(0, true);
}

QMenu* CValPage::CreateContextMenu(int row) {
    if (row < 0 || row >= list_->rowCount())
        return nullptr;
    // The open editor's text is taken before the menu; its boxes may come up meanwhile, during
    // which the rows may be filled again: the row is found again by its entry.
    const std::uint16_t shownKey = list_->RowKey(row);
    const std::uint16_t shownAddress = list_->RowAddress(row);
    const QPointer<CValPage> self(this);
    if (!list_->CommitEdit() || !self)
        return nullptr;
    row = list_->FindRow(shownAddress, shownKey);
    if (row < 0 || row >= list_->rowCount() || list_->Text(row, 3).empty() || list_->Text(row, 4).empty())
        return nullptr;
    auto* menu = new QMenu(this);
    const std::uint16_t key = list_->RowKey(row);
    const std::uint16_t address = list_->RowAddress(row);
    menu->addAction("召唤本组实际值", [this, key] { CallGroup(KeyGroup(key)); });
    QAction* restore =
        menu->addAction("还原本条目", [this, address, key] { RestoreEntry(list_->FindRow(address, key)); });
    restore->setEnabled(pending_.Has(0, list_->RowKey(row)));
    return menu;
}

void CValPage::contextMenuEvent(QContextMenuEvent* e) {
    const QModelIndex index = list_->indexAt(list_->viewport()->mapFrom(this, e->pos()));
    if (index.isValid())
        ShowContextMenu(CreateContextMenu(index.row()), e->globalPos());
}

std::string CValPage::GetExportText() const {
    return RowsExportText(list_);
}

// ---- CEvtPage

CEvtPage::CEvtPage(int sheetKind, QWidget* parent)
    : QWidget(parent), sheetKind_(sheetKind), list_(new QTableWidget(this)), rows_(list_, new QLabel(this)) {
    setObjectName("CEvtPage");
    auto* layout = new QVBoxLayout(this);
    list_->setObjectName("list");
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->verticalHeader()->hide();
    layout->addWidget(rows_.DroppedLine());
    const int w = 900;
    SetColumns(list_, {{"类型", w / 8},
                       {"地址", w / 8},
                       {"组号", w / 8},
                       {"条目号", w / 8},
                       {"动作", w / 8},
                       {"时间", w / 4 * 3 / 2}});
    layout->addWidget(list_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    connect(AddButton(this, row, "exit", "退出"), &QPushButton::clicked, this, [this] {
        if (m_onExit)
            m_onExit();
    });
    layout->addLayout(row);
}

void CEvtPage::AddEvent(const CEventRecord& ev) {
    rows_.Append({ev.m_name, StrFormat("%u", unsigned(ev.m_address)), StrFormat("%u", unsigned(ev.m_group)),
                  StrFormat("%u", unsigned(ev.m_entry)), ev.m_action, ev.m_time});
}

QMenu* CEvtPage::CreateContextMenu() {
    auto* menu = new QMenu(this);
    menu->addAction("清除", [this] { rows_.Clear(); });
    return menu;
}

void CEvtPage::contextMenuEvent(QContextMenuEvent* e) {
    ShowContextMenu(CreateContextMenu(), e->globalPos());
}

} // namespace quorvex
