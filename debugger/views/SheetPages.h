#pragma once
// The pages of the data sheets: the value page (the real-time data base of one device, or one port's
// reference table), the settings page of a device and the live-event page. The pages show the
// entries the unit reports, take typed values, send manual settings, cancels and settings
// downloads, and follow the answers through the link's wait flags and the main-frame timers.
#include "debugger/views/CappedRows.h"

#include "debugger/model/AppRules.h"
#include "debugger/model/GroupTable.h"

#include "debugger/core/QuorvexShell.h"

#include <QWidget>

#include <functional>
#include <set>
#include <string>
#include <vector>

class QComboBox;
class QMenu;
class QPushButton;
class QTableWidget;

namespace quorvex {

class CQuorvexApp;
class CDbListCtrl;
class CValListCtrl;

struct CTabSheetKey {
    std::uint8_t board = 0; // from 1
    std::uint8_t portType = 0;
    std::uint8_t port = 0; // from 1
    std::uint8_t table = 0;
    std::uint8_t tableKind = 0;
    std::uint16_t start = 0;
    std::uint16_t count = 0;
    std::string tableName;
};

// Entries of a page's pending values in one state (sent and awaiting the answer, or refused by
// it), by address and key as the pending list holds them, so that a refill shows the state again.
class CEntryMarks {
public:
    void Add(std::uint16_t address, std::uint16_t key) { entries_.insert({address, key}); }
    void MarkAll(const CPendingList& pending) {
        entries_.clear();
        for (const CPendingValue& p : pending.Items())
            entries_.insert({p.m_address, p.m_key});
    }
    void Remove(std::uint16_t address, std::uint16_t key) { entries_.erase({address, key}); }
    void Clear() { entries_.clear(); }
    bool Has(std::uint16_t address, std::uint16_t key) const { return entries_.count({address, key}) != 0; }

private:
    std::set<std::pair<std::uint16_t, std::uint16_t>> entries_;
};

// The value page of both sheets: mode 1 the real-time data base of one device (CDbPage), mode 2 a
// reference table (CTabPage).
class CSetPage : public QWidget {
    Q_OBJECT
public:
    CSetPage(CQuorvexApp& app, int mode, std::uint8_t board, std::uint16_t device, const CTabSheetKey& table,
             QWidget* parent);

    CDbListCtrl* List() const { return list_; }
    CPendingList& Pending() { return pending_; }
    CGroupTable& Groups() { return groups_; }
    QPushButton* Button(const char* name) const;

    void AddGroup(std::uint8_t group, const std::string& title) { groups_.Add(group, title); }
    void AddRow(const CDbEntry& entry);
    void AddTabRow(const CTabEntry& entry, int index);
    // Fills the rows anew through fill (AddRow or AddTabRow): an open editor is kept on its
    // entry, and the values not yet set stay on their entries' rows, as they will be sent (in
    // the colour of a change) or as they went out while the answer is awaited.
    void Refill(const std::function<void()>& fill);
    void ShowValue(std::uint16_t address, std::uint16_t key, const std::string& value);
    void AddPending(std::uint16_t address, std::uint16_t key, double newValue, double oldValue);
    std::vector<int> RowsOf(std::uint16_t address, std::uint16_t key) const;
    std::uint16_t RowAddress(int row) const;

    void StartRefresh();
    void StopRefresh();
    void ManualSet();
    void CancelSettings();
    void CancelEntry(int row);
    void RestoreEntry(int row);
    void RestoreAll();
    // The pop-up menu of a row, or null when the row takes none.
    QMenu* CreateContextMenu(int row);

    int SentSetCount() const { return sentCount_; }
    void ApplySetResults(const std::vector<SetResult>& results);
    void ApplyCancelResults(const std::vector<SetResult>& results);
    void ApplyCancelAll(std::uint8_t result);
    void FailPending();
    void MarkRow(std::uint16_t address, std::uint16_t key, bool set);
    std::string GetExportText() const;

    std::function<void()> m_onExit;

private:
    void EndExchange();
    // 开始刷新 (on) or 停止刷新.
    void Refresh(bool on);
    // The unit did not set the entry's value: its rows are marked, now and after a refill.
    void MarkRefused(std::uint16_t address, std::uint16_t key);
    void SetBusy(bool busy);
    void StartWait();
    void contextMenuEvent(QContextMenuEvent* e) override;

    CQuorvexApp& app_;
    int mode_;
    std::uint8_t board_;
    std::uint16_t device_;
    CTabSheetKey table_;
    CGroupTable groups_{20};
    CPendingList pending_;
    CEntryMarks sent_;
    CEntryMarks refused_;
    CDbListCtrl* list_;
    int sentCount_ = 0;
};

// The settings page of the real-time database sheet.
class CValPage : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kNoGroup = "-- 请选择组标题 --";

    CValPage(CQuorvexApp& app, std::uint8_t board, std::uint16_t device, QWidget* parent);

    CValListCtrl* List() const { return list_; }
    QComboBox* GroupCombo() const { return combo_; }
    CPendingList& Pending() { return pending_; }
    QPushButton* Button(const char* name) const;

    void AddGroup(std::uint8_t group, const std::string& title);
    bool HasGroup(std::uint8_t group) const { return groups_.Has(group); }
    void AddRow(const CDbEntry& entry);
    // As CSetPage::Refill.
    void Refill(const std::function<void()>& fill);
    void ShowValue(const CDbEntry& entry);
    void AddPending(std::uint16_t key, double newValue, double oldValue);
    void SelectGroup(int index);
    void Call();
    // False when the read could not go (told).
    bool CallGroup(std::uint8_t group);
    void Download();
    bool CompareEcho(const std::vector<EchoItem>& echo) const;
    void DownloadSucceeded();
    void DownloadFailed();
    void RestoreEntry(int row);
    void RestoreAll();
    QMenu* CreateContextMenu(int row);
    int SentSettingsCount() const { return pending_.Count(); }
    std::string GetExportText() const;

    std::function<void()> m_onExit;

private:
    void contextMenuEvent(QContextMenuEvent* e) override;
    void PutBackOldTexts();

    CQuorvexApp& app_;
    std::uint8_t board_;
    std::uint16_t device_;
    std::string selectedTitle_;
    CGroupTable groups_{40};
    CPendingList pending_;
    CEntryMarks sent_;
    QComboBox* combo_;
    CValListCtrl* list_;
};

// The live events of a sheet, its last rows kept (CCappedRows).
class CEvtPage : public QWidget {
    Q_OBJECT
public:
    CEvtPage(int sheetKind, QWidget* parent);
    void AddEvent(const CEventRecord& ev);
    QMenu* CreateContextMenu();
    QTableWidget* List() const { return list_; }
    const CCappedRows& Rows() const { return rows_; }
    std::function<void()> m_onExit;

private:
    void contextMenuEvent(QContextMenuEvent* e) override;
    int sheetKind_;
    QTableWidget* list_;
    CCappedRows rows_;
};

} // namespace quorvex
