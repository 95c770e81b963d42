#include "monitor/app/ValueForms.h"

#include "monitor/app/CommandIds.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/TransferProgressDlg.h"
#include "monitor/core/DevModel.h"
#include "monitor/coreui/TelecontrolDlg.h"
#include "monitor/model/MonitorTexts.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace marindle {

namespace {
const QColor kPendingColour(190, 0, 0);
} // namespace

// ---- in-place editors ----

QWidget* CInPlaceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const {
    if (isSwitch && isSwitch(index.row())) {
        auto* combo = new QComboBox(parent);
        combo->setObjectName("inPlaceList");
        combo->addItem(Qs("分"));
        combo->addItem(Qs("合"));
        return combo;
    }
    auto* edit = new QLineEdit(parent);
    edit->setObjectName("inPlaceEdit");
    return edit;
}

void CInPlaceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString text = index.data().toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const int i = combo->findText(text);
        combo->setCurrentIndex(i >= 0 ? i : 0);
    } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        edit->setText(text);
        edit->selectAll();
    }
}

void CInPlaceDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
    QString text;
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        text = combo->currentText();
    else if (auto* edit = qobject_cast<QLineEdit*>(editor))
        text = edit->text();
    if (onCommit)
        onCommit(index.row(), Ss(text));
}

// ---- shared value list ----

CValueForm::CValueForm(CMarindleApp& app, int kind, const WindowKey& key, int valueColumn)
    : CMonitorForm(app, kind, key), valueColumn_(valueColumn) {
    list_ = new QTableWidget(this);
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    delegate_ = new CInPlaceDelegate(list_);
    list_->setItemDelegateForColumn(valueColumn_, delegate_);
    delegate_->isSwitch = [this](int row) {
        const CEntryRecord* e = EntryOf(row);
        return e && IsSwitchType(e->dataType);
    };
    delegate_->onCommit = [this](int row, const std::string& text) { CommitEdit(row, text); };
    list_->installEventFilter(this);
    connect(list_, &QTableWidget::cellClicked, this, [this](int row, int column) { BeginEdit(row, column); });
}

void CValueForm::SetColumns(const std::vector<const char*>& titles, const std::vector<int>& widths) {
    list_->setColumnCount(static_cast<int>(titles.size()));
    for (int c = 0; c < static_cast<int>(titles.size()); ++c) {
        list_->setHorizontalHeaderItem(c, new QTableWidgetItem(Qs(titles[c])));
        list_->setColumnWidth(c, widths[c]);
    }
}

void CValueForm::FillRows() {
    rowIndex_.clear();
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        rowIndex_.emplace(static_cast<std::uint32_t>(rows_[r].device) << 16 | rows_[r].entryKey, r);
    list_->setRowCount(0);
    list_->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        for (int c = 0; c < list_->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(
                c < static_cast<int>(rows_[r].cells.size()) ? Qs(rows_[r].cells[c]) : QString());
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            list_->setItem(r, c, item);
        }
}

CEntryRecord* CValueForm::EntryOf(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    const CDeviceRecord* d = app_.model.FindDevice(rows_[row].device);
    return d ? d->FindEntry(rows_[row].entryKey) : nullptr;
}

int CValueForm::RowOf(std::uint16_t device, std::uint16_t key) const {
    auto it = rowIndex_.find(static_cast<std::uint32_t>(device) << 16 | key);
    return it == rowIndex_.end() ? -1 : it->second;
}

bool CValueForm::BeginEdit(int row, int column) {
    if (column != valueColumn_ || row < 0 || row >= list_->rowCount())
        return false;
    QTableWidgetItem* item = list_->item(row, column);
    if (!item || item->text().isEmpty() || !RowEditable(row) || !EntryOf(row))
        return false;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    list_->editItem(item);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return true;
}

void CValueForm::CommitEdit(int row, const std::string& text) {
    QTableWidgetItem* item = list_->item(row, valueColumn_);
    CEntryRecord* e = EntryOf(row);
    if (!item || !e || Ss(item->text()) == text)
        return;
    item->setText(Qs(text));
    e->actualValue = text;
    e->editFlag = 1;
    pending_.Add(row);
    ColourRow(row, true);
}

void CValueForm::ColourRow(int row, bool pending) {
    for (int c = 0; c < list_->columnCount(); ++c)
        if (QTableWidgetItem* item = list_->item(row, c))
            item->setForeground(pending ? QBrush(kPendingColour) : list_->palette().windowText());
}

void CValueForm::WithdrawSelected() {
    const int row = list_->currentRow();
    if (row < 0 || !pending_.Remove(row))
        return;
    if (CEntryRecord* e = EntryOf(row))
        e->editFlag = 0;
    ColourRow(row, false);
}

void CValueForm::ClearPending() {
    for (int row : pending_.Rows()) {
        if (CEntryRecord* e = EntryOf(row))
            e->editFlag = 0;
        ColourRow(row, false);
    }
    pending_.Clear();
}

bool CValueForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        WithdrawSelected();
        return true;
    }
    return CMonitorForm::eventFilter(watched, event);
}

bool CValueForm::PendingValuesFit() {
    for (int row : pending_.Sorted()) {
        const CEntryRecord* e = EntryOf(row);
        if (e && !GenericValueFits(e->actualValue, e->dataType, e->dataSize, e->number,
                                   e->precision2.empty() ? 3 : platform::AtoI(e->precision2))) {
            // Nothing goes: the row is shown to the user, who corrects or withdraws it.
            list_->setCurrentCell(row, valueColumn_);
            platform::MessageBox(text::kValueOutOfRange);
            return false;
        }
    }
    return true;
}

void CValueForm::SendManualSet() {
    if (pending_.Empty())
        return;
    if (pending_.Size() > kMaxValuesPerRequest) {
        platform::MessageBox("输入数目过大。");
        return;
    }
    if (!PendingValuesFit())
        return;
    std::vector<ManualValue> values;
    for (int row : pending_.Sorted()) {
        const CEntryRecord* e = EntryOf(row);
        if (!e)
            continue;
        values.push_back({rows_[row].device, rows_[row].entryKey, Gdd{e->dataType, e->dataSize, e->number},
                          e->actualValue});
    }
    if (!values.empty())
        app_.link.SendRequest(CManualSetMsg(values));
}

void CValueForm::SendManualCancel() {
    std::vector<EntryRef> entries;
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        if (const CEntryRecord* e = EntryOf(r); e && e->manualSet)
            entries.push_back({rows_[r].device, rows_[r].entryKey});
    if (!entries.empty())
        app_.link.SendRequest(CManualCancelMsg(entries));
}

void CValueForm::ManualReply(int code, const std::vector<EntryRef>& entries) {
    if (markColumn_ < 0)
        return;
    auto mark = [this](int row, const char* text) {
        if (QTableWidgetItem* item = list_->item(row, markColumn_))
            item->setText(Qs(text));
    };
    if (code == 22) {
        for (int r = 0; r < list_->rowCount(); ++r)
            mark(r, "");
        return;
    }
    for (const EntryRef& ref : entries) {
        const int row = RowOf(ref.device, ref.entryKey);
        if (row < 0)
            continue;
        if (code == 20) {
            if (pending_.Remove(row))
                ColourRow(row, false);
            mark(row, "√");
        } else {
            mark(row, "");
        }
    }
}

// ---- settings ----

CProtForm::CProtForm(CMarindleApp& app, std::uint16_t deviceKey)
    : CValueForm(app, kProtWindow, {0, 1, deviceKey}, 4) {
    setObjectName("CProtForm");
    list_->setObjectName("list1004");
    QLabel* caption = MakeCaption();
    auto* download = new QPushButton(Qs("下 装"), this);
    download->setObjectName("button1043");
    auto* read = new QPushButton(Qs("上 装"), this);
    read->setObjectName("button1048");
    auto* top = new QHBoxLayout;
    top->addWidget(caption, 1);
    top->addWidget(read);
    top->addWidget(download);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_);
    timer5_ = new QTimer(this);
    connect(timer5_, &QTimer::timeout, this, [this] { OnTimeout(); });
    connect(read, &QPushButton::clicked, this, [this] { ReadGroup(); });
    connect(download, &QPushButton::clicked, this, [this] { Download(); });
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { BuildContextMenu()->exec(list_->viewport()->mapToGlobal(p)); });
}

CProtForm::~CProtForm() {
    ClearPending();
}

void CProtForm::Initialise(const std::string& title) {
    CValueForm::Initialise(title);
    findChild<QLabel*>("static1024")->setText(Qs(title));
    SetColumns({"组标题", "描述", "组号", "条目号", "实际值", "量纲", "量程"},
               {150, 250, 50, 50, 100, 50, 200});
    if (const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key))
        rows_ = BuildSettingsRows(*d);
    FillRows();
}

std::unique_ptr<QMenu> CProtForm::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>(Qs("定值"));
    QAction* a = menu->addAction(Qs("上装"));
    a->setData(kCmdReadSettings);
    connect(a, &QAction::triggered, this, [this] { ReadGroup(); });
    return menu;
}

bool CProtForm::RowEditable(int row) const {
    const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
    const CGroupRecord* g = d ? d->FindGroup(KeyGroup(rows_[row].entryKey)) : nullptr;
    return g && SettingsGroupEditable(g->title);
}

void CProtForm::GroupValuesArrived(std::uint8_t group) {
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        if (KeyGroup(rows_[r].entryKey) == group)
            if (const CEntryRecord* e = EntryOf(r))
                list_->item(r, 4)->setText(Qs(e->actualValue));
}

void CProtForm::ReadGroup() {
    if (!app_.model.FindDeviceByKey(Key().key))
        return;
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(rows_.size()) || list_->selectedItems().isEmpty()) {
        platform::MessageBox("请先选择所需召唤的组。");
        return;
    }
    CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
    app_.link.RequestGroupValues(*d, KeyGroup(rows_[row].entryKey));
}

int CProtForm::SendStep(std::uint8_t inf) {
    CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
    if (!d)
        return 0;
    std::vector<WriteItem> items;
    for (int row : pending_.Sorted())
        if (const CEntryRecord* e = EntryOf(row))
            items.push_back({e->key, Gdd{e->dataType, e->dataSize, e->number}, e->actualValue});
    return app_.link.SendSettingsWrite(*d, inf, items);
}

std::string CProtForm::CommandInFlight() const {
    return state_ == 1 ? "定值下装(校核)" : state_ == 2 ? "定值下装(执行)" : "";
}

void CProtForm::Download() {
    if (!app_.model.FindDeviceByKey(Key().key) || pending_.Empty())
        return;
    if (pending_.Size() > kMaxValuesPerRequest) {
        platform::MessageBox("输入数目过大。");
        return;
    }
    if (!PendingValuesFit())
        return;
    // The login dialog runs an event loop; a reconnect meanwhile closes this window, and the
    // download confirmed in it is then not sent.
    const QPointer<CProtForm> self(this);
    CMarindleApp& app = app_;
    if (!app.CheckRight(8))
        return;
    if (!self || !SendStep(249)) {
        TellNotSent(app, "定值下装");
        return;
    }
    state_ = 1;
    timer5_->start(kWaitMs);
    progress_ = std::make_unique<CTransferProgressDlg>("正在下装，请稍候……", this);
    progress_->SetPos(0);
    progress_->show();
}

bool CProtForm::Waiting() const {
    return timer5_->isActive();
}

void CProtForm::Finish(const std::string& message) {
    // The wait ends before the result is shown: a box left open must not be followed by the
    // time-out of the same download, and the box must not find this window gone when it closes.
    timer5_->stop();
    state_ = 0;
    ClearPending();
    progress_.reset();
    app_.MessageLater(message);
}

void CProtForm::WriteAck(int step, int result) {
    // An acknowledgement that no download of this window waits for changes nothing.
    if (state_ == 0)
        return;
    if (step == 1 && result && state_ == 1) {
        if (!SendStep(250)) {
            Finish(text::CommandNotSent("定值下装(执行)"));
            return;
        }
        state_ = 2;
        if (progress_)
            progress_->SetPos(50);
        return;
    }
    if (step == 0 && result) {
        if (progress_)
            progress_->SetPos(100);
        Finish("下装成功。");
        return;
    }
    if (!result)
        Finish("装置否认应答，下装失败。");
}

void CProtForm::OnTimeout() {
    ClearPending();
    progress_.reset();
    timer5_->stop();
    state_ = 0;
    app_.MessageLater("等待装置应答超时，停止下装。");
}

// ---- indications and telecontrol ----

CYaoForm::CYaoForm(CMarindleApp& app, std::uint16_t deviceKey)
    : CValueForm(app, kYaoWindow, {0, 1, deviceKey}, 4) {
    setObjectName("CYaoForm");
    list_->setObjectName("list1003");
    markColumn_ = 5;
    QLabel* caption = MakeCaption();
    auto* cancel = new QPushButton(Qs("取消置数"), this);
    cancel->setObjectName("button1047");
    auto* set = new QPushButton(Qs("人工置数"), this);
    set->setObjectName("button1044");
    auto* top = new QHBoxLayout;
    top->addWidget(caption, 1);
    top->addWidget(set);
    top->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_);
    timer9_ = new QTimer(this);
    connect(timer9_, &QTimer::timeout, this, [this] { OnTick(); });
    connect(set, &QPushButton::clicked, this, [this] { ManualSet(); });
    connect(cancel, &QPushButton::clicked, this, [this] { ManualCancel(); });
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        const QModelIndex index = list_->indexAt(p);
        if (!index.isValid())
            return;
        list_->selectRow(index.row());
        if (auto menu = BuildContextMenu(index.row()))
            menu->exec(list_->viewport()->mapToGlobal(p));
    });
}

CYaoForm::~CYaoForm() {
    ClearPending();
    if (CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key))
        app_.link.RequestGeneralRead(*d, 10);
}

void CYaoForm::Initialise(const std::string& title) {
    CValueForm::Initialise(title);
    findChild<QLabel*>("static1024")->setText(Qs(title));
    SetColumns({"组标题", "描述", "组号", "条目号", "实际值", "置数"}, {150, 250, 50, 50, 100, 50});
    CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
    if (!d)
        return;
    rows_ = BuildIndicationRows(*d);
    FillRows();
    app_.link.RequestGeneralRead(*d, 9);
}

bool CYaoForm::RowEditable(int row) const {
    return IndicationGroupEditable(rows_[row].groupTitle);
}

void CYaoForm::GroupValuesArrived() {
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        if (const CEntryRecord* e = EntryOf(r))
            list_->item(r, 4)->setText(Qs(e->actualValue));
}

void CYaoForm::OneValueArrived(std::uint16_t entryKey, const std::string& text) {
    const CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
    const int row = d ? RowOf(d->address, entryKey) : -1;
    if (row >= 0)
        list_->item(row, 4)->setText(Qs(text));
}

std::unique_ptr<QMenu> CYaoForm::BuildContextMenu(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) ||
        rows_[row].groupTitle.find("遥控") == std::string::npos || !app_.cfg.TelecontrolPermitted())
        return nullptr;
    auto menu = std::make_unique<QMenu>(Qs("遥控"));
    QAction* a = menu->addAction(Qs("遥控"));
    a->setData(kCmdTelecontrol);
    connect(a, &QAction::triggered, this, [this] { Telecontrol(); });
    return menu;
}

namespace {
const char* TelecontrolName(int action) {
    static const char* const names[3] = {"遥控选择", "遥控执行", "遥控撤销"};
    return names[action >= 0 && action <= 2 ? action : 0];
}
} // namespace

std::string CYaoForm::CommandInFlight() const {
    return Waiting() ? TelecontrolName(action_) : "";
}

void CYaoForm::Telecontrol() {
    const int row = list_->currentRow();
    CDeviceRecord* d = app_.model.FindDeviceByKey(Key().key);
    const CEntryRecord* e = EntryOf(row);
    if (!d || !e)
        return;
    // The dialogs belong to the main window and the device and entry are looked up again after them:
    // a reconnect while one is open closes this window and empties the model, and a command
    // confirmed meanwhile is not sent.
    const QPointer<CYaoForm> self(this);
    CMarindleApp& app = app_;
    const std::uint16_t entryKey = e->key;
    CTelecontrolDlg dlg(window());
    if (dlg.DoModal() != QDialog::Accepted)
        return;
    const char* command = TelecontrolName(dlg.m_command);
    if (!self) {
        TellNotSent(app, command);
        return;
    }
    if (!app.CheckRight(16))
        return;
    d = self ? app.model.FindDeviceByKey(Key().key) : nullptr;
    e = d ? d->FindEntry(entryKey) : nullptr;
    if (!d || !e) {
        TellNotSent(app, command);
        return;
    }
    action_ = dlg.m_command;
    value_ = dlg.m_value;
    const Gdd gdd = e->dataType ? Gdd{e->dataType, e->dataSize, e->number} : Gdd{9, 1, 1};
    if (!app_.link.SendTelecontrol(*d, static_cast<std::uint8_t>(249 + action_), e->key, gdd, value_)) {
        TellNotSent(app, command);
        return;
    }
    timer9_->start(1000);
    ticks_ = 0;
    progress_ = std::make_unique<CTransferProgressDlg>("正在遥控，请稍候……", this);
    progress_->SetPos(0);
    progress_->show();
}

bool CYaoForm::Waiting() const {
    return timer9_->isActive();
}

void CYaoForm::OnTick() {
    if (ticks_ < 20) {
        ++ticks_;
        if (progress_)
            progress_->SetPos(ticks_ * 5);
        return;
    }
    EndTelecontrol();
    app_.MessageLater("等待装置应答超时，停止遥控。");
}

void CYaoForm::EndTelecontrol() {
    timer9_->stop();
    ticks_ = 0;
    progress_.reset();
}

void CYaoForm::TelecontrolAck(int action, int result) {
    // Only the command this window waits for is answered here.
    if (!Waiting())
        return;
    static const char* const texts[3][2] = {{"装置否认应答，遥控选择失败。", "遥控选择成功。"},
                                            {"装置否认应答，遥控执行失败。", "遥控执行成功。"},
                                            {"装置否认应答，遥控撤销失败。", "遥控撤销成功。"}};
    if (action < 0 || action > 2)
        return;
    if (result && progress_)
        progress_->SetPos(100);
    EndTelecontrol();
    app_.MessageLater(texts[action][result ? 1 : 0]);
}

// ---- reference table ----

CTabForm::CTabForm(CMarindleApp& app, std::uint16_t tableKey)
    : CValueForm(app, kTabWindow, {0, 0, tableKey}, 6) {
    setObjectName("CTabForm");
    list_->setObjectName("list1016");
    markColumn_ = 7;
    QLabel* caption = MakeCaption();
    auto* cancel = new QPushButton(Qs("取消置数"), this);
    cancel->setObjectName("button1047");
    auto* set = new QPushButton(Qs("人工置数"), this);
    set->setObjectName("button1044");
    auto* query = new QPushButton(Qs("召 唤"), this);
    query->setObjectName("button1015");
    auto* label = new QLabel(Qs("起始序号"), this);
    label->setObjectName("static1037");
    startEdit_ = new QLineEdit(this);
    startEdit_->setObjectName("edit1027");
    auto* top = new QHBoxLayout;
    top->addWidget(caption, 1);
    top->addWidget(label);
    top->addWidget(startEdit_);
    top->addWidget(query);
    top->addWidget(set);
    top->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_);
    connect(query, &QPushButton::clicked, this, [this] { Requery(); });
    connect(set, &QPushButton::clicked, this, [this] { ManualSet(); });
    connect(cancel, &QPushButton::clicked, this, [this] { ManualCancel(); });
}

CTabForm::~CTabForm() {
    ClearPending();
    SendMonitor(CRefTableMonitorMsg::kStop, start_);
}

void CTabForm::SendMonitor(CRefTableMonitorMsg::Mode mode, std::uint16_t start) {
    const CTableRecord* t = app_.model.FindTableByKey(Key().key);
    const CPortRecord* p = t ? app_.model.FindPortByKey(t->portKey) : nullptr;
    if (!t || !p)
        return;
    app_.link.SendRequest(CRefTableMonitorMsg(p->board, mode, static_cast<std::uint8_t>(p->kind), p->number,
                                              t->number, start, kCount));
}

void CTabForm::Initialise(const std::string& title) {
    CValueForm::Initialise(title);
    findChild<QLabel*>("static1024")->setText(Qs(title));
    SetColumns({"序号", "类型", "装置", "描述", "组号", "条目号", "实际值", "置数"},
               {50, 80, 170, 200, 50, 50, 80, 50});
    start_ = 0;
    startEdit_->setText("0");
    SendMonitor(CRefTableMonitorMsg::kStart, start_);
}

void CTabForm::AddRow(std::uint16_t device, std::uint16_t entryKey, const std::string& text) {
    for (const ValueRow& r : received_)
        if (r.device == device && r.entryKey == entryKey)
            return;
    ValueRow row;
    row.device = device;
    row.entryKey = entryKey;
    row.number = static_cast<unsigned>(received_.size()) + start_;
    const CDeviceRecord* d = app_.model.FindDevice(device);
    CEntryRecord* e = d ? d->FindEntry(entryKey) : nullptr;
    if (e)
        e->manualSet = 0;
    const CTableRecord* t = app_.model.FindTableByKey(Key().key);
    row.cells = {platform::StrFormat("%u", row.number),
                 TableTypeText(t ? t->type : -1),
                 platform::StrFormat("(%u)", device) + (d ? d->name : std::string()),
                 e ? e->description : text,
                 platform::StrFormat("%u", KeyGroup(entryKey)),
                 platform::StrFormat("%u", KeyEntry(entryKey)),
                 {},
                 {}};
    received_.push_back(std::move(row));
}

void CTabForm::RowsComplete() {
    rows_ = received_;
    FillRows();
}

void CTabForm::ValuesComplete() {
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        if (const CEntryRecord* e = EntryOf(r))
            list_->item(r, 6)->setText(Qs(e->actualValue));
}

void CTabForm::OneValue(std::uint16_t device, std::uint16_t entryKey, const std::string& text) {
    const CDeviceRecord* d = app_.model.FindDevice(device);
    if (CEntryRecord* e = d ? d->FindEntry(entryKey) : nullptr)
        e->actualValue = text;
    const int row = RowOf(device, entryKey);
    if (row >= 0)
        list_->item(row, 6)->setText(Qs(text));
}

bool CTabForm::RowEditable(int) const {
    const CTableRecord* t = app_.model.FindTableByKey(Key().key);
    return t && TableTypeEditable(t->type);
}

void CTabForm::Requery() {
    const std::string text = Ss(startEdit_->text().trimmed());
    // The edit takes the focus before the box: the box returns it there, and this window is not
    // touched after a box that it may not outlive.
    if (text.empty()) {
        startEdit_->setFocus();
        platform::MessageBox("请输入起始序号。");
        return;
    }
    const long long value = platform::AtoLL(text);
    if (value < 0 || value > 60000) {
        startEdit_->setFocus();
        startEdit_->selectAll();
        platform::MessageBox(text::kValueOutOfRange);
        return;
    }
    startEdit_->setText(Qs(platform::StrFormat("%u", static_cast<unsigned>(value))));
    SendMonitor(CRefTableMonitorMsg::kStop, start_);
    start_ = static_cast<std::uint16_t>(value);
    SendMonitor(CRefTableMonitorMsg::kStart, start_);
    ClearPending();
    list_->setRowCount(0);
    rows_.clear();
    rowIndex_.clear();
    received_.clear();
}

} // namespace marindle
