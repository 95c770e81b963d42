#pragma once
// A loaded XML file and the queries its callers make of it: every element of a given name, with
// its attributes and children. A file that is missing or does not parse is reported in a message
// box and leaves the document unloaded.
#include <pugixml.hpp>

#include <string>
#include <vector>

class CXmlDocument {
public:
    using NodeList = std::vector<pugi::xml_node>;

    CXmlDocument() = default;
    // Loads the file with the root name "xmlRoot".
    explicit CXmlDocument(const std::string& path);
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // True when the file was parsed. A missing file shows "文件(%s)不存在！" ("打开失败"), a
    // parse error its reason ("错误提示").
    bool Load(const std::string& path, const std::string& rootName);
    bool IsLoaded() const { return loaded_; }

    // Every element named name, in document order (the query "//" + name): 0 and the list, or -1
    // when the document is not loaded.
    int SelectNodes(const std::string& name, NodeList& nodes) const;

    const std::string& Path() const { return path_; }
    const std::string& RootName() const { return rootName_; }

private:
    pugi::xml_document doc_;
    bool loaded_ = false;
    std::string path_;
    std::string rootName_ = "xmlRoot";
};
