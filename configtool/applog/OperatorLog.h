#pragma once
// The operator log: one GBK text file a month, "<root>/LogFiles/YYYY-MM.log", each line a time
// stamp followed by the caller's text and CR LF. Any thread may write; a line that cannot be
// written whole leaves none of it in the file, and is told through the failure notice (once, until
// an entry is written again), as the caller has nothing to do about it.
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

namespace qxm7740 {

// Where operator-log lines go: the log itself, or a recorder in tests.
class ILogSink {
public:
    virtual ~ILogSink() = default;
    virtual void WriteLog(const std::string& text) = 0;
};

class COperatorLog : public ILogSink {
public:
    explicit COperatorLog(std::filesystem::path rootFolder);

    // Appends one line stamped with the current local time.
    void WriteLog(const std::string& text) override;
    // Appends one line stamped with the given local time; false when it was lost.
    bool WriteLogAt(const std::tm& time, const std::string& text);

    // Told, with the message to show, when an entry is lost; called on the writing thread.
    using FailureNotice = std::function<void(const std::string& message)>;
    void SetFailureNotice(FailureNotice notice);

    // The month's file for a local time.
    std::filesystem::path FileFor(const std::tm& time) const;
    // The line as written (UTF-8, without the line end).
    static std::string FormatLine(const std::tm& time, const std::string& text);

private:
    std::filesystem::path m_logFolder;
    // Appends one entry whole, or nothing of it; false when it was not written.
    bool AppendEntry(const std::filesystem::path& file, const std::string& line);
    std::mutex m_noticeMutex;
    FailureNotice m_notice;
    bool m_failing = false; // told of a lost entry, none written since
};

} // namespace qxm7740
