#include "monitor/app/MarindleApp.h"

#include "monitor/app/CommParamDlg.h"
#include "monitor/app/MainFrame.h"
#include "monitor/app/StartWindow.h"
#include "monitor/core/ClockCommands.h"
#include "monitor/coreui/DevClockDlg.h"
#include "monitor/coreui/UnitTimeDlg.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"
#include "unitlink/LinkTexts.h"
#include "unitlink/LinkTransport.h"

#include <cstdlib>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QTimer>
#include <QVBoxLayout>

using platform::Qs;

namespace marindle {

CMarindleApp::CMarindleApp(std::filesystem::path programFolder,
                           std::unique_ptr<unitlink::ILinkTransport> transport)
    : folder_(std::move(programFolder)), cfg(folder_), windows(*this),
      link(std::move(transport), this, &windows), dispatcher(link, model, windows, *this),
      later_([](unitlink::CPostGate::Call call) {
          QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
      }) {
    link.SetDispatcher(&dispatcher);
    users.LoadFromFile(folder_);
}

CMarindleApp::~CMarindleApp() {
    // Before anything else: a frame still to be built is not built any more.
    delete start_.data();
    if (frame_) {
        windows.CloseAll();
        link.Disconnect();
    }
    clock.reset();
    paramDlg_.reset();
    frame_.reset();
}

bool CMarindleApp::InitInstance(const std::string& commandLine, bool show) {
    if (folder_.empty()) {
        platform::MessageBox("当前路径错");
        return false;
    }
    MakeSavFolders(folder_);
    loginKey = ParseLoginKey(commandLine);
    link.SetLoginKey(loginKey);
    if (!show) {
        BuildFrame(false);
        return true;
    }
    // The start window is the first window on screen (a small window is up as fast as any dialog);
    // the main frame, its first layout and paint and Qt's first use of what it shows (fonts,
    // shaping, style icons) come after it. The link stays idle until the user connects.
    start_ = new CStartWindow;
    start_->ShowThen([this] { BuildFrame(true); });
    return true;
}

void CMarindleApp::BuildFrame(bool show) {
    frame_ = std::make_unique<CMainFrame>(*this);
    windows.SetMdiArea(frame_->MdiArea());
    if (show) {
        frame_->showMaximized();
        if (start_)
            start_->raise();
    }
    const std::string address = cfg.IpAddress();
    link.SetAddress(address, CDeviceLink::kDefaultPort);
    frame_->SetAddressText(address);
    if (const char* e = std::getenv("QXM_SOFT_TOOL"))
        edition = std::string(e).substr(0, 30);
}

CStartWindow* CMarindleApp::StartWindow() const {
    return start_.data();
}

void CMarindleApp::CloseStartWindow() {
    if (start_)
        start_->close();
}

bool CMarindleApp::CheckRight(int right) {
    if (rightCheck)
        return rightCheck(right);
    char user[65] = {};
    return users.CheckPassword(user, static_cast<std::uint8_t>(right), frame_.get()) != 0;
}

void CMarindleApp::OnCommParams() {
    CCommParamDlg* dlg = &ParamDialog();
    // The port last taken stays until the user types another.
    dlg->Prepare(cfg.IpAddress(), link.Port() > 0 ? link.Port() : CDeviceLink::kDefaultPort);
    const int result = platform::RunDialog(*dlg);
    if (result != QDialog::Accepted && result != CCommParamDlg::kConnect)
        return;
    const std::string address = dlg->Address();
    link.SetAddress(address, platform::AtoI(dlg->PortText()));
    if (frame_)
        frame_->SetAddressText(address);
    if (result == CCommParamDlg::kConnect)
        OnConnect();
}

CCommParamDlg& CMarindleApp::ParamDialog() {
    if (!paramDlg_) {
        paramDlg_ = std::make_unique<CCommParamDlg>();
        paramDlg_->onStore = [this](const std::string& address) {
            if (cfg.SetIpAddress(address))
                return true;
            platform::MessageBox("保存连接参数失败，文件：" + cfg.File().string(), {},
                                 platform::Icon::Warning);
            return false;
        };
    }
    return *paramDlg_;
}

int CMarindleApp::OnConnect() {
    windows.CloseLinkWindows();
    if (clock) {
        clock->close();
        clock.reset();
    }
    model.Clear();
    for (int mode : {1, 2})
        if (IStructureTree* t = windows.Tree(mode))
            t->BuildTree();
    const int ok = link.Connect();
    if (ok) {
        if (frame_)
            frame_->SetLinkText(unitlink::text::kLinkUp);
        windows.OpenDebug();
    }
    if (frame_)
        frame_->UpdateCommands();
    return ok;
}

void CMarindleApp::OnDisconnect() {
    if (link.Disconnect() && frame_)
        frame_->SetLinkText(unitlink::text::kLinkDown);
    if (frame_)
        frame_->UpdateCommands();
}

void CMarindleApp::OnMainTrace() {
    windows.OpenTrace(1, 0, 0);
}

void CMarindleApp::OnRemoteReset() {
    if (platform::MessageBox("确定远程复位通讯装置？", {}, platform::Icon::Question,
                             platform::Buttons::YesNo) != platform::Answer::Yes)
        return;
    link.SendRequest(CRemoteResetMsg(255));
}

void CMarindleApp::OnCancelAllManual() {
    if (!platform::AskYesDefaultNo("确实要取消全部人工置数吗？", {}))
        return;
    link.SendCancelAllManual();
}

void CMarindleApp::OnViewClocks() {
    ViewClocks(link, model, clock, frame_.get());
}

void CMarindleApp::OnSystemClock() {
    SetUnitClockFromPc(link);
}

void CMarindleApp::OnCustomClock() {
    SetCustomClock(link, frame_.get());
}

void CMarindleApp::OnVersion() {
    link.SendRequest(CSimpleRequestMsg::Version());
}

void CMarindleApp::OnAbout() {
    QDialog about(frame_.get());
    about.setObjectName("aboutBox");
    about.setWindowTitle(Qs("关于组态调试工具"));
    auto* layout = new QVBoxLayout(&about);
    layout->addWidget(new QLabel(Qs("组态调试工具 V2.04"), &about));
    if (!edition.empty())
        layout->addWidget(new QLabel(Qs(edition), &about));
    layout->addWidget(new QLabel(Qs("通讯装置监视程序"), &about));
    platform::RunDialog(about);
}

void CMarindleApp::ShowNotice(const std::string& text) {
    if (frame_)
        frame_->ShowNotice(text);
}

void CMarindleApp::CloseNotice() {
    if (frame_)
        frame_->CloseNotice();
}

void CMarindleApp::LinkDown() {
    if (frame_) {
        frame_->SetLinkText(unitlink::text::kLinkDown);
        frame_->UpdateCommands();
    }
}

void CMarindleApp::Post(std::function<void()> call) {
    later_.Post(std::move(call));
}

void CMarindleApp::Reconnect() {
    OnDisconnect();
    // Connecting shows message boxes and waits; it runs after the link's timer handling ends.
    QTimer::singleShot(0, frame_.get(), [this] { OnConnect(); });
}

} // namespace marindle
