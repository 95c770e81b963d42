#include "configtool/applog/OperatorLog.h"

#include "platform/FileFaults.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qxm7740 {

namespace {
// Lines of the threads of this process go out one after the other.
std::mutex g_logMutex;
} // namespace

COperatorLog::COperatorLog(std::filesystem::path rootFolder)
    : m_logFolder(std::move(rootFolder) / "LogFiles") {}

std::filesystem::path COperatorLog::FileFor(const std::tm& time) const {
    return m_logFolder / platform::StrFormat("%4.4d-%2.2d.log", time.tm_year + 1900, time.tm_mon + 1);
}

std::string COperatorLog::FormatLine(const std::tm& time, const std::string& text) {
    return platform::StrFormat("%4.4d年%2.2d月%2.2d日%2.2d时%2.2d分%2.2d秒:", time.tm_year + 1900,
                               time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec) +
           text;
}

void COperatorLog::WriteLog(const std::string& text) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    WriteLogAt(tm, text);
}

void COperatorLog::WriteLogAt(const std::tm& time, const std::string& text) {
    // Text mode: every line end inside the text becomes CR LF as well.
    platform::CGbkTextBuilder entry;
    entry.WriteLine(FormatLine(time, text));
    std::string bytes = entry.TakeBytes();

    std::lock_guard<std::mutex> lock(g_logMutex);
    std::error_code ec;
    std::filesystem::create_directories(m_logFolder, ec);
    const std::filesystem::path file = FileFor(time);
    // One write with O_APPEND: lines of other processes are not interleaved into this one. The
    // programs writing this log take the file's lock for an entry, so that a cut-back below never
    // meets a half-written entry of another one.
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    // A tail cut by an earlier failure (a full disk) is closed first, so this entry starts a line.
    const off_t end = ::lseek(fd, 0, SEEK_END);
    char last = '\n';
    if (end > 0 && ::pread(fd, &last, 1, end - 1) == 1 && last != '\n')
        bytes.insert(0, "\r\n");
    // Whole entries or none: what a failed write left of this entry is cut off again.
    const bool fault = platform::FileStepFails(platform::FileStep::Write, file);
    const std::size_t want = fault ? bytes.size() / 2 : bytes.size();
    std::size_t done = 0;
    // Where this entry's bytes begin and end in the file, while they stand in one piece.
    off_t start = -1, stop = -1;
    bool onePiece = true;
    while (done < want) {
        ssize_t n = ::write(fd, bytes.data() + done, want - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
        const off_t after = ::lseek(fd, 0, SEEK_CUR);
        if (start < 0)
            start = after - n;
        else if (after - n != stop)
            onePiece = false;
        stop = after;
    }
    // The piece is cut only while it is still the file's tail: an entry another process appended
    // meanwhile (one that does not take the lock) stays whole.
    struct stat st {};
    if ((fault || done < bytes.size()) && onePiece && start >= 0 && ::fstat(fd, &st) == 0 &&
        st.st_size == stop && ::ftruncate(fd, start) != 0) {
        // The cut entry stays; the next entry begins after a line end.
    }
    ::close(fd);
}

} // namespace qxm7740
