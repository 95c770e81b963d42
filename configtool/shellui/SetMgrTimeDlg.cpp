#include "configtool/shellui/SetMgrTimeDlg.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;
using platform::Ss;

void FillMgrBoardCombo(QComboBox& combo, int count) {
    combo.clear();
    for (int i = 0; i < count; ++i)
        combo.addItem(Qs(unitlink::text::BoardCaption(i)), i);
}

namespace {
const char* const kLabels[CMgrTime::FieldCount] = {"年：", "月：", "日：", "时：", "分：", "秒：", "毫秒："};
const char* const kNames[CMgrTime::FieldCount] = {"year",   "month",  "day",        "hour",
                                                  "minute", "second", "millisecond"};
} // namespace

CSetMgrTimeDlg::CSetMgrTimeDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("setMgrTimeDlg");
    setWindowTitle("设置管理机时间");
    m_pBoard = new QComboBox(this);
    m_pBoard->setObjectName("board");
    FillMgrBoardCombo(*m_pBoard);

    auto* group = new QGroupBox("时间设置", this);
    m_pSystemTime = new QRadioButton("系统时间", group);
    m_pSystemTime->setObjectName("systemTime");
    m_pSetTime = new QRadioButton("设定时间", group);
    m_pSetTime->setObjectName("setTime");
    connect(m_pSystemTime, &QRadioButton::clicked, this, &CSetMgrTimeDlg::OnSystemTime);
    connect(m_pSetTime, &QRadioButton::clicked, this, &CSetMgrTimeDlg::OnSetTime);
    auto* fields = new QFormLayout;
    for (int i = 0; i < CMgrTime::FieldCount; ++i) {
        m_edits[i] = new QLineEdit(group);
        m_edits[i]->setObjectName(kNames[i]);
        fields->addRow(kLabels[i], m_edits[i]);
    }
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_pSystemTime);
    groupLayout->addWidget(m_pSetTime);
    groupLayout->addLayout(fields);

    auto* buttons = platform::MakeOkCancelButtons(this);
    auto* form = new QFormLayout;
    form->addRow("板卡地址:", m_pBoard);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(group);
    layout->addWidget(buttons);
    InitDialog();
}

void CSetMgrTimeDlg::InitDialog() {
    int index = m_pBoard->findData(m_nBoard);
    m_pBoard->setCurrentIndex(index >= 0 ? index : 0);
    m_pSystemTime->setChecked(m_nTimeMode == SystemTime);
    m_pSetTime->setChecked(m_nTimeMode == SetTime);
    m_time = CMgrTime::Now();
    ShowTime(m_time);
    EnableEdits(m_nTimeMode == SetTime);
    m_bNeedInit = false;
}

void CSetMgrTimeDlg::showEvent(QShowEvent* event) {
    if (m_bNeedInit)
        InitDialog();
    QDialog::showEvent(event);
}

void CSetMgrTimeDlg::ShowTime(const CMgrTime& time) {
    for (int i = 0; i < CMgrTime::FieldCount; ++i)
        m_edits[i]->setText(QString::number(time.values[i]));
}

void CSetMgrTimeDlg::EnableEdits(bool enable) {
    for (QLineEdit* edit : m_edits)
        edit->setEnabled(enable);
}

void CSetMgrTimeDlg::OnSystemTime() {
    m_pSystemTime->setChecked(true);
    ShowTime(CMgrTime::Now());
    EnableEdits(false);
}

void CSetMgrTimeDlg::OnSetTime() {
    m_pSetTime->setChecked(true);
    EnableEdits(true);
}

void CSetMgrTimeDlg::accept() {
    std::array<std::string, CMgrTime::FieldCount> texts;
    for (int i = 0; i < CMgrTime::FieldCount; ++i)
        texts[i] = Ss(m_edits[i]->text());
    CMgrTime time = m_time;
    int field = 0;
    std::string message;
    if (!time.ParseChecked(texts, field, message)) {
        platform::MessageBox(message);
        m_edits[field]->setFocus();
        m_edits[field]->selectAll();
        return;
    }
    m_time = time;
    m_nTimeMode = m_pSetTime->isChecked() ? SetTime : SystemTime;
    m_nBoard = m_pBoard->currentData().toInt();
    QDialog::accept();
}

void CSetMgrTimeDlg::done(int result) {
    m_bNeedInit = true;
    QDialog::done(result);
}

} // namespace qxm7740
