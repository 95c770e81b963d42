#pragma once
// The history query windows of one device: historical events, remote commands from the master
// stations and fault waveform records, each queried over a time range and listed.
#include "monitor/app/MonitorForm.h"
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/HistoryQuery.h"

#include <ctime>
#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimeEdit;
class QVBoxLayout;
class QHBoxLayout;

namespace marindle {

class CDeviceRecord;

class CHistoryForm : public CMonitorForm {
    Q_OBJECT
public:
    CHistoryForm(CMarindleApp& app, int kind, std::uint16_t deviceKey);

    void Initialise(const std::string& title) override;
    // Button 1015 "召 唤".
    void Query();
    virtual void ShowRecords(bool last) = 0;
    bool Waiting() const { return waiting_ != 0; }
    std::string CommandInFlight() const override { return Waiting() ? "召唤" : ""; }
    void SetRange(std::time_t start, std::time_t end);
    std::time_t Start() const;
    std::time_t End() const;
    QTableWidget* List() const { return list_; }
    QLabel* WaitLabel() const { return wait_; }

protected:
    void SetColumns(const std::vector<const char*>& titles, const std::vector<int>& widths);
    // Sends the request with the range; false when the query ends without sending.
    virtual bool SendQuery(CDeviceRecord& device, std::time_t start, std::time_t end) = 0;
    virtual bool CheckFilters() { return true; }
    // The last check before the device is looked up (it may show a box); false stops the query.
    virtual bool PrepareQuery() { return true; }
    virtual void FreeRecords() = 0;
    void AddRow(const std::vector<std::string>& cells);
    // Widens every column to its title and the texts of the rows from firstRow on (never narrower
    // than it is, nor than its width from SetColumns), so that no file name or description is cut.
    void FitColumns(int firstRow = 0);

    QVBoxLayout* layout_;
    QHBoxLayout* filters_;
    std::vector<int> widths_; // of SetColumns
    QTableWidget* list_;
    QLabel* wait_;
    QPushButton* query_;
    QDateEdit* fromDate_; // 1030
    QTimeEdit* fromTime_; // 1031
    QDateEdit* toDate_;   // 1025
    QTimeEdit* toTime_;   // 1026
    int waiting_ = 0;
};

class CEventForm : public CHistoryForm, public IEventWindow {
    Q_OBJECT
public:
    CEventForm(CMarindleApp& app, std::uint16_t deviceKey);
    void Initialise(const std::string& title) override;
    void AddRecord(const std::string& description, int eventType, std::time_t time, std::uint16_t entryKey,
                   const std::string& value) override;
    void ShowRecords(bool last) override;
    void Export();
    QComboBox* TypeCombo() const { return type_; }

protected:
    bool SendQuery(CDeviceRecord& device, std::time_t start, std::time_t end) override;
    bool CheckFilters() override;
    void FreeRecords() override {
        records_.clear();
        shown_ = 0;
    }

private:
    QComboBox* type_; // 1047
    std::vector<EventRecord> records_;
    unsigned shown_ = 0;
};

class CRmtForm : public CHistoryForm, public IRemoteCmdWindow {
    Q_OBJECT
public:
    CRmtForm(CMarindleApp& app, std::uint16_t deviceKey);
    void Initialise(const std::string& title) override;
    void AddRecord(const std::string& description, int commandType, const std::string& source,
                   std::time_t time, std::uint16_t entryKey, const std::string& value,
                   const std::string& selfDescription) override;
    void ShowRecords(bool last) override;
    void Export();
    QComboBox* SourceCombo() const { return source_; }
    QComboBox* TypeCombo() const { return type_; }

protected:
    bool SendQuery(CDeviceRecord& device, std::time_t start, std::time_t end) override;
    bool CheckFilters() override;
    void FreeRecords() override { records_.clear(); }

private:
    QComboBox* source_; // 1044
    QComboBox* type_;   // 1047
    std::vector<std::uint16_t> portKeys_;
    std::vector<RemoteCmdRecord> records_;
};

class CWaveForm : public CHistoryForm, public IWaveWindow {
    Q_OBJECT
public:
    CWaveForm(CMarindleApp& app, std::uint16_t deviceKey);
    void Initialise(const std::string& title) override;
    void AddRecord(const std::string& fileName, const std::string& sourceFileName, std::time_t faultTime,
                   std::uint16_t nof) override;
    void ShowRecords(bool last) override;
    // 0 by time, 1 by NOF.
    void SetMode(int mode);
    int Mode() const { return mode_; }
    QLineEdit* NofEdit() const { return nof_; }

protected:
    bool PrepareQuery() override;
    bool SendQuery(CDeviceRecord& device, std::time_t start, std::time_t end) override;
    void FreeRecords() override { records_.clear(); }

private:
    QRadioButton* byTime_; // 1028
    QRadioButton* byNof_;  // 1029
    QLineEdit* nof_;       // 1027
    QLabel* nofLabel_;     // 1002
    int mode_ = 0;
    std::uint16_t nofValue_ = 0; // of the query being sent
    std::vector<WaveRecord> records_;
};

} // namespace marindle
