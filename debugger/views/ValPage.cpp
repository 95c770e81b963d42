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
    AppendEntryRow(list_, groups_, e);
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
    if (!ReadyToSend(this, app_, PRIV_SETTINGS, list_, pending_, "当前无准备下装的定值"))
        return;
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

} // namespace quorvex
