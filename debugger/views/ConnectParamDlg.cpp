#include "debugger/views/ConnectParamDlg.h"

#include "debugger/core/DeviceLink.h"
#include "debugger/core/NetCfg.h"

#include "platform/Prompt.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/PortNumber.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvex {

using platform::Qs;
using platform::Ss;

CConnectParamDlg::CConnectParamDlg(std::filesystem::path settingsFile, QWidget* parent)
    : QDialog(parent), settingsFile_(std::move(settingsFile)) {
    setObjectName("CConnectParamDlg");
    setWindowTitle("连接参数设置");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_addressEdit = new QLineEdit(this);
    m_addressEdit->setObjectName("address");
    m_portEdit = new QLineEdit(this);
    m_portEdit->setObjectName("port");
    form->addRow("通讯装置IP地址", m_addressEdit);
    form->addRow("IP端口", m_portEdit);
    layout->addLayout(form);
    auto* row = new QHBoxLayout;
    auto* connectButton = new QPushButton("连 接", this);
    connectButton->setObjectName("connect");
    auto* ok = new QPushButton("确 定", this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    auto* cancel = new QPushButton("取 消", this);
    cancel->setObjectName("cancel");
    row->addWidget(connectButton);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(connectButton, &QPushButton::clicked, this, [this] { Finish(kConnect); });
    connect(ok, &QPushButton::clicked, this, [this] { Finish(Accepted); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CConnectParamDlg::Load(int port) {
    m_addressEdit->setText(Qs(CDeviceLink::ReadAddress(settingsFile_)));
    m_portEdit->setText(QString::number(port));
}

void CConnectParamDlg::Finish(int result) {
    // A port the socket cannot use, or an address the file did not take, keeps the dialog open.
    int port = 0;
    if (!unitlink::ParsePortNumber(Ss(m_portEdit->text()), port)) {
        platform::MessageBox(unitlink::kPortRangeText, {}, platform::Icon::Warning);
        return;
    }
    const std::string address = Ss(m_addressEdit->text());
    if (!WriteUnitAddress(settingsFile_, address)) {
        platform::MessageBox("保存连接参数失败，文件：" + settingsFile_.string(), {},
                             platform::Icon::Warning);
        return;
    }
    m_address = address;
    m_port = std::to_string(port);
    done(result);
}

} // namespace quorvex
