#include "configtool/shellui/RestartDlg.h"

#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;

CRestartDlg::CRestartDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("restartDlg");
    setWindowTitle("重启动设置");
    m_pBoard = new QComboBox(this);
    m_pBoard->setObjectName("board");
    m_pBoard->addItem("全部", kAllBoards);
    for (int i = 0; i < kBoardCount; ++i)
        m_pBoard->addItem(Qs(unitlink::text::BoardCaption(i)), i);
    auto* form = new QFormLayout;
    form->addRow("板卡地址:", m_pBoard);
    auto* buttons = platform::MakeOkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    SetBoardAddress(m_nBoard);
}

void CRestartDlg::SetBoardAddress(int board) {
    int index = m_pBoard->findData(board);
    m_pBoard->setCurrentIndex(index >= 0 ? index : 0);
    m_nBoard = m_pBoard->currentData().toInt();
}

void CRestartDlg::accept() {
    m_nBoard = m_pBoard->currentData().toInt();
    QDialog::accept();
}

} // namespace qxm7740
