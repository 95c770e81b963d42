#include "monitor/coreui/TelecontrolDlg.h"

#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

using platform::Qs;

namespace marindle {

CTelecontrolDlg::CTelecontrolDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Qs("遥控"));
    setObjectName("CTelecontrolDlg");
    auto* commandBox = new QGroupBox(this);
    auto* commandRow = new QHBoxLayout(commandBox);
    select_ = new QRadioButton(Qs("遥控选择"), commandBox);
    select_->setObjectName("radio1071");
    execute_ = new QRadioButton(Qs("遥控执行"), commandBox);
    execute_->setObjectName("radio1072");
    cancel_ = new QRadioButton(Qs("遥控撤销"), commandBox);
    cancel_->setObjectName("radio1075");
    for (QRadioButton* b : {select_, execute_, cancel_})
        commandRow->addWidget(b);
    auto* valueBox = new QGroupBox(this);
    auto* valueRow = new QHBoxLayout(valueBox);
    off_ = new QRadioButton(Qs("分"), valueBox);
    off_->setObjectName("radio1073");
    on_ = new QRadioButton(Qs("合"), valueBox);
    on_->setObjectName("radio1074");
    valueRow->addWidget(off_);
    valueRow->addWidget(on_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(commandBox);
    layout->addWidget(valueBox);
    layout->addWidget(platform::MakeOkCancelButtons(this));
}

int CTelecontrolDlg::DoModal() {
    select_->setChecked(true);
    off_->setChecked(true);
    return platform::RunDialog(*this);
}

void CTelecontrolDlg::accept() {
    const int command = select_->isChecked() ? 0 : execute_->isChecked() ? 1 : cancel_->isChecked() ? 2 : -1;
    const int value = off_->isChecked() ? 0 : on_->isChecked() ? 1 : -1;
    if (command < 0 || value < 0)
        return;
    m_command = command;
    m_value = value;
    QDialog::accept();
}

} // namespace marindle
