#include "iedinterface/model/CidExtractor.h"

#include "iedinterface/model/IcdInterfaceApp.h"
#include "iedinterface/model/PointTyping.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>

namespace iedinterface {

using platform::scl::CtEleList;
using platform::scl::EleID;

namespace {

// Type references nest a few levels in real files; deeper nesting is a cycle in a broken file.
constexpr int kMaxDepth = 16;

std::string Dotted(std::string text) {
    for (char& c : text)
        if (c == '.')
            c = '$';
    return text;
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += separator;
        out += parts[i];
    }
    return out;
}

// The bytes of a data-object chain joined by "$", with the separator that follows it.
std::size_t ChainBytes(const std::vector<std::string>& chain) {
    std::size_t bytes = 0;
    for (const auto& name : chain)
        bytes += name.size() + 1;
    return bytes;
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && platform::EqualsNoCase(text.substr(text.size() - tail.size()), tail);
}

// The Val of an instance element's first DAI child named name ("dU", "ctlModel").
std::string DaiValue(platform::scl::CChildIndex& children, const platform::scl::CtBase& element,
                     std::string_view name) {
    const platform::scl::CtBase dai = children.Find(element, EleID::DAI, name);
    if (!dai)
        return {};
    const platform::scl::CtBase val = dai.FindOneEleByID(EleID::Val, false);
    return val ? val.GetValue() : std::string();
}

} // namespace

CCidExtractor::TypeMap CCidExtractor::IndexTypes(const Element& templates, const char* elementName) {
    TypeMap map;
    for (const auto& type : templates.GetEleByName(elementName))
        map.emplace(type.GetAttrValByName("id"), type);
    return map;
}

int CCidExtractor::ParseCidFile(const std::string& path) {
    platform::CSCLService& scl = app_.SclService;
    scl.SetLoadMode(1);
    scl.SetXmlFileName(path);
    if (!scl.LoadFromXmlFile()) {
        app_.ClearModel();
        // A file refused for its text is told where; a markup error as the library always has.
        platform::MessageBox(scl.IsRefusedContent() ? "导入CID失败：" + scl.GetErrorText() + "!"
                                                    : std::string("导入CID失败：解析文件失败!"),
                             {}, platform::Icon::Warning);
        return 0;
    }
    return ExtractModel();
}

int CCidExtractor::ExtractModel() {
    app_.ClearModel();
    Element root = app_.SclService.GetRoot();
    if (!root)
        return 0;
    IImportProgress& progress = app_.Progress();
    progress.Open("正在载入，请稍候......", 0, 100);
    progress.SetPos(0);

    Element ied = root.FindOneEleByID(EleID::IED, false);
    Element templates = root.FindOneEleByID(EleID::DataTypeTemplates, false);
    if (!ied || !templates) {
        progress.Close();
        return 0;
    }
    app_.IedType = ied.GetAttrValByName("type");
    app_.DeviceName = ied.GetAttrValByName("name") + app_.IedType;
    app_.DeviceType = "IEC61850装置";
    progress.SetPos(2);

    CtEleList fcdas;
    ied.FindEleListByID(EleID::FCDA, fcdas, true);
    for (const auto& fcda : fcdas) {
        // Dots of the data-object name are turned into "$" as well, so that an FCDA naming a
        // sub-data-object ("A.phsA") matches the references of the points below it.
        app_.DataSetRefs.Add(fcda.GetAttrValByName("ldInst") + "/" + fcda.GetAttrValByName("prefix") +
                             fcda.GetAttrValByName("lnClass") + fcda.GetAttrValByName("lnInst") + "$" +
                             fcda.GetAttrValByName("fc") + "$" + Dotted(fcda.GetAttrValByName("doName")) +
                             "$" + Dotted(fcda.GetAttrValByName("daName")));
    }
    progress.SetPos(7);
    lnodeTypes_ = IndexTypes(templates, "LNodeType");
    progress.SetPos(8);
    doTypes_ = IndexTypes(templates, "DOType");
    progress.SetPos(9);
    daTypes_ = IndexTypes(templates, "DAType");
    progress.SetPos(10);

    CtEleList allLns;
    ied.FindEleListByID(EleID::LN, allLns, true);
    const int span = app_.ReloadFlag ? 70 : 90;
    const int step = span / (int(allLns.size()) + 1);
    int position = 10;

    CtEleList ldevices;
    ied.FindEleListByID(EleID::LDevice, ldevices, true);
    // The walk's ceilings are absolute: a few elements of types that fan out stop at them,
    // whatever else fills the file.
    budget_.SetLimits(limits_);
    budget_.StartFile();
    budget_.StartIed(ied.GetAttrValByName("name"));
    for (const auto& ld : ldevices) {
        if (budget_.Failed())
            break;
        std::string inst = ld.GetAttrValByName("inst");
        if (Element ln0 = ld.FindOneEleByID(EleID::LN0, true))
            ProcessNode(ln0, inst);
        CtEleList lns;
        ld.FindEleListByID(EleID::LN, lns, true);
        for (const auto& ln : lns) {
            if (budget_.Failed())
                break;
            ProcessNode(ln, inst);
            if (step > 0) {
                position += step;
                progress.SetPos(position);
            }
        }
    }
    if (budget_.Failed()) {
        // A type loop or a model beyond the walk's budget: the file is refused whole.
        progress.Close();
        app_.ClearModel();
        platform::MessageBox("导入CID失败：" + budget_.Reason() + "!", {}, platform::Icon::Warning);
        return 0;
    }
    if (!app_.ReloadFlag) {
        progress.SetPos(100);
        progress.Close();
    }
    return 1;
}

void CCidExtractor::ProcessNode(const Element& ln, const std::string& ldInst) {
    std::string lnType = ln.GetAttrValByName("lnType");
    if (lnType.empty())
        return;
    Node node;
    node.ln = ln;
    node.ldInst = ldInst;
    node.prefix = ln.GetAttrValByName("prefix");
    node.lnClass = ln.GetAttrValByName("lnClass");
    node.lnInst = ln.GetAttrValByName("inst");

    if (platform::EqualsNoCase(node.lnClass, "LLN0") && ln.FindOneEleByID(EleID::SettingControl, false)) {
        for (const char* da : {"ActSG", "EditSG"}) {
            CCidPoint p;
            p.Prefix = node.prefix;
            p.LnClass = node.lnClass;
            p.LnInst = node.lnInst;
            p.DoName = "SGCB";
            p.Fc = "SP";
            p.DaName = da;
            p.Class = 14;
            p.Reference = ldInst + "/" + p.LnName() + "$SP$SGCB$" + da;
            if (!budget_.CountPoint({p.Prefix, p.LnClass, p.LnInst, p.DoName, p.Fc, p.DaName, p.Reference}))
                return;
            app_.OtherPoints.Add(std::move(p));
        }
    }
    auto type = lnodeTypes_.find(lnType);
    if (type == lnodeTypes_.end())
        return;
    for (const auto& object : type->second.GetEleByName("DO")) {
        budget_.StartObject();
        ProcessDataObject(node, object, {});
    }
}

void CCidExtractor::ProcessDataObject(Node& node, const Element& object, std::vector<std::string> chain) {
    if (chain.size() >= std::size_t(kMaxDepth))
        return;
    auto type = doTypes_.find(object.GetAttrValByName("type"));
    if (type == doTypes_.end())
        return;
    const Element& doType = type->second;
    std::string cdc = doType.GetAttrValByName("cdc");
    if (chain.empty() && ClassifyDataAttribute(cdc) == 0)
        return;
    const platform::scl::CTypeWalkBudget::Scope scope(budget_, doType);
    if (!scope)
        return;
    chain.push_back(object.GetAttrValByName("name"));
    // A node weighs as much as the key and path built for it are long.
    const std::size_t pathBytes = cdc.size() + ChainBytes(chain);
    for (const auto& da : doType.GetEleByName("DA")) {
        if (!budget_.CountNode(pathBytes + da.GetAttrValByName("name").size()))
            return;
        WalkAttribute(node, chain, cdc, da.GetAttrValByName("fc"), da.GetAttrValByName("name"), da, 0);
    }
    for (const auto& sdo : doType.GetEleByName("SDO")) {
        if (!budget_.CountNode(pathBytes + sdo.GetAttrValByName("name").size()))
            return;
        if (ClassifyDataAttribute(cdc + "$" + sdo.GetAttrValByName("name")) != 0)
            ProcessDataObject(node, sdo, chain);
    }
}

void CCidExtractor::WalkAttribute(Node& node, const std::vector<std::string>& chain, const std::string& cdc,
                                  const std::string& fc, const std::string& attrPath,
                                  const Element& attribute, int depth) {
    const int pointClass = ClassifyDataAttribute(fc + "$" + cdc + "$" + attrPath);
    if (pointClass == 0)
        return;
    std::string bType = attribute.GetAttrValByName("bType");
    if (platform::EqualsNoCase(bType, "Struct") || platform::EqualsNoCase(bType, "ValWithTrans")) {
        if (depth >= kMaxDepth)
            return;
        auto type = daTypes_.find(attribute.GetAttrValByName("type"));
        if (type == daTypes_.end())
            return;
        const platform::scl::CTypeWalkBudget::Scope scope(budget_, type->second);
        if (!scope)
            return;
        const std::size_t chainBytes = cdc.size() + ChainBytes(chain);
        for (const auto& bda : type->second.GetEleByName("BDA")) {
            std::string path = attrPath + "$" + bda.GetAttrValByName("name");
            if (!budget_.CountNode(chainBytes + path.size()))
                return;
            WalkAttribute(node, chain, cdc, fc, path, bda, depth + 1);
        }
        return;
    }
    if (pointClass != 1)
        MakePoint(node, chain, cdc, fc, attrPath, pointClass);
}

CCidExtractor::Element CCidExtractor::FindInstance(Node& node, const std::vector<std::string>& names,
                                                   std::string* description, bool* complete) {
    if (complete)
        *complete = false;
    if (!node.doiIndexed) {
        for (const auto& doi : node.ln.GetEleByName("DOI"))
            node.dois.emplace(doi.GetAttrValByName("name"), doi);
        node.doiIndexed = true;
    }
    auto it = node.dois.find(names.front());
    if (it == node.dois.end())
        return {};
    Element current = it->second;
    std::string du = DaiValue(node.children, current, "dU");
    std::string desc = current.GetAttrValByName("desc");
    for (std::size_t i = 1; i < names.size(); ++i) {
        Element next = node.children.Find(current, EleID::SDI, names[i]);
        if (!next)
            next = node.children.Find(current, EleID::DOI, names[i]);
        if (!next) {
            if (description)
                *description = du.empty() ? desc : du;
            return current;
        }
        current = next;
        if (std::string d = DaiValue(node.children, current, "dU"); !d.empty())
            du = d;
        if (std::string d = current.GetAttrValByName("desc"); !d.empty())
            desc = d;
    }
    if (description)
        *description = du.empty() ? desc : du;
    if (complete)
        *complete = true;
    return current;
}

void CCidExtractor::MakePoint(Node& node, const std::vector<std::string>& chain, const std::string& cdc,
                              const std::string& fc, const std::string& attrPath, int pointClass) {
    CCidPoint p;
    p.Prefix = node.prefix;
    p.LnClass = node.lnClass;
    p.LnInst = node.lnInst;
    p.DoName = chain.back();
    p.DaName = attrPath;
    p.Fc = fc;
    p.Cdc = cdc;
    p.Class = static_cast<std::int16_t>(pointClass);
    p.Reference = node.ldInst + "/" + p.LnName() + "$" + fc + "$" + Join(chain, "$") + "$" + attrPath;

    std::vector<std::string> names = chain;
    std::size_t start = 0;
    while (true) {
        std::size_t end = attrPath.find('$', start);
        names.push_back(attrPath.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::string description;
    FindInstance(node, names, &description, nullptr);
    if (!description.empty()) {
        static const std::pair<const char*, const char*> phases[] = {
            {"phsA", "A相"}, {"phsB", "B相"}, {"phsC", "C相"}, {"neut", "零序"}};
        for (const auto& [tail, text] : phases)
            if (EndsWithNoCase(attrPath, tail)) {
                description = text + description;
                break;
            }
        if (attrPath.size() >= 10) {
            std::string_view part = std::string_view(attrPath).substr(attrPath.size() - 10, 8);
            if (part == "cVal$mag")
                description += "幅值";
            else if (part == "cVal$ang")
                description += "相角";
        }
    }
    if (pointClass == 13) {
        bool complete = false;
        Element instance = FindInstance(node, chain, nullptr, &complete);
        if (complete)
            p.CtlModel = DaiValue(node.children, instance, "ctlModel");
    }
    if (description.empty()) {
        std::string name = p.DoName;
        std::string digits;
        auto digit =
            std::find_if(name.begin(), name.end(), [](char c) { return std::isdigit((unsigned char)c); });
        if (digit != name.end()) {
            digits.assign(digit, name.end());
            name.erase(digit, name.end());
        }
        std::string found = app_.FindDoNameDes(p.LnClass, p.Cdc, name, p.DaName);
        if (!found.empty())
            description = digits.empty() ? found + p.LnInst : found + p.LnInst + "-" + digits;
    }
    p.Description = std::move(description);
    // The point and the files written from it hold every text of it.
    if (!budget_.CountPoint({p.Prefix, p.LnClass, p.LnInst, p.DoName, p.DaName, p.Fc, p.Cdc, p.Reference,
                             p.Description, p.CtlModel}))
        return;
    if (app_.IsDataSetReference(p.Reference))
        app_.DataSetPoints.Add(std::move(p));
    else
        app_.OtherPoints.Add(std::move(p));
}

} // namespace iedinterface
