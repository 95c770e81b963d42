#include "points/XmlDocument.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <filesystem>
#include <fstream>

CXmlDocument::CXmlDocument(const std::string& path) {
    Load(path, "xmlRoot");
}

bool CXmlDocument::Load(const std::string& path, const std::string& rootName) {
    if (!loaded_)
        path_ = path;
    rootName_ = rootName;
    std::ifstream probe(std::filesystem::path(path), std::ios::binary);
    if (!probe) {
        platform::MessageBox(platform::StrFormat("文件(%s)不存在！", path.c_str()), "打开失败",
                             platform::Icon::Error, platform::Buttons::Ok);
        return false;
    }
    probe.close();
    doc_.reset();
    loaded_ = false;
    pugi::xml_parse_result result =
        doc_.load_file(std::filesystem::path(path).c_str(), pugi::parse_default, pugi::encoding_auto);
    if (!result) {
        platform::MessageBox(result.description(), "错误提示", platform::Icon::Error, platform::Buttons::Ok);
        doc_.reset();
        return false;
    }
    path_ = path;
    loaded_ = true;
    return true;
}

int CXmlDocument::SelectNodes(const std::string& name, NodeList& nodes) const {
    nodes.clear();
    if (!loaded_)
        return -1;
    // A walk instead of an XPath query: the same elements in document order, without building a
    // query for a name that may hold characters XPath would read differently.
    struct Collector : pugi::xml_tree_walker {
        const std::string* name;
        NodeList* out;
        bool for_each(pugi::xml_node& node) override {
            if (node.type() == pugi::node_element && *name == node.name())
                out->push_back(node);
            return true;
        }
    } collector;
    collector.name = &name;
    collector.out = &nodes;
    const_cast<pugi::xml_document&>(doc_).traverse(collector);
    return 0;
}
