#include "monitor/app/CataForm.h"

#include "monitor/app/CommandIds.h"
#include "monitor/app/MarindleApp.h"
#include "monitor/app/TransferProgressDlg.h"
#include "monitor/model/MonitorTexts.h"
#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/ui/DialogButtons.h"

#include "platform/ui/WidgetPrompt.h"
#include <QDialogButtonBox>

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace marindle {

CDownloadTargetDlg::CDownloadTargetDlg(const std::vector<std::uint8_t>& boards, const std::string& local,
                                       const std::string& target, QWidget* parent)
    : QDialog(parent), numbers_(boards) {
    setObjectName("CDownloadTargetDlg");
    setWindowTitle(Qs("下装文件"));
    boards_ = new QComboBox(this);
    boards_->setObjectName("combo1076");
    for (std::uint8_t b : boards)
        boards_->addItem(Qs(platform::StrFormat("板卡%u", b + 1u)));
    local_ = new QLineEdit(Qs(local), this);
    local_->setObjectName("edit1007");
    target_ = new QLineEdit(Qs(target), this);
    target_->setObjectName("edit1006");
    auto* form = new QFormLayout;
    form->addRow(Qs("目标板卡"), boards_);
    form->addRow(Qs("本机文件"), local_);
    form->addRow(Qs("目标文件"), target_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(platform::MakeOkCancelButtons(this));
    resize(480, 150);
}

void CDownloadTargetDlg::accept() {
    m_local = Ss(local_->text());
    m_target = Ss(target_->text());
    const int i = boards_->currentIndex();
    m_board = i >= 0 && i < static_cast<int>(numbers_.size()) ? numbers_[i] : 0;
    QDialog::accept();
}

CCataForm::CCataForm(CMarindleApp& app) : CMonitorForm(app, kCataWindow, {}) {
    setObjectName("CCataForm");
    QLabel* caption = MakeCaption();
    auto* download = new QPushButton(Qs("下装文件"), this);
    download->setObjectName("button1043");
    auto* go = new QPushButton(Qs("转到"), this);
    go->setObjectName("button1048");
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName("edit1052");
    wait_ = new QLabel(Qs(text::kQuerying), this);
    wait_->setObjectName("static1032");
    list_ = new QTableWidget(this);
    list_->setObjectName("list1028");
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* top = new QHBoxLayout;
    top->addWidget(caption);
    top->addWidget(pathEdit_, 1);
    top->addWidget(go);
    top->addWidget(wait_);
    top->addWidget(download);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_);
    timer4_ = new QTimer(this);
    connect(timer4_, &QTimer::timeout, this, [this] { OnTimeout(); });
    connect(go, &QPushButton::clicked, this, [this] { GoTo(Ss(pathEdit_->text())); });
    connect(pathEdit_, &QLineEdit::returnPressed, this, [this] { GoTo(Ss(pathEdit_->text())); });
    connect(download, &QPushButton::clicked, this, [this] { Download(); });
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row < 0 || row >= static_cast<int>(entries_.size()))
            return;
        if (entries_[row].type == 1)
            Upload(row);
        else if (entries_[row].type == 2)
            OpenFolder(row);
    });
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { SortColumn(c); });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        const QModelIndex index = list_->indexAt(p);
        if (auto menu = BuildContextMenu(index.isValid() ? index.row() : -1))
            menu->exec(list_->viewport()->mapToGlobal(p));
    });
}

CCataForm::~CCataForm() {
    timer4_->stop();
}

void CCataForm::Initialise(const std::string& title) {
    CMonitorForm::Initialise(title);
    const char* titles[] = {"名称", "大小", "类型", "修改时间"};
    const int widths[] = {200, 100, 100, 300};
    list_->setColumnCount(4);
    for (int c = 0; c < 4; ++c) {
        list_->setHorizontalHeaderItem(c, new QTableWidgetItem(Qs(titles[c])));
        list_->setColumnWidth(c, widths[c]);
    }
    findChild<QLabel*>("static1024")->setText(Qs(title));
    wait_->hide();
    path_ = kRootPath;
    pathEdit_->setText(Qs(path_));
    RequestDirectory();
}

void CCataForm::RequestDirectory() {
    if (path_.empty())
        return;
    if (!platform::SurvivesGbk(path_)) {
        platform::MessageBox(platform::kPathNotGbk);
        return;
    }
    app_.link.SendRequest(CFileDirMsg(path_));
    wait_->show();
}

void CCataForm::GoTo(const std::string& path) {
    path_ = path;
    pathEdit_->setText(Qs(path_));
    RequestDirectory();
    list_->setRowCount(0);
    entries_.clear();
    refused_ = 0;
}

void CCataForm::OpenFolder(int row) {
    if (row < 0 || row >= static_cast<int>(entries_.size()))
        return;
    GoTo(OpenFolderPath(path_, entries_[row]));
}

void CCataForm::AddEntry(const std::string& name, std::uint8_t type, std::uint32_t size, std::uint32_t time) {
    if (!AddCatalogueEntry(entries_, name, type, size, time) && name != ".")
        ++refused_;
}

void CCataForm::FillRows(bool scroll) {
    list_->setRowCount(0);
    list_->setRowCount(static_cast<int>(entries_.size()));
    for (int r = 0; r < static_cast<int>(entries_.size()); ++r) {
        const auto cells = CatalogueRowTexts(entries_[r]);
        for (int c = 0; c < 4; ++c)
            list_->setItem(r, c, new QTableWidgetItem(Qs(cells[c])));
    }
    if (scroll && !entries_.empty())
        list_->scrollToItem(list_->item(static_cast<int>(entries_.size()) - 1, 0));
}

void CCataForm::ShowEntries() {
    FillRows(true);
    wait_->hide();
    if (refused_) {
        app_.MessageLater(CatalogueCappedText(refused_));
        refused_ = 0;
    }
}

void CCataForm::SortColumn(int column) {
    if (column < 0 || column > 3)
        return;
    sortDirection_[column] = !sortDirection_[column];
    SortCatalogue(entries_, column, sortDirection_[column] == 1);
    FillRows(false);
}

std::unique_ptr<QMenu> CCataForm::BuildContextMenu(int row) {
    int type = 0;
    if (row >= 0) {
        if (row >= static_cast<int>(entries_.size()))
            return nullptr;
        type = entries_[row].type;
        if (type != 1 && type != 2)
            return nullptr;
    }
    auto menu = std::make_unique<QMenu>(Qs("目录"));
    QAction* open = menu->addAction(Qs("打开"));
    open->setData(kCmdOpenFolder);
    open->setEnabled(row >= 0 && type == 2);
    connect(open, &QAction::triggered, this, [this, row] { OpenFolder(row); });
    QAction* down = menu->addAction(Qs("下装"));
    down->setData(kCmdDownloadFile);
    connect(down, &QAction::triggered, this, [this] { Download(); });
    QAction* up = menu->addAction(Qs("上装"));
    up->setData(kCmdUploadFile);
    up->setEnabled(row >= 0 && type == 1);
    connect(up, &QAction::triggered, this, [this, row] { Upload(row); });
    return menu;
}

bool CCataForm::TimerRunning() const {
    return timer4_->isActive();
}

std::string CCataForm::CommandInFlight() const {
    if (held_ && TimerRunning())
        return (direction_ ? "文件上装(" : "文件下装(") + remote_ + ")";
    return wait_->isHidden() ? "" : "目录召唤(" + path_ + ")";
}

void CCataForm::StartTimer(int ms) {
    timer4_->start(ms);
}

void CCataForm::StopTimer() {
    timer4_->stop();
}

void CCataForm::ShowProgress() {
    progress_ = std::make_unique<CTransferProgressDlg>("正在传送文件，请稍候……", this);
    progress_->SetPos(0);
    progress_->show();
}

void CCataForm::CloseProgress() {
    progress_.reset();
}

void CCataForm::FreeBuffer() {
    buffer_.clear();
    buffer_.shrink_to_fit();
    held_ = false;
}

void CCataForm::Upload(int row) {
    if (row < 0 || row >= static_cast<int>(entries_.size()) || entries_[row].type != 1)
        return;
    const CatalogueEntry entry = entries_[row];
    if (entry.size > kMaxTransferBytes) {
        platform::MessageBox(kUploadTooLarge);
        return;
    }
    // The dialogs belong to the main window and this window is looked at again afterwards: a
    // reconnect while a dialog is open closes the monitor windows.
    const QPointer<CCataForm> self(this);
    CMarindleApp& app = app_;
    const std::string chosen =
        ChooseFile(window(), true, "保存文件", app_.SavFolder().string(), entry.name, {Qs(kAllFilesFilter)});
    if (chosen.empty())
        return;
    if (!self) {
        TellNotSent(app, "文件上装");
        return;
    }
    remote_ = path_ + "/" + entry.name;
    local_ = chosen;
    board_ = 0;
    fileId_ = 0;
    total_ = entry.size;
    // The buffer grows with the data that arrives, never by what the listing claims.
    buffer_.clear();
    buffer_.shrink_to_fit();
    held_ = true;
    done_ = 0;
    chunkNo_ = 0;
    more_ = 0;
    direction_ = 1;
    if (!app_.link.SendRequest(CFileOpenMsg(0, 1, 0, remote_))) {
        FreeBuffer();
        TellNotSent(app_, "文件上装");
        return;
    }
    StartTimer(kOpenWaitMs);
    ShowProgress();
}

void CCataForm::Download() {
    if (path_ == kRootPath) {
        platform::MessageBox("当前路径错。");
        return;
    }
    const QPointer<CCataForm> self(this);
    CMarindleApp& app = app_;
    const std::string chosen =
        ChooseFile(window(), false, "下装文件", app_.ProgramFolder().string(), {}, {Qs(kAllFilesFilter)});
    if (chosen.empty())
        return;
    if (!self) {
        TellNotSent(app, "文件下装");
        return;
    }
    CDownloadTargetDlg target(app_.model.Boards(), chosen, path_ + "/" + platform::FileNameOf(chosen),
                              window());
    if (platform::RunDialog(target) != QDialog::Accepted)
        return;
    if (!self) {
        TellNotSent(app, "文件下装");
        return;
    }
    if (!platform::SurvivesGbk(target.m_target)) {
        platform::MessageBox(platform::kPathNotGbk);
        return;
    }
    remote_ = target.m_target;
    local_ = chosen;
    board_ = target.m_board;
    fileId_ = 0;
    FreeBuffer();
    // A file to send that cannot be looked at or read is told with its name and the reason.
    const platform::PathStat stat = platform::StatPath(local_);
    if (stat.size > kMaxTransferBytes) {
        platform::MessageBox(kDownloadTooLarge);
        return;
    }
    std::string bytes;
    const int error = stat.Failed() ? stat.error : platform::ReadWholeFile(local_, bytes);
    if (error != 0 || bytes.size() > kMaxTransferBytes) {
        platform::MessageBox(error != 0 ? platform::StrFormat("读取文件失败。\n%s：%s", local_.c_str(),
                                                              platform::ErrorText(error).c_str())
                                        : std::string("读取文件失败。"));
        return;
    }
    buffer_.assign(bytes.begin(), bytes.end());
    held_ = true;
    total_ = static_cast<std::uint32_t>(buffer_.size());
    done_ = 0;
    chunkNo_ = 0;
    more_ = 0;
    direction_ = 0;
    if (!app_.link.SendRequest(CFileOpenMsg(board_, 0, total_, remote_))) {
        FreeBuffer();
        TellNotSent(app_, "文件下装");
        return;
    }
    StartTimer(kOpenWaitMs);
    ShowProgress();
}

void CCataForm::OnOpenReply(std::uint8_t ok, std::uint32_t length, std::uint32_t fileId) {
    if (ok == 0 || length != total_) {
        CloseProgress();
        app_.MessageLater(ok == 0 ? "文件打开失败。" : "文件大小有误。");
        return;
    }
    StopTimer();
    if (!held_)
        return;
    fileId_ = fileId;
    if (direction_ == 0)
        SendChunk();
    else
        app_.link.SendRequest(CFileReadyMsg(fileId_));
    StartTimer(kStepWaitMs);
}

void CCataForm::SendChunk() {
    const ChunkPlan plan = NextChunk(done_, total_);
    more_ = plan.more;
    app_.link.SendRequest(CFileDataMsg(board_, fileId_, more_, chunkNo_, buffer_.data() + done_, plan.size));
    ++chunkNo_;
    done_ += plan.size;
    if (progress_)
        progress_->SetPos(ProgressOf(done_, total_));
}

void CCataForm::OnChunkAnswer(std::uint32_t fileId, std::uint8_t ok, std::uint16_t chunkNo) {
    const char* error = nullptr;
    if (ok == 0)
        error = "文件传输失败。";
    else if (fileId != fileId_)
        error = "文件标识错。";
    else if (static_cast<std::uint16_t>(chunkNo + 1) != chunkNo_)
        error = "文件数据段号错。";
    if (error) {
        CloseProgress();
        app_.MessageLater(error);
        return;
    }
    StopTimer();
    if (!held_)
        return;
    if (more_ == 1) {
        SendChunk();
        StartTimer(kStepWaitMs);
        return;
    }
    app_.link.SendRequest(CFileCloseMsg(board_, remote_));
    FreeBuffer();
    if (progress_)
        progress_->SetPos(100);
    CloseProgress();
    app_.MessageLater("文件传输完毕。");
}

void CCataForm::OnChunk(std::uint32_t fileId, std::uint8_t more, std::uint16_t chunkNo,
                        const std::uint8_t* data, std::size_t size) {
    if (static_cast<std::uint64_t>(done_) + size > total_) {
        CloseProgress();
        app_.MessageLater("文件大小有误。");
        return;
    }
    if (fileId != fileId_) {
        CloseProgress();
        app_.MessageLater("文件标识错。");
        return;
    }
    StopTimer();
    if (!held_)
        return;
    if (size)
        buffer_.insert(buffer_.end(), data, data + size);
    chunkNo_ = chunkNo;
    done_ += static_cast<std::uint32_t>(size);
    app_.link.SendRequest(CFileAnswerMsg(fileId_, 1, chunkNo_));
    if (more == 1) {
        if (progress_)
            progress_->SetPos(ProgressOf(done_, total_));
        StartTimer(kStepWaitMs);
        return;
    }
    app_.link.SendRequest(CFileCloseMsg(0, remote_));
    // The file holds exactly the bytes received (not the zeros of a shorter transfer).
    const bool written = platform::ReplaceFileBytes(
        local_, std::string_view(reinterpret_cast<const char*>(buffer_.data()), done_));
    FreeBuffer();
    if (progress_)
        progress_->SetPos(100);
    CloseProgress();
    app_.MessageLater(written ? "文件传输完毕。" : text::kWriteFailed);
}

void CCataForm::OnTimeout() {
    FreeBuffer();
    CloseProgress();
    StopTimer();
    app_.MessageLater("等待文件数据超时，停止发送。");
}

} // namespace marindle
