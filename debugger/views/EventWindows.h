#pragma once
// History events, remote commands and waveform records: the query dialogs that choose a device
// and a time range, and the modeless lists that the unit's answers fill.
#include "debugger/views/CappedRows.h"

#include "debugger/core/DbEntry.h"
#include "debugger/core/UnitBoard.h"

#include <QDialog>

#include <array>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QVBoxLayout;

namespace quorvex {

// The history list's caption, which also ends its window title.
inline constexpr const char* kHistoryCaption = "历史事件查看";

// The twelve date and time edits of a query: start and end year, month, day, hour, minute, second.
class CTimeRangeEdits {
public:
    void Build(QWidget* parent, QVBoxLayout* layout);
    // Now with the year less 5 and plus 5.
    void FillNow();
    CDeviceTime Start() const { return Read(start_); }
    CDeviceTime End() const { return Read(end_); }
    void SetEnabled(bool on);
    // Whether every field of both times is within its range (the year one a year byte carries);
    // the first that is not is refused with a box.
    bool YearsFit() const;
    std::array<QLineEdit*, 6> start_{};
    std::array<QLineEdit*, 6> end_{};

private:
    static CDeviceTime Read(const std::array<QLineEdit*, 6>& e);
};

// Board, port and device choice shared by the queries ("按端口查看装置").
class CDeviceChooser : public QObject {
    Q_OBJECT
public:
    CDeviceChooser(const CUnitBoardArray& boards, QWidget* parent, QVBoxLayout* layout);
    void FillAll();
    bool HasDevice() const;
    void SetEnabled(bool on);
    std::uint8_t m_board = 0;
    std::uint16_t m_device = 0;
    QComboBox* m_boardCombo;
    QComboBox* m_portCombo;
    QComboBox* m_deviceCombo;
    QCheckBox* m_byPort;
    std::function<void()> m_changed;

private:
    void FillPorts();
    void FillDevices();
    void Take();
    const CUnitBoardArray& boards_;
};

// "查看历史事件".
class CEventQueryDlg : public QDialog {
    Q_OBJECT
public:
    CEventQueryDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr);
    void accept() override;
    std::uint8_t m_board = 0;
    std::uint16_t m_device = 0;
    std::uint8_t m_eventType = 255;
    CDeviceTime m_start, m_end;
    CDeviceChooser* m_chooser;
    QCheckBox* m_allDevices;
    QComboBox* m_typeCombo;
    CTimeRangeEdits m_times;
    QPushButton* m_ok;

private:
    void Update();
};

// "查询远方命令".
class CRemoteCmdQueryDlg : public QDialog {
    Q_OBJECT
public:
    CRemoteCmdQueryDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr);
    void accept() override;
    std::uint8_t m_board = 0;
    std::uint16_t m_device = 0;
    std::uint8_t m_sourceBoard = 255;
    std::uint8_t m_sourceKind = 255;
    std::uint8_t m_sourcePort = 255;
    std::string m_sourcePortName;
    std::uint8_t m_commandType = 255;
    CDeviceTime m_start, m_end;
    CDeviceChooser* m_chooser;
    QCheckBox* m_allDevices;
    QCheckBox* m_allSources;
    QComboBox* m_typeCombo;
    QComboBox* m_sourceBoardCombo;
    QComboBox* m_sourcePortCombo;
    CTimeRangeEdits m_times;
    QPushButton* m_ok;

private:
    void FillSourcePorts();
    void Update();
    const CUnitBoardArray& boards_;
};

// "查询波形记录".
class CWaveQueryDlg : public QDialog {
    Q_OBJECT
public:
    CWaveQueryDlg(const CUnitBoardArray& boards, QWidget* parent = nullptr);
    void accept() override;
    std::uint16_t m_device = 0;
    std::uint8_t m_mode = 0;
    CDeviceTime m_start, m_end;
    std::uint16_t m_nof = 0;
    QComboBox* m_deviceCombo;
    QRadioButton* m_byTime;
    QRadioButton* m_byNof;
    QLineEdit* m_nofEdit;
    CTimeRangeEdits m_times;
    QPushButton* m_ok;

private:
    void SetMode(int mode);
};

// The result lists: "历史事件查看", "远方命令查询", "波形记录".
class CRecordListDlg : public QDialog {
    Q_OBJECT
public:
    QTableWidget* List() const { return list_; }
    QLabel* Caption() const { return caption_; }
    const CCappedRows& Rows() const { return *rows_; }
    QMenu* CreateContextMenu();

protected:
    CRecordListDlg(const char* name, const char* title, const std::string& caption,
                   const std::vector<std::pair<const char*, int>>& columns, QWidget* parent);
    void AddRow(const std::vector<std::string>& cells);
    // The 序号 of the next row: rows that left the list still count.
    std::uint64_t NextNumber() const { return rows_->Total() + 1; }
    void contextMenuEvent(QContextMenuEvent* e) override;
    QTableWidget* list_;
    QLabel* caption_;
    std::unique_ptr<CCappedRows> rows_;
};

class CEventHistoryDlg : public CRecordListDlg {
    Q_OBJECT
public:
    CEventHistoryDlg(const std::string& caption, QWidget* parent = nullptr);
    void AddEvent(const CHistoryEventRecord& rec);
};

class CRemoteCmdListDlg : public CRecordListDlg {
    Q_OBJECT
public:
    CRemoteCmdListDlg(const std::string& caption, QWidget* parent = nullptr);
    void AddCommand(const CRemoteCommandRecord& rec);
};

class CWaveListDlg : public CRecordListDlg {
    Q_OBJECT
public:
    explicit CWaveListDlg(QWidget* parent = nullptr);
    void AddRecord(const std::string& name, std::uint16_t address, const CDeviceTime& time,
                   std::uint16_t nof);
};

} // namespace quorvex
