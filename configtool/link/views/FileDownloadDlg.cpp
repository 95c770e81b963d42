#include "configtool/link/views/FileDownloadDlg.h"

#include "platform/ui/FileDialog.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;
using platform::Ss;

CFileDownloadDlg::CFileDownloadDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Qs("文件下传设置"));
    setObjectName("CFileDownloadDlg");
    auto* grid = new QGridLayout();
    grid->addWidget(new QLabel(Qs("传送文件："), this), 0, 0);
    localEdit_ = new QLineEdit(this);
    localEdit_->setObjectName("localFileEdit");
    grid->addWidget(localEdit_, 0, 1);
    auto* browse = new QPushButton("...", this);
    browse->setObjectName("browseButton");
    grid->addWidget(browse, 0, 2);
    grid->addWidget(new QLabel(Qs("目标文件："), this), 1, 0);
    targetEdit_ = new QLineEdit(this);
    targetEdit_->setObjectName("targetFileEdit");
    grid->addWidget(targetEdit_, 1, 1);
    grid->addWidget(new QLabel(Qs("目标板卡："), this), 2, 0);
    boardCombo_ = new QComboBox(this);
    boardCombo_->setObjectName("boardCombo");
    grid->addWidget(boardCombo_, 2, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(Qs("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    buttons->addButton(Qs("取消"), QDialogButtonBox::RejectRole)->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &CFileDownloadDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFileDownloadDlg::reject);
    connect(browse, &QPushButton::clicked, this, [this] { OnBrowse(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void CFileDownloadDlg::OnInitDialog() {
    boardCombo_->clear();
    // Boards are named from 1 as in the project tree; the item's data is the unit's board index.
    for (int i = 0; i <= 11; ++i)
        boardCombo_->addItem(Qs(unitlink::text::BoardCaption(i)), i);
    boardCombo_->setCurrentIndex(boardCombo_->findData(static_cast<int>(m_board)));
    localEdit_->setText(Qs(m_local));
    targetEdit_->setText(Qs(m_target));
}

int CFileDownloadDlg::DoModal() {
    OnInitDialog();
    return platform::RunDialog(*this);
}

void CFileDownloadDlg::OnBrowse() {
    // "*" rather than "*.*": on this system "*.*" would hide files without an extension.
    QFileDialog dlg(this, Qs("打开"), QString(), Qs("所有文件 (*)"));
    dlg.setObjectName("browseDialog");
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    platform::PrepareFileDialog(dlg);
    if (platform::RunDialog(dlg) == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
        localEdit_->setText(dlg.selectedFiles().first());
}

void CFileDownloadDlg::accept() {
    // With nothing chosen the combo's failure value, cut to a byte, stands as the board.
    const int index = boardCombo_->currentIndex();
    m_board = index < 0 ? 255 : static_cast<std::uint8_t>(boardCombo_->itemData(index).toInt());
    m_local = Ss(localEdit_->text());
    m_target = Ss(targetEdit_->text());
    QDialog::accept();
}

} // namespace qxm7740
