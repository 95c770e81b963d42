#pragma once
// The main tool's operations on its one zip archive: create or open an archive, pack a folder
// tree into it, unpack it below a target folder, close it. Every failure of the archive is caught
// here and reported as an operator-log line; after a failure the archive is closed.
#include "configtool/applog/OperatorLog.h"
#include "ziparchive/ZipArchive.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace qxm7740 {

// Logged after the extraction failure line when the archive was refused before anything was written.
inline constexpr const char* kArchiveTooLarge = "压缩文件解压后的数据超出上限，已拒绝释放！";
inline constexpr const char* kArchiveNoSpace = "磁盘空间不足，无法释放压缩文件！";

// One file found by the folder walk.
struct ZipFileItem {
    std::string path;
    int flag = 0;
    std::int64_t size = 0;
};

class CArchiveOperations {
public:
    // iniFolder: packed by CompressFolder when it is given no folder.
    CArchiveOperations(ILogSink& log, std::string iniFolder);

    // Closes the archive (in failure mode when the last operation failed). 1, or 0 when the
    // close itself failed.
    int CloseZip();
    // Creates a new archive file. 1 / 0.
    int CreateZip(const std::string& path);
    // Opens an existing archive for reading. 1 / 0.
    int OpenZip(const std::string& path);
    // Adds the folder tree (names relative to the folder) to the open archive, then closes it.
    // The files are deflated on SetThreads threads; the archive bytes do not depend on it.
    int CompressFolder(const std::string& folder);
    void SetThreads(int threads) { m_iThreads = std::max(threads, 1); }
    // Extracts every entry below target/<archive name without extension>/, then closes. The files
    // are extracted on SetThreads threads; what is written does not depend on it.
    int ExtractZip(const std::string& targetFolder);

    bool HasError() const { return m_bZipError; }
    CZipArchive& Archive() { return m_zip; }
    void SetIniFolder(std::string folder) { m_iniFolder = std::move(folder); }

    // What the last operation that failed stopped at, for the user: the file or folder and why
    // (empty when it stopped at none).
    const std::string& LastFailure() const { return m_lastFailure; }

    // The folder walk: the folder's files in name order (GBK byte order), then each subfolder
    // walked the same way, in name order. A folder that cannot be listed, or an entry whose
    // status cannot be read (one that vanished is left out), fails the walk: false, with that
    // path and why in failure when given.
    static bool ListFolder(const std::string& folder, std::vector<ZipFileItem>& list,
                           std::string* failure = nullptr);

private:
    CZipArchive m_zip;
    bool m_bZipError = false;
    ILogSink& m_log;
    std::string m_iniFolder;
    int m_iThreads = 1;
    std::string m_lastFailure;
};

} // namespace qxm7740
