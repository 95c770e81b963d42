// The manager address file "<n>-PCTCP.ini": parsed into rows, formatted and parsed again.
#include "FuzzSupport.h"

#include "configtool/model/MgrIpFile.h"

#include <string>

using namespace qxm7740;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    CMgrIpFile::Rows rows;
    CMgrIpFile::ParseBytes(std::string(reinterpret_cast<const char*>(data), size), rows);
    CMgrIpFile::Rows again;
    CMgrIpFile::ParseBytes(CMgrIpFile::Format(rows), again);
    return 0;
}
