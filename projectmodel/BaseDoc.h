#pragma once
// The base of the project document: the class library's document operations the project needs.
// The configuration files are walked with a CLineCursor.
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

    static std::string TrimCopy(const std::string& text);

private:
    std::string title_;
    bool modified_ = false;
};

} // namespace projectmodel
