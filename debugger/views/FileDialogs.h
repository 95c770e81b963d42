#pragma once
// The unit's file system: the directory path, upload and download dialogs, the directory window
// that lists a folder of the unit, and the file-transfer progress window.
#include "debugger/core/UnitBoard.h"

#include <QDialog>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QTableWidget;

namespace quorvex {

// A path of the length the path dialogs' edits show whole.
inline constexpr const char* kSamplePath = "/mnt/flash/config/protocols/iec104/master_station_1.cfg";

class CQuorvexApp;

// "文件目录": the path to list.
class CDirPathDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDirPathDlg(QWidget* parent = nullptr);
    void accept() override;
    std::string m_path;
    QLineEdit* m_edit;
};

// "上装文件": the path of a file on the unit.
class CUploadFileDlg : public QDialog {
    Q_OBJECT
public:
    explicit CUploadFileDlg(QWidget* parent = nullptr);
    void accept() override;
    std::string m_path;
    QLineEdit* m_edit;
};

// "下装文件": local file, path on the unit and target board.
class CDownloadFileDlg : public QDialog {
    Q_OBJECT
public:
    CDownloadFileDlg(const CUnitBoardArray& boards, const std::string& local, const std::string& target,
                     QWidget* parent = nullptr);
    void accept() override;
    std::string m_local;
    std::string m_target;
    int m_boardNumber = 0;
    QLineEdit* m_localEdit;
    QLineEdit* m_targetEdit;
    QComboBox* m_boardCombo;
};

// The directory window (modeless).
class CFileDirDlg : public QDialog {
    Q_OBJECT
public:
    CFileDirDlg(CQuorvexApp& app, const std::string& path, QWidget* parent = nullptr);
    void AddEntry(const std::string& name, std::uint32_t size, std::uint8_t type, std::int32_t time);
    // The pop-up menu of the selected row, or null for none.
    QMenu* CreateContextMenu();
    void UploadSelected();
    void OpenSelected();
    const std::string& Path() const { return path_; }
    QTableWidget* List() const { return list_; }

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    std::string SelectedText(int col) const;
    CQuorvexApp& app_;
    std::string path_;
    QTableWidget* list_;
};

// "正在传送文件，请勿作其它操作...".
class CTransferProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTransferProgressDlg(QWidget* parent = nullptr);
    void SetPosition(int percent);
    QProgressBar* m_bar;
};

} // namespace quorvex
