#include "debugger/views/MonitorSheets.h"

#include "debugger/views/ContextMenu.h"
#include "debugger/views/ListCtrls.h"
#include "debugger/views/QuorvexApp.h"

#include "debugger/core/DeviceRequests.h"
#include "debugger/core/LogFiles.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/ui/WidgetPrompt.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quorvex {

using platform::Qs;
using platform::StrFormat;

namespace {

// The heading of the telecontrol part of an export.
constexpr const char* kTelePart = "[六遥]\n";

// Export files are replaced whole, in GBK with CR LF; one that cannot be written keeps the earlier
// file, and the user is told.
void WriteExport(const std::filesystem::path& path, const std::string& text) {
    if (!platform::ReplaceFileBytes(path, platform::GbkTextBytes(text)))
        platform::MessageBox(kSaveFailedText + path.string(), "错误", platform::Icon::Error);
}

} // namespace

// ---- CMonitorSheet

CMonitorSheet::CMonitorSheet(CQuorvexApp& app, const char* objectName, const std::string& title,
                             QWidget* parent)
    : QDialog(parent), app_(app) {
    setObjectName(objectName);
    setWindowTitle(Qs(title));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->setObjectName("pages");
    layout->addWidget(pages_);
    resize(960, 560);
}

void CMonitorSheet::CloseMonitor() {
    if (closing_)
        return;
    closing_ = true;
    EndMonitoring();
}

void CMonitorSheet::AddEvent(const CEventRecord& ev) {
    const int page = pages_->currentIndex();
    pages_->setCurrentWidget(evtPage_);
    evtPage_->AddEvent(ev);
    pages_->setCurrentIndex(page);
}

QMenu* CMonitorSheet::CreateContextMenu() {
    auto* menu = new QMenu(this);
    menu->addAction("导出", [this] { Export(); });
    return menu;
}

void CMonitorSheet::closeEvent(QCloseEvent* e) {
    QDialog::closeEvent(e);
    CloseMonitor();
}

void CMonitorSheet::reject() {
    CloseMonitor();
}

void CMonitorSheet::contextMenuEvent(QContextMenuEvent* e) {
    ShowContextMenu(CreateContextMenu(), e->globalPos());
}

// ---- CDisDBSheet

CDisDBSheet::CDisDBSheet(CQuorvexApp& app, std::uint8_t board, std::uint16_t device, const std::string& title,
                         QWidget* parent)
    : CMonitorSheet(app, "CDisDBSheet", title, parent), board_(board), device_(device) {
    dbPage_ = new CSetPage(app, 1, board, device, {}, pages_);
    valPage_ = new CValPage(app, board, device, pages_);
    evtPage_ = new CEvtPage(1, pages_);
    pages_->addTab(dbPage_, "六遥");
    pages_->addTab(valPage_, "保护");
    pages_->addTab(evtPage_, "事件");
    for (auto* exit : {&dbPage_->m_onExit, &valPage_->m_onExit, &evtPage_->m_onExit})
        *exit = [this] { CloseMonitor(); };
    // The opener starts the read (Read) right after the sheet is made.
    readWait_ = new QTimer(this);
    readWait_->setSingleShot(true);
    connect(readWait_, &QTimer::timeout, this, &CDisDBSheet::OnReadTimeout);
}

bool CDisDBSheet::ReadWaiting() const {
    return readWait_->isActive();
}

void CDisDBSheet::OnReadTimeout() {
    readWait_->stop();
    const QPointer<CDisDBSheet> self(this);
    if (platform::MessageBox("装置无应答，未读到实时库数据。\n重新读取吗？", {}, platform::Icon::Question,
                             platform::Buttons::YesNo) != platform::Answer::Yes ||
        !self)
        return;
    Read();
}

void CDisDBSheet::Read() {
    app_.Data().m_groupQueues[device_].Clear();
    readWait_->start(kReadWaitMs);
    const QPointer<CDisDBSheet> self(this);
    app_.Post(requests::GroupHeadings(static_cast<std::uint8_t>(board_ - 1), device_), [self] {
        if (!self)
            return;
        self->readWait_->stop();
        self->app_.TellNotSent("实时库读取请求");
    });
}

void CDisDBSheet::ActivatePage(int page) {
    pages_->setCurrentIndex(page);
}

void CDisDBSheet::AddDbGroup(std::uint8_t group, const std::string& title) {
    if (readWait_->isActive())
        readWait_->start(kReadWaitMs); // the read goes on
    dbPage_->AddGroup(group, title);
}

void CDisDBSheet::AddSettingGroup(std::uint8_t group, const std::string& title) {
    if (readWait_->isActive())
        readWait_->start(kReadWaitMs);
    ActivatePage(1);
    valPage_->AddGroup(group, title);
}

void CDisDBSheet::FillLists() {
    readWait_->stop();
    const auto fill = [this](auto&& add) {
        for (const CDbEntry& e : app_.Data().m_entries)
            if (e.m_address == device_)
                add(e);
    };
    ActivatePage(1);
    valPage_->Refill([&] {
        fill([this](const CDbEntry& e) {
            if (!dbPage_->Groups().Has(KeyGroup(e.m_key)) && valPage_->HasGroup(KeyGroup(e.m_key)))
                valPage_->AddRow(e);
        });
    });
    ActivatePage(0);
    dbPage_->Refill([&] {
        fill([this](const CDbEntry& e) {
            if (dbPage_->Groups().Has(KeyGroup(e.m_key)))
                dbPage_->AddRow(e);
        });
    });
}

void CDisDBSheet::ShowValue(const CDbEntry& entry) {
    dbPage_->ShowValue(entry.m_address, entry.m_key, entry.m_value);
}

void CDisDBSheet::ShowSettingValue(const CDbEntry& entry) {
    valPage_->ShowValue(entry);
}

void CDisDBSheet::ShowEvent(const CEventRecord& ev) {
    AddEvent(ev);
}

int CDisDBSheet::SentSetCount() const {
    return dbPage_->SentSetCount();
}
void CDisDBSheet::ApplySetResults(const std::vector<SetResult>& r) {
    dbPage_->ApplySetResults(r);
}
void CDisDBSheet::ApplyCancelResults(const std::vector<SetResult>& r) {
    dbPage_->ApplyCancelResults(r);
}
void CDisDBSheet::ApplyCancelAll(std::uint8_t result) {
    dbPage_->ApplyCancelAll(result);
}
void CDisDBSheet::FailPending() {
    dbPage_->FailPending();
}
int CDisDBSheet::SentSettingsCount() const {
    return valPage_->SentSettingsCount();
}
bool CDisDBSheet::CompareEcho(const std::vector<EchoItem>& echo) {
    return valPage_->CompareEcho(echo);
}
void CDisDBSheet::DownloadSucceeded() {
    valPage_->DownloadSucceeded();
}
void CDisDBSheet::DownloadFailed() {
    valPage_->DownloadFailed();
}

void CDisDBSheet::MarkRow(std::uint16_t address, std::uint16_t key, bool set) {
    dbPage_->MarkRow(address, key, set);
}

void CDisDBSheet::EndMonitoring() {
    app_.Send(requests::CancelDevice(device_));
    app_.Send(requests::StopInterrogation(static_cast<std::uint8_t>(board_ - 1), device_));
    std::erase_if(app_.Data().m_entries, [this](const CDbEntry& e) { return e.m_address == device_; });
    // The device's group reads end with its sheet.
    app_.Data().m_groupQueues.erase(device_);
    if (CDeviceLink* link = app_.Link())
        link->SetGroupReadState(device_, CDeviceLink::kReadIdle);
    app_.RemoveDbSheets(device_);
}

std::string CDisDBSheet::ExportText() const {
    return kTelePart + dbPage_->GetExportText() + "\n[保护]\n" + valPage_->GetExportText();
}

void CDisDBSheet::Export() {
    WriteExport(app_.Data().SavFolder() /
                    StrFormat("Data_Ban%uAddr%u.qv", unsigned(board_), unsigned(device_)),
                ExportText());
}

// ---- CDisTabSheet

CDisTabSheet::CDisTabSheet(CQuorvexApp& app, const CTabSheetKey& key, const std::string& title,
                           QWidget* parent)
    : CMonitorSheet(app, "CDisTabSheet", title, parent), key_(key) {
    tabPage_ = new CSetPage(app, 2, key.board, 0, key, pages_);
    evtPage_ = new CEvtPage(2, pages_);
    pages_->addTab(tabPage_, "六遥");
    pages_->addTab(evtPage_, "事件");
    tabPage_->m_onExit = [this] { CloseMonitor(); };
    evtPage_->m_onExit = [this] { CloseMonitor(); };
}

void CDisTabSheet::FillList() {
    tabPage_->Refill([this] {
        int index = 0;
        for (const CTabEntry& e : app_.Data().m_tabEntries)
            if (e.SameTable(key_.board, key_.portType, key_.port, key_.table))
                tabPage_->AddTabRow(e, index++);
    });
}

void CDisTabSheet::ShowValue(const CTabEntry& entry) {
    tabPage_->ShowValue(entry.m_address, entry.m_key, entry.m_value);
}

void CDisTabSheet::ShowEvent(const CEventRecord& ev) {
    AddEvent(ev);
}

int CDisTabSheet::SentSetCount() const {
    return tabPage_->SentSetCount();
}
void CDisTabSheet::ApplySetResults(const std::vector<SetResult>& r) {
    tabPage_->ApplySetResults(r);
}
void CDisTabSheet::ApplyCancelResults(const std::vector<SetResult>& r) {
    tabPage_->ApplyCancelResults(r);
}
void CDisTabSheet::ApplyCancelAll(std::uint8_t result) {
    tabPage_->ApplyCancelAll(result);
}
void CDisTabSheet::FailPending() {
    tabPage_->FailPending();
}
void CDisTabSheet::MarkRow(std::uint16_t address, std::uint16_t key, bool set) {
    tabPage_->MarkRow(address, key, set);
}

void CDisTabSheet::EndMonitoring() {
    const auto board = static_cast<std::uint8_t>(key_.board - 1);
    const auto port = static_cast<std::uint8_t>(key_.port - 1);
    app_.Send(requests::CancelTable(board, key_.portType, port, key_.table));
    app_.Send(requests::RefTableStop(board, key_.portType, port, key_.table, key_.start, key_.count));
    std::erase_if(app_.Data().m_tabEntries, [this](const CTabEntry& e) {
        return e.SameTable(key_.board, key_.portType, key_.port, key_.table);
    });
    app_.RemoveTabSheets(key_.board, key_.portType, key_.port, key_.table);
}

std::string CDisTabSheet::ExportText() const {
    return kTelePart + tabPage_->GetExportText();
}

void CDisTabSheet::Export() {
    WriteExport(app_.Data().SavFolder() /
                    StrFormat("Tab_Ban%uTab%u.qv", unsigned(key_.board), unsigned(key_.table)),
                ExportText());
}

} // namespace quorvex
