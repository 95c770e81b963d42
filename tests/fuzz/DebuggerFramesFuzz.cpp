// Quorvex's link with its answer handling, fed the unit's frames in reads of every size; calls
// the handling queues are run between reads.
#include "FrameScript.h"
#include "FuzzSupport.h"

#include "tests/debugger/core/QuorvexTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    qtest::LinkRig rig;
    rig.Connect();
    fuzzsupport::FeedFrames(
        data, size,
        [](std::uint8_t kind, const fuzzsupport::Bytes& body, std::uint8_t board, std::uint16_t source) {
            return qtest::UnitFrame(kind & 1, body, board, source);
        },
        [&](const std::uint8_t* p, std::size_t n) { rig.link->AppendData(p, n); },
        [&] { rig.transport->RunPosted(); });
    return 0;
}
