#pragma once
// The running-text monitor windows: debug information, protocol information of a port and the
// frame trace of the unit, a port or a device. Items are queued and moved to the screen once a
// second in one insertion; the queue holds at most a tick's budget (the newest items), what it
// leaves out is counted and said in the window, and the window keeps its last lines only. The
// save file gets every item, written once a tick. Pause, clear, save, find and mark work alike in
// all three.
#include "monitor/app/MonitorForm.h"
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/NetCfg.h"
#include "monitor/model/TextMonitor.h"
#include "platform/TextBatch.h"

#include <filesystem>
#include <memory>
#include <QDialog>
#include <QTextDocument>
#include <vector>

class QCheckBox;
class QLineEdit;
class QMenu;
class QTextEdit;
class QTimer;

namespace marindle {

// "查找特殊字符" / "标记特殊字符".
class CFindCharDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFindCharDlg(int mode, QWidget* parent = nullptr);
    std::string Text() const;
    bool MatchCase() const;
    bool WholeWord() const;
    QLineEdit* edit_;  // 1012
    QCheckBox* case_;  // 1013
    QCheckBox* whole_; // 1014
};

class CTextMonitorForm : public CMonitorForm {
    Q_OBJECT
public:
    // The lines the window keeps, and the budget of one tick's queue in lines and bytes.
    static constexpr int kMaxLines = 3000;
    static constexpr std::size_t kTickLines = 1000;
    static constexpr std::size_t kTickBytes = 1 << 20;
    // The save text waiting for the tick is written earlier when it grows beyond this.
    static constexpr std::size_t kSaveChunk = 1 << 20;

    CTextMonitorForm(CMarindleApp& app, int kind, const WindowKey& key);
    ~CTextMonitorForm() override;

    void Initialise(const std::string& title) override;
    // The one-second tick: the queue goes to the screen and the save text to the save file.
    void OnTick();
    // Items left out of the screen since the window opened.
    std::uint64_t OmittedCount() const { return queue_.TotalOmitted(); }
    std::size_t QueuedCount() const { return queue_.Size(); }

    void OnContinue() { paused_ = 0; }
    void OnPause() { paused_ = 1; }
    void OnClear();
    virtual void OnSave() { saving_ = !saving_; }
    void OnFind();
    void FindNext();
    void OnMark();
    virtual void OnProperties() {}

    std::unique_ptr<QMenu> BuildContextMenu();
    bool IsPaused() const { return paused_ != 0; }
    virtual bool IsSaving() const { return saving_ != 0; }
    bool SearchActive() const { return searchActive_; }
    const std::filesystem::path& SavePath() const { return savePath_; }
    QTextEdit* Edit() const { return edit_; }
    std::string PlainText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Saves the item when saving and queues it for the screen unless paused.
    void Enqueue(MonitorItem item);
    void WriteSaveText();
    // The screen text and colour of an item, or false when the item is skipped.
    virtual bool Display(const MonitorItem& item, std::string& text, std::uint32_t& colour) const = 0;
    virtual std::string SaveEntry(const MonitorItem& item) const = 0;
    virtual bool Passes(const MonitorItem&) const { return true; }
    virtual std::string SaveName() const = 0;
    virtual bool HasProperties() const { return false; }

    QTextEdit* edit_ = nullptr;
    QTimer* timer_ = nullptr;
    int paused_ = 0;
    int saving_ = 0;
    std::filesystem::path savePath_;
    platform::CTextBatch<MonitorItem> queue_{kTickLines, kTickBytes};
    std::string saveText_;
    CSaveFileAppender saveFile_;
    bool searchActive_ = false;
    QTextDocument::FindFlags findFlags_;
    std::string searchText_;
    int nextStart_ = 0;
};

class CDebugForm : public CTextMonitorForm, public IDebugWindow {
    Q_OBJECT
public:
    CDebugForm(CMarindleApp& app);
    void AddText(std::uint32_t colour, const std::string& text) override;

protected:
    bool Display(const MonitorItem& item, std::string& text, std::uint32_t& colour) const override;
    std::string SaveEntry(const MonitorItem& item) const override { return item.text; }
    std::string SaveName() const override { return DebugSaveName(); }
};

class CProcForm : public CTextMonitorForm, public IProtocolWindow {
    Q_OBJECT
public:
    CProcForm(CMarindleApp& app, std::uint16_t portKey);
    ~CProcForm() override;
    void Initialise(const std::string& title) override;
    void AddText(const std::string& text) override;

protected:
    bool Display(const MonitorItem& item, std::string& text, std::uint32_t& colour) const override;
    std::string SaveEntry(const MonitorItem& item) const override;
    std::string SaveName() const override;
    void SendMonitor(std::uint8_t onOff);
};

class CTraceForm : public CTextMonitorForm, public ITraceWindow {
    Q_OBJECT
public:
    CTraceForm(CMarindleApp& app, int mainFlag, int deviceFlag, std::uint16_t key);
    ~CTraceForm() override;
    void Initialise(const std::string& title) override;
    void AddFrame(const TraceItem& item) override;
    void SetSettings(const FrameSettings& s) { settings_ = s; }
    const FrameSettings& Settings() const { return settings_; }
    void OnSave() override { settings_.save = !settings_.save; }
    bool IsSaving() const override { return settings_.save != 0; }
    void OnProperties() override;

protected:
    bool Display(const MonitorItem& item, std::string& text, std::uint32_t& colour) const override;
    std::string SaveEntry(const MonitorItem& item) const override;
    bool Passes(const MonitorItem& item) const override;
    std::string SaveName() const override;
    bool HasProperties() const override { return Key().mainFlag == 0; }
    void SendMonitor(bool on);

private:
    FrameSettings settings_;
};

} // namespace marindle
