#pragma once
// The base of the project document: the current line number of the configuration file being
// read, and the reader primitives with which every section reader walks a file line by line and
// reports the first line it cannot accept.
//
// Two families exist. The document-counter family (ReadLine, ReadKeyValue, ...) counts on the
// document's own line number, skips only leading blanks and tabs before its key check and keeps
// the value's trailing blanks. The explicit-counter family (ReadFile...) counts on the caller's
// counter, trims the whole line and the value, and names the file in its messages.
#include "projectmodel/ConfigTextFile.h"

#include <string>

namespace platform {
class CArchive;
}

namespace projectmodel {

class CBaseDoc {
public:
    CBaseDoc() = default;
    virtual ~CBaseDoc() = default;

    // The class library's document operations the project needs.
    virtual bool OnNewDocument() {
        SetModifiedFlag(false);
        return true;
    }
    virtual bool IsModified() const { return modified_; }
    virtual void SetModifiedFlag(bool modified = true) { modified_ = modified; }
    // The project lives in text files only; the archive form of the document holds nothing.
    virtual void Serialize(platform::CArchive&) {}
    const std::string& GetTitle() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }

    int GetLineNumber() const { return lineNo_; }
    void SetLineNumber(int n) { lineNo_ = n; }

    static std::string TrimCopy(const std::string& text);

    // Document-counter primitives. A file, when given, is read one line (counter + 1).
    int ReadOpenBrace(CConfigTextFile* file);
    int ReadCloseBrace(CConfigTextFile* file);
    // Without a file the line already held is tested and nothing is reported. A null prefix
    // always passes.
    int ReadLine(CConfigTextFile* file, std::string& line, const char* prefix);
    // The key is only a prefix; the value starts after the first "=" of the line and its leading
    // blanks (spaces only); its trailing blanks stay.
    int ReadKeyValue(CConfigTextFile* file, std::string& line, const char* key, std::string& value);
    // As ReadKeyValue, and the value must not be empty (an empty value fails without a message);
    // the number is the C runtime's decimal conversion and stays untouched on failure.
    int ReadKeyInt(CConfigTextFile* file, std::string& line, const char* key, int& number);
    // "读组态文件错!\n第%d行:\n%s" with the current line number.
    void ReportReadError(const std::string& line);
    // "读组态文件第%d行错" with the current line number.
    void ReportLineError();

    // Explicit-counter primitives.
    int ReadFileOpenBrace(CConfigTextFile* file, int& counter, std::string& line);
    int ReadFileCloseBrace(CConfigTextFile* file, int& counter, std::string& line);
    // The trimmed line equals the expected text without regard to case; a null text passes.
    int ReadFileExpectLine(CConfigTextFile* file, int& counter, std::string& line, const char* expected);
    // The trimmed line begins with the key (exact) and holds "="; the value is the text after its
    // first "=", trimmed.
    int ReadFileKeyValue(CConfigTextFile* file, int& counter, std::string& line, const char* key,
                         std::string& value);
    int ReadFileKeyInt(CConfigTextFile* file, int& counter, std::string& line, const char* key, int& number);
    // "读组态文件%s错!\n第%d行:\n%s" (file name without folder, line number, line).
    static void ReportFileReadError(const std::string& fileName, int lineNo, const std::string& line);

protected:
    int lineNo_ = 0;

private:
    std::string title_;
    bool modified_ = false;

    bool ReadNextLine(CConfigTextFile* file, std::string& line);
    int ReadBraceLine(CConfigTextFile* file, const char* brace);
    int ReadFileBraceLine(CConfigTextFile* file, int& counter, std::string& line, const char* brace);
};

} // namespace projectmodel
