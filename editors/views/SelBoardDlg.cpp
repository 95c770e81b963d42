#include "editors/views/SelBoardDlg.h"

#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/Board.h"
#include "projectmodel/Device.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Qs;

namespace editors {

CSelBoardDlg::CSelBoardDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("请选择要加入的端口");
    auto* layout = new QVBoxLayout(this);
    m_pLabel = new QLabel(this);
    m_pLabel->setObjectName("device");
    layout->addWidget(m_pLabel);
    m_pCombo = new QComboBox(this);
    m_pCombo->setObjectName("ports");
    layout->addWidget(m_pCombo);
    QDialogButtonBox* buttons = platform::MakeOkCancelButtons(this);
    buttons->findChild<QPushButton*>("ok")->setText("确认");
    layout->addWidget(buttons);
}

bool CSelBoardDlg::OnInitDialog() {
    if (!m_pDevice || !m_pBoardCfg)
        return false;
    m_pLabel->setText(
        Qs(platform::StrFormat("装置%i<%s>", m_pDevice->m_nAddress, m_pDevice->m_strDescription.c_str())));
    m_choices = PortChoicesFor(*m_pBoardCfg, *m_pDevice);
    m_nCapacity = static_cast<int>(m_choices.size());
    m_pCombo->clear();
    for (const CPortChoice& c : m_choices)
        m_pCombo->addItem(Qs(c.text));
    m_pCombo->setCurrentIndex(m_choices.empty() ? -1 : 0);
    return true;
}

int CSelBoardDlg::DoModal() {
    return OnInitDialog() ? platform::RunDialog(*this) : QDialog::Rejected;
}

void CSelBoardDlg::accept() {
    const int i = m_pCombo->currentIndex();
    if (i >= 0 && i < static_cast<int>(m_choices.size()))
        m_pPort = ApplyPortChoice(*m_pBoardCfg, *m_pDevice, m_choices[static_cast<std::size_t>(i)]);
    QDialog::accept();
}

} // namespace editors
