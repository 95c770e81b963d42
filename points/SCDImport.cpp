#include "points/SCDImport.h"

#include "platform/Archive.h"
#include "platform/Prompt.h"
#include "platform/scl/ChildIndex.h"
#include "platform/scl/SCLService.h"
#include "platform/Text.h"
#include "points/OrderedWork.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/Device.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <iterator>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;
using platform::scl::CtBase;
using platform::scl::CtEleList;
using platform::scl::EleID;
using projectmodel::CConfigDoc;
using projectmodel::CDevice;
using projectmodel::CDeviceTemplate;
using projectmodel::CInfoEntry;
using projectmodel::CInfoGroup;
using projectmodel::CInfoModel;
using projectmodel::CProjectContext;
using projectmodel::CSCDPoint;
using projectmodel::CSCDPointRef;

namespace points {

namespace {

// Nested data objects and structured attributes deeper than this are a type loop of a damaged
// file; the walk stops there instead of running out of stack.
constexpr int kMaxTypeDepth = 32;

std::string Lower(std::string_view text) {
    return platform::ToLowerAscii(text);
}

void IndexById(const CtEleList& list, std::unordered_map<std::string, CtBase>& map) {
    map.clear();
    map.reserve(list.size());
    for (const CtBase& e : list)
        map.emplace(Lower(e.GetAttrValByName("id")), e); // the first of an id stays
}

CtBase FindIn(const std::unordered_map<std::string, CtBase>& map, std::string_view id) {
    auto it = map.find(Lower(id));
    return it == map.end() ? CtBase() : it->second;
}

// The value of the element's DAI child named daiName (without regard to case), found through the
// index of the element's children.
std::string ValOfDai(platform::scl::CChildIndex& children, const CtBase& element, std::string_view daiName) {
    const CtBase dai = children.Find(element, EleID::DAI, daiName);
    if (!dai)
        return {};
    const CtBase val = dai.FindOneEleByID(EleID::Val, false);
    return val ? val.GetValue() : std::string();
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The walk

namespace {

// A leaf of an LN type's walk: what a point of every LN of that type is built from.
struct Leaf {
    std::string topDo, doPath, fc, cdc, attrPath;
    int pointClass = 0;
};

// The leaves of one LN type (walked with or without the recorder flag), or why its walk failed.
// The walk's nodes count for the file once, for the first IED that uses the type.
struct TypeLeaves {
    std::vector<Leaf> leaves;
    platform::scl::CTypeWalkBudget walk; // how the walk ended: failed or not
    std::uint64_t nodes = 0;
    CtBase type;
};

} // namespace

struct CSCDImport::Shared {
    std::unordered_map<std::string, CtBase> lnodeTypes; // lower-cased id -> first
    std::unordered_map<std::string, CtBase> doTypes;
    std::unordered_map<std::string, CtBase> daTypes;
    std::unordered_map<std::string, CtBase> accessPoints; // apName + "+" + iedName
    platform::scl::TypeWalkLimits limits;                 // the ceilings
    std::uint64_t declared = 0;                           // the elements of the data type templates
    platform::scl::CWalkBrake brake;                      // what every thread's walk has counted
    bool goose = false;
    bool descFromDu = false;

    // The leaves of an LN type, key its lower-cased id (+ "\1" in RDRE): walked by the first
    // thread that needs them, under its own budget (a type met again below itself, the budget of
    // each data object, and for the whole type those of an IED and of the file), then shared.
    const TypeLeaves& LeavesOf(const std::string& key, bool rdre, const CtBase& type);

private:
    using Budget = platform::scl::CTypeWalkBudget;
    void WalkDO(Budget& budget, bool rdre, const std::string& topDo, const std::string& doPath,
                const CtBase& doType, bool top, int depth, std::vector<Leaf>& out) const;
    void WalkDAType(Budget& budget, bool rdre, const std::string& topDo, const std::string& doPath,
                    const std::string& fc, const std::string& cdc, const std::string& attrPath,
                    const CtBase& daType, int depth, std::vector<Leaf>& out) const;

    std::mutex mutex_;
    std::unordered_map<std::string, std::unique_ptr<TypeLeaves>> leaves_;
};

const TypeLeaves& CSCDImport::Shared::LeavesOf(const std::string& key, bool rdre, const CtBase& type) {
    const std::lock_guard lock(mutex_);
    auto [it, added] = leaves_.try_emplace(key);
    if (!added)
        return *it->second;
    it->second = std::make_unique<TypeLeaves>();
    TypeLeaves& walked = *it->second;
    walked.type = type;
    Budget& budget = walked.walk;
    // What the types declare, the same whichever IED walks the type first.
    budget.SetLimits(limits.ForElements(declared));
    budget.SetBrake(&brake);
    budget.StartFile();
    for (const CtBase& d : type.GetEleByName("DO")) {
        const CtBase doType = FindIn(doTypes, d.GetAttrValByName("type"));
        if (!doType)
            continue;
        const std::string name = d.GetAttrValByName("name");
        budget.StartObject();
        WalkDO(budget, rdre, name, name, doType, true, 0, walked.leaves);
        if (budget.Failed())
            break;
    }
    walked.nodes = budget.NodesCounted();
    budget.SetBrake(nullptr);
    if (budget.Failed())
        std::vector<Leaf>().swap(walked.leaves);
    return walked;
}

void CSCDImport::Shared::WalkDO(Budget& budget, bool rdre, const std::string& topDo,
                                const std::string& doPath, const CtBase& doType, bool top, int depth,
                                std::vector<Leaf>& out) const {
    if (depth > kMaxTypeDepth)
        return;
    const std::string cdc = doType.GetAttrValByName("cdc");
    if (!rdre && top && projectmodel::ClassifyDataAttribute(cdc) == 0)
        return;
    const Budget::Scope scope(budget, doType);
    if (!scope)
        return;
    for (const CtBase& da : doType.GetEleByName("DA")) {
        const std::string name = da.GetAttrValByName("name");
        const std::string fc = da.GetAttrValByName("fc");
        // A node weighs the texts of the leaf it may become.
        if (!budget.CountNode(platform::scl::TextBytes({cdc, fc, topDo, doPath, name})))
            return;
        const int cls = rdre ? 17 : projectmodel::ClassifyDataAttribute(fc + "$" + cdc + "$" + name);
        if (cls == 0)
            continue;
        const std::string bType = da.GetAttrValByName("bType");
        if (bType == "Struct" || bType == "ValWithTrans") {
            if (const CtBase daType = FindIn(daTypes, da.GetAttrValByName("type")))
                WalkDAType(budget, rdre, topDo, doPath, fc, cdc, name, daType, depth + 1, out);
        } else if (cls != 1) {
            out.push_back({topDo, doPath, fc, cdc, name, cls});
        }
    }
    for (const CtBase& sdo : doType.GetEleByName("SDO")) {
        const std::string name = sdo.GetAttrValByName("name");
        if (!budget.CountNode(platform::scl::TextBytes({cdc, topDo, doPath, name})))
            return;
        if (!rdre && projectmodel::ClassifyDataAttribute(cdc + "$" + name) == 0)
            continue;
        if (const CtBase sdoType = FindIn(doTypes, sdo.GetAttrValByName("type")))
            WalkDO(budget, rdre, topDo, doPath + "$" + name, sdoType, false, depth + 1, out);
    }
}

void CSCDImport::Shared::WalkDAType(Budget& budget, bool rdre, const std::string& topDo,
                                    const std::string& doPath, const std::string& fc, const std::string& cdc,
                                    const std::string& attrPath, const CtBase& daType, int depth,
                                    std::vector<Leaf>& out) const {
    if (depth > kMaxTypeDepth)
        return;
    const Budget::Scope scope(budget, daType);
    if (!scope)
        return;
    for (const CtBase& bda : daType.GetEleByName("BDA")) {
        const std::string path = attrPath + "$" + bda.GetAttrValByName("name");
        if (!budget.CountNode(platform::scl::TextBytes({cdc, fc, topDo, doPath, path})))
            return;
        const int cls = rdre ? 17 : projectmodel::ClassifyDataAttribute(fc + "$" + cdc + "$" + path);
        if (cls == 0)
            continue;
        const std::string bType = bda.GetAttrValByName("bType");
        if (bType == "Struct" || bType == "ValWithTrans") {
            if (const CtBase sub = FindIn(daTypes, bda.GetAttrValByName("type")))
                WalkDAType(budget, rdre, topDo, doPath, fc, cdc, path, sub, depth + 1, out);
        } else if (cls != 1) {
            out.push_back({topDo, doPath, fc, cdc, path, cls});
        }
    }
}

// An IED's device model built on the walking thread, with what filing it needs: its bytes in the
// cache file and the device made from it.
struct CSCDImport::Built {
    explicit Built(CDeviceTemplate built)
        : model(std::move(built)), device(CDevice::CDeviceFromTemplate(model)) {
        platform::CArchive ar;
        SerializeSCDIED(ar, model);
        bytes = ar.Bytes();
    }
    CDeviceTemplate model;
    CDevice device;
    std::string bytes; // written to the cache file as soon as the IED is filed, then freed
};

struct CSCDImport::IedResult {
    std::unique_ptr<CInfoModel> model;
    projectmodel::CStringArray members; // the data-set members, of the last IED only
    bool parsed = true;
    std::string failure; // why the walk failed
    // The IED's own nodes and points, and the LN types it used (in the order of their first use):
    // what the file's budget is charged with.
    std::uint64_t nodes = 0, points = 0;
    std::uint64_t elements = 0; // what the IED declares, which adds to the file's budget
    std::vector<const TypeLeaves*> types;
    std::size_t pointCount = 0; // the points of the information model
    std::unique_ptr<Built> built;
    std::string written; // the cache bytes once written
};

namespace {

// The logical node being walked.
struct LnContext {
    CtBase ln;
    std::string ldInst;
    std::string prefix;
    std::string lnClass;
    std::string inst;
    std::string name;      // prefix + lnClass + inst
    std::string reference; // ldInst + "/" + name + "$": the start of every point's reference
    bool rdre = false;
    bool doisRead = false;
    std::unordered_map<std::string, CtBase> dois; // lower-cased name -> first DOI
    CtEleList doiList;
    std::string key;
    // The children of the node's DOIs and SDIs by name (without regard to case), each read once.
    platform::scl::CChildIndex children{true};

    // Starts on the next logical node of the IED; the texts and the DOI index keep their room.
    void Start(const CtBase& element, const std::string& device) {
        ln = element;
        ldInst = device;
        rdre = false;
        doisRead = false;
        dois.clear();
        children.Clear();
    }

    CtBase Doi(std::string_view name) {
        if (!doisRead) {
            doisRead = true;
            doiList.clear();
            ln.FindEleListByID(EleID::DOI, doiList, false);
            for (const CtBase& d : doiList)
                dois.emplace(Lower(d.GetAttrValByName("name")), d);
        }
        key.assign(name);
        for (char& ch : key)
            if (ch >= 'A' && ch <= 'Z')
                ch = static_cast<char>(ch - 'A' + 'a');
        auto it = dois.find(key);
        return it == dois.end() ? CtBase() : it->second;
    }
};

} // namespace

// Walks IED after IED on one thread: the data-set members, the logical nodes and their points.
// Each IED has a budget of its own; what it used is charged to the file's in file order.
class CSCDImport::IedWalker {
public:
    explicit IedWalker(Shared& shared) : shared_(shared), budget_(shared.limits) {
        budget_.SetBrake(&shared.brake);
    }
    // keepMembers: the data-set members are handed out in result (the document keeps those of
    // the last IED).
    void Walk(const CtBase& ied, IedResult& result, bool keepMembers);

private:
    // The FCDAs of the IED (at any depth) and the logical devices of each of its access points,
    // found in one pass over the IED.
    void FindElements(const CtBase& ied);
    // The data-set members of the IED, indexed for the points' test.
    void CollectMembers(IedResult& result, bool keepMembers);
    void ReadLN();
    void BuildPoint(const Leaf& leaf);
    std::string DescriptionOf(const CtBase& element, std::string_view path);

    Shared& shared_;
    platform::scl::CTypeWalkBudget budget_;
    CDataSetIndex dataSet_;
    LnContext ln_;
    IedResult* result_ = nullptr;
    CInfoModel* model_ = nullptr;
    // The shared leaves this thread has looked up, and those the IED being walked has used.
    std::unordered_map<std::string, const TypeLeaves*> known_;
    std::unordered_set<const TypeLeaves*> used_;
    std::string key_;
    std::string member_;
    std::string rest_;           // a point's path below its DOI
    CtEleList fcdas_, aps_;      // of the IED being walked
    std::vector<CtEleList> lds_; // of each access point
};

void CSCDImport::IedWalker::FindElements(const CtBase& ied) {
    fcdas_.clear();
    aps_.clear();
    const CtEleList children = ied.GetChildEles();
    for (const CtBase& c : children) {
        // In document order: the child, then what lies below it.
        if (c.IsNamed("FCDA"))
            fcdas_.push_back(c);
        if (c.IsNamed("AccessPoint")) {
            if (lds_.size() <= aps_.size())
                lds_.emplace_back();
            CtEleList& lds = lds_[aps_.size()];
            lds.clear();
            aps_.push_back(c);
            static constexpr std::string_view kNames[] = {"FCDA", "LDevice"};
            CtEleList* const lists[] = {&fcdas_, &lds};
            c.FindEleListsByName(kNames, lists, 2, true);
        } else {
            c.FindEleListByID(EleID::FCDA, fcdas_, true);
        }
    }
}

void CSCDImport::IedWalker::CollectMembers(IedResult& result, bool keepMembers) {
    // Data-set members: "ldInst/prefix lnClass lnInst$fc$doName$daName", dots turned into "$".
    dataSet_.Clear();
    const CtEleList& fcdas = fcdas_;
    static constexpr std::string_view kFcdaAttrs[] = {"ldInst", "prefix", "lnClass", "lnInst",
                                                      "fc",     "doName", "daName"};
    std::string_view a[std::size(kFcdaAttrs)];
    std::string texts[std::size(kFcdaAttrs)];
    if (keepMembers)
        result.members.reserve(fcdas.size());
    std::string& member = member_;
    // The data object and attribute names with their dots as "$".
    const auto appendPath = [&member](std::string_view path) {
        const std::size_t from = member.size();
        member += path;
        std::replace(member.begin() + static_cast<std::ptrdiff_t>(from), member.end(), '.', '$');
    };
    for (const CtBase& f : fcdas) {
        f.GetAttrViews(kFcdaAttrs, a, texts, std::size(kFcdaAttrs));
        member.clear();
        member += a[0];
        member += '/';
        member += a[1];
        member += a[2];
        member += a[3];
        member += '$';
        member += a[4];
        member += '$';
        appendPath(a[5]);
        member += '$';
        appendPath(a[6]);
        dataSet_.Add(member);
        if (keepMembers)
            result.members.push_back(member);
    }
}

void CSCDImport::IedWalker::Walk(const CtBase& ied, IedResult& result, bool keepMembers) {
    result_ = &result;
    budget_.StartFile();
    used_.clear();
    FindElements(ied);
    CollectMembers(result, keepMembers);

    result.model = std::make_unique<CInfoModel>();
    model_ = result.model.get();
    model_->m_strName = ied.GetAttrValByName("name");
    // The IED's budget is what the types and the IED itself declare; the file's grows by it.
    result.elements = platform::scl::DeclaredElements(ied);
    shared_.brake.elements += result.elements;
    budget_.SetLimits(shared_.limits.ForElements(shared_.declared + result.elements));
    budget_.StartIed(model_->m_strName);
    model_->m_strDesc = ied.GetAttrValByName("desc");
    model_->m_strManufacturer = ied.GetAttrValByName("manufacturer");
    model_->m_strType = ied.GetAttrValByName("type");
    model_->m_strConfigVersion = ied.GetAttrValByName("configVersion");
    if (model_->m_strType.empty())
        model_->m_strType = model_->m_strName;

    for (std::size_t a = 0; a < aps_.size(); ++a) {
        const std::string key = aps_[a].GetAttrValByName("name") + "+" + model_->m_strName;
        if (!shared_.goose && !shared_.accessPoints.count(key))
            continue;
        for (const CtBase& ld : lds_[a]) {
            const std::string ldInst = ld.GetAttrValByName("inst");
            CtEleList lns;
            if (const CtBase ln0 = ld.FindOneEleByID(EleID::LN0, false))
                lns.push_back(ln0);
            ld.FindEleListByID(EleID::LN, lns, false);
            for (const CtBase& e : lns) {
                ln_.Start(e, ldInst);
                ReadLN();
                if (budget_.Failed())
                    break;
            }
            if (budget_.Failed())
                break;
        }
        if (budget_.Failed())
            break;
    }
    result.nodes = budget_.NodesCounted();
    result.points = budget_.PointsCounted();
    if (budget_.Failed()) {
        result.failure = budget_.Reason();
        model_->Clear(); // the file is refused: its points are not held until then
    }
    model_ = nullptr;
    result_ = nullptr;
}

void CSCDImport::IedWalker::ReadLN() {
    LnContext& ln = ln_;
    static constexpr std::string_view kLnAttrs[] = {"lnType", "lnClass", "prefix", "inst"};
    std::string a[std::size(kLnAttrs)];
    ln.ln.GetAttrVals(kLnAttrs, a, std::size(kLnAttrs));
    const std::string& lnType = a[0];
    if (lnType.empty())
        return;
    ln.lnClass = std::move(a[1]);
    ln.prefix = std::move(a[2]);
    ln.inst = std::move(a[3]);
    ln.name.assign(ln.prefix).append(ln.lnClass).append(ln.inst);
    ln.reference.assign(ln.ldInst).append("/").append(ln.name).append("$");
    if (platform::EqualsNoCase(ln.lnClass, "RDRE")) {
        ln.rdre = true;
        model_->m_bRecorder = 1;
    }
    if (platform::EqualsNoCase(ln.lnClass, "LLN0") && ln.ln.FindOneEleByID(EleID::SettingControl, false)) {
        struct {
            const char* da;
            const char* desc;
        } const groups[] = {{"ActSG", "运行区定值区号"}, {"EditSG", "编辑区定值区号"}};
        for (const auto& g : groups) {
            auto p = std::make_unique<CSCDPoint>();
            p->m_strLNName = ln.prefix + "LLN0" + ln.inst;
            p->m_strLNInst = ln.inst;
            p->m_strLNClass = "LLN0";
            p->m_strPrefix = ln.prefix;
            p->m_strDOName = "SGCB";
            p->m_strFC = "SP";
            p->m_strDAName = g.da;
            p->m_strDesc = g.desc;
            p->m_strReference = ln.ldInst + "/" + ln.prefix + "LLN0" + ln.inst + "$SP$SGCB$" + g.da;
            p->m_nClass = 14;
            if (!budget_.CountPoint({p->m_strLNName, p->m_strLNInst, p->m_strPrefix, p->m_strReference}))
                return;
            model_->AddPoint(std::move(p));
        }
    }
    // The types this thread knows are looked up by their key alone; the file's index only for
    // the first LN of a type.
    key_.assign(lnType);
    for (char& ch : key_)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    if (ln.rdre)
        key_ += '\1';
    auto known = known_.find(key_);
    if (known == known_.end()) {
        const CtBase type = FindIn(shared_.lnodeTypes, lnType);
        if (!type)
            return;
        known = known_.emplace(key_, &shared_.LeavesOf(key_, ln.rdre, type)).first;
    }
    const TypeLeaves& walked = *known->second;
    if (used_.insert(&walked).second)
        result_->types.push_back(&walked);
    if (walked.walk.Failed()) {
        budget_.FailAs(walked.walk);
        return;
    }
    for (const Leaf& leaf : walked.leaves) {
        if (!budget_.CountNode(
                platform::scl::TextBytes({leaf.cdc, leaf.fc, leaf.topDo, leaf.doPath, leaf.attrPath})))
            return;
        BuildPoint(leaf);
    }
}

void CSCDImport::IedWalker::BuildPoint(const Leaf& leaf) {
    const LnContext& ln = ln_;
    const std::string& topDo = leaf.topDo;
    const std::string& doPath = leaf.doPath;
    const std::string& attrPath = leaf.attrPath;
    const int pointClass = leaf.pointClass;
    std::string reference;
    reference.reserve(ln.reference.size() + leaf.fc.size() + doPath.size() + attrPath.size() + 2);
    reference += ln.reference;
    reference += leaf.fc;
    reference += '$';
    reference += doPath;
    reference += '$';
    reference += attrPath;
    if (pointClass != 13 && !dataSet_.Matches(reference))
        return;

    auto p = std::make_unique<CSCDPoint>();
    p->m_strLNName = ln.name;
    p->m_strLNInst = ln.inst;
    p->m_strLNClass = ln.lnClass;
    p->m_strPrefix = ln.prefix;
    p->m_strDOName = topDo;
    if (doPath.size() > topDo.size())
        p->m_strSDOName.assign(doPath, topDo.size() + 1);
    p->m_strFC = leaf.fc;
    p->m_strCDC = leaf.cdc;
    p->m_strDAName = attrPath;
    p->m_nClass = static_cast<std::uint8_t>(pointClass);

    // The DOI of the data object, searched with the rest of the path: sub-data-objects first,
    // then the attribute path.
    std::string desc;
    if (const CtBase doi = ln_.Doi(topDo)) {
        std::string_view rest = attrPath;
        if (!p->m_strSDOName.empty()) {
            rest_.assign(p->m_strSDOName).append("$").append(attrPath);
            rest = rest_;
        }
        desc = DescriptionOf(doi, rest);
        if (pointClass == 13)
            p->m_strCtlModel = ValOfDai(ln_.children, doi, "ctlModel");
    }
    if (desc.empty()) {
        desc = reference;
    } else {
        static const struct {
            const char* tail;
            const char* text;
        } phases[] = {{"phsA", "A相"}, {"phsB", "B相"}, {"phsC", "C相"}, {"neut", "零序"}};
        for (const auto& ph : phases)
            if (EndsWith(attrPath, ph.tail)) {
                desc = ph.text + desc;
                break;
            }
        if (attrPath.size() >= 10) {
            const std::string_view part = std::string_view(attrPath).substr(attrPath.size() - 10, 8);
            if (part == "cVal$mag")
                desc += "幅值";
            else if (part == "cVal$ang")
                desc += "相角";
        }
    }
    // The point, its device model's entry and the cache file hold every text of it.
    if (!budget_.CountPoint({p->m_strLNName, p->m_strLNInst, p->m_strLNClass, p->m_strPrefix, p->m_strDOName,
                             p->m_strSDOName, p->m_strFC, p->m_strCDC, p->m_strDAName, p->m_strCtlModel, desc,
                             reference}))
        return;
    p->m_strDesc = std::move(desc);
    p->m_strReference = std::move(reference);
    model_->AddPoint(std::move(p));
}

std::string CSCDImport::IedWalker::DescriptionOf(const CtBase& element, std::string_view path) {
    std::string text;
    if (shared_.descFromDu)
        text = ValOfDai(ln_.children, element, "dU");
    if (!path.empty()) {
        const std::size_t cut = path.find('$');
        const std::string_view head = path.substr(0, cut);
        const std::string_view rest =
            cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
        if (const CtBase sdi = ln_.children.Find(element, EleID::SDI, head)) {
            std::string inner = DescriptionOf(sdi, rest);
            if (!inner.empty())
                text = std::move(inner);
        }
    }
    if (text.empty())
        text = element.GetAttrValByName("desc");
    return text;
}

CSCDImport::CSCDImport() = default;
CSCDImport::~CSCDImport() {
    cache_.Discard();
}

fs::path CSCDImport::CacheFilePath() {
    return ScdCacheFilePath();
}

void CSCDImport::Clear(CConfigDoc& doc) {
    doc.m_infoModels.clear();
    doc.m_dataSetMembers.clear();
    doc.m_strSubDoName.clear();
    if (doc.m_sclService)
        doc.m_sclService->Clear();
    std::vector<Built>().swap(built_);
    cache_.Discard();
    cacheFromModels_ = false;
}

void CSCDImport::SetProgressPos(float pos) {
    position_ = pos;
    progress_->SetPos(static_cast<int>(pos));
}

int CSCDImport::ImportSCD(CConfigDoc& doc, const std::string& path) {
    Clear(doc);
    const bool buildWhileReading = buildWhileReading_;
    buildWhileReading_ = true;
    const int loaded = LoadSCDFile(doc, path);
    buildWhileReading_ = buildWhileReading;
    // The parsed file is not needed once the points are read; a big file's tree is freed before
    // the device models are filed.
    doc.m_sclService->Clear();
    if (loaded) {
        BuildIEDListFromSCD(doc);
        if (doc.Views()) {
            doc.Views()->FillPointList();
            doc.Views()->RefreshDeviceNodes();
        }
    }
    return 0;
}

int CSCDImport::LoadSCDFile(CConfigDoc& doc, const std::string& path) {
    if (path.empty())
        return 0;
    doc.m_sclService->SetXmlFileName(path);
    // The cache written from this file carries its size as its bound.
    std::error_code sizeError;
    fileBytes_ = fs::file_size(path, sizeError);
    if (sizeError)
        fileBytes_ = 0;
    progress_->Show("正在载入数据模型，请稍候……");
    SetProgressPos(0);
    progress_->SetWaitCursor(true);
    // The IEDs are parsed one by one while they are walked: the tree of a big file is never
    // held whole.
    doc.m_sclService->SetStreamedElement("IED");
    doc.m_sclService->SetThreads(threads_);
    const int loaded = doc.m_sclService->LoadFromXmlFile();
    doc.m_sclService->SetStreamedElement({});
    if (!loaded) {
        progress_->SetWaitCursor(false);
        // A file refused for its text is told where; a markup error as the import always has.
        platform::MessageBox(doc.m_sclService->IsRefusedContent()
                                 ? "导入SCD失败：" + doc.m_sclService->GetErrorText() + "!"
                                 : std::string("导入SCD失败：解析文件失败!"));
        SetProgressPos(100);
        progress_->Hide();
        return 0;
    }
    SetProgressPos(2);
    const int result = ReadSCDIEDs(doc);
    progress_->Hide();
    progress_->SetWaitCursor(false);
    return result;
}

namespace {

// One box for every IED left out as the namesake of an earlier one: how many, and the first names.
std::string DroppedNamesakes(const std::vector<std::string>& dropped) {
    constexpr std::size_t kNamed = 10;
    std::string names;
    for (std::size_t i = 0; i < dropped.size() && i < kNamed; ++i)
        names += (i ? "、" : "") + dropped[i];
    if (dropped.size() > kNamed)
        names += "等";
    return platform::StrFormat(
               "SCD文件中有%zu个装置与前面的装置同名(不分大小写)，只导入了前面的装置，未导入：",
               dropped.size()) +
           names;
}

// Why a file is refused whose walk ran out of memory: the IED being read, when it is known.
std::string OutOfMemory(const std::string& ied) {
    return ied.empty() ? std::string("内存不足") : "装置(" + ied + ")展开的数据超出可用内存";
}

// The IEDs a walking thread may run ahead of the one filed next, per thread: enough that a thread
// held up on one IED (or descheduled on a busy machine) does not stop the others; each IED waiting
// holds only its built model, which the import keeps anyway, and its cache bytes.
constexpr std::size_t kAheadPerThread = 32;

// The threads that walk a file's IEDs: as many as asked, or every core the process may run on up
// to eight; one for a file of one IED (walked on the calling thread).
std::size_t WalkThreads(std::size_t asked, std::size_t ieds) {
    return std::max<std::size_t>(1, std::min(asked ? asked : platform::CSCLService::WorkThreads(), ieds));
}

} // namespace

void CSCDImport::IndexFile(Shared& shared, const CtBase& root) const {
    shared.limits = limits_;
    const CtBase templates = root.FindOneEleByID(EleID::DataTypeTemplates, false);
    // The file's budgets grow with the elements it declares: its types here, each IED's as it is
    // walked.
    shared.declared = platform::scl::DeclaredElements(templates);
    shared.brake.elements = shared.declared;
    IndexById(templates ? templates.GetEleByName("LNodeType") : CtEleList(), shared.lnodeTypes);
    IndexById(templates ? templates.GetEleByName("DOType") : CtEleList(), shared.doTypes);
    IndexById(templates ? templates.GetEleByName("DAType") : CtEleList(), shared.daTypes);

    const CProjectContext& context = CProjectContext::Instance();
    shared.goose = context.m_bGetGoosePoints;
    shared.descFromDu = context.m_bGetDescFromDu;
    if (shared.goose)
        return;
    const CtBase comm = root.FindOneEleByID(EleID::Communication, false);
    CtEleList subnets;
    if (comm)
        comm.FindEleListByID(EleID::SubNetwork, subnets, false);
    for (const CtBase& net : subnets) {
        if (!platform::EqualsNoCase(net.GetAttrValByName("type"), "8-MMS"))
            continue;
        CtEleList aps;
        net.FindEleListByID(EleID::ConnectedAP, aps, false);
        for (const CtBase& ap : aps) {
            const std::string apName = ap.GetAttrValByName("apName");
            const std::string iedName = ap.GetAttrValByName("iedName");
            if (!apName.empty() && !iedName.empty())
                shared.accessPoints.emplace(apName + "+" + iedName, ap);
        }
    }
}

// The IEDs of a file: in the document, or (the usual case) left out of it to be parsed one at a
// time; and whether each IED's device model is built as soon as it is read.
struct CSCDImport::IedSource {
    CtEleList inDocument;
    const platform::CSCLService* scl = nullptr;
    std::size_t count = 0;
    bool build = false;
};

// What one thread needs to parse and walk IEDs.
struct CSCDImport::WalkState {
    WalkState(Shared& shared, const IedSource& ieds) : walker(shared), source(ieds) {}
    IedWalker walker;
    const IedSource& source;
    platform::CSCLService::CPart part;
};

std::unique_ptr<CSCDImport::IedResult> CSCDImport::WalkIed(WalkState& state, std::size_t i) const {
    const IedSource& source = state.source;
    auto result = std::make_unique<IedResult>();
    std::string name;
    try {
        std::string error;
        const std::size_t kept = source.inDocument.size();
        const CtBase ied = i < kept
                               ? source.inDocument[i]
                               : source.scl->ParseStreamed(static_cast<int>(i - kept), state.part, error);
        if (!ied) {
            result->parsed = false;
            return result;
        }
        name = ied.GetAttrValByName("name");
        state.walker.Walk(ied, *result, i + 1 == source.count);
        result->pointCount = result->model->m_allPoints.size();
        if (result->failure.empty()) {
            // An IED whose points need more groups than the numbers hold refuses the file: a group
            // numbered 255 or above would clash with the special indications or be out of range.
            CDeviceTemplate model = BuildDeviceModel(*result->model);
            if (const int highest = HighestOrdinaryGroupNumber(model); highest > kMaxOrdinaryGroupNumber) {
                result->failure =
                    platform::StrFormat("装置(%s)的测点需要编号至%d的信息组，超出信息组号的范围(1-%d)",
                                        name.c_str(), highest, kMaxOrdinaryGroupNumber);
                result->model->Clear();
            } else if (source.build) {
                result->built = std::make_unique<Built>(std::move(model));
                // Freed where they were made, unless the observer is to see them first.
                if (!observer_)
                    result->model->Clear();
            }
        }
    } catch (const std::bad_alloc&) {
        // Out of memory on a worker: the file is refused, naming the IED whose data did not fit.
        result = std::make_unique<IedResult>();
        result->failure = OutOfMemory(name);
    } catch (const std::exception&) {
        result = std::make_unique<IedResult>();
        result->parsed = false;
    }
    return result;
}

// The file's budget charged in file order with what each IED used: its own nodes and points, and
// the nodes of each node type the first time an IED uses it.
struct CSCDImport::FileCharge {
    FileCharge(const platform::scl::TypeWalkLimits& ceilings, std::uint64_t declared)
        : ceilings(ceilings), declared(declared), budget(ceilings.ForElements(declared)) {
        budget.StartFile();
    }
    // The file's budget grows by what each IED declares, as the IED is charged.
    void Declare(std::uint64_t elements) {
        declared += elements;
        budget.SetLimits(ceilings.ForElements(declared));
    }
    platform::scl::TypeWalkLimits ceilings;
    std::uint64_t declared;
    platform::scl::CTypeWalkBudget budget;
    std::unordered_set<const TypeLeaves*> charged;
    // The lower-cased names of the IEDs filed, and the IEDs left out as namesakes of one before.
    std::unordered_set<std::string> names;
    std::vector<std::string> dropped;
};

std::string CSCDImport::FileIed(CConfigDoc& doc, IedResult& result, bool last, FileCharge& charge) {
    if (!result.parsed)
        return "导入SCD失败：解析文件失败!";
    // A type loop or a file beyond the walk's budget.
    if (!result.failure.empty())
        return "导入SCD失败：" + result.failure + "!";
    const std::string& ied = result.model->m_strName;
    charge.Declare(result.elements);
    for (const TypeLeaves* type : result.types)
        if (charge.charged.insert(type).second && !charge.budget.ChargeFile(type->nodes, 0, ied))
            break;
    if (!charge.budget.Failed())
        charge.budget.ChargeFile(result.nodes, result.points, ied);
    if (charge.budget.Failed())
        return "导入SCD失败：" + charge.budget.Reason() + "!";

    if (last)
        doc.m_dataSetMembers = std::move(result.members);
    // IEDs of one name (without regard to case) would become one device model, the later ones'
    // points replacing the earlier's: the first is kept, the others are left out and named.
    if (!charge.names.insert(platform::ToLowerAscii(ied)).second) {
        charge.dropped.push_back(ied);
        // The cache file was opened for every IED: it is written again from the models kept.
        cache_.Discard();
        cacheFromModels_ = result.built != nullptr;
        return {};
    }
    CInfoModel& model = *result.model;
    doc.m_infoModels.push_back(std::move(result.model));
    if (observer_)
        observer_(model);
    pointsRead_ += result.pointCount;
    if (result.built) {
        cache_.Write(result.built->bytes);
        // Freed with the result, on the thread that made them.
        result.written.swap(result.built->bytes);
        built_.push_back(std::move(*result.built));
        model.Clear();
    }
    return {};
}

int CSCDImport::ReadSCDIEDs(CConfigDoc& doc) {
    const CtBase root = doc.m_sclService->GetRoot();
    if (!root)
        return 0;
    position_ = 2;
    progress_->SetWaitCursor(false);
    Shared shared;
    IndexFile(shared, root);

    IedSource source;
    source.scl = doc.m_sclService.get();
    root.FindEleListByID(EleID::IED, source.inDocument, false);
    source.count = source.inDocument.size() + static_cast<std::size_t>(source.scl->GetStreamedCount());
    source.build = buildWhileReading_;
    const std::size_t count = source.count;
    const float step = count == 0 ? 0.0f : (100.0f - position_) / static_cast<float>(count);
    built_.clear();
    pointsRead_ = 0;
    cache_.Discard();
    cacheFromModels_ = false;
    if (buildWhileReading_) {
        built_.reserve(count);
        cache_.Open(count, fileBytes_);
    }
    progress_->SetCaption("正在读取测点信息，请稍候……");

    // Each IED parsed, walked and (when asked) built on whichever thread takes it, and filed here
    // in file order.
    const std::size_t threads = WalkThreads(threads_, count);
    COrderedWork<WalkState, IedResult> walks(
        count, threads, kAheadPerThread * threads,
        [&] { return std::make_unique<WalkState>(shared, source); },
        [this](WalkState& state, std::size_t i) { return WalkIed(state, i); });
    FileCharge charge(shared.limits, shared.declared);
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_ptr<IedResult> result = walks.Take(i);
        const std::string refusal = FileIed(doc, *result, i + 1 == count, charge);
        walks.Release(std::move(result));
        if (!refusal.empty()) {
            // The file is refused whole and the project keeps what it had.
            walks.Stop();
            doc.m_infoModels.clear();
            doc.m_dataSetMembers.clear();
            built_.clear();
            cache_.Discard();
            progress_->SetWaitCursor(false);
            platform::MessageBox(refusal);
            return 0;
        }
        SetProgressPos(position_ + step);
    }
    SetProgressPos(100);
    if (!charge.dropped.empty()) {
        progress_->SetWaitCursor(false);
        platform::MessageBox(DroppedNamesakes(charge.dropped), {}, platform::Icon::Warning);
    }
    return 1;
}

int CSCDImport::BuildIEDListFromSCD(CConfigDoc& doc) {
    progress_->Show("正在更新装置列表，请稍候……");
    SetProgressPos(5);
    const float step = doc.m_infoModels.empty() ? 0.0f : 95.0f / static_cast<float>(doc.m_infoModels.size());
    CImportIndex index;
    index.Build(doc);
    // The models built while the file was read have their devices made and their part of the
    // cache written. Otherwise (the walk kept the points) they are built here, and the cache is
    // written while the models are filed, a piece at a time: a big file's cache is never held
    // whole. It replaces the old one only once complete on disk.
    // IEDs left out as namesakes leave the models built while reading, to be written into the
    // cache here.
    const bool rewrite = cacheFromModels_ && built_.size() == doc.m_infoModels.size();
    const bool prebuilt = (cache_.IsOpen() || rewrite) && built_.size() == doc.m_infoModels.size();
    if (!prebuilt || rewrite)
        cache_.Open(doc.m_infoModels.size(), fileBytes_);
    cacheFromModels_ = false;
    constexpr std::size_t kPiece = 1 << 20;
    platform::CArchive ar;
    for (std::size_t i = 0; i < doc.m_infoModels.size(); ++i) {
        CInfoModel& info = *doc.m_infoModels[i];
        if (prebuilt) {
            Built& b = built_[i];
            if (rewrite) {
                SerializeSCDIED(ar, b.model);
                if (ar.Bytes().size() >= kPiece) {
                    cache_.Write(ar.Bytes());
                    ar.DiscardBytes();
                }
            }
            MergeImportedModel(doc, std::move(b.model), std::move(b.device), info.m_strDesc, index);
        } else {
            CDeviceTemplate tpl = BuildDeviceModel(info);
            // Once filed into its device model an IED's points are not needed again; freed here,
            // a big file never holds every IED's points and every device model at once. The model
            // keeps its name, description and type.
            info.Clear();
            SerializeSCDIED(ar, tpl);
            if (ar.Bytes().size() >= kPiece) {
                cache_.Write(ar.Bytes());
                ar.DiscardBytes();
            }
            MergeImportedModel(doc, std::move(tpl), info.m_strDesc, index);
        }
        SetProgressPos(position_ + step);
    }
    std::vector<Built>().swap(built_);
    cache_.Write(ar.Bytes());
    const bool saved = cache_.Commit();
    SetProgressPos(100);
    progress_->Hide();
    progress_->SetWaitCursor(false);
    if (!saved) {
        platform::MessageBox("保存文件" + CacheFilePath().string() + "失败!", "错误", platform::Icon::Error);
        return 0;
    }
    return 1;
}

} // namespace points
