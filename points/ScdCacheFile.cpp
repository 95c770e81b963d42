#include "points/ScdCacheFile.h"

#include "platform/Archive.h"
#include "platform/FileFaults.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ScdCacheBound.h"

#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace points {

void SerializeSCDIED(platform::CArchive& ar, projectmodel::CDeviceTemplate& model) {
    // Storing reads the model only: groups shared with a device stay shared.
    if (ar.IsStoring())
        std::as_const(model).Store(ar);
    else
        model.Serialize(ar);
}

fs::path ScdCacheFilePath() {
    return platform::JoinPath(projectmodel::CProjectContext::Instance().LibraryFolder(),
                              "UserDefine\\IEDListFromSCD.dat");
}

fs::path CScdCacheWriter::TempPath() {
    fs::path temp = ScdCacheFilePath();
    temp += ".tmp";
    return temp;
}

CScdCacheWriter::CScdCacheWriter() = default;

CScdCacheWriter::~CScdCacheWriter() {
    Discard();
}

void CScdCacheWriter::Open(std::size_t models, std::uint64_t scdBytes) {
    Discard();
    const fs::path temp = TempPath();
    platform::MakeFolders(temp.parent_path());
    out_ = std::make_unique<platform::CFileWriter>();
    out_->Open(temp); // a failure shows when the file is closed
    platform::CArchive head;
    head.WriteU8(0);
    head.WriteI32(static_cast<std::int32_t>(models));
    out_->Write(head.Bytes());
    scdBytes_ = scdBytes;
    written_ = head.Bytes().size();
}

void CScdCacheWriter::Write(std::string_view bytes) {
    if (!out_)
        return;
    out_->Write(bytes);
    written_ += bytes.size();
}

void CScdCacheWriter::WriteModel(const projectmodel::CDeviceTemplate& model) {
    if (!out_)
        return;
    constexpr std::size_t kPiece = std::size_t{256} << 10;
    platform::CArchive ar;
    ar.SetSink([this](std::string_view piece) { Write(piece); }, kPiece);
    model.Store(ar);
    Write(ar.Bytes());
}

bool CScdCacheWriter::Commit() {
    if (!out_)
        return false;
    projectmodel::CScdCacheBound bound;
    bound.scdBytes = scdBytes_;
    bound.cacheBytes = written_;
    out_->Write(bound.Trailer());
    bool saved = out_->Close();
    out_.reset();
    const fs::path temp = TempPath();
    if (saved)
        saved = platform::RenameFile(temp, ScdCacheFilePath());
    if (!saved)
        platform::RemoveFile(temp);
    return saved;
}

void CScdCacheWriter::Discard() {
    if (!out_)
        return;
    out_.reset();
    platform::RemoveFile(TempPath());
}

} // namespace points
