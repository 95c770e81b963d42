#include "platform/scl/XmlDocument.h"

#include "platform/FileFaults.h"
#include "platform/Prompt.h"
#include "platform/scl/SCLService.h"
#include "platform/Text.h"

#include <filesystem>

namespace platform {

CXmlDocument::CXmlDocument() : scl_(std::make_unique<CSCLService>()) {
    scl_->SetRootName({});
}

CXmlDocument::CXmlDocument(const std::string& path) : CXmlDocument() {
    Load(path, "xmlRoot");
}

CXmlDocument::~CXmlDocument() = default;

bool CXmlDocument::Load(const std::string& path, const std::string& rootName) {
    if (!loaded_)
        path_ = path;
    rootName_ = rootName;
    // Only a file that is not there is "not there"; one that cannot be looked at or read is told
    // with the reason by the load below.
    const PathStat stat = StatPath(path);
    if (!stat.exists && !stat.Failed()) {
        MessageBox(StrFormat("文件(%s)不存在！", path.c_str()), "打开失败", Icon::Error, Buttons::Ok);
        return false;
    }
    loaded_ = false;
    scl_->SetXmlFileName(path);
    if (!scl_->LoadFromXmlFile()) {
        MessageBox(scl_->GetErrorText(), "错误提示", Icon::Error, Buttons::Ok);
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
    const scl::CtBase root = scl_->GetRoot();
    // The root is matched as every other element, without its namespace prefix.
    const std::string rootName = root.GetEleName();
    const std::size_t colon = rootName.rfind(':');
    if (rootName == name || (colon != std::string::npos && name.find(':') == std::string::npos &&
                             rootName.substr(colon + 1) == name))
        nodes.push_back(root);
    root.FindEleListByName(name, nodes, true);
    return 0;
}

} // namespace platform
