#include "editors/views/StepDlg.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace editors {

CStepDlg::CStepDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("步长");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_pEdit = new QLineEdit(QString::number(m_nStep), this);
    m_pEdit->setObjectName("step");
    form->addRow("步长：", m_pEdit);
    layout->addLayout(form);
    QDialogButtonBox* buttons = platform::MakeOkCancelButtons(this);
    // The dialog has only "确定".
    buttons->findChild<QPushButton*>("cancel")->hide();
    layout->addWidget(buttons);
}

bool CStepDlg::OnInitDialog() {
    m_pEdit->setText(QString::number(m_nStep));
    return true;
}

int CStepDlg::DoModal() {
    return OnInitDialog() ? platform::RunDialog(*this) : QDialog::Rejected;
}

void CStepDlg::accept() {
    const std::string text = platform::Trim(platform::Ss(m_pEdit->text()));
    const std::size_t digits = text.find_first_not_of("+-") == 0 ? 0 : 1;
    const bool ok = !text.empty() && text.size() > digits && text.size() <= 10 &&
                    text.find_first_not_of("0123456789", digits) == std::string::npos;
    if (!ok) {
        platform::MessageBox("请输入一个整数。", {}, platform::Icon::Warning);
        m_pEdit->setFocus();
        return;
    }
    m_nStep = platform::AtoI(text);
    QDialog::accept();
}

} // namespace editors
