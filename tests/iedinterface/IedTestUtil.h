#pragma once
// Shared set-up of the classification library tests: a module object with the shipped name table
// and a sample CID file copied into a fresh folder.
#include "iedinterface/model/IcdInterfaceApp.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace iedtest {

inline std::filesystem::path NameTableFile() {
    return std::filesystem::path(QXM_SOURCE_DIR) / "resources" / "Bin" / "QXMDONameDes.ini";
}

inline std::filesystem::path SclFile(const char* name) {
    return testsupport::TestDataDir() / "scl" / name;
}

// Copies a sample file into the folder and returns the copy's path.
inline std::string CopySample(const std::filesystem::path& from, const std::filesystem::path& folder,
                              const std::string& name) {
    std::filesystem::copy_file(from, folder / name, std::filesystem::copy_options::overwrite_existing);
    return (folder / name).string();
}

inline std::vector<std::string> References(const iedinterface::CCidPointList& list) {
    std::vector<std::string> refs;
    for (const auto& p : list)
        refs.push_back(p.Reference);
    return refs;
}

} // namespace iedtest
