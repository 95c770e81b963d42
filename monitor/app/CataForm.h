#pragma once
// "文件目录": browses the unit's file system folder by folder, uploads one file to this computer
// and downloads one local file into the current folder of the unit, in chunks of 1024 bytes.
#include "monitor/app/MonitorForm.h"
#include "monitor/core/MonitorWindows.h"
#include "monitor/model/Catalogue.h"

#include <memory>
#include <QDialog>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTableWidget;
class QTimer;

namespace marindle {

class CTransferProgressDlg;

// "下装文件": the target board and the target path of a download.
class CDownloadTargetDlg : public QDialog {
    Q_OBJECT
public:
    CDownloadTargetDlg(const std::vector<std::uint8_t>& boards, const std::string& local,
                       const std::string& target, QWidget* parent = nullptr);
    void accept() override;
    std::string m_local, m_target;
    std::uint8_t m_board = 0;
    QComboBox* boards_; // 1076
    QLineEdit* local_;  // 1007
    QLineEdit* target_; // 1006

private:
    std::vector<std::uint8_t> numbers_;
};

class CCataForm : public CMonitorForm, public ICatalogueWindow {
    Q_OBJECT
public:
    static constexpr int kOpenWaitMs = 30000;
    static constexpr int kStepWaitMs = 20000;

    explicit CCataForm(CMarindleApp& app);
    ~CCataForm() override;

    void Initialise(const std::string& title) override;
    int TransferDirection() const override { return direction_; }
    void OnOpenReply(std::uint8_t ok, std::uint32_t length, std::uint32_t fileId) override;
    void OnChunk(std::uint32_t fileId, std::uint8_t more, std::uint16_t chunkNo, const std::uint8_t* data,
                 std::size_t size) override;
    void OnChunkAnswer(std::uint32_t fileId, std::uint8_t ok, std::uint16_t chunkNo) override;
    void AddEntry(const std::string& name, std::uint8_t type, std::uint32_t size,
                  std::uint32_t time) override;
    void ShowEntries() override;

    void GoTo(const std::string& path);
    void OpenFolder(int row);
    void Upload(int row);
    void Download();
    void SortColumn(int column);
    void OnTimeout();
    // The menu for a row (-1 none); null for a row of another type.
    std::unique_ptr<QMenu> BuildContextMenu(int row);

    const std::string& CurrentPath() const { return path_; }
    const std::vector<CatalogueEntry>& Entries() const { return entries_; }
    bool Transferring() const { return held_; }
    bool TimerRunning() const;
    std::string CommandInFlight() const override;
    CTransferProgressDlg* Progress() const { return progress_.get(); }
    QTableWidget* List() const { return list_; }
    QLabel* WaitLabel() const { return wait_; }

private:
    void RequestDirectory();
    void FillRows(bool scroll);
    void StartTimer(int ms);
    void StopTimer();
    void ShowProgress();
    void CloseProgress();
    void FreeBuffer();
    void SendChunk();

    QTableWidget* list_;
    QLabel* wait_;
    QLineEdit* pathEdit_;
    QTimer* timer4_;
    std::string path_ = kRootPath;
    std::vector<CatalogueEntry> entries_;
    std::size_t refused_ = 0; // entries of the listing beyond the bound, told once it is shown
    int sortDirection_[4] = {};
    std::string remote_, local_;
    std::uint8_t board_ = 0;
    std::uint32_t fileId_ = 0;
    std::uint32_t total_ = 0;
    std::vector<std::uint8_t> buffer_;
    bool held_ = false; // a transfer buffer is held (a transfer runs)
    std::uint32_t done_ = 0;
    std::uint16_t chunkNo_ = 0;
    std::uint8_t more_ = 0;
    int direction_ = 0;
    std::unique_ptr<CTransferProgressDlg> progress_;
};

} // namespace marindle
