// Marindle's link and message dispatcher, logged in with a sample port list, fed the unit's
// frames in reads of every size; boxes the handling posts are run between reads.
#include "FrameScript.h"
#include "FuzzSupport.h"

#include "tests/monitor/core/MonitorTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    montest::Rig rig;
    rig.Login(montest::SamplePortInfo());
    fuzzsupport::FeedFrames(
        data, size,
        [](std::uint8_t kind, const fuzzsupport::Bytes& body, std::uint8_t board, std::uint16_t source) {
            return montest::UnitFrame(kind & 1, body, board, source);
        },
        [&](const std::uint8_t* p, std::size_t n) { rig.link->OnData(p, n); }, [&] { rig.host.RunPosted(); });
    return 0;
}
