#include "monitor/app/CommParamDlg.h"

#include "platform/Prompt.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/PortNumber.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace marindle {

CCommParamDlg::CCommParamDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CCommParamDlg");
    setWindowTitle(Qs("连接参数设置"));
    address_ = new QLineEdit(this);
    address_->setObjectName("edit999");
    port_ = new QLineEdit(this);
    port_->setObjectName("edit1001");
    auto* form = new QFormLayout;
    form->addRow(Qs("通讯装置IP地址"), address_);
    form->addRow(Qs("IP端口"), port_);
    auto* connectButton = new QPushButton(Qs("连 接"), this);
    connectButton->setObjectName("button4");
    auto* ok = new QPushButton(Qs("确 定"), this);
    ok->setObjectName("button1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(Qs("取 消"), this);
    cancel->setObjectName("button2");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(connectButton);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(connectButton, &QPushButton::clicked, this, [this] { Close(kConnect); });
    connect(ok, &QPushButton::clicked, this, [this] { Close(Accepted); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CCommParamDlg::Close(int result) {
    int port = 0;
    if (!unitlink::ParsePortNumber(PortText(), port)) {
        platform::MessageBox(unitlink::kPortRangeText, {}, platform::Icon::Warning);
        return;
    }
    if (onStore && !onStore(Address()))
        return;
    done(result);
}

void CCommParamDlg::Prepare(const std::string& address, int port) {
    address_->setText(Qs(address));
    port_->setText(QString::number(port));
}

std::string CCommParamDlg::Address() const {
    return Ss(address_->text().trimmed());
}

std::string CCommParamDlg::PortText() const {
    return Ss(port_->text());
}

} // namespace marindle
