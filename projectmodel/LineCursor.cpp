#include "projectmodel/LineCursor.h"

#include "projectmodel/TextHelpers.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

namespace projectmodel {
namespace {

// Skips the blanks and tabs in front of a key or head.
std::string_view SkipBlanksTabs(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    return s.substr(i);
}

} // namespace

bool CLineCursor::Next(std::string& line) {
    line.clear();
    ++lineNo_;
    return file_->ReadString(line);
}

std::string CLineCursor::NextLine() {
    std::string line;
    Next(line);
    return line;
}

bool CLineCursor::Brace(const char* brace) {
    std::string line;
    Next(line);
    if (platform::Trim(line) == brace)
        return true;
    ReportReadError(line);
    return false;
}

bool CLineCursor::OpenBrace() {
    return Brace("{");
}

bool CLineCursor::CloseBrace() {
    return Brace("}");
}

bool CLineCursor::HasPrefix(const std::string& line, const char* prefix) {
    return !prefix || platform::StartsWith(SkipBlanksTabs(line), prefix);
}

bool CLineCursor::Line(std::string& line, const char* prefix) {
    Next(line);
    if (HasPrefix(line, prefix))
        return true;
    ReportReadError(line);
    return false;
}

bool CLineCursor::KeyValueOf(const std::string& line, const char* key, std::string& value) {
    const std::size_t eq = line.find('=');
    if (!HasPrefix(line, key) || eq == std::string::npos)
        return false;
    std::size_t start = eq + 1;
    while (start < line.size() && line[start] == ' ')
        ++start;
    value = line.substr(start);
    return true;
}

bool CLineCursor::KeyValue(std::string& line, const char* key, std::string& value) {
    Next(line);
    if (KeyValueOf(line, key, value))
        return true;
    ReportReadError(line);
    return false;
}

bool CLineCursor::KeyInt(std::string& line, const char* key, int& number) {
    std::string value;
    if (!KeyValue(line, key, value))
        return false;
    // The line is shown with its key, so that the reader learns which number is missing.
    if (value.empty()) {
        ReportReadError(line);
        return false;
    }
    number = platform::AtoI(value);
    return true;
}

void CLineCursor::ReportReadErrorAt(int lineNo, const std::string& line) {
    platform::MessageBox(platform::StrFormat("读组态文件错!\n第%d行:\n%s", lineNo, line.c_str()), {},
                         platform::Icon::Warning, platform::Buttons::Ok);
}

void CLineCursor::ReportLineError() const {
    platform::MessageBox(platform::StrFormat("读组态文件第%d行错", lineNo_), {}, platform::Icon::Warning,
                         platform::Buttons::Ok);
}

bool CLineCursor::FileBrace(std::string& line, const char* brace) {
    Next(line);
    if (platform::Trim(line) == brace)
        return true;
    ReportFileError(line);
    return false;
}

bool CLineCursor::FileOpenBrace(std::string& line) {
    return FileBrace(line, "{");
}

bool CLineCursor::FileCloseBrace(std::string& line) {
    return FileBrace(line, "}");
}

bool CLineCursor::ExpectLine(std::string& line, const char* expected) {
    Next(line);
    if (!expected || platform::EqualsNoCase(platform::Trim(line), expected))
        return true;
    ReportFileError(line);
    return false;
}

bool CLineCursor::FileKeyValueOf(const std::string& line, const char* key, std::string& value) {
    // Read for every reference of a project: views instead of copies.
    const std::string_view trimmed = TrimView(line);
    const std::size_t eq = trimmed.find('=');
    if ((key && !platform::StartsWith(trimmed, key)) || eq == std::string_view::npos)
        return false;
    value = TrimView(trimmed.substr(eq + 1));
    return true;
}

bool CLineCursor::FileKeyValue(std::string& line, const char* key, std::string& value) {
    Next(line);
    if (FileKeyValueOf(line, key, value))
        return true;
    ReportFileError(line);
    return false;
}

bool CLineCursor::FileKeyIntOf(const std::string& line, const char* key, int& number) {
    std::string value;
    if (!FileKeyValueOf(line, key, value) || value.empty())
        return false;
    number = platform::AtoI(value);
    return true;
}

bool CLineCursor::FileKeyInt(std::string& line, const char* key, int& number) {
    std::string value;
    if (!FileKeyValue(line, key, value))
        return false;
    if (value.empty()) {
        ReportFileError(line);
        return false;
    }
    number = platform::AtoI(value);
    return true;
}

void CLineCursor::ReportFileError(const std::string& line) const {
    platform::MessageBox(
        platform::StrFormat("读组态文件%s错!\n第%d行:\n%s", FileName().c_str(), lineNo_, line.c_str()), {},
        platform::Icon::Warning, platform::Buttons::Ok);
}

} // namespace projectmodel
