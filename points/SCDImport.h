#pragma once
// The import of an IEC 61850 SCD file into the open project: every IED becomes an information
// model with its classified data points; from each model one device model is built, merged into
// the project's device-model library and device table, and stored in the cache file
// "IEDListFromSCD.dat" that every project load reads back.
//
// The walk keeps its lookups in hash maps (type ids, data-set members, DOIs per logical node) so
// that files of hundreds of MB with thousands of IEDs are read in time linear in their size. The
// IEDs are parsed, walked and built on several threads, and taken over in file order on the
// calling thread, so that the result is the same as one thread's.
#include "platform/scl/DataSetMembers.h"
#include "platform/scl/TypeWalkBudget.h"
#include "points/ScdCacheFile.h"
#include "points/ScdDeviceModel.h"
#include "points/ScdMerge.h"
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/ProjectServices.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace platform {
class CArchive;
class CFileWriter;
} // namespace platform

namespace projectmodel {
class CConfigDoc;
class CDevice;
class CInfoModel;
} // namespace projectmodel

namespace points {

// The modeless progress dialog the import drives; without widgets nothing is shown.
class IScdProgress {
public:
    virtual ~IScdProgress() = default;
    virtual void Show(const std::string& caption) { (void)caption; }
    virtual void SetCaption(const std::string& caption) { (void)caption; }
    // Range 0..100.
    virtual void SetPos(int pos) { (void)pos; }
    virtual void Hide() {}
    virtual void SetWaitCursor(bool wait) { (void)wait; }
};

// The data-set members of one IED and the whole-reference test a point's reference must pass.
using CDataSetIndex = platform::scl::CDataSetMembers;

class CSCDImport : public projectmodel::IScdImport {
public:
    CSCDImport();
    ~CSCDImport() override;

    // The whole import; 0 in every case (the caller does not use it).
    int ImportSCD(projectmodel::CConfigDoc& doc, const std::string& path) override;
    // Frees the information models and the parsed file.
    void Clear(projectmodel::CConfigDoc& doc) override;

    // 1 when the file was parsed and walked; a parse failure is reported.
    int LoadSCDFile(projectmodel::CConfigDoc& doc, const std::string& path);
    // 1 when the file has a root; fills the document's information models.
    int ReadSCDIEDs(projectmodel::CConfigDoc& doc);
    // Builds the device models, merges them into the library and the device table and writes
    // the cache file; each information model's points are freed once its device model is built.
    // 1, or 0 when the cache file could not be written (reported).
    int BuildIEDListFromSCD(projectmodel::CConfigDoc& doc);

    // When set, LoadSCDFile builds each IED's device model as soon as the IED is read and then
    // frees its points, and BuildIEDListFromSCD files these models: the points of a big file are
    // never held all at once. ImportSCD always works so.
    void SetBuildWhileReading(bool on) { buildWhileReading_ = on; }
    // Called with each IED's information model once it is read, before its points may be freed.
    void SetIedObserver(std::function<void(const projectmodel::CInfoModel&)> observer) {
        observer_ = std::move(observer);
    }

    // The points of every information model the last walk read.
    std::size_t PointsRead() const { return pointsRead_; }
    // The nodes of the types and of the IEDs' logical nodes the last walk counted against the
    // file's ceiling, up to where it stopped.
    std::uint64_t NodesWalked() const { return nodesWalked_; }

    // The ceilings of the type walk (tests set small ones).
    void SetWalkLimits(const platform::scl::TypeWalkLimits& limits) { limits_ = limits; }
    // The weight of points the walking threads may hold at once before all but the first in file
    // order wait (platform::scl::CWalkBrake); tests set small ones.
    void SetHeldCeiling(std::uint64_t ceiling) { heldCeiling_ = ceiling; }
    // The most the walks of the last file held at once.
    std::uint64_t MostHeld() const { return mostHeld_; }

    // The threads a file is cut and walked on; 0 (the default) for every core the process may run
    // on, up to eight.
    void SetThreads(std::size_t threads) { threads_ = threads; }

    void SetProgress(IScdProgress* progress) { progress_ = progress ? progress : &noProgress_; }

    // The cache file in the library folder in use.
    static std::filesystem::path CacheFilePath();

private:
    struct Shared;     // what the threads walking one file share: the type indexes and leaves
    class IedWalker;   // the walk of one IED after another on one thread
    struct IedResult;  // what the walk of one IED yields
    struct Built;      // an IED's device model, its bytes in the cache file and its device
    struct IedSource;  // the IEDs of the file being read
    struct WalkState;  // what one thread walking IEDs holds
    struct FileCharge; // the file's budget charged in file order
    // The type indexes, the access points and the budgets every IED walk of the file shares.
    void IndexFile(Shared& shared, const platform::scl::CtBase& root) const;
    // IED i parsed, walked and (when asked) built on the thread of state.
    std::unique_ptr<IedResult> WalkIed(WalkState& state, std::size_t i) const;
    // Takes over the result of the next IED in file order; the message refusing the file, or empty.
    std::string FileIed(projectmodel::CConfigDoc& doc, IedResult& result, bool last, FileCharge& charge);
    void SetProgressPos(float pos);

    IScdProgress noProgress_;
    IScdProgress* progress_ = &noProgress_;
    float position_ = 0;

    platform::scl::TypeWalkLimits limits_;
    std::uint64_t heldCeiling_ = platform::scl::CWalkBrake::kHeldCeiling;
    std::uint64_t mostHeld_ = 0;
    std::size_t threads_ = 0;
    bool buildWhileReading_ = false;
    std::function<void(const projectmodel::CInfoModel&)> observer_;
    std::vector<Built> built_; // one per information model, in order
    std::size_t pointsRead_ = 0;
    std::uint64_t nodesWalked_ = 0;
    CScdCacheWriter cache_;        // written while a file is read, completed by BuildIEDListFromSCD
    std::uint64_t fileBytes_ = 0;  // the size of the file loaded, which the cache records as its bound
    bool cacheFromModels_ = false; // the cache is written by BuildIEDListFromSCD from the models built
};

} // namespace points
