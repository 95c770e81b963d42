#pragma once
// The data sheets: the real-time database sheet (data-base page, settings page, event page) of one
// device and the reference-table sheet (table page, event page) of one port's table, both non-modal
// dialogs that end their monitoring once when closed and export their lists.
#include "debugger/views/SheetPages.h"

#include "debugger/core/QuorvexShell.h"

#include <QDialog>
#include <QTimer>

#include <string>
#include <vector>

class QMenu;
class QTabWidget;

namespace quorvex {

class CQuorvexApp;

// A non-modal sheet of monitor pages. Closing it (by its close box, Esc or a page's exit button)
// ends the monitoring once; its context menu offers the export of its lists.
class CMonitorSheet : public QDialog {
    Q_OBJECT
public:
    CMonitorSheet(CQuorvexApp& app, const char* objectName, const std::string& title, QWidget* parent);

    QTabWidget* Pages() const { return pages_; }

    void CloseMonitor();
    virtual void Export() = 0;
    QMenu* CreateContextMenu();

protected:
    // Tells the unit and the program that this monitoring ends; runs once.
    virtual void EndMonitoring() = 0;
    // Adds the event on the event page, which is shown while it is added.
    void AddEvent(const CEventRecord& ev);
    void closeEvent(QCloseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void reject() override;

    CQuorvexApp& app_;
    QTabWidget* pages_;
    CEvtPage* evtPage_ = nullptr;

private:
    bool closing_ = false;
};

class CDisDBSheet : public CMonitorSheet, public IDbSheet {
    Q_OBJECT
public:
    CDisDBSheet(CQuorvexApp& app, std::uint8_t board, std::uint16_t device, const std::string& title,
                QWidget* parent);

    CSetPage* DbPage() const { return dbPage_; }
    CValPage* ValPage() const { return valPage_; }

    std::string ExportText() const;
    void Export() override;
    void MarkRow(std::uint16_t address, std::uint16_t key, bool set);

    // IDbSheet.
    std::uint8_t BoardNumber() const override { return board_; }
    std::uint16_t DeviceAddress() const override { return device_; }
    void ActivatePage(int page) override;
    void AddDbGroup(std::uint8_t group, const std::string& title) override;
    void AddSettingGroup(std::uint8_t group, const std::string& title) override;
    void FillLists() override;
    void ShowValue(const CDbEntry& entry) override;
    void ShowSettingValue(const CDbEntry& entry) override;
    void ShowEvent(const CEventRecord& ev) override;
    int SentSetCount() const override;
    void ApplySetResults(const std::vector<SetResult>& results) override;
    void ApplyCancelResults(const std::vector<SetResult>& results) override;
    void ApplyCancelAll(std::uint8_t result) override;
    void FailPending() override;
    int SentSettingsCount() const override;
    bool CompareEcho(const std::vector<EchoItem>& echo) override;
    void DownloadSucceeded() override;
    void DownloadFailed() override;

    // The read of the device's groups waits kReadWaitMs for each step of the answer. When none
    // comes (lost, or junk in front of it) the sheet says so and offers to read again.
    static constexpr int kReadWaitMs = 10000;
    bool ReadWaiting() const;
    // Posts the read of the device's groups and waits for it; a request that cannot go ends the
    // wait and says that the link is down.
    void Read();
    void OnReadTimeout();

protected:
    void EndMonitoring() override;

private:
    std::uint8_t board_;
    std::uint16_t device_;
    CSetPage* dbPage_;
    CValPage* valPage_;
    QTimer* readWait_;
};

class CDisTabSheet : public CMonitorSheet, public ITabSheet {
    Q_OBJECT
public:
    CDisTabSheet(CQuorvexApp& app, const CTabSheetKey& key, const std::string& title, QWidget* parent);

    CSetPage* TabPage() const { return tabPage_; }
    const CTabSheetKey& Key() const { return key_; }

    std::string ExportText() const;
    void Export() override;
    void MarkRow(std::uint16_t address, std::uint16_t key, bool set);

    // ITabSheet.
    std::uint8_t BoardNumber() const override { return key_.board; }
    std::uint8_t PortType() const override { return key_.portType; }
    std::uint8_t PortNumber() const override { return key_.port; }
    std::uint8_t TableNumber() const override { return key_.table; }
    std::uint16_t StartPosition() const override { return key_.start; }
    std::uint16_t RowCount() const override { return key_.count; }
    void FillList() override;
    void ShowValue(const CTabEntry& entry) override;
    void ShowEvent(const CEventRecord& ev) override;
    int SentSetCount() const override;
    void ApplySetResults(const std::vector<SetResult>& results) override;
    void ApplyCancelResults(const std::vector<SetResult>& results) override;
    void ApplyCancelAll(std::uint8_t result) override;
    void FailPending() override;

protected:
    void EndMonitoring() override;

private:
    CTabSheetKey key_;
    CSetPage* tabPage_;
};

} // namespace quorvex
