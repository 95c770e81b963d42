#include "editors/views/MovePosDlg.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace editors {

CMovePosDlg::CMovePosDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("移动到位置");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName("position");
    form->addRow("位置：", m_pEdit);
    layout->addLayout(form);
    layout->addWidget(platform::MakeOkCancelButtons(this));
}

bool CMovePosDlg::OnInitDialog() {
    m_pEdit->setText(QString::number(m_nPosition));
    return true;
}

int CMovePosDlg::DoModal() {
    return OnInitDialog() ? platform::RunDialog(*this) : QDialog::Rejected;
}

void CMovePosDlg::accept() {
    const std::string text = platform::Trim(platform::Ss(m_pEdit->text()));
    bool ok = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos && text.size() <= 6;
    const long long value = ok ? platform::AtoLL(text) : -1;
    if (!ok || value < 0 || value > 100000) {
        platform::MessageBox("请输入一个介于 0 和 100000 之间的整数。", {}, platform::Icon::Warning);
        m_pEdit->setFocus();
        return;
    }
    m_nPosition = static_cast<unsigned int>(value);
    QDialog::accept();
}

} // namespace editors
