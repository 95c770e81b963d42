#include "debugger/views/EventWindows.h"

#include "debugger/views/ContextMenu.h"
#include "debugger/views/TimeDialogs.h"

#include "debugger/model/AppRules.h"

#include "debugger/core/LogFiles.h"

#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"
#include "unitlink/UnitTime.h"

#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <ctime>
#include <memory>

namespace quorvex {

using platform::Qs;
using platform::Ss;
using platform::StrFormat;

namespace {

QPushButton* OkButton(QDialog* dlg, QVBoxLayout* layout) {
    layout->addWidget(platform::MakeOkCancelButtons(dlg));
    return dlg->findChild<QPushButton*>("ok");
}

void AddAllDevices(QComboBox* combo, const CUnitBoardArray& boards) {
    for (const CUnitBoard& b : boards)
        for (const CUnitPortArray* ports : {&b.m_serialPorts, &b.m_netPorts})
            for (const CUnitPort& p : *ports)
                for (const CUnitAddress& a : p.m_addresses)
                    combo->addItem(QString::number(a.m_address));
}

} // namespace

// ---- CTimeRangeEdits

void CTimeRangeEdits::Build(QWidget* parent, QVBoxLayout* layout) {
    auto* grid = new QGridLayout;
    const char* labels[] = {"年", "月", "日", "时", "分", "秒"};
    grid->addWidget(new QLabel("起始时间", parent), 0, 0);
    grid->addWidget(new QLabel("结束时间", parent), 1, 0);
    for (int i = 0; i < 6; ++i) {
        start_[static_cast<std::size_t>(i)] = new QLineEdit(parent);
        start_[static_cast<std::size_t>(i)]->setObjectName(QString("start%1").arg(i));
        end_[static_cast<std::size_t>(i)] = new QLineEdit(parent);
        end_[static_cast<std::size_t>(i)]->setObjectName(QString("end%1").arg(i));
        FitTimeEdit(start_[static_cast<std::size_t>(i)], i == 0);
        FitTimeEdit(end_[static_cast<std::size_t>(i)], i == 0);
        grid->addWidget(start_[static_cast<std::size_t>(i)], 0, 1 + 2 * i);
        grid->addWidget(new QLabel(labels[i], parent), 0, 2 + 2 * i);
        grid->addWidget(end_[static_cast<std::size_t>(i)], 1, 1 + 2 * i);
        grid->addWidget(new QLabel(labels[i], parent), 1, 2 + 2 * i);
    }
    layout->addLayout(grid);
}

void CTimeRangeEdits::FillNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    const int fields[] = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    for (int i = 0; i < 6; ++i) {
        const auto k = static_cast<std::size_t>(i);
        start_[k]->setText(QString::number(fields[i] - (i == 0 ? 5 : 0)));
        end_[k]->setText(QString::number(fields[i] + (i == 0 ? 5 : 0)));
    }
}

void CTimeRangeEdits::SetEnabled(bool on) {
    for (std::size_t i = 0; i < 6; ++i) {
        start_[i]->setEnabled(on);
        end_[i]->setEnabled(on);
    }
}

bool CTimeRangeEdits::YearsFit() const {
    for (const auto* edits : {&start_, &end_}) {
        std::array<std::string, 6> texts;
        std::array<int, 6> values{};
        for (std::size_t i = 0; i < 6; ++i)
            texts[i] = Ss((*edits)[i]->text().trimmed());
        const std::string refusal = unitlink::UnitTimeTextsRefusal(texts, values);
        if (!refusal.empty()) {
            platform::MessageBox(refusal, "错误", platform::Icon::Error);
            return false;
        }
    }
    return true;
}

CDeviceTime CTimeRangeEdits::Read(const std::array<QLineEdit*, 6>& e) {
    int v[6];
    for (std::size_t i = 0; i < 6; ++i)
        v[i] = platform::AtoI(Ss(e[i]->text()));
    return MakeDeviceTime(v[0], v[1], v[2], v[3], v[4], v[5]);
}

// ---- CDeviceChooser

CDeviceChooser::CDeviceChooser(const CUnitBoardArray& boards, QWidget* parent, QVBoxLayout* layout)
    : QObject(parent), boards_(boards) {
    auto* form = new QFormLayout;
    m_boardCombo = new QComboBox(parent);
    m_boardCombo->setObjectName("board");
    m_portCombo = new QComboBox(parent);
    m_portCombo->setObjectName("port");
    m_deviceCombo = new QComboBox(parent);
    m_deviceCombo->setObjectName("device");
    form->addRow("板卡", m_boardCombo);
    form->addRow("通讯口", m_portCombo);
    form->addRow("装置地址", m_deviceCombo);
    layout->addLayout(form);
    m_byPort = new QCheckBox("按端口查看装置", parent);
    m_byPort->setObjectName("byPort");
    layout->addWidget(m_byPort);
    connect(m_byPort, &QCheckBox::toggled, this, [this](bool on) {
        m_boardCombo->setEnabled(on);
        m_portCombo->setEnabled(on);
        if (on) {
            m_boardCombo->clear();
            for (int i = 0; i < boards_.GetSize(); ++i)
                m_boardCombo->addItem(QString::number(boards_[i].m_boardNumber), i + 1);
            FillPorts();
        } else {
            FillAll();
        }
    });
    connect(m_boardCombo, &QComboBox::activated, this, [this] { FillPorts(); });
    connect(m_portCombo, &QComboBox::activated, this, [this] { FillDevices(); });
    connect(m_deviceCombo, &QComboBox::activated, this, [this] { Take(); });
    FillAll();
}

void CDeviceChooser::FillAll() {
    m_boardCombo->setEnabled(false);
    m_portCombo->setEnabled(false);
    m_deviceCombo->clear();
    AddAllDevices(m_deviceCombo, boards_);
    Take();
}

void CDeviceChooser::FillPorts() {
    m_portCombo->clear();
    const int i = m_boardCombo->currentIndex();
    if (i >= 0 && i < boards_.GetSize())
        for (int p = 0; p < boards_[i].PortCount(); ++p)
            m_portCombo->addItem(Qs(boards_[i].PortAt(p)->m_name));
    FillDevices();
}

void CDeviceChooser::FillDevices() {
    m_deviceCombo->clear();
    const int i = m_boardCombo->currentIndex();
    if (i >= 0 && i < boards_.GetSize())
        if (const CUnitPort* p = boards_[i].PortAt(m_portCombo->currentIndex()))
            for (const CUnitAddress& a : p->m_addresses)
                m_deviceCombo->addItem(QString::number(a.m_address));
    Take();
}

void CDeviceChooser::Take() {
    if (m_deviceCombo->count() > 0 && m_deviceCombo->currentIndex() < 0)
        m_deviceCombo->setCurrentIndex(0);
    if (HasDevice()) {
        m_device = static_cast<std::uint16_t>(m_deviceCombo->currentText().toUInt());
        if (m_byPort->isChecked()) {
            const int i = m_boardCombo->currentIndex();
            if (i >= 0 && i < boards_.GetSize())
                m_board = boards_[i].m_boardNumber;
        } else if (const CUnitBoard* b = FindBoardOfAddress(boards_, m_device)) {
            m_board = b->m_boardNumber;
        }
    }
    if (m_changed)
        m_changed();
}

bool CDeviceChooser::HasDevice() const {
    return m_deviceCombo->currentIndex() >= 0;
}

void CDeviceChooser::SetEnabled(bool on) {
    m_deviceCombo->setEnabled(on);
    m_boardCombo->setEnabled(on && m_byPort->isChecked());
    m_portCombo->setEnabled(on && m_byPort->isChecked());
}

// ---- CEventQueryDlg

CEventQueryDlg::CEventQueryDlg(const CUnitBoardArray& boards, QWidget* parent) : QDialog(parent) {
    setObjectName("CEventQueryDlg");
    setWindowTitle("查看历史事件");
    auto* layout = new QVBoxLayout(this);
    m_chooser = new CDeviceChooser(boards, this, layout);
    m_allDevices = new QCheckBox("查看所有装置历史事件", this);
    m_allDevices->setObjectName("allDevices");
    layout->addWidget(m_allDevices);
    m_typeCombo = new QComboBox(this);
    m_typeCombo->setObjectName("eventType");
    m_typeCombo->addItem("所有事件");
    for (int code = 1; code <= 12; ++code)
        m_typeCombo->addItem(Qs(CLogFiles::EventTypeText(static_cast<std::uint8_t>(code))));
    auto* form = new QFormLayout;
    form->addRow("事件类型", m_typeCombo);
    layout->addLayout(form);
    m_times.Build(this, layout);
    m_times.FillNow();
    m_ok = OkButton(this, layout);
    m_chooser->m_changed = [this] { Update(); };
    connect(m_allDevices, &QCheckBox::toggled, this, [this] { Update(); });
    Update();
}

void CEventQueryDlg::Update() {
    const bool all = m_allDevices->isChecked();
    m_chooser->SetEnabled(!all);
    m_chooser->m_byPort->setEnabled(!all);
    m_ok->setEnabled(all || m_chooser->HasDevice());
}

void CEventQueryDlg::accept() {
    if (!m_times.YearsFit())
        return;
    m_start = m_times.Start();
    m_end = m_times.End();
    m_board = m_chooser->m_board;
    m_device = m_allDevices->isChecked() ? 0xFFFF : m_chooser->m_device;
    const int type = m_typeCombo->currentIndex();
    m_eventType = type <= 0 ? 255 : static_cast<std::uint8_t>(type);
    QDialog::accept();
}

// ---- CRemoteCmdQueryDlg

CRemoteCmdQueryDlg::CRemoteCmdQueryDlg(const CUnitBoardArray& boards, QWidget* parent)
    : QDialog(parent), boards_(boards) {
    setObjectName("CRemoteCmdQueryDlg");
    setWindowTitle("查询远方命令");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_typeCombo = new QComboBox(this);
    m_typeCombo->setObjectName("commandType");
    m_typeCombo->addItem("所有命令");
    for (int code = 1; code <= 12; ++code)
        m_typeCombo->addItem(Qs(CLogFiles::CommandTypeText(static_cast<std::uint8_t>(code))));
    m_sourceBoardCombo = new QComboBox(this);
    m_sourceBoardCombo->setObjectName("sourceBoard");
    for (int i = 0; i < boards.GetSize(); ++i)
        m_sourceBoardCombo->addItem(QString::number(boards[i].m_boardNumber), i + 1);
    m_sourcePortCombo = new QComboBox(this);
    m_sourcePortCombo->setObjectName("sourcePort");
    form->addRow("命令类型", m_typeCombo);
    form->addRow("命令源板卡", m_sourceBoardCombo);
    form->addRow("命令源端口", m_sourcePortCombo);
    layout->addLayout(form);
    m_allSources = new QCheckBox("查询所有命令源", this);
    m_allSources->setObjectName("allSources");
    layout->addWidget(m_allSources);
    m_chooser = new CDeviceChooser(boards, this, layout);
    m_allDevices = new QCheckBox("查询所有装置", this);
    m_allDevices->setObjectName("allDevices");
    layout->addWidget(m_allDevices);
    m_times.Build(this, layout);
    m_times.FillNow();
    m_ok = OkButton(this, layout);
    FillSourcePorts();
    connect(m_sourceBoardCombo, &QComboBox::activated, this, [this] { FillSourcePorts(); });
    m_chooser->m_changed = [this] { Update(); };
    connect(m_allDevices, &QCheckBox::toggled, this, [this] { Update(); });
    connect(m_allSources, &QCheckBox::toggled, this, [this] { Update(); });
    Update();
}

void CRemoteCmdQueryDlg::FillSourcePorts() {
    m_sourcePortCombo->clear();
    const int i = m_sourceBoardCombo->currentIndex();
    if (i >= 0 && i < boards_.GetSize())
        for (int p = 0; p < boards_[i].PortCount(); ++p)
            m_sourcePortCombo->addItem(Qs(boards_[i].PortAt(p)->m_name));
}

void CRemoteCmdQueryDlg::Update() {
    const bool all = m_allDevices->isChecked();
    m_chooser->SetEnabled(!all);
    m_chooser->m_byPort->setEnabled(!all);
    m_sourceBoardCombo->setEnabled(!m_allSources->isChecked());
    m_sourcePortCombo->setEnabled(!m_allSources->isChecked());
    m_ok->setEnabled(all || m_chooser->HasDevice());
}

void CRemoteCmdQueryDlg::accept() {
    if (!m_times.YearsFit())
        return;
    m_start = m_times.Start();
    m_end = m_times.End();
    if (m_allDevices->isChecked()) {
        m_board = 255;
        m_device = 0xFFFF;
    } else {
        m_board = m_chooser->m_board;
        m_device = m_chooser->m_device;
    }
    const int type = m_typeCombo->currentIndex();
    m_commandType = type <= 0 ? 255 : static_cast<std::uint8_t>(type);
    m_sourceBoard = m_sourceKind = m_sourcePort = 255;
    m_sourcePortName.clear();
    const int b = m_sourceBoardCombo->currentIndex();
    if (!m_allSources->isChecked() && b >= 0 && b < boards_.GetSize()) {
        std::uint8_t kind = 0;
        if (const CUnitPort* p = boards_[b].PortAt(m_sourcePortCombo->currentIndex(), &kind)) {
            m_sourceBoard = boards_[b].m_boardNumber;
            m_sourceKind = kind;
            m_sourcePort = p->m_portNumber;
            m_sourcePortName = p->m_name;
        }
    }
    QDialog::accept();
}

// ---- CWaveQueryDlg

CWaveQueryDlg::CWaveQueryDlg(const CUnitBoardArray& boards, QWidget* parent) : QDialog(parent) {
    setObjectName("CWaveQueryDlg");
    setWindowTitle("查询波形记录");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_deviceCombo = new QComboBox(this);
    m_deviceCombo->setObjectName("device");
    AddAllDevices(m_deviceCombo, boards);
    form->addRow("装置地址", m_deviceCombo);
    layout->addLayout(form);
    m_times.Build(this, layout);
    m_times.FillNow();
    m_byTime = new QRadioButton("按时间查询", this);
    m_byTime->setObjectName("byTime");
    m_byNof = new QRadioButton("按NOF查询", this);
    m_byNof->setObjectName("byNof");
    m_nofEdit = new QLineEdit("0", this);
    m_nofEdit->setObjectName("nof");
    layout->addWidget(m_byTime);
    layout->addWidget(m_byNof);
    layout->addWidget(m_nofEdit);
    m_ok = OkButton(this, layout);
    m_ok->setEnabled(m_deviceCombo->count() > 0);
    connect(m_byTime, &QRadioButton::clicked, this, [this] { SetMode(0); });
    connect(m_byNof, &QRadioButton::clicked, this, [this] { SetMode(1); });
    SetMode(0);
}

void CWaveQueryDlg::SetMode(int mode) {
    m_mode = static_cast<std::uint8_t>(mode);
    m_byTime->setChecked(mode == 0);
    m_byNof->setChecked(mode == 1);
    m_nofEdit->setEnabled(mode == 1);
    m_times.SetEnabled(mode == 0);
}

void CWaveQueryDlg::accept() {
    if (!m_times.YearsFit())
        return;
    m_device = static_cast<std::uint16_t>(m_deviceCombo->currentText().toUInt());
    m_start = m_times.Start();
    m_end = m_times.End();
    m_nof = static_cast<std::uint16_t>(platform::AtoLL(Ss(m_nofEdit->text())));
    QDialog::accept();
}

// ---- result lists

CRecordListDlg::CRecordListDlg(const char* name, const char* title, const std::string& caption,
                               const std::vector<std::pair<const char*, int>>& columns, QWidget* parent)
    : QDialog(parent) {
    setObjectName(name);
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    caption_ = new QLabel(Qs(caption), this);
    caption_->setObjectName("caption");
    layout->addWidget(caption_);
    list_ = new QTableWidget(this);
    list_->setObjectName("list");
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->verticalHeader()->hide();
    list_->setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const auto& c : columns)
        titles << c.first;
    list_->setHorizontalHeaderLabels(titles);
    int total = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        list_->setColumnWidth(static_cast<int>(i), columns[i].second);
        total += columns[i].second;
    }
    auto* dropped = new QLabel(this);
    rows_ = std::make_unique<CCappedRows>(list_, dropped);
    layout->addWidget(dropped);
    layout->addWidget(list_);
    auto* exit = new QPushButton("退出", this);
    exit->setObjectName("exit");
    connect(exit, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(exit, 0, Qt::AlignRight);
    // Wide enough for every column, with room for the frame and a vertical scroll bar.
    resize(std::max(900, total + 48), 420);
}

void CRecordListDlg::AddRow(const std::vector<std::string>& cells) {
    rows_->Append(cells);
}

QMenu* CRecordListDlg::CreateContextMenu() {
    auto* menu = new QMenu(this);
    menu->addAction("清除", [this] { rows_->Clear(); });
    return menu;
}

void CRecordListDlg::contextMenuEvent(QContextMenuEvent* e) {
    ShowContextMenu(CreateContextMenu(), e->globalPos());
}

CEventHistoryDlg::CEventHistoryDlg(const std::string& caption, QWidget* parent)
    : CRecordListDlg("CEventHistoryDlg", kHistoryCaption, caption,
                     {{"序号", 900 / 16},
                      {"地址", 900 / 12},
                      {"组号", 900 / 16},
                      {"条目号", 900 / 16},
                      {"FUN", 900 / 16},
                      {"INF", 900 / 16},
                      {"类型", 900 / 4 * 3 / 4},
                      {"数值", 900 / 8},
                      {"时间", 900 / 4 * 12 / 11}},
                     parent) {}

void CEventHistoryDlg::AddEvent(const CHistoryEventRecord& r) {
    AddRow({std::to_string(NextNumber()), StrFormat("%u", unsigned(r.m_address)),
            StrFormat("%u", unsigned(r.m_group)), StrFormat("%u", unsigned(r.m_entry)),
            StrFormat("%u", unsigned(r.m_fun)), StrFormat("%u", unsigned(r.m_inf)),
            CLogFiles::EventTypeText(r.m_eventType), r.m_value, RecordTimeText(r.m_time)});
}

CRemoteCmdListDlg::CRemoteCmdListDlg(const std::string& caption, QWidget* parent)
    : CRecordListDlg("CRemoteCmdListDlg", "远方命令查询", caption,
                     {{"序号", 900 / 24},
                      {"命令类型", 900 / 8},
                      {"命令源", 900 / 8},
                      {"地址", 900 / 12},
                      {"组号", 900 / 24},
                      {"条目号", 900 / 24},
                      {"数值", 900 / 8},
                      {"时间", 900 / 4 * 12 / 11},
                      {"自描述信息", 900 / 4}},
                     parent) {}

void CRemoteCmdListDlg::AddCommand(const CRemoteCommandRecord& r) {
    const std::string kind = CLogFiles::SourceKindText(r.m_sourceClass);
    AddRow({std::to_string(NextNumber()), CLogFiles::CommandTypeText(r.m_commandType),
            StrFormat("板卡%u", unsigned(r.m_sourceBoard + 1)) + kind +
                StrFormat("%u", unsigned(r.m_sourcePort)),
            StrFormat("%u", unsigned(r.m_address)), StrFormat("%u", unsigned(r.m_group)),
            StrFormat("%u", unsigned(r.m_entry)), r.m_value, RecordTimeText(r.m_time), r.m_description});
}

CWaveListDlg::CWaveListDlg(QWidget* parent)
    : CRecordListDlg("CWaveListDlg", "波形记录", {},
                     {{"序号", 900 / 16},
                      {"文件名", 900 / 3},
                      {"装置", 900 / 8},
                      {"故障时间", 900 / 3},
                      {"NOF", 900 / 16}},
                     parent) {
    caption_->hide();
}

void CWaveListDlg::AddRecord(const std::string& name, std::uint16_t address, const CDeviceTime& time,
                             std::uint16_t nof) {
    AddRow({std::to_string(NextNumber()), name, StrFormat("%u", unsigned(address)), RecordTimeText(time),
            StrFormat("%u", unsigned(nof))});
}

} // namespace quorvex
