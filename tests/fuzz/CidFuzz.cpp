// CID/ICD files given to the classification library: parsed and their points extracted.
#include "FuzzSupport.h"

#include "iedinterface/model/IcdInterfaceApp.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    const fs::path file = fuzzsupport::Scratch() / "device.cid";
    fuzzsupport::WriteFile(file, data, size);
    iedinterface::CIcdInterfaceApp app;
    if (app.ParseCidFile(file.string()))
        app.ExtractModel();
    return 0;
}
