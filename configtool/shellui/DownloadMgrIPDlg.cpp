#include "configtool/shellui/DownloadMgrIPDlg.h"

#include "platform/Text.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/WidgetPrompt.h"

#include <filesystem>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;
using platform::Ss;

CDownloadMgrIPDlg::CDownloadMgrIPDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("downloadMgrIPDlg");
    setWindowTitle("下装管理机IP");
    m_pNumber = new QLineEdit(this);
    m_pNumber->setObjectName("number");

    m_pList = new QTableWidget(CMgrIpFile::kRowCount, ColCount, this);
    m_pList->setObjectName("ipList");
    m_pList->setHorizontalHeaderLabels({"序号", "板卡号", "IP地址", "子网地址", "网关地址"});
    m_pList->verticalHeader()->hide();
    m_pList->setShowGrid(true);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    // Only the three address columns take a click into their editor.
    m_pList->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                             QAbstractItemView::DoubleClicked);
    QPalette pal = m_pList->palette();
    pal.setColor(QPalette::Base, QColor(0xDF, 0xDF, 0xDF));
    m_pList->setPalette(pal);
    for (int row = 0; row < CMgrIpFile::kRowCount; ++row) {
        for (int col = 0; col < ColCount; ++col) {
            auto* item = new QTableWidgetItem;
            if (col == ColIndex)
                item->setText(QString::number(row + 1));
            else if (col == ColBoard)
                item->setText(QString::number(CMgrIpFile::BoardOfRow(row)));
            if (col < ColAddress)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            m_pList->setItem(row, col, item);
        }
    }

    m_pRead = new QPushButton("读取", this);
    m_pRead->setObjectName("read");
    connect(m_pRead, &QPushButton::clicked, this, &CDownloadMgrIPDlg::OnRead);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("确认", QDialogButtonBox::AcceptRole)->setObjectName("ok");
    buttons->addButton("取消", QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow("管理机地址：", m_pNumber);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_pRead);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_pList);
    layout->addLayout(bottom);
    resize(560, 300);
}

void CDownloadMgrIPDlg::SizeColumns() {
    const int width = m_pList->viewport()->width();
    m_pList->setColumnWidth(ColIndex, width / 8);
    m_pList->setColumnWidth(ColBoard, width / 8);
    for (int col = ColAddress; col < ColCount; ++col)
        m_pList->setColumnWidth(col, width / 4);
}

void CDownloadMgrIPDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    SizeColumns();
}

void CDownloadMgrIPDlg::CommitEditor() {
    // Leaving the current cell writes an open editor's text into it, as losing the focus does.
    m_pList->setCurrentIndex(QModelIndex());
}

CMgrIpFile::Rows CDownloadMgrIPDlg::GetRows() const {
    CMgrIpFile::Rows rows;
    for (int row = 0; row < CMgrIpFile::kRowCount; ++row) {
        rows[row].address = Ss(m_pList->item(row, ColAddress)->text());
        rows[row].mask = Ss(m_pList->item(row, ColMask)->text());
        rows[row].gateway = Ss(m_pList->item(row, ColGateway)->text());
    }
    return rows;
}

void CDownloadMgrIPDlg::SetRows(const CMgrIpFile::Rows& rows) {
    for (int row = 0; row < CMgrIpFile::kRowCount; ++row) {
        m_pList->item(row, ColAddress)->setText(Qs(rows[row].address));
        m_pList->item(row, ColMask)->setText(Qs(rows[row].mask));
        m_pList->item(row, ColGateway)->setText(Qs(rows[row].gateway));
    }
}

void CDownloadMgrIPDlg::OnRead() {
    QFileDialog chooser(this);
    chooser.setObjectName("ipFileChooser");
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setNameFilter("IP文件 (*.ini)");
    platform::PrepareFileDialog(chooser);
    if (platform::RunDialog(chooser) != QDialog::Accepted)
        return;
    const QStringList chosen = chooser.selectedFiles();
    if (!chosen.isEmpty())
        ReadFile(Ss(chosen.front()));
}

bool CDownloadMgrIPDlg::ReadFile(const std::string& path) {
    CommitEditor();
    CMgrIpFile::Rows rows = GetRows();
    CMgrIpFile::ReadResult result = CMgrIpFile::Read(path, rows);
    SetRows(rows);
    return result == CMgrIpFile::ReadResult::Ok;
}

void CDownloadMgrIPDlg::accept() {
    const std::string number = Ss(m_pNumber->text());
    if (!CMgrIpFile::CheckNumber(number))
        return;
    CommitEditor();
    m_strFileName = CMgrIpFile::FileNameFor(number);
    m_strFilePath = (std::filesystem::current_path() / m_strFileName).string();
    if (!CMgrIpFile::Write(m_strFilePath, GetRows()))
        return;
    QDialog::accept();
}

} // namespace qxm7740
