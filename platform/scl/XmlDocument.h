#pragma once
// A loaded XML file and the queries its callers make of it: every element of a given name, with
// its attributes and children. A file that is missing or does not parse is reported in a message
// box and leaves the document unloaded.
//
// The file is read by the SCL reader, so a file declared as GB2312, GBK or GB18030 hands out its
// names and attribute values as UTF-8 like every other SCL file; the elements are the reader's
// handles (scl::CtBase), valid while the document lives and until it loads another file.
#include "platform/scl/CtBase.h"

#include <memory>
#include <string>

namespace platform {

class CSCLService;

class CXmlDocument {
public:
    using NodeList = scl::CtEleList;

    CXmlDocument();
    // Loads the file with the root name "xmlRoot".
    explicit CXmlDocument(const std::string& path);
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // True when the file was parsed. A missing file shows "文件(%s)不存在！" ("打开失败"), a
    // parse error its reason ("错误提示"). The root name is kept for the caller; any root
    // element is accepted.
    bool Load(const std::string& path, const std::string& rootName);
    bool IsLoaded() const { return loaded_; }

    // Every element named name, in document order (the query "//" + name), the root included:
    // 0 and the list, or -1 when the document is not loaded.
    int SelectNodes(const std::string& name, NodeList& nodes) const;

    const std::string& Path() const { return path_; }
    const std::string& RootName() const { return rootName_; }

private:
    std::unique_ptr<CSCLService> scl_;
    bool loaded_ = false;
    std::string path_;
    std::string rootName_ = "xmlRoot";
};

} // namespace platform
