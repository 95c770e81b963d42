#include "iedinterface/model/IcdInterfaceApp.h"

#include "iedinterface/model/CidExtractor.h"
#include "iedinterface/model/DeviceModelFile.h"
#include "platform/Text.h"

#include <system_error>

namespace iedinterface {

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::filesystem::current_path(ec);
    return exe.parent_path();
}

CIcdInterfaceApp::CIcdInterfaceApp() = default;

CIcdInterfaceApp::~CIcdInterfaceApp() {
    ExitInstance();
}

void CIcdInterfaceApp::InitInstance() {
    LoadDoNameDesTable(ProgramFolder() / "QXMDONameDes.ini");
}

void CIcdInterfaceApp::ExitInstance() {
    ClearModel();
    DoNameTable.Clear();
}

void CIcdInterfaceApp::LoadDoNameDesTable(const std::filesystem::path& file) {
    DoNameTable.Load(file);
}

std::string CIcdInterfaceApp::FindDoNameDes(std::string_view lnClass, std::string_view cdc,
                                            std::string_view doName, std::string_view daName) const {
    return DoNameTable.Find(lnClass, cdc, doName, daName);
}

int CIcdInterfaceApp::ReadICDFile(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() >= 4) {
        std::string_view ext = std::string_view(name).substr(name.size() - 4);
        if (platform::EqualsNoCase(ext, ".cid") || platform::EqualsNoCase(ext, ".icd"))
            name.resize(name.size() - 4);
    }
    return ImportFile(path, name);
}

int CIcdInterfaceApp::ImportFile(const std::string& path, const std::string& namePart) {
    std::size_t slash = path.find_last_of("/\\");
    OutputFolder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    BaseName = "IEC61850_" + namePart;
    ReloadFlag = 1;
    int result = ParseCidFile(path);
    lastReadFailed_ = result == 0;
    if (result)
        LoadPreviousTxt(OutputPath(BaseName));
    return result;
}

int CIcdInterfaceApp::ParseCidFile(const std::string& path) {
    return CCidExtractor(*this).ParseCidFile(path);
}

int CIcdInterfaceApp::ExtractModel() {
    return CCidExtractor(*this).ExtractModel();
}

bool CIcdInterfaceApp::WriteOutputs() {
    return CDeviceModelFile(*this).WriteOutputs();
}

bool CIcdInterfaceApp::WriteDeviceTxt(const std::string& path) {
    return CDeviceModelFile(*this).WriteDeviceTxt(path);
}

bool CIcdInterfaceApp::WriteDeviceCfg(const std::string& path) {
    return CDeviceModelFile(*this).WriteDeviceCfg(path);
}

bool CIcdInterfaceApp::LoadPreviousTxt(const std::string& pathWithoutExtension) {
    return CDeviceModelFile(*this).LoadPreviousTxt(pathWithoutExtension);
}

bool CIcdInterfaceApp::RestorePointLine(const std::string& line, int code, const std::string& sectionName) {
    return CDeviceModelFile(*this).RestorePointLine(line, code, sectionName);
}

CSCDPointRefList* CIcdInterfaceApp::CategoryList(int code) {
    int index = CodeListIndex(code);
    return index < 0 ? nullptr : &CategoryLists[std::size_t(index)];
}

std::string CIcdInterfaceApp::OutputPath(const std::string& fileName) const {
    if (OutputFolder.empty())
        return fileName;
    char last = OutputFolder.back();
    if (last == '/' || last == '\\')
        return OutputFolder + fileName;
    return OutputFolder + "/" + fileName;
}

void CIcdInterfaceApp::ClearModel() {
    DataSetRefs.Clear();
    ClassificationEntries.clear();
    DataSetPoints.Clear();
    OtherPoints.Clear();
    for (auto& list : CategoryLists)
        list.clear();
}

} // namespace iedinterface
