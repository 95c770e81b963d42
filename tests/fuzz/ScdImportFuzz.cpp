// SCD files imported into a project: parsed, every IED walked into device models.
#include "FuzzSupport.h"

#include "points/SCDImport.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"

using namespace points;

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    const fs::path library = fuzzsupport::Scratch() / "library";
    const fs::path file = fuzzsupport::Scratch() / "station.scd";
    fs::create_directories(library);
    fuzzsupport::WriteFile(file, data, size);
    projectmodel::CProjectContext::Reset();
    projectmodel::CProjectContext::Instance().SetLibraryFolder(library);
    {
        projectmodel::CConfigDoc doc;
        CSCDImport import;
        import.LoadSCDFile(doc, file.string());
    }
    projectmodel::CProjectContext::Reset();
    return 0;
}
