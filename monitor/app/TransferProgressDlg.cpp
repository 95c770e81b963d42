#include "monitor/app/TransferProgressDlg.h"

#include "platform/ui/FileDialog.h"
#include "platform/ui/WidgetPrompt.h"

#include <QFileDialog>
#include <QProgressBar>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace marindle {

CTransferProgressDlg::CTransferProgressDlg(const std::string& caption, QWidget* parent) : QDialog(parent) {
    setObjectName("CTransferProgressDlg");
    setWindowTitle(Qs(caption));
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progress1008");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    setModal(false);
    resize(360, 60);
}

void CTransferProgressDlg::SetPos(int position) {
    bar_->setValue(position);
}

int CTransferProgressDlg::Pos() const {
    return bar_->value();
}

std::string ChooseFile(QWidget* parent, bool save, const std::string& caption, const std::string& folder,
                       const std::string& proposedName, const QStringList& filters) {
    QFileDialog dlg(parent, Qs(caption), Qs(folder));
    dlg.setObjectName("fileDialog");
    platform::PrepareFileDialog(dlg);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setNameFilters(filters);
    if (!proposedName.empty())
        dlg.selectFile(Qs(proposedName));
    if (platform::RunDialog(dlg) != QDialog::Accepted)
        return {};
    const QStringList files = dlg.selectedFiles();
    return files.isEmpty() ? std::string() : Ss(files.front());
}

} // namespace marindle
