#pragma once
// Loads one SCL file (SCD, CID or ICD) and holds its parsed document; the import code reaches
// the elements through GetRoot and the queries of scl::CtBase.
//
// The file is read into one buffer that the parser works on in place, so a file of some
// hundred MB costs its own size plus the element tree, and nothing is copied per element.
// Files declared as GB2312, GBK or GB18030 are parsed as bytes and their attribute values and
// texts are handed out as UTF-8.
#include "platform/scl/CtBase.h"
#include "platform/scl/ElementFilter.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class CSCLService {
public:
    CSCLService();
    ~CSCLService();
    CSCLService(const CSCLService&) = delete;
    CSCLService& operator=(const CSCLService&) = delete;

    // The file that LoadFromXmlFile reads (a UTF-8 path).
    void SetXmlFileName(const std::string& path);

    // The load-mode word that the CID reader sets before loading; kept for it, every mode
    // loads the whole file.
    void SetLoadMode(int mode);
    int GetLoadMode() const;

    // The name the root element must have (compared without a namespace prefix); "SCL" unless
    // changed. An empty name accepts any root, for readers of XML files other than SCL.
    void SetRootName(const std::string& name);

    // Elements directly below the root with this name (without namespace prefix, "IED" for the
    // SCD import) are left out of the document LoadFromXmlFile builds: they are only indexed,
    // and LoadStreamed parses one at a time, so that a file of hundreds of MB never has its whole
    // tree (nor its whole text) in memory. Empty (the default) loads everything. Files in UTF-16
    // or UTF-32 are loaded whole whatever the name.
    void SetStreamedElement(const std::string& name);
    // With elements streamed: the DOType and DAType elements of the file's DataTypeTemplates that
    // no type refers to are left out of the document (a reader that finds types only through the
    // references never meets them); the file is accepted or refused as with them. Off by default.
    void SetUnusedTypesLeftOut(bool leftOut);
    // The threads a big file is cut on; 0 (the default) for WorkThreads().
    void SetThreads(std::size_t threads);
    // The threads work of a file is spread over by default: the cores the process may run on (its
    // affinity), at most eight.
    static std::size_t WorkThreads();
    // The number of elements left out by the last load, in document order.
    int GetStreamedCount() const;
    // The bytes of the index-th element left out in the file (0 for an index out of range).
    std::size_t GetStreamedBytes(int index) const;
    // Parses the index-th element left out into a document of its own that replaces the one of
    // the previous call (handles into that become invalid). A null handle when the element does
    // not parse; GetErrorText then says where.
    scl::CtBase LoadStreamed(int index);

    // A document of its own for one element left out, so that several threads can each parse
    // and walk one at once.
    class CPart {
    public:
        CPart();
        ~CPart();
        CPart(const CPart&) = delete;
        CPart& operator=(const CPart&) = delete;

    private:
        friend class CSCLService;
        struct Impl;
        std::unique_ptr<Impl> impl_;
    };
    // As LoadStreamed, but into part (handles into what it held before become invalid), and safe
    // to call from several threads at once, each with its own part, between a load and the next
    // load or Clear. On failure a null handle, and error says where; GetErrorText is not changed.
    scl::CtBase ParseStreamed(int index, CPart& part, std::string& error) const;
    // As above; beforeParse sees the element's bytes once they are read and before they are
    // parsed (the tree of an element costs about a hundred bytes per element in it), and false
    // from it gives a null handle without parsing them.
    // keep, when given, tells what the caller reads of the element: the elements it does not keep
    // are left out of the tree (see ElementFilter.h); the element is accepted or refused, with the
    // same error, as without it.
    scl::CtBase ParseStreamed(int index, CPart& part, std::string& error,
                              const std::function<bool(std::string_view bytes)>& beforeParse,
                              const scl::CKeepRule* keep = nullptr) const;

    // Parses the file named by SetXmlFileName, replacing any document loaded before (handles
    // into it become invalid). Nonzero on success. On failure there is no root and
    // GetErrorText says why: a file that cannot be read, a parse error with its line and
    // column, or a document whose root element has another name than the one required.
    int LoadFromXmlFile();

    // The root element (SCL); a null handle before a successful load.
    scl::CtBase GetRoot() const;

    // Why the last load failed (UTF-8); empty after a success.
    const std::string& GetErrorText() const;

    // True when the last load failed on the file's text rather than its markup: bytes valid in
    // neither its declared encoding nor GBK, or a reference to an entity its document type
    // declares. GetErrorText names the line.
    bool IsRefusedContent() const;
    // True when the last load failed because the file is there but could not be looked at,
    // opened or read (not because it is absent): GetErrorText gives the system's reason.
    bool IsUnreadFile() const;

    // True when the loaded file declared a GBK-family encoding, or declared UTF-8 (or nothing) and
    // holds GBK bytes.
    bool IsGbk() const;

    // Frees the document.
    void Clear();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace platform
