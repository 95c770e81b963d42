#include "debugger/views/FileDialogs.h"

#include "debugger/model/AppRules.h"
#include "debugger/views/ContextMenu.h"
#include "debugger/views/QuorvexApp.h"

#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

namespace quorvex {

using platform::Qs;
using platform::Ss;

namespace {

QLineEdit* Edit(QWidget* parent, QFormLayout* form, const char* name, const char* label) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    // Wide enough for a real path of the unit or of this computer.
    e->setMinimumWidth(QFontMetrics(e->font()).horizontalAdvance(kSamplePath) + 16);
    form->addRow(label, e);
    return e;
}

} // namespace

CDirPathDlg::CDirPathDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CDirPathDlg");
    setWindowTitle("文件目录");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_edit = Edit(this, form, "path", "请填入目录路径");
    layout->addLayout(form);
    layout->addWidget(platform::MakeOkCancelButtons(this));
}

void CDirPathDlg::accept() {
    m_path = Ss(m_edit->text());
    QDialog::accept();
}

CUploadFileDlg::CUploadFileDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CUploadFileDlg");
    setWindowTitle("上装文件");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_edit = Edit(this, form, "path", "传送文件");
    layout->addLayout(form);
    layout->addWidget(platform::MakeOkCancelButtons(this));
}

void CUploadFileDlg::accept() {
    m_path = Ss(m_edit->text());
    QDialog::accept();
}

CDownloadFileDlg::CDownloadFileDlg(const CUnitBoardArray& boards, const std::string& local,
                                   const std::string& target, QWidget* parent)
    : QDialog(parent) {
    setObjectName("CDownloadFileDlg");
    setWindowTitle("下装文件");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_localEdit = Edit(this, form, "local", "本机文件路径");
    m_targetEdit = Edit(this, form, "target", "目标机文件路径");
    m_boardCombo = new QComboBox(this);
    m_boardCombo->setObjectName("board");
    for (int i = 0; i < boards.GetSize(); ++i)
        m_boardCombo->addItem(QString::number(boards[i].m_boardNumber), i + 1);
    form->addRow("目标机板卡", m_boardCombo);
    layout->addLayout(form);
    layout->addWidget(platform::MakeOkCancelButtons(this));
    m_localEdit->setText(Qs(local));
    m_targetEdit->setText(Qs(target));
    if (boards.GetSize() > 0)
        m_boardNumber = boards[0].m_boardNumber;
    connect(m_boardCombo, &QComboBox::activated, this,
            [this] { m_boardNumber = m_boardCombo->currentText().toInt(); });
}

void CDownloadFileDlg::accept() {
    m_local = Ss(m_localEdit->text());
    m_target = Ss(m_targetEdit->text());
    if (m_boardCombo->currentIndex() >= 0)
        m_boardNumber = m_boardCombo->currentText().toInt();
    QDialog::accept();
}

CFileDirDlg::CFileDirDlg(CQuorvexApp& app, const std::string& path, QWidget* parent)
    : QDialog(parent), app_(app), path_(path) {
    setObjectName("CFileDirDlg");
    setWindowTitle("文件目录");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(Qs(path), this);
    label->setObjectName("path");
    layout->addWidget(label);
    list_ = new QTableWidget(this);
    list_->setObjectName("list");
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->verticalHeader()->hide();
    list_->setColumnCount(4);
    list_->setHorizontalHeaderLabels({"名称", "大小", "类型", "修改时间"});
    const int w = 640 / 10;
    list_->setColumnWidth(0, 3 * w);
    list_->setColumnWidth(1, 2 * w);
    list_->setColumnWidth(2, 3 * w / 2);
    list_->setColumnWidth(3, 7 * w / 2);
    layout->addWidget(list_);
    auto* exit = new QPushButton("退出", this);
    exit->setObjectName("exit");
    connect(exit, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(exit, 0, Qt::AlignRight);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this] {
        if (SelectedText(2) == "文件夹")
            OpenSelected();
    });
    resize(720, 420);
}

void CFileDirDlg::AddEntry(const std::string& name, std::uint32_t size, std::uint8_t type,
                           std::int32_t time) {
    const int row = list_->rowCount();
    list_->insertRow(row);
    const std::string cells[] = {name, SizeText(size), EntryTypeText(type), EntryTimeText(time)};
    for (int c = 0; c < 4; ++c)
        list_->setItem(row, c, new QTableWidgetItem(Qs(cells[c])));
}

std::string CFileDirDlg::SelectedText(int col) const {
    const int row = list_->currentRow();
    if (row < 0 || !list_->item(row, col))
        return {};
    return Ss(list_->item(row, col)->text());
}

QMenu* CFileDirDlg::CreateContextMenu() {
    const std::string type = SelectedText(2);
    if (type != "文件" && type != "文件夹")
        return nullptr;
    auto* menu = new QMenu(this);
    QAction* upload = menu->addAction("上装文件", [this] { UploadSelected(); });
    QAction* open = menu->addAction("打开目录", [this] { OpenSelected(); });
    upload->setEnabled(type == "文件");
    open->setEnabled(type == "文件夹");
    return menu;
}

void CFileDirDlg::contextMenuEvent(QContextMenuEvent* e) {
    ShowContextMenu(CreateContextMenu(), e->globalPos());
}

void CFileDirDlg::UploadSelected() {
    // The window may go while the login dialog is up (a new listing replaces it, or the unit
    // reports the folder gone): what the upload needs is taken before.
    const std::string path = ChildPath(path_, SelectedText(0));
    CQuorvexApp& app = app_;
    if (!app.CheckRights(PRIV_UPDOWN))
        return;
    app.CreateProgressWindow();
    if (CNetMagThread* worker = app.Worker(); worker && worker->IsRunning())
        worker->PostUploadFile(path);
    else if (CDeviceLink* link = app.Link())
        link->StartUpload(path, 0);
}

void CFileDirDlg::OpenSelected() {
    const std::string path = ChildPath(path_, SelectedText(0));
    app_.RequestDirectory(path);
}

CTransferProgressDlg::CTransferProgressDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CTransferProgressDlg");
    setWindowTitle("正在传送文件，请勿作其它操作...");
    auto* layout = new QVBoxLayout(this);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName("progress");
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    layout->addWidget(m_bar);
    setMinimumWidth(360);
}

void CTransferProgressDlg::SetPosition(int percent) {
    m_bar->setValue(percent);
}

} // namespace quorvex
