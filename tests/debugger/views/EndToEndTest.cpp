// The whole program against a scripted unit behind the in-memory transport: login with the key of
// the command line, the port information, and requests posted through the worker thread.
#include "debugger/views/CommStatusDlg.h"
#include "debugger/views/MainFrame.h"
#include "debugger/views/MonitorSheets.h"
#include "debugger/views/QuorvexApp.h"
#include "debugger/views/SelectDialogs.h"

#include "tests/debugger/core/QuorvexTestSupport.h"
#include "tests/support/PromptRecorder.h"
#include "unitlink/FrameLayout.h"

#include "platform/ui/WidgetPrompt.h"

#include <QCoreApplication>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace quorvex;
using qtest::Bytes;

namespace {

using qtest::ScriptedUnit;

} // namespace

TEST(EndToEnd, LoginPortInformationAndPostedRequests) {
    testsupport::PromptRecorder prompts;
    testsupport::TempDir dir;
    ScriptedUnit* unit = nullptr;
    {
        CQuorvexApp app(
            [&unit] {
                auto t = std::make_unique<ScriptedUnit>(12345, std::array<std::uint8_t, 4>{1, 2, 3, 4});
                unit = t.get();
                return t;
            },
            dir.Path(), dir / "CFG_TOOL.INI");
        app.m_postWaitMs = 200;
        ASSERT_TRUE(app.InitInstance("系统管理员", "12345", true));
        ASSERT_NE(app.Worker(), nullptr);
        EXPECT_EQ(app.Data().m_loginKey, 12345);
        app.OnConnect();
        for (int i = 0; i < 4; ++i)
            unit->Deliver();
        ASSERT_TRUE(app.IsConnected());
        ASSERT_EQ(app.Data().m_boards.GetSize(), 1);
        EXPECT_TRUE(app.MainFrame()->TimerActive(kTimerHeartbeat));
        EXPECT_FALSE(app.MainFrame()->TimerActive(kTimerLogin));
        EXPECT_TRUE(prompts.Texts().empty());

        app.OnCommStatus();
        unit->Deliver();
        ASSERT_NE(app.StatusWindow(), nullptr);
        bool shown = false;
        for (int r = 0; r < app.StatusWindow()->List()->rowCount(); ++r)
            shown |= app.StatusWindow()->Text(r, 2) == "装置5" && app.StatusWindow()->Text(r, 5) == "投运";
        EXPECT_TRUE(shown);

        // The real-time data base is asked for through the worker.
        unit->sent.clear();
        platform::SetDialogRunner([](QDialog& d) {
            dynamic_cast<CDbSelDlg&>(d).accept();
            return int(QDialog::Accepted);
        });
        app.OnRealTimeDb();
        platform::SetDialogRunner({});
        // The command returns at once; the menu commands pause while the worker sends, which
        // happens in the program's own event loop.
        EXPECT_FALSE(app.CommandEnabled(kCmdCommStatus));
        EXPECT_TRUE(unit->Bodies().empty());
        for (int i = 0; i < 1000 && unit->Bodies().empty(); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const auto bodies = unit->Bodies();
        ASSERT_EQ(bodies.size(), 1u);
        EXPECT_EQ(bodies[0], (Bytes{21, 0x81, 42, 0, 254, 240, 0, 0}));

        // 远程启动 with the worker running: the request leaves before the link is cut.
        unit->sent.clear();
        platform::SetDialogRunner([](QDialog& d) {
            d.accept();
            return int(QDialog::Accepted);
        });
        app.OnRemoteStart();
        platform::SetDialogRunner({});
        EXPECT_FALSE(app.IsConnected());
        EXPECT_EQ(prompts.LastText(), "稍后，请用户重新进行网络连接。");
        EXPECT_EQ(unit->Bodies(), std::vector<Bytes>{Bytes{2}});
        app.ExitInstance();
    }
}
