// The classification library's earlier device-model file (".txt"), read back over the points of
// the shipped CID so that its lines find points to restore.
#include "FuzzSupport.h"

#include "iedinterface/model/IcdInterfaceApp.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    const fs::path base = fuzzsupport::Scratch() / "IEC61850_QXB610";
    fuzzsupport::WriteFile(fs::path(base.string() + ".txt"), data, size);
    iedinterface::CIcdInterfaceApp app;
    if (app.ParseCidFile((fuzzsupport::SourceDir() / "tests/data/scl/QXB610.cid").string()))
        app.LoadPreviousTxt(base.string());
    return 0;
}
