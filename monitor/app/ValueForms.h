#pragma once
// The editable value lists of one device or reference table: the settings form (read a group,
// download edited values in two steps), the indication and telecontrol form (live values, manual
// setting, telecontrol) and the reference-table form (up to 100 entries from a start index).
#include "monitor/app/MonitorForm.h"
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/ValueRows.h"

#include <memory>
#include <QStyledItemDelegate>
#include <unordered_map>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;
class QTimer;

namespace marindle {

class CEntryRecord;
class CTransferProgressDlg;

// The in-place editors of the value column: a "分"/"合" drop-down list for switch types, an edit
// box for the others. Escape closes the editor without taking its text.
class CInPlaceDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<bool(int row)> isSwitch;
    std::function<void(int row, const std::string& text)> onCommit;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};

class CValueForm : public CMonitorForm {
    Q_OBJECT
public:
    CValueForm(CMarindleApp& app, int kind, const WindowKey& key, int valueColumn);

    // A click on a cell: the editor opens on the value column of an editable row that shows a value.
    bool BeginEdit(int row, int column);
    // The editor's text was taken for the row.
    void CommitEdit(int row, const std::string& text);
    // Escape on the list: the selected row leaves the pending list.
    void WithdrawSelected();
    // Replies of messages 20 (set), 21 (withdrawn) and 22 (all withdrawn).
    virtual void ManualReply(int code, const std::vector<EntryRef>& entries);

    QTableWidget* List() const { return list_; }
    const CPendingList& Pending() const { return pending_; }
    const std::vector<ValueRow>& Rows() const { return rows_; }
    CEntryRecord* EntryOf(int row) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    virtual bool RowEditable(int row) const = 0;
    void SetColumns(const std::vector<const char*>& titles, const std::vector<int>& widths);
    void FillRows();
    void ColourRow(int row, bool pending);
    void ClearPending();
    int RowOf(std::uint16_t device, std::uint16_t key) const;
    // "人工置数" and "取消置数" (indications and reference tables); the mark shows in markColumn.
    // False, after a box, when a pending value does not fit its field; nothing is then sent.
    bool PendingValuesFit();
    void SendManualSet();
    void SendManualCancel();

    QTableWidget* list_;
    CInPlaceDelegate* delegate_;
    std::vector<ValueRow> rows_;
    // Row of (device address, entry key), first row wins; rebuilt with the rows.
    std::unordered_map<std::uint32_t, int> rowIndex_;
    CPendingList pending_;
    int valueColumn_;
    int markColumn_ = -1;
};

class CProtForm : public CValueForm, public ISettingsWindow {
    Q_OBJECT
public:
    static constexpr int kWaitMs = 20000;
    CProtForm(CMarindleApp& app, std::uint16_t deviceKey);
    ~CProtForm() override;
    void Initialise(const std::string& title) override;
    void GroupValuesArrived(std::uint8_t group) override;
    void WriteAck(int step, int result) override;
    void ReadGroup();
    void Download();
    void OnTimeout();
    int State() const { return state_; }
    // Timer 5 runs: a download waits for the device.
    bool Waiting() const;
    CTransferProgressDlg* Progress() const { return progress_.get(); }
    std::unique_ptr<QMenu> BuildContextMenu();
    std::string CommandInFlight() const override;

protected:
    bool RowEditable(int row) const override;

private:
    // Sends the step (249 confirmation, 250 execution) with the pending values; 0 when not sent.
    int SendStep(std::uint8_t inf);
    void Finish(const std::string& message);
    QTimer* timer5_;
    int state_ = 0; // 0 idle, 1 waiting for the confirmation, 2 for the execution
    std::unique_ptr<CTransferProgressDlg> progress_;
};

class CYaoForm : public CValueForm, public ITelecontrolWindow {
    Q_OBJECT
public:
    CYaoForm(CMarindleApp& app, std::uint16_t deviceKey);
    ~CYaoForm() override;
    void Initialise(const std::string& title) override;
    void OneValueArrived(std::uint16_t entryKey, const std::string& text) override;
    void GroupValuesArrived() override;
    void TelecontrolAck(int action, int result) override;
    void ManualSet() { SendManualSet(); }
    void ManualCancel() { SendManualCancel(); }
    // The right-button menu of a row: "遥控" on a telecontrol row when YK_PERMIT allows; else null.
    std::unique_ptr<QMenu> BuildContextMenu(int row);
    void Telecontrol();
    void OnTick();
    bool Waiting() const;
    int Ticks() const { return ticks_; }
    CTransferProgressDlg* Progress() const { return progress_.get(); }
    std::string CommandInFlight() const override;

protected:
    bool RowEditable(int row) const override;

private:
    void EndTelecontrol();
    QTimer* timer9_;
    int ticks_ = 0;
    int action_ = 0, value_ = 0;
    std::unique_ptr<CTransferProgressDlg> progress_;
};

class CTabForm : public CValueForm, public IRefTableWindow {
    Q_OBJECT
public:
    static constexpr std::uint16_t kCount = 100;
    CTabForm(CMarindleApp& app, std::uint16_t tableKey);
    ~CTabForm() override;
    void Initialise(const std::string& title) override;
    void AddRow(std::uint16_t device, std::uint16_t entryKey, const std::string& text) override;
    void RowsComplete() override;
    void ValuesComplete() override;
    void OneValue(std::uint16_t device, std::uint16_t entryKey, const std::string& text) override;
    // "召 唤" with the start index typed in edit 1027.
    void Requery();
    void ManualSet() { SendManualSet(); }
    void ManualCancel() { SendManualCancel(); }
    std::uint16_t StartIndex() const { return start_; }
    QLineEdit* StartEdit() const { return startEdit_; }

protected:
    bool RowEditable(int row) const override;

private:
    void SendMonitor(CRefTableMonitorMsg::Mode mode, std::uint16_t start);
    std::vector<ValueRow> received_;
    QLineEdit* startEdit_;
    std::uint16_t start_ = 0;
};

} // namespace marindle
