#pragma once
// The reading position in a configuration text file: the file, walked one line per call, and the
// number of the line last read, which every message about a rejected line names. One cursor is
// handed from section reader to section reader, so that one counter numbers a file's lines.
//
// Two kinds of checks exist, as the two kinds of files were written. The main file's checks
// (Line, KeyValue, KeyInt, OpenBrace, CloseBrace) take a key as a prefix after leading blanks and
// tabs, keep a value's trailing blanks and report "读组态文件错!\n第%d行:\n%s". The checks of the
// files it names (ExpectLine, FileKeyValue, FileKeyInt, FileOpenBrace, FileCloseBrace) trim the
// whole line and the value and name the file in "读组态文件%s错!\n第%d行:\n%s".
#include "projectmodel/ConfigTextFile.h"

#include <string>

namespace projectmodel {

class CLineCursor {
public:
    // Reads file from its current position; the next line read gets the number lineNo + 1.
    explicit CLineCursor(CConfigTextFile& file, int lineNo = 0) : file_(&file), lineNo_(lineNo) {}

    CConfigTextFile& File() const { return *file_; }
    const std::string& FileName() const { return file_->FileName(); }
    // The number of the line last read, counted from 1; 0 before the first.
    int LineNumber() const { return lineNo_; }
    void SetLineNumber(int lineNo) { lineNo_ = lineNo; }

    // The next line, counted (the empty line past the end, false then).
    bool Next(std::string& line);
    std::string NextLine();

    // Main-file checks; each reads one line into line and reports the line it rejects.
    // A null prefix accepts any line.
    bool Line(std::string& line, const char* prefix);
    bool OpenBrace();
    bool CloseBrace();
    // The key is only a prefix; the value starts after the first "=" and its leading spaces.
    bool KeyValue(std::string& line, const char* key, std::string& value);
    // As KeyValue; an empty value is reported as well and leaves number untouched.
    bool KeyInt(std::string& line, const char* key, int& number);
    // "读组态文件错!\n第%d行:\n%s" with the number of the line last read, or of lineNo.
    void ReportReadError(const std::string& line) const { ReportReadErrorAt(lineNo_, line); }
    static void ReportReadErrorAt(int lineNo, const std::string& line);
    // "读组态文件第%d行错".
    void ReportLineError() const;

    // Checks of a line already held: nothing is read or reported.
    static bool HasPrefix(const std::string& line, const char* prefix);
    static bool KeyValueOf(const std::string& line, const char* key, std::string& value);

    // The FileKeyInt check of a line already held: nothing is read or reported.
    static bool FileKeyIntOf(const std::string& line, const char* key, int& number);

    // Checks of the named files; each reads one line into line.
    // The trimmed line equals expected without regard to case; a null text accepts any line.
    bool ExpectLine(std::string& line, const char* expected);
    bool FileOpenBrace(std::string& line);
    bool FileCloseBrace(std::string& line);
    // The trimmed line begins with the key and holds "="; the value after it, trimmed.
    bool FileKeyValue(std::string& line, const char* key, std::string& value);
    // As FileKeyValue; an empty value is reported.
    bool FileKeyInt(std::string& line, const char* key, int& number);
    // "读组态文件%s错!\n第%d行:\n%s" with the file's name and the number of the line last read.
    void ReportFileError(const std::string& line) const;

private:
    CConfigTextFile* file_;
    // The FileKeyValue check of a line already held.
    static bool FileKeyValueOf(const std::string& line, const char* key, std::string& value);
    int lineNo_ = 0;

    bool Brace(const char* brace);
    bool FileBrace(std::string& line, const char* brace);
};

} // namespace projectmodel
