#include "monitor/app/WindowManager.h"

#include "monitor/app/CmdForm.h"
#include "monitor/app/CommForm.h"
#include "monitor/app/MainFrame.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/OverallView.h"
#include "monitor/app/TextMonitorForm.h"
#include "monitor/app/WarnView.h"
#include "monitor/app/WindowForms.h"
#include "monitor/coreui/DevClockDlg.h"
#include "monitor/model/MonitorTexts.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <algorithm>
#include <optional>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace marindle {

CWindowManager::~CWindowManager() = default;

CMonitorForm* CWindowManager::Find(int kind, const WindowKey& key) const {
    for (CMonitorForm* f : open_) {
        if (f->Kind() != kind)
            continue;
        switch (kind) {
        case kCataWindow:
        case kDebugWindow:
        case kCmdWindow:
        case kCommWindow:
        case kInfoWindow:
            return f;
        case kTraceWindow:
            if (key.mainFlag ? f->Key().mainFlag == 1
                             : (f->Key().mainFlag == 0 && f->Key().deviceFlag == key.deviceFlag &&
                                f->Key().key == key.key))
                return f;
            break;
        case kLogWindow:
            if (f->Key().deviceFlag == key.deviceFlag && (key.deviceFlag == 0 || f->Key().key == key.key))
                return f;
            break;
        default:
            if (f->Key().key == key.key)
                return f;
        }
    }
    return nullptr;
}

bool CWindowManager::CheckLimit() {
    if (count_ >= kMaxWindows) {
        platform::MessageBox("最多只能打开32个监视窗口，请关闭其它窗口后再试", "警告信息",
                             platform::Icon::Warning);
        return false;
    }
    ++count_;
    return true;
}

void CWindowManager::Closed(CMonitorForm* form) {
    auto it = std::find(open_.begin(), open_.end(), form);
    if (it != open_.end()) {
        open_.erase(it);
        if (count_ > 0)
            --count_;
    }
}

void CWindowManager::Activate(CMonitorForm* form) {
    if (!area_)
        return;
    for (QMdiSubWindow* sub : area_->subWindowList())
        if (sub->widget() == form) {
            area_->setActiveSubWindow(sub);
            sub->showMaximized();
            return;
        }
}

CMonitorForm* CWindowManager::Open(int kind, const WindowKey& key, const std::string& title,
                                   const Factory& make) {
    if (CMonitorForm* f = Find(kind, key)) {
        Activate(f);
        return f;
    }
    if (!CheckLimit())
        return nullptr;
    CMonitorForm* form = make();
    open_.push_back(form);
    form->setWindowTitle(platform::Qs(title));
    if (area_) {
        QMdiSubWindow* sub = area_->addSubWindow(form);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->showMaximized();
    }
    form->Initialise(title);
    Activate(form);
    return form;
}

// Everything the device record is needed for happens before a box: a box runs the event loop, and
// a reconnect meanwhile empties the model. Only the name is kept.
std::optional<std::string> CWindowManager::DeviceFor(int kind, std::uint16_t deviceKey) {
    CDeviceRecord* d = app_.model.FindDeviceByKey(deviceKey);
    if (!d)
        return std::nullopt;
    if (!d->communicating) {
        platform::MessageBox(text::kDeviceNotConnected);
        return std::nullopt;
    }
    if ((kind == kYaoWindow || kind == kProtWindow || kind == kStatWindow) && !d->structureComplete) {
        app_.dispatcher.RestartReading(*d);
        platform::MessageBox("正在初始化装置，请重试……");
        return std::nullopt;
    }
    return d->name;
}

CMonitorForm* CWindowManager::OpenCatalogue() {
    return Open(kCataWindow, {}, "文件目录", [this] { return new CCataForm(app_); });
}

CMonitorForm* CWindowManager::OpenLog(int deviceFlag, std::uint16_t deviceKey) {
    std::string title = "系统日志";
    if (deviceFlag) {
        const std::optional<std::string> name = DeviceFor(kLogWindow, deviceKey);
        if (!name)
            return nullptr;
        title = *name + "日志";
    }
    return Open(kLogWindow, {0, deviceFlag, deviceKey}, title,
                [this, deviceFlag, deviceKey] { return new CLogForm(app_, deviceFlag, deviceKey); });
}

CMonitorForm* CWindowManager::OpenDebug() {
    return Open(kDebugWindow, {}, "调试信息", [this] { return new CDebugForm(app_); });
}

CMonitorForm* CWindowManager::OpenCommand() {
    return Open(kCmdWindow, {}, "字符串命令", [this] { return new CCmdForm(app_); });
}

CMonitorForm* CWindowManager::OpenCommState() {
    return Open(kCommWindow, {}, "装置总表", [this] { return new CCommForm(app_); });
}

CMonitorForm* CWindowManager::OpenTrace(int mainFlag, int deviceFlag, std::uint16_t key,
                                        const FrameSettings* settings) {
    std::string title;
    if (mainFlag) {
        title = "主通讯报文";
        deviceFlag = 0;
        key = 0;
    } else if (deviceFlag) {
        const std::optional<std::string> name = DeviceFor(kTraceWindow, key);
        if (!name)
            return nullptr;
        title = *name + "通讯报文";
    } else {
        const CPortRecord* p = app_.model.FindPortByKey(key);
        if (!p)
            return nullptr;
        title = platform::StrFormat("板卡%u_", p->board + 1u) + p->name + "通讯报文";
    }
    const bool existed = Find(kTraceWindow, {mainFlag, deviceFlag, key}) != nullptr;
    CMonitorForm* f = Open(kTraceWindow, {mainFlag, deviceFlag, key}, title, [=, this] {
        auto* form = new CTraceForm(app_, mainFlag, deviceFlag, key);
        if (settings)
            form->SetSettings(*settings);
        return form;
    });
    if (existed && settings)
        if (auto* trace = dynamic_cast<CTraceForm*>(f))
            trace->SetSettings(*settings);
    return f;
}

CMonitorForm* CWindowManager::OpenProtocol(std::uint16_t portKey) {
    const CPortRecord* p = app_.model.FindPortByKey(portKey);
    if (!p)
        return nullptr;
    const std::string title = platform::StrFormat("板卡%u_", p->board + 1u) + p->name + "规约信息";
    return Open(kProcWindow, {0, 0, portKey}, title,
                [this, portKey] { return new CProcForm(app_, portKey); });
}

CMonitorForm* CWindowManager::OpenTelecontrol(std::uint16_t deviceKey) {
    const std::optional<std::string> name = DeviceFor(kYaoWindow, deviceKey);
    if (!name)
        return nullptr;
    return Open(kYaoWindow, {0, 1, deviceKey}, *name + "六遥",
                [this, deviceKey] { return new CYaoForm(app_, deviceKey); });
}

CMonitorForm* CWindowManager::OpenSettings(std::uint16_t deviceKey) {
    const std::optional<std::string> name = DeviceFor(kProtWindow, deviceKey);
    if (!name)
        return nullptr;
    return Open(kProtWindow, {0, 1, deviceKey}, *name + "保护",
                [this, deviceKey] { return new CProtForm(app_, deviceKey); });
}

CMonitorForm* CWindowManager::OpenWave(std::uint16_t deviceKey) {
    const std::optional<std::string> name = DeviceFor(kWaveWindow, deviceKey);
    if (!name)
        return nullptr;
    return Open(kWaveWindow, {0, 1, deviceKey}, *name + "波形记录",
                [this, deviceKey] { return new CWaveForm(app_, deviceKey); });
}

CMonitorForm* CWindowManager::OpenRefTable(std::uint16_t tableKey) {
    const CTableRecord* t = app_.model.FindTableByKey(tableKey);
    if (!t)
        return nullptr;
    return Open(kTabWindow, {0, 0, tableKey}, t->name,
                [this, tableKey] { return new CTabForm(app_, tableKey); });
}

CMonitorForm* CWindowManager::OpenInfo() {
    return Open(kInfoWindow, {}, "信息", [this] { return new CInfoForm(app_); });
}

CMonitorForm* CWindowManager::OpenEvents(std::uint16_t deviceKey) {
    const std::optional<std::string> name = DeviceFor(kEventWindow, deviceKey);
    if (!name)
        return nullptr;
    return Open(kEventWindow, {0, 1, deviceKey}, *name + "历史事件",
                [this, deviceKey] { return new CEventForm(app_, deviceKey); });
}

CMonitorForm* CWindowManager::OpenRemoteCmds(std::uint16_t deviceKey) {
    const std::optional<std::string> name = DeviceFor(kRmtWindow, deviceKey);
    if (!name)
        return nullptr;
    return Open(kRmtWindow, {0, 1, deviceKey}, *name + "远方命令",
                [this, deviceKey] { return new CRmtForm(app_, deviceKey); });
}

CMonitorForm* CWindowManager::OpenStat(std::uint16_t deviceKey) {
    const std::optional<std::string> name = DeviceFor(kStatWindow, deviceKey);
    if (!name)
        return nullptr;
    return Open(kStatWindow, {0, 1, deviceKey}, *name + "统计数据",
                [this, deviceKey] { return new CStatForm(app_, deviceKey); });
}

namespace {
void DeleteWindow(QMdiArea* area, CMonitorForm* form) {
    if (area)
        for (QMdiSubWindow* sub : area->subWindowList())
            if (sub->widget() == form) {
                delete sub;
                return;
            }
    delete form;
}
} // namespace

void CWindowManager::CloseLinkWindows() {
    const std::vector<CMonitorForm*> copy = open_;
    // A command that was sent and not answered does not vanish with its window: its outcome is
    // unknown, and the user is told so once the windows are closed.
    std::vector<std::string> unanswered;
    for (CMonitorForm* f : copy) {
        if (f->Kind() == kDebugWindow || (f->Kind() == kTraceWindow && f->Key().mainFlag == 1))
            continue;
        if (const std::string command = f->CommandInFlight(); !command.empty())
            unanswered.push_back(f->Title() + "：" + command);
        DeleteWindow(area_, f);
    }
    if (!unanswered.empty())
        app_.MessageLater(text::CommandsUnanswered(unanswered));
}

void CWindowManager::CloseAll() {
    const std::vector<CMonitorForm*> copy = open_;
    for (CMonitorForm* f : copy)
        DeleteWindow(area_, f);
}

ITraceWindow* CWindowManager::FindTrace(int mainFlag, int deviceFlag, std::uint16_t key) {
    return FindAs<CTraceForm>(kTraceWindow, {mainFlag, deviceFlag, key});
}
IDebugWindow* CWindowManager::FindDebug() {
    return FindAs<CDebugForm>(kDebugWindow, {});
}
IProtocolWindow* CWindowManager::FindProtocol(std::uint16_t portKey) {
    return FindAs<CProcForm>(kProcWindow, {0, 0, portKey});
}
ICommandWindow* CWindowManager::FindCommand() {
    return FindAs<CCmdForm>(kCmdWindow, {});
}
ICatalogueWindow* CWindowManager::FindCatalogue() {
    return FindAs<CCataForm>(kCataWindow, {});
}
ICommStateWindow* CWindowManager::FindCommState() {
    return FindAs<CCommForm>(kCommWindow, {});
}
ILogWindow* CWindowManager::FindLog(int deviceFlag, std::uint16_t key) {
    return FindAs<CLogForm>(kLogWindow, {0, deviceFlag, key});
}
ITelecontrolWindow* CWindowManager::FindTelecontrol(std::uint16_t deviceKey) {
    return FindAs<CYaoForm>(kYaoWindow, {0, 1, deviceKey});
}
ISettingsWindow* CWindowManager::FindSettings(std::uint16_t deviceKey) {
    return FindAs<CProtForm>(kProtWindow, {0, 1, deviceKey});
}
IWaveWindow* CWindowManager::FindWave(std::uint16_t deviceKey) {
    return FindAs<CWaveForm>(kWaveWindow, {0, 1, deviceKey});
}
IRefTableWindow* CWindowManager::FindRefTable(std::uint16_t tableKey) {
    return FindAs<CTabForm>(kTabWindow, {0, 0, tableKey});
}
IEventWindow* CWindowManager::FindEvents(std::uint16_t deviceKey) {
    return FindAs<CEventForm>(kEventWindow, {0, 1, deviceKey});
}
IRemoteCmdWindow* CWindowManager::FindRemoteCmds(std::uint16_t deviceKey) {
    return FindAs<CRmtForm>(kRmtWindow, {0, 1, deviceKey});
}
IStatWindow* CWindowManager::FindStat(std::uint16_t deviceKey) {
    return FindAs<CStatForm>(kStatWindow, {0, 1, deviceKey});
}
IClockWindow* CWindowManager::FindClock() {
    return app_.clock.get();
}
IWarnView* CWindowManager::WarnView() {
    return app_.Frame() ? app_.Frame()->Warn() : nullptr;
}
IStructureTree* CWindowManager::Tree(int mode) {
    return app_.Frame() ? app_.Frame()->TreeView(mode) : nullptr;
}

// The waiting windows of a kind that an answer part was for: those of the devices its records
// named, or every waiting one when the part held no record.
template <class T>
std::vector<T*> CWindowManager::AnsweredWindows(int kind,
                                                const std::vector<std::uint16_t>& deviceKeys) const {
    std::vector<T*> windows;
    if (deviceKeys.empty()) {
        for (CMonitorForm* f : open_)
            if (auto* w = dynamic_cast<T*>(f); w && w->Waiting())
                windows.push_back(w);
    } else {
        for (std::uint16_t key : deviceKeys)
            if (T* w = FindAs<T>(kind, {0, 1, key}); w && w->Waiting())
                windows.push_back(w);
    }
    return windows;
}

void CWindowManager::HistoryListComplete(const std::vector<std::uint16_t>& deviceKeys, bool last) {
    for (CEventForm* w : AnsweredWindows<CEventForm>(kEventWindow, deviceKeys))
        w->ShowRecords(last);
}

void CWindowManager::RemoteCmdListComplete(const std::vector<std::uint16_t>& deviceKeys) {
    for (CRmtForm* w : AnsweredWindows<CRmtForm>(kRmtWindow, deviceKeys))
        w->ShowRecords(true);
}

void CWindowManager::WaveListComplete(const std::vector<std::uint16_t>& deviceKeys) {
    for (CWaveForm* w : AnsweredWindows<CWaveForm>(kWaveWindow, deviceKeys))
        w->ShowRecords(true);
}

void CWindowManager::ManualSetDone(const std::vector<EntryRef>& entries) {
    for (CMonitorForm* f : std::vector<CMonitorForm*>(open_))
        if (auto* w = dynamic_cast<CValueForm*>(f))
            w->ManualReply(20, entries);
}

void CWindowManager::ManualSetCancelled(const std::vector<EntryRef>& entries) {
    for (CMonitorForm* f : std::vector<CMonitorForm*>(open_))
        if (auto* w = dynamic_cast<CValueForm*>(f))
            w->ManualReply(21, entries);
}

void CWindowManager::AllManualCancelled() {
    for (CMonitorForm* f : std::vector<CMonitorForm*>(open_))
        if (auto* w = dynamic_cast<CValueForm*>(f))
            w->ManualReply(22, {});
}

} // namespace marindle
