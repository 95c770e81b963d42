#include "configtool/shellui/UploadMgrIPDlg.h"

#include "configtool/model/MgrIpFile.h"

#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Ss;

CUploadMgrIPDlg::CUploadMgrIPDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("uploadMgrIPDlg");
    setWindowTitle("上装管理机IP地址");
    m_pNumber = new QLineEdit(this);
    m_pNumber->setObjectName("number");
    auto* form = new QFormLayout;
    form->addRow("管理机地址：", m_pNumber);
    auto* buttons = platform::MakeOkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CUploadMgrIPDlg::accept() {
    const std::string number = Ss(m_pNumber->text());
    if (!CMgrIpFile::CheckNumber(number))
        return;
    m_strFileName = CMgrIpFile::FileNameFor(number);
    QDialog::accept();
}

} // namespace qxm7740
