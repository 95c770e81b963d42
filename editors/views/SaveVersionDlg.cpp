#include "editors/views/SaveVersionDlg.h"

#include "editors/model/EditorDialogRules.h"
#include "platform/FileFaults.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "projectmodel/ConfigDoc.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace editors {

CSaveVersionDlg::CSaveVersionDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("保存");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("已有版本：", this));
    m_pList = new QListWidget(this);
    m_pList->setObjectName("versions");
    layout->addWidget(m_pList);
    layout->addWidget(new QLabel("保存为：", this));
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName("version");
    layout->addWidget(m_pEdit);
    QDialogButtonBox* buttons = platform::MakeOkCancelButtons(this);
    buttons->findChild<QPushButton*>("ok")->setText("确认");
    layout->addWidget(buttons);
    // Only a row the user selects replaces the proposal: the list's current row alone also moves
    // when the list takes the focus as the dialog is shown, and must not overwrite the field.
    connect(m_pList, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = m_pList->selectedItems();
        if (!selected.isEmpty())
            m_pEdit->setText(selected.front()->text());
    });
}

bool CSaveVersionDlg::OnInitDialog() {
    m_pList->clear();
    m_pEdit->clear();
    if (!m_strFolder.empty()) {
        int error = 0;
        for (const std::string& v : ListVersionTexts(m_strFolder, &error))
            m_pList->addItem(Qs(v));
        // The versions there are unknown, not none.
        if (error != 0)
            platform::MessageBox(platform::StrFormat("读取文件夹 %s 失败!\n%s", m_strFolder.c_str(),
                                                     platform::ErrorText(error).c_str()));
    }
    if (!m_strVersion.empty()) {
        const auto found = m_pList->findItems(Qs(m_strVersion), Qt::MatchExactly);
        if (!found.isEmpty())
            m_pList->setCurrentItem(found.front());
        m_pEdit->setText(Qs(m_strVersion));
    }
    return true;
}

int CSaveVersionDlg::DoModal() {
    return OnInitDialog() ? platform::RunDialog(*this) : QDialog::Rejected;
}

void CSaveVersionDlg::accept() {
    const std::string text = Ss(m_pEdit->text());
    // A bad entry keeps the dialog open.
    float version = 0.0f;
    if (!projectmodel::ParseVersionText(text, version))
        return;
    m_strVersion = text;
    QDialog::accept();
}

} // namespace editors
