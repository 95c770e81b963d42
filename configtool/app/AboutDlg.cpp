#include "configtool/app/AboutDlg.h"

#include "configtool/model/AppText.h"
#include "platform/ui/WidgetPrompt.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;

CAboutDlg::CAboutDlg(const std::string& edition, QWidget* parent) : QDialog(parent) {
    setObjectName("aboutDlg");
    setWindowTitle("关于 QXM7740组态工具");
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    m_pCaption = new QLabel("QXM7740组态工具 1.12 版", this);
    m_pCaption->setObjectName("caption");
    const std::string line = CAppText::EditionCaption(edition);
    if (!line.empty())
        m_pCaption->setText(Qs(line));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("确定", QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(m_pCaption, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

std::string CAboutDlg::GetCaptionLine() const {
    return platform::Ss(m_pCaption->text());
}

} // namespace qxm7740
