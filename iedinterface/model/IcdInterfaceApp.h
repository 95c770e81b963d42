#pragma once
// The module object of the classification library: everything that lives between the calls of the
// host (the model read from the CID/ICD file, the configured points by category, the data-object
// name table) and the steps of an import. No widgets: the progress display is an interface.
#include "iedinterface/model/CidPoint.h"
#include "iedinterface/model/DataSetRefSet.h"
#include "iedinterface/model/DoNameDes.h"
#include "iedinterface/model/ImportProgress.h"
#include "iedinterface/model/PointTyping.h"
#include "iedinterface/model/SCDPointRef.h"
#include "platform/scl/SCLService.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace iedinterface {

class CIcdInterfaceApp {
public:
    CIcdInterfaceApp();
    ~CIcdInterfaceApp();
    CIcdInterfaceApp(const CIcdInterfaceApp&) = delete;
    CIcdInterfaceApp& operator=(const CIcdInterfaceApp&) = delete;

    // Loads the data-object name table from the running program's folder.
    void InitInstance();
    // Destroys every point, category record and name-table entry.
    void ExitInstance();

    void LoadDoNameDesTable(const std::filesystem::path& file);
    std::string FindDoNameDes(std::string_view lnClass, std::string_view cdc, std::string_view doName,
                              std::string_view daName) const;

    // The steps of ReadICDFile: folder and base name from the path, parse, restore earlier choices.
    // Returns the parse result.
    int ReadICDFile(const std::string& path);
    // The same with a base-name part chosen by the caller (the open-file dialog's file name
    // without its extension).
    int ImportFile(const std::string& path, const std::string& namePart);
    // True after a read that failed, until the next read succeeds: the model then belongs to no
    // file, and the classification window has nothing to write beside one.
    bool LastReadFailed() const { return lastReadFailed_; }

    // Parsing and extraction (see CCidExtractor).
    int ParseCidFile(const std::string& path);
    int ExtractModel();
    bool IsDataSetReference(std::string_view reference) const { return DataSetRefs.Matches(reference); }
    CCidPoint* FindDataSetPoint(std::string_view reference) { return DataSetPoints.Find(reference); }
    CCidPoint* FindOtherPoint(std::string_view reference) { return OtherPoints.Find(reference); }

    // The device-model file pair (see CDeviceModelFile). WriteOutputs is false when a file of the
    // pair could not be written (the user has been told).
    bool WriteOutputs();
    bool WriteDeviceTxt(const std::string& path);
    bool WriteDeviceCfg(const std::string& path);
    bool LoadPreviousTxt(const std::string& pathWithoutExtension);
    bool RestorePointLine(const std::string& line, int code, const std::string& sectionName);

    // The category list of a code (YC, YX, YM, YK, YT, YP, OTHER); null for other codes.
    CSCDPointRefList* CategoryList(int code);
    // Output folder joined with a file name.
    std::string OutputPath(const std::string& fileName) const;

    // Empties the model: DataSet references, classification entries, points, category records.
    void ClearModel();

    IImportProgress& Progress() { return progress_ ? *progress_ : nullProgress_; }
    // The progress display (not owned; null for none).
    void SetProgress(IImportProgress* progress) { progress_ = progress; }

    std::string DeviceName;
    std::string IedType;
    std::string DeviceType;
    std::string BaseName;
    std::string OutputFolder;
    int ReloadFlag = 0;
    CCidPointList DataSetPoints;
    CCidPointList OtherPoints;
    std::array<CSCDPointRefList, kCodeListCount> CategoryLists; // by CodeListIndex
    CDoNameDesTable DoNameTable;
    platform::CSCLService SclService;
    CDataSetRefSet DataSetRefs;
    std::vector<std::string> ClassificationEntries;

private:
    class CNullProgress : public IImportProgress {
    public:
        void Open(const std::string&, int, int) override {}
        void SetPos(int) override {}
        void Close() override {}
    };
    CNullProgress nullProgress_;
    IImportProgress* progress_ = nullptr;
    bool lastReadFailed_ = false;
};

// The folder of the running program.
std::filesystem::path ProgramFolder();

} // namespace iedinterface
