#include "configtool/link/views/ConnectParamDlg.h"

#include "configtool/link/LinkSettings.h"
#include "platform/FileFaults.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/PortNumber.h"

#include <cctype>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qxm7740 {

using platform::Qs;
using platform::Ss;

namespace {

// An integer as the dialog exchange accepted it: blanks, an optional sign, decimal digits.
bool ParseInt(const std::string& text, int& value) {
    const std::string t = platform::Trim(text);
    std::size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    if (i == t.size() || t.size() - i > 9)
        return false;
    for (std::size_t j = i; j < t.size(); ++j)
        if (!std::isdigit(static_cast<unsigned char>(t[j])))
            return false;
    value = platform::AtoI(t);
    return true;
}

} // namespace

CConnectParamDlg::CConnectParamDlg(std::filesystem::path programFolder, QWidget* parent)
    : QDialog(parent), programFolder_(std::move(programFolder)) {
    setWindowTitle(Qs("连接参数设置"));
    setObjectName("CConnectParamDlg");
    auto* group = new QGroupBox(Qs("TCP/IP参数"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(Qs("远程IP"), group), 0, 0);
    auto* ipRow = new QHBoxLayout();
    for (int i = 0; i < 4; ++i) {
        auto* box = new QSpinBox(group);
        box->setRange(0, 255);
        box->setButtonSymbols(QAbstractSpinBox::NoButtons);
        box->setObjectName(QString("ipOctet%1").arg(i));
        octets_[static_cast<std::size_t>(i)] = box;
        ipRow->addWidget(box);
        if (i < 3)
            ipRow->addWidget(new QLabel(".", group));
    }
    grid->addLayout(ipRow, 0, 1);
    grid->addWidget(new QLabel(Qs("端口"), group), 1, 0);
    portEdit_ = new QLineEdit(group);
    portEdit_->setObjectName("portEdit");
    grid->addWidget(portEdit_, 1, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(Qs("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* cancel = buttons->addButton(Qs("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &CConnectParamDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CConnectParamDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

void CConnectParamDlg::OnInitDialog() {
    int readError = 0;
    const CLinkSettings s = CLinkSettings::Load(programFolder_, &readError);
    // Defaults shown for a file that could not be read would pass for what it holds.
    if (readError != 0)
        platform::MessageBox(platform::StrFormat("无法读取连接参数文件%s：%s\n显示的是默认参数。",
                                                 CLinkSettings::FilePath(programFolder_).string().c_str(),
                                                 platform::ErrorText(readError).c_str()),
                             {}, platform::Icon::Warning);
    for (std::size_t i = 0; i < 4; ++i)
        octets_[i]->setValue(s.octets[i]);
    m_port = s.port;
    portEdit_->setText(QString::number(m_port));
}

int CConnectParamDlg::DoModal() {
    OnInitDialog();
    return platform::RunDialog(*this);
}

void CConnectParamDlg::accept() {
    CLinkSettings s;
    for (std::size_t i = 0; i < 4; ++i)
        s.octets[i] = octets_[i]->value();
    m_address = s.AddressText();
    // Text that is no integer keeps the previous port (and is said); an integer the socket
    // cannot use is neither saved nor taken: the dialog stays open.
    const std::string portText = Ss(portEdit_->text());
    int port = m_port;
    if (!ParseInt(portText, port)) {
        platform::MessageBox("请输入一个整数。", {}, platform::Icon::Warning);
        port = m_port;
    } else if (!unitlink::IsPortNumber(port)) {
        platform::MessageBox(unitlink::kPortRangeText, {}, platform::Icon::Warning);
        return;
    }
    s.port = port;
    // The link takes only what the file holds: a save that failed changes neither.
    if (!s.Save(programFolder_)) {
        platform::MessageBox(platform::StrFormat("保存连接参数失败，文件：%s",
                                                 CLinkSettings::FilePath(programFolder_).string().c_str()),
                             {}, platform::Icon::Warning);
        return;
    }
    m_port = port;
    QDialog::accept();
}

} // namespace qxm7740
