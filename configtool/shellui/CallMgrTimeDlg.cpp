#include "configtool/shellui/CallMgrTimeDlg.h"

#include "platform/ui/DialogButtons.h"

#include "configtool/shellui/SetMgrTimeDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qxm7740 {

CCallMgrTimeDlg::CCallMgrTimeDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("callMgrTimeDlg");
    setWindowTitle("召唤管理机时间");
    m_pBoard = new QComboBox(this);
    m_pBoard->setObjectName("board");
    FillMgrBoardCombo(*m_pBoard);
    auto* form = new QFormLayout;
    form->addRow("板卡地址:", m_pBoard);
    auto* buttons = platform::MakeOkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_pBoard->setCurrentIndex(m_pBoard->findData(m_nBoard));
}

void CCallMgrTimeDlg::showEvent(QShowEvent* event) {
    // Each run starts from the board last confirmed.
    m_pBoard->setCurrentIndex(m_pBoard->findData(m_nBoard));
    QDialog::showEvent(event);
}

void CCallMgrTimeDlg::accept() {
    m_nBoard = m_pBoard->currentData().toInt();
    QDialog::accept();
}

} // namespace qxm7740
