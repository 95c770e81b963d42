// The main tool's link, connected and verified, with a transfer started (the type byte of the
// first record chooses an upload, a download or neither), fed the unit's frames in reads
// of every size.
#include "FrameScript.h"
#include "FuzzSupport.h"

#include "configtool/link/DeviceLink.h"
#include "tests/configtool/link/LinkTestSupport.h"

#include <memory>

using namespace qxm7740;

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    linktest::RecordingReport report;
    auto owned = std::make_unique<testsupport::MemoryTransport>();
    testsupport::MemoryTransport* transport = owned.get();
    CDeviceLink link(std::move(owned), &report);
    link.SetAddress(7000, "127.0.0.1");
    link.Connect();
    const linktest::Bytes challenge = linktest::UnitFrame(14, {1, 2, 3, 4});
    const linktest::Bytes verdict = linktest::UnitFrame(15, {1});
    link.OnData(challenge.data(), challenge.size());
    link.OnData(verdict.data(), verdict.size());
    link.SetTransferOk(1);
    const fs::path local = fuzzsupport::Scratch() / "transfer.bin";
    const std::uint8_t choice = size > 1 ? data[1] % 3 : 0;
    if (choice == 1) {
        link.UploadFile(local.string(), "远端.cfg");
    } else if (choice == 2) {
        fuzzsupport::WriteFile(local, std::string(20000, 'x'));
        link.DownloadFile(local.string(), "远端.cfg", 0);
    }
    fuzzsupport::FeedFrames(
        data, size,
        [](std::uint8_t kind, const fuzzsupport::Bytes& body, std::uint8_t, std::uint16_t) {
            return linktest::UnitFrame(kind, body);
        },
        [&](const std::uint8_t* p, std::size_t n) { link.OnData(p, n); }, [&] { transport->RunPosted(); });
    link.Close();
    std::error_code ec;
    fs::remove(local, ec);
    return 0;
}
