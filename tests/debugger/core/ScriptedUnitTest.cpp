// The whole login and a posted request against a scripted unit behind the in-memory transport:
// the unit checks the challenge answer itself and answers each request it understands.
#include "tests/debugger/core/QuorvexTestSupport.h"

#include "debugger/core/DeviceRequests.h"
#include "debugger/core/NetMagThread.h"
#include "tests/support/PromptRecorder.h"
#include "unitlink/FrameLayout.h"

#include <gtest/gtest.h>

using namespace quorvex;
using qtest::Bytes;

namespace {

using qtest::ScriptedUnit;

struct UnitRig {
    explicit UnitRig(std::uint16_t unitKey, std::uint16_t ourKey) {
        data.m_loginKey = ourKey;
        data.m_programFolder = dir.Path();
        auto t = std::make_unique<ScriptedUnit>(unitKey);
        unit = t.get();
        link = std::make_unique<CDeviceLink>(std::move(t), &shell, &data, dir / "CFG_TOOL.INI");
    }
    void Settle() {
        for (int i = 0; i < 5; ++i)
            unit->Deliver();
    }
    testsupport::TempDir dir;
    qtest::RecordingShell shell;
    CQuorvexData data;
    ScriptedUnit* unit = nullptr;
    std::unique_ptr<CDeviceLink> link;
};

} // namespace

TEST(ScriptedUnitTest, LoginRunsTheLinkAndPostedRequestsAreAnswered) {
    testsupport::PromptRecorder prompts;
    UnitRig rig(12345, 12345);
    rig.link->ConnectCommand();
    rig.Settle();
    EXPECT_TRUE(rig.link->IsConnected());
    EXPECT_EQ(rig.data.m_boards.GetSize(), 1);
    EXPECT_TRUE(rig.shell.Running(kTimerHeartbeat));
    EXPECT_TRUE(rig.shell.Running(kTimerSupervision));
    EXPECT_FALSE(rig.shell.Running(kTimerLogin));
    EXPECT_FALSE(rig.shell.Running(kTimerPortInfo));
    EXPECT_EQ(rig.shell.notices.back(), "-");
    EXPECT_TRUE(prompts.Texts().empty());

    CNetMagThread worker([&] { return rig.link.get(); }, [](const std::function<void()>& fn) { fn(); });
    ASSERT_TRUE(worker.Start());
    worker.PostSendMessage(requests::CommStatusDevices());
    for (int i = 0; i < 500 && rig.unit->Sent().size() < 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    worker.Stop();
    rig.Settle();
    EXPECT_EQ(rig.shell.other, std::vector<std::string>{"dev:5,1"});
    // Sequence numbers count every frame of both threads: challenge answer, 17, heartbeat, 25.
    const auto sent = rig.unit->Sent();
    ASSERT_EQ(sent.size(), 4u);
    for (std::uint16_t i = 0; i < 4; ++i)
        EXPECT_EQ(unitlink::GetU16(sent[i].data() + 16), i);
}

TEST(ScriptedUnitTest, AWrongKeyIsRefused) {
    testsupport::PromptRecorder prompts;
    UnitRig rig(12345, 30517);
    rig.link->ConnectCommand();
    rig.Settle();
    EXPECT_FALSE(rig.link->IsConnected());
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"身份验证出错\n请尝试重新连接"});
    EXPECT_EQ(rig.shell.log.back(), "disconnected");
}
