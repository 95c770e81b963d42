#pragma once
// The operator log: one GBK text file a month, "<root>/LogFiles/YYYY-MM.log", each line a time
// stamp followed by the caller's text and CR LF. Any thread may write; a line that cannot be
// written whole is lost silently (none of it stays in the file), as the caller has nothing to do
// about it.
#include <ctime>
#include <filesystem>
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
    // Appends one line stamped with the given local time.
    void WriteLogAt(const std::tm& time, const std::string& text);

    // The month's file for a local time.
    std::filesystem::path FileFor(const std::tm& time) const;
    // The line as written (UTF-8, without the line end).
    static std::string FormatLine(const std::tm& time, const std::string& text);

private:
    std::filesystem::path m_logFolder;
};

} // namespace qxm7740
