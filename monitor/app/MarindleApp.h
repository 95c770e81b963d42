#pragma once
// The monitor program's application object: it owns the window manager, the device link, the
// device model, the dispatcher, the user manager and the settings read at start-up, and it carries
// the commands of the 通讯 menu and the toolbar.
#include "monitor/app/WindowManager.h"
#include "monitor/core/DeviceLink.h"
#include "monitor/core/DevModel.h"
#include "monitor/core/MessageDispatcher.h"
#include "monitor/model/NetCfg.h"
#include "users/model/UserPwMgr.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <QPointer>
#include <string>

namespace unitlink {
class ILinkTransport;
}

namespace marindle {

class CMainFrame;
class CDevClockDlg;
class CCommParamDlg;
class CStartWindow;

class CMarindleApp : public ILinkHost {
public:
    static constexpr const char* kTitle = "组态调试工具";

    // programFolder: the folder of the program ("sav" lies under it). The transport is the
    // link's socket (tests give an in-memory one).
    CMarindleApp(std::filesystem::path programFolder, std::unique_ptr<unitlink::ILinkTransport> transport);
    ~CMarindleApp() override;
    CMarindleApp(const CMarindleApp&) = delete;
    CMarindleApp& operator=(const CMarindleApp&) = delete;

    // Start-up: folders, login key from the command line, main frame, the unit's address from
    // NetCfg.dbg, the edition. False when it cannot start. With show, the start window goes up
    // alone and the rest (the main frame shown maximised, the address, the edition) follows from
    // the event loop once the start window is on screen; without show all is done at once and no
    // window is shown.
    bool InitInstance(const std::string& commandLine, bool show = true);

    // The user manager's login dialog for a right (8 settings download, 16 telecontrol).
    bool CheckRight(int right);
    // Tests replace the login dialog with this.
    std::function<bool(int)> rightCheck;

    // Commands (ids of the menu in the comments of the main frame).
    void OnCommParams();
    int OnConnect();
    void OnDisconnect();
    void OnMainTrace();
    void OnRemoteReset();
    void OnCancelAllManual();
    void OnViewClocks();
    void OnSystemClock();
    void OnCustomClock();
    void OnVersion();
    void OnAbout();
    bool IsConnected() const { return link.IsConnected(); }

    // ILinkHost
    void ShowNotice(const std::string& text) override;
    void CloseNotice() override;
    void LinkDown() override;
    void Reconnect() override;
    void Post(std::function<void()> call) override;
    unitlink::CPostGate* PostGate() override { return &later_; }

    // The main frame; null until it is built (see InitInstance).
    CMainFrame* Frame() const { return frame_.get(); }
    // The start window while it is up.
    CStartWindow* StartWindow() const;
    void CloseStartWindow();
    const std::filesystem::path& ProgramFolder() const { return folder_; }
    std::filesystem::path SavFolder() const { return folder_ / "sav"; }

    std::filesystem::path folder_;
    CNetCfg cfg;
    CWindowManager windows;
    CDevModel model;
    marindle::CDeviceLink link;
    CMessageDispatcher dispatcher;
    std::uint16_t loginKey = 30517;
    std::string edition;
    CUserPwMgr users;
    std::unique_ptr<CDevClockDlg> clock;

    // The comm-parameters dialog, kept for the whole run (made on first use).
    CCommParamDlg& ParamDialog();

private:
    // The part of the start-up that needs the main frame.
    void BuildFrame(bool show);

    QPointer<CStartWindow> start_;
    std::unique_ptr<CCommParamDlg> paramDlg_;
    std::unique_ptr<CMainFrame> frame_;
    // Queued on the application object, so that a call runs whatever window is open or gone by
    // then; held while the link tries to connect.
    unitlink::CPostGate later_;
};

} // namespace marindle
