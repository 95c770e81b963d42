#pragma once
// The cache file "IEDListFromSCD.dat" in the UserDefine folder of the library folder in use: a
// zero byte, the number of device models (int32) and each imported device model as
// CDeviceTemplate::Serialize stores it, then the bound the file carries (projectmodel::
// CScdCacheBound: the size of the SCD file it was made from). The import writes it a piece at a
// time under a temporary name and renames it over the old one once it is complete on disk; every project load
// reads it back (CConfigDoc::LoadIEDListFromSCD).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace platform {
class CArchive;
class CFileWriter;
} // namespace platform

namespace projectmodel {
class CDeviceTemplate;
}

namespace points {

// One device model of the cache file, stored or loaded by the archive's direction.
void SerializeSCDIED(platform::CArchive& ar, projectmodel::CDeviceTemplate& model);

// The cache file of the library folder in use.
std::filesystem::path ScdCacheFilePath();

// A cache file being written: opened for a number of models, filled with their bytes in order,
// then committed (renamed over the old file) or discarded (the temporary file removed, the old
// file kept). An unfinished file is discarded when the writer goes.
class CScdCacheWriter {
public:
    CScdCacheWriter();
    ~CScdCacheWriter();
    CScdCacheWriter(const CScdCacheWriter&) = delete;
    CScdCacheWriter& operator=(const CScdCacheWriter&) = delete;

    // Starts the file for this many models made from an SCD file of scdBytes; an earlier
    // unfinished one is discarded.
    void Open(std::size_t models, std::uint64_t scdBytes);
    bool IsOpen() const { return out_ != nullptr; }
    // The bytes of the next models (SerializeSCDIED).
    void Write(std::string_view bytes);
    // The next model, stored straight into the file a piece at a time.
    void WriteModel(const projectmodel::CDeviceTemplate& model);
    // Appends the bound, closes the file and puts it in place of the old one; false when it could not be
    // written or renamed (the temporary file is then removed and the old one stays).
    bool Commit();
    void Discard();

    // Where the file is written until it is committed.
    static std::filesystem::path TempPath();

private:
    std::unique_ptr<platform::CFileWriter> out_;
    std::uint64_t scdBytes_ = 0;
    std::uint64_t written_ = 0; // the bytes of the file so far
};

} // namespace points
