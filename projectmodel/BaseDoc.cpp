#include "projectmodel/BaseDoc.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <cstring>

namespace projectmodel {
namespace {

// Skips the blanks and tabs in front of a key or head.
std::string_view SkipBlanksTabs(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    return s.substr(i);
}

std::string FileNameOf(const CConfigTextFile* file) {
    return file ? file->FileName() : std::string();
}

} // namespace

std::string CBaseDoc::TrimCopy(const std::string& text) {
    return platform::Trim(text);
}

bool CBaseDoc::ReadNextLine(CConfigTextFile* file, std::string& line) {
    line.clear();
    ++lineNo_;
    return file->ReadString(line);
}

int CBaseDoc::ReadBraceLine(CConfigTextFile* file, const char* brace) {
    std::string line;
    if (file)
        ReadNextLine(file, line);
    if (platform::Trim(line) == brace)
        return 1;
    ReportReadError(line);
    return 0;
}

int CBaseDoc::ReadOpenBrace(CConfigTextFile* file) {
    return ReadBraceLine(file, "{");
}

int CBaseDoc::ReadCloseBrace(CConfigTextFile* file) {
    return ReadBraceLine(file, "}");
}

int CBaseDoc::ReadLine(CConfigTextFile* file, std::string& line, const char* prefix) {
    if (file)
        ReadNextLine(file, line);
    if (!prefix)
        return 1;
    if (platform::StartsWith(SkipBlanksTabs(line), prefix))
        return 1;
    if (file)
        ReportReadError(line);
    return 0;
}

int CBaseDoc::ReadKeyValue(CConfigTextFile* file, std::string& line, const char* key, std::string& value) {
    if (!ReadLine(file, line, key))
        return 0;
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
        if (file)
            ReportReadError(line);
        return 0;
    }
    std::size_t start = eq + 1;
    while (start < line.size() && line[start] == ' ')
        ++start;
    value = line.substr(start);
    return 1;
}

int CBaseDoc::ReadKeyInt(CConfigTextFile* file, std::string& line, const char* key, int& number) {
    std::string value;
    if (!ReadKeyValue(file, line, key, value) || value.empty())
        return 0;
    number = platform::AtoI(value);
    return 1;
}

void CBaseDoc::ReportReadError(const std::string& line) {
    platform::MessageBox(platform::StrFormat("读组态文件错!\n第%d行:\n%s", lineNo_, line.c_str()), {},
                         platform::Icon::Warning, platform::Buttons::Ok);
}

void CBaseDoc::ReportLineError() {
    platform::MessageBox(platform::StrFormat("读组态文件第%d行错", lineNo_), {}, platform::Icon::Warning,
                         platform::Buttons::Ok);
}

int CBaseDoc::ReadFileBraceLine(CConfigTextFile* file, int& counter, std::string& line, const char* brace) {
    line.clear();
    if (file) {
        ++counter;
        file->ReadString(line);
    }
    if (platform::Trim(line) == brace)
        return 1;
    ReportFileReadError(FileNameOf(file), counter, line);
    return 0;
}

int CBaseDoc::ReadFileOpenBrace(CConfigTextFile* file, int& counter, std::string& line) {
    return ReadFileBraceLine(file, counter, line, "{");
}

int CBaseDoc::ReadFileCloseBrace(CConfigTextFile* file, int& counter, std::string& line) {
    return ReadFileBraceLine(file, counter, line, "}");
}

int CBaseDoc::ReadFileExpectLine(CConfigTextFile* file, int& counter, std::string& line,
                                 const char* expected) {
    if (file) {
        line.clear();
        ++counter;
        file->ReadString(line);
    }
    if (!expected)
        return 1;
    if (platform::EqualsNoCase(platform::Trim(line), expected))
        return 1;
    if (file)
        ReportFileReadError(file->FileName(), counter, line);
    return 0;
}

int CBaseDoc::ReadFileKeyValue(CConfigTextFile* file, int& counter, std::string& line, const char* key,
                               std::string& value) {
    if (file) {
        line.clear();
        ++counter;
        file->ReadString(line);
    }
    std::string trimmed = platform::Trim(line);
    std::size_t eq = trimmed.find('=');
    if ((key && !platform::StartsWith(trimmed, key)) || eq == std::string::npos) {
        if (file)
            ReportFileReadError(file->FileName(), counter, line);
        return 0;
    }
    value = platform::Trim(std::string_view(trimmed).substr(eq + 1));
    return 1;
}

int CBaseDoc::ReadFileKeyInt(CConfigTextFile* file, int& counter, std::string& line, const char* key,
                             int& number) {
    std::string value;
    if (!ReadFileKeyValue(file, counter, line, key, value))
        return 0;
    if (value.empty()) {
        if (file)
            ReportFileReadError(file->FileName(), counter, line);
        return 0;
    }
    number = platform::AtoI(value);
    return 1;
}

void CBaseDoc::ReportFileReadError(const std::string& fileName, int lineNo, const std::string& line) {
    platform::MessageBox(
        platform::StrFormat("读组态文件%s错!\n第%d行:\n%s", fileName.c_str(), lineNo, line.c_str()), {},
        platform::Icon::Warning, platform::Buttons::Ok);
}

} // namespace projectmodel
