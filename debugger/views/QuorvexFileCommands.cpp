// The file commands: download, upload, the unit's directory, saving and the transfer progress.
#include "debugger/views/QuorvexApp.h"

#include "debugger/views/FileDialogs.h"
#include "debugger/views/MainFrame.h"
#include "debugger/views/QuorvexCommandHelpers.h"

#include "debugger/core/DeviceRequests.h"

#include "platform/Gbk.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WidgetPrompt.h"

#include <QFileDialog>
#include <QTimer>

namespace quorvex {

using platform::Qs;
using platform::Ss;

void CQuorvexApp::CreateProgressWindow() {
    delete progress_.data();
    progress_ = new CTransferProgressDlg(frame_.get());
    ShowCentred(progress_, frame_.get());
}

void CQuorvexApp::OnDownloadFile() {
    if (!CheckRights(PRIV_UPDOWN))
        return;
    QFileDialog files(frame_.get(), "下装文件", Qs(data_.m_programFolder.string()), "所有文件 (*.*)");
    files.setFileMode(QFileDialog::ExistingFile);
    platform::PrepareFileDialog(files);
    if (platform::RunDialog(files) != QDialog::Accepted || files.selectedFiles().isEmpty())
        return;
    const std::string local = Ss(files.selectedFiles().front());
    CDownloadFileDlg dlg(data_.m_boards, local, std::filesystem::path(local).filename().string(),
                         frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp(dlg.m_boardNumber))
        return;
    CreateProgressWindow();
    if (worker_ && worker_->IsRunning())
        worker_->PostDownloadFile(dlg.m_local, dlg.m_target,
                                  static_cast<std::uint8_t>(dlg.m_boardNumber - 1));
    else if (link_)
        link_->StartDownload(dlg.m_local, dlg.m_target, static_cast<std::uint8_t>(dlg.m_boardNumber - 1));
}

void CQuorvexApp::OnUploadFile() {
    if (!CheckRights(PRIV_UPDOWN))
        return;
    CUploadFileDlg dlg(frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted || !LinkStillUp())
        return;
    CreateProgressWindow();
    if (worker_ && worker_->IsRunning())
        worker_->PostUploadFile(dlg.m_path);
    else if (link_)
        link_->StartUpload(dlg.m_path, 0);
}

void CQuorvexApp::OnFileDirectory() {
    CDirPathDlg dlg(frame_.get());
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return;
    RequestDirectory(dlg.m_path);
}

void CQuorvexApp::RequestDirectory(const std::string& path) {
    const std::string normalised = requests::NormaliseDirectoryPath(path);
    // Refused before the open window goes: it still shows the folder it lists.
    if (!platform::SurvivesGbk(normalised)) {
        platform::MessageBox(platform::kPathNotGbk, "错误信息", platform::Icon::Error);
        return;
    }
    if (!requests::DirectoryPathFits(normalised)) {
        platform::MessageBox(requests::kDirectoryPathTooLong, "错误信息", platform::Icon::Error);
        return;
    }
    if (!LinkStillUp())
        return;
    if (directory_) {
        // A window asking for a child path is deleted once its command has returned.
        directory_->hide();
        directory_->deleteLater();
        directory_ = nullptr;
    }
    Send(requests::Directory(normalised));
    directory_ = new CFileDirDlg(*this, normalised, frame_.get());
    ShowCentred(directory_, frame_.get());
}

void CQuorvexApp::SetProgress(int percent) {
    if (progress_)
        progress_->SetPosition(percent);
}

void CQuorvexApp::CloseProgressWindow(int delayMs) {
    if (!progress_)
        return;
    CTransferProgressDlg* dlg = progress_;
    progress_ = nullptr;
    if (delayMs > 0) {
        QTimer::singleShot(delayMs, dlg, [dlg] { dlg->deleteLater(); });
    } else {
        dlg->hide();
        dlg->deleteLater();
    }
}

bool CQuorvexApp::AskSaveFile(const std::string& initialFolder, const std::string& fileName,
                              std::string& path) {
    if (m_askSaveFile)
        return m_askSaveFile(initialFolder, fileName, path);
    QFileDialog dlg(frame_.get(), "保存文件", Qs((std::filesystem::path(initialFolder) / fileName).string()));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    // "(*)", not "(*.*)": Qt's save dialog puts the pattern's suffix in place of the file's own
    // ("big.cfg" would be proposed as "big.*").
    dlg.setNameFilter("所有文件 (*)");
    platform::PrepareFileDialog(dlg);
    if (platform::RunDialog(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    path = Ss(dlg.selectedFiles().front());
    return true;
}

void CQuorvexApp::AddDirectoryEntry(const std::string& name, std::uint32_t size, std::uint8_t type,
                                    std::int32_t time) {
    if (directory_)
        directory_->AddEntry(name, size, type, time);
}

void CQuorvexApp::DirectoryNotFound() {
    if (!directory_)
        return;
    directory_->hide();
    directory_->deleteLater();
    directory_ = nullptr;
    Later([] { platform::MessageBox("装置无此目录"); });
}

} // namespace quorvex
