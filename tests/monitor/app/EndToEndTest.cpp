// The program against a scripted unit on 127.0.0.1 over a real socket: login and port
// information fill the trees, a console line goes out and its answer comes back, and the main
// frame-trace window logs the frames.
#include "AppTestRig.h"
#include "LoopbackUnit.h"

#include "monitor/app/CmdForm.h"
#include "monitor/app/OverallView.h"
#include "monitor/app/TextMonitorForm.h"
#include "unitlink/NetSocket.h"

#include <gtest/gtest.h>
#include <QTest>

using namespace marindle;
using namespace montest;

TEST(EndToEndTest, LoginConsoleAndFrameTraceOverTcp) {
    testsupport::TempDir dir;
    testsupport::PromptRecorder prompts;
    LoopbackUnit unit;
    CMarindleApp app(dir.Path(), std::make_unique<unitlink::CNetSocket>());
    ASSERT_TRUE(app.InitInstance("4321", false));
    EXPECT_EQ(app.link.LoginKey(), 4321);
    app.link.SetAddress("127.0.0.1", unit.Port());
    ASSERT_EQ(app.OnConnect(), 1);
    app.OnMainTrace();

    unit.Send(Dsdu({14, 1, 2, 3, 4}));
    ASSERT_TRUE(unit.WaitFor([&] { return !unit.bodies.empty(); }));
    EXPECT_EQ(unit.bodies[0][0], 14);
    unit.Send(Dsdu({15, 1}));
    unit.Send(Dsdu(Cat({17}, SamplePortInfo())));
    ASSERT_TRUE(unit.WaitFor([&] { return app.model.Ports().size() == 2; }));
    COverallView* tree = app.Frame()->TreeView(1);
    ASSERT_TRUE(unit.WaitFor([&] { return tree->topLevelItem(0)->childCount() == 6; }));

    auto* console = dynamic_cast<CCmdForm*>(app.windows.OpenCommand());
    ASSERT_NE(console, nullptr);
    QTest::keyClicks(console->Edit(), "ver");
    QTest::keyClick(console->Edit(), Qt::Key_Return);
    ASSERT_TRUE(unit.WaitFor([&] {
        return !unit.bodies.empty() && unit.bodies.back() == (Bytes{3, 'v', 'e', 'r'});
    }));
    unit.Send(Dsdu(Cat({3}, Text("V2.04 正常"))));
    ASSERT_TRUE(unit.WaitFor(
        [&] { return console->Edit()->toPlainText().contains(QString::fromUtf8("V2.04 正常")); }));

    auto* trace = dynamic_cast<CTraceForm*>(app.windows.FindTrace(1, 0, 0));
    ASSERT_NE(trace, nullptr);
    ASSERT_TRUE(unit.WaitFor([&] { return trace->PlainText().find("字符串命令") != std::string::npos; }));
    EXPECT_TRUE(prompts.Texts().empty());
    app.OnDisconnect();
    EXPECT_FALSE(app.IsConnected());
}
