#include "debugger/views/SheetPages.h"

#include "debugger/views/ContextMenu.h"
#include "debugger/views/ListCtrls.h"
#include "debugger/views/PageParts.h"
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
using namespace pageparts;

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
    const int row = AppendEntryRow(list_, groups_, e);
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
    if (!ReadyToSend(this, app_, PRIV_CONTROL, list_, pending_, "当前无置数"))
        return;
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

} // namespace quorvex
