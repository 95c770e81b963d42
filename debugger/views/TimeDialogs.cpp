#include "debugger/views/TimeDialogs.h"

#include "debugger/model/AppRules.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"
#include "unitlink/UnitTime.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <ctime>

namespace quorvex {

using platform::Ss;

namespace {

QComboBox* BoardCombo(QWidget* parent, QVBoxLayout* layout, const CUnitBoardArray& boards, bool withAll) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName("board");
    if (withAll)
        combo->addItem("所有板卡");
    for (const CUnitBoard& b : boards)
        combo->addItem(QString::number(b.m_boardNumber));
    auto* form = new QFormLayout;
    form->addRow(withAll ? "板卡号" : "板卡号", combo);
    layout->addLayout(form);
    return combo;
}

std::uint8_t BoardIndexOf(const QComboBox* combo) {
    return static_cast<std::uint8_t>(platform::AtoI(Ss(combo->currentText())) - 1);
}

} // namespace

void FitTimeEdit(QLineEdit* edit, bool year) {
    const QFontMetrics fm(edit->font());
    // Room for one digit more than the field holds, for the frame and the cursor.
    edit->setFixedWidth(fm.horizontalAdvance(year ? QString("00000") : QString("000")) + 16);
}

CSetTimeDlg::CSetTimeDlg(const CUnitBoardArray& boards, QWidget* parent) : QDialog(parent) {
    setObjectName("CSetTimeDlg");
    setWindowTitle("设置时间");
    auto* layout = new QVBoxLayout(this);
    m_system = new QRadioButton(" 系统时间", this);
    m_system->setObjectName("system");
    m_custom = new QRadioButton(" 自定义时间", this);
    m_custom->setObjectName("custom");
    layout->addWidget(m_system);
    layout->addWidget(m_custom);
    auto* grid = new QGridLayout;
    const char* labels[] = {"年", "月", "日", "时", "分", "秒"};
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    const int values[] = {tm.tm_year + 1900, (tm.tm_mon + 1) & 0x0F, tm.tm_mday & 0x1F,
                          tm.tm_hour & 0x1F, tm.tm_min & 0x3F,       tm.tm_sec};
    for (int i = 0; i < 6; ++i) {
        auto* e = new QLineEdit(QString::number(values[i]), this);
        e->setObjectName(QString("time%1").arg(i));
        e->setEnabled(false);
        FitTimeEdit(e, i == 0);
        m_edits[static_cast<std::size_t>(i)] = e;
        grid->addWidget(e, 0, 2 * i);
        grid->addWidget(new QLabel(labels[i], this), 0, 2 * i + 1);
    }
    layout->addLayout(grid);
    m_boardCombo = BoardCombo(this, layout, boards, true);
    layout->addWidget(platform::MakeOkCancelButtons(this));
    findChild<QPushButton*>("cancel")->setText("取 消");
    m_system->setChecked(true);
    const auto enable = [this](bool on) {
        for (QLineEdit* e : m_edits)
            e->setEnabled(on);
    };
    connect(m_system, &QRadioButton::clicked, this, [enable] { enable(false); });
    connect(m_custom, &QRadioButton::clicked, this, [enable] { enable(true); });
}

void CSetTimeDlg::accept() {
    if (m_boardCombo->currentIndex() < 0)
        return;
    if (m_custom->isChecked()) {
        std::array<std::string, 6> texts;
        std::array<int, 6> v{};
        for (std::size_t i = 0; i < 6; ++i)
            texts[i] = Ss(m_edits[i]->text().trimmed());
        // A field outside its range would be masked into another time: it is refused.
        const std::string refusal = unitlink::UnitTimeTextsRefusal(texts, v);
        if (!refusal.empty()) {
            platform::MessageBox(refusal, "错误", platform::Icon::Error);
            return;
        }
        m_time = MakeDeviceTime(v[0], v[1], v[2], v[3], v[4], v[5]);
    } else {
        m_time = DeviceTimeNow();
    }
    m_board = m_boardCombo->currentIndex() == 0 ? 255 : BoardIndexOf(m_boardCombo);
    QDialog::accept();
}

CViewTimeDlg::CViewTimeDlg(const CUnitBoardArray& boards, QWidget* parent) : QDialog(parent) {
    setObjectName("CViewTimeDlg");
    setWindowTitle("查看时间");
    auto* layout = new QVBoxLayout(this);
    m_boardCombo = BoardCombo(this, layout, boards, false);
    layout->addWidget(platform::MakeOkCancelButtons(this));
    findChild<QPushButton*>("cancel")->setText("取 消");
}

void CViewTimeDlg::accept() {
    if (m_boardCombo->currentIndex() < 0)
        return;
    m_board = BoardIndexOf(m_boardCombo);
    QDialog::accept();
}

CDeviceTimeDlg::CDeviceTimeDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CDeviceTimeDlg");
    setWindowTitle("装置时间");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("当前装置时间为", this));
    m_time = new QLabel("0000-00-00 00:00:00", this);
    m_time->setObjectName("time");
    layout->addWidget(m_time);
    auto* ok = new QPushButton("确定", this);
    ok->setObjectName("ok");
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(ok);
}

void CDeviceTimeDlg::ShowTime(const CDeviceTime& time) {
    m_time->setText(platform::Qs(ClockText(time)));
}

CResetSelectDlg::CResetSelectDlg(const CUnitBoardArray& boards, QWidget* parent) : QDialog(parent) {
    setObjectName("CResetSelectDlg");
    setWindowTitle("复位选择");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("请选择板卡", this));
    m_boardCombo = BoardCombo(this, layout, boards, true);
    layout->addWidget(platform::MakeOkCancelButtons(this));
}

void CResetSelectDlg::accept() {
    m_board = m_boardCombo->currentIndex() <= 0 ? 255 : BoardIndexOf(m_boardCombo);
    QDialog::accept();
}

} // namespace quorvex
