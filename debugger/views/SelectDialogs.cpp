#include "debugger/views/SelectDialogs.h"

#include "debugger/core/NetCfg.h"

#include "platform/Prompt.h"
#include "platform/ui/DialogButtons.h"
#include "platform/ui/WidgetPrompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quorvex {

using platform::Qs;
using platform::Ss;

namespace {

QComboBox* Combo(QWidget* parent, const char* name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    return c;
}

QPushButton* OkButton(QDialog* dlg, QVBoxLayout* layout) {
    QDialogButtonBox* box = platform::MakeOkCancelButtons(dlg);
    layout->addWidget(box);
    return dlg->findChild<QPushButton*>("ok");
}

void FillBoardCombo(QComboBox* combo, const CUnitBoardArray& boards) {
    combo->clear();
    for (int i = 0; i < boards.GetSize(); ++i)
        combo->addItem(QString::number(boards[i].m_boardNumber), i + 1);
}

const CUnitBoard* SelectedBoard(const QComboBox* combo, const CUnitBoardArray& boards) {
    const int i = combo->currentIndex();
    return i >= 0 && i < boards.GetSize() ? &boards[i] : nullptr;
}

// Lists the ports of the board chosen in boardCombo; that board, or null.
const CUnitBoard* FillPortCombo(QComboBox* portCombo, const QComboBox* boardCombo,
                                const CUnitBoardArray& boards) {
    portCombo->clear();
    const CUnitBoard* b = SelectedBoard(boardCombo, boards);
    if (b)
        for (int i = 0; i < b->PortCount(); ++i)
            portCombo->addItem(Qs(b->PortAt(i)->m_name));
    return b;
}

} // namespace

// ---- CDbSelDlg

CDbSelDlg::CDbSelDlg(const CUnitBoardArray& boards, QWidget* parent) : QDialog(parent), boards_(boards) {
    setObjectName("CDbSelDlg");
    setWindowTitle("监视实时库选择");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_boardCombo = Combo(this, "board");
    m_portCombo = Combo(this, "port");
    m_deviceCombo = Combo(this, "device");
    form->addRow("板卡", m_boardCombo);
    form->addRow("通讯口", m_portCombo);
    form->addRow("装置地址", m_deviceCombo);
    layout->addLayout(form);
    m_byPort = new QCheckBox("按端口查看装置", this);
    m_byPort->setObjectName("byPort");
    layout->addWidget(m_byPort);
    m_ok = OkButton(this, layout);
    m_ok->setText("确 定");
    findChild<QPushButton*>("cancel")->setText("取 消");
    FillAll();
    connect(m_byPort, &QCheckBox::toggled, this, [this](bool on) {
        m_boardCombo->setEnabled(on);
        m_portCombo->setEnabled(on);
        if (on)
            FillBoards();
        else
            FillAll();
    });
    connect(m_boardCombo, &QComboBox::activated, this, [this] { FillPorts(); });
    connect(m_portCombo, &QComboBox::activated, this, [this] { FillDevices(); });
    connect(m_deviceCombo, &QComboBox::activated, this, [this] { TakeDevice(); });
}

void CDbSelDlg::FillAll() {
    m_boardCombo->setEnabled(false);
    m_portCombo->setEnabled(false);
    m_deviceCombo->clear();
    for (const CUnitBoard& b : boards_) {
        for (const CUnitPortArray* ports : {&b.m_serialPorts, &b.m_netPorts})
            for (const CUnitPort& p : *ports)
                for (const CUnitAddress& a : p.m_addresses)
                    m_deviceCombo->addItem(QString::number(a.m_address));
    }
    m_portName.clear();
    TakeDevice();
}

void CDbSelDlg::FillBoards() {
    FillBoardCombo(m_boardCombo, boards_);
    FillPorts();
}

void CDbSelDlg::FillPorts() {
    FillPortCombo(m_portCombo, m_boardCombo, boards_);
    FillDevices();
}

void CDbSelDlg::FillDevices() {
    m_deviceCombo->clear();
    const CUnitBoard* b = SelectedBoard(m_boardCombo, boards_);
    const CUnitPort* p = b ? b->PortAt(m_portCombo->currentIndex()) : nullptr;
    if (p) {
        m_port = p->m_portNumber;
        m_portName = p->m_name;
        for (const CUnitAddress& a : p->m_addresses)
            m_deviceCombo->addItem(QString::number(a.m_address));
    }
    TakeDevice();
}

void CDbSelDlg::TakeDevice() {
    const bool any = m_deviceCombo->count() > 0;
    if (any && m_deviceCombo->currentIndex() < 0)
        m_deviceCombo->setCurrentIndex(0);
    m_ok->setEnabled(any);
    if (!any)
        return;
    m_device = static_cast<std::uint16_t>(m_deviceCombo->currentText().toUInt());
    if (m_byPort->isChecked()) {
        if (const CUnitBoard* b = SelectedBoard(m_boardCombo, boards_))
            m_board = b->m_boardNumber;
    } else if (const CUnitBoard* b = FindBoardOfAddress(boards_, m_device)) {
        m_board = b->m_boardNumber;
    }
}

// ---- CTabSelDlg

CTabSelDlg::CTabSelDlg(const CUnitBoardArray& boards, QWidget* parent) : QDialog(parent), boards_(boards) {
    setObjectName("CTabSelDlg");
    setWindowTitle("监视引用表选择");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_boardCombo = Combo(this, "board");
    m_portCombo = Combo(this, "port");
    m_tableCombo = Combo(this, "table");
    m_startEdit = new QLineEdit("0", this);
    m_startEdit->setObjectName("start");
    m_countEdit = new QLineEdit("100", this);
    m_countEdit->setObjectName("count");
    form->addRow("板卡", m_boardCombo);
    form->addRow("通讯口", m_portCombo);
    form->addRow("引用表", m_tableCombo);
    form->addRow("起始点序号", m_startEdit);
    form->addRow("监视条目数", m_countEdit);
    layout->addLayout(form);
    OkButton(this, layout)->setText("确 定");
    findChild<QPushButton*>("cancel")->setText("取 消");
    FillBoardCombo(m_boardCombo, boards_);
    FillPorts();
    connect(m_boardCombo, &QComboBox::activated, this, [this] { FillPorts(); });
    connect(m_portCombo, &QComboBox::activated, this, [this] { FillTables(); });
    connect(m_tableCombo, &QComboBox::activated, this, [this] { TakeTable(); });
}

void CTabSelDlg::FillPorts() {
    if (const CUnitBoard* b = FillPortCombo(m_portCombo, m_boardCombo, boards_))
        m_board = b->m_boardNumber;
    FillTables();
}

void CTabSelDlg::FillTables() {
    m_tableCombo->clear();
    const CUnitBoard* b = SelectedBoard(m_boardCombo, boards_);
    const CUnitPort* p = b ? b->PortAt(m_portCombo->currentIndex(), &m_portType) : nullptr;
    if (p) {
        m_port = p->m_portNumber;
        m_portName = p->m_name;
        for (const CUnitRefTable& t : p->m_tables)
            m_tableCombo->addItem(Qs(t.m_name));
    }
    TakeTable();
}

void CTabSelDlg::TakeTable() {
    const CUnitBoard* b = SelectedBoard(m_boardCombo, boards_);
    const CUnitPort* p = b ? b->PortAt(m_portCombo->currentIndex()) : nullptr;
    const int i = m_tableCombo->currentIndex();
    if (!p || i < 0 || i >= p->m_tables.GetSize())
        return;
    m_table = p->m_tables[i].m_tableNumber;
    m_tableKind = p->m_tables[i].m_tableKind;
    m_tableName = p->m_tables[i].m_name;
}

void CTabSelDlg::accept() {
    bool okStart = false, okCount = false;
    const uint start = m_startEdit->text().trimmed().toUInt(&okStart);
    const uint count = m_countEdit->text().trimmed().toUInt(&okCount);
    if (!okStart || start > 0xFFFF) {
        platform::MessageBox("请输入一个 0 和 65535 之间的整数。");
        return;
    }
    if (!okCount || count > 100) {
        platform::MessageBox("请输入一个 0 和 100 之间的整数。");
        return;
    }
    if (m_tableCombo->currentIndex() < 0) {
        platform::MessageBox("没有可监视的引用表");
        return;
    }
    m_start = static_cast<std::uint16_t>(start);
    m_count = static_cast<std::uint16_t>(count);
    QDialog::accept();
}

// ---- CPortMonitorDlg / CNetMonitorDlg

CPortMonitorDlg::CPortMonitorDlg(const CUnitBoardArray& boards, QWidget* parent, bool network,
                                 std::filesystem::path netCfg)
    : QDialog(parent), boards_(boards), network_(network), netCfg_(std::move(netCfg)) {
    setObjectName(network ? "CNetMonitorDlg" : "CPortMonitorDlg");
    setWindowTitle(network ? "网络口监视选择" : "通讯口监视选择");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_boardCombo = Combo(this, "board");
    m_portCombo = Combo(this, "port");
    m_deviceCombo = Combo(this, "device");
    form->addRow("板卡", m_boardCombo);
    form->addRow(network ? "连接号" : "通讯口", m_portCombo);
    form->addRow("装置地址", m_deviceCombo);
    if (network) {
        m_typeCombo = Combo(this, "messageType");
        m_typeCombo->addItem("UDP", 0);
        m_typeCombo->addItem("TCP", 1);
        m_typeCombo->addItem("全部", 2);
        m_typeCombo->setCurrentIndex(2);
        m_unitEdit = new QLineEdit(this);
        m_unitEdit->setObjectName("unitIp");
        m_destEdit = new QLineEdit(this);
        m_destEdit->setObjectName("destIp");
        form->addRow("报文类型", m_typeCombo);
        form->addRow("通讯装置IP", m_unitEdit);
        form->addRow("目的IP", m_destEdit);
        const CNetCfg settings(netCfg_);
        m_unitEdit->setText(Qs(settings.UnitIpText()));
        m_destEdit->setText(Qs(settings.DestIpText()));
        m_device = 0xFFFF;
    }
    layout->addLayout(form);
    m_allCheck = new QCheckBox(network ? "监视本网口下所有报文" : "监视本端口下所有报文", this);
    m_allCheck->setObjectName("all");
    m_sendCheck = new QCheckBox("通讯装置发送", this);
    m_sendCheck->setObjectName("send");
    m_receiveCheck = new QCheckBox("通讯装置接收", this);
    m_receiveCheck->setObjectName("receive");
    m_splitRadio = new QRadioButton("分开显示", this);
    m_splitRadio->setObjectName("split");
    m_mixRadio = new QRadioButton("混合显示", this);
    m_mixRadio->setObjectName("mix");
    m_saveCheck = new QCheckBox("开始存文件", this);
    m_saveCheck->setObjectName("save");
    for (QWidget* w : std::initializer_list<QWidget*>{m_allCheck, m_sendCheck, m_receiveCheck, m_splitRadio,
                                                      m_mixRadio, m_saveCheck})
        layout->addWidget(w);
    m_ok = OkButton(this, layout);
    FillBoardCombo(m_boardCombo, boards_);
    FillPorts();
    connect(m_boardCombo, &QComboBox::activated, this, [this] { FillPorts(); });
    connect(m_portCombo, &QComboBox::activated, this, [this] { FillDevices(); });
    connect(m_deviceCombo, &QComboBox::activated, this,
            [this] { m_device = static_cast<std::uint16_t>(m_deviceCombo->currentText().toUInt()); });
    connect(m_sendCheck, &QCheckBox::clicked, this, [this] {
        m_send = !m_send;
        UpdateButtons();
    });
    connect(m_receiveCheck, &QCheckBox::clicked, this, [this] {
        m_receive = !m_receive;
        UpdateButtons();
    });
    connect(m_splitRadio, &QRadioButton::clicked, this, [this] {
        m_split = true;
        UpdateButtons();
    });
    connect(m_mixRadio, &QRadioButton::clicked, this, [this] {
        m_split = false;
        UpdateButtons();
    });
    connect(m_allCheck, &QCheckBox::toggled, this, [this](bool on) {
        m_all = on;
        m_deviceCombo->setEnabled(!on);
        if (m_destEdit)
            m_destEdit->setEnabled(!on);
    });
    UpdateButtons();
}

const CUnitPortArray& CPortMonitorDlg::Ports(const CUnitBoard& b) const {
    return network_ ? b.m_netPorts : b.m_serialPorts;
}

void CPortMonitorDlg::FillPorts() {
    m_portCombo->clear();
    if (const CUnitBoard* b = SelectedBoard(m_boardCombo, boards_)) {
        m_board = b->m_boardNumber;
        for (const CUnitPort& p : Ports(*b))
            m_portCombo->addItem(Qs(p.m_name));
    }
    FillDevices();
}

void CPortMonitorDlg::FillDevices() {
    m_deviceCombo->clear();
    m_deviceAvailable = false;
    const CUnitBoard* b = SelectedBoard(m_boardCombo, boards_);
    const int i = m_portCombo->currentIndex();
    if (b && i >= 0 && i < Ports(*b).GetSize()) {
        const CUnitPort& p = Ports(*b)[i];
        m_port = p.m_portNumber;
        m_portName = p.m_name;
        for (const CUnitAddress& a : p.m_addresses)
            m_deviceCombo->addItem(QString::number(a.m_address));
        if (p.m_addresses.GetSize() > 0) {
            m_device = p.m_addresses[0].m_address;
            m_deviceAvailable = true;
        } else if (network_) {
            m_device = 0xFFFF;
        }
    }
    UpdateButtons();
}

void CPortMonitorDlg::UpdateButtons() {
    m_sendCheck->setChecked(m_send);
    m_receiveCheck->setChecked(m_receive);
    const bool both = m_send && m_receive;
    m_splitRadio->setEnabled(both);
    m_mixRadio->setEnabled(both);
    m_splitRadio->setChecked(m_split);
    m_mixRadio->setChecked(!m_split);
    m_ok->setEnabled(m_send || m_receive);
}

void CPortMonitorDlg::accept() {
    m_save = m_saveCheck->isChecked();
    m_all = m_allCheck->isChecked();
    if (!m_all && m_deviceCombo->currentIndex() >= 0)
        m_device = static_cast<std::uint16_t>(m_deviceCombo->currentText().toUInt());
    if (network_) {
        m_messageType = m_typeCombo->currentData().toInt();
        m_unitIp = ParseDottedAddress(Ss(m_unitEdit->text()));
        const std::uint32_t dest = ParseDottedAddress(Ss(m_destEdit->text()));
        m_destIp = m_all ? 0xFFFFFFFFu : dest;
        // The monitor runs with the addresses given; a file that kept the old ones is told.
        if (!CNetCfg(netCfg_).Save(m_unitIp, dest))
            platform::MessageBox("保存网络监视参数失败，文件：" + netCfg_.string(), {},
                                 platform::Icon::Warning);
    }
    if (m_all)
        m_device = 0xFFFF;
    QDialog::accept();
}

// ---- CProtocolInfoDlg

CProtocolInfoDlg::CProtocolInfoDlg(const CUnitBoardArray& boards, QWidget* parent)
    : QDialog(parent), boards_(boards) {
    setObjectName("CProtocolInfoDlg");
    setWindowTitle("规约信息监视选择");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_boardCombo = Combo(this, "board");
    m_portCombo = Combo(this, "port");
    form->addRow("板卡", m_boardCombo);
    form->addRow("通讯口", m_portCombo);
    layout->addLayout(form);
    OkButton(this, layout);
    FillBoardCombo(m_boardCombo, boards_);
    FillPorts();
    connect(m_boardCombo, &QComboBox::activated, this, [this] { FillPorts(); });
    connect(m_portCombo, &QComboBox::activated, this, [this] { TakePort(); });
}

void CProtocolInfoDlg::FillPorts() {
    if (const CUnitBoard* b = FillPortCombo(m_portCombo, m_boardCombo, boards_))
        m_board = b->m_boardNumber;
    TakePort();
}

void CProtocolInfoDlg::TakePort() {
    const CUnitBoard* b = SelectedBoard(m_boardCombo, boards_);
    if (!b)
        return;
    std::uint8_t kind = 0;
    if (const CUnitPort* p = b->PortAt(m_portCombo->currentIndex(), &kind)) {
        m_port = p->m_portNumber;
        m_portName = p->m_name;
        m_portKind = kind;
    }
}

} // namespace quorvex
