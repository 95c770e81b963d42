#include "monitor/app/FramePropDlg.h"

#include "monitor/core/DevTime.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/DialogButtons.h"

#include "platform/ui/WidgetPrompt.h"
#include <QDialogButtonBox>

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

using platform::Qs;
using platform::Ss;

namespace marindle {

CFramePropDlg::CFramePropDlg(bool fromTree, bool networkPort, const FrameSettings& s, QWidget* parent)
    : QDialog(parent), fromTree_(fromTree), network_(networkPort), settings_(s) {
    setObjectName("CFramePropDlg");
    setWindowTitle(Qs("报文属性"));
    auto box = [this](const char* text, const char* name, int value) {
        auto* b = new QCheckBox(Qs(text), this);
        b->setObjectName(name);
        b->setChecked(value != 0);
        return b;
    };
    header_ = box(" 打印报文头", "check1055", s.printHeader);
    save_ = box(" 保存报文", "check1056", s.save);
    tcp_ = box(" TCP报文", "check1053", s.tcp);
    udp_ = box(" UDP报文", "check1054", s.udp);
    ifDevIp_ = box("远动机IP", "check1059", s.devIpFilter);
    ifDest_ = box("目的IP", "check1060", s.destIpFilter);
    ifAddr_ = box("装置地址", "check1062", s.devAddrFilter);
    devIp_ = new QLineEdit(Qs(platform::DottedIPv4(s.deviceIp)), this);
    devIp_->setObjectName("ip1057");
    destIp_ = new QLineEdit(Qs(platform::DottedIPv4(s.destinationIp)), this);
    destIp_->setObjectName("ip1058");
    addr_ = new QLineEdit(Qs(platform::StrFormat("%u", s.deviceAddress)), this);
    addr_->setObjectName("edit1064");
    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* b : {header_, save_, tcp_, udp_})
        layout->addWidget(b);
    auto* form = new QFormLayout;
    form->addRow(ifDevIp_, devIp_);
    form->addRow(ifDest_, destIp_);
    form->addRow(ifAddr_, addr_);
    layout->addLayout(form);
    layout->addWidget(platform::MakeOkCancelButtons(this));
    for (QCheckBox* b : {ifDevIp_, ifDest_, ifAddr_})
        connect(b, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    UpdateEnabled();
}

void CFramePropDlg::UpdateEnabled() {
    const bool transports = network_;
    const bool filters = fromTree_ && network_;
    tcp_->setEnabled(transports);
    udp_->setEnabled(transports);
    for (QCheckBox* b : {ifDevIp_, ifDest_, ifAddr_})
        b->setEnabled(filters);
    devIp_->setEnabled(filters && ifDevIp_->isChecked());
    destIp_->setEnabled(filters && ifDest_->isChecked());
    addr_->setEnabled(filters && ifAddr_->isChecked());
}

void CFramePropDlg::accept() {
    // A filter is taken as typed or not at all: a cut address would filter another device.
    const std::string refusal =
        FrameFilterRefusal(Ss(devIp_->text()), Ss(destIp_->text()), Ss(addr_->text()));
    if (!refusal.empty()) {
        platform::MessageBox(refusal);
        return;
    }
    settings_.printHeader = header_->isChecked();
    settings_.save = save_->isChecked();
    settings_.tcp = tcp_->isChecked();
    settings_.udp = udp_->isChecked();
    settings_.devIpFilter = ifDevIp_->isChecked();
    settings_.destIpFilter = ifDest_->isChecked();
    settings_.devAddrFilter = ifAddr_->isChecked();
    settings_.deviceIp = ParseIpAddress(Ss(devIp_->text()));
    settings_.destinationIp = ParseIpAddress(Ss(destIp_->text()));
    settings_.deviceAddress = static_cast<std::uint16_t>(platform::AtoI(Ss(addr_->text())));
    QDialog::accept();
}

} // namespace marindle
