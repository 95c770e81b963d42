#include "configtool/shellui/TextMatchDlg.h"

#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;
using platform::Ss;

CTextMatchDlg::CTextMatchDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("textMatchDlg");
    setWindowTitle("字符匹配设置");
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName("text");
    m_pWholeWord = new QCheckBox("全字符匹配", this);
    m_pWholeWord->setObjectName("wholeWord");
    m_pMatchCase = new QCheckBox("区分大小写", this);
    m_pMatchCase->setObjectName("matchCase");
    auto* buttons = platform::MakeOkCancelButtons(this);

    auto* form = new QFormLayout;
    form->addRow("查找字符：", m_pEdit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_pWholeWord);
    layout->addWidget(m_pMatchCase);
    layout->addWidget(buttons);
    LoadControls();
}

void CTextMatchDlg::LoadControls() {
    m_pEdit->setText(Qs(m_strText));
    m_pWholeWord->setChecked(m_bWholeWord != 0);
    m_pMatchCase->setChecked(m_bMatchCase != 0);
}

void CTextMatchDlg::accept() {
    m_strText = Ss(m_pEdit->text());
    m_bWholeWord = m_pWholeWord->isChecked() ? 1 : 0;
    m_bMatchCase = m_pMatchCase->isChecked() ? 1 : 0;
    QDialog::accept();
}

void CTextMatchDlg::done(int result) {
    // The next run starts from the values last confirmed, not from what was typed and cancelled.
    if (result != QDialog::Accepted)
        LoadControls();
    QDialog::done(result);
}

} // namespace qxm7740
